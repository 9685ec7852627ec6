// Owning holders for the GDI handles and device contexts the framework
// creates. Each one counts its handle into TResourceCount when it takes it
// and out again when it frees it, so leak tests can compare the counts (the
// system's own counts answer 0 under Wine). Move-only: a handle has exactly
// one owner, and a holder going out of scope on an exception path frees it.
#pragma once

#include <windows.h>

#include <utility>

#include "framework/resourcecount.h"
#include "runtime/sysutils.h"

// The system refused a handle (out of GDI memory, or a bad reference).
class EOutOfResources : public Exception {
    using Exception::Exception;
};

namespace gdi_detail {
// Pens, brushes, fonts, bitmaps, regions and palettes.
inline void Delete(HGDIOBJ h)
{
    ::DeleteObject(h);
}
inline void Delete(HICON h)
{
    ::DestroyIcon(h);
}
} // namespace gdi_detail

// A GDI object (pen, brush, font, bitmap, region, palette) or an icon.
template <class H> class TGdiHandle {
public:
    TGdiHandle() = default;
    // Takes ownership of h (which may be null, e.g. a failed Create call).
    explicit TGdiHandle(H h) : h_(h)
    {
        if (h_) ++TResourceCount::GdiObjects;
    }
    ~TGdiHandle() { Reset(); }
    TGdiHandle(TGdiHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    TGdiHandle& operator=(TGdiHandle&& o) noexcept
    {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    TGdiHandle(const TGdiHandle&) = delete;
    TGdiHandle& operator=(const TGdiHandle&) = delete;

    H Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

    // Frees the handle held and takes h.
    void Reset(H h = nullptr)
    {
        if (h_) {
            gdi_detail::Delete(h_);
            --TResourceCount::GdiObjects;
        }
        h_ = h;
        if (h_) ++TResourceCount::GdiObjects;
    }
    // Gives the handle up uncounted: the caller (or the system) now owns it.
    H Release()
    {
        if (h_) --TResourceCount::GdiObjects;
        return std::exchange(h_, nullptr);
    }

private:
    H h_ = nullptr;
};

using TPenHandle = TGdiHandle<HPEN>;
using TBrushHandle = TGdiHandle<HBRUSH>;
using TFontHandle = TGdiHandle<HFONT>;
using TBitmapHandle = TGdiHandle<HBITMAP>;
using TRegionHandle = TGdiHandle<HRGN>;
using TPaletteHandle = TGdiHandle<HPALETTE>;
using TIconHandle = TGdiHandle<HICON>;

// A memory device context (CreateCompatibleDC / DeleteDC).
class TMemoryDC {
public:
    TMemoryDC() = default;
    // Compatible with reference, or with the screen when reference is null.
    // Raises EOutOfResources when the system refuses.
    static TMemoryDC Create(HDC reference = nullptr);
    ~TMemoryDC() { Reset(); }
    TMemoryDC(TMemoryDC&& o) noexcept : dc_(std::exchange(o.dc_, nullptr)) {}
    TMemoryDC& operator=(TMemoryDC&& o) noexcept
    {
        if (this != &o) {
            Reset();
            dc_ = std::exchange(o.dc_, nullptr);
        }
        return *this;
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void Reset()
    {
        if (dc_) {
            ::DeleteDC(dc_);
            --TResourceCount::DeviceContexts;
            dc_ = nullptr;
        }
    }

private:
    HDC dc_ = nullptr;
};

// A window's device context (GetDC or GetWindowDC / ReleaseDC). A null
// window means the screen.
class TWindowDC {
public:
    TWindowDC() = default;
    // Raises EOutOfResources when the system refuses.
    static TWindowDC Get(HWND wnd, bool wholeWindow = false);
    ~TWindowDC() { Reset(); }
    TWindowDC(TWindowDC&& o) noexcept
        : wnd_(std::exchange(o.wnd_, nullptr)), dc_(std::exchange(o.dc_, nullptr))
    {
    }
    TWindowDC& operator=(TWindowDC&& o) noexcept
    {
        if (this != &o) {
            Reset();
            wnd_ = std::exchange(o.wnd_, nullptr);
            dc_ = std::exchange(o.dc_, nullptr);
        }
        return *this;
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;

    HDC Handle() const { return dc_; }
    HWND Window() const { return wnd_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void Reset()
    {
        if (dc_) {
            ::ReleaseDC(wnd_, dc_);
            --TResourceCount::DeviceContexts;
            dc_ = nullptr;
        }
        wnd_ = nullptr;
    }

private:
    HWND wnd_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object into a DC for one scope and puts the previous one back,
// also when the scope is left by an exception.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~TSelectObject()
    {
        if (old_) ::SelectObject(dc_, old_);
    }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Saves a DC's state (SaveDC) for one scope and restores it (RestoreDC).
class TSaveDC {
public:
    explicit TSaveDC(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~TSaveDC()
    {
        if (saved_) ::RestoreDC(dc_, saved_);
    }
    TSaveDC(const TSaveDC&) = delete;
    TSaveDC& operator=(const TSaveDC&) = delete;

private:
    HDC dc_;
    int saved_;
};
