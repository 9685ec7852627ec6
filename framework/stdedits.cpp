// Edits and memos over the system EDIT class.
#include <algorithm>

#include "framework/stdctrls.h"

// ---------------------------------------------------------------------------
// TCustomEdit

const TClassInfo& TCustomEdit::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TCustomEdit>()
            .String(
                "Text", [](TCustomEdit& e) { return e.GetText(); },
                [](TCustomEdit& e, const std::string& v) { e.SetText(v); })
            .Enum("BorderStyle", &TCustomEdit::GetBorderStyle, &TCustomEdit::SetBorderStyle, bsSingle)
            .Bool("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly, false)
            .Int("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength, 0)
            .Event("OnChange", &TCustomEdit::OnChange);
    return info;
}

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    ControlStyle = {csClickEvents, csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
}

// Caption is published for every control, but an edit's text is its Text:
// layouts say "Text = '60'".

void TCustomEdit::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "EDIT");
    // The text follows once the limit is lifted (CreateWindowDone).
    Params.Caption.clear();
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (readOnly_) Params.Style |= ES_READONLY;
    if (borderStyle_ == bsSingle) {
        // Ctl3D off is the flat look: a one-pixel line instead of the sunken
        // client edge.
        if (GetCtl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TCustomEdit::CreateWindowDone()
{
    creating_ = true;
    try {
        // The system's initial limit (about 30000 characters) would cut a
        // long text, also the one a recreated window gets back.
        Perform(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
        if (static_cast<size_t>(GetWindowTextLengthA(handle_)) != text_.size())
            Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.c_str()));
    } catch (...) {
        creating_ = false;
        throw;
    }
    creating_ = false;
}

void TCustomEdit::SetBorderStyle(TBorderStyle value)
{
    if (value != bsNone) value = bsSingle;
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool value)
{
    if (value == readOnly_) return;
    readOnly_ = value;
    if (handle_) Perform(EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetMaxLength(int32_t value)
{
    value = std::max<int32_t>(value, 0);
    if (value == maxLength_) return;
    maxLength_ = value;
    if (handle_) Perform(EM_LIMITTEXT, static_cast<WPARAM>(value), 0);
}

int32_t TCustomEdit::GetSelStart()
{
    DWORD start = 0, end = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int32_t>(start);
}

void TCustomEdit::SetSelStart(int32_t value)
{
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(value), value);
}

int32_t TCustomEdit::GetSelLength()
{
    DWORD start = 0, end = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int32_t>(end - start);
}

void TCustomEdit::SetSelLength(int32_t value)
{
    const int32_t start = GetSelStart();
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + value);
}

std::string TCustomEdit::GetSelText()
{
    const std::string text = GetText();
    const size_t start = std::min(static_cast<size_t>(GetSelStart()), text.size());
    return text.substr(start, static_cast<size_t>(GetSelLength()));
}

void TCustomEdit::SetSelText(const std::string& value)
{
    SendMessageA(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(value.c_str()));
}

void TCustomEdit::SelectAll()
{
    if (handle_) SendMessageA(handle_, EM_SETSEL, 0, -1);
}

bool TCustomEdit::Modified()
{
    return handle_ && SendMessageA(handle_, EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::Dispatch(TMessage& Message)
{
    if (Message.Msg == CN_COMMAND) {
        if (HIWORD(Message.WParam) == EN_CHANGE && !creating_) Change();
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomEdit::CMCtl3DChanged(TMessage& Message)
{
    if (borderStyle_ == bsSingle) RecreateWnd();
    TWinControl::CMCtl3DChanged(Message);
}

void TCustomEdit::KeyPress(char& Key)
{
    TWinControl::KeyPress(Key);
    // A single-line EDIT has no use for Enter and would only beep: once the
    // handler has seen it, it stops here.
    if (Key == '\r' && !MultiLine()) Key = 0;
}

void TCustomEdit::Change()
{
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------
// TMemoStrings

HWND TMemoStrings::Window() const
{
    return memo_.GetHandleIfAllocated();
}

LRESULT TMemoStrings::Send(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    return SendMessageA(Window(), msg, wParam, lParam);
}

void TMemoStrings::CheckIndex(int index, int limit) const
{
    if (index < 0 || index > limit)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

template <class F> void TMemoStrings::EditStored(F fn)
{
    TStringList list;
    list.SetText(memo_.StoredText());
    fn(list);
    memo_.StoredText() = list.GetText();
}

// The EDIT counts the empty line after a final line break; a list does not.
int TMemoStrings::WindowCount() const
{
    int n = static_cast<int>(Send(EM_GETLINECOUNT));
    if (n > 0 &&
        Send(EM_LINELENGTH, static_cast<WPARAM>(Send(EM_LINEINDEX, static_cast<WPARAM>(n - 1)))) == 0)
        --n;
    return n;
}

int TMemoStrings::Count() const
{
    if (!Window()) {
        TStringList list;
        list.SetText(memo_.StoredText());
        return list.Count();
    }
    return WindowCount() + pendingCount_;
}

void TMemoStrings::Flush()
{
    if (pending_.empty()) return;
    std::string text;
    text.swap(pending_);
    pendingCount_ = 0;
    if (!Window()) return;
    const int end = GetWindowTextLengthA(Window());
    ReplaceRange(end, end, text);
}

std::string TMemoStrings::Get(int index) const
{
    const_cast<TMemoStrings*>(this)->Flush();
    CheckIndex(index, Count() - 1);
    if (!Window()) {
        TStringList list;
        list.SetText(memo_.StoredText());
        return list.Get(index);
    }
    const LRESULT start = Send(EM_LINEINDEX, static_cast<WPARAM>(index));
    const size_t len = static_cast<size_t>(Send(EM_LINELENGTH, static_cast<WPARAM>(start)));
    // EM_GETLINE reads the buffer's size from its first word.
    std::string line(std::max<size_t>(len, sizeof(WORD)), '\0');
    *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(std::min<size_t>(len, 0xFFFF));
    const LRESULT got = Send(EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    return line;
}

void TMemoStrings::ReplaceRange(int start, int end, const std::string& s)
{
    Send(EM_SETSEL, static_cast<WPARAM>(start), end);
    Send(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

void TMemoStrings::Put(int index, const std::string& s)
{
    Flush();
    CheckIndex(index, Count() - 1);
    if (!Window()) return EditStored([&](TStrings& l) { l.Put(index, s); });
    const int start = static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(index)));
    const int len = static_cast<int>(Send(EM_LINELENGTH, static_cast<WPARAM>(start)));
    ReplaceRange(start, start + len, s);
}

// A line goes in with its line break after it; at the end of a text that has
// no final break, the break goes before it instead.
void TMemoStrings::Insert(int index, const std::string& s)
{
    const int count = Count();
    CheckIndex(index, count);
    if (!Window()) return EditStored([&](TStrings& l) { l.Insert(index, s); });
    if (index == count) {
        // At the end: buffered. A text without a final line break gets one
        // before the first buffered line.
        if (pending_.empty() && GetWindowTextLengthA(Window()) > 0 && index > 0) {
            const int last = static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(index - 1)));
            const int lastEnd = last + static_cast<int>(Send(EM_LINELENGTH, static_cast<WPARAM>(last)));
            if (lastEnd == GetWindowTextLengthA(Window())) pending_ = "\r\n";
        }
        pending_ += s;
        pending_ += "\r\n";
        ++pendingCount_;
        memo_.StartFlushTimer();
        return;
    }
    Flush();
    int at = static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(index)));
    std::string text = s + "\r\n";
    if (at < 0) {
        const int last = static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(index - 1)));
        at = last + static_cast<int>(Send(EM_LINELENGTH, static_cast<WPARAM>(last)));
        text = "\r\n" + s;
    }
    ReplaceRange(at, at, text);
}

void TMemoStrings::Delete(int index)
{
    Flush();
    CheckIndex(index, Count() - 1);
    if (!Window()) return EditStored([&](TStrings& l) { l.Delete(index); });
    const int start = static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(index)));
    int end = static_cast<int>(Send(EM_LINEINDEX, static_cast<WPARAM>(index + 1)));
    if (end < 0) end = start + static_cast<int>(Send(EM_LINELENGTH, static_cast<WPARAM>(start)));
    ReplaceRange(start, end, "");
}

