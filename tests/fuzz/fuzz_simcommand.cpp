// Lines as they reach the control port from any program on the machine, a
// web page's form post included. Nothing runs before the token; nothing that
// looks like a web request ever runs; every command gets one answer line;
// the device keeps its parameters within range.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "simulator/controlsession.h"
#include "simulator/devicemodel.h"
#include "simulator/simcommands.h"

namespace {

struct QuietLink : TSimLink {
    void Plug() override {}
    void Unplug() override {}
    void Quit() override {}
};

bool OneAnswerLine(const std::string& a)
{
    return a.find('\n') == std::string::npos && (a.rfind("ok", 0) == 0 || a.rfind("error", 0) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte chooses a session with or without a token.
    const std::string token = (data[0] & 1) ? "0123456789abcdef0123456789abcdef" : "";
    std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    TControlSession session(token);
    TDeviceModel model("", 7);
    QuietLink link;
    bool tokenGiven = false;
    uint64_t now = 0;
    for (std::string line; std::getline(in, line);) {
        const TControlSession::Step step = session.OnLine(line);
        if (step.answer.rfind("ok token", 0) == 0) {
            if (!token.empty() && line.find(token) == std::string::npos) __builtin_trap();
            tokenGiven = true;
        }
        if (!step.execute) {
            if (!step.answer.empty() && !OneAnswerLine(step.answer)) __builtin_trap();
            if (step.close) break;
            continue;
        }
        if (LooksLikeHttp(line)) __builtin_trap();
        if (!token.empty() && !tokenGiven) __builtin_trap();
        const std::string answer = ExecuteCommand(line, model, link, now += 100);
        if (!answer.empty() && !OneAnswerLine(answer)) __builtin_trap();
        if (!(ClampParameters(model.Parameters()) == model.Parameters())) __builtin_trap();
    }
    return 0;
}
