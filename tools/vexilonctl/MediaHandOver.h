#pragma once

namespace vexilon {

// The command line as main received it, for a hand-over.
void RememberArguments(char** argv);

// Runs the same command line in vexilonctl-media beside this program, which links FFmpeg's
// libraries for RTSP cameras and video export; returns only when that cannot be started, with
// the exit code of the failure. what names the work in that message.
int HandOverToMediaTool(const char* what);

}  // namespace vexilon
