#pragma once
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

#include "core/capture/MultiCaptureFile.h"

namespace vexilon {

// One recorded window of the file being played: where it is drawn and its latest picture.
struct TTempImage {
  TCaptureRect Rect;  // unscaled: the recorded rectangle, or the auto-arrange place
  std::string Jpeg;   // the latest image as recorded; empty when it was no JPEG picture
  QImage Picture;     // Jpeg decoded; null when there is none or it could not be decoded
  int SaveCounter = 0;
  std::int32_t FrameNo = 0;
  QString Name;
  std::int32_t WindowNumber = 0;
};

}  // namespace vexilon
