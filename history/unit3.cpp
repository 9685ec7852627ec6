#include "history/unit3.h"

#include <algorithm>
#include <cmath>

#include "history/chartcolumns.h"
#include "history/csvformat.h"
#include "history/statstext.h"

TForm3* Form3 = nullptr;

namespace {

// Posted to the window when a log write failed: the message box waits for
// the message loop instead of opening inside the exchange's timer tick.
constexpr UINT kLogFailedMessage = WM_APP + 0x48;

constexpr int kSpans[] = {60, 600, 3600, 24 * 3600};

TClockTime SystemClock()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    // From 100 ns units since 1601 to milliseconds since 1970.
    const TTimeMs wall = static_cast<TTimeMs>((t.QuadPart - 116444736000000000ULL) / 10000);
    return {static_cast<TTimeMs>(GetTickCount64()), wall};
}

const char* const kCsvFilter = "CSV files (*.csv)|*.csv|All files (*.*)|*.*";

} // namespace

const TClassInfo& TForm3::StaticClass()
{
    using T = TForm3;
    static const TClassInfo& info = PublishClass<T>()
                                        .Field("Panel1", &T::Panel1)
                                        .Field("Panel2", &T::Panel2)
                                        .Field("RadioGroup1", &T::RadioGroup1)
                                        .Field("Button1", &T::Button1)
                                        .Field("Button2", &T::Button2)
                                        .Field("Button3", &T::Button3)
                                        .Field("Button4", &T::Button4)
                                        .Field("GroupBox1", &T::GroupBox1)
                                        .Field("Label1", &T::Label1)
                                        .Field("Label2", &T::Label2)
                                        .Field("Label3", &T::Label3)
                                        .Field("Label4", &T::Label4)
                                        .Field("Label5", &T::Label5)
                                        .Field("Label6", &T::Label6)
                                        .Field("CheckBox1", &T::CheckBox1)
                                        .Field("iLevelChart1", &T::iLevelChart1)
                                        .Field("Timer1", &T::Timer1)
                                        .Handler<TNotifyEvent>("FormShow", &T::FormShow)
                                        .Handler<TNotifyEvent>("FormHide", &T::FormHide)
                                        .Handler<TNotifyEvent>("RadioGroup1Click", &T::RadioGroup1Click)
                                        .Handler<TNotifyEvent>("Button1Click", &T::Button1Click)
                                        .Handler<TNotifyEvent>("Button2Click", &T::Button2Click)
                                        .Handler<TNotifyEvent>("Button3Click", &T::Button3Click)
                                        .Handler<TNotifyEvent>("Button4Click", &T::Button4Click)
                                        .Handler<TNotifyEvent>("CheckBox1Click", &T::CheckBox1Click)
                                        .Handler<TNotifyEvent>("Timer1Timer", &T::Timer1Timer);
    return info;
}

TForm3::TForm3(TComponent* AOwner)
    : TForm(AOwner), Clock(SystemClock), history_(std::make_unique<TLevelHistory>())
{
    RegisterClasses<TPanel, TGroupBox>();
    LoadLayout();
    history_->OnLogChanged = [this] {
        ShowLogState();
        if (OnLogChanged) OnLogChanged(this);
    };
    history_->OnLogFailed = [this](const std::string& reason) { LogFailed(reason); };
    ShowLogState();
}

TForm3::~TForm3()
{
    history_->OnLogChanged = nullptr;
    history_->OnLogFailed = nullptr;
}

// ---------------------------------------------------------------------------
// Recording

void TForm3::RecordReply(uint8_t readingCode, const ParameterSet& inForce)
{
    history_->Recorder().Add(Clock(), SampleOfReply(readingCode, inForce));
}

void TForm3::RecordTick(bool connected)
{
    history_->Recorder().Advance(Clock(), connected);
}

void TForm3::LogFailed(const std::string& what)
{
    // Called inside the exchange's tick: telling the user there would run
    // a modal loop in the middle of the exchange.
    failure_ = what;
    PostMessageA(Handle(), kLogFailedMessage, 0, 0);
}

void TForm3::Dispatch(TMessage& Message)
{
    if (Message.Msg == kLogFailedMessage) {
        const std::string what = std::move(failure_);
        failure_.clear();
        if (!what.empty())
            Tell("The level log has stopped.\r\n\r\n" + what +
                     "\r\n\r\nThe readings are still recorded here for a day: \"Export CSV...\" writes the "
                     "seconds of the chart's span to a file, and \"Start log...\" begins a new log.",
                 MB_ICONWARNING);
        return;
    }
    TForm::Dispatch(Message);
}

void TForm3::Tell(const std::string& text, UINT flags)
{
    HWND owner = GetVisible() ? Handle() : nullptr;
    if (!owner && Application->MainForm()) owner = Application->MainForm()->Handle();
    MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(Application->Title).c_str(), MB_OK | flags);
}

// ---------------------------------------------------------------------------
// Showing

void TForm3::ShowHistory()
{
    Show();
    if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
}

int TForm3::SpanSeconds() const
{
    const int item = RadioGroup1 ? RadioGroup1->GetItemIndex() : 0;
    return kSpans[item >= 0 && item < 4 ? item : 0];
}

