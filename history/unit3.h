// Unit3: the level history window TForm3. It keeps the history from the
// moment the program starts, whether or not it is shown: the main window
// hands it every accepted poll reply and every tick of its timer. Shown, it
// draws the level over the chosen span with the span's statistics beside
// it, and starts, stops and exports the CSV log. It is created hidden,
// lives as long as the program, and closing it only hides it; a log goes on
// while it is closed. Win32 only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/dialogs.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "history/levelhistory.h"
#include "widgets/ilevelchart.h"

class TForm3 : public TForm {
    ORVANE_CLASS(TForm3, TForm)
    explicit TForm3(TComponent* AOwner);
    ~TForm3() override;

    TPanel *Panel1 = nullptr, *Panel2 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TiLevelChart* iLevelChart1 = nullptr;
    TTimer* Timer1 = nullptr;

    // --- Fed by the main window
    // An accepted poll reply: its reading byte, with the parameters it was
    // measured under (weighting, offset, threshold, alarm show and reset
    // times: the reply's own).
    void RecordReply(uint8_t readingCode, const ParameterSet& inForce);
    // Every tick of the exchange's timer, connected or not: the seconds that
    // ended are closed (and logged).
    void RecordTick(bool connected);

    TLevelHistory& History() { return *history_; }
    // The steady clock (GetTickCount64, which also counts while the computer
    // sleeps) and the wall clock (milliseconds since 1970); tests put clocks
    // of their own.
    std::function<TClockTime()> Clock;

    // Shows the window in front of the others.
    void ShowHistory();
    // The chart's span in seconds, from RadioGroup1.
    int SpanSeconds() const;
    // Brings chart, statistics and log state up to date now; the timer
    // does it twice a second while the window is shown.
    void Refresh();

    // A log started or stopped; the main window shows it.
    TNotifyEvent OnLogChanged;
    // What the file dialogs would be asked; tests answer for the user.
    std::function<bool(TSaveDialog& dialog)> AskFileName;

    // --- Handlers named in the layout
    void FormShow(TObject* Sender);
    void FormHide(TObject* Sender);
    void RadioGroup1Click(TObject* Sender);
    void Button1Click(TObject* Sender); // "Start log..."
    void Button2Click(TObject* Sender); // "Stop log"
    void Button3Click(TObject* Sender); // "Export CSV..."
    void Button4Click(TObject* Sender); // "Clear"
    void CheckBox1Click(TObject* Sender);
    void Timer1Timer(TObject* Sender);

protected:
    void Dispatch(TMessage& Message) override;

private:
    // The current second on the recorder's clock.
    int64_t NowSecond() const;
    void DrawChart();
    void ShowStatistics();
    void ShowLogState();
    void LogFailed(const std::string& what);
    void Tell(const std::string& text, UINT flags);
    bool AskFor(TSaveDialog& dialog);

    std::unique_ptr<TLevelHistory> history_;
    // Failures waiting to be told, once each, outside the exchange's tick.
    std::string failure_;
    int refreshes_ = 0;
};

extern TForm3* Form3;
