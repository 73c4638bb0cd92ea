#include "ui/app/InstanceChannel.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

#include "core/app/ProgramPath.h"

namespace vexilon {

namespace {

// The first viewer answers "OK" and a line feed; more than this is no answer of ours.
constexpr qsizetype kMaxAnswer = 16;

// One request is a line "P<TAB>name" or "D<TAB>name" with the name percent-encoded, so that
// any byte of a file name travels; the receiver confirms with "OK".
constexpr qsizetype kMaxRequestBytes = 16 * 1024;
constexpr int kIdleTimeoutMs = 5000;
const char kAnswer[] = "OK\n";

bool IsKnownSwitch(const QString& name) {
  return name == QLatin1String("P") || name == QLatin1String("D");
}

}  // namespace

TInstanceChannel::TInstanceChannel(const QString& serverName, QObject* parent)
    : QObject(parent), FServerName(serverName) {}

TInstanceChannel::~TInstanceChannel() = default;

QString TInstanceChannel::ServerNameFor(const QString& programFolder, const QString& display) {
  const QByteArray digest = QCryptographicHash::hash(
      programFolder.toUtf8() + '\0' + display.toUtf8(), QCryptographicHash::Sha256);
  // Short enough for a socket path in any temporary folder.
  return QStringLiteral("vexilon-%1-%2")
      .arg(::getuid())
      .arg(QString::fromLatin1(digest.toHex().left(16)));
}

QString TInstanceChannel::DefaultServerName() {
  QString display = qEnvironmentVariable("DISPLAY");
  if (display.isEmpty()) display = qEnvironmentVariable("WAYLAND_DISPLAY");
  return ServerNameFor(QString::fromLocal8Bit(ProgramFolder()), display);
}

bool TInstanceChannel::OtherInstanceAnswers(int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(FServerName);
  const bool answered = socket.waitForConnected(timeoutMs);
  socket.abort();
  return answered;
}

bool TInstanceChannel::SendRequest(const QString& switchName, const QString& file,
                                   int timeoutMs) const {
  if (!IsKnownSwitch(switchName)) return false;
  QLocalSocket socket;
  socket.connectToServer(FServerName);
  if (!socket.waitForConnected(timeoutMs)) return false;
  const QByteArray line = switchName.toLatin1() + '\t' + file.toUtf8().toPercentEncoding() + '\n';
  socket.write(line);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray answer;
  while (!answer.contains('\n') && answer.size() < kMaxAnswer) {
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs)) break;
    answer += socket.readAll();
  }
  socket.abort();
  return answer.startsWith("OK");
}

bool TInstanceChannel::Listen() {
  if (FServer != nullptr) return FServer->isListening();
  // A private socket is put in place by renaming it over whatever has the name, which would
  // cut off a running viewer: only a name that nobody answers on is taken (a crash leftover).
  if (OtherInstanceAnswers()) return false;
  FServer = new QLocalServer(this);
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  connect(FServer, &QLocalServer::newConnection, this, &TInstanceChannel::Accept);
  if (FServer->listen(FServerName)) return true;
  QLocalServer::removeServer(FServerName);
  return FServer->listen(FServerName);
}

bool TInstanceChannel::Listening() const {
  return FServer != nullptr && FServer->isListening();
}

void TInstanceChannel::Accept() {
  while (QLocalSocket* socket = FServer->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A peer that connects and says nothing is dropped after a while.
    QTimer::singleShot(kIdleTimeoutMs, socket, [socket] { socket->abort(); });
    if (socket->bytesAvailable() > 0) ReadFrom(socket);
  }
}

void TInstanceChannel::ReadFrom(QLocalSocket* socket) {
  QByteArray buffer = socket->property("request").toByteArray();
  buffer += socket->read(kMaxRequestBytes + 1 - buffer.size());
  const qsizetype end = buffer.indexOf('\n');
  if (end < 0) {
    if (buffer.size() > kMaxRequestBytes) {
      socket->abort();
      return;
    }
    socket->setProperty("request", buffer);
    return;
  }
  socket->setProperty("request", QByteArray());
  const QByteArray line = buffer.left(end);
  const qsizetype tab = line.indexOf('\t');
  const QString switchName = QString::fromLatin1(line.left(tab < 0 ? 0 : tab));
  if (tab < 0 || !IsKnownSwitch(switchName)) {
    socket->abort();
    return;
  }
  const QString file = QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(tab + 1)));
  socket->write(kAnswer);
  socket->flush();
  socket->disconnectFromServer();
  emit RequestReceived(switchName, file);
}

}  // namespace vexilon
