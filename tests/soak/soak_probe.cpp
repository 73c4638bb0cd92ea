// A viewer left running against cameras that misbehave: sixteen camera windows of every
// framing on camsim's chaos streams (each connection draws a fault), one of them recording
// and all keeping flashback. Every ten seconds it notes the resident memory, threads and
// descriptors; at the end, after camsim has calmed down, it checks that every camera shows
// pictures again, that memory, threads and descriptors stayed flat, that the recording plays
// back whole and that closing is quick. tests/soak/soak.sh starts camsim and runs it.
//   soak_probe PORT SECONDS CALM_AFTER_SECONDS
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/capture/MultiCaptureReader.h"
#include "ui/app/Application.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"

namespace vexilon {
namespace {

struct TSample {
  double Seconds = 0;
  double RssMb = 0;
  int Threads = 0;
  int Descriptors = 0;
};

TSample Sample(double seconds) {
  TSample sample;
  sample.Seconds = seconds;
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith("VmRSS:"))
        sample.RssMb = line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
      if (line.startsWith("Threads:")) sample.Threads = line.mid(8).trimmed().toInt();
    }
  }
  sample.Descriptors = int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size());
  return sample;
}

void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// One per framing, and again with other picture sizes, so every parser path is soaked.
const char* const kPaths[] = {
    "/push?size=320x240",   "/push?size=320x240&nolength", "/tagged?size=320x240",
    "/vod?size=320x240",    "/cam32?size=320x240",         "/push?size=160x120",
    "/tagged?size=176x144", "/vod?size=352x288",           "/cam32?size=160x120",
    "/push?size=640x480",   "/push?size=240x180&nolength", "/tagged?size=320x240&sound",
    "/vod?size=160x120",    "/cam32?size=320x240",         "/push?size=320x180",
    "/push?size=96x96",
};

