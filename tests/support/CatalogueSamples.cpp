#include "support/CatalogueSamples.h"

#include <stdexcept>

#include "core/app/AtomicFile.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublishedFile.h"
#include "support/FakeCatalogueHost.h"

namespace vexilon {

std::string Outline(const TCamBase& node) {
  const TCamRoot* root = node.AsRoot();
  if (root == nullptr) return node.Name;
  std::string out = node.Name + "{";
  for (std::size_t i = 0; i < root->ChildCount(); ++i) {
    if (i > 0) out += ",";
    out += Outline(*root->Child(i));
  }
  return out + "}";
}

std::string LoadedOutline(const std::string& file) {
  TFakeCatalogueHost host;
  TCatalogue catalogue(host, nullptr);
  catalogue.LoadMainFile(file);
  return Outline(*catalogue.FRoot);
}

TCamGroup* AddGroup(TCamRoot& parent, const std::string& name, int flags) {
  auto group = std::make_unique<TCamGroup>(parent.Nodes());
  group->Name = name;
  group->Flags = flags;
  return static_cast<TCamGroup*>(parent.AddChild(std::move(group)));
}

TCamItem* AddItem(TCamRoot& parent, const std::string& name, int videoFlags) {
  auto item = std::make_unique<TCamItem>(parent.Nodes());
  item->SetName(name);
  item->Video().Flags = videoFlags;
  return static_cast<TCamItem*>(parent.AddChild(std::move(item)));
}

std::string GroupLine(const std::string& name, int flags, const std::string& subGroup) {
  TCamGroup group(nullptr);
  group.Name = name;
  group.Flags = flags;
  group.SubGroup = subGroup;
  return group.GetDataText();
}

std::string ItemLine(const std::string& name, int videoFlags, const std::string& web) {
  TCamItem item(nullptr);
  item.SetName(name);
  item.Video().Flags = videoFlags;
  item.Video().Web = web;
  return item.GetDataText();
}

std::string TextFile(const std::vector<std::string>& lines) {
  std::string out = "Vexilon Data File\r\n";
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::string PublishedFile(const std::string& framedRecords, unsigned serial) {
  TPublishedHeader header;
  header.Serial = serial;
  header.Time.Year = 2004;
  header.Time.Month = 5;
  header.Time.Day = 17;
  return FormatPublishedHeader(header) + Deflate(framedRecords);
}

std::string Record(const std::string& text) {
  std::string out;
  AppendRecord(out, text);
  return out;
}

std::string RecordsEnd() {
  std::string out;
  AppendRecordsEnd(out);
  return out;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  WriteFileAtomically(path, bytes);
}

std::string ReadBytes(const std::string& path) {
  std::string content;
  if (!ReadWholeFile(path, content)) throw std::runtime_error("cannot read " + path);
  return content;
}

}  // namespace vexilon
