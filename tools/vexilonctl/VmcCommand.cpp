#include "VmcCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include "CommandLine.h"
#include "VmcExport.h"
#include "core/capture/DayCount.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/capture/StreamEdit.h"
#include "core/playback/PlaybackLayout.h"
#include "core/text/JsonString.h"

namespace vexilon {
namespace {

const char* const kUsage =
    "usage: vexilonctl vmc info FILE [--json]\n"
    "       vexilonctl vmc cut FILE FIRST LAST\n"
    "       vexilonctl vmc extract FILE OUT (--frames FIRST LAST | --window NUMBER)\n"
    "                              [--caption-height H]\n"
    "       vexilonctl vmc explode FILE FOLDER PREFIX --window NUMBER\n"
    "       vexilonctl vmc export FILE OUT.mkv|OUT.mp4 [--window NUMBER] [--frames FIRST LAST]\n"
    "Reads and edits multi-capture files (.vmc) as the playback window does.\n"
    "  info      prints every frame (number, offset of its length field, time as stored) with\n"
    "            its images (window, name, flags, rectangle, bytes of JPEG data), every\n"
    "            caption-height record where it stands, and the totals; with --json one\n"
    "            object a line, {\"type\":\"frame\",...} with its \"images\", {\"type\":\n"
    "            \"caption-height\",...} and last {\"type\":\"summary\",...}\n"
    "  cut       deletes frames FIRST to LAST (1-based, inclusive) in place; the frames after\n"
    "            them are renumbered and the first image after the cut carries the break flag\n"
    "  extract   copies frames FIRST to LAST, or every image of one recorded window, into the\n"
    "            new one-window file OUT, each image a frame of its own\n"
    "  explode   writes every image of one recorded window as FOLDER/PREFIXnnnnn.jpg, the\n"
    "            numbers going on after the highest already in FOLDER\n"
    "  export    writes frames FIRST to LAST (default: all) of a one-window recording, or\n"
    "            of one window of a desktop recording, as a video with the recorded times:\n"
    "            .mkv keeps each JPEG as it is, .mp4 is H.264 for sharing; the file appears\n"
    "            only once complete\n"
    "  --caption-height H  the caption height the rectangles of OUT allow for (default: the\n"
    "                      one FILE was recorded with, else 22)\n";

// Names come from the file: control characters are shown escaped so that every record stays
// on its own line.
std::string Printable(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x20 || c == 0x7f || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out;
}

void IndexAll(TMultiCaptureReader& reader, const TMultiCaptureReader::TRecordVisitor& visit = {}) {
  while (!reader.IndexStep(4096, visit)) {
  }
}

void PrintFrameText(const TCaptureFrame& frame, std::int64_t offset) {
  std::printf("frame %" PRId32 " offset=%" PRId64 " time=%s\n", frame.FrameNumber, offset,
              DayCountText(frame.DayCount).c_str());
  for (const TCaptureImage& image : frame.Images) {
    std::printf("  image window=%" PRId32 " name=%s flags=%" PRId32 " rect=%" PRId32 ",%" PRId32
                ",%" PRId32 ",%" PRId32 " jpeg=%zu\n",
                image.WindowNumber, Printable(image.Name).c_str(), image.Flags, image.Rect.Left,
                image.Rect.Top, image.Rect.Right, image.Rect.Bottom, image.Jpeg.size());
  }
}

void PrintFrameJson(const TCaptureFrame& frame, std::int64_t offset) {
  std::printf("{\"type\":\"frame\",\"number\":%" PRId32 ",\"offset\":%" PRId64
              ",\"time\":%s,\"images\":[",
              frame.FrameNumber, offset, JsonString(DayCountText(frame.DayCount)).c_str());
  const char* separator = "";
  for (const TCaptureImage& image : frame.Images) {
    std::printf("%s{\"window\":%" PRId32 ",\"name\":%s,\"flags\":%" PRId32 ",\"rect\":[%" PRId32
                ",%" PRId32 ",%" PRId32 ",%" PRId32 "],\"jpeg\":%zu}",
                separator, image.WindowNumber, JsonString(image.Name).c_str(), image.Flags,
                image.Rect.Left, image.Rect.Top, image.Rect.Right, image.Rect.Bottom,
                image.Jpeg.size());
    separator = ",";
  }
  std::printf("]}\n");
}

int Info(const std::string& path, bool json) {
  TMultiCaptureReader reader;
  reader.Open(path);
  long frames = 0, images = 0;
  auto visit = [&](const TMultiCaptureReader::TRecordSeen& seen) {
    if (seen.CaptionHeight) {
      std::printf(json ? "{\"type\":\"caption-height\",\"height\":%" PRId32 "}\n"
                       : "caption-height %" PRId32 "\n",
                  *seen.CaptionHeight);
    }
    if (seen.Type != kRecordFrame) return;
    const std::size_t index = reader.FrameIndex().size() - 1;
    const TCaptureFrame frame = reader.ReadFrame(index);
    if (json)
      PrintFrameJson(frame, reader.FrameIndex()[index]);
    else
      PrintFrameText(frame, reader.FrameIndex()[index]);
    ++frames;
    images += long(frame.Images.size());
  };
  std::string damage;
  try {
    IndexAll(reader, visit);
    reader.CheckUndamaged();
  } catch (const EMultiCaptureRead& e) {
    damage = e.what();
  }
  if (json) {
    std::printf("{\"type\":\"summary\",\"frames\":%ld,\"images\":%ld,\"error\":%s}\n", frames,
                images, damage.empty() ? "null" : JsonString(damage).c_str());
  } else {
    std::printf("frames=%ld images=%ld\n", frames, images);
  }
  std::fflush(stdout);
  return damage.empty() ? 0 : Failure(damage);
}

// Frames first to last of the indexed file; an error message when they are not all in it.
std::string CheckRange(const TMultiCaptureReader& reader, const std::string& path, long first,
                       long last) {
  const std::size_t frames = reader.FrameIndex().size();
  if (last < first)
    return "The last frame (" + std::to_string(last) + ") comes before the first (" +
           std::to_string(first) + ").";
  if (std::size_t(last) > frames)
    return "Frames " + std::to_string(first) + " to " + std::to_string(last) + " are not all in " +
           path + ", which has " + std::to_string(frames) + " frames.";
  return {};
}

int Cut(const std::string& path, long first, long last) {
  TMultiCaptureReader reader;
  reader.Open(path);
  IndexAll(reader);
  // Bytes past damage would be moved without being understood.
  reader.CheckUndamaged();
  if (const std::string error = CheckRange(reader, path, first, last); !error.empty())
    return Failure(error);
  // The cut writes a new version beside the file; a file the user may not change stays as is.
  if (::access(path.c_str(), W_OK) != 0)
    return Failure("Could not re-open " + path + " for write access: " + std::strerror(errno));
  const TCutResult result = CutFrames(path, reader.FrameIndex(), reader.FileSize(),
                                      std::int32_t(first), std::int32_t(last));
  std::printf("frames=%zu\n", result.FrameIndex.size());
  return 0;
}

int Report(const TExtractResult& result, const std::string& source, const std::string& done) {
  if (result.DamageAt) {
    return Failure(source + " is damaged at offset " + std::to_string(*result.DamageAt) + "; the " +
                   std::to_string(result.Images) + " images before it were " + done + ".");
  }
  std::printf("images=%" PRId32 "%s%s\n", result.Images,
              result.LastFile.empty() ? "" : " last=", result.LastFile.c_str());
  return 0;
}

int Extract(const std::string& source, const std::string& target, const TArguments& parsed) {
  const bool byFrames = parsed.Has("--frames");
  if (byFrames == parsed.Has("--window"))
    return UsageError("vmc", "extract needs either --frames FIRST LAST or --window NUMBER");
  TMultiCaptureReader reader;
  reader.Open(source);
  IndexAll(reader);
  std::int32_t captionHeight =
      SaneCaptionHeight(reader.CaptionHeight().value_or(kDefaultCaptionHeight));
  if (parsed.Has("--caption-height")) {
    const auto height = WholeNumber(parsed.Value("--caption-height"), 0, 1000);
    if (!height) return UsageError("vmc", "--caption-height needs a number from 0 to 1000");
    captionHeight = std::int32_t(*height);
  }
  TExtractResult result;
  if (byFrames) {
    const std::vector<std::string>& range = parsed.Options.at("--frames");
    const auto first = WholeNumber(range[0], 1, INT32_MAX),
               last = WholeNumber(range[1], 1, INT32_MAX);
    if (!first || !last) return UsageError("vmc", "--frames needs two frame numbers of at least 1");
    if (const std::string error = CheckRange(reader, source, *first, *last); !error.empty())
      return Failure(error);
    result = ExtractFrames(source, reader.FrameIndex(), std::int32_t(*first), std::int32_t(*last),
                           target, captionHeight);
  } else {
    const auto window = WholeNumber(parsed.Value("--window"), INT32_MIN, INT32_MAX);
    if (!window) return UsageError("vmc", "--window needs a window number");
    result = ExtractWindow(source, std::int32_t(*window), target, captionHeight);
  }
  return Report(result, source, "extracted to " + target);
}

int Export(const std::string& source, const std::string& target, const TArguments& parsed) {
  std::optional<std::int32_t> window;
  if (parsed.Has("--window")) {
    const auto number = WholeNumber(parsed.Value("--window"), INT32_MIN, INT32_MAX);
    if (!number) return UsageError("vmc", "--window needs a window number");
    window = std::int32_t(*number);
  }
  std::int32_t first = 1, last = 0;
  if (parsed.Has("--frames")) {
    const std::vector<std::string>& range = parsed.Options.at("--frames");
    const auto from = WholeNumber(range[0], 1, INT32_MAX), to = WholeNumber(range[1], 1, INT32_MAX);
    if (!from || !to) return UsageError("vmc", "--frames needs two frame numbers of at least 1");
    first = std::int32_t(*from);
    last = std::int32_t(*to);
  }
  return RunVmcExport(source, target, window, first, last);
}

int Explode(const std::vector<std::string>& positional, const TArguments& parsed) {
  const auto window = WholeNumber(parsed.Value("--window"), INT32_MIN, INT32_MAX);
  if (!window) return UsageError("vmc", "explode needs --window NUMBER");
  if (positional[3].empty() || positional[3].find('/') != std::string::npos)
    return UsageError("vmc", "PREFIX is a file name prefix, without a folder");
  const TExtractResult result =
      ExplodeWindow(positional[1], std::int32_t(*window), positional[2], positional[3]);
  return Report(result, positional[1], "written");
}

}  // namespace

int RunVmcCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  TArguments parsed;
  const std::string error = SplitArguments(
      args, {{"--frames", 2}, {"--window", 1}, {"--caption-height", 1}, {"--json", 0}}, parsed);
  if (!error.empty()) return UsageError("vmc", error);
  const std::vector<std::string>& p = parsed.Positional;
  const std::string action = p.empty() ? "" : p[0];
  const std::map<std::string, std::size_t> positionals = {
      {"info", 2}, {"cut", 4}, {"extract", 3}, {"explode", 4}, {"export", 3}};
  const auto expected = positionals.find(action);
  if (expected == positionals.end())
    return UsageError("vmc", action.empty()
                                 ? "no action given (info, cut, extract, explode or export)"
                                 : "unknown action '" + action + "'");
  if (p.size() != expected->second)
    return UsageError("vmc", "wrong number of arguments for " + action);
  const std::map<std::string, std::string> onlyOption = {
      {"info", "--json"}, {"cut", ""}, {"explode", "--window"}};
  if (const auto only = onlyOption.find(action);
      only != onlyOption.end() &&
      parsed.Options.size() > std::size_t(!only->second.empty() && parsed.Has(only->second)))
    return UsageError("vmc", action + (only->second.empty() ? " takes no options"
                                                            : " takes only " + only->second));
  if (parsed.Has("--json") && action != "info") return UsageError("vmc", "--json goes with info");
  if (const std::string missing = MissingFile(p[1]); !missing.empty()) return Failure(missing);
  try {
    if (action == "info") return Info(p[1], parsed.Has("--json"));
    if (action == "cut") {
      const auto first = WholeNumber(p[2], 1, INT32_MAX), last = WholeNumber(p[3], 1, INT32_MAX);
      if (!first || !last)
        return UsageError("vmc", "FIRST and LAST are frame numbers of at least 1");
      return Cut(p[1], *first, *last);
    }
    if (action == "extract") return Extract(p[1], p[2], parsed);
    if (action == "export") return Export(p[1], p[2], parsed);
    return Explode(p, parsed);
  } catch (const std::exception& e) {
    return Failure(e.what());
  }
}

}  // namespace vexilon
