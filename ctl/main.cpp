// orvane-ctl: the device from the command line. Natively it talks over the
// link client; the .exe loads CH375DLL.DLL, ours or the chip maker's.
#include <iostream>
#include <string>
#include <vector>

#include "ctl/ctlcommands.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto port = MakeDevicePort();
    const int code = RunCtl(args, *port, std::cout, std::cerr);
    // Also what an error message was printed for: a full disk or a closed
    // pipe must not pass for success.
    if (!std::cout.flush() && code != kExitOutput) {
        std::cerr << "orvane-ctl: cannot write the output\n";
        return kExitOutput;
    }
    return code;
}
