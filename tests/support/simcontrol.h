// The simulator's control port as the tests drive it: one command line out,
// one answer line back. Portable: native and Windows tests share it.
#pragma once

#include <string>

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
