#include "history/levelhistory.h"

#include <vector>

#include "history/csvformat.h"

TLevelHistory::TLevelHistory()
{
    recorder_.OnSecondsClosed = [this](const std::vector<TSecondRecord>& closed) { SecondsClosed(closed); };
}

TLevelHistory::~TLevelHistory()
{
    // The last try happens on the way out; nobody is left to tell.
    log_.reset();
}

void TLevelHistory::StartLog(std::unique_ptr<TLogSink> sink)
{
    if (log_) StopLog();
    logName_ = sink->Name();
    last_ = {};
    log_ = std::make_unique<TLogWriter>(std::move(sink));
    if (OnLogChanged) OnLogChanged();
}

void TLevelHistory::StopLog()
{
    if (!log_) return;
    EndLog("");
}

void TLevelHistory::EndLog(const std::string& why)
{
    last_ = log_->Finish();
    log_.reset();
    if (OnLogChanged) OnLogChanged();
    if (!OnLogFailed || (why.empty() && last_.waiting == 0)) return;
    std::string what = last_.reason.empty() ? "Cannot write \"" + logName_ + "\"." : last_.reason;
    what += "\r\n\r\n";
    if (!why.empty()) what += why + " ";
    if (last_.waiting == 0)
        what += "Every row up to now is in it.";
    else
        what +=
            std::to_string(last_.waiting) + (last_.waiting == 1 ? " row is" : " rows are") + " not in it.";
    OnLogFailed(what);
}

uint64_t TLevelHistory::RowsLogged() const
{
    return log_ ? log_->State().written : last_.written;
}

uint64_t TLevelHistory::RowsWaiting() const
{
    return log_ ? log_->State().waiting : 0;
}

std::string TLevelHistory::LogTrouble() const
{
    if (!log_) return "";
    const TLogWriter::TState state = log_->State();
    return state.waiting > 0 ? state.reason : "";
}

void TLevelHistory::SettleLog()
{
    if (log_) log_->Settle();
}

void TLevelHistory::SecondsClosed(const std::vector<TSecondRecord>& closed)
{
    if (!log_) return;
    // Judged on the tries made before these rows, so that the rows of one
    // second more or less never decide it.
    const bool givingUp = log_->State().failures >= kLogPatience;
    // One hand-over for what closed together: after a long gap that is
    // many rows, and they reach the disk in one go.
    log_->Append(LevelLogRows(closed), closed.size());
    if (givingUp) EndLog("It could not be written for a minute.");
}

std::string ExportRows(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond)
{
    const TRing<TSecondRecord>& records = recorder.Records();
    std::vector<TSecondRecord> span;
    for (size_t i = recorder.FirstRecordFrom(fromSecond); i < records.Size() && records[i].second <= toSecond;
         ++i)
        span.push_back(records[i]);
    std::string text(kLevelLogHeader);
    text += "\r\n";
    text += LevelLogRows(span);
    return text;
}
