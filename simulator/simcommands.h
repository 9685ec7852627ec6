// The simulator's command language, shared by standard input and the
// control port. Every command line gets exactly one answer line, starting
// with "ok" or "error". Portable.
//
//   plug | unplug                 attach or detach the device
//   reading N | E1 | E2 | E8      force the reading (N in 0..255, decimal or $hex)
//   reading auto                  the reading follows the simulated sound again
//   level N | level auto          force the level bar (0..255; above 37 lights all) or release it
//   fault drop | garbage | short | bad-checksum | delay MS | off
//                                 spoil every reply from now on, or stop doing so
//   params                        the nine current parameters
//   quit                          end the simulator
//   help                          this list, on one line
#pragma once

#include <cstdint>
#include <string>

#include "simulator/devicemodel.h"

// What the commands do to the connection side of the simulator.
class TSimLink {
public:
    virtual ~TSimLink() = default;
    virtual void Plug() = 0;
    virtual void Unplug() = 0;
    virtual void Quit() = 0;
};

// Empty for a blank line (nothing to answer), else the answer without a
// line end.
std::string ExecuteCommand(const std::string& line, TDeviceModel& model, TSimLink& link, uint64_t nowMs);

// The first word of a command this language has ("fault", "params").
bool IsCommandWord(const std::string& word);

// "input=1 offset=0 refresh=3 ...", as `params` prints them.
std::string DescribeParameters(const ParameterSet& p);
