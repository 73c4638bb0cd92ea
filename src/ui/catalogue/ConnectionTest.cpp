#include "ui/catalogue/ConnectionTest.h"

#include <QDateTime>
#include <QTimer>
#include <mutex>

#include "core/imaging/Picture.h"
#include "core/net/StreamSink.h"
#include "core/net/VideoThread.h"

namespace vexilon {

struct TConnectionTestState {
  std::mutex Lock;
  int Frames = 0;
  std::string First;  // the first picture's bytes
  std::string Reason;
  std::string Text;       // the header text, when nothing better is known
  std::string Head;       // the response head, for telling how pictures are framed
  std::string Untrusted;  // the fingerprint of a certificate that was refused
  std::string Why;        // and the reason
};

namespace {

// The test shows a status line, not the page: the head and the latest text are kept short.
constexpr std::size_t kKeptHeadBytes = 2000;
constexpr std::size_t kKeptTextBytes = 200;

class TTestSink : public TStreamSink {
 public:
  explicit TTestSink(std::shared_ptr<TConnectionTestState> state) : FState(std::move(state)) {}
  void Frame(std::string bytes) override {
    std::lock_guard lock(FState->Lock);
    if (FState->Frames++ == 0) FState->First = std::move(bytes);
  }
  void SetPageText(const std::string& text) override {
    Keep(text);
    std::lock_guard lock(FState->Lock);
    if (FState->Head.empty()) FState->Head = text.substr(0, kKeptHeadBytes);
  }
  void AddPageLine(const std::string& line) override { Keep(line); }
  void ShowPageText(const std::string& text) override { Keep(text); }
  void WaveFormat(const TWaveFormat&) override {}
  void PlayAudio(const uint8_t*, size_t) override {}
  void State(const std::string& reason, std::chrono::steady_clock::time_point) override {
    std::lock_guard lock(FState->Lock);
    if (!reason.empty()) FState->Reason = reason;
  }
  void UntrustedCertificate(const std::string& fingerprint, const std::string& why) override {
    std::lock_guard lock(FState->Lock);
    FState->Untrusted = fingerprint;
    FState->Why = why;
  }

 private:
  void Keep(const std::string& text) {
    std::lock_guard lock(FState->Lock);
    FState->Text = text.substr(0, kKeptTextBytes);
  }
  std::shared_ptr<TConnectionTestState> FState;
};

// How the pictures came, as far as the format and the answer's head tell.
QString Framing(TStreamFormat format, const std::string& head) {
  switch (format) {
    case TStreamFormat::Vod:
      return QStringLiteral("video/vod frames");
    case TStreamFormat::Webcam32:
      return QStringLiteral("webcam32 frames");
    case TStreamFormat::Html:
      return QStringLiteral("pages");
    case TStreamFormat::Auto:
      break;
  }
  const QString text = QString::fromLatin1(head.data(), qsizetype(head.size()));
  if (text.contains(QStringLiteral("multipart/"), Qt::CaseInsensitive))
    return QStringLiteral("server push");
  if (!text.startsWith(QStringLiteral("HTTP"))) return QStringLiteral("tagged parts");
  return QStringLiteral("single pictures");
}

}  // namespace

TConnectionTest::TConnectionTest(QObject* parent) : QObject(parent) {
  FDeadline = new QTimer(this);
  FDeadline->setSingleShot(true);
  connect(FDeadline, &QTimer::timeout, this, &TConnectionTest::Finish);
  // Done early once ten pictures came, or the camera said no.
  FPoll = new QTimer(this);
  FPoll->setInterval(100);
  connect(FPoll, &QTimer::timeout, this, [this] {
    bool settled = false;
    if (FState) {
      std::lock_guard lock(FState->Lock);
      settled = FState->Frames >= 10 ||
                (!FState->Reason.empty() && FState->Reason.rfind("Connecting", 0) != 0);
    }
    if (settled) Finish();
  });
}

TConnectionTest::~TConnectionTest() = default;

void TConnectionTest::Start(const TVideoConnect& video, int milliseconds) {
  FThread.reset();
  FState = std::make_shared<TConnectionTestState>();
  FFormat = StreamFormatOf(video.Flags);
  FStarted = QDateTime::currentMSecsSinceEpoch();
  TConnectConfig config;
  config.RetryDelay = std::chrono::milliseconds(milliseconds);  // one try is the test
  FThread = std::make_unique<TVideoThread>(video, std::make_shared<TTestSink>(FState), config);
  FDeadline->start(milliseconds);
  FPoll->start();
}

void TConnectionTest::Finish() {
  FDeadline->stop();
  FPoll->stop();
  if (!FThread) return;
  FThread->Stop();
  FThread.reset();
  const double seconds = double(QDateTime::currentMSecsSinceEpoch() - FStarted) / 1000.0;
  std::unique_lock lock(FState->Lock);
  QString report;
  if (FState->Frames > 0) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(FState->First.data());
    const TDecodedPicture picture =
        DecodePicture(data, FState->First.size(), [](int, int) { return 8; });
    report = picture.Decoded() ? QStringLiteral("Pictures come by %1: %2x%3 %4, %5 frames a second")
                                     .arg(Framing(FFormat, FState->Head))
                                     .arg(picture.Width)
                                     .arg(picture.Height)
                                     .arg(QString::fromLatin1(PictureFormatName(picture.Format)))
                                     .arg(FState->Frames / std::max(seconds, 0.1), 0, 'f', 1)
                               : QStringLiteral("Frames come, but they are no pictures: ") +
                                     QString::fromStdString(picture.Error);
  } else if (!FState->Reason.empty() && FState->Reason.rfind("Connecting", 0) != 0) {
    report = QString::fromLocal8Bit(FState->Reason);
  } else if (!FState->Reason.empty()) {
    report = QStringLiteral("No answer within %1 s").arg(seconds, 0, 'f', 0);
  } else {
    report = QStringLiteral("Nothing came back: ") + QString::fromLocal8Bit(FState->Text);
  }
  const std::string untrusted = FState->Untrusted, why = FState->Why;
  lock.unlock();
  emit Finished(report);
  if (!untrusted.empty()) emit Untrusted(untrusted, why);
}

}  // namespace vexilon
