#include "SnapshotCommand.h"

#include <cstdio>
#include <exception>

#include "CameraTarget.h"
#include "CameraWatch.h"
#include "CommandLine.h"
#include "core/app/AtomicFile.h"

namespace vexilon {
namespace {

const char* const kUsage =
    "usage: vexilonctl snapshot (URL | --entry PATH [--catalogue FILE]) OUT.jpg [options]\n"
    "Saves the first frame of a camera, its bytes as received, as OUT.jpg. The camera is read\n"
    "as probe reads it.\n"
    "  --seconds S         give up after S seconds (default 10)\n";

}  // namespace

int RunSnapshotCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s%s%s", kUsage, kEntryOptionsHelp, kCameraOptionsHelp);
    return 0;
  }
  TArguments parsed;
  if (const std::string error =
          SplitArguments(args, TCameraTarget::WithOptions({{"--seconds", 1}}), parsed);
      !error.empty())
    return UsageError("snapshot", error);
  if (parsed.Positional.empty()) return UsageError("snapshot", "no OUT.jpg given");
  const std::string out = parsed.Positional.back();
  parsed.Positional.pop_back();
  double seconds = 10;
  if (parsed.Has("--seconds")) {
    const auto given = Seconds(parsed.Value("--seconds"));
    if (!given) return UsageError("snapshot", "--seconds needs a number above 0 (at most a day)");
    seconds = *given;
  }
  TCameraTarget target;
  if (const std::string error = target.Read(parsed); !error.empty())
    return UsageError("snapshot", error);
  if (const std::string failure = target.Load(); !failure.empty()) return Failure(failure);

  std::string frame;
  TProbeSink::THandlers handlers;
  handlers.Frame = [&frame](long, const std::string& bytes, const std::string&) { frame = bytes; };
  auto sink = std::make_shared<TProbeSink>(1, handlers);
  const TWatchResult result = WatchCamera(target, sink, seconds);
  if (!result.Failure.empty()) return Failure("vexilonctl snapshot: " + result.Failure);
  try {
    WriteFileAtomically(out, frame);
  } catch (const std::exception& e) {
    return Failure(e.what());
  }
  return 0;
}

}  // namespace vexilon
