#include "core/playback/PlaybackFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace vexilon {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool HasVmcExtension(std::string_view name) {
  return name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".vmc";
}

}  // namespace

std::vector<std::string> MultiCaptureFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = it->path().filename().string();
    if (HasVmcExtension(name)) names.push_back(std::move(name));
  }
  // Sorted by their lower-case form, and by the name itself among equals, so the order does not
  // depend on the order the folder lists them in.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(
      std::unique(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }),
      names.end());
  return names;
}

std::optional<std::string> NeighbourFile(const std::vector<std::string>& names,
                                         std::string_view current, bool forward) {
  const std::string key = Lower(current);
  const auto found = std::find_if(names.begin(), names.end(),
                                  [&](const std::string& name) { return Lower(name) == key; });
  const long position = found == names.end() ? -1 : long(found - names.begin());
  if (forward) {
    if (position + 1 < long(names.size())) return names[std::size_t(position + 1)];
  } else if (position >= 1) {
    return names[std::size_t(position - 1)];
  }
  return std::nullopt;
}

}  // namespace vexilon
