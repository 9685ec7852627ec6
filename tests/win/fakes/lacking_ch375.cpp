// A library named CH375DLL.DLL that has only one of the seven operations:
// some other program's, or a broken copy. The panel must not take it.
#include <windows.h>

extern "C" __declspec(dllexport) HANDLE WINAPI CH375OpenDevice(ULONG)
{
    return INVALID_HANDLE_VALUE;
}
