// Shared pieces of the skinned-control tests: our default skin, a host that
// stands in for the skinned frame, a form made of the main window's control
// kinds, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "skin/winsubclass.h"

#ifndef ORVANE_DEFAULT_SKIN_PACKAGE_PATH
#define ORVANE_DEFAULT_SKIN_PACKAGE_PATH "/work/main/assets/skin.pkg"
#endif

namespace skintest {

// Our default skin, loaded without registering with any skin manager (a
// dialog-type component does not ask for the skin to be applied).
inline void LoadDefaultSkin(TSkinData& data)
{
    data.SkinFormtype = sfDialog;
    TMemoryStream package;
    package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
    data.LoadFromStream(package);
}

// What the skinned frame gives its controls, for a plain test form.
class TTestHost : public TSkinControlHost {
public:
    TTestHost(TCustomForm* form, TSkinData* data) : form_(form), data_(data) {}
    HWND HostHandle() override { return form_ ? form_->Handle() : wnd_; }
    TCustomForm* HostForm() override { return form_; }
    TSkinData* HostSkinData() override { return data_; }
    TCanvas* HostCanvas() override { return &canvas_; }
    bool HostActive() override { return true; }
    TSkinControlList& HostControls() override { return list_; }
    void SkinMenu(TMenu* menu) override { skinnedMenus.push_back(menu); }

