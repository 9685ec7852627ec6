// The standard controls: labels, edits and memos over the system EDIT class,
// push buttons, check boxes and radio buttons over the system BUTTON class,
// and the framework-painted group box. Win32 only.
#pragma once

#include <memory>
#include <string>

#include "framework/forms.h"

ORVANE_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
ORVANE_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
ORVANE_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
ORVANE_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

// Controls take the form's border style values; only bsNone and bsSingle
// mean something for them.
using TBorderStyle = TFormBorderStyle;

// What a button gives its form when clicked; a form that publishes
// "ModalResult" takes it.
using TModalResult = int32_t;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

// A caption drawn on its parent: no window, no focus. With AutoSize it takes
// the size of its text (keeping its width when it wraps words).
class TLabel : public TGraphicControl {
    ORVANE_CLASS(TLabel, TGraphicControl)
    explicit TLabel(TComponent* AOwner);

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout GetLayout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);

    void Loaded() override;

protected:
    void Paint() override;
    void AdjustBounds();
    void CMTextChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    UINT TextFormat() const;

    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
};

// A system EDIT: single-line here, multi-line in TMemo. The text lives in
// the window while there is one; the framework keeps it across recreation.
class TCustomEdit : public TWinControl {
    ORVANE_CLASS(TCustomEdit, TWinControl)
    explicit TCustomEdit(TComponent* AOwner);

    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // 0: as much as the system allows.
    int32_t GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value);
    int32_t GetSelStart();
    void SetSelStart(int32_t value);
    int32_t GetSelLength();
    void SetSelLength(int32_t value);
    std::string GetSelText();
    void SetSelText(const std::string& value);
    void SelectAll();
    void Clear() { SetText(""); }
    bool Modified();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void Dispatch(TMessage& Message) override;
    void CMCtl3DChanged(TMessage& Message) override;
    void KeyPress(char& Key) override;
    virtual void Change();
    virtual bool MultiLine() const { return false; }

private:
    TBorderStyle borderStyle_ = bsSingle;
    bool readOnly_ = false;
    int32_t maxLength_ = 0;
    bool creating_ = false;
};

class TEdit : public TCustomEdit {
    ORVANE_CLASS(TEdit, TCustomEdit)
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TCustomMemo;

// A memo's lines as the window holds them: each operation talks to the EDIT
// (line index, length, replace selection), so nothing is copied twice and
// the user's edits are always seen. Without a window the memo's stored text
// stands in.
//
// Lines added at the end wait in a buffer and reach the window in one
// replacement: when anything else reads or changes the lines, when the
// window goes, and on a short timer. One replacement into a visible memo
// with scroll bars costs some 20 ms under Wine whatever its size, so a log
// written line by line would otherwise spend seconds on scroll bars.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TCustomMemo& memo) : memo_(memo) {}
    // Moves the buffered lines into the window.
    void Flush();
    int Count() const override;
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    intptr_t Objects(int) const override { return 0; }
    void PutObject(int, intptr_t) override {}
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;

private:
    HWND Window() const;
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void CheckIndex(int index, int limit) const;
    void ReplaceRange(int start, int end, const std::string& s);
    // The stored text as a list, changed by fn, written back.
    template <class F> void EditStored(F fn);
    int WindowCount() const;
    TCustomMemo& memo_;
    std::string pending_; // lines to append, each with its line break
    int pendingCount_ = 0;
};

class TCustomMemo : public TCustomEdit {
    ORVANE_CLASS(TCustomMemo, TCustomEdit)
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;

    TStrings* Lines() { return lines_.get(); }
    std::string GetText() const override;
    void SetLines(const TStrings& value) { lines_->Assign(value); }
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetWantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool GetWantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    friend class TMemoStrings;
    void CreateParams(TCreateParams& Params) override;
    void DestroyWnd() override;
    void StartFlushTimer();
    void WMGetDlgCode(TMessage& Message);
    void Dispatch(TMessage& Message) override;
    void KeyPress(char& Key) override;
    bool MultiLine() const override { return true; }
    // The stored text, kept while there is no window.
    std::string& StoredText() { return text_; }

private:
    std::unique_ptr<TMemoStrings> lines_;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    TAlignment alignment_ = taLeftJustify;
};

class TMemo : public TCustomMemo {
    ORVANE_CLASS(TMemo, TCustomMemo)
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

// The system BUTTON family. Clicks come as BN_CLICKED notifications (mouse,
// space bar, code); the controls keep their own check state, so that a
// change from code and one by the user take the same path.
class TButtonControl : public TWinControl {
    ORVANE_CLASS(TButtonControl, TWinControl)
    explicit TButtonControl(TComponent* AOwner);

protected:
    void Dispatch(TMessage& Message) override;
    virtual void ButtonClicked() { Click(); }
    // Raises OnClick unless clicks are held back (while a layout is read).
    void ClickIfAllowed();
    bool clicksDisabled_ = false;
};

class TButton : public TButtonControl {
    ORVANE_CLASS(TButton, TButtonControl)
    explicit TButton(TComponent* AOwner);

    bool GetDefault() const { return default_; }
    void SetDefault(bool value);
    bool GetCancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    void Click() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CMDialogKey(TMessage& Message) override;
    void CMFocusChanged(TMessage& Message) override;
    void SetButtonStyle(bool isDefault);

private:
    bool default_ = false;
    bool cancel_ = false;
    // Takes Enter: the default button while no other button has the focus,
    // or this button while it has.
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
};

class TCheckBox : public TButtonControl {
    ORVANE_CLASS(TCheckBox, TButtonControl)
    explicit TCheckBox(TComponent* AOwner);

    bool GetChecked() const { return state_ == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState GetState() const { return state_; }
    // A change raises OnClick, from code as from the user.
    void SetState(TCheckBoxState value);
    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    // taRightJustify: the box on the left, the caption to its right.
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void ButtonClicked() override;
    virtual void Toggle();

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

// Checked turns the other radio buttons of the same parent off; becoming
// checked raises OnClick.
class TRadioButton : public TButtonControl {
    ORVANE_CLASS(TRadioButton, TButtonControl)
    explicit TRadioButton(TComponent* AOwner);

    bool GetChecked() const { return checked_; }
    void SetChecked(bool value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void ButtonClicked() override { SetChecked(true); }

private:
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

// A frame with its caption in the top edge, painted by the framework so the
// caption takes the control's font colour; children sit inside the frame.
class TCustomGroupBox : public TCustomControl {
    ORVANE_CLASS(TCustomGroupBox, TCustomControl)
    explicit TCustomGroupBox(TComponent* AOwner);

protected:
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void CMCtl3DChanged(TMessage& Message) override;
    void CMTextChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    // The height of a line of the caption's font.
    int32_t CaptionHeight();
};

class TGroupBox : public TCustomGroupBox {
    ORVANE_CLASS(TGroupBox, TCustomGroupBox)
    explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};
