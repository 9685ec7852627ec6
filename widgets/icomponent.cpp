#include "widgets/icomponent.h"

#include <algorithm>
#include <chrono>

// ---------------------------------------------------------------------------
// Time and the update registry

double iNow()
{
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return static_cast<double>(us) / (86400.0 * 1e6);
}

namespace {
// A repaint is due once a frame's time has passed since the last one. A rate
// of 0 (or less) means no limit.
bool FrameDue(double lastUpdate, int32_t frameRate)
{
    if (frameRate <= 0) return true;
    return iNow() > lastUpdate + 1.0 / frameRate / 86400.0;
}
} // namespace

TiUpdateObject::TiUpdateObject() = default;
TiUpdateObject::~TiUpdateObject() = default;

TiUpdateObject& iUpdateObject()
{
    static TiUpdateObject registry;
    return registry;
}

void TiUpdateObject::AddUpdateControl(IiUpdateControl* Control)
{
    list_.push_back(Control);
    if (list_.size() == 1 && !timer_) {
        timer_ = std::make_unique<TTimer>(nullptr);
        timer_->SetInterval(Interval);
        timer_->OnTimer = [this](TObject*) { TimerEvent(); };
    }
}

void TiUpdateObject::RemoveUpdateControl(IiUpdateControl* Control)
{
    list_.erase(std::remove(list_.begin(), list_.end(), Control), list_.end());
    if (list_.empty()) timer_.reset();
}

bool TiUpdateObject::TimerEnabled() const
{
    return timer_ && timer_->GetEnabled();
}

void TiUpdateObject::TimerEvent()
{
    // A repaint may register or drop widgets; walk a copy.
    const std::vector<IiUpdateControl*> copy = list_;
    for (IiUpdateControl* c : copy) {
        if (std::find(list_.begin(), list_.end(), c) == list_.end()) continue;
        if (c->GetUpdateActive() || !c->GetNeedsRepaint()) continue;
        if (FrameDue(c->GetLastUpdate(), c->GetUpdateFrameRate())) c->DoRepaint();
    }
}

// ---------------------------------------------------------------------------
// TiComponent

const TClassInfo& TiComponent::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TiComponent>()
            .Bool("AutoFrameRate", &TiComponent::GetAutoFrameRate, &TiComponent::SetAutoFrameRate, false)
            .Int("UpdateFrameRate", &TiComponent::GetUpdateFrameRate, &TiComponent::SetUpdateFrameRate, 60)
            .Bool("OptionSaveAllProperties", &TiComponent::GetOptionSaveAllProperties,
                  &TiComponent::SetOptionSaveAllProperties, false);
    return info;
}

TiComponent::TiComponent(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csOpaque, csCaptureMouse, csClickEvents, csDoubleClicks, csReplicatable};
    lastUpdate_ = iNow();
    iUpdateObject().AddUpdateControl(this);
}

TiComponent::~TiComponent()
{
    iUpdateObject().RemoveUpdateControl(this);
}

// --- Geometry and background

TPoint TiComponent::GetCenterPoint(TCanvas*)
{
    return {Width() / 2 + offsetX_, Height() / 2 + offsetY_};
}

void TiComponent::GetCenterPointDouble(TCanvas*, double& X, double& Y)
{
    X = (Width() - 1) / 2.0;
    Y = (Height() - 1) / 2.0;
}

TPoint TiComponent::GetXYRadPoint(double AngleDegrees, double Radius, TPoint Center)
{
    return ::GetXYRadPoint(AngleDegrees, Radius, Center);
}

void TiComponent::SetBackGroundColor(TColor Value)
{
    SetColorProperty(Value, backGroundColor_, irtBackGround);
}

void TiComponent::SetBorderStyle(TiBevelStyle Value)
{
    if (Value == borderStyle_) return;
    borderStyle_ = Value;
    BackGroundChange();
}

void TiComponent::CreateBackGroundPicture()
{
    if (backGroundPicture_) return;
    backGroundPicture_ = std::make_unique<TBitmap>();
    backGroundPicture_->OnChange = [this](TObject* s) { BackGroundPictureChanged(s); };
}

void TiComponent::SetBackGroundPicture(const TBitmap* Value)
{
    CreateBackGroundPicture();
    if (Value)
        backGroundPicture_->Assign(Value);
    else
        backGroundPicture_->FreeImage();
    BackGroundChange();
}

void TiComponent::BackGroundPictureChanged(TObject*)
{
    BackGroundChange();
}

void TiComponent::SetOffsetX(int32_t Value)
{
    SetIntegerProperty(Value, offsetX_, irtBackGround);
}

void TiComponent::SetOffsetY(int32_t Value)
{
    SetIntegerProperty(Value, offsetY_, irtBackGround);
}

void TiComponent::SetShowDisabledState(bool Value)
{
    SetBooleanProperty(Value, showDisabledState_, irtBackGround);
}

