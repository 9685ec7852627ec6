// orvane-ctl's commands: parsing the command line, talking to the device
// through a TDevicePort, and printing. Data goes to `out`, messages to `err`;
// the result is the exit code. Portable: the native program and the .exe
// run exactly this.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "ctl/deviceport.h"

enum TCtlExit : int {
    kExitDone = 0,
    kExitUsage = 1,
    kExitNoDevice = 2,
    kExitBusy = 3,
    kExitUnconfirmed = 4,
    kExitDeviceError = 5,
    // What was to be printed could not be written (a full disk, a closed
    // pipe).
    kExitOutput = 6,
};

// args: the command line without the program's name.
int RunCtl(const std::vector<std::string>& args, TDevicePort& port, std::ostream& out, std::ostream& err);

// The text of --help.
std::string CtlUsage();
