// vexilonctl picture on pictures made by ImageMagick and ffmpeg, compared pixel for pixel with
// what ImageMagick makes of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/imaging/Gif.h"
#include "support/Command.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

bool Installed(const char* tool) {
  return RunCommand(std::string("command -v ") + tool).ExitCode == 0;
}

struct TPpm {
  int Width = 0, Height = 0;
  std::string Pixels;
};

// A binary PPM of 8-bit samples without comments, as both sides write it.
TPpm ReadPpm(const std::string& path) {
  std::string bytes;
  TPpm ppm;
  int header = 0;
  if (ReadWholeFile(path, bytes) &&
      std::sscanf(bytes.c_str(), "P6 %d %d 255%n", &ppm.Width, &ppm.Height, &header) == 2 &&
      header > 0)
    ppm.Pixels = bytes.substr(std::size_t(header) + 1);
  return ppm;
}

// The palette indices of frame (1-based) as the decoder draws it, and its transparent index.
TGif GifAt(const std::string& path, int frame) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  TGif gif;
  gif.Load(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  for (int reached = gif.Animated() ? 0 : 1; reached < frame; ++reached) gif.ReadNextFrame();
  return gif;
}

class VexilonctlPicture : public ::testing::Test {
 protected:
  TCommandRun Ctl(const std::string& arguments) {
    return RunCommand(std::string(VEXILONCTL_PATH) + " picture " + arguments);
  }
  std::string File(const std::string& name) { return "'" + dir.File(name) + "'"; }
  TTempDir dir;
};

TEST_F(VexilonctlPicture, DecodesAsImageMagickDoes) {
  if (!Installed("convert")) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const struct {
    const char* Name;
    const char* Make;  // what makes the file (run in the test's folder)
    const char* Info;
    int Frames;
  } rows[] = {
      {"two.gif", "convert -size 37x23 pattern:checkerboard -colors 2 two.gif",
       "format=gif width=37 height=23 bits=1 animated=1", 1},
      {"sixteen.gif", "convert -size 50x31 plasma: -colors 16 -interlace GIF sixteen.gif",
       "format=gif width=50 height=31 bits=4 animated=1", 1},
      {"full.gif", "convert -size 64x48 plasma: -colors 256 full.gif",
       "format=gif width=64 height=48 bits=8 animated=1", 1},
      {"clear.gif",
       "convert -size 40x30 xc:white -fill red -draw 'circle 20,15 20,5' -transparent white "
       "clear.gif",
       "format=gif width=40 height=30 bits=4 animated=1", 1},
      {"local.gif",
       "convert -size 30x20 plasma:red-blue plasma:green-yellow plasma:white-black "
       "-colors 32 -interlace GIF local.gif",
       "format=gif width=30 height=20 bits=8 animated=1", 3},
      {"ffmpeg.gif", "ffmpeg -v error -f lavfi -i testsrc=size=96x64:rate=5 -frames:v 4 ffmpeg.gif",
       "format=gif width=96 height=64 bits=8 animated=1", 4},
      {"eight.bmp", "convert -size 21x13 plasma: -colors 200 -type palette BMP3:eight.bmp",
       "format=bitmap width=21 height=13 bits=8 animated=0", 1},
      {"mono.bmp", "convert -size 19x7 pattern:gray50 -monochrome BMP3:mono.bmp",
       "format=bitmap width=19 height=7 bits=1 animated=0", 1},
      {"true.bmp", "convert -size 23x9 plasma: -type truecolor BMP3:true.bmp",
       "format=bitmap width=23 height=9 bits=24 animated=0", 1},
      {"alpha.bmp", "convert -size 17x5 plasma: -alpha set -channel A -fx 1 BMP:alpha.bmp",
       "format=bitmap width=17 height=5 bits=32 animated=0", 1},
  };
  const bool ffmpeg = Installed("ffmpeg");
  // ImageMagick is slow to start: every file is made and decoded by it at once, each frame
  // into NAME-N.ppm (N from 0).
  std::string script = "cd '" + dir.Path() + "' && {";
  for (const auto& row : rows) {
    if (ffmpeg || !std::string(row.Make).starts_with("ffmpeg"))
      script += " (" + std::string(row.Make) + " && convert " + row.Name + " -coalesce -depth 8 " +
                row.Name + "-%d.ppm) &";
  }
  ASSERT_EQ(RunCommand(script + " wait; }").ExitCode, 0);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    if (std::string(row.Make).starts_with("ffmpeg") && !ffmpeg) continue;
    const TCommandRun info = Ctl("info " + File(row.Name));
    EXPECT_EQ(info.Out, std::string(row.Info) + "\n") << info.Err;
    for (int frame = 1; frame <= row.Frames; ++frame) {
      SCOPED_TRACE(frame);
      const TCommandRun run = Ctl("convert " + File(row.Name) + " " + File("ours.ppm") +
                                  " --frame " + std::to_string(frame));
      ASSERT_EQ(run.ExitCode, 0) << run.Err;
      const TPpm ours = ReadPpm(dir.File("ours.ppm"));
      const TPpm theirs = ReadPpm(dir.File(row.Name + ("-" + std::to_string(frame - 1)) + ".ppm"));
      ASSERT_GT(theirs.Width, 0) << "ImageMagick made no picture";
      ASSERT_EQ(ours.Width, theirs.Width);
      ASSERT_EQ(ours.Height, theirs.Height);
      ASSERT_EQ(ours.Pixels.size(), theirs.Pixels.size());
      // The decoder shows a transparent pixel black, where ImageMagick shows what is behind it.
      const bool gif = std::string(row.Name).ends_with(".gif");
      const TGif decoded = gif ? GifAt(dir.File(row.Name), frame) : TGif();
      int differences = 0;
      for (std::size_t i = 0; i < ours.Pixels.size() / 3; ++i) {
        const bool clear = gif && decoded.Indices()[i] == decoded.TransparentIndex();
        const std::string pixel = ours.Pixels.substr(3 * i, 3);
        if (clear ? pixel != std::string(3, '\0') : pixel != theirs.Pixels.substr(3 * i, 3))
          ++differences;
      }
      EXPECT_EQ(differences, 0);
    }
  }
}

