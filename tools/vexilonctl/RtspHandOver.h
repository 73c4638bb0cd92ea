#pragma once

namespace vexilon {

// The command line as main received it, for a hand-over.
void RememberArguments(char** argv);

// Runs the same command line in vexilonctl-rtsp beside this program, which reads RTSP
// cameras; returns only when that cannot be started, with the exit code of the failure.
int HandOverToRtspTool();

}  // namespace vexilon
