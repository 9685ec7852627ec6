// Writes the level log's rows from a thread of its own, so that the
// window's thread never waits on the disk: the rows are handed over in
// memory, and the writer appends them to the sink, which flushes them to
// the disk. Rows the sink cannot take (a spreadsheet or a backup program
// holding the file, a full disk) wait in memory and go with the next rows
// handed over; none is dropped while the writer lives. Portable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "history/logfile.h"

class TLogWriter {
public:
    explicit TLogWriter(std::unique_ptr<TLogSink> sink);
    ~TLogWriter() { Finish(); }
    TLogWriter(const TLogWriter&) = delete;
    TLogWriter& operator=(const TLogWriter&) = delete;

    // Rows for the sink, rowCount of them. The calling thread never touches
    // the sink; a try to write them (and any still waiting) follows.
    void Append(std::string rows, uint64_t rowCount);
    // Waits until everything handed over has been tried.
    void Settle();

    struct TState {
        uint64_t written = 0;
        uint64_t waiting = 0;
        // Tries in a row that failed, and why the last one did.
        int failures = 0;
        std::string reason;
    };
    TState State() const;
    // Tries once more to write what waits, ends the thread and tells how
    // it ended. Nothing is written after it.
    TState Finish();

private:
    void Run();

    std::unique_ptr<TLogSink> sink_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, tried_;
    std::string waiting_;
    uint64_t waitingRows_ = 0;
    // Hand-overs made and tried, counted: the writer runs while it is behind.
    uint64_t handed_ = 0, triedUpTo_ = 0;
    bool stopping_ = false;
    TState state_;
    std::thread thread_;
};
