// The level history as the panel keeps it: the recorder, and the log that
// follows it second by second while one runs. The log is written from a
// thread of its own. A file that cannot be written keeps its rows waiting
// in memory and is tried again each second; only when it could not be
// written for a minute does the log stop, and it says so once. Recording
// goes on whatever the log does. Portable.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "history/levelrecorder.h"
#include "history/logwriter.h"

class TLevelHistory {
public:
    // Failed tries in a row, one a second as the rows come, before a log
    // that cannot be written is given up.
    static constexpr int kLogPatience = 60;

    TLevelHistory();
    ~TLevelHistory();
    TLevelHistory(const TLevelHistory&) = delete;
    TLevelHistory& operator=(const TLevelHistory&) = delete;

    TLevelRecorder& Recorder() { return recorder_; }
    const TLevelRecorder& Recorder() const { return recorder_; }

    // Rows for every second that closes from now on go to sink. A log
    // already running is stopped first.
    void StartLog(std::unique_ptr<TLogSink> sink);
    // Stops the log after a last try to write the rows still waiting; rows
    // that could not be written even so are reported to OnLogFailed.
    void StopLog();
    bool Logging() const { return log_ != nullptr; }
    // The running log's name, or "".
    std::string LogName() const { return log_ ? logName_ : std::string(); }
    // Rows of the running (or last) log written to its file, and waiting.
    uint64_t RowsLogged() const;
    uint64_t RowsWaiting() const;
    // Why the rows wait: the last try's failure, or "" when none wait.
    std::string LogTrouble() const;
    // Waits until the log has tried to write every row handed to it.
    void SettleLog();

    // A log started or stopped (also by a failure).
    std::function<void()> OnLogChanged;
    // The log stopped with rows not written: what happened, once.
    std::function<void(const std::string& what)> OnLogFailed;

private:
    void SecondsClosed(const std::vector<TSecondRecord>& closed);
    // Ends the log; the rows it could not write are told to the user.
    void EndLog(const std::string& why);

    TLevelRecorder recorder_;
    std::string logName_;
    std::unique_ptr<TLogWriter> log_;
    TLogWriter::TState last_;
};

// The log's rows of the seconds from fromSecond to toSecond of the
// recorder's clock, both included, after the header: what "Export CSV..."
// writes.
std::string ExportRows(const TLevelRecorder& recorder, int64_t fromSecond, int64_t toSecond);
