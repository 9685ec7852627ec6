#include "simulator/simserver.h"

#include <algorithm>
#include <chrono>

#include "device/deviceframe.h"
#include "runtime/sysutils.h"

namespace {

constexpr int kSendTimeoutMs = 1000;
// A peer that connects but never says who it is gets this long.
constexpr uint64_t kHelloTimeoutMs = 3000;
// How often standard input is looked at when nothing else happens.
constexpr int kIdleWaitMs = 50;
constexpr size_t kMaxCommandLine = 1024;

uint64_t SteadyMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

void TSimLog::Line(const std::string& text)
{
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
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

TSimServer::TSimServer(TDeviceModel& model, TSimLog& log, uint16_t port, uint16_t controlPort)
    : model_(model), log_(log), port_(port), controlPort_(controlPort), startMs_(SteadyMs())
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
    listener_ = TSocket::Listen(port_, error);
    if (!listener_.Valid()) return false;
    controlListener_ = TSocket::Listen(controlPort_, error);
    if (!controlListener_.Valid()) return false;
    log_.Line("listening on 127.0.0.1:" + std::to_string(port_) +
              " (device) and 127.0.0.1:" + std::to_string(controlPort_) + " (control)");
    return true;
}

void TSimServer::Plug()
{
    if (!plugged_) log_.Line("device plugged in");
    plugged_ = true;
}

void TSimServer::Unplug()
{
    if (plugged_) log_.Line("device unplugged");
    plugged_ = false;
    for (auto& c : clients_)
        if (!c->closing) CloseClient(*c, "unplugged");
    DropClosed();
}

void TSimServer::CloseClient(Client& c, const std::string& why)
{
    if (c.closing) return;
    c.closing = true;
    if (c.greeted)
        log_.Line("connection closed (client " + std::to_string(c.id) + (why.empty() ? "" : ": " + why) +
                  ")");
    c.sock.Close();
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

void TSimServer::AcceptClient()
{
    TSocket s = listener_.Accept();
    if (!s.Valid()) return;
    auto c = std::make_unique<Client>();
    c->sock = std::move(s);
    c->id = nextId_++;
    c->acceptedMs = Now();
    clients_.push_back(std::move(c));
}

void TSimServer::AcceptControl()
{
    TSocket s = controlListener_.Accept();
    if (!s.Valid()) return;
    auto c = std::make_unique<ControlClient>();
    c->sock = std::move(s);
    controls_.push_back(std::move(c));
}

void TSimServer::ReadClient(Client& c)
{
    uint8_t buf[512];
    const int n = c.sock.Recv(buf, sizeof buf);
    if (n <= 0) {
        CloseClient(c, n == 0 ? "" : "receive failed");
        return;
    }
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
        c.opened = true;
        log_.Line("device opened " + who);
        break;
    case LinkType::Close:
        c.opened = false;
        log_.Line("device closed " + who);
        break;
    case LinkType::Exclusive:
        c.exclusive = !m.body.empty() && m.body[0] != 0;
        log_.Line(std::string("exclusive ") + (c.exclusive ? "on " : "off ") + who);
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
    for (const auto& o : clients_)
        if (o.get() != &c && o->greeted && !o->closing && o->opened && o->exclusive)
            refusal = "busy: held exclusively by process " + std::to_string(o->pid);
    if (!refusal.empty()) {
        log_.Line("connection refused (process " + std::to_string(pid) + "): " + refusal);
        const auto reason = std::span(reinterpret_cast<const uint8_t*>(refusal.data()), refusal.size());
        c.sock.SendAll(EncodeLink(LinkType::Refuse, reason), kSendTimeoutMs);
        CloseClient(c, "");
        return;
    }
    c.greeted = true;
    c.pid = pid;
    c.exclusive = exclusive;
    log_.Line("connection open (client " + std::to_string(c.id) + ", process " + std::to_string(pid) + ")");
    if (!c.sock.SendAll(EncodeLink(LinkType::Welcome), kSendTimeoutMs)) CloseClient(c, "send failed");
}

void TSimServer::OnFrame(Client& c, const std::vector<uint8_t>& frame)
{
    log_.Line("<- " + HexBytes(frame));
    const uint64_t now = Now();
    const DeviceOutcome out = model_.Handle(frame, now);
    if (!out.accepted) {
        log_.Line("?? ignored: " + out.note);
        return;
    }
    if (!out.note.empty()) log_.Line("-- " + out.note);
    if (frame[3] == static_cast<uint8_t>(RequestKind::Poll)) {
        const bool alarm = model_.AlarmOn(now);
        if (alarm != alarm_)
            log_.Line(std::string("-- alarm ") + (alarm ? "on" : "off") + " (reading " +
                      std::to_string(model_.Reading(now)) + ", threshold " +
                      std::to_string(model_.Parameters().alarmThreshold) + ")");
        alarm_ = alarm;
    }
    if (out.reply.empty()) return;
    if (out.delayMs > 0)
        delayed_.push_back({c.id, out.reply, now + static_cast<uint64_t>(out.delayMs)});
    else
        SendFrame(c, out.reply);
}

void TSimServer::SendFrame(Client& c, const std::vector<uint8_t>& frame)
{
    log_.Line("-> " + HexBytes(frame));
    if (!c.sock.SendAll(EncodeLink(LinkType::Frame, frame), kSendTimeoutMs)) CloseClient(c, "send failed");
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
            if (c->id == d.clientId && !c->closing) SendFrame(*c, d.frame);
}

void TSimServer::ReadControl(ControlClient& cc)
{
    char buf[512];
    const int n = cc.sock.Recv(buf, sizeof buf);
    if (n <= 0) {
        cc.closing = true;
        return;
    }
    cc.pending.append(buf, static_cast<size_t>(n));
    for (size_t eol; (eol = cc.pending.find('\n')) != std::string::npos;) {
        const std::string line = cc.pending.substr(0, eol);
        cc.pending.erase(0, eol + 1);
        const std::string answer = Command(line, "control");
        if (!answer.empty() && !cc.sock.SendAll((answer + "\n").data(), answer.size() + 1, kSendTimeoutMs)) {
            cc.closing = true;
            return;
        }
    }
    if (cc.pending.size() > kMaxCommandLine) cc.closing = true;
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
    return static_cast<int>(wait);
}

void TSimServer::Run(TLineQueue* input, FILE* answers)
{
    bool inputOpen = input != nullptr;
    while (running_) {
        TSocketSet set;
        set.Add(listener_);
        set.Add(controlListener_);
        for (const auto& c : clients_)
            set.Add(c->sock);
        for (const auto& c : controls_)
            set.Add(c->sock);
        set.Wait(NextTimeout());

        // Data already sent by connected processes is taken before newcomers
        // are heard, so an exclusive claim made first is honoured first.
        for (size_t i = 0; i < clients_.size(); ++i)
            if (!clients_[i]->closing && set.Readable(clients_[i]->sock)) ReadClient(*clients_[i]);
        for (size_t i = 0; i < controls_.size() && running_; ++i)
            if (set.Readable(controls_[i]->sock)) ReadControl(*controls_[i]);
        if (set.Readable(listener_)) AcceptClient();
        if (set.Readable(controlListener_)) AcceptControl();

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

        SendDue();
        const uint64_t now = Now();
        for (auto& c : clients_)
            if (!c->greeted && !c->closing && now - c->acceptedMs > kHelloTimeoutMs)
                CloseClient(*c, "no hello");
        DropClosed();
    }
    for (auto& c : clients_)
        CloseClient(*c, "simulator ends");
    DropClosed();
    log_.Line("simulator ends");
}
