#include "simulator/simserver.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "device/deviceframe.h"
#include "runtime/sysutils.h"

namespace {

// A peer that connects but never says who it is gets this long.
constexpr uint64_t kHelloTimeoutMs = 3000;
// One that said who it is but has not opened the device, and says nothing,
// this long: the library opens at once, and a watcher dropped so hears a
// removal and connects afresh.
constexpr uint64_t kIdleWithoutDeviceMs = 10000;
// Frame lines logged for one connection in a second; a panel's exchange
// makes about a hundred. Beyond, the lines are counted and summed up.
constexpr unsigned kFrameLinesPerSecond = 500;
// A control connection gets this long for its token (or first command),
// then this long between commands.
constexpr uint64_t kFirstLineTimeoutMs = 5000;
constexpr uint64_t kControlIdleMs = 10 * 60 * 1000;
// How often standard input is looked at when nothing else happens.
constexpr int kIdleWaitMs = 50;
constexpr size_t kMaxCommandLine = 1024;
// Connections beyond these are closed as they come: a few panels, tools and
// tests need far fewer, and every one costs a socket and a place in poll.
constexpr size_t kMaxDeviceClients = 32;
constexpr size_t kMaxControlClients = 16;
// What may wait for a peer that does not read: some hundred replies.
constexpr size_t kMaxOutputBytes = 64 * 1024;
// Delayed replies one connection may have waiting; more are dropped.
constexpr size_t kMaxDelayedPerClient = 256;
// What a client had sent when the device was unplugged is read in at most
// this many reads (of 512 bytes): a flooding peer cannot hold up the unplug.
constexpr int kMaxReadsAtUnplug = 64;
constexpr uint64_t kRefusalLogIntervalMs = 1000;

uint64_t SteadyMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

TSimLog::~TSimLog()
{
    if (!path_.empty() && out_) std::fclose(out_);
}

bool TSimLog::OpenFile(const std::string& path, uint64_t maxBytes)
{
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    if (!path_.empty() && out_) std::fclose(out_);
    out_ = f;
    path_ = path;
    maxBytes_ = maxBytes;
    written_ = 0;
    return true;
}

void TSimLog::Rotate()
{
    std::fclose(out_);
    const std::string older = path_ + ".1";
    // Windows renames over nothing that exists.
    std::remove(older.c_str());
    std::rename(path_.c_str(), older.c_str());
    out_ = std::fopen(path_.c_str(), "w");
    written_ = 0;
    if (out_) Line("log continued from " + older);
}

void TSimLog::Line(const std::string& text)
{
    if (!path_.empty() && maxBytes_ > 0 && written_ > 0 && written_ + text.size() + 1 > maxBytes_) Rotate();
    if (!out_) return;
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
    written_ += text.size() + 1;
}

void TSimLog::Event(const std::string& text)
{
    Line(text);
    if (!console_) return;
    std::fputs(text.c_str(), console_);
    std::fputc('\n', console_);
    std::fflush(console_);
}

void TLineQueue::Push(std::string line)
{
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
}

void TLineQueue::Close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
}

bool TLineQueue::Pop(std::string& line)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_.empty()) return false;
    line = std::move(lines_.front());
    lines_.pop_front();
    return true;
}

bool TLineQueue::Closed()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_ && lines_.empty();
}

bool TOutbox::Push(TSocket& s, std::span<const uint8_t> bytes, size_t limit)
{
    if (Empty()) {
        bytes_.clear();
        sent_ = 0;
        const int n = s.SendSome(bytes.data(), bytes.size());
        if (n < 0) return false;
        bytes = bytes.subspan(static_cast<size_t>(n));
    } else if (sent_ > 0) {
        // A peer that reads as slowly as replies come never empties the box:
        // what it has taken goes, or the box would grow without end.
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(sent_));
        sent_ = 0;
    }
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return bytes_.size() - sent_ <= limit;
}

bool TOutbox::Flush(TSocket& s)
{
    while (!Empty()) {
        const int n = s.SendSome(bytes_.data() + sent_, bytes_.size() - sent_);
        if (n < 0) return false;
        if (n == 0) break;
        sent_ += static_cast<size_t>(n);
    }
    if (Empty()) {
        bytes_.clear();
        sent_ = 0;
    }
    return true;
}

