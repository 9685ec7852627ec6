#include "framework/gdiobj.h"

TMemoryDC TMemoryDC::Create(HDC reference)
{
    TMemoryDC dc;
    dc.dc_ = ::CreateCompatibleDC(reference);
    if (!dc.dc_) throw EOutOfResources("Out of system resources (memory device context)");
    ++TResourceCount::DeviceContexts;
    return dc;
}

TWindowDC TWindowDC::Get(HWND wnd, bool wholeWindow)
{
    TWindowDC dc;
    dc.dc_ = wholeWindow ? ::GetWindowDC(wnd) : ::GetDC(wnd);
    if (!dc.dc_) throw EOutOfResources("Out of system resources (window device context)");
    dc.wnd_ = wnd;
    ++TResourceCount::DeviceContexts;
    return dc;
}