TEST_F(VexilonctlPicture, RefusesWhatNoDecoderTakes) {
  WriteFileAtomically(dir.File("text.txt"), "hello");
  const char shortGif[] = "GIF89a\x10\x00\x10\x00\x80\x00\x00";
  const char oneGif[] =
      "GIF87a\x01\x00\x01\x00\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00"
      "\x00\x02\x02\x44\x01\x00\x3B";
  WriteFileAtomically(dir.File("short.gif"), std::string(shortGif, sizeof shortGif - 1));
  WriteFileAtomically(dir.File("one.gif"), std::string(oneGif, sizeof oneGif - 1));
  const struct {
    std::string Arguments;
    int Exit;
    const char* Err;
  } rows[] = {
      {"info " + File("text.txt"), 1, "Not a valid bitmap picture"},
      {"info " + File("short.gif"), 1, "Premature end of file in .GIF file"},
      {"info " + File(""), 1, "not a regular file"},
      {"convert " + File("one.gif") + " " + File("o.ppm") + " --frame 2", 1, "has 1 frames, not 2"},
      {"convert " + File("one.gif") + " " + File("o.ppm") + " --frame 0", 2, "--frame needs"},
      {"info " + File("one.gif") + " --frame 1", 2, "wrong arguments for 'info'"},
      {"resize " + File("one.gif"), 2, "wrong arguments for 'resize'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Arguments);
    const TCommandRun run = Ctl(row.Arguments);
    EXPECT_EQ(run.ExitCode, row.Exit);
    EXPECT_NE(run.Err.find(row.Err), std::string::npos) << run.Err;
  }
  EXPECT_EQ(Ctl("info " + File("one.gif")).Out, "format=gif width=1 height=1 bits=1 animated=0\n");
}

}  // namespace
}  // namespace vexilon
