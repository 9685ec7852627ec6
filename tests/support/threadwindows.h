// Counting the windows a test made, to see that none outlives its owner.
// Win32 only.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

// This thread's top-level windows whose class is one of classNames.
inline int CountThreadWindows(std::initializer_list<const char*> classNames)
{
    struct Search {
        std::initializer_list<const char*> names;
        int count = 0;
    } search{classNames};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            char name[64] = {};
            GetClassNameA(wnd, name, sizeof name);
            for (const char* n : s.names)
                if (std::string(name) == n) ++s.count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}