void TiComponent::SetCachedDrawing(bool Value)
{
    if (Value == cachedDrawing_) return;
    cachedDrawing_ = Value;
    BackGroundChange();
    if (!cachedDrawing_) backGroundBitmap_.reset();
}

void TiComponent::DrawBackGround(TCanvas* Canvas, TColor BackGroundColor)
{
    backGroundChanged_ = false;
    if (backGroundPicture_ && backGroundPicture_->GetWidth() > 0) {
        Canvas->StretchDraw(Rect(0, 0, Width(), Height()), backGroundPicture_.get());
        return;
    }
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(BackGroundColor);
    Canvas->FillRect(Rect(0, 0, Width(), Height()));
    DrawBorder(Canvas);
}

void TiComponent::DrawBorder(TCanvas* Canvas)
{
    if (borderStyle_ == ibsRaised)
        iDrawEdge(Canvas, Rect(0, 0, Width(), Height()), idesRaised);
    else if (borderStyle_ == ibsLowered)
        iDrawEdge(Canvas, Rect(0, 0, Width(), Height()), idesSunken);
}

TBitmap* TiComponent::GetBackGroundBitmap()
{
    if (!backGroundBitmap_) {
        backGroundBitmap_ = std::make_unique<TBitmap>();
        backGroundBitmap_->SetSize(Width(), Height());
    }
    return backGroundBitmap_.get();
}

void TiComponent::SetBackGroundCacheSize(int32_t W, int32_t H)
{
    if (!backGroundBitmap_) backGroundBitmap_ = std::make_unique<TBitmap>();
    backGroundBitmap_->SetSize(W, H);
}

void TiComponent::TransferBackGround(TCanvas* Canvas)
{
    Canvas->Draw(0, 0, GetBackGroundBitmap());
}

void TiComponent::ShowBackGround()
{
    TransferBackGround(Canvas());
}

// --- Repaint policy

void TiComponent::SetAutoFrameRate(bool Value)
{
    if (Value == autoFrameRate_) return;
    autoFrameRate_ = Value;
    if (autoFrameRate_)
        BackGroundChange();
    else
        EndUpdate();
}

void TiComponent::DoRepaint()
{
    needsRepaint_ = false;
    lastUpdate_ = iNow();
    if (HWND wnd = GetHandleIfAllocated()) InvalidateRect(wnd, nullptr, FALSE);
}

void TiComponent::DoRepaintType(TiRepaintType Value)
{
    switch (Value) {
    case irtInvalidate:
        InvalidateChange();
        break;
    case irtBackGround:
        BackGroundChange();
        break;
    case irtNone:
        break;
    }
}

void TiComponent::InvalidateChange()
{
    if (updateActive_) {
        needsRepaint_ = true;
    } else if (autoFrameRate_) {
        needsRepaint_ = true;
        DoFrameRate();
    } else {
        DoRepaint();
    }
}

void TiComponent::BackGroundChange()
{
    backGroundChanged_ = true;
    InvalidateChange();
}

void TiComponent::InvalidateNow()
{
    DoRepaint();
}

void TiComponent::DoFrameRate()
{
    if (autoFrameRate_ && updateFrameRate_ != 0 && !FrameDue(lastUpdate_, updateFrameRate_)) return;
    DoRepaint();
}

void TiComponent::RepaintAll()
{
    BackGroundChange();
}

void TiComponent::BeginUpdate()
{
    updateActive_ = true;
}

void TiComponent::EndUpdate()
{
    updateActive_ = false;
    if (needsRepaint_) DoFrameRate();
}

bool TiComponent::GetLoading() const
{
    return loading_ || ComponentState().Contains(csLoading);
}

bool TiComponent::GetIsDesigning() const
{
    return ComponentState().Contains(csDesigning);
}

void TiComponent::SetEnabled(bool value)
{
    TCustomControl::SetEnabled(value);
    BackGroundChange();
}

// --- Data exchange and property files: this program connects none.

void TiComponent::OPCOutputData(const std::string&, double) {}
void TiComponent::SavePropertiesToFile(const std::string&) {}
void TiComponent::LoadPropertiesFromFile(const std::string&) {}

bool TiComponent::AllowPropertyChange(const std::string& PropertyName)
{
    bool allow = true;
    if (OnPropertyChangeRequest) OnPropertyChangeRequest(this, PropertyName, allow);
    return allow;
}

void TiComponent::NotifyPropertyChange(const std::string& PropertyName)
{
    if (OnPropertyChange) OnPropertyChange(this, PropertyName);
}

// --- Shared setters

void TiComponent::SetBooleanProperty(bool Value, bool& Field, TiRepaintType RepaintType)
{
    if (Value == Field) return;
    Field = Value;
    DoRepaintType(RepaintType);
}

void TiComponent::SetIntegerProperty(int32_t Value, int32_t& Field, TiRepaintType RepaintType)
{
    if (Value == Field) return;
    Field = Value;
    DoRepaintType(RepaintType);
}

