#pragma once
#include <QDialog>

#include "core/capture/MultiCaptureSettings.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vexilon {

class TRadioGroup;

// Asks how a multi-capture should record. Opens with the last confirmed settings; OK keeps
// them for the next time. The quick and user setting buttons answer at once with their own.
class TfrmMultiCapture : public QDialog {
  Q_OBJECT
 public:
  // A camera window may record every new picture (delay 0); a desktop records every 1 ms at
  // most, and only into multi-capture files.
  explicit TfrmMultiCapture(QWidget* parent = nullptr, bool forDesktop = false);

  // What the controls say now.
  TMultiCaptureSettings Chosen() const;

  void btnOkClick();
  void FastCaptureClick(int delay);
  void UserSettingsClick(int number);
  // The right button on a user setting button: offers to store the controls under it.
  void UserSettingsSave(int number);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show(const TMultiCaptureSettings& settings);

  QSpinBox* spnMilliseconds = nullptr;
  QSpinBox* spnCount = nullptr;
  QSpinBox* spnCapturesLimit = nullptr;
  TRadioGroup* rgSingleCapture = nullptr;
  TRadioGroup* rgNumberofCaptures = nullptr;
  QRadioButton* rdoJPG = nullptr;
  QRadioButton* rdoVMC = nullptr;
  QPushButton* FUserButtons[4] = {};
};

}  // namespace vexilon
