#include "simulator/controlsession.h"

#include <filesystem>
#include <random>
#include <sstream>
#include <vector>

#include "runtime/sysutils.h"
#include "simulator/simcommands.h"

namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

// Takes as long whatever the difference, so that the time of an answer
// tells nothing about how much of a guess was right.
bool SameSecret(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

std::string NewControlToken()
{
    static const char digits[] = "0123456789abcdef";
    std::random_device source;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        const uint32_t r = source();
        for (int shift = 0; shift < 32; shift += 4)
            token += digits[(r >> shift) & 15];
    }
    return token;
}

std::string DefaultTokenFile(const std::string& stateFile, uint16_t controlPort)
{
    const std::filesystem::path folder = std::filesystem::path(stateFile).parent_path();
    return (folder / ("control-" + std::to_string(controlPort) + ".token")).string();
}

bool LooksLikeHttp(const std::string& line)
{
    const auto w = Words(line);
    if (w.empty()) return false;
    // A header: "Host: 127.0.0.1", "Content-Type: text/plain". No command
    // word of ours ends in a colon.
    if (w[0].find(':') != std::string::npos) return true;
    // A request line ends in the protocol version: "POST / HTTP/1.1".
    return UpperCase(w.back()).rfind("HTTP/", 0) == 0;
}

TControlSession::Step TControlSession::OnLine(const std::string& line)
{
    const auto w = Words(line);
    if (w.empty()) return {};
    if (LooksLikeHttp(line))
        return {false, "error this port takes simulator commands, not web requests", true};
    if (LowerCase(w[0]) == "token") {
        if (token_.empty()) {
            admitted_ = true;
            return {false, "ok token (none needed)", false};
        }
        if (w.size() == 2 && SameSecret(w[1], token_)) {
            admitted_ = true;
            return {false, "ok token", false};
        }
        return {false, "error wrong token", true};
    }
    if (!admitted_) {
        if (!token_.empty())
            return {false, "error the first line must be \"token\" and the token (see --help)", true};
        if (!IsCommandWord(LowerCase(w[0])))
            return {false, "error unknown command '" + Trim(line) + "'", true};
        admitted_ = true;
    }
    return {true, {}, false};
}