std::string TRefusalNote::Note(const std::string& what, uint64_t nowMs)
{
    if (logged_ && nowMs - lastMs_ < kRefusalLogIntervalMs) {
        ++unlogged_;
        return {};
    }
    std::string line = what;
    if (unlogged_ > 0)
        line += " (and " + std::to_string(unlogged_) + " more of these since the last one logged)";
    logged_ = true;
    lastMs_ = nowMs;
    unlogged_ = 0;
    return line;
}

TSimServer::TSimServer(TDeviceModel& model, TSimLog& log, uint16_t port, uint16_t controlPort,
                       std::string controlToken)
    : model_(model), log_(log), port_(port), controlPort_(controlPort),
      controlToken_(std::move(controlToken)), startMs_(SteadyMs())
{
}

TSimServer::~TSimServer() = default;

uint64_t TSimServer::Now() const
{
    return SteadyMs() - startMs_;
}

bool TSimServer::Start(std::string& error)
{
    if (!NetStartup()) {
        error = "cannot start networking";
        return false;
    }
    listener_ = TSocket::Bind(port_, error);
    if (!listener_.Valid()) return false;
    controlListener_ = TSocket::Bind(controlPort_, error);
    return controlListener_.Valid();
}

bool TSimServer::Listen(std::string& error)
{
    if (!listener_.Listen(error) || !controlListener_.Listen(error)) return false;
    // Accepting goes on until nothing waits; it must never block the loop.
    listener_.SetNonBlocking();
    controlListener_.SetNonBlocking();
    log_.Event("listening on 127.0.0.1:" + std::to_string(port_) + " (device) and 127.0.0.1:" +
               std::to_string(controlPort_) + " (control" + (controlToken_.empty() ? ", no token" : "") + ")");
    return true;
}

void TSimServer::Plug()
{
    if (!plugged_) log_.Event("device plugged in");
    plugged_ = true;
}

void TSimServer::Unplug()
{
    // Over USB, a transfer the host saw complete has reached the device. Here
    // a send completes once the bytes are in our socket, so what is already
    // there is read before the cable goes: a write the panel saw succeed is
    // never lost to the moment of the unplug.
    if (plugged_)
        for (auto& c : clients_)
            for (int reads = 0; reads < kMaxReadsAtUnplug && !c->closing && c->sock.WaitReadable(0); ++reads)
                ReadClient(*c);
    if (plugged_) log_.Event("device unplugged");
    plugged_ = false;
    // Dropped from the lists at the end of the loop's turn, which may be
    // going through them right now.
    for (auto& c : clients_)
        if (!c->closing) CloseClient(*c, "unplugged");
}

void TSimServer::CloseClient(Client& c, const std::string& why)
{
    if (c.closing) return;
    SumUpFrames(c);
    c.closing = true;
    if (c.greeted)
        log_.Line("connection closed (client " + std::to_string(c.id) + (why.empty() ? "" : ": " + why) +
                  ")");
    c.sock.Close();
}

void TSimServer::CloseControl(ControlClient& cc, const std::string& why)
{
    if (cc.closing) return;
    cc.closing = true;
    if (!why.empty())
        Refused(controlClosings_, "control connection " + std::to_string(cc.id) + " closed: " + why);
    cc.sock.Close();
}

void TSimServer::Refused(TRefusalNote& note, const std::string& what)
{
    const std::string line = note.Note(what, Now());
    if (!line.empty()) log_.Line(line);
}

void TSimServer::DropClosed()
{
    std::erase_if(clients_, [](const auto& c) { return c->closing; });
    std::erase_if(controls_, [](const auto& c) { return c->closing; });
    std::erase_if(delayed_, [this](const Delayed& d) {
        return std::none_of(clients_.begin(), clients_.end(),
                            [&](const auto& c) { return c->id == d.clientId; });
    });
}

void TSimServer::AcceptClients()
{
    for (;;) {
        TSocket s = listener_.Accept();
        if (!s.Valid()) return;
        const size_t open = static_cast<size_t>(
            std::count_if(clients_.begin(), clients_.end(), [](const auto& c) { return !c->closing; }));
        if (open >= kMaxDeviceClients && !MakeRoomForClient()) {
            Refused(deviceRefusals_,
                    "connection refused: " + std::to_string(open) +
                        " device connections open, the most taken, each with the device open");
            continue;
        }
        s.SetNonBlocking();
        auto c = std::make_unique<Client>();
        c->sock = std::move(s);
        c->id = nextId_++;
        c->acceptedMs = c->lastHeardMs = Now();
        clients_.push_back(std::move(c));
    }
}