void TMemoStrings::Clear()
{
    pending_.clear();
    pendingCount_ = 0;
    memo_.SetText("");
}

// ---------------------------------------------------------------------------
// TCustomMemo

const TClassInfo& TCustomMemo::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TCustomMemo>()
            .Strings("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines)
            .Enum("ScrollBars", &TCustomMemo::GetScrollBars, &TCustomMemo::SetScrollBars, ssNone)
            .Bool("WordWrap", &TCustomMemo::GetWordWrap, &TCustomMemo::SetWordWrap, true)
            .Bool("WantReturns", &TCustomMemo::GetWantReturns, &TCustomMemo::SetWantReturns, true)
            .Bool("WantTabs", &TCustomMemo::GetWantTabs, &TCustomMemo::SetWantTabs, false)
            .Enum("Alignment", &TCustomMemo::GetAlignment, &TCustomMemo::SetAlignment, taLeftJustify);
    return info;
}

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), lines_(std::make_unique<TMemoStrings>(*this))
{
    SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo()
{
    DestroyHandle();
}

void TCustomMemo::CreateParams(TCreateParams& Params)
{
    TCustomEdit::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
    if (wordWrap_) Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= WS_HSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= WS_VSCROLL;
    if (alignment_ == taRightJustify) Params.Style |= ES_RIGHT;
    if (alignment_ == taCenter) Params.Style |= ES_CENTER;
}

void TCustomMemo::SetScrollBars(TScrollStyle value)
{
    if (value == scrollBars_) return;
    scrollBars_ = value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value)
{
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment value)
{
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

namespace {
constexpr UINT_PTR kFlushTimer = 0x4D454D4F;
constexpr UINT kFlushDelay = 100; // ms
} // namespace

void TCustomMemo::StartFlushTimer()
{
    if (handle_) SetTimer(handle_, kFlushTimer, kFlushDelay, nullptr);
}

std::string TCustomMemo::GetText() const
{
    lines_->Flush();
    return TCustomEdit::GetText();
}

void TCustomMemo::DestroyWnd()
{
    lines_->Flush();
    KillTimer(handle_, kFlushTimer);
    TCustomEdit::DestroyWnd();
}

void TCustomMemo::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_TIMER && Message.WParam == kFlushTimer) {
        KillTimer(handle_, kFlushTimer);
        lines_->Flush();
        return;
    }
    if (Message.Msg == WM_GETDLGCODE) {
        WMGetDlgCode(Message);
        return;
    }
    TCustomEdit::Dispatch(Message);
}

void TCustomMemo::WMGetDlgCode(TMessage& Message)
{
    DefaultHandler(Message);
    if (wantTabs_)
        Message.Result |= DLGC_WANTTAB;
    else
        Message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    if (!wantReturns_) Message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
}

void TCustomMemo::KeyPress(char& Key)
{
    TCustomEdit::KeyPress(Key);
    if ((Key == '\r' && !wantReturns_) || (Key == '\t' && !wantTabs_)) Key = 0;
}

const TClassInfo& TEdit::StaticClass()
{
    static const TClassInfo& info = PublishClass<TEdit>();
    return info;
}

const TClassInfo& TMemo::StaticClass()
{
    static const TClassInfo& info = PublishClass<TMemo>();
    return info;
}
