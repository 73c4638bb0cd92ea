#include "core/app/DebugLog.h"

#include <sys/stat.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/app/Switches.h"

namespace vexilon {
namespace {

// -1: ask the command line; 0 or 1: forced.
std::atomic<int> gForced{-1};
// Lines of two threads must not interleave within the file.
std::mutex gLogLock;

unsigned long long TickCount() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
         static_cast<unsigned long long>(now.tv_nsec / 1000000);
}

// A stream dump left running for days must not fill the disk; one of this size holds hours of
// a camera's stream, plenty to reproduce a fault.
constexpr long kMaxDumpBytes = 256L << 20;

void AppendToFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

}  // namespace

bool DebugEnabled() {
  const int forced = gForced.load(std::memory_order_relaxed);
  if (forced >= 0) return forced == 1;
  return SwitchPresent("DEBUG");
}

void SetDebugEnabledForTest(std::optional<bool> enabled) {
  gForced = enabled ? int(*enabled) : -1;
}

std::string LogLine(std::string_view message, long long unixSeconds, unsigned long long tick) {
  const time_t seconds = static_cast<time_t>(unixSeconds);
  tm local{};
  localtime_r(&seconds, &local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d Tick=%llu ",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, tick);
  std::string line(stamp);
  line.append(message);
  return line;
}

void Log(std::string_view message) {
  if (!DebugEnabled()) return;
  std::string line = LogLine(message, static_cast<long long>(time(nullptr)), TickCount());
  line += "\r\n";
  const std::string path = ExpandProgramPath("./VEXILON.LOG");
  std::lock_guard lock(gLogLock);
  AppendToFile(path, line);
}

void AppendDebugDump(const std::string& name, std::string_view bytes) {
  if (!DebugEnabled() || bytes.empty()) return;
  const std::string path = ExpandProgramPath("./" + name);
  std::lock_guard lock(gLogLock);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && st.st_size + long(bytes.size()) > kMaxDumpBytes) return;
  AppendToFile(path, bytes);
}

void DumpLastPayload(std::string_view payload) {
  if (!DebugEnabled() || payload.empty()) return;
  try {
    WriteFileAtomically(ExpandProgramPath("./Vexilon.Dbg"), payload);
  } catch (const EFileWrite&) {
    // A debugging aid must not disturb the camera.
  }
}

}  // namespace vexilon
