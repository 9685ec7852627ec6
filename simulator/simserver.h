// The simulator's connections: the device port the interface library talks
// to, the control port and standard input for commands, and the log of every
// frame. One thread runs it all; standard input is read on a helper thread
// that only queues lines.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/linkwire.h"
#include "link/netsocket.h"
#include "simulator/controlsession.h"
#include "simulator/devicemodel.h"
#include "simulator/simcommands.h"

// One line per event, flushed at once so that a reader of the file sees
// every frame as it happens. The console, when there is one apart from the
// log, gets only what a user at it wants to see: plugging, the alarm, the
// device's self check and saves.
class TSimLog {
public:
    // Lines go to `out` (standard error) until a file is opened.
    explicit TSimLog(FILE* out, FILE* console = nullptr) : out_(out), console_(console == out ? nullptr : console) {}
    ~TSimLog();
    TSimLog(const TSimLog&) = delete;
    TSimLog& operator=(const TSimLog&) = delete;

    // From now on the log is the file at `path`, emptied first. When it
    // would pass maxBytes (0: no limit) it becomes path.1, replacing the one
    // there, and a new file is begun: a flood fills at most twice that.
    bool OpenFile(const std::string& path, uint64_t maxBytes);
    // Frames, connections, commands: the log only.
    void Line(const std::string& text);
    // The log, and the console.
    void Event(const std::string& text);

private:
    void Rotate();

    FILE* out_;
    FILE* console_;
    std::string path_;
    uint64_t maxBytes_ = 0;
    uint64_t written_ = 0;
};

// Lines from standard input, handed from the reading thread to the loop.
class TLineQueue {
public:
    void Push(std::string line);
    void Close();
    bool Pop(std::string& line);
    bool Closed();

private:
    std::mutex mutex_;
    std::deque<std::string> lines_;
    bool closed_ = false;
};

// Bytes waiting to go out on a socket that never blocks. A peer that stops
// reading fills it up to a limit and is then dropped, rather than stalling
// the simulator for everybody else.
class TOutbox {
public:
    // False when the socket failed or more than `limit` bytes are waiting.
    bool Push(TSocket& s, std::span<const uint8_t> bytes, size_t limit);
    // Sends what the socket takes now; false when it failed.
    bool Flush(TSocket& s);
    bool Empty() const { return sent_ == bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
    size_t sent_ = 0;
};

// Refusals come in floods; the log gets one line a second and a count.
class TRefusalNote {
public:
    // The line to log now, or empty while the last one is recent.
    std::string Note(const std::string& what, uint64_t nowMs);

private:
    uint64_t lastMs_ = 0;
    bool logged_ = false;
    unsigned unlogged_ = 0;
};

class TSimServer : public TSimLink {
public:
    // An empty controlToken: the control port asks for none.
    TSimServer(TDeviceModel& model, TSimLog& log, uint16_t port, uint16_t controlPort,
               std::string controlToken);
    ~TSimServer() override;

    // A signal number set (by a signal handler) ends the run as `quit` does.
    void StopOnSignal(const std::atomic<int>* signal) { stopSignal_ = signal; }

    // Takes both ports; nobody can connect yet.
    bool Start(std::string& error);
    // Connections are taken from now on.
    bool Listen(std::string& error);
    // Until `quit`. Answers to standard-input commands go to `answers`.
    void Run(TLineQueue* input, FILE* answers);

    void Plug() override;
    void Unplug() override;
    void Quit() override { running_ = false; }

private:
    struct Client {
        TSocket sock;
        TLinkReader reader;
        TOutbox out;
        int id = 0;
        uint32_t pid = 0;
        bool greeted = false;
        bool opened = false;
        bool exclusive = false;
        bool closing = false;
        uint64_t acceptedMs = 0;
        uint64_t lastHeardMs = 0;
        size_t delayed = 0; // replies of this client waiting for their time
        // Frame lines logged in the second from frameWindowMs, and those
        // left out beyond the budget, summed up when the second is over.
        uint64_t frameWindowMs = 0;
        unsigned framesLogged = 0;
        unsigned framesUnlogged = 0;
    };
    struct ControlClient {
        explicit ControlClient(const std::string& token) : session(token) {}
        TSocket sock;
        std::string pending;
        TControlSession session;
        TOutbox out;
        int id = 0;
        bool closing = false;
        uint64_t lastLineMs = 0;
    };
    struct Delayed {
        int clientId;
        std::vector<uint8_t> frame;
        uint64_t dueMs;
    };

    uint64_t Now() const;
    void AcceptClients();
    void AcceptControls();
    void ReadClient(Client& c);
    void OnMessage(Client& c, const LinkMessage& m);
    void OnHello(Client& c, const LinkMessage& m);
    void OnOpen(Client& c);
    void OnExclusive(Client& c, bool on);
    void OnFrame(Client& c, const std::vector<uint8_t>& frame);
    // The reply now, or after delayMs.
    void Reply(Client& c, const std::vector<uint8_t>& reply, int delayMs);
    // Saves that waited for the state file's next write, once it is due
    // (or, with `now`, at the end of the run).
    void FinishSave(bool now);
    // A line about one of this client's frames, within its budget.
    void FrameLine(Client& c, const std::string& line, bool event = false);
    void SumUpFrames(Client& c);
    void Answer(Client& c, LinkType type, const std::string& text = {});
    void SendFrame(Client& c, const std::vector<uint8_t>& frame);
    void Send(Client& c, const std::vector<uint8_t>& message);
    // Another process that has the device open (exclusively, if asked).
    const Client* Holder(const Client& except, bool exclusiveOnly) const;
    void ReadControl(ControlClient& cc);
    void SendControl(ControlClient& cc, const std::string& answer);
    void CloseControl(ControlClient& cc, const std::string& why);
    std::string Command(const std::string& line, const char* source);
    void DropClosed();
    void CloseClient(Client& c, const std::string& why);
    // At the cap: the connection that has been silent longest among those
    // that hold nothing (no device open, no token shown) makes room.
    bool MakeRoomForClient();
    bool MakeRoomForControl();
    void CloseIdle();
    int NextTimeout() const;
    void SendDue();
    void Refused(TRefusalNote& note, const std::string& what);

    TDeviceModel& model_;
    TSimLog& log_;
    uint16_t port_;
    uint16_t controlPort_;
    std::string controlToken_;
    TSocket listener_;
    TSocket controlListener_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::vector<std::unique_ptr<ControlClient>> controls_;
    std::vector<Delayed> delayed_;
    std::vector<int> saveWaiters_; // a client's id for each save that waits
    TRefusalNote deviceRefusals_;
    TRefusalNote controlRefusals_;
    TRefusalNote controlClosings_;
    TRefusalNote delayRefusals_;
    TRefusalNote deviceRoom_;
    const std::atomic<int>* stopSignal_ = nullptr;
    bool plugged_ = true;
    bool running_ = true;
    bool alarm_ = false;
    int nextId_ = 1;
    int nextControlId_ = 1;
    uint64_t startMs_ = 0;
};