void TForm3::Refresh()
{
    DrawChart();
    ShowStatistics();
    ShowLogState();
}

int64_t TForm3::NowSecond() const
{
    const TTimeMs now = history_->Recorder().TimeOf(Clock());
    return now / 1000 - (now % 1000 < 0 ? 1 : 0);
}

void TForm3::DrawChart()
{
    const int span = SpanSeconds();
    const int width = iLevelChart1->PlotRect().Width();
    // A span longer than the minute of full-rate samples is drawn from whole
    // seconds: its end moves in whole seconds, or in whole columns' worth of
    // them, so that the chart only changes (and repaints) when a column does.
    const TLevelRecorder& recorder = history_->Recorder();
    TTimeMs end = recorder.TimeOf(Clock());
    if (span > TLevelRecorder::kRecentSeconds && width > 0) {
        const TTimeMs step = std::max<TTimeMs>(1, static_cast<TTimeMs>(span) / width) * 1000;
        end = (end + step - 1) / step * step;
    }
    iLevelChart1->SetData(ChartColumns(recorder, end, span, width),
                          ChartTimeTicks(recorder, end, span, width));
}

void TForm3::ShowStatistics()
{
    const TLevelRecorder& r = history_->Recorder();
    const bool sinceStart = CheckBox1->GetChecked();
    const int64_t now = NowSecond();
    const TSpanStats stats = sinceStart ? TotalStats(r) : SpanStats(r, now - SpanSeconds() + 1, now);
    TLabel* const columns[] = {Label2, Label3, Label4};
    for (size_t i = 0; i < 3; ++i)
        columns[i]->SetCaption(i < stats.series.size() ? StatsColumnText(stats.series[i]) : "");
    std::string note = StatsNoteText(stats, sinceStart);
    if (stats.series.size() > 3) note += " Only the first three are shown.";
    Label5->SetCaption(note);
    iLevelChart1->SetLevelCaption(stats.Empty()   ? "dB"
                                  : stats.Mixed() ? "dB, mixed"
                                                  : WeightingName(stats.series[0].weighting));
}

void TForm3::ShowLogState()
{
    if (!Label6) return;
    if (history_->Logging()) {
        std::string text = "Logging to " + Utf8ToAnsi(history_->LogName()) + "\r\n" +
                           std::to_string(history_->RowsLogged()) + " rows written.";
        const std::string trouble = history_->LogTrouble();
        if (!trouble.empty())
            text += " " + std::to_string(history_->RowsWaiting()) + " rows wait: " + Utf8ToAnsi(trouble) +
                    ". Trying again each second.";
        Label6->SetCaption(text);
    } else
        Label6->SetCaption("No log running.");
    Button2->SetEnabled(history_->Logging());
}

void TForm3::FormShow(TObject*)
{
    Refresh();
    Timer1->SetEnabled(true);
}

void TForm3::FormHide(TObject*)
{
    // Nobody is looking: the recording goes on, the drawing stops.
    Timer1->SetEnabled(false);
}

void TForm3::Timer1Timer(TObject*)
{
    DrawChart();
    // The figures once a second: a day's statistical levels take a few
    // milliseconds to count.
    if (++refreshes_ % 2 == 0) {
        ShowStatistics();
        ShowLogState();
    }
}

void TForm3::RadioGroup1Click(TObject*)
{
    Refresh();
}

void TForm3::CheckBox1Click(TObject*)
{
    ShowStatistics();
}

// ---------------------------------------------------------------------------
// The log

bool TForm3::AskFor(TSaveDialog& dialog)
{
    if (AskFileName) return AskFileName(dialog);
    return dialog.Execute(Handle());
}

void TForm3::Button1Click(TObject*)
{
    TSaveDialog dialog(nullptr);
    dialog.Title = "Start log";
    dialog.Filter = kCsvFilter;
    dialog.DefaultExt = "csv";
    dialog.FileName = "level-log.csv";
    // An existing log is continued, not replaced: no question to ask.
    dialog.OverwritePrompt = false;
    if (!AskFor(dialog)) return;
    try {
        history_->StartLog(TLogFile::Open(dialog.FileName, kLevelLogHeader));
    } catch (const std::exception& e) {
        Tell(std::string("The log was not started.\r\n\r\n") + e.what(), MB_ICONWARNING);
    }
}

void TForm3::Button2Click(TObject*)
{
    history_->StopLog();
}

void TForm3::Button3Click(TObject*)
{
    TSaveDialog dialog(nullptr);
    dialog.Title = "Export CSV";
    dialog.Filter = kCsvFilter;
    dialog.DefaultExt = "csv";
    dialog.FileName = "level-history.csv";
    if (!AskFor(dialog)) return;
    // The span's whole seconds: the one still running is not over yet.
    const int64_t now = NowSecond();
    try {
        WriteWholeFile(dialog.FileName, ExportRows(history_->Recorder(), now - SpanSeconds(), now - 1));
    } catch (const std::exception& e) {
        Tell(std::string("Nothing was exported.\r\n\r\n") + e.what(), MB_ICONWARNING);
    }
}

void TForm3::Button4Click(TObject*)
{
    history_->Recorder().Clear();
    Refresh();
}
