// The matcher: which skinned-control kind each control of a window gets.
// Framework controls are matched by class (the hierarchy, or the exact class
// name for classes the engine knows from other libraries) and by the skin
// data's SkinControls; the skin data's Skin3rd list maps further classes to
// kinds. Kinds are created by name through the kind registry.
#include <algorithm>
#include <cstring>

#include "components/typinfo.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "skin/winskinbutton.h"
#include "skin/winskinimage.h"
#include "skin/winsubclass.h"

namespace {

bool DerivedFrom(const TControl* control, std::initializer_list<const char*> classNames)
{
    for (const char* name : classNames)
        if (control->InheritsFrom(name)) return true;
    return false;
}

bool ClassIs(const std::string& upperClass, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (upperClass == name) return true;
    return false;
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

void SkinMenuProp(TSkinControlHost& host, TControl* control, const char* prop)
{
    if (auto* menu = dynamic_cast<TMenu*>(GetObjProp(control, prop))) host.SkinMenu(menu);
}

} // namespace

void TSkinControlList::NoSuchKind(const char* kind, const std::string& what)
{
    if (TSkinData* data = host_.HostSkinData())
        data->DoDebug(std::string("no such control here: ") + kind + " for " + what + " (left unskinned)");
}

TSkinControl* TSkinControlList::NewKind(const char* kind, TControl* control, bool recolor, int32_t kindValue,
                                        const std::function<void(TSkinControl*)>& prepare)
{
    TSkinData* data = host_.HostSkinData();
    TSkinControl* obj = CreateSkinKind(kind, control);
    if (!obj) {
        NoSuchKind(kind, control->ClassName() + " " + control->GetName());
        return nullptr;
    }
    obj->Kind = kindValue;
    obj->KindName = kind;
    if (prepare) prepare(obj);
    try {
        obj->Attach(&host_, data, recolor, host_.HostCanvas());
    } catch (...) {
        // A control that refuses the hook stays as it is.
        obj->Free();
        return nullptr;
    }
    return obj;
}

TSkinControl* TSkinControlList::NewKindh(const char* kind, HWND wnd)
{
    TSkinData* data = host_.HostSkinData();
    TSkinControl* obj = CreateSkinKind(kind, nullptr);
    if (!obj) {
        NoSuchKind(kind, "window of class " + GetWindowClassname(wnd));
        return nullptr;
    }
    obj->KindName = kind;
    obj->Inithwnd(wnd, data, &host_, host_.HostCanvas());
    if (!obj->Inited) {
        delete obj;
        return nullptr;
    }
    return obj;
}

void TSkinControlList::ChildrenOf(TControl* control, const std::function<void(TControl*)>& fn)
{
    auto* w = dynamic_cast<TWinControl*>(control);
    if (!w) return;
    std::vector<TControl*> children;
    for (int i = 0; i < w->ControlCount(); ++i)
        children.push_back(w->Controls(i));
    TSkinData* data = host_.HostSkinData();
    for (TControl* child : children) {
        if (data && child->Tag == data->DisableTag) continue;
        if (FindSkinComp(child)) continue;
        if (auto* cw = dynamic_cast<TWinControl*>(child)) {
            try {
                cw->HandleNeeded();
            } catch (...) {
                continue;
            }
        }
        fn(child);
    }
}

// --- Walking a form

void TSkinControlList::InitControls(TWinControl* form)
{
    DeleteSkinDeleted();
    InitControlA(form);
}

void TSkinControlList::InitControlA(TComponent* container)
{
    if (!container) return;
    for (int i = 0; i < container->ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TControl*>(container->Components(i))) AddComp(control, container);
    TSkinData* data = host_.HostSkinData();
    if (data && data->SkinControls.Contains(xcPopupMenu))
        for (int i = 0; i < container->ComponentCount(); ++i)
            if (auto* menu = dynamic_cast<TPopupMenu*>(container->Components(i))) host_.SkinMenu(menu);
}

void TSkinControlList::InitChildCtrl(TWinControl* container)
{
    if (!container) return;
    std::vector<TControl*> children;
    for (int i = 0; i < container->ControlCount(); ++i)
        children.push_back(container->Controls(i));
    for (TControl* child : children)
        AddComp(child, container);
}

bool TSkinControlList::FindSkinComp(TControl* control)
{
    if (FindObject(control)) return true;
    return control->Perform(WM_SKIN_CONTROLSKINNED) == 1;
}

void TSkinControlList::DisableControl(TControl* control)
{
    auto* w = dynamic_cast<TWinControl*>(control);
    if (!w || w->ControlCount() == 0) return;
    const std::string cls = LowerCase(control->ClassName());
    if (!Contains(cls, "radiogroup") && !Contains(cls, "checkgroup")) return;
    // The group's own buttons would otherwise be matched one by one later.
    for (int i = 0; i < w->ControlCount(); ++i)
        w->Controls(i)->Tag = control->Tag;
}

bool TSkinControlList::IsScrollControl(TControl* control)
{
    if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated()) {
        const LONG style = GetWindowLongA(w->GetHandleIfAllocated(), GWL_STYLE);
        if (style & (WS_HSCROLL | WS_VSCROLL)) return true;
    }
    return DerivedFrom(control, {"TListBox", "TMemo", "TCustomListBox", "TCustomTreeView", "TScrollBox"});
}

