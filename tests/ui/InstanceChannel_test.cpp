#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTest>
#include <QUuid>
#include <atomic>
#include <thread>

#include "UiTestSupport.h"
#include "ui/app/InstanceChannel.h"
#include "ui/app/MainWindow.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

using TInstanceChannelTest = TUiTest;

QString UniqueName() {
  return QStringLiteral("vexilon-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

// The second start blocks while it hands over, so it runs beside the event loop of the first.
template <typename F>
void RunBesideEventLoop(F work) {
  std::atomic<bool> done{false};
  std::thread second([&] {
    work();
    done = true;
  });
  QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
  second.join();
}

TEST_F(TInstanceChannelTest, SecondStartHandsOverItsFile) {
  const QString name = UniqueName();
  TInstanceChannel first(name);
  EXPECT_FALSE(first.OtherInstanceAnswers(200));
  ASSERT_TRUE(first.Listen());
  TfrmVexilon window;
  QObject::connect(&first, &TInstanceChannel::RequestReceived, &window,
                   &TfrmVexilon::RemoteRequest);

  const QString file = QString::fromUtf8("/home/u/Kam\xc3\xa9ra 1\n%41.vmc");
  bool answered = false;
  bool sent = false;
  RunBesideEventLoop([&] {
    TInstanceChannel second(name);
    answered = second.OtherInstanceAnswers();
    sent = second.SendRequest("P", file);
  });
  EXPECT_TRUE(answered);
  EXPECT_TRUE(sent);
  // The file, odd characters and all, reached a playback window.
  QTRY_COMPARE(window.findChildren<TfrmPlayback*>().size(), 1);
  EXPECT_EQ(window.findChild<TfrmPlayback*>()->FileName(), file);
}

TEST_F(TInstanceChannelTest, NobodyListeningMeansNoHandOver) {
  TInstanceChannel second(UniqueName());
  EXPECT_FALSE(second.SendRequest("P", "/x/b.vmc", 200));

  // Viewers of another program folder or display are not asked.
  const QString folder = "/" + UniqueName();
  TInstanceChannel first(TInstanceChannel::ServerNameFor(folder, ":0"));
  ASSERT_TRUE(first.Listen());
  EXPECT_TRUE(
      TInstanceChannel(TInstanceChannel::ServerNameFor(folder, ":0")).OtherInstanceAnswers());
  EXPECT_FALSE(TInstanceChannel(TInstanceChannel::ServerNameFor(folder + "x", ":0"))
                   .OtherInstanceAnswers(200));
  EXPECT_FALSE(
      TInstanceChannel(TInstanceChannel::ServerNameFor(folder, ":1")).OtherInstanceAnswers(200));
}

TEST_F(TInstanceChannelTest, LeftoverOfACrashedViewerIsTakenOver) {
  const QString name = UniqueName();
  // A socket file that nobody serves, as a killed viewer leaves it.
  const QString path = QDir::tempPath() + "/" + name;
  QFile leftover(path);
  ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
  leftover.close();
  TInstanceChannel first(name);
  EXPECT_TRUE(first.Listen());
  TInstanceChannel another(name);
  EXPECT_FALSE(another.Listen());
}

TEST_F(TInstanceChannelTest, MalformedRequestsAreDropped) {
  const QString name = UniqueName();
  TInstanceChannel first(name);
  ASSERT_TRUE(first.Listen());
  int received = 0;
  QObject::connect(&first, &TInstanceChannel::RequestReceived, [&] { ++received; });
  const QByteArray messages[] = {"X\t/x/a.vxd\n", "no tab\n", QByteArray(64 * 1024, 'a')};
  for (const QByteArray& message : messages) {
    bool closedByPeer = false;
    RunBesideEventLoop([&] {
      QLocalSocket socket;
      socket.connectToServer(name);
      if (!socket.waitForConnected(2000)) return;
      socket.write(message);
      socket.waitForBytesWritten(2000);
      closedByPeer = socket.waitForDisconnected(5000);
    });
    EXPECT_TRUE(closedByPeer);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(received, 0);
}

}  // namespace
}  // namespace vexilon
