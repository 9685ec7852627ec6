// A small component family for the component, layout and fuzz tests: a form
// with handlers and fields, a control with a property of every kind, an owned
// font, defined properties and a non-visual component.
#pragma once

#include <string>
#include <vector>

#include "components/component.h"
#include "components/layoutreader.h"
#include "components/layoutwriter.h"

ORVANE_ENUM(TTestAlignment, taLeftJustify, taRightJustify, taCenter)
ORVANE_ENUM(TTestFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TTestFontStyles = TSet<TTestFontStyle>;
ORVANE_EVENT(TTestKeyPressEvent, void(TObject* Sender, char& Key));
ORVANE_EVENT(TTestChangingEvent, void(TObject* Sender, bool& AllowChange));

class TTestFont : public TPersistent {
    ORVANE_CLASS(TTestFont, TPersistent)
    int32_t Height = -11;
    TColor Color = clWindowText;
    std::string Name = "MS Sans Serif";
    TTestFontStyles Style;

    void Assign(const TPersistent* source) override
    {
        if (auto* f = dynamic_cast<const TTestFont*>(source)) {
            Height = f->Height;
            Color = f->Color;
            Name = f->Name;
            Style = f->Style;
            return;
        }
        TPersistent::Assign(source);
    }
};

inline const TClassInfo& TTestFont::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TTestFont>()
            .Int("Height", &TTestFont::Height, &TTestFont::Height)
            .Color("Color", &TTestFont::Color, &TTestFont::Color, clWindowText)
            .String("Name", &TTestFont::Name, &TTestFont::Name, "MS Sans Serif")
            .Set("Style", &TTestFont::Style, &TTestFont::Style, TTestFontStyles{});
    return info;
}

// Shared record of what the reader did, in order.
inline std::vector<std::string>& TestLog()
{
    static std::vector<std::string> log;
    return log;
}

class TTestControl : public TComponent {
    ORVANE_CLASS(TTestControl, TComponent)
    explicit TTestControl(TComponent* owner) : TComponent(owner) {}
    ~TTestControl() override
    {
        TestLog().push_back("free " + GetName());
        if (associate_) associate_->RemoveFreeNotification(this);
    }

    int32_t GetLeft() const { return left_; }
    void SetLeft(int32_t v)
    {
        left_ = v;
        leftSetWhileLoading = ComponentState().Contains(csLoading) && ComponentState().Contains(csReading);
    }
    TTestControl* GetAssociate() const { return associate_; }
    void SetAssociate(TTestControl* c)
    {
        if (associate_) associate_->RemoveFreeNotification(this);
        associate_ = c;
        if (c) c->FreeNotification(this);
    }
    TStrings* GetItems() { return &items_; }
    void SetItems(const TStrings& s) { items_.Assign(s); }
    TTestFont* GetFont() { return &font_; }
    void SetFont(TTestFont* f) { font_.Assign(f); }

    void SetParentComponent(TComponent* parent) override { Parent = parent; }
    TComponent* GetParentComponent() const override { return Parent; }
    bool HasParent() const override { return true; }

    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCount;
        // Everything of the layout exists and references are resolved.
        componentsAtLoaded = Owner() ? Owner()->ComponentCount() : -1;
        TestLog().push_back("loaded " + GetName());
    }

    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == opRemove && c == associate_) associate_ = nullptr;
    }

    void DefineProperties(TFiler& filer) override
    {
        TComponent::DefineProperties(filer);
        filer.DefineProperty(
            "PositionMax_2", [this](TReader& r) { positionMax2 = r.ReadFloat(); },
            [this](TWriter& w) { w.WriteFloat(positionMax2); }, true);
        filer.DefineBinaryProperty(
            "SkinStream",
            [this](TStream& s) {
                const int32_t n = s.ReadInt32();
                // The count comes from the layout: trust it only as far as the data goes.
                if (n > s.GetSize() - s.GetPosition()) throw EReadError("Stream read error");
                skin.assign(n > 0 ? static_cast<size_t>(n) : 0, 0);
                if (n > 0) s.ReadBuffer(skin.data(), n);
            },
            [this](TStream& s) {
                s.WriteInt32(static_cast<int32_t>(skin.size()));
                s.WriteBuffer(skin.data(), static_cast<int64_t>(skin.size()));
            },
            !skin.empty());
    }

    // Published state.
    int32_t Top = 0;
    int64_t Big = 0;
    char Character = 'A';
    bool Visible = true;
    TTestAlignment Alignment = taLeftJustify;
    TColor Color = clBtnFace;
    double Position = 0;
    std::string Caption;
    TNotifyEvent OnClick;
    TTestKeyPressEvent OnKeyPress;
    TTestChangingEvent OnChanging;
    TComponent* Parent = nullptr;

    // What the tests look at.
    bool leftSetWhileLoading = false;
    int loadedCount = 0;
    int componentsAtLoaded = 0;
    double positionMax2 = 0;
    std::vector<uint8_t> skin;