void TSkinControlList::DoSkinEdit(TControl* control)
{
    TSkinData* data = host_.HostSkinData();
    if (data && data->SkinControls.Contains(xcEdit)) NewKind("TSkinEdit", control, false);
}

void TSkinControlList::InitNestform(TControl* control)
{
    NewKind("TSkinBox", control, true);
    InitControlA(control);
    for (int i = 0; i < control->ComponentCount(); ++i)
        if (auto* menu = dynamic_cast<TPopupMenu*>(control->Components(i))) host_.SkinMenu(menu);
}

void TSkinControlList::SkinToolBar(TToolBar* bar)
{
    SetProperty(bar, "Flat", "True");
    TSkinToolBarHandlers& handlers = SkinToolBarHandlers();
    TSkinControlHost* host = &host_;
    TGivenHandlers given{bar, false, false};
    if (!bar->OnCustomDraw && handlers.DrawBackground) {
        bar->OnCustomDraw = [host](TToolBar* sender, const TRect& rect, bool& defaultDraw) {
            if (auto& fn = SkinToolBarHandlers().DrawBackground) fn(*host, sender, rect, defaultDraw);
        };
        given.Background = true;
    }
    if (!bar->OnCustomDrawButton && handlers.DrawButton) {
        bar->OnCustomDrawButton = [host](TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                         bool& defaultDraw) {
            if (auto& fn = SkinToolBarHandlers().DrawButton) fn(*host, sender, button, state, defaultDraw);
        };
        given.Button = true;
    }
    if (given.Background || given.Button) {
        ForgetToolBar(bar);
        toolBars_.push_back(given);
    }
    NewKind("TSkinBox", bar, false);
    SkinMenuProp(host_, bar, "Menu");
    bar->Invalidate();
}

// --- One control

void TSkinControlList::AddComp(TControl* control, TComponent* container)
{
    TSkinData* data = host_.HostSkinData();
    if (!control || !data) return;
    // 1. Kept unskinned on purpose.
    if (control->Tag == data->DisableTag) {
        DisableControl(control);
        return;
    }
    // 2.
    if (!control->Parent() || FindSkinComp(control)) return;
    // 3.
    const std::string cls = UpperCase(control->ClassName());
    if (auto* w = dynamic_cast<TWinControl*>(control); w && !w->HandleAllocated()) {
        try {
            w->HandleNeeded();
        } catch (...) {
            return;
        }
        if (!w->HandleAllocated()) return;
    }
    // 4. The program's own choice comes first.
    if (data->OnSkinControl) {
        TComponent* result = nullptr;
        data->OnSkinControl(dynamic_cast<TComponent*>(&host_), data, dynamic_cast<TControl*>(container),
                            control, cls, result);
        if (result) {
            if (auto* obj = dynamic_cast<TSkinControl*>(result)) {
                if (std::find(items_.begin(), items_.end(), obj) == items_.end())
                    obj->Init(&host_, data, obj->Recolor, host_.HostCanvas());
                if (control->InheritsFrom("TCustomPanel")) InitChildCtrl(dynamic_cast<TWinControl*>(control));
            }
            return;
        }
    }
    // 5.
    if (Find3rdControl(cls, control)) return;
    if (ClassIs(cls, {"TDBCOMBOBOXEH", "TFRDESIGNERPAGE", "TFRPBOX"})) return;
    // 6.
    MatchRow(control, cls, container);
}

