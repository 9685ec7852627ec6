// The simulator's control port as the tests drive it: one command line out,
// one answer line back. Portable: native and Windows tests share it.
#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "link/netsocket.h"

// The simulator's answer line ("ok ...", "error ..."), without its line end;
// "<send failed>" when the command could not be sent. Each byte of the answer
// is waited for at most answerMs.
inline std::string SimCommand(TSocket& control, const std::string& line, int answerMs = 5000)
{
    const std::string text = line + "\n";
    if (!control.SendAll(text.data(), text.size(), 2000)) return "<send failed>";
    std::string answer;
    char c;
    while (control.WaitReadable(answerMs) && control.Recv(&c, 1) == 1 && c != '\n')
        answer += c;
    return answer;
}

// The control port of a simulator that asks for its run's token: connected
// once it listens, the token sent first, then one answer line per command.
class TSimControl {
public:
    // Tries until `within` has passed: the simulator may not listen yet, or
    // have no room for another connection yet. tokenFile empty: it runs with
    // --no-token. False when it never came up or never took the token.
    bool Connect(uint16_t port, const std::string& tokenFile, std::chrono::milliseconds within)
    {
        for (auto until = std::chrono::steady_clock::now() + within; std::chrono::steady_clock::now() < until;
             std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
            sock_ = TSocket::Connect(port, 500);
            if (!sock_.Valid()) continue;
            if (tokenFile.empty()) return true;
            // The file is written before the port takes connections.
            std::string token;
            std::ifstream(tokenFile) >> token;
            if (Command("token " + token) == "ok token") return true;
            sock_.Close();
        }
        return false;
    }

    // The answer line without its line end; empty when none came.
    std::string Command(const std::string& line)
    {
        return sock_.Valid() ? SimCommand(sock_, line) : "<send failed>";
    }

    // Sends without waiting for the answer, for a simulator that is stopped.
    bool Post(const std::string& line)
    {
        const std::string text = line + "\n";
        return sock_.Valid() && sock_.SendAll(text.data(), text.size(), 2000);
    }

    bool Valid() const { return sock_.Valid(); }
    void Close() { sock_.Close(); }

private:
    TSocket sock_;
};
