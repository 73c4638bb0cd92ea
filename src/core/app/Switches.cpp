#include "core/app/Switches.h"

#include <sys/stat.h>

#include <filesystem>
#include <utility>

namespace vexilon {

namespace {

std::vector<std::string> gParameters;

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// parameter begins with "/" and name, without regard to case.
bool StartsWithSwitch(const std::string& parameter, const std::string& name) {
  if (parameter.size() < name.size() + 1 || parameter.front() != '/') return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (Upper(parameter[i + 1]) != Upper(name[i])) return false;
  return true;
}

}  // namespace

void SetCommandLine(std::vector<std::string> parameters) {
  gParameters = std::move(parameters);
}

const std::vector<std::string>& CommandLine() {
  return gParameters;
}

bool SwitchPresent(const std::string& name) {
  for (const std::string& parameter : gParameters)
    if (parameter.size() == name.size() + 1 && StartsWithSwitch(parameter, name)) return true;
  return false;
}

std::string SwitchValue(const std::string& name) {
  for (const std::string& parameter : gParameters) {
    if (!StartsWithSwitch(parameter, name)) continue;
    std::size_t end = name.size() + 1;
    if (end == parameter.size()) return {};
    if (parameter[end] != '=' && parameter[end] != ':') continue;
    // The first separator of the parameter, which is the one after the name unless the name
    // itself holds one.
    std::size_t separator = parameter.find_first_of("=:", 1);
    return parameter.substr(separator + 1);
  }
  return {};
}

std::vector<std::string> WithAbsoluteFileSwitches(std::vector<std::string> parameters,
                                                  const std::string& workingFolder) {
  const auto regularFile = [](const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  };
  for (std::string& parameter : parameters) {
    // A file alone, as the desktop's launchers pass it: its extension says what to do.
    const std::filesystem::path alone = std::filesystem::path(workingFolder) / parameter;
    const std::string extension = alone.extension().string();
    const char* implied = extension == ".vmc"                          ? "/P="
                          : extension == ".vxd"                        ? "/D="
                          : extension == ".vxc" || extension == ".vxp" ? "/C="
                                                                       : nullptr;
    if (implied != nullptr && regularFile(alone)) {
      parameter = implied + alone.lexically_normal().string();
      continue;
    }
    for (const char* name : {"C", "D", "P"}) {
      if (!StartsWithSwitch(parameter, name) || parameter.size() < 3 ||
          (parameter[2] != '=' && parameter[2] != ':'))
        continue;
      const std::string value = parameter.substr(3);
      if (value.empty() || value.front() == '/') continue;
      const std::filesystem::path file = std::filesystem::path(workingFolder) / value;
      if (regularFile(file)) parameter = parameter.substr(0, 3) + file.lexically_normal().string();
    }
  }
  return parameters;
}

}  // namespace vexilon
