#include "core/catalogue/CatalogueRules.h"

#include <algorithm>
#include <vector>

#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CommaText.h"

namespace vexilon {

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SamePrefix(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(line[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

void Inherit(std::string& value, bool& fromGroup, const std::string& groupValue) {
  if (value.empty() && !groupValue.empty()) {
    value = groupValue;
    fromGroup = true;
  }
}

}  // namespace

std::string CatalogPath(const TCamBase& node) {
  std::string path = node.Name;
  for (const TCamRoot* parent = node.Parent(); parent != nullptr && parent->AsGroup() != nullptr;
       parent = parent->Parent()) {
    path = parent->Name + ":" + path;
  }
  return path;
}

TCamBase* FindByPath(TCamRoot& root, std::string_view path) {
  TCamBase* node = &root;
  while (true) {
    std::size_t colon = path.find(':');
    std::string_view part = path.substr(0, colon);
    TCamRoot* folder = node->AsRoot();
    if (folder == nullptr) return nullptr;
    const auto& children = folder->Children();
    auto found = std::find_if(children.begin(), children.end(),
                              [part](const auto& child) { return child->Name == part; });
    if (found == children.end()) return nullptr;
    node = found->get();
    if (colon == std::string_view::npos) return node;
    path.remove_prefix(colon + 1);
  }
}

TEffectiveConnection EffectiveConnection(const TCamItem& entry) {
  return EffectiveConnection(entry, entry.Parent());
}

TEffectiveConnection EffectiveConnection(const TCamItem& entry, const TCamRoot* folder) {
  TEffectiveConnection result;
  result.Auth = entry.Video().Auth;
  result.Prefix = entry.Video().Prefix;
  result.Suffix = entry.Video().Suffix;
  std::vector<const TCamGroup*> withHeaders;  // innermost first
  for (const TCamRoot* parent = folder; parent != nullptr; parent = parent->Parent()) {
    const TCamGroup* group = parent->AsGroup();
    if (group == nullptr) break;  // the catalogue root
    Inherit(result.Auth, result.AuthFromGroup, group->Auth);
    Inherit(result.Prefix, result.PrefixFromGroup, group->Prefix);
    Inherit(result.Suffix, result.SuffixFromGroup, group->Suffix);
    if (!group->Headers.empty()) withHeaders.push_back(group);
  }
  std::string base;
  for (auto group = withHeaders.rbegin(); group != withHeaders.rend(); ++group) {
    MergeHeaders(base, (*group)->Headers);
  }
  result.VideoHeaders = base;
  MergeHeaders(result.VideoHeaders, entry.Video().Headers);
  result.AudioHeaders = base;
  MergeHeaders(result.AudioHeaders, entry.Audio().Headers);
  return result;
}

void ApplyFromTree(const TEffectiveConnection& effective, TVideoConnect& video,
                   TAudioConnect& audio) {
  if (effective.AuthFromGroup) video.Auth = audio.Auth = effective.Auth;
  if (effective.PrefixFromGroup) video.Prefix = audio.Prefix = effective.Prefix;
  if (effective.SuffixFromGroup) video.Suffix = audio.Suffix = effective.Suffix;
  video.Headers = effective.VideoHeaders;
  audio.Headers = effective.AudioHeaders;
}

void ApplyByPath(const TEffectiveConnection& effective, TVideoConnect& video) {
  video.Auth = effective.Auth;
  video.Prefix = effective.Prefix;
  video.Suffix = effective.Suffix;
  video.Headers = effective.VideoHeaders;
}

void MergeHeaders(std::string& headers, std::string_view more) {
  std::vector<std::string> lines = SplitLines(headers);
  for (const std::string& line : SplitLines(more)) {
    if (line.empty()) continue;
    std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string_view name(line.data(), colon + 1);
      std::erase_if(lines, [name](const std::string& old) { return SamePrefix(old, name); });
    }
    lines.push_back(line);
  }
  headers = JoinLines(lines);
}

}  // namespace vexilon
