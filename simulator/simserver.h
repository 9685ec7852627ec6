// The simulator's connections: the device port the interface library talks
// to, the control port and standard input for commands, and the log of every
// frame. One thread runs it all; standard input is read on a helper thread
// that only queues lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/linkwire.h"
#include "link/netsocket.h"
#include "simulator/devicemodel.h"
#include "simulator/simcommands.h"

// One line per event, flushed at once so that a reader of the file sees
// every frame as it happens.
class TSimLog {
public:
    explicit TSimLog(FILE* out) : out_(out) {}
    void Line(const std::string& text);

private:
    FILE* out_;
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

class TSimServer : public TSimLink {
public:
    TSimServer(TDeviceModel& model, TSimLog& log, uint16_t port, uint16_t controlPort);
    ~TSimServer() override;

    bool Start(std::string& error);
    // Until `quit`. Answers to standard-input commands go to `answers`.
    void Run(TLineQueue* input, FILE* answers);

    void Plug() override;
    void Unplug() override;
    void Quit() override { running_ = false; }

private:
    struct Client {
        TSocket sock;
        TLinkReader reader;
        int id = 0;
        uint32_t pid = 0;
        bool greeted = false;
        bool opened = false;
        bool exclusive = false;
        bool closing = false;
        uint64_t acceptedMs = 0;
    };
    struct ControlClient {
        TSocket sock;
        std::string pending;
        bool closing = false;
    };
    struct Delayed {
        int clientId;
        std::vector<uint8_t> frame;
        uint64_t dueMs;
    };

    uint64_t Now() const;
    void AcceptClient();
    void AcceptControl();
    void ReadClient(Client& c);
    void OnMessage(Client& c, const LinkMessage& m);
    void OnHello(Client& c, const LinkMessage& m);
    void OnFrame(Client& c, const std::vector<uint8_t>& frame);
    void SendFrame(Client& c, const std::vector<uint8_t>& frame);
    void ReadControl(ControlClient& cc);
    std::string Command(const std::string& line, const char* source);
    void DropClosed();
    void CloseClient(Client& c, const std::string& why);
    int NextTimeout() const;
    void SendDue();

    TDeviceModel& model_;
    TSimLog& log_;
    uint16_t port_;
    uint16_t controlPort_;
    TSocket listener_;
    TSocket controlListener_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::vector<std::unique_ptr<ControlClient>> controls_;
    std::vector<Delayed> delayed_;
    bool plugged_ = true;
    bool running_ = true;
    bool alarm_ = false;
    int nextId_ = 1;
    uint64_t startMs_ = 0;
};
