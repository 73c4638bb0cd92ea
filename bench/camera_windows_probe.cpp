// Sixteen live camera windows in one desktop window, measured: frames shown per second per
// window, the process's CPU use while they stream, the time from opening a window to its first
// painted picture, and how long closing them all takes.
// bench/camera_windows_bench.sh runs this on camsim's HTTP cameras under a virtual display,
// bench/rtsp_windows_bench.sh on an RTSP camera.
#include <sys/resource.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/net/RtspAddress.h"
#include "ui/app/Application.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraSink.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/camera/PictureBox.h"

namespace vexilon {
namespace {

using TSteady = std::chrono::steady_clock;

// Counts the paints of each picture box: a frame counts as shown only once it is painted.
// Pictures stamped by camsim (stamp in the path) also give the time from their sending to
// their painting.
class TPaintCounter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    ++FPaints[watched];
    const auto* box = static_cast<TPictureBox*>(watched);
    if (box->Picture().Real() && !FFirstPicture.contains(watched))
      FFirstPicture[watched] = TSteady::now();
    const std::string& jpeg = box->Picture().Jpeg;
    if (jpeg.size() > 6 && jpeg.compare(2, 2, "\xFF\xFE") == 0) {
      const long long sent = std::atoll(jpeg.c_str() + 6);
      long long& last = FLastStamp[watched];
      if (sent != last) {
        last = sent;
        const long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count();
        if (FMeasuring) FLatencies.push_back(double(now - sent) / 1e6);
      }
    }
    return false;
  }
  std::map<QObject*, long> FPaints;
  std::map<QObject*, TSteady::time_point> FFirstPicture;  // its first paint of a real picture
  std::map<QObject*, long long> FLastStamp;
  std::vector<double> FLatencies;  // milliseconds
  bool FMeasuring = false;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs an event loop, as the viewer's own would, for ms milliseconds.
void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The resident set and its peak, in megabytes, from the kernel's view of this process.
void PrintMemory() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return;
  double rss = 0, peak = 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) rss = line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    if (line.startsWith("VmHWM:")) peak = line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
  }
  std::printf("memory: %.1f MB resident, %.1f MB at most\n", rss, peak);
}

// tiled: all windows side by side; paused: the same, every camera paused; minimised: all
// minimised; covered: all in one place, each covering the one below, so only the top one
// can be seen; actual: side by side, each picture at its own size.
void Arrange(TfrmVexilon& desktop, const std::string& layout, const std::string& path) {
  QMdiArea* area = desktop.MdiArea();
  if (layout == "paused") {
    area->tileSubWindows();
    for (TfrmCamera* camera : desktop.CameraWindows()->Windows()) camera->PauseStreams();
  } else if (layout == "minimised") {
    for (QMdiSubWindow* window : area->subWindowList()) window->showMinimized();
  } else if (layout == "covered") {
    for (QMdiSubWindow* window : area->subWindowList()) window->setGeometry(0, 0, 660, 540);
  } else if (layout == "actual") {
    // Side by side, rows filled left to right, each picture at the camera's own size.
    int width = 640, height = 480;
    std::sscanf(path.c_str() + std::min(path.size(), path.find("size=") + 5), "%dx%d", &width,
                &height);
    area->tileSubWindows();
    QPoint place(0, 0);
    int rowHeight = 0;
    for (TfrmCamera* camera : desktop.CameraWindows()->Windows()) {
      QMdiSubWindow* frame = camera->SubWindow();
      const QSize extra = frame->size() - camera->PictureBox()->size();
      const QSize size(width + extra.width(), height + extra.height());
      if (place.x() > 0 && place.x() + size.width() > area->viewport()->width())
        place = QPoint(0, place.y() + rowHeight);
      frame->setGeometry(QRect(place, size));
      place.rx() += size.width();
      rowHeight = std::max(rowHeight, size.height());
    }
  } else {
    area->tileSubWindows();
  }
}

