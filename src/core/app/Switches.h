#pragma once
#include <string>
#include <vector>

namespace vexilon {

// Stores the command line: the parameters after the program name. Call it at start-up, before
// any thread runs.
void SetCommandLine(std::vector<std::string> parameters);

// The parameters stored by SetCommandLine.
const std::vector<std::string>& CommandLine();

// A flag switch: some parameter is "/" and name, compared without regard to case.
bool SwitchPresent(const std::string& name);

// A value switch, "/NAME=value" or "/NAME:value" (case of NAME ignored): the value of the first
// parameter that is "/" and name, alone or followed by "=" or ":". Empty when absent or alone.
std::string SwitchValue(const std::string& name);

// parameters with the values of /C, /D and /P that name a file relative to workingFolder made
// absolute, so that they keep naming it when handed to a viewer started elsewhere; other values
// are kept as given (they are resolved in the program folder). A file named alone, as desktop
// launchers pass it, becomes the switch its extension calls for: .vmc /P, .vxd /D, .vxc and
// .vxp /C.
std::vector<std::string> WithAbsoluteFileSwitches(std::vector<std::string> parameters,
                                                  const std::string& workingFolder);

}  // namespace vexilon
