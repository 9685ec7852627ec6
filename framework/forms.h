// Forms, the application object and the screen. Win32 only.
//
// A form class reads its layout at the start of its constructor body:
//
//   TForm1::TForm1(TComponent* AOwner) : TForm(AOwner)
//   {
//       LoadLayout();  // the RCDATA resource "TFORM1"; the fields are set now
//       ...
//   }
//
// and publishes its handler methods and fields so that the layout binds them:
//
//   static const TClassInfo& info = PublishClass<TForm1>()
//       .Field("Button1", &TForm1::Button1)
//       .Handler<TNotifyEvent>("Button1Click", &TForm1::Button1Click);
//
// The application creates forms with CreateForm, which sets the caller's
// reference before the form's constructor body runs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/controls.h"

class TCustomForm;
class TApplication;
class TMainMenu;

ORVANE_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
ORVANE_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TSet<TBorderIcon>;
ORVANE_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
            poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
ORVANE_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
ORVANE_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
ORVANE_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)

ORVANE_EVENT(TCloseEvent, void(TObject* Sender, TCloseAction& Action));
ORVANE_EVENT(TCloseQueryEvent, void(TObject* Sender, bool& CanClose));
ORVANE_EVENT(TExceptionEvent, void(TObject* Sender, Exception& E));
ORVANE_EVENT(TMessageEvent, void(MSG& Msg, bool& Handled));
// A key with its modifiers (a TShortCut of menus.h) pressed on the form,
// before its menus are searched; setting Handled takes the key.
ORVANE_EVENT(TShortCutEvent, void(uint16_t ShortCut, bool& Handled));

// The form a control lies on, or null.
TCustomForm* GetParentForm(TControl* Control);

class EResNotFound : public Exception {
    using Exception::Exception;
};

class TCustomForm : public TWinControl {
    ORVANE_CLASS(TCustomForm, TWinControl)
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // Reads the layout from the RCDATA resource named after the class in
    // upper case, or from the text given, then runs OnCreate. Call at the
    // start of the form class's constructor body. Layout errors raise
    // ELayoutError; a missing resource EResNotFound.
    void LoadLayout();
    void LoadLayout(std::string_view text);

    // Runs OnCloseQuery and OnClose; the main form's close ends the
    // application's run, another form's does what the close action says
    // (by default hides it).
    void Close();
    void Show();
    void Hide() { SetVisible(false); }
    // Frees the form once the messages being handled are done.
    void Release();

    TFormBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons GetBorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TFormStyle GetFormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState value);
    void SetClientWidth(int32_t value) override;
    void SetClientHeight(int32_t value) override;
    TIcon* Icon() const { return icon_.get(); }
    void SetIcon(const TIcon* value) { icon_->Assign(value); }
    // The menu bar; the client area keeps its size when the bar comes.
    TMainMenu* GetMenu() const { return menu_; }
    void SetMenu(TMainMenu* value);
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* value);
    bool Active() const { return active_; }

    bool KeyPreview = false;
    bool AutoScroll = false;
    // Kept for layouts that carry them; the form does not scale.
    int32_t PixelsPerInch = 96;
    int32_t TextHeight = 13;
    bool Scaled = true;
    bool OldCreateOrder = false;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TShortCutEvent OnShortCut;

    void SetVisible(bool value) override;
    bool SetFocusedControl(TWinControl* Control) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TCanvas* Canvas() const { return canvas_.get(); }

protected:
    void BeforeDestruction() override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWindowDone() override;
    void PaintWindow(HDC DC) override;
    bool KeyPreviewWanted() const override { return KeyPreview; }
    void ControlRemoved(TControl* control) override;
    virtual bool CloseQuery();
    virtual void DoClose(TCloseAction& Action);
    virtual void DoShow();
    virtual void DoHide();
    void Dispatch(TMessage& Message) override;
    virtual void WMClose(TMessage& Message);
    virtual void WMActivate(TMessage& Message);
    void CMDialogKey(TMessage& Message) override;
    virtual void CMRelease(TMessage& Message);
    virtual void CMIconChanged(TMessage& Message);

private:
    void ApplyPendingClientSize();
    void IconChanged(TObject*);

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = {biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    int32_t pendingClientWidth_ = -1, pendingClientHeight_ = -1;
    std::unique_ptr<TIcon> icon_;
    std::unique_ptr<TControlCanvas> canvas_;
    TMainMenu* menu_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focusedControl_ = nullptr;
    bool active_ = false;
    bool showing_ = false;
};

class TForm : public TCustomForm {
    ORVANE_CLASS(TForm, TCustomForm)
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

class TScreen : public TComponent {
    ORVANE_CLASS(TScreen, TComponent)
    explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}

    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const;
    int32_t Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int32_t Height() const { return GetSystemMetrics(SM_CYSCREEN); }

private:
    friend class TCustomForm;
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void SetActiveForm(TCustomForm* form) { activeForm_ = form; }
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
};

class TApplication : public TComponent {
    ORVANE_CLASS(TApplication, TComponent)
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    void Initialize();

    // Creates a form owned by the application. Reference is set before the
    // form's constructor body runs, so code called from it reaches the form
    // through the reference. The first form created becomes the main form.
    template <class T> void CreateForm(T*& Reference)
    {
        pendingReference_ = [&Reference](TCustomForm* form) { Reference = static_cast<T*>(form); };
        T* form = nullptr;
        try {
            form = new T(this);
        } catch (...) {
            pendingReference_ = nullptr;
            Reference = nullptr;
            throw;
        }
        pendingReference_ = nullptr;
        Reference = form;
        if (!mainForm_) mainForm_ = form;
    }

    // Shows the main form and runs the message loop until Terminate (or the
    // main form's close).
    void Run();
    // Handles every waiting message and returns.
    void ProcessMessages();
    // Handles one message, waiting for one when there is none.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Call inside a catch block: reports the exception being handled through
    // OnException, or in a message box with its message.
    void HandleException(TObject* Sender);
    void ShowException(const Exception& E);
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags = MB_OK);

    TCustomForm* MainForm() const { return mainForm_; }
    HWND Handle();
    std::string Title;
    bool ShowMainForm = true;

    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TNotifyEvent OnIdle;

private:
    friend class TCustomForm;
    bool ProcessMessage(MSG& msg);
    bool IsKeyMsg(MSG& msg);
    void Idle();
    void FormDestroyed(TCustomForm* form);

    std::function<void(TCustomForm*)> pendingReference_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    std::unique_ptr<TUtilityWindow> window_;
};

extern TApplication* Application;
extern TScreen* Screen;
