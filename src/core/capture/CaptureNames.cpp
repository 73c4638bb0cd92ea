#include "core/capture/CaptureNames.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace vexilon {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Whole-string decimal; anything else is 0. Huge numbers stop at INT_MAX - 1 so that the
// next number still fits.
int DecimalOrZero(std::string_view text) {
  if (text.empty()) return 0;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = std::min<long long>(value * 10 + (c - '0'), INT_MAX - 1);
  }
  return static_cast<int>(value);
}

}  // namespace

std::string CleanCaptureBase(std::string_view caption) {
  std::string base(caption);
  for (char& c : base) {
    if (std::string_view("\"/:<>\\|").find(c) != std::string_view::npos) c = '-';
  }
  if (base.empty()) return "Capture";
  if (base.back() >= '0' && base.back() <= '9') base += '-';
  return base;
}

int CaptureNumberOf(std::string_view fileName, std::string_view base) {
  if (fileName.size() < base.size()) return -1;
  std::string_view rest = fileName.substr(base.size());
  const size_t dot = rest.find('.');
  if (dot == std::string_view::npos) return -1;
  rest = rest.substr(0, dot);
  if (rest.empty()) return -1;
  return DecimalOrZero(rest);
}

std::string NextNumberedFileName(const std::string& folder, std::string_view base,
                                 std::string_view extension, int& counter) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directory(folder, error);  // a failure shows when the file is written
  std::string path = folder;
  if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
  const std::string cleanBase = CleanCaptureBase(base);

  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const std::string name = it->path().filename().string();
    if (name.size() < cleanBase.size() + extension.size()) continue;
    if (!SameLetters(std::string_view(name).substr(0, cleanBase.size()), cleanBase)) continue;
    if (!SameLetters(std::string_view(name).substr(name.size() - extension.size()), extension))
      continue;
    counter = std::max(counter, CaptureNumberOf(name, cleanBase));
  }
  if (counter < INT_MAX) ++counter;
  char number[16];
  std::snprintf(number, sizeof number, "%05d", counter);
  return path + cleanBase + number + std::string(extension);
}

}  // namespace vexilon
