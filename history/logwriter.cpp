#include "history/logwriter.h"

#include <exception>

TLogWriter::TLogWriter(std::unique_ptr<TLogSink> sink) : sink_(std::move(sink))
{
    // Last, once every member it uses exists.
    thread_ = std::thread([this] { Run(); });
}

TLogWriter::TState TLogWriter::Finish()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            if (!waiting_.empty()) ++handed_;
        }
        wake_.notify_one();
        thread_.join();
    }
    return State();
}

void TLogWriter::Append(std::string rows, uint64_t rowCount)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        waiting_ += rows;
        waitingRows_ += rowCount;
        ++handed_;
    }
    wake_.notify_one();
}

void TLogWriter::Settle()
{
    std::unique_lock lock(mutex_);
    tried_.wait(lock, [this] { return triedUpTo_ == handed_; });
}

TLogWriter::TState TLogWriter::State() const
{
    std::lock_guard lock(mutex_);
    TState state = state_;
    state.waiting = waitingRows_;
    return state;
}

void TLogWriter::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return handed_ != triedUpTo_ || stopping_; });
        if (handed_ == triedUpTo_) return;
        const uint64_t upTo = handed_;
        // A copy: rows handed over meanwhile are added behind it, and on a
        // failure all of it stays for the next try.
        const std::string text = waiting_;
        const uint64_t rows = waitingRows_;
        lock.unlock();
        std::string failure;
        try {
            if (!text.empty()) sink_->Append(text);
        } catch (const std::exception& e) {
            failure = e.what();
            if (failure.empty()) failure = "the rows could not be written";
        }
        lock.lock();
        if (failure.empty()) {
            waiting_.erase(0, text.size());
            waitingRows_ -= rows;
            state_.written += rows;
            state_.failures = 0;
            state_.reason.clear();
        } else {
            ++state_.failures;
            state_.reason = failure;
        }
        triedUpTo_ = upTo;
        tried_.notify_all();
        if (stopping_ && handed_ == triedUpTo_) return;
    }
}
