#include "core/app/AtomicFile.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublishedFile.h"

namespace vexilon {

namespace {

constexpr const char* kLineEnd = "\r\n";

// A group written inline (into another file or as a record) drops its auxiliary-file flag.
std::string InlineDataText(const TCamBase& node) {
  const TCamGroup* group = node.AsGroup();
  if (group == nullptr || (group->Flags & kSubGroupFlag) == 0) return node.GetDataText();
  return group->GetDataTextWithFlags(group->Flags & ~kSubGroupFlag);
}

}  // namespace

int TCatalogue::WriteNodes(std::string& out, const TCamBase* node, int options, int level) {
  if (node == nullptr) return 0;
  const TCamItem* item = node->AsItem();
  if (item != nullptr && (item->Video().Flags & kPublishedFlag)) return 1;
  const TCamGroup* group = node->AsGroup();
  if (group != nullptr && (group->Flags & kPublishedGroupFlag) && (options & SkipPublishedGroups)) {
    return 1;
  }
  out.append(static_cast<std::size_t>(level), ':');
  out += (options & InlineSubGroups) ? InlineDataText(*node) : node->GetDataText();
  out += kLineEnd;

  int count = 0;
  if (group != nullptr && (group->Flags & kSubGroupFlag) && !(options & SkipPublishedGroups)) {
    WriteAuxiliary(*group, count);
    return count;
  }
  if (const TCamRoot* root = node->AsRoot()) {
    for (const auto& child : root->Children()) {
      count += WriteNodes(out, child.get(), options, level + 1);
    }
  }
  return count;
}

void TCatalogue::WriteAuxiliary(const TCamGroup& group, int& count) {
  // A failure leaves the old auxiliary file as it was and does not stop the main save.
  try {
    if ((group.Flags & (kPublishedGroupFlag | kPublishedFileGroupFlag)) == 0) {
      std::string content = std::string(kDataFileHeader) + kLineEnd + RootDataText() + kLineEnd;
      count += WriteNodes(content, &group, SkipPublishedGroups | InlineSubGroups, 1);
      WriteFileAtomically(group.SubGroup, content);
    } else {
      std::string ignored;
      SavePublished(&group, group.SubGroup, true, ignored);
    }
  } catch (const std::exception&) {
  }
}

void TCatalogue::WriteRecords(std::string& out, const TCamBase* node, int level) {
  if (node == nullptr) return;
  std::string line(static_cast<std::size_t>(level), ':');
  line += InlineDataText(*node);
  AppendRecord(out, line);
  if (const TCamRoot* root = node->AsRoot()) {
    for (const auto& child : root->Children()) WriteRecords(out, child.get(), level + 1);
  }
}

bool TCatalogue::SavePublished(const TCamBase* node, const std::string& file, bool withRoot,
                               std::string& message) {
  // Deliberately built whole in memory and then written atomically, like every file here: a
  // failure at any point leaves the old file exactly as it was.
  try {
    TPublishedHeader header;
    header.Time = CurrentUtcTime();
    ReadPublishedHeader(file, header);  // a file rewritten keeps its serial and time
    std::string records;
    AppendRecord(records, kDataFileHeader);
    if (withRoot) {
      AppendRecord(records, RootDataText());
      WriteRecords(records, node, 1);
    } else {
      WriteRecords(records, node, 0);
    }
    AppendRecordsEnd(records);
    WriteFileAtomically(file, FormatPublishedHeader(header) + Deflate(records));
    return true;
  } catch (const std::exception& e) {
    message = "Error saving published file: " + file + "\r\n" + e.what();
    return false;
  }
}

TSaveResult TCatalogue::Save(const std::string& file) {
  TSaveResult result;
  if (FPublished) {
    std::string message;
    result.Saved = SavePublished(FRoot.get(), file, false, message);
    if (!result.Saved) result.Messages.push_back({TCatalogueMessage::PlainBox, message});
  } else {
    std::string content = std::string(kDataFileHeader) + kLineEnd;
    int count = WriteNodes(content, FRoot.get(), 0, 0);
    WriteFileAtomically(file, content);
    if (count > 0) result.Messages.push_back({TCatalogueMessage::ErrorBox, kPublishedNotExported});
    result.Saved = true;
  }
  if (!result.Saved) return result;
  try {
    FHost.WriteFavorites(ChangeFileExt(file, ".vxf"), FFavorites);
    FFavoritesChanged = false;
  } catch (const std::exception& e) {
    result.Messages.push_back(
        {TCatalogueMessage::PlainBox, std::string("Error while saving favorites: ") + e.what()});
  }
  FCatalogChanged = false;
  FCurrentFile = FullFileName(file);
  return result;
}

TSaveResult TCatalogue::Export(const std::string& file, const TCamBase* node) {
  std::string content = std::string(kDataFileHeader) + kLineEnd;
  int count = 0;
  if (node == FRoot.get()) {
    count = WriteNodes(content, node, SkipPublishedGroups, 0);
  } else {
    content += RootDataText() + kLineEnd;
    count = WriteNodes(content, node, SkipPublishedGroups, 1);
  }
  WriteFileAtomically(file, content);
  TSaveResult result;
  result.Saved = true;
  if (count > 0) result.Messages.push_back({TCatalogueMessage::ErrorBox, kPublishedNotExported});
  return result;
}

}  // namespace vexilon
