// Reading the simulator's traffic log. Portable: the Windows end-to-end
// tests and soak run read it, and so does the soak's natively tested judge.
#pragma once

#include <sstream>
#include <string>
#include <vector>

// Frames in the simulator's log: received ("<- EB 90 ...") or sent
// ("-> EB 91 ...", and whatever a fault made of a reply), in order, as the
// hexadecimal text after the arrow.
inline std::vector<std::string> LoggedFrames(const std::string& log, bool received)
{
    const std::string arrow = received ? "<- " : "-> ";
    std::vector<std::string> frames;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(arrow, 0) == 0) frames.push_back(line.substr(3));
    }
    return frames;
}
