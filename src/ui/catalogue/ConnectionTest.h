#pragma once
#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QTimer;

#include "core/catalogue/WebConnect.h"

namespace vexilon {

class TVideoThread;
struct TConnectionTestState;

// The entry editor's Test: reads a camera with the dialog's values for a few seconds, as a
// camera window would, then says in one line what came back.
class TConnectionTest : public QObject {
  Q_OBJECT
 public:
  explicit TConnectionTest(QObject* parent = nullptr);
  ~TConnectionTest() override;

  void Start(const TVideoConnect& video, int milliseconds = 3000);
  bool Running() const { return FThread != nullptr; }

 signals:
  // "Pictures come: 320x240 jpeg, 24.8 frames a second", or what went wrong, in words.
  void Finished(const QString& report);
  // After Finished, when the camera's certificate was refused: its SHA-256 fingerprint.
  void Untrusted(const std::string& fingerprint, const std::string& why);

 private:
  void Finish();

  std::shared_ptr<TConnectionTestState> FState;
  std::unique_ptr<TVideoThread> FThread;
  qint64 FStarted = 0;
  TStreamFormat FFormat = TStreamFormat::Auto;
  QTimer* FDeadline = nullptr;
  QTimer* FPoll = nullptr;
};

}  // namespace vexilon
