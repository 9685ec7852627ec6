// The common controls the program uses: the up-down spinner beside an edit
// (msctls_updown32) and the tool bar with its buttons (ToolbarWindow32).
// Both are the system's own controls, superclassed; their notifications come
// back reflected by the parent as CN_NOTIFY, CN_COMMAND and CN_VSCROLL.
// Win32 only.
#pragma once

#include <memory>
#include <vector>

#include "framework/controls.h"

#include <commctrl.h>

// ---------------------------------------------------------------------------
// TUpDown

ORVANE_ENUM(TUDOrientation, udHorizontal, udVertical)
ORVANE_ENUM(TUDAlignButton, udLeft, udRight)
ORVANE_ENUM(TUDBtnType, btNext, btPrev)
ORVANE_ENUM(TUpDownDirection, updNone, updUp, updDown)

ORVANE_EVENT(TUDChangingEvent, void(TObject* Sender, bool& AllowChange));
ORVANE_EVENT(TUDChangingEventEx,
             void(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction));
ORVANE_EVENT(TUDClickEvent, void(TObject* Sender, TUDBtnType Button));

// The position is held within Min..Max. Whoever changes it, an arrow of the
// user or a program setting Position, first asks OnChanging and OnChangingEx,
// so that handlers can follow every change (or refuse it). The associated
// edit keeps its own bounds and shows the position.
class TUpDown : public TWinControl {
    ORVANE_CLASS(TUpDown, TWinControl)
    explicit TUpDown(TComponent* AOwner);
    ~TUpDown() override;

    int16_t GetMin() const { return min_; }
    void SetMin(int16_t value);
    int16_t GetMax() const { return max_; }
    void SetMax(int16_t value);
    int16_t GetPosition() const { return position_; }
    // Clamped to Min..Max; a real change raises the changing events first.
    void SetPosition(int16_t value);
    int32_t GetIncrement() const { return increment_; }
    void SetIncrement(int32_t value);
    bool GetWrap() const { return wrap_; }
    void SetWrap(bool value);
    bool GetArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool value);
    bool GetThousands() const { return thousands_; }
    void SetThousands(bool value);
    TUDOrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TUDOrientation value);
    TUDAlignButton GetAlignButton() const { return alignButton_; }
    void SetAlignButton(TUDAlignButton value) { alignButton_ = value; }
    TWinControl* GetAssociate() const { return associate_; }
    void SetAssociate(TWinControl* value);

    TUDChangingEvent OnChanging;
    TUDChangingEventEx OnChangingEx;
    TUDClickEvent OnClick;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& Message) override;
    virtual bool CanChange(short NewValue, TUpDownDirection Direction);
    virtual void Click(TUDBtnType Button);

private:
    void CNNotify(TMessage& Message);
    void CNScroll(TMessage& Message);
    void UpdateBuddy();
    void UpdateRange();
    short Stepped(int current, int delta) const;

    int16_t min_ = 0, max_ = 100, position_ = 0;
    int32_t increment_ = 1;
    bool wrap_ = false, arrowKeys_ = true, thousands_ = true;
    TUDOrientation orientation_ = udVertical;
    TUDAlignButton alignButton_ = udRight;
    TWinControl* associate_ = nullptr;
    TUpDownDirection lastDirection_ = updNone;
};

// ---------------------------------------------------------------------------
// TToolBar, TToolButton

class TToolBar;

ORVANE_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider)
ORVANE_ENUM(TCustomDrawStateItem, cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault,
            cdsHot, cdsMarked, cdsIndeterminate)
using TCustomDrawState = TSet<TCustomDrawStateItem>;

// The state set of a custom-draw item state (CDIS_*).
TCustomDrawState CustomDrawStateOf(UINT itemState);

class TToolButton;
ORVANE_EVENT(TTBCustomDrawEvent, void(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw));
ORVANE_EVENT(TTBCustomDrawBtnEvent,
             void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw));

// One button of a tool bar. It has no window and paints nothing itself: the
// tool bar draws it and takes its clicks; its bounds follow the tool bar's
// button rectangle. In layouts, Left orders the buttons.
class TToolButton : public TGraphicControl {
    ORVANE_CLASS(TToolButton, TGraphicControl)
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    TToolBar* ToolBar() const { return toolBar_; }
    int32_t GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value);
    TToolButtonStyle GetStyle() const { return style_; }
    void SetStyle(TToolButtonStyle value);
    // Down: checked (tbsCheck) or held pressed.
    bool GetDown() const;
    void SetDown(bool value);
    bool GetGrouped() const { return grouped_; }
    void SetGrouped(bool value);
    // The command identifier the tool bar knows this button by.
    int Command() const { return command_; }
    int Index() const;

    void SetEnabled(bool value) override;
    void SetVisible(bool value) override;
    void SetText(const std::string& value) override;
    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
    void SetParent(TWinControl* AParent) override;

protected:
    void Dispatch(TMessage& Message) override;

private:
    friend class TToolBar;
    void Changed();

    int32_t imageIndex_ = -1;
    TToolButtonStyle style_ = tbsButton;
    bool down_ = false;
    bool grouped_ = false;
    int command_ = 0;
    TToolBar* toolBar_ = nullptr;
    bool settingBounds_ = false;
};

class TToolBar : public TWinControl {
    ORVANE_CLASS(TToolBar, TWinControl)
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }

    bool GetFlat() const { return flat_; }
    void SetFlat(bool value);
    int32_t GetButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int32_t value);
    int32_t GetButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int32_t value);
    bool GetShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool value);
    // Captions beside the images instead of under them.
    bool GetList() const { return list_; }
    void SetList(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    TImageList* GetImages() const { return images_; }
    void SetImages(TImageList* value);
    // The drawing surface of the custom-draw events (the DC of the paint).
    TCanvas* Canvas() const { return canvas_.get(); }

    TTBCustomDrawEvent OnCustomDraw;
    TTBCustomDrawBtnEvent OnCustomDrawButton;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& Message) override;
    void WMPaint(TMessage& Message) override;
    virtual bool CustomDraw(const TRect& ARect);
    virtual bool CustomDrawButton(TToolButton* Button, TCustomDrawState State, bool& DefaultDraw);

private:
    friend class TToolButton;
    void AddButton(TToolButton* button);
    void RemoveButton(TToolButton* button);
    void ButtonChanged(TToolButton* button);
    void RecreateButtons();
    void UpdateButtonBounds();
    void UpdateImageList();
    TToolButton* FindButton(int command) const;
    void CNNotify(TMessage& Message);
    void CNCommand(TMessage& Message);

    std::vector<TToolButton*> buttons_;
    bool flat_ = false, showCaptions_ = false, list_ = false, transparent_ = false;
    int32_t buttonWidth_ = 23, buttonHeight_ = 22;
    TImageList* images_ = nullptr;
    HIMAGELIST imageHandle_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
};
