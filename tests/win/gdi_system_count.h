// The process's GDI objects as the system keeps them, independent of the
// framework's own counts (which see only handles made through its wrappers:
// a region handed to a window, or an object Wine makes on our behalf, is
// outside them).
#pragma once

#include <windows.h>

// Windows answers GetGuiResources; Wine answers 0 there. Under Wine every
// live GDI object also answers to its 16-bit handle (the low word, which it
// accepts as Windows once did), so asking each of them for its object type
// counts them all.
inline int SystemGdiObjects()
{
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(n);
    int live = 0;
    for (ULONG_PTR h = 1; h <= 0xFFFF; ++h)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(h))) ++live;
    return live;
}
