// The level history as the panel keeps it: the recorder, and the log that
// follows it second by second while one runs. A log that cannot be written
// stops at once and says why, once; recording goes on. Portable.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "history/levelrecorder.h"
#include "history/logfile.h"

class TLevelHistory {
public:
    TLevelHistory();
    TLevelHistory(const TLevelHistory&) = delete;
    TLevelHistory& operator=(const TLevelHistory&) = delete;

    TLevelRecorder& Recorder() { return recorder_; }
    const TLevelRecorder& Recorder() const { return recorder_; }

    // Rows for every second that closes from now on go to sink. A log
    // already running is stopped first.
    void StartLog(std::unique_ptr<TLogSink> sink);
    void StopLog();
    bool Logging() const { return log_ != nullptr; }
    // The running log's name, or "".
    std::string LogName() const { return log_ ? log_->Name() : std::string(); }
    uint64_t RowsLogged() const { return rows_; }

    // A log started or stopped (also by a failure).
    std::function<void()> OnLogChanged;
    // A write failed and the log stopped; the reason, once per failure.
    std::function<void(const std::string& reason)> OnLogFailed;

private:
    void SecondsClosed(const std::vector<TSecondRecord>& closed);

    TLevelRecorder recorder_;
    std::unique_ptr<TLogSink> log_;
    uint64_t rows_ = 0;
};

// The log's rows of the seconds from fromSecond to toSecond, both included,
// after the header: what "Export CSV..." writes.
std::string ExportRows(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond);
