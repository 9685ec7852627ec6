// Where the level log's rows go. A sink either stores all of a text or
// raises EWriteError with the reason; it never loses a row silently, and a
// text it could not store is never left in part.
//
// TLogFile opens the file anew for every write and closes it after flushing
// it to the disk: a crash or a power cut loses at most the rows being
// written, other programs can read the log while it runs, and a file that
// was removed, or a folder or file that became unwritable, is noticed at
// the next write instead of the rows going nowhere. Its writes append at
// the end of the file whatever else appended meanwhile. Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TLogSink {
public:
    virtual ~TLogSink() = default;
    virtual void Append(std::string_view text) = 0;
    // What the user knows the sink by (the file's name).
    virtual std::string Name() const = 0;
};

class TLogFile : public TLogSink {
public:
    // Opens a log at path (UTF-8) for appending. A new or empty file gets
    // the header row; a file that starts with it is continued. Any other
    // file is refused with EFOpenError and left untouched, so that a wrong
    // choice in the dialog never spoils somebody's file; so is a log whose
    // header is earlierHeader (other columns), with a reason that says so.
    // A new file is never created through a link or over a file that
    // appeared meanwhile.
    static std::unique_ptr<TLogFile> Open(const std::string& path, std::string_view header,
                                          std::string_view earlierHeader = {});

    void Append(std::string_view text) override;
    std::string Name() const override { return path_; }

private:
    explicit TLogFile(std::string path) : path_(std::move(path)) {}
    std::string path_;
    // The file ended in the middle of a line (a row cut short by a crash):
    // the first row starts on a line of its own.
    bool startLine_ = false;
};

// Writes text as the whole content of the file at path (UTF-8), flushed to
// the disk. The file is replaced only once the new content is complete: a
// failure leaves what was there, and a link at path is replaced, not the
// file it points to. Raises EFCreateError or EWriteError.
void WriteWholeFile(const std::string& path, std::string_view text);
