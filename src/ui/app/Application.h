#pragma once

namespace vexilon {

// Starts the viewer with the process's command line and runs it until the first main window
// closes; answers the process exit code.
int RunApplication(int argc, char** argv);

}  // namespace vexilon
