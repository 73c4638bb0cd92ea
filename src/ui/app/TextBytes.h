#pragma once
#include <QString>
#include <string>

namespace vexilon {

// The core keeps names, addresses and captions as bytes in the system's 8-bit encoding; the
// widgets hold QStrings. Every crossing goes through these two.
inline QString FromBytes(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}
inline std::string ToBytes(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

}  // namespace vexilon
