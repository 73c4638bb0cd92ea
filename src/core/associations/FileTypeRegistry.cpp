#include "core/associations/FileTypeRegistry.h"

namespace vexilon {

std::optional<std::string> TMemoryRegistry::ReadDefault(const std::string& key) {
  const auto found = FKeys.find(key);
  if (found == FKeys.end()) return std::nullopt;
  return found->second;
}

void TMemoryRegistry::WriteDefault(const std::string& key, const std::string& value) {
  FKeys[key] = value;
}

void TMemoryRegistry::DeleteKey(const std::string& key) {
  const std::string below = key + "\\";
  for (auto it = FKeys.begin(); it != FKeys.end();) {
    if (it->first == key || it->first.starts_with(below))
      it = FKeys.erase(it);
    else
      ++it;
  }
}

}  // namespace vexilon