bool TSkinControlList::MatchRow(TControl* control, const std::string& cls, TComponent* container)
{
    TSkinData* data = host_.HostSkinData();
    const TSkinControlTypes on = data->SkinControls;
    auto* w = dynamic_cast<TWinControl*>(control);
    (void)container;

    if (DerivedFrom(control, {"TCustomTabControl"}) && on.Contains(xcTab)) { // 1
        const bool buttons = control->InheritsFrom("TPageControl") &&
                             LowerCase(GetEnumProperty(control, "Style")) != "tstabs" &&
                             !GetEnumProperty(control, "Style").empty();
        NewKind(buttons ? "TSkinTabBtn" : "TSkinTab", control, false);
        return true;
    }
    if (DerivedFrom(control, {"TToolButton"}) && on.Contains(xcMainMenu)) { // 2
        SkinMenuProp(host_, control, "DropdownMenu");
        return true;
    }
    // Bands carry their own colours; the framework has no band bar, so there
    // is nothing to recolour here, but the control is claimed all the same.
    if (DerivedFrom(control, {"TCoolBar"}) && on.Contains(xcToolbar)) return true; // 3
    if (ClassIs(cls, {"TTABSET"}) && on.Contains(xcTab))
        return NewKind("TSkinTab31", control, false), true;        // 4
    if (DerivedFrom(control, {"TTabSheet"}) && on.Contains(xcTab)) // 5
        return NewKind("TSkinTabSheet", control, false), true;
    if (ClassIs(cls, {"TTABBEDNOTEBOOK"}) && on.Contains(xcTab))
        return NewKind("TSkinTab", control, false), true;
    if (ClassIs(cls, {"TMVCPANEL"})) return InitChildCtrl(w), true;       // 7
    if (DerivedFrom(control, {"THeaderControl"}) && on.Contains(xcPanel)) // 8
        return NewKind("TSkinHeader", control, false), true;
    // The framework's check box has no abstract base of its own.
    if (DerivedFrom(control, {"TCustomCheckBox", "TCheckBox"}) && on.Contains(xcCheckBox)) // 9
        return NewKind("TSkinCheckBox", control, false), true;
    if (DerivedFrom(control, {"TTrackBar"}) && on.Contains(xcTrackBar)) // 10
        return NewKind("TSkinTrackBar", control, false), true;
    // By exact name: descendants may paint themselves in ways the spinner
    // painting does not know.
    if (ClassIs(cls, {"TUPDOWN", "TSPINBUTTON"}) && on.Contains(xcSpin)) // 11
        return NewKind("TSkinUpDown", control, false), true;
    if (ClassIs(cls, {"TMEDIAPLAYER"}) && on.Contains(xcButton))
        return NewKind("TSkinMP", control, false), true;
    if (DerivedFrom(control, {"TCustomRadioGroup"}) && on.Contains(xcRadioButton)) { // 13
        ChildrenOf(control, [&](TControl* child) { NewKind("TSkinRadioButton", child, false); });
        NewKind("TSkinGroupBox", control, true);
        return true;
    }
    if (ClassIs(cls, {"TDBNAVIGATOR"}) && on.Contains(xcPanel)) { // 14
        NewKind("TSkinBox", control, true);
        InitChildCtrl(w);
        return true;
    }
    if (ClassIs(cls, {"TRZCHECKBOX", "TRZDBCHECKBOX"}) && on.Contains(xcCheckBox)) // 15
        return NewKind("TSkinObjImage", control, false, 1), true;
    if (ClassIs(cls, {"TRZRADIOBUTTON", "TRZDBRADIOBUTTON"}) && on.Contains(xcRadioButton)) // 16
        return NewKind("TSkinObjImage", control, false, 2), true;
    if (ClassIs(cls, {"TCXCHECKBOX", "TCXDBCHECKBOX"}) && on.Contains(xcCheckBox)) // 17
        return NewKind("TSkinObjImage", control, false, 3), true;
    if (DerivedFrom(control, {"TCustomGroupBox"}) && on.Contains(xcPanel)) { // 18
        InitChildCtrl(w);
        NewKind("TSkinGroupBox", control, false);
        return true;
    }
    if (DerivedFrom(control, {"TRadioButton"}) && on.Contains(xcRadioButton)) // 19
        return NewKind("TSkinRadioButton", control, false), true;
    if (DerivedFrom(control, {"TToolBar"}) && on.Contains(xcToolbar)) { // 20
        if (auto* bar = dynamic_cast<TToolBar*>(control))
            SkinToolBar(bar);
        else
            NewKind("TSkinBox", control, false);
        return true;
    }
    if (DerivedFrom(control, {"TCustomStatusBar"}) && on.Contains(xcStatusBar)) // 21
        return NewKind("TSkinStatusBar", control, false), true;
    if (DerivedFrom(control, {"TProgressBar"}) && on.Contains(xcProgress)) // 22
        return NewKind("TSkinProgress", control, false), true;
    if (DerivedFrom(control, {"TScrollBar"}) && on.Contains(xcScrollbar)) // 23
        return NewKind("TSkinScControl", control, false), true;
    if ((ClassIs(cls, {"TTNTCOMBOBOX"}) || DerivedFrom(control, {"TCustomComboBox"})) && on.Contains(xcCombo))
        return NewKind("TSkinComBox", control, false), true;                // 24
    if (DerivedFrom(control, {"TDateTimePicker"}) && on.Contains(xcEdit)) { // 25
        const bool editLike = LowerCase(GetEnumProperty(control, "DateMode")) == "dmupdown" ||
                              LowerCase(GetEnumProperty(control, "Kind")) == "dtktime";
        NewKind(editLike ? "TSkinEdit" : "TSkinDateTime", control, false);
        return true;
    }
    if (ClassIs(cls, {"TRICHEDIT", "TWWDBRICHEDIT", "TDXDBMEMO"}) && on.Contains(xcScrollbar)) // 26
        return NewKind("TSkinScrollbar", control, false), true;
    // A bitmap button is a push button too, but without xcBitBtn it keeps
    // its own look rather than becoming a plain skinned push button.
    if (DerivedFrom(control, {"TBitBtn"})) { // 27
        if (on.Contains(xcBitBtn)) NewKind("TSkinBitButton", control, false);
        return true;
    }
    if (DerivedFrom(control, {"TSpeedButton"}) && on.Contains(xcSpeedButton)) // 28
        return NewKind("TSkinSpeedButton", control, false), true;
    if (DerivedFrom(control, {"TCustomPanel"}) && on.Contains(xcPanel)) { // 29
        InitChildCtrl(w);
        NewKind("TSkinBox", control, true);
        return true;
    }
    if (ClassIs(cls, {"TDXTREELIST", "TDXDBTREELIST", "TDXDBGRID"}) && on.Contains(xcScrollbar)) // 30
        return NewKind("TSkinScrollbar", control, false), true;
    if (DerivedFrom(control, {"TCustomListView"}) && on.Contains(xcScrollbar)) // 31
        return NewKind("TSkinListView", control, false), true;
    if (DerivedFrom(control, {"TCustomMemo", "TCustomGrid"}) && on.Contains(xcScrollbar)) // 32
        return NewKind("TSkinScrollbar", control, false), true;
    if (IsScrollControl(control) && on.Contains(xcScrollbar)) // 33
        return NewKind("TSkinScrollbar", control, false), true;
    if (DerivedFrom(control, {"TButton"}) && on.Contains(xcButton)) // 34
        return NewKind("TSkinButton", control, false), true;
    if (DerivedFrom(control, {"TCustomEdit"}) && on.Contains(xcEdit)) return DoSkinEdit(control), true; // 35
    if (ClassIs(cls, {"TDCEDIT", "TDCDBEDIT"})) {                                                       // 36
        const int buttons = GetIntProperty(control, "NumButtons");
        if (buttons == 1 && on.Contains(xcCombo)) return NewKind("TSkinComBox", control, false), true;
        if (buttons == 0 && on.Contains(xcEdit) && w) return NewKindh("TSkinEdit", w->Handle()), true;
    }
    if (DerivedFrom(control, {"TCustomFrame"})) return InitControlA(control), true; // 37
    if (DerivedFrom(control, {"TCustomForm"})) return InitNestform(control), true;  // 38
    return false;
}
