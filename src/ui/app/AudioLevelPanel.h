#pragma once
#include <QString>
#include <QWidget>

namespace vexilon {

// The status bar's audio panel: the audio output's buffer fill level as a bar, red while it is
// still filling before playback starts, green while it plays.
class TAudioLevelPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TAudioLevelPanel(QWidget* parent = nullptr);
  void SetLevel(bool prebuffering, int level);
  bool Prebuffering() const { return FPrebuffering; }
  int Level() const { return FLevel; }
  // The two reported values joined by ","; kept for the record, never drawn.
  QString Text() const { return FText; }
  // How many pixels from the left the bar covers at the current width.
  int BarWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool FPrebuffering = false;
  int FLevel = 0;
  QString FText;
};

}  // namespace vexilon
