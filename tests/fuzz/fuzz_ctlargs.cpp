// orvane-ctl's command lines, whatever a script passes, against the
// simulator's device model in memory: every run ends with one of the seven
// exit codes, a refused command leaves the device as it was, and the device
// never holds a value outside its ranges.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/ctlcommands.h"
#include "simulator/devicemodel.h"

namespace {

class ModelPort : public TDevicePort {
public:
    TDeviceModel model{"", 7};
    TOpenResult Open() override { return {TState::Opened, {}}; }
    void Close() override {}
    bool Write(std::span<const uint8_t> frame) override
    {
        reply_ = model.Handle(frame, now_ += 20).reply;
        return true;
    }
    std::optional<size_t> Read(std::span<uint8_t> buffer) override
    {
        if (reply_.empty()) return std::nullopt;
        const size_t n = std::min(buffer.size(), reply_.size());
        std::copy_n(reply_.begin(), n, buffer.begin());
        reply_.clear();
        return n;
    }

private:
    std::vector<uint8_t> reply_;
    uint64_t now_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Arguments separated by NUL, as a process receives them.
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i)
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    // watch waits between readings and --csv writes files: not for here.
    for (const auto& a : args)
        if (a == "watch") return 0;
    ModelPort port;
    const ParameterSet before = port.model.Parameters();
    std::ostringstream out, err;
    const int code = RunCtl(args, port, out, err);
    if (code < 0 || code > 6) __builtin_trap();
    if (code != 0 && !(port.model.Parameters() == before)) __builtin_trap();
    if (!(ClampParameters(port.model.Parameters()) == port.model.Parameters())) __builtin_trap();
    if (code != 0 && err.str().empty()) __builtin_trap();
    return 0;
}
