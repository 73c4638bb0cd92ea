// vexilonctl vmc on generated recordings: what a user listing or editing a file sees.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/VmcFiles.h"
#include "support/Command.h"
#include "support/GreyJpeg.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

// The pictures of the files, told apart by their shade.
std::string Shot(int n) {
  return GreyJpeg(16, 8, std::uint8_t(20 * n));
}

// A camera window's recording: a caption-height record, then frames 1 to 5 of window 3 "Gate",
// one a second from 2024-02-29 12:00; the third image follows a pause.
std::string OneWindowFile() {
  std::string file = ".vmc" + Record(4, Le32(20));
  for (int n = 1; n <= 5; ++n)
    file += FrameRecord(n, 45351.5 + n / 86400.0) + ImageRecord(n == 3 ? 1 : 0, 3, "Gate", Shot(n));
  return file + Le32(0);
}

// A desktop recording: windows 1 "Yard" and 2 "Door" in the first and last frame, "Door" alone
// between; an unknown record and a caption-height record stand between frames.
std::string DesktopFile() {
  return ".vmc" + FrameRecord(1, 2.75) + ImageRecord(0, 1, "Yard", Shot(1), 100, 80) +
         ImageRecord(0, 2, "Door", Shot(2)) + Record(9, "future") + FrameRecord(2, 2.8) +
         ImageRecord(0, 2, "Door", Shot(3)) + Record(4, Le32(18)) + FrameRecord(3, 2.9) +
         ImageRecord(0, 1, "Yard", Shot(4), 100, 80) + ImageRecord(0, 2, "Door", Shot(5)) + Le32(0);
}

class VexilonctlVmc : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileAtomically(dir.File("gate.vmc"), OneWindowFile());
    WriteFileAtomically(dir.File("desk.vmc"), DesktopFile());
  }
  // vexilonctl vmc with arguments; names of the test's folder are written as {name}.
  TCommandRun Vmc(std::string arguments) {
    for (std::size_t at; (at = arguments.find('{')) != std::string::npos;) {
      const std::size_t end = arguments.find('}', at);
      arguments.replace(at, end - at + 1,
                        "'" + dir.File(arguments.substr(at + 1, end - at - 1)) + "'");
    }
    return RunCommand(std::string(VEXILONCTL_PATH) + " vmc " + arguments);
  }
  std::string Bytes(const std::string& name) { return FileBytes(dir.File(name)); }

  TTempDir dir;
};

TEST_F(VexilonctlVmc, InfoListsFramesImagesAndCaptionHeightsInFileOrder) {
  const auto image = [](int window, const std::string& name, int shot, int flags = 0) {
    return "  image window=" + std::to_string(window) + " name=" + name +
           " flags=" + std::to_string(flags) +
           (name == "Yard" ? " rect=0,0,100,80" : " rect=0,0,18,40") +
           " jpeg=" + std::to_string(Shot(shot).size()) + "\n";
  };
  std::string gate = "caption-height 20\n";
  std::size_t offset = 16;
  for (int n = 1; n <= 5; ++n) {
    gate += "frame " + std::to_string(n) + " offset=" + std::to_string(offset + 4) +
            " time=2024-02-29 12:00:0" + std::to_string(n) + ".000\n" + image(3, "Gate", n, n == 3);
    offset += 20 + 40 + Shot(n).size();
  }
  gate += "frames=5 images=5\n";
  const std::size_t frame2 = 4 + 20 + 40 + Shot(1).size() + 40 + Shot(2).size() + 14;
  const std::size_t frame3 = frame2 + 20 + 40 + Shot(3).size() + 12;
  const std::string desk = "frame 1 offset=8 time=1900-01-01 18:00:00.000\n" + image(1, "Yard", 1) +
                           image(2, "Door", 2) + "frame 2 offset=" + std::to_string(frame2 + 4) +
                           " time=1900-01-01 19:12:00.000\n" + image(2, "Door", 3) +
                           "caption-height 18\nframe 3 offset=" + std::to_string(frame3 + 4) +
                           " time=1900-01-01 21:36:00.000\n" + image(1, "Yard", 4) +
                           image(2, "Door", 5) + "frames=3 images=5\n";
  for (const auto& [file, expected] : {std::pair{"gate.vmc", gate}, {"desk.vmc", desk}}) {
    const TCommandRun run = Vmc(std::string("info {") + file + "}");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, expected);
    EXPECT_EQ(run.Err, "");
  }
}