private:
    int32_t left_ = 0;
    TTestControl* associate_ = nullptr;
    TStringList items_;
    TTestFont font_;
};

inline const TClassInfo& TTestControl::StaticClass()
{
    using T = TTestControl;
    static const TClassInfo& info = PublishClass<T>()
                                        .Int("Left", &T::GetLeft, &T::SetLeft)
                                        .Int("Top", &T::Top, &T::Top, 0)
                                        .Int("Big", &T::Big, &T::Big, 0)
                                        .Char("Character", &T::Character, &T::Character)
                                        .Bool("Visible", &T::Visible, &T::Visible, true)
                                        .Enum("Alignment", &T::Alignment, &T::Alignment, taLeftJustify)
                                        .Color("Color", &T::Color, &T::Color, clBtnFace)
                                        .Float("Position", &T::Position, &T::Position)
                                        .String("Caption", &T::Caption, &T::Caption)
                                        .Object("Font", &T::GetFont, &T::SetFont)
                                        .Object("Associate", &T::GetAssociate, &T::SetAssociate)
                                        .Strings("Items", &T::GetItems, &T::SetItems)
                                        .Event("OnClick", &T::OnClick)
                                        .Event("OnKeyPress", &T::OnKeyPress)
                                        .Event("OnChanging", &T::OnChanging);
    return info;
}

// A control that adds one property, to show inheritance of published ones.
class TTestSlider : public TTestControl {
    ORVANE_CLASS(TTestSlider, TTestControl)
    using TTestControl::TTestControl;
    int32_t PointerHeight = 10;
};

inline const TClassInfo& TTestSlider::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTestSlider>().Int(
        "PointerHeight", &TTestSlider::PointerHeight, &TTestSlider::PointerHeight, 10);
    return info;
}

class TTestTimer : public TComponent {
    ORVANE_CLASS(TTestTimer, TComponent)
    explicit TTestTimer(TComponent* owner) : TComponent(owner) {}
    int32_t Interval = 1000;
    bool Enabled = true;
    TNotifyEvent OnTimer;
    int loadedCount = 0;
    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCount;
        if (Interval < 0) throw Exception("Negative interval");
    }
};

inline const TClassInfo& TTestTimer::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTestTimer>()
                                        .Int("Interval", &TTestTimer::Interval, &TTestTimer::Interval, 1000)
                                        .Bool("Enabled", &TTestTimer::Enabled, &TTestTimer::Enabled, true)
                                        .Event("OnTimer", &TTestTimer::OnTimer);
    return info;
}

class TTestForm : public TComponent {
    ORVANE_CLASS(TTestForm, TComponent)
    explicit TTestForm(TComponent* owner = nullptr) : TComponent(owner) {}
    ~TTestForm() override { DestroyComponents(); }

    std::string Caption;
    TColor Color = clBtnFace;
    TNotifyEvent OnShow;
    int loadedCount = 0;

    TTestControl* Panel1 = nullptr;
    TTestControl* Edit1 = nullptr;
    TTestSlider* iSlider3 = nullptr;
    TTestTimer* Timer1 = nullptr;

    std::vector<std::string> calls;
    void Button1Click(TObject* sender)
    {
        calls.push_back("Button1Click " + static_cast<TComponent*>(sender)->GetName());
    }
    void FormShow(TObject*) { calls.push_back("FormShow"); }
    void Edit1KeyPress(TObject*, char& key)
    {
        calls.push_back(std::string("Edit1KeyPress ") + key);
        key = 0;
    }
    void UpDown1Changing(TObject*, bool& allow) { allow = false; }

    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCount;
    }
};

inline const TClassInfo& TTestForm::StaticClass()
{
    using T = TTestForm;
    static const TClassInfo& info = PublishClass<T>()
                                        .String("Caption", &T::Caption, &T::Caption)
                                        .Color("Color", &T::Color, &T::Color, clBtnFace)
                                        .Event("OnShow", &T::OnShow)
                                        .Handler<TNotifyEvent>("Button1Click", &T::Button1Click)
                                        .Handler<TNotifyEvent>("FormShow", &T::FormShow)
                                        .Handler<TTestKeyPressEvent>("Edit1KeyPress", &T::Edit1KeyPress)
                                        .Handler<TTestChangingEvent>("UpDown1Changing", &T::UpDown1Changing)
                                        .Field("Panel1", &T::Panel1)
                                        .Field("Edit1", &T::Edit1)
                                        .Field("iSlider3", &T::iSlider3)
                                        .Field("Timer1", &T::Timer1);
    return info;
}
