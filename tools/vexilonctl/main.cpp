#include <cstdio>
#include <string>
#include <vector>

#include "CatalogueCommand.h"
#include "MediaHandOver.h"
#include "PictureCommand.h"
#include "ProbeCommand.h"
#include "RecordCommand.h"
#include "SnapshotCommand.h"
#include "Version.h"
#include "VmcCommand.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: vexilonctl COMMAND ...\n"
      "  catalogue list FILE [--json] print every node of a connection file, depth first\n"
      "  catalogue convert IN OUT     save IN as OUT (.vxp: published, else private text)\n"
      "  probe URL [options]          read a camera stream and report every frame\n"
      "  probe --entry PATH [options] the same for a catalogue entry\n"
      "  snapshot URL OUT.jpg [options]\n"
      "  snapshot --entry PATH OUT.jpg [options]\n"
      "                               save one frame of a camera as received\n"
      "  record URL [options]         record a camera into multi-capture or JPEG files\n"
      "  vmc info FILE [--json]       list the frames and images of a multi-capture file\n"
      "  vmc cut FILE FIRST LAST      delete frames FIRST to LAST in place\n"
      "  vmc extract FILE OUT (--frames FIRST LAST | --window NUMBER)\n"
      "                               copy frames or one window into a new file\n"
      "  vmc explode FILE FOLDER PREFIX --window NUMBER\n"
      "                               write one window's images as numbered JPEG files\n"
      "  vmc export FILE OUT [--window NUMBER] [--frames FIRST LAST]\n"
      "                               a recording as a video: .mkv keeps the JPEGs, .mp4 is H.264\n"
      "  picture info FILE            decode a picture as a camera window does\n"
      "  picture convert FILE OUT.ppm [--frame N]\n"
      "                               write the decoded picture as a binary PPM\n"
      "vexilonctl COMMAND --help describes a command and its options; vexilonctl --version\n"
      "prints the version.\n",
      stdout);
}

}  // namespace

int main(int argc, char** argv) {
  vexilon::RememberArguments(argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs("vexilonctl: no command given (see vexilonctl --help)\n", stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage();
    return 0;
  }
  if (args[0] == "--version") {
    std::printf("vexilonctl %s\n", vexilon::kVersionText);
    return 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "catalogue") return vexilon::RunCatalogueCommand(rest);
  if (args[0] == "probe") return vexilon::RunProbeCommand(rest);
  if (args[0] == "snapshot") return vexilon::RunSnapshotCommand(rest);
  if (args[0] == "record") return vexilon::RunRecordCommand(rest);
  if (args[0] == "vmc") return vexilon::RunVmcCommand(rest);
  if (args[0] == "picture") return vexilon::RunPictureCommand(rest);
  std::fprintf(stderr, "vexilonctl: unknown command '%s' (see vexilonctl --help)\n",
               args[0].c_str());
  return 2;
}