TEST_F(VexilonctlVmc, InfoAsJsonLinesEscapesNames) {
  const std::string jpeg = Shot(1);
  const std::string file = ".vmc" + Record(4, Le32(20)) + FrameRecord(7, 45351.5) +
                           ImageRecord(1, 3, "Gate \"A\"\xE9", jpeg) + Le32(0);
  WriteFileAtomically(dir.File("named.vmc"), file);
  const std::string frame =
      R"({"type":"caption-height","height":20})"
      "\n"
      R"({"type":"frame","number":7,"offset":20,"time":"2024-02-29 12:00:00.000","images":[)"
      R"({"window":3,"name":"Gate \"A\"\u00e9","flags":1,"rect":[0,0,18,40],"jpeg":)" +
      std::to_string(jpeg.size()) + "}]}\n";
  TCommandRun run = Vmc("info {named.vmc} --json");
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, frame + R"({"type":"summary","frames":1,"images":1,"error":null})" + "\n");
  WriteFileAtomically(dir.File("named.vmc"), file.substr(0, file.size() - 10));
  run = Vmc("info {named.vmc} --json");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_TRUE(run.Out.starts_with(R"({"type":"caption-height","height":20})")) << run.Out;
  EXPECT_TRUE(run.Out.ends_with(R"({"type":"summary","frames":0,"images":0,"error":")" +
                                run.Err.substr(0, run.Err.size() - 1) + "\"}\n"))
      << run.Out;
}

// Which damage the reader finds where is MultiCaptureReader's (HostileLengths, CutOff); here,
// what info prints and returns for it.
TEST_F(VexilonctlVmc, DamagedFilesListWhatCanBeReadThenSayWhere) {
  const std::string good = OneWindowFile();
  const std::size_t frame2 = 16 + 20 + 8 + 28 + 4 + Shot(1).size();
  std::string backwards = good, negativeName = good;
  backwards.replace(frame2 + 4, 4, Le32(-8));
  negativeName.replace(frame2 + 20 + 8 + 24, 4, Le32(-5));
  const struct {
    const char* Name;
    std::string Bytes;
    int Exit;
    const char* Out;  // how the output ends
    const char* Err;
  } rows[] = {
      {"a length that points backwards", backwards, 1, "frames=1 images=1\n",
       "damaged frame record at offset"},
      {"a negative name length", negativeName, 1, "frames=1 images=1\n", "damaged image record"},
      {"cut short before an end mark", good.substr(0, good.size() - 4), 0, "frames=5 images=5\n",
       ""},
      {"no frames at all", ".vmc" + Le32(0), 0, "frames=0 images=0\n", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    WriteFileAtomically(dir.File("bad.vmc"), row.Bytes);
    const TCommandRun run = Vmc("info {bad.vmc}");
    EXPECT_EQ(run.ExitCode, row.Exit);
    EXPECT_TRUE(run.Out.ends_with(row.Out)) << run.Out;
    EXPECT_NE(run.Err.find(row.Err), std::string::npos) << run.Err;
  }
}

TEST_F(VexilonctlVmc, GigabytesOfGarbageAreWalkedInBoundedTime) {
  // A sparse file: two records of unknown type stride across 4 GiB, then a frame cut short.
  {
    std::ofstream out(dir.File("huge.vmc"), std::ios::binary);
    out << ".vmc" << Le32(9) << Le32(0x7fffffff);
    out.seekp(std::streamoff(8) + 0x7fffffff);
    out << Le32(9) << Le32(0x7fffffff);
    out.seekp(std::streamoff(8) + 2 * std::streamoff(0x7fffffff) + 4);
    out << Le32(1) << Le32(16);
  }
  const auto start = std::chrono::steady_clock::now();
  const TCommandRun run = Vmc("info {huge.vmc}");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out, "frames=0 images=0\n");
  EXPECT_NE(run.Err.find("damaged frame record"), std::string::npos) << run.Err;
}