void TSimServer::AcceptControls()
{
    for (;;) {
        TSocket s = controlListener_.Accept();
        if (!s.Valid()) return;
        const size_t open = static_cast<size_t>(
            std::count_if(controls_.begin(), controls_.end(), [](const auto& c) { return !c->closing; }));
        if (open >= kMaxControlClients && !MakeRoomForControl()) {
            Refused(controlRefusals_,
                    "control connection refused: " + std::to_string(open) +
                        " control connections open, the most taken, each with the token shown");
            continue;
        }
        s.SetNonBlocking();
        auto c = std::make_unique<ControlClient>(controlToken_);
        c->sock = std::move(s);
        c->id = nextControlId_++;
        c->lastLineMs = Now();
        controls_.push_back(std::move(c));
    }
}

// A neighbour can fill every place with connections that say nothing, and
// open new ones as the old are timed out. So a newcomer at the cap takes the
// place of whoever has been silent longest of those that hold nothing: a
// process using the device, or a token's holder, is never the one to go.
bool TSimServer::MakeRoomForClient()
{
    Client* victim = nullptr;
    for (auto& c : clients_)
        if (!c->closing && !c->opened && (!victim || c->lastHeardMs < victim->lastHeardMs)) victim = c.get();
    if (!victim) return false;
    Refused(deviceRoom_, "client " + std::to_string(victim->id) + " (device not open, silent for " +
                             std::to_string(Now() - victim->lastHeardMs) +
                             " ms) made room for a new connection");
    CloseClient(*victim, "made room for a new connection");
    return true;
}

bool TSimServer::MakeRoomForControl()
{
    ControlClient* victim = nullptr;
    for (auto& c : controls_)
        if (!c->closing && !c->session.Admitted() && (!victim || c->lastLineMs < victim->lastLineMs))
            victim = c.get();
    if (!victim) return false;
    CloseControl(*victim, "no token yet; made room for a new connection");
    return true;
}

void TSimServer::ReadClient(Client& c)
{
    uint8_t buf[512];
    const int n = c.sock.Recv(buf, sizeof buf);
    if (n <= 0) {
        CloseClient(c, n == 0 ? "" : "receive failed");
        return;
    }
    c.lastHeardMs = Now();
    c.reader.Feed(std::span(buf, static_cast<size_t>(n)));
    while (!c.closing) {
        auto m = c.reader.Next();
        if (!m) break;
        OnMessage(c, *m);
    }
    if (c.reader.Broken()) CloseClient(c, "not our protocol");
}

void TSimServer::OnMessage(Client& c, const LinkMessage& m)
{
    const std::string who = "(client " + std::to_string(c.id) + ")";
    if (!c.greeted) {
        if (m.type == LinkType::Hello)
            OnHello(c, m);
        else
            CloseClient(c, "spoke before saying hello");
        return;
    }
    switch (m.type) {
    case LinkType::Open:
        OnOpen(c);
        break;
    case LinkType::Close:
        c.opened = false;
        log_.Line("device closed " + who);
        break;
    case LinkType::Exclusive:
        OnExclusive(c, !m.body.empty() && m.body[0] != 0);
        break;
    case LinkType::Frame:
        OnFrame(c, m.body);
        break;
    default:
        log_.Line("?? unknown message type " +
                  HexBytes(std::span(reinterpret_cast<const uint8_t*>(&m.type), 1)) + " " + who);
        break;
    }
}

const TSimServer::Client* TSimServer::Holder(const Client& except, bool exclusiveOnly) const
{
    for (const auto& o : clients_)
        if (o.get() != &except && o->greeted && !o->closing && o->opened && (o->exclusive || !exclusiveOnly))
            return o.get();
    return nullptr;
}

