// The saved-parameter file is read at every start, and whatever is on the
// disk (cut short, edited, damaged) must give either valid parameters or a
// clear problem. What is accepted is within range and is written back alike.
#include <cstddef>
#include <cstdint>
#include <string>

#include "simulator/devicemodel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const auto p = ParseParameterFile(text, problem);
    if (!p) {
        if (problem.empty()) __builtin_trap();
        return 0;
    }
    if (!(ClampParameters(*p) == *p)) __builtin_trap();
    const auto again = ParseParameterFile(FormatParameterFile(*p), problem);
    if (!again || !(*again == *p)) __builtin_trap();
    // An accepted file cut inside a line is refused: a value cut to its
    // first digit must not pass for the one saved.
    const std::string cut = text.substr(0, size - 1);
    if (!cut.empty() && cut.back() != '\n' && ParseParameterFile(cut, problem)) __builtin_trap();
    return 0;
}