// What the cut and copies hold is StreamEdit's; here, that the arguments reach it and what is
// printed.
TEST_F(VexilonctlVmc, CutExtractAndExplodePassTheirArgumentsOnAndPrintWhatTheyMade) {
  struct TRow {
    const char* Arguments;
    const char* Out;
    const char* File;        // the file made or changed
    std::vector<int> Shots;  // of its frames, one image each
    std::int32_t Bottom;     // picture height + 2 + the caption height the source has
  } rows[] = {
      {"cut {gate.vmc} 2 3", "frames=3\n", "gate.vmc", {1, 4, 5}, 40},
      {"extract {gate.vmc} {out.vmc} --frames 2 4", "images=3\n", "out.vmc", {2, 3, 4}, 8 + 2 + 20},
      {"extract {desk.vmc} {out.vmc} --window 2", "images=3\n", "out.vmc", {2, 3, 5}, 8 + 2 + 18},
      {"extract {desk.vmc} {out.vmc} --window 1 --caption-height 0",
       "images=2\n",
       "out.vmc",
       {1, 4},
       10},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Arguments);
    WriteFileAtomically(dir.File("gate.vmc"), OneWindowFile());
    const TCommandRun run = Vmc(row.Arguments);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, row.Out);
    std::vector<std::string> jpegs, expected;
    for (const TCaptureFrame& frame : ReadBack(dir.File(row.File)).Frames) {
      jpegs.push_back(frame.Images.at(0).Jpeg);
      EXPECT_EQ(frame.Images[0].Rect.Bottom, row.Bottom);
    }
    for (const int shot : row.Shots) expected.push_back(Shot(shot));
    EXPECT_EQ(jpegs, expected);
  }

  // Numbers go on after the highest already in the folder.
  std::filesystem::create_directory(dir.File("shots"));
  WriteFileAtomically(dir.File("shots/Door00007.jpg"), "older");
  const TCommandRun run = Vmc("explode {desk.vmc} {shots} Door --window 2");
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, "images=3 last=" + dir.File("shots/Door00010.jpg") + "\n");
  EXPECT_EQ(Bytes("shots/Door00008.jpg"), Shot(2));
  EXPECT_EQ(Bytes("shots/Door00010.jpg"), Shot(5));
}

TEST_F(VexilonctlVmc, BadRequestsChangeNothing) {
  WriteFileAtomically(dir.File("locked.vmc"), OneWindowFile());
  ::chmod(dir.File("locked.vmc").c_str(), 0444);
  std::string damaged = OneWindowFile();
  damaged.resize(damaged.size() - 10);
  WriteFileAtomically(dir.File("damaged.vmc"), damaged);
  const struct {
    const char* Arguments;
    int Exit;
    const char* Err;
  } rows[] = {
      {"cut {gate.vmc} 4 6", 1, "not all in"},
      {"cut {gate.vmc} 3 2", 1, "comes before the first"},
      {"cut {gate.vmc} 0 2", 2, "FIRST and LAST are frame numbers"},
      {"cut {gate.vmc} 1", 2, "wrong number of arguments for cut"},
      {"cut {damaged.vmc} 1 1", 1, "damaged record at offset"},
      {"cut {gate.vmc} 1 1 --window 2", 2, "cut takes no options"},
      {"extract {gate.vmc} {out.vmc} --frames 5 6", 1, "not all in"},
      {"extract {gate.vmc} {out.vmc}", 2, "either --frames FIRST LAST or --window NUMBER"},
      {"extract {gate.vmc} {out.vmc} --frames 1 2 --window 3", 2, "either --frames"},
      {"extract {gate.vmc} {out.vmc} --frames 1", 2, "--frames needs 2 values"},
      {"extract {gate.vmc} {gate.vmc} --window 3", 1, "into itself"},
      {"explode {gate.vmc} {shots} a/b --window 3", 2, "without a folder"},
      {"explode {gate.vmc} {shots} Gate --frames 1 2", 2, "takes only --window"},
      {"frobnicate {gate.vmc}", 2, "unknown action 'frobnicate'"},
      {"info {gate.vmc} --bogus", 2, "unknown option '--bogus'"},
      {"extract {gate.vmc} {out.vmc} --window 3 --json", 2, "--json goes with info"},
  };
  const std::string original = OneWindowFile();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Arguments);
    const TCommandRun run = Vmc(row.Arguments);
    EXPECT_EQ(run.ExitCode, row.Exit);
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find(row.Err), std::string::npos) << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    EXPECT_EQ(Bytes("gate.vmc"), original);
  }
  if (::geteuid() != 0) {
    EXPECT_EQ(Vmc("cut {locked.vmc} 1 1").ExitCode, 1);
    EXPECT_EQ(Bytes("locked.vmc"), original);
  }
  EXPECT_EQ(Bytes("damaged.vmc"), damaged);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.vmc")));
}

}  // namespace
}  // namespace vexilon
