#pragma once
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vexilon {

// The line between a running viewer and a second start of it: the second start hands over a
// desktop or multi-capture file named on its command line and ends, the first one opens it.
// One channel per user, program folder and display: viewers of two users, of two program
// folders or on two displays never hand files to each other.
class TInstanceChannel : public QObject {
  Q_OBJECT
 public:
  explicit TInstanceChannel(const QString& serverName, QObject* parent = nullptr);
  ~TInstanceChannel() override;

  // "vexilon-", the user's id and a digest of the program folder and the display.
  static QString ServerNameFor(const QString& programFolder, const QString& display);
  // The name for this process: its program folder and $DISPLAY (or $WAYLAND_DISPLAY).
  static QString DefaultServerName();

  // Whether a running viewer listens on the channel.
  bool OtherInstanceAnswers(int timeoutMs = 1000) const;
  // Hands switchName ("P" or "D") and file to the running viewer; true once it confirmed.
  // Blocking: meant for a second start that has no window yet.
  bool SendRequest(const QString& switchName, const QString& file, int timeoutMs = 3000) const;
  // Starts answering the channel unless a running viewer does; a channel left behind by a
  // crashed viewer is taken over.
  bool Listen();
  bool Listening() const;

 signals:
  void RequestReceived(const QString& switchName, const QString& file);

 private:
  void Accept();
  void ReadFrom(QLocalSocket* socket);

  QString FServerName;
  QLocalServer* FServer = nullptr;
};

}  // namespace vexilon