void TSimServer::OnHello(Client& c, const LinkMessage& m)
{
    uint32_t pid = 0;
    bool exclusive = false;
    if (!DecodeHello(m, pid, exclusive)) {
        CloseClient(c, "bad hello");
        return;
    }
    std::string refusal;
    if (!plugged_) refusal = "device unplugged";
    if (const Client* h = Holder(c, true))
        refusal = "busy: held exclusively by process " + std::to_string(h->pid);
    if (!refusal.empty()) {
        log_.Line("connection refused (process " + std::to_string(pid) + "): " + refusal);
        Send(c, EncodeLink(LinkType::Refuse,
                           std::span(reinterpret_cast<const uint8_t*>(refusal.data()), refusal.size())));
        CloseClient(c, "");
        return;
    }
    c.greeted = true;
    c.pid = pid;
    // A claim made in the greeting counts only while nobody else has it open.
    c.exclusive = exclusive && !Holder(c, false);
    log_.Line("connection open (client " + std::to_string(c.id) + ", process " + std::to_string(pid) + ")");
    Send(c, EncodeLink(LinkType::Welcome));
}

// Exclusive use is decided here and at the claim too, not only when the
// process connected: two processes that connected while the device was free
// must not both end up holding it.
void TSimServer::OnOpen(Client& c)
{
    const std::string who = "(client " + std::to_string(c.id) + ")";
    if (const Client* h = Holder(c, true)) {
        const std::string reason = "busy: held exclusively by process " + std::to_string(h->pid);
        log_.Line("open refused " + who + ": " + reason);
        Answer(c, LinkType::Denied, reason);
        // The library tries again from the start and reports the device
        // when it is free.
        CloseClient(c, "open refused");
        return;
    }
    c.opened = true;
    log_.Line("device opened " + who);
    Answer(c, LinkType::Granted);
}

void TSimServer::OnExclusive(Client& c, bool on)
{
    const std::string who = "(client " + std::to_string(c.id) + ")";
    if (on) {
        if (const Client* h = Holder(c, false)) {
            const std::string reason = "busy: open in process " + std::to_string(h->pid);
            c.exclusive = false;
            log_.Line("exclusive refused " + who + ": " + reason);
            Answer(c, LinkType::Denied, reason);
            return;
        }
    }
    c.exclusive = on;
    log_.Line(std::string("exclusive ") + (on ? "on " : "off ") + who);
    Answer(c, LinkType::Granted);
}

void TSimServer::Answer(Client& c, LinkType type, const std::string& text)
{
    Send(c, EncodeLink(type, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())));
}

void TSimServer::Send(Client& c, const std::vector<uint8_t>& message)
{
    if (c.closing) return;
    if (!c.out.Push(c.sock, message, kMaxOutputBytes))
        CloseClient(c, c.sock.Valid() ? "send failed or not read" : "send failed");
}

void TSimServer::FrameLine(Client& c, const std::string& line, bool event)
{
    const uint64_t now = Now();
    if (now - c.frameWindowMs >= 1000) {
        SumUpFrames(c);
        c.frameWindowMs = now;
        c.framesLogged = 0;
    }
    if (c.framesLogged >= kFrameLinesPerSecond) {
        ++c.framesUnlogged;
        return;
    }
    ++c.framesLogged;
    if (event)
        log_.Event(line);
    else
        log_.Line(line);
}

void TSimServer::SumUpFrames(Client& c)
{
    if (c.framesUnlogged == 0) return;
    log_.Line("-- " + std::to_string(c.framesUnlogged) + " lines about the frames of client " +
              std::to_string(c.id) + " not logged one by one (at most " +
              std::to_string(kFrameLinesPerSecond) + " a second are logged for one connection)");
    c.framesUnlogged = 0;
}

void TSimServer::OnFrame(Client& c, const std::vector<uint8_t>& frame)
{
    FrameLine(c, "<- " + HexBytes(frame));
    const uint64_t now = Now();
    const DeviceOutcome out = model_.Handle(frame, now);
    if (!out.accepted) {
        FrameLine(c, "?? ignored: " + out.note);
        return;
    }
    if (!out.note.empty() && out.note != out.shown) FrameLine(c, "-- " + out.note);
    if (out.deferred) {
        saveWaiters_.push_back(c.id);
        return;
    }
    if (frame[3] == static_cast<uint8_t>(RequestKind::Poll)) {
        const bool alarm = model_.AlarmOn(now);
        if (alarm != alarm_)
            log_.Event(std::string("-- alarm ") + (alarm ? "on" : "off") + " (reading " +
                      std::to_string(model_.Reading(now)) + ", threshold " +
                      std::to_string(model_.Parameters().alarmThreshold) + ")");
        alarm_ = alarm;
    }
    Reply(c, out.reply, out.delayMs);
    // After its answer, as the device shows the result once it has acted
    // (whether or not the answer got through).
    if (!out.shown.empty()) FrameLine(c, out.shown, true);
}

