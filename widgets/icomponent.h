// TiComponent: the base of every instrument widget. It paints through an
// off-screen bitmap of its own size, kept from paint to paint, draws the background and border, turns property
// changes into repaint requests (optionally limited to a frame rate or held
// inside an update bracket) and funnels input into a small set of
// overridable i-operations. A widget implements iPaintTo and the input
// operations it cares about.
//
// TiUpdateObject is the process-wide registry every widget joins; once a
// second it flushes repaints that the frame-rate limit held back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/extctrls.h"
#include "widgets/igpfunctions.h"
#include "widgets/itypes.h"

// How the update registry sees a widget.
class IiUpdateControl {
public:
    virtual bool GetUpdateActive() = 0;
    virtual bool GetNeedsRepaint() = 0;
    virtual int32_t GetUpdateFrameRate() = 0;
    virtual double GetLastUpdate() = 0;
    virtual void DoRepaint() = 0;

protected:
    ~IiUpdateControl() = default;
};

class TiUpdateObject {
public:
    TiUpdateObject();
    ~TiUpdateObject();
    TiUpdateObject(const TiUpdateObject&) = delete;
    TiUpdateObject& operator=(const TiUpdateObject&) = delete;

    void AddUpdateControl(IiUpdateControl* Control);
    void RemoveUpdateControl(IiUpdateControl* Control);
    int Count() const { return static_cast<int>(list_.size()); }
    bool TimerEnabled() const;
    // One tick of the timer: repaints the widgets whose held-back repaint is due.
    void TimerEvent();

    static constexpr uint32_t Interval = 1000;

private:
    std::vector<IiUpdateControl*> list_;
    // The timer (and its hidden window) exists while any widget is registered.
    std::unique_ptr<TTimer> timer_;
};

TiUpdateObject& iUpdateObject();

// The current wall-clock time in days, as repaint timestamps keep it.
double iNow();

ORVANE_EVENT(TiPropertyNotifyEvent, void(TObject* Sender, const std::string& PropertyName));
ORVANE_EVENT(TiPropertyRequestEvent, void(TObject* Sender, const std::string& PropertyName, bool& Allow));

class TiComponent : public TCustomControl, public IiUpdateControl {
    ORVANE_CLASS(TiComponent, TCustomControl)
    explicit TiComponent(TComponent* AOwner);
    ~TiComponent() override;

    // --- Geometry and background
    virtual TPoint GetCenterPoint(TCanvas* Canvas);
    void GetCenterPointDouble(TCanvas* Canvas, double& X, double& Y);
    TPoint GetXYRadPoint(double AngleDegrees, double Radius, TPoint Center);
    int GetBorderMargin() const { return borderStyle_ != ibsNone ? 2 : 0; }

    TColor GetBackGroundColor() const { return backGroundColor_; }
    virtual void SetBackGroundColor(TColor Value);
    TiBevelStyle GetBorderStyle() const { return borderStyle_; }
    virtual void SetBorderStyle(TiBevelStyle Value);
    // Absent unless the widget publishes it (CreateBackGroundPicture).
    TBitmap* GetBackGroundPicture() const { return backGroundPicture_.get(); }
    void SetBackGroundPicture(const TBitmap* Value);
    int32_t GetOffsetX() const { return offsetX_; }
    void SetOffsetX(int32_t Value);
    int32_t GetOffsetY() const { return offsetY_; }
    void SetOffsetY(int32_t Value);
    bool GetShowDisabledState() const { return showDisabledState_; }
    void SetShowDisabledState(bool Value);
    bool GetCachedDrawing() const { return cachedDrawing_; }
    virtual void SetCachedDrawing(bool Value);
    bool GetBackGroundChanged() const { return backGroundChanged_; }
    bool GetHasFocus() const { return hasFocus_; }

    // --- Repaint policy
    bool GetAutoFrameRate() const { return autoFrameRate_; }
    void SetAutoFrameRate(bool Value);
    int32_t GetUpdateFrameRate() override { return updateFrameRate_; }
    void SetUpdateFrameRate(int32_t Value) { updateFrameRate_ = Value; }
    bool GetOptionSaveAllProperties() const { return optionSaveAllProperties_; }
    void SetOptionSaveAllProperties(bool Value) { optionSaveAllProperties_ = Value; }

    // IiUpdateControl
    bool GetUpdateActive() override { return updateActive_; }
    bool GetNeedsRepaint() override { return needsRepaint_; }
    double GetLastUpdate() override { return lastUpdate_; }
    void DoRepaint() override;

    void DoRepaintType(TiRepaintType Value);
    void InvalidateChange();
    void BackGroundChange();
    void InvalidateNow();
    void DoFrameRate();
    virtual void RepaintAll();
    // Not nested: EndUpdate always ends the bracket.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    // --- Loading and design state
    bool GetLoading() const;
    void SetLoading(bool Value) { loading_ = Value; }
    bool GetIsDesigning() const;

    // --- Per-widget timer
    virtual bool GetTimerRunning() = 0;
    virtual void TimerStart(uint32_t FirstInterval, uint32_t Interval) = 0;
    virtual void TimerStop() = 0;

