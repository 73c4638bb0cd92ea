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

}  // namespace vexilon