int Run(int port, int seconds, int calmAfter) {
  QTemporaryDir folder;
  SetProgramFolder(folder.path().toStdString());
  QDir().mkpath(folder.path() + "/CAPTURE");
  Settings() = TSettings();
  Settings().Timeout = 2;  // stalls end quickly
  Settings().Flashback = 50;
  TDialogs::SetUnattended(true);

  TfrmVexilon desktop;
  desktop.resize(1600, 1000);
  desktop.show();
  int index = 0;
  for (const char* path : kPaths) {
    TCameraOptions options;
    options.Video.Web = "http://127.0.0.1:" + std::to_string(port) + path +
                        "&chaos=" + std::to_string(++index) + "&calm=" + std::to_string(calmAfter);
    // The framing of a vod or webcam32 stream is the entry's choice (video flags 2 and 6).
    const std::string_view kind(path);
    options.Video.Flags = kind.starts_with("/vod") ? 2 : kind.starts_with("/cam32") ? 6 : 0;
    options.Video.Width = 320;
    options.Video.Height = 240;
    options.Caption = "Soak " + std::to_string(index);
    options.CatalogPath = "Soak:" + options.Caption;
    options.Style = csMdiChild;
    desktop.CameraWindows()->OpenCamera(options);
  }
  desktop.MdiArea()->tileSubWindows();
  const QList<TfrmCamera*> cameras = desktop.CameraWindows()->Windows();

  // Every picture of the first camera into one multi-capture file, without limits.
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    dialog.findChild<QSpinBox*>("spnMilliseconds")->setValue(0);
    dialog.findChild<QSpinBox*>("spnCount")->setValue(0);
    dialog.findChild<QRadioButton*>("rgSingleCaptureItem0")->setChecked(true);
    dialog.findChild<QRadioButton*>("rgNumberofCapturesItem1")->setChecked(true);
    dialog.findChild<QSpinBox*>("spnCapturesLimit")->setValue(1);
    dialog.findChild<QRadioButton*>("rdoVMC")->setChecked(true);
    dialog.findChild<QPushButton*>("btnOk")->click();
    return dialog.result();
  });
  cameras[0]->MultiCapture1Click();
  if (!cameras[0]->Capturing()) {
    std::printf("FAIL: the recording did not start\n");
    return 1;
  }

  // Frames per camera every quarter second: a gap of a second or more that ends with new
  // pictures is a recovery.
  std::vector<int> lastFrames(std::size_t(cameras.size()), 0);
  std::vector<double> lastChange(std::size_t(cameras.size()), 0);
  std::vector<bool> inGap(std::size_t(cameras.size()), false);
  long recoveries = 0;
  std::vector<TSample> samples;
  QElapsedTimer clock;
  clock.start();
  double nextSample = 0;
  while (clock.elapsed() < qint64(seconds) * 1000) {
    Spin(250);
    const double now = double(clock.elapsed()) / 1000;
    for (int i = 0; i < int(cameras.size()); ++i) {
      const int frames = cameras[i]->FrameCount();
      if (frames != lastFrames[std::size_t(i)]) {
        if (inGap[std::size_t(i)]) ++recoveries;
        inGap[std::size_t(i)] = false;
        lastFrames[std::size_t(i)] = frames;
        lastChange[std::size_t(i)] = now;
      } else if (now - lastChange[std::size_t(i)] >= 1) {
        inGap[std::size_t(i)] = true;
      }
    }
    if (now >= nextSample) {
      samples.push_back(Sample(now));
      const TSample& s = samples.back();
      std::printf("%6.0f s: %6.1f MB resident, %3d threads, %3d descriptors\n", s.Seconds, s.RssMb,
                  s.Threads, s.Descriptors);
      std::fflush(stdout);
      nextSample += 10;
    }
  }
  const double end = double(clock.elapsed()) / 1000;

  bool ok = true;
  const auto fail = [&ok](const std::string& why) {
    std::printf("FAIL: %s\n", why.c_str());
    ok = false;
  };
  // After the calm began, every camera comes back within its schedule: the longest wait of
  // the reconnect schedule (30 s and a fifth) after the longest fault (an endless part).
  for (int i = 0; i < int(cameras.size()); ++i) {
    if (end - lastChange[std::size_t(i)] > 10) {
      const std::string header = cameras[i]->HeaderText().right(300).toStdString();
      fail("camera " + std::to_string(i + 1) + " (" + kPaths[i] + ") shows no pictures since " +
           std::to_string(int(lastChange[std::size_t(i)])) + " s; its header text ends: " + header);
    }
  }
  // Flat: what is held at the end, with every camera healthy again, is no more than half as
  // much again as the most held in the first minute (or the first third of a shorter run).
  // Faults in between may hold more for a while (a huge part is allowed its megabytes).
  const double settled = std::min(60.0, seconds / 3.0);
  TSample early, late = samples.back(), peak;
  for (const TSample& s : samples) {
    if (s.Seconds <= settled) {
      early.RssMb = std::max(early.RssMb, s.RssMb);
      early.Threads = std::max(early.Threads, s.Threads);
      early.Descriptors = std::max(early.Descriptors, s.Descriptors);
    }
    peak.RssMb = std::max(peak.RssMb, s.RssMb);
  }
  if (samples.size() >= 3) {
    std::vector<double> last{samples[samples.size() - 3].RssMb, samples[samples.size() - 2].RssMb,
                             samples.back().RssMb};
    std::sort(last.begin(), last.end());
    late.RssMb = last[1];
  }
  std::printf("memory: at most %.1f MB in the first %.0f s, %.1f MB at the end, %.1f MB at most\n",
              early.RssMb, settled, late.RssMb, peak.RssMb);
  if (late.RssMb > early.RssMb * 1.5)
    fail("memory grew from " + std::to_string(early.RssMb) + " MB to " +
         std::to_string(late.RssMb) + " MB");
  if (late.Threads > early.Threads + 2)
    fail("threads grew from " + std::to_string(early.Threads) + " to " +
         std::to_string(late.Threads));
  // A camera holds at most one connection, and its sound stream one more.
  if (late.Descriptors > early.Descriptors + 2 * int(cameras.size()))
    fail("descriptors grew from " + std::to_string(early.Descriptors) + " to " +
         std::to_string(late.Descriptors));

  // The recording closes complete and reads back frame by frame.
  const std::string recording =
      folder.path().toStdString() + "/CAPTURE/" + cameras[0]->Recorder().FileName();
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  cameras[0]->MultiCapture1Click();
  std::size_t recorded = 0;
  try {
    TMultiCaptureReader reader;
    reader.Open(recording);
    while (!reader.IndexStep(1000)) {
    }
    reader.CheckUndamaged();
    recorded = reader.FrameIndex().size();
    for (std::size_t i = 0; i < recorded; ++i) reader.ReadFrame(i);
    if (recorded == 0) fail("the recording holds no frame");
  } catch (const std::exception& e) {
    fail(std::string("the recording does not play back: ") + e.what());
  }

  QElapsedTimer closing;
  closing.start();
  desktop.CameraWindows()->CloseAll();
  while (!desktop.CameraWindows()->Windows().isEmpty() && closing.elapsed() < 10000) Spin(1);
  const double closeSeconds = double(closing.nsecsElapsed()) / 1e9;
  if (closeSeconds >= 2) fail("closing took " + std::to_string(closeSeconds) + " s");

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf(
      "soak: %d cameras for %.0f s (chaos until %d s): %ld recoveries, recording of %zu frames "
      "read back, cpu %.2f cores, closed in %.3f s: %s\n",
      int(cameras.size()), end, calmAfter, recoveries, recorded, cpu / end, closeSeconds,
      ok ? "passed" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace vexilon

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PORT SECONDS CALM_AFTER_SECONDS\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("VEXILON_AUDIO")) qputenv("VEXILON_AUDIO", "null");
  vexilon::TApplication app(argc, argv);
  return vexilon::Run(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
}