void TSimServer::Reply(Client& c, const std::vector<uint8_t>& reply, int delayMs)
{
    if (reply.empty() || c.closing) return;
    if (delayMs <= 0) {
        SendFrame(c, reply);
    } else if (c.delayed >= kMaxDelayedPerClient) {
        Refused(delayRefusals_, "-- delayed reply dropped (client " + std::to_string(c.id) + " has " +
                                    std::to_string(c.delayed) + " waiting, the most kept)");
    } else {
        ++c.delayed;
        delayed_.push_back({c.id, reply, Now() + static_cast<uint64_t>(delayMs)});
    }
}

void TSimServer::FinishSave(bool now)
{
    const auto due = model_.SaveDueMs();
    if (!due || (!now && Now() < *due)) return;
    const DeviceOutcome out = model_.FinishSave(Now());
    const std::vector<int> waiters = std::exchange(saveWaiters_, {});
    if (!out.note.empty() && out.note != out.shown) log_.Line("-- " + out.note);
    // Once for the file, whatever the number of requests it answers.
    log_.Event(out.shown +
               (waiters.size() > 1 ? " (for " + std::to_string(waiters.size()) + " requests)" : ""));
    for (int id : waiters)
        for (auto& c : clients_)
            if (c->id == id) Reply(*c, out.reply, out.delayMs);
}

void TSimServer::SendFrame(Client& c, const std::vector<uint8_t>& frame)
{
    FrameLine(c, "-> " + HexBytes(frame));
    Send(c, EncodeLink(LinkType::Frame, frame));
}

void TSimServer::SendDue()
{
    const uint64_t now = Now();
    std::vector<Delayed> due;
    std::erase_if(delayed_, [&](Delayed& d) {
        if (d.dueMs > now) return false;
        due.push_back(std::move(d));
        return true;
    });
    for (const auto& d : due)
        for (auto& c : clients_)
            if (c->id == d.clientId) {
                --c->delayed;
                if (!c->closing) SendFrame(*c, d.frame);
            }
}

void TSimServer::SendControl(ControlClient& cc, const std::string& answer)
{
    const std::string line = answer + "\n";
    if (!cc.out.Push(cc.sock, std::span(reinterpret_cast<const uint8_t*>(line.data()), line.size()),
                     kMaxOutputBytes))
        CloseControl(cc, "answers not read");
}

void TSimServer::ReadControl(ControlClient& cc)
{
    char buf[512];
    const int n = cc.sock.Recv(buf, sizeof buf);
    if (n <= 0) {
        CloseControl(cc, "");
        return;
    }
    cc.pending.append(buf, static_cast<size_t>(n));
    for (size_t eol; !cc.closing && running_ && (eol = cc.pending.find('\n')) != std::string::npos;) {
        const std::string line = cc.pending.substr(0, eol);
        cc.pending.erase(0, eol + 1);
        cc.lastLineMs = Now();
        const TControlSession::Step step = cc.session.OnLine(line);
        if (step.execute) {
            const std::string answer = Command(line, "control");
            if (!answer.empty()) SendControl(cc, answer);
        } else if (!step.answer.empty()) {
            SendControl(cc, step.answer);
        }
        if (step.close)
            CloseControl(cc, step.answer.rfind("error ", 0) == 0 ? step.answer.substr(6) : step.answer);
    }
    if (cc.pending.size() > kMaxCommandLine) CloseControl(cc, "line too long");
}

std::string TSimServer::Command(const std::string& line, const char* source)
{
    const std::string answer = ExecuteCommand(line, model_, *this, Now());
    if (!answer.empty()) log_.Line(std::string("command (") + source + "): " + Trim(line) + " -> " + answer);
    return answer;
}