// A full camera address (rtsp://...) or camsim's address made of its port and the path.
int Run(const std::string& address, int windows, int seconds, const std::string& path,
        const std::string& layout, QSize desktopSize) {
  QTemporaryDir folder;
  SetProgramFolder(folder.path().toStdString());
  Settings() = TSettings();
  TDialogs::SetUnattended(true);

  TfrmVexilon desktop;
  desktop.resize(desktopSize);
  desktop.show();
  TPaintCounter counter;
  std::map<QObject*, TSteady::time_point> opened;
  for (int i = 0; i < windows; ++i) {
    TCameraOptions options;
    options.Video.Web = address;
    options.Video.Width = 640;
    options.Video.Height = 480;
    options.Caption = "Camera " + std::to_string(i + 1);
    options.CatalogPath = "Bench:" + options.Caption;
    options.Style = csMdiChild;
    const TSteady::time_point start = TSteady::now();
    TfrmCamera* camera = desktop.CameraWindows()->OpenCamera(options);
    opened[camera->PictureBox()] = start;
    camera->PictureBox()->installEventFilter(&counter);
  }
  Arrange(desktop, layout, path);
  const QList<TfrmCamera*> cameras = desktop.CameraWindows()->Windows();
  if (IsRtspAddress(address) && (layout == "tiled" || layout == "actual")) {
    // An RTSP window's first picture waits for the handshake, a second of probing and a key
    // frame: the clock starts once every window shows one, and the start-up burst is over.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000 &&
           std::any_of(cameras.begin(), cameras.end(), [&](TfrmCamera* camera) {
             return !counter.FFirstPicture.contains(camera->PictureBox());
           }))
      Spin(50);
  }
  Spin(2000);  // connected and streaming before the clock starts

  std::vector<int> framesBefore;
  std::vector<long> paintsBefore;
  std::vector<long long> droppedBefore;
  for (TfrmCamera* camera : cameras) {
    framesBefore.push_back(camera->FrameCount());
    paintsBefore.push_back(counter.FPaints[camera->PictureBox()]);
    droppedBefore.push_back(camera->SharedState()->DroppedFrames);
  }
  QElapsedTimer wall;
  wall.start();
  counter.FMeasuring = true;
  const double cpuBefore = CpuSeconds();
  Spin(seconds * 1000);
  const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
  const double cpu = CpuSeconds() - cpuBefore;
  counter.FMeasuring = false;

  std::vector<double> received, painted, decoded;
  long long decodedFrames = 0;
  for (int i = 0; i < int(cameras.size()); ++i) {
    const int frames = cameras[i]->FrameCount() - framesBefore[i];
    // A frame the window's queue dropped was decoded all the same.
    const long long all = frames + cameras[i]->SharedState()->DroppedFrames - droppedBefore[i];
    received.push_back(frames / wallSeconds);
    painted.push_back((counter.FPaints[cameras[i]->PictureBox()] - paintsBefore[i]) / wallSeconds);
    decoded.push_back(double(all) / wallSeconds);
    decodedFrames += all;
  }
  const QSize shownAt = cameras.isEmpty() ? QSize() : cameras[0]->PictureBox()->size();
  const QSize drawnAt =
      cameras.isEmpty() ? QSize() : cameras[0]->PictureBox()->Picture().Image.size();
  std::printf(
      "windows: %d of %s, %s, picture area %dx%d, pictures drawn from %dx%d, measured %.1f s\n",
      int(cameras.size()), IsRtspAddress(address) ? address.c_str() : path.c_str(), layout.c_str(),
      shownAt.width(), shownAt.height(), drawnAt.width(), drawnAt.height(), wallSeconds);
  std::printf("frames received per second per window: min %.1f median %.1f\n",
              *std::min_element(received.begin(), received.end()), Median(received));
  std::printf("paints per second per window: min %.1f median %.1f\n",
              *std::min_element(painted.begin(), painted.end()), Median(painted));
  std::printf(
      "frames decoded per second per window, the queues' drops included: min %.1f median %.1f "
      "(%lld in all)\n",
      *std::min_element(decoded.begin(), decoded.end()), Median(decoded), decodedFrames);
  std::printf("cpu: %.2f s user+sys over %.1f s wall = %.2f cores\n", cpu, wallSeconds,
              cpu / wallSeconds);
  if (decodedFrames > 0)
    std::printf("cpu per decoded frame: %.3f ms\n", cpu * 1000 / double(decodedFrames));
  long long dropped = 0;
  for (TfrmCamera* camera : cameras) dropped += camera->SharedState()->DroppedFrames;
  std::printf("frames dropped by the windows' queues: %lld\n", dropped);
  PrintMemory();
  if (std::vector<double> ms = counter.FLatencies; !ms.empty()) {
    std::sort(ms.begin(), ms.end());
    std::printf("send to paint: median %.2f ms, 99th percentile %.2f ms over %zu frames\n",
                Median(ms), ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.size());
  }

  std::vector<double> first;  // seconds from opening a window to its first painted picture
  for (TfrmCamera* camera : cameras) {
    const auto shown = counter.FFirstPicture.find(camera->PictureBox());
    if (shown != counter.FFirstPicture.end())
      first.push_back(
          std::chrono::duration<double>(shown->second - opened[camera->PictureBox()]).count());
  }
  if (!first.empty())
    std::printf("open to first painted picture: median %.3f s, max %.3f s over %zu of %d windows\n",
                Median(first), *std::max_element(first.begin(), first.end()), first.size(),
                int(cameras.size()));
  else
    std::printf("open to first painted picture: no window painted one\n");

  QElapsedTimer closing;
  closing.start();
  desktop.CameraWindows()->CloseAll();
  // Until the last window is destroyed (its threads stopped), polled from an event loop so
  // that deferred deletions run.
  {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (desktop.CameraWindows()->Windows().isEmpty() || closing.elapsed() > 30000) loop.quit();
    });
    poll.start(1);
    loop.exec();
  }
  std::printf("close all %d windows: %.3f s%s\n", int(cameras.size()),
              double(closing.nsecsElapsed()) / 1e9,
              desktop.CameraWindows()->Windows().isEmpty() ? "" : " (NOT all closed)");
  std::fflush(stdout);
  return desktop.CameraWindows()->Windows().isEmpty() ? 0 : 1;
}

}  // namespace
}  // namespace vexilon

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s PORT|rtsp://ADDRESS [WINDOWS [SECONDS [PATH "
                 "[tiled|actual|paused|minimised|covered [DESKTOP_WIDTHxHEIGHT]]]]]\n"
                 "PATH is camsim's; with an rtsp:// address only its size=WxH is read, for "
                 "the actual layout\n",
                 argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("VEXILON_AUDIO")) qputenv("VEXILON_AUDIO", "null");
  const std::string camera = argv[1];
  const int windows = argc > 2 ? std::atoi(argv[2]) : 16;
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 20;
  const std::string path = argc > 4 ? argv[4] : "/push?size=640x480&fps=25";
  const std::string address =
      vexilon::IsRtspAddress(camera) ? camera : "http://127.0.0.1:" + camera + path;
  const std::string layout = argc > 5 ? argv[5] : "tiled";
  int width = 1920, height = 1040;
  if (argc > 6) std::sscanf(argv[6], "%dx%d", &width, &height);
  vexilon::TApplication app(argc, argv);
  return vexilon::Run(address, windows, seconds, path, layout, QSize(width, height));
}
