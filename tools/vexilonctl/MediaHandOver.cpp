#include "MediaHandOver.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace vexilon {
namespace {

char** gArguments = nullptr;

}  // namespace

void RememberArguments(char** argv) {
  gArguments = argv;
}

int HandOverToMediaTool(const char* what) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::string tool = (self.parent_path() / "vexilonctl-media").string();
  if (gArguments != nullptr) execv(tool.c_str(), gArguments);
  std::fprintf(stderr, "vexilonctl: %s needs %s, which cannot be started: %s\n", what, tool.c_str(),
               std::strerror(errno));
  return 1;
}

}  // namespace vexilon
