#include <cstdio>
#include <string>
#include <vector>

#include "CatalogueCommand.h"
#include "ProbeCommand.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: vexilonctl COMMAND ...\n"
      "  catalogue list FILE          print every node of a connection file, depth first\n"
      "  catalogue convert IN OUT     save IN as OUT (.vxp: published, else private text)\n"
      "  probe URL [options]          read a camera stream and report every frame\n"
      "                               (vexilonctl probe --help for the options)\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (args[0] == "catalogue") {
    return vexilon::RunCatalogueCommand({args.begin() + 1, args.end()});
  }
  if (args[0] == "probe") {
    return vexilon::RunProbeCommand({args.begin() + 1, args.end()});
  }
  std::fprintf(stderr, "vexilonctl: unknown command '%s'\n", args[0].c_str());
  PrintUsage(stderr);
  return 2;
}
