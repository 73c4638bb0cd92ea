#include "core/app/TerminalAnswer.h"

#include "Version.h"

namespace vexilon {
namespace {

constexpr const char* kUsage =
    R"(usage: vexilon [/C=FILE] [/D=FILE] [/P=FILE] [/NOWEB] [/DEBUG] [/NT] [/ARRAY=COLS,ROWS] [FILE]
A viewer for network cameras.

  /C=FILE        load this catalogue (.vxc or .vxp) instead of the program folder's
  /D=FILE        open this desktop layout (.vxd) once started
  /P=FILE        play this recording (.vmc) once started
  /NOWEB         do not open the welcome page at the first start
  /DEBUG         write VEXILON.LOG and Vexilon.Dbg into the program folder
  /NT            camera windows wait for their connections to end when they close
  /ARRAY=C,R     the grid of screen cells in which dialogs are placed
  FILE           a .vmc, .vxd, .vxc or .vxp file, opened as its switch would
  --help         this text;  --version  the version

Switches may be written with ":" instead of "=" and in any case. With /P or /D, a viewer of
the same program folder and display that is already running opens the file instead.
Files: $VEXILON_HOME, else the executable's folder when writable, else $XDG_DATA_HOME/vexilon.
See man vexilon.
)";

}  // namespace

std::optional<std::string> TerminalAnswer(const std::vector<std::string>& parameters) {
  for (const std::string& parameter : parameters) {
    if (parameter == "--help" || parameter == "-h") return std::string(kUsage);
    if (parameter == "--version") return "vexilon " + std::string(kVersionText) + "\n";
  }
  return std::nullopt;
}

}  // namespace vexilon
