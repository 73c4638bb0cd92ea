#include "PictureCommand.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "CommandLine.h"
#include "core/app/AtomicFile.h"
#include "core/imaging/Gif.h"
#include "core/imaging/Picture.h"

namespace vexilon {
namespace {

const char* const kUsage =
    "usage: vexilonctl picture info FILE\n"
    "       vexilonctl picture convert FILE OUT.ppm [--frame N]\n"
    "Decodes a picture as a camera window decodes a frame: GIF by its signature, else JPEG,\n"
    "else a plain bitmap.\n"
    "  info      prints format=gif|jpeg|bitmap width= height= bits= (per pixel) animated=0|1\n"
    "  convert   writes the decoded picture as a binary PPM (P6)\n"
    "  --frame N the frame of an animated GIF to write, 1-based (default 1), drawn over the\n"
    "            frames before it as the decoder draws them\n";

// Pictures larger than a camera sends are refused before they are read.
constexpr std::int64_t kMaxPictureFile = std::int64_t(256) << 20;

std::string ReadPicture(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    throw std::runtime_error("Cannot open " + path + ": " + std::strerror(errno));
  if (!S_ISREG(info.st_mode))
    throw std::runtime_error("Cannot open " + path + ": not a regular file");
  if (info.st_size > kMaxPictureFile)
    throw std::runtime_error("Cannot open " + path + ": over 256 MiB, too large for a picture");
  std::string bytes;
  if (!ReadWholeFile(path, bytes, kMaxPictureFile))
    throw std::runtime_error("Cannot read " + path + ": " + std::strerror(errno));
  return bytes;
}

// Frame n (1-based) of a GIF, as TGif draws it: every frame over the ones before.
TBitmap GifFrame(const std::string& bytes, long n, const std::string& path) {
  TGif gif;
  gif.Load(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  // An animated GIF holds only its background until the first step.
  long reached = gif.Animated() ? 0 : 1;
  while (reached < n && gif.ReadNextFrame()) ++reached;
  if (reached < n)
    throw std::runtime_error(path + " has " + std::to_string(reached) + " frames, not " +
                             std::to_string(n));
  return gif.ToBitmap();
}

void WritePpm(const std::string& path, const TBitmap& bitmap) {
  std::string out =
      "P6\n" + std::to_string(bitmap.Width) + " " + std::to_string(bitmap.Height) + "\n255\n";
  out.append(reinterpret_cast<const char*>(bitmap.Pixels.data()), bitmap.Pixels.size());
  WriteFileAtomically(path, out);
}

}  // namespace

int RunPictureCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  TArguments parsed;
  if (const std::string error = SplitArguments(args, {{"--frame", 1}}, parsed); !error.empty())
    return UsageError("picture", error);
  const std::vector<std::string>& p = parsed.Positional;
  const bool info = p.size() == 2 && p[0] == "info" && parsed.Options.empty();
  const bool convert = p.size() == 3 && p[0] == "convert";
  if (!info && !convert)
    return UsageError("picture", p.empty() ? "no action given (info or convert)"
                                           : "wrong arguments for '" + p[0] + "'");
  const auto frame = WholeNumber(parsed.Value("--frame", "1"), 1, 1000000);
  if (!frame) return UsageError("picture", "--frame needs a frame number of at least 1");
  if (const std::string missing = MissingFile(p[1]); !missing.empty()) return Failure(missing);
  try {
    const std::string bytes = ReadPicture(p[1]);
    const TDecodedPicture picture =
        DecodePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!picture.Decoded()) return Failure(picture.Error);
    if (info) {
      std::printf("format=%s width=%d height=%d bits=%d animated=%d\n",
                  PictureFormatName(picture.Format), picture.Width, picture.Height,
                  picture.BitsPerPixel, picture.Animated ? 1 : 0);
      return 0;
    }
    if (*frame > 1 && picture.Format != TPictureFormat::Gif)
      return Failure(p[1] + " has 1 frame, not " + std::to_string(*frame));
    WritePpm(p[2], picture.Format == TPictureFormat::Gif ? GifFrame(bytes, *frame, p[1])
                                                         : picture.Bitmap);
    return 0;
  } catch (const std::exception& e) {
    return Failure(e.what());
  }
}

}  // namespace vexilon