    TSkinControlList& List() { return list_; }
    void SetWindow(HWND wnd) { wnd_ = wnd; }
    std::vector<TMenu*> skinnedMenus;

private:
    TCustomForm* form_;
    TSkinData* data_;
    HWND wnd_ = nullptr;
    TCanvas canvas_;
    TSkinControlList list_{*this}; // last: released first
};

// Kinds another unit builds may not be linked into this program: stand-ins
// of the base class let the tests see which kind the matcher asked for.
// Answers the names it registered, for RemoveStandIns.
inline std::vector<std::string> RegisterStandIns()
{
    std::vector<std::string> added;
    for (const char* kind : {"TSkinEdit", "TSkinUpDown", "TSkinCheckBox", "TSkinRadioButton", "TSkinGroupBox",
                             "TSkinBox", "TSkinScrollbar"}) {
        if (SkinKindRegistered(kind)) continue;
        RegisterSkinKind(kind, [](TComponent* o) -> TSkinControl* { return new TSkinControl(o); });
        added.push_back(kind);
    }
    return added;
}

inline void RemoveStandIns(const std::vector<std::string>& added)
{
    for (const std::string& kind : added)
        RegisterSkinKind(kind, nullptr);
}

// The kind each control under root got, by control name ("" for none).
// Controls without a name (a radio group's buttons) go by parent and caption.
inline std::map<std::string, std::string> KindsOf(TSkinControlList& list, TWinControl* root)
{
    std::map<std::string, std::string> kinds;
    std::vector<TWinControl*> stack{root};
    while (!stack.empty()) {
        TWinControl* parent = stack.back();
        stack.pop_back();
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* control = parent->Controls(i);
            if (auto* w = dynamic_cast<TWinControl*>(control)) stack.push_back(w);
            std::string name = control->GetName();
            if (name.empty()) name = parent->GetName() + "." + control->Caption();
            TSkinControl* obj = list.FindObject(control);
            kinds[name] = obj ? obj->KindName : "";
        }
    }
    return kinds;
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

inline int ThreadWindows()
{
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) {
            ++*reinterpret_cast<int*>(p);
            EnumChildWindows(
                wnd, [](HWND, LPARAM q) { return ++*reinterpret_cast<int*>(q), TRUE; }, p);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

// A stand-in for an instrument widget: a self-drawn windowed control of a
// class no matcher row knows.
class TiTestWidget : public TCustomControl {
    ORVANE_CLASS(TiTestWidget, TCustomControl)
    explicit TiTestWidget(TComponent* AOwner) : TCustomControl(AOwner) {}
};
inline const TClassInfo& TiTestWidget::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiTestWidget>();
    return info;
}

// The main window's kinds of controls, as its layout places them.
constexpr const char* kPanelLayout = R"(object Form1: TForm
  Left = 40
  Top = 40
  Width = 640
  Height = 480
  Caption = 'Skinned controls'
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 632
    Height = 446
    Align = alClient
    object Shape1: TShape
      Left = 8
      Top = 8
      Width = 40
      Height = 20
    end
    object Image1: TImage
      Left = 56
      Top = 8
      Width = 20
      Height = 20
    end
    object Label1: TLabel
      Left = 88
      Top = 8
      Caption = 'Disconnect'
    end
    object iSlider1: TiTestWidget
      Left = 8
      Top = 40
      Width = 200
      Height = 30
    end
    object Edit1: TEdit
      Left = 8
      Top = 80
      Width = 40
      Height = 21
      Text = '-20'
    end
    object UpDown1: TUpDown
      Left = 48
      Top = 80
      Width = 16
      Height = 21
      Associate = Edit1
      Min = -20
      Max = 20
    end
    object Edit2: TEdit
      Left = 80
      Top = 80
      Width = 40
      Height = 21
    end
    object UpDown2: TUpDown
      Left = 120
      Top = 80
      Width = 16
      Height = 21
      Associate = Edit2
    end
    object Edit3: TEdit
      Left = 152
      Top = 80
      Width = 40
      Height = 21
    end
    object UpDown3: TUpDown
      Left = 192
      Top = 80
      Width = 16
      Height = 21
      Associate = Edit3
    end
    object GroupBox1: TGroupBox
      Left = 8
      Top = 120
      Width = 300
      Height = 90
      Caption = 'Brightness'
      object Label4: TLabel
        Left = 8
        Top = 20
        Caption = 'Number'
      end
      object Edit4: TEdit
        Left = 100
        Top = 20
        Width = 40
        Height = 21
      end
      object UpDown4: TUpDown
        Left = 140
        Top = 20
        Width = 16
        Height = 21
        Associate = Edit4
      end
      object Edit5: TEdit
        Left = 180
        Top = 20
        Width = 40
        Height = 21
      end
      object UpDown5: TUpDown
        Left = 220
        Top = 20
        Width = 16
        Height = 21
        Associate = Edit5
      end
      object CheckBox1: TCheckBox
        Left = 8
        Top = 56
        Width = 120
        Height = 17
        Caption = 'Auto brightness'
      end
    end
    object GroupBox2: TGroupBox
      Left = 320
      Top = 120
      Width = 300
      Height = 90
      Caption = 'Alarm'
      object Edit6: TEdit
        Left = 100
        Top = 20
        Width = 40
        Height = 21
      end
      object UpDown6: TUpDown
        Left = 140
        Top = 20
        Width = 16
        Height = 21
        Associate = Edit6
      end
    end
    object RadioGroup1: TRadioGroup
      Left = 8
      Top = 220
      Width = 200
      Height = 100
      Caption = 'Input'
      Items.Strings = (
        'dB'
        'dBA'
        'dBC')
    end
    object SpeedButton1: TSpeedButton
      Left = 320
      Top = 240
      Width = 90
      Height = 30
      Caption = 'Self Check'
      Flat = True
    end
    object SpeedButton2: TSpeedButton
      Left = 420
      Top = 240
      Width = 90
      Height = 30
      Caption = 'Save Parameter'
      Flat = True
    end
    object SpeedButton3: TSpeedButton
      Left = 320
      Top = 280
      Width = 90
      Height = 30
      Caption = 'Default Parameter'
      Flat = True
    end
    object SpeedButton4: TSpeedButton
      Left = 420
      Top = 280
      Width = 90
      Height = 30
      Caption = 'Debug'
      Flat = True
      Visible = False
    end
  end
end
)";

class TPanelLikeForm : public TForm {
public:
    explicit TPanelLikeForm(TComponent* AOwner, std::string_view layout = kPanelLayout) : TForm(AOwner)
    {
        LoadLayout(layout);
    }
};

} // namespace skintest