    // --- Data exchange and property files (not used by this program)
    virtual void OPCOutputData(const std::string& PropertyName, double Value);
    virtual void SavePropertiesToFile(const std::string& FileName);
    virtual void LoadPropertiesFromFile(const std::string& FileName);
    TiPropertyNotifyEvent OnPropertyChange;
    TiPropertyRequestEvent OnPropertyChangeRequest;

    // --- Background cache (for widgets that keep a static background)
    TBitmap* GetBackGroundBitmap();
    void TransferBackGround(TCanvas* Canvas);
    void ShowBackGround();
    void ResetBackGroundChange() { backGroundChanged_ = false; }

    void SetEnabled(bool value) override;

protected:
    // --- What a concrete widget implements or overrides
    virtual void iPaintTo(TCanvas* Canvas) = 0;
    virtual void DrawBackGround(TCanvas* Canvas, TColor BackGroundColor);
    virtual void DrawBorder(TCanvas* Canvas);
    virtual void iDoSetFocus();
    virtual void iDoKillFocus();
    virtual void iWantSpecialKey(WORD& CharCode, LRESULT& Result);
    virtual void iKeyUp(WORD& Key, TShiftState Shift);
    virtual void iKeyDown(WORD& Key, TShiftState Shift);
    virtual void iKeyPress(char& Key);
    virtual void iMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void iMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void iMouseMove(TShiftState Shift, int X, int Y);
    virtual void iDoubleClick();
    virtual bool iMouseWheel(int WheelDelta, TShiftState Shift, TPoint MousePos);

    // Value hooks of the data-exchange facility: true unless refused.
    bool AllowPropertyChange(const std::string& PropertyName);
    void NotifyPropertyChange(const std::string& PropertyName);

    // Shared setters: store and repaint only on a real change (doubles
    // compare exactly).
    void SetBooleanProperty(bool Value, bool& Field, TiRepaintType RepaintType);
    void SetIntegerProperty(int32_t Value, int32_t& Field, TiRepaintType RepaintType);
    void SetDoubleProperty(double Value, double& Field, TiRepaintType RepaintType);
    void SetStringProperty(const std::string& Value, std::string& Field, TiRepaintType RepaintType);
    void SetWideStringProperty(const std::wstring& Value, std::wstring& Field, TiRepaintType RepaintType);
    void SetColorProperty(TColor Value, TColor& Field, TiRepaintType RepaintType);

    void CreateBackGroundPicture();

    // Paint -> PaintToDC: drawn into the off-screen bitmap, copied once.
    void Paint() override;
    void PaintToDC();
    void Resize() override;

    // Framework events: key events run the framework's handler first,
    // mouse events the i-operation first.
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void DblClick() override;

    TBitmap* BackGroundCache() const { return backGroundBitmap_.get(); }
    void SetBackGroundCacheSize(int32_t W, int32_t H);

    bool hasFocus_ = false;

private:
    void BackGroundPictureChanged(TObject*);
    TCanvas* PaintCanvas(int32_t W, int32_t H);

    // Making a bitmap and its memory DC costs far more than drawing a lamp,
    // so each widget keeps one between paints. Dropped when the widget's
    // size changes and with the widget; its handles count like any other.
    std::unique_ptr<TBitmap> paintBitmap_;

    bool updateActive_ = false;
    int32_t updateFrameRate_ = 60;
    double lastUpdate_ = 0;
    bool needsRepaint_ = false;
    std::unique_ptr<TBitmap> backGroundBitmap_;
    std::unique_ptr<TBitmap> backGroundPicture_;
    TColor backGroundColor_ = clBtnFace;
    bool backGroundChanged_ = true;
    TiBevelStyle borderStyle_ = ibsNone;
    int32_t offsetY_ = 0, offsetX_ = 0;
    bool showDisabledState_ = false;
    bool autoFrameRate_ = false;
    bool loading_ = false;
    bool cachedDrawing_ = true;
    bool optionSaveAllProperties_ = false;
};

// Publishing helpers for the base properties a widget chooses to publish.
template <class T> TClassBuilder<T>& iPublishBackGroundColor(TClassBuilder<T>& b, TColor def = clBtnFace)
{
    return b.Color("BackGroundColor", &T::GetBackGroundColor, &T::SetBackGroundColor, def);
}
template <class T> TClassBuilder<T>& iPublishBorderStyle(TClassBuilder<T>& b)
{
    return b.Enum("BorderStyle", &T::GetBorderStyle, &T::SetBorderStyle, ibsNone);
}
template <class T> TClassBuilder<T>& iPublishBackGroundPicture(TClassBuilder<T>& b)
{
    return b.Object("BackGroundPicture", &T::GetBackGroundPicture, &T::SetBackGroundPicture);
}
template <class T> TClassBuilder<T>& iPublishOffsets(TClassBuilder<T>& b)
{
    return b.Int("OffsetX", &T::GetOffsetX, &T::SetOffsetX, 0)
        .Int("OffsetY", &T::GetOffsetY, &T::SetOffsetY, 0);
}
template <class T> TClassBuilder<T>& iPublishShowDisabledState(TClassBuilder<T>& b, bool def)
{
    return b.Bool("ShowDisabledState", &T::GetShowDisabledState, &T::SetShowDisabledState, def);
}
template <class T> TClassBuilder<T>& iPublishTransparent(TClassBuilder<T>& b)
{
    return b.Bool("Transparent", &T::GetTransparent, &T::SetTransparent, false);
}