int TSimServer::NextTimeout() const
{
    int64_t wait = kIdleWaitMs;
    const uint64_t now = Now();
    for (const auto& d : delayed_)
        wait = std::min<int64_t>(wait, d.dueMs > now ? static_cast<int64_t>(d.dueMs - now) : 0);
    if (const auto due = model_.SaveDueMs())
        wait = std::min<int64_t>(wait, *due > now ? static_cast<int64_t>(*due - now) : 0);
    return static_cast<int>(wait);
}

void TSimServer::CloseIdle()
{
    const uint64_t now = Now();
    for (auto& c : clients_) {
        if (c->closing) continue;
        if (!c->greeted && now - c->acceptedMs > kHelloTimeoutMs)
            CloseClient(*c, "no hello");
        else if (c->greeted && !c->opened && now - c->lastHeardMs > kIdleWithoutDeviceMs)
            CloseClient(*c, "idle with the device not open");
        else if (c->framesUnlogged > 0 && now - c->frameWindowMs >= 1000)
            SumUpFrames(*c);
    }
    for (auto& cc : controls_) {
        if (cc->closing) continue;
        if (!cc->session.Admitted() && now - cc->lastLineMs > kFirstLineTimeoutMs)
            CloseControl(*cc, "no token in time");
        else if (now - cc->lastLineMs > kControlIdleMs)
            CloseControl(*cc, "idle");
    }
}

void TSimServer::Run(TLineQueue* input, FILE* answers)
{
    bool inputOpen = input != nullptr;
    TPollSet set;
    std::vector<size_t> clientAt, controlAt;
    while (running_) {
        if (stopSignal_ && stopSignal_->load() != 0) {
            log_.Event("signal " + std::to_string(stopSignal_->load()) + ": ending as with quit");
            running_ = false;
            break;
        }
        set.Clear();
        clientAt.clear();
        controlAt.clear();
        const size_t listenerAt = set.Add(listener_);
        const size_t controlListenerAt = set.Add(controlListener_);
        for (const auto& c : clients_)
            clientAt.push_back(set.Add(c->sock, !c->out.Empty()));
        for (const auto& c : controls_)
            controlAt.push_back(set.Add(c->sock, !c->out.Empty()));
        set.Wait(NextTimeout());

        // Output first: what a peer has made room for goes before new work.
        for (size_t i = 0; i < clientAt.size(); ++i)
            if (!clients_[i]->closing && !clients_[i]->out.Empty() && set.Writable(clientAt[i]) &&
                !clients_[i]->out.Flush(clients_[i]->sock))
                CloseClient(*clients_[i], "send failed");
        for (size_t i = 0; i < controlAt.size(); ++i)
            if (!controls_[i]->closing && !controls_[i]->out.Empty() && set.Writable(controlAt[i]) &&
                !controls_[i]->out.Flush(controls_[i]->sock))
                CloseControl(*controls_[i], "");

        // Data already sent by connected processes is taken before newcomers
        // are heard, so an exclusive claim made first is honoured first.
        // Indexes stay valid: connections are only dropped further down.
        for (size_t i = 0; i < clientAt.size(); ++i)
            if (!clients_[i]->closing && set.Readable(clientAt[i])) ReadClient(*clients_[i]);
        for (size_t i = 0; i < controlAt.size() && running_; ++i)
            if (!controls_[i]->closing && set.Readable(controlAt[i])) ReadControl(*controls_[i]);
        if (set.Readable(listenerAt)) AcceptClients();
        if (set.Readable(controlListenerAt)) AcceptControls();

        std::string line;
        while (input && running_ && input->Pop(line)) {
            const std::string answer = Command(line, "stdin");
            if (!answer.empty()) {
                std::fprintf(answers, "%s\n", answer.c_str());
                std::fflush(answers);
            }
        }
        if (inputOpen && input->Closed()) {
            inputOpen = false;
            log_.Line("standard input closed; commands are still taken on the control port");
        }

        FinishSave(false);
        SendDue();
        CloseIdle();
        DropClosed();
    }
    // A save still waiting is written, and answered, before the end.
    FinishSave(true);
    for (auto& c : clients_)
        if (!c->closing) c->out.Flush(c->sock);
    // The answer to `quit` goes out before the connections close.
    for (auto& cc : controls_)
        if (!cc->closing) cc->out.Flush(cc->sock);
    for (auto& c : clients_)
        CloseClient(*c, "simulator ends");
    DropClosed();
    log_.Line("simulator ends");
}
