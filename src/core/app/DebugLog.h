#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vexilon {

// Whether the "DEBUG" switch is on the command line (or a test forced it).
bool DebugEnabled();

// Forces DebugEnabled on or off for tests; nothing returns it to the command line's answer.
void SetDebugEnabledForTest(std::optional<bool> enabled);

// When debugging, appends "yyyy/mm/dd hh:nn:ss Tick=<ms> <message>" and a line end to
// ./VEXILON.LOG in the program folder. The file is opened for each line, so a log survives a
// crash; a line that cannot be written is dropped. Safe from any thread.
void Log(std::string_view message);

// The line Log writes, for a given local time and tick count; no line end.
std::string LogLine(std::string_view message, long long unixSeconds, unsigned long long tick);

// When debugging, appends bytes to the dump file name (such as "CAPTURE.BIN") in the program
// folder, creating it when missing, until it holds 256 MiB; failures are ignored.
void AppendDebugDump(const std::string& name, std::string_view bytes);

// When debugging and payload is not empty, replaces ./Vexilon.Dbg with the payload, so that
// the file always holds the last picture a camera window received.
void DumpLastPayload(std::string_view payload);

}  // namespace vexilon
