#include "history/levelhistory.h"

#include "history/csvformat.h"

TLevelHistory::TLevelHistory()
{
    recorder_.OnSecondsClosed = [this](const std::vector<TSecondRecord>& closed) { SecondsClosed(closed); };
}

void TLevelHistory::StartLog(std::unique_ptr<TLogSink> sink)
{
    log_ = std::move(sink);
    rows_ = 0;
    if (OnLogChanged) OnLogChanged();
}

void TLevelHistory::StopLog()
{
    if (!log_) return;
    log_.reset();
    if (OnLogChanged) OnLogChanged();
}

void TLevelHistory::SecondsClosed(const std::vector<TSecondRecord>& closed)
{
    if (!log_) return;
    // One write for what closed together: after a long gap that is many
    // rows, and they reach the disk in one go.
    std::string rows;
    for (const TSecondRecord& second : closed)
        rows += LevelLogRow(second);
    try {
        log_->Append(rows);
        rows_ += closed.size();
    } catch (const std::exception& e) {
        const std::string reason = e.what();
        log_.reset();
        if (OnLogChanged) OnLogChanged();
        if (OnLogFailed) OnLogFailed(reason);
    }
}

std::string ExportRows(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond)
{
    std::string text(kLevelLogHeader);
    text += "\r\n";
    const TRing<TSecondRecord>& records = recorder.Records();
    for (size_t i = recorder.FirstRecordFrom(fromSecond); i < records.Size() && records[i].second <= toSecond; ++i)
        text += LevelLogRow(records[i]);
    return text;
}
