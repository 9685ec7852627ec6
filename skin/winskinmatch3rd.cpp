// Matching through the skin data's Skin3rd list: "classname=kind" lines that
// map classes of other component libraries to skinned-control kinds. A class
// with a line is claimed even when its kind cannot be given here, so that no
// later rule skins it some other way.
#include "components/typinfo.h"
#include "skin/winskinbutton.h"
#include "skin/winsubclass.h"

namespace {

bool IsScrollBarControl(TControl* control)
{
    return control->InheritsFrom("TScrollBar") ||
           LowerCase(control->ClassName()).find("scrollbar") != std::string::npos;
}

} // namespace

bool TSkinControlList::Find3rdControl(const std::string& className, TControl* control)
{
    TSkinData* data = host_.HostSkinData();
    if (!data || !control) return false;
    const std::string key = LowerCase(className) + "=";
    std::string kind;
    bool found = false;
    TStrings& lines = data->Skin3rd();
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string line = LowerCase(lines.Get(i));
        if (line.compare(0, key.size(), key) != 0) continue;
        kind = Trim(line.substr(line.find('=') + 1, 50));
        found = true;
        break;
    }
    if (!found) return false;

    const TSkinControlTypes on = data->SkinControls;
    auto children = [&](const std::function<void(TControl*)>& fn) { ChildrenOf(control, fn); };
    auto* w = dynamic_cast<TWinControl*>(control);

    if (kind == "nil") {
        // Listed to stay as it is.
    } else if (kind == "combobox" || kind == "comboboxex") {
        if (on.Contains(xcCombo)) NewKind("TSkinComBox", control, false, kind == "comboboxex" ? 1 : 0);
    } else if (kind == "edit") {
        if (on.Contains(xcEdit) && w) {
            RECT wr, cr;
            HWND h = w->Handle();
            GetWindowRect(h, &wr);
            GetClientRect(h, &cr);
            // Only an edit with a border has anything for the skin to draw.
            if (wr.right - wr.left > cr.right || wr.bottom - wr.top > cr.bottom)
                NewKind("TSkinEdit", control, false);
        }
    } else if (kind == "radiobutton") {
        if (on.Contains(xcRadioButton)) NewKind("TSkinRadioButton", control, false);
    } else if (kind == "panel") {
        if (on.Contains(xcPanel)) {
            SetProperty(control, "Transparent", "True");
            NewKind("TSkinBox", control, true);
        }
    } else if (kind == "trackbar") {
        if (on.Contains(xcButton)) {
            SetProperty(control, "Transparent", "True");
            NewKind("TSkinTrackBar", control, false);
        }
    } else if (kind == "button") {
        if (on.Contains(xcButton)) NewKind("TSkinButton", control, false);
    } else if (kind == "datetimepicker") {
        if (on.Contains(xcCombo)) NewKind("TSkinDateTime", control, false);
    } else if (kind == "mediaplayer") {
        if (on.Contains(xcButton)) NewKind("TSkinMP", control, false);
    } else if (kind == "bitbtn") {
        if (on.Contains(xcButton)) {
            const bool dropDown =
                key == "tcxbutton=" && LowerCase(GetEnumProperty(control, "Kind")) == "cxbkdropdownbutton";
            NewKind(dropDown ? "TSkinMenuButton" : "TSkinBitButton", control, false);
        }
    } else if (kind == "pngbitbtn" || kind == "pngspeedbutton") {
        if (on.Contains(xcButton)) {
            NewKind(kind == "pngspeedbutton" ? "TSkinSpeedButton" : "TSkinBitButton", control, false, 0,
                    [](TSkinControl* obj) {
                        if (auto* button = dynamic_cast<TSkinButton*>(obj)) button->PictureProp = "PngImage";
                    });
        }
    } else if (kind == "menubtn") {
        if (on.Contains(xcButton)) NewKind("TSkinMenuButton", control, false);
    } else if (kind == "speedbutton") {
        if (on.Contains(xcSpeedButton)) NewKind("TSkinSpeedButton", control, false);
    } else if (kind == "tab") {
        if (on.Contains(xcTab) && data->Tabs) NewKind("TSkinTab", control, false);
    } else if (kind == "progress") {
        if (on.Contains(xcProgress)) NewKind("TSkinProgress", control, false);
    } else if (kind == "scrollbar") {
        if (on.Contains(xcScrollbar)) {
            NewKind("TSkinScrollbar", control, false);
            InitChildCtrl(w);
        }
    } else if (kind == "singlescrollbar") {
        if (on.Contains(xcScrollbar)) NewKind("TSkinScrollbar", control, false, 1);
    } else if (kind == "embedscrollbar") {
        if (on.Contains(xcScrollbar))
            children([&](TControl* child) {
                if (IsScrollBarControl(child))
                    NewKind("TSkinScControl", child, false);
                else if (IsScrollControl(child))
                    NewKind("TSkinScrollbar", child, false);
            });
    } else if (kind == "container") {
        InitChildCtrl(w);
    } else if (kind == "groupbox") {
        if (on.Contains(xcGroupBox)) NewKind("TSkinGroupBox", control, true);
    } else if (kind == "advpagecontrol") {
        if (on.Contains(xcTab)) NewKind("TSkinAdvPage", control, true);
    } else if (kind == "radiogroup") {
        if (on.Contains(xcGroupBox)) {
            if (on.Contains(xcRadioButton))
                children([&](TControl* child) {
                    if (UpperCase(child->ClassName()).find("TRZ") != std::string::npos)
                        NewKind("TSkinObjImage", child, false, 2);
                    else
                        NewKind("TSkinRadioButton", child, false);
                });
            NewKind("TSkinGroupBox", control, true);
        }
    } else if (kind == "checkgroup") {
        if (on.Contains(xcPanel)) {
            if (on.Contains(xcRadioButton))
                children([&](TControl* child) {
                    if (UpperCase(child->ClassName()).find("TRZ") != std::string::npos)
                        NewKind("TSkinObjImage", child, false, 1);
                    else
                        NewKind("TSkinCheckBox", child, false);
                });
            if (on.Contains(xcGroupBox)) NewKind("TSkinGroupBox", control, true);
        }
    } else if (kind == "checkbox") {
        if (on.Contains(xcCheckBox)) NewKind("TSkinCheckBox", control, false);
    }
    return true;
}
