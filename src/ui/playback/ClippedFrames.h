#pragma once
#include <QDialog>
#include <cstdint>

namespace vexilon {

// Asks what to do with the frames marked in the playback window. Closes with Accepted for
// Extract, kClippedDelete for Delete, Rejected for Cancel. Children: lblFrameRange, btnExtract,
// btnDelete, btnCancel.
class TfrmClippedFrames : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kClippedDelete = 2;
  TfrmClippedFrames(QWidget* parent, std::int32_t cutStart, std::int32_t cutEnd);
};

}  // namespace vexilon
