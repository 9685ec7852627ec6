// TiVCLComponent: the platform side of the widget base. Transparency (the
// widget shows a captured copy of what lies beneath it), the window
// messages that feed the i-operations, focus, a per-widget timer on a
// hidden window, and painting into a foreign device context.
// TiCustomComponent is the common parent of the concrete widgets.
#pragma once

#include <functional>
#include <memory>

#include "widgets/icomponent.h"

class TiVCLComponent : public TiComponent {
    ORVANE_CLASS(TiVCLComponent, TiComponent)
    explicit TiVCLComponent(TComponent* AOwner);
    ~TiVCLComponent() override;

    bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool Value);
    void RequestTransparentCapture();
    bool GetCapturePending() const { return capturePending_; }
    TBitmap* GetTransparentBackGround() const { return transparentBitmap_.get(); }

    // Draws the widget into DC with its top-left corner at (X, Y);
    // SkipBackground leaves the background out.
    void iPaintToDC(int X, int Y, bool SkipBackground, HDC DC);

    bool GetTimerRunning() override { return timerId_ != 0; }
    void TimerStart(uint32_t FirstInterval, uint32_t Interval) override;
    void TimerStop() override;
    // Called on every tick of the widget timer.
    std::function<void()> OnInternalTimer;

    void Lock() override;
    void Unlock() override;
    void RepaintAll() override;
    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;

    virtual void OPCNewDataSpecial(double Value);
    virtual void UpdateOPCSpecialList();

protected:
    void DrawBackGround(TCanvas* Canvas, TColor BackGroundColor) override;
    void GetTransparentBitmap();
    bool PaintingToForeignContext() const { return paintingToDC_; }

    void Dispatch(TMessage& Message) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void WMEraseBkgnd(TMessage& Message) override;
    void WMSetFocus(TMessage& Message) override;
    void WMKillFocus(TMessage& Message) override;
    void WMWindowPosChanged(TMessage& Message) override;
    void WMMouseButton(TMessage& Message) override;
    void CNKeyDown(TMessage& Message) override;
    void CNKeyUp(TMessage& Message) override;
    void CMWantSpecialKey(TMessage& Message) override;
    void CMColorChanged(TMessage& Message) override;
    virtual void WMGetDlgCode(TMessage& Message);
    virtual void WMMouseWheel(TMessage& Message);
    virtual void WMSysColorChange(TMessage& Message);

private:
    void TimerProc(TMessage& Message);

    std::unique_ptr<TUtilityWindow> timerWindow_;
    bool paintingToDC_ = false;
    std::unique_ptr<TBitmap> transparentBitmap_;
    CRITICAL_SECTION paintLock_;
    bool transparent_ = false;
    UINT_PTR timerId_ = 0;
    bool firstInterval_ = false;
    uint32_t timerInterval_ = 0;
    bool capturePending_ = false;
    bool destroying_ = false;
};

class TiCustomComponent : public TiVCLComponent {
    ORVANE_CLASS(TiCustomComponent, TiVCLComponent)
    explicit TiCustomComponent(TComponent* AOwner) : TiVCLComponent(AOwner) {}
};
