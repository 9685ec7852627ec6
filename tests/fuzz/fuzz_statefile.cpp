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
    // Any cut of an accepted file is refused: a value cut to its first digit
    // must not pass for the one saved.
    if (size > 0 && !ParseParameterFile(text.substr(0, size - 1), problem) && problem.empty()) __builtin_trap();
    return 0;
}