void TiComponent::SetDoubleProperty(double Value, double& Field, TiRepaintType RepaintType)
{
    if (Value == Field) return;
    Field = Value;
    DoRepaintType(RepaintType);
}

void TiComponent::SetStringProperty(const std::string& Value, std::string& Field, TiRepaintType RepaintType)
{
    if (Value == Field) return;
    Field = Value;
    DoRepaintType(RepaintType);
}

void TiComponent::SetWideStringProperty(const std::wstring& Value, std::wstring& Field,
                                        TiRepaintType RepaintType)
{
    if (Value == Field) return;
    Field = Value;
    DoRepaintType(RepaintType);
}

void TiComponent::SetColorProperty(TColor Value, TColor& Field, TiRepaintType RepaintType)
{
    if (Value == Field) return;
    Field = Value;
    DoRepaintType(RepaintType);
}

// --- Painting

void TiComponent::Paint()
{
    PaintToDC();
}

void TiComponent::Resize()
{
    paintBitmap_.reset();
    TCustomControl::Resize();
}

// Every paint starts where the first one did, so that a widget draws the
// same pixels whatever the paint before it left: black pixels, the canvas's
// initial tools, and the DC's initial state (clipping, alignment, modes),
// which SaveDC here and RestoreDC after the paint bring back.
TCanvas* TiComponent::PaintCanvas(int32_t W, int32_t H)
{
    if (paintBitmap_ && (paintBitmap_->GetWidth() != W || paintBitmap_->GetHeight() != H)) paintBitmap_.reset();
    if (!paintBitmap_) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(W, H);
        paintBitmap_ = std::move(bitmap);
    } else {
        PatBlt(paintBitmap_->Canvas()->Handle(), 0, 0, W, H, BLACKNESS);
    }
    return paintBitmap_->Canvas();
}

void TiComponent::PaintToDC()
{
    try {
        Lock();
        struct Unlocker {
            TiComponent* self;
            ~Unlocker() { self->Unlock(); }
        } unlocker{this};
        const int32_t w = Width(), h = Height();
        if (w <= 0 || h <= 0) return;
        TCanvas* c = PaintCanvas(w, h);
        struct Restorer {
            TCanvas* canvas;
            int saved;
            ~Restorer()
            {
                canvas->ResetTools();
                RestoreDC(canvas->Handle(), saved);
            }
        } restorer{c, SaveDC(c->Handle())};
        c->Brush()->SetStyle(bsSolid);
        c->Pen()->SetStyle(psSolid);
        try {
            iPaintTo(c);
        } catch (const std::exception& e) {
            // A widget that cannot draw itself says why, in its own place.
            const std::string text = e.what();
            TRect r = ClientRect();
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(clBlack);
            c->FillRect(r);
            c->Font()->SetColor(clWhite);
            iDrawText(c, text, r, {itfWordBreak}, true, clBtnFace);
        }
        BitBlt(Canvas()->Handle(), 0, 0, w, h, c->Handle(), 0, 0, SRCCOPY);
    } catch (const Exception&) {
    }
}

// --- Focus and input

void TiComponent::iDoSetFocus()
{
    hasFocus_ = true;
    Invalidate();
}

void TiComponent::iDoKillFocus()
{
    hasFocus_ = false;
    try {
        iMouseUp(mbLeft, {}, 0, 0);
    } catch (...) {
    }
    Invalidate();
}

void TiComponent::iWantSpecialKey(WORD&, LRESULT&) {}
void TiComponent::iKeyUp(WORD&, TShiftState) {}
void TiComponent::iKeyDown(WORD&, TShiftState) {}
void TiComponent::iKeyPress(char&) {}
void TiComponent::iMouseDown(TMouseButton, TShiftState, int, int) {}
void TiComponent::iMouseUp(TMouseButton, TShiftState, int, int) {}
void TiComponent::iMouseMove(TShiftState, int, int) {}
void TiComponent::iDoubleClick() {}

bool TiComponent::iMouseWheel(int, TShiftState, TPoint)
{
    return false;
}

void TiComponent::KeyDown(WORD& Key, TShiftState Shift)
{
    try {
        TCustomControl::KeyDown(Key, Shift);
        iKeyDown(Key, Shift);
    } catch (...) {
    }
}

void TiComponent::KeyUp(WORD& Key, TShiftState Shift)
{
    try {
        TCustomControl::KeyUp(Key, Shift);
        iKeyUp(Key, Shift);
    } catch (...) {
    }
}

void TiComponent::KeyPress(char& Key)
{
    try {
        TCustomControl::KeyPress(Key);
        iKeyPress(Key);
    } catch (...) {
    }
}

void TiComponent::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    iMouseDown(Button, Shift, X, Y);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TiComponent::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    iMouseUp(Button, Shift, X, Y);
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TiComponent::MouseMove(TShiftState Shift, int X, int Y)
{
    iMouseMove(Shift, X, Y);
    TCustomControl::MouseMove(Shift, X, Y);
}

void TiComponent::DblClick()
{
    iDoubleClick();
    TCustomControl::DblClick();
}
