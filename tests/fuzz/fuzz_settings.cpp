// The configuration file from untrusted bytes: every number lands in the range the Options
// menu offers, and what is read, written and read again reads the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "core/app/Settings.h"

using namespace vexilon;

namespace {

bool InRange(int value, TSettingRange range) {
  return value == range.Clamp(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = FuzzFolder() + "/Vexilon.ini";
  WriteFuzzFile(file, std::string(reinterpret_cast<const char*>(data), size));
  TSettings first;
  Check(ReadSettings(file, first));
  Check(InRange(first.Timeout, kTimeoutRange) && InRange(first.Flashback, kFlashbackRange) &&
        InRange(first.CpuUsage, kCpuUsageRange) && InRange(first.AudioBuffer, kAudioBufferRange) &&
        InRange(first.ResetClient, kResetClientRange));
  Check(first.AudioBufferCount == first.AudioBuffer + 20);
  Check(first.Remembered.Expanded.size() <= kMaxRememberedFolders);

  const std::string written = FormatSettings(first);
  WriteFuzzFile(file, written);
  TSettings second;
  Check(ReadSettings(file, second));
  Check(FormatSettings(second) == written);
  return 0;
}
