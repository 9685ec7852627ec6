// Matching the children of a window without a framework form (message
// boxes, dialogs of other modules) by window class and style. Objects made
// here belong to the control list and hook the window procedure.
#include <algorithm>

#include "components/typinfo.h"
#include "skin/winskinimage.h"
#include "skin/winsubclass.h"

#include <commctrl.h>

namespace {

void RecolorFrameworkControl(HWND wnd, TSkinData* data)
{
    if (TWinControl* control = FindControl(wnd)) SetIntProperty(control, "Color", data->Colors[csButtonFace]);
}

} // namespace

void TSkinControlList::InitHwndControls(HWND wnd)
{
    DeleteSkinDeleted();
    std::vector<HWND> children;
    for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children)
        AddControlh(child);
}

void TSkinControlList::AddControlh(HWND wnd)
{
    TSkinData* data = host_.HostSkinData();
    if (!data || !IsWindow(wnd)) return;
    const LONG style = GetWindowLongA(wnd, GWL_STYLE);
    if (!(style & WS_CHILD)) return;
    if (std::find(seen_.begin(), seen_.end(), wnd) != seen_.end()) return;
    if (FindObject(wnd) || SendMessageA(wnd, WM_SKIN_CONTROLSKINNED, 0, 0) == 1) return;
    seen_.push_back(wnd);

    const std::string cls = LowerCase(GetWindowClassname(wnd));
    const TSkinControlTypes on = data->SkinControls;

    if (cls == "button") {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_OWNERDRAW || type == BS_GROUPBOX || (style & BS_BITMAP)) return;
        switch (type) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
            if (on.Contains(xcCheckBox)) NewKindh("TSkinCheckBox", wnd);
            return;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            if (on.Contains(xcRadioButton)) NewKindh("TSkinRadioButton", wnd);
            return;
        default:
            if (on.Contains(xcButton)) NewKindh("TSkinButton", wnd);
            return;
        }
    }
    if (cls == "combobox") {
        if ((style & 3) != CBS_SIMPLE && on.Contains(xcCombo)) NewKindh("TSkinComBox", wnd);
        return;
    }
    if (cls == "comboboxex32") {
        if (on.Contains(xcCombo))
            if (HWND inner = FindWindowExA(wnd, nullptr, "ComboBox", nullptr)) NewKindh("TSkinComBox", inner);
        return;
    }
    if (cls == "scrollbar") {
        if (!(style & WS_TABSTOP)) NewKindh("TSkinSizer", wnd);
        return;
    }
    if (cls == "systreeview32") return;
    if (cls == "#32770") {
        if (!(style & WS_TABSTOP)) {
            InitHwndControls(wnd);
            NewKindh("TSkinBoxH", wnd);
        }
        return;
    }
    if (cls == "tpanel" || cls == "ttntpanel.unicodeclass" || cls == "ttntsilentpaintpanel.unicodeclass") {
        InitHwndControls(wnd);
        RecolorFrameworkControl(wnd, data);
        return;
    }
    if (cls == "tcheckbox") {
        if (on.Contains(xcCheckBox)) NewKindh("TSkinCheckBox", wnd);
        return;
    }
    if (cls == "tcombobox") {
        if (on.Contains(xcCombo)) NewKindh("TSkinComBox", wnd);
        return;
    }
    if (cls == "tbutton") {
        if (on.Contains(xcButton)) NewKindh("TSkinButton", wnd);
        return;
    }
    if (cls == "tprogressbar") {
        NewKindh("TSkinProgress", wnd);
        return;
    }
    if (cls == "tsilentpaintpanel") {
        RecolorFrameworkControl(wnd, data);
        return;
    }
    if (cls == "systabcontrol32") {
        if (on.Contains(xcTab) && !(style & TCS_BUTTONS)) NewKindh("TSkinTab", wnd);
        return;
    }
    if (cls == "toolbarwindow32") {
        NewKindh("TSkinBoxH", wnd);
        return;
    }
    if (cls == "edit") {
        if (on.Contains(xcEdit)) NewKindh("TSkinEdit", wnd);
        return;
    }
}
