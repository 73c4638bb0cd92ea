#include "core/app/DebugLog.h"
#include "core/app/Settings.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/LineReader.h"
#include "core/catalogue/PublishedFile.h"
#include "core/catalogue/RecordText.h"

namespace vexilon {

namespace {

// A line of depth 1: one colon, then no second one.
bool IsTopLine(const std::string& line) {
  return !line.empty() && line[0] == ':' && (line.size() == 1 || line[1] != ':');
}

}  // namespace

// The lines of a connection file, from either kind of file.
class TCatalogue::TLineSource {
 public:
  virtual ~TLineSource() = default;
  virtual bool Next(std::string& line) = 0;
};

class TCatalogue::TTextLines final : public TCatalogue::TLineSource {
 public:
  bool Open(const std::string& file) { return FReader.Open(file); }
  bool Next(std::string& line) override { return FReader.ReadLine(line); }

 private:
  TLineReader FReader;
};

class TCatalogue::TRecordLines final : public TCatalogue::TLineSource {
 public:
  explicit TRecordLines(TByteSource& stream) : FReader(stream) {}

  bool Next(std::string& line) override {
    if (FNext < FKept.size()) {
      line = std::move(FKept[FNext++]);
      return true;
    }
    return FReader.Next(line);
  }

  // Reads the header and then up to the second line of depth 1, keeping what it read to
  // hand out again; answers whether there were two.
  bool HasTwoTopLines() {
    std::string line;
    int found = 0;
    if (FReader.Next(line)) FKept.push_back(line);
    while (found < 2 && FReader.Next(line)) {
      if (IsTopLine(line)) ++found;
      FKept.push_back(line);
    }
    return found == 2;
  }

 private:
  TRecordReader FReader;
  std::vector<std::string> FKept;
  std::size_t FNext = 0;
};

namespace {

// Only the outermost load shows the result and writes the settings: auxiliary files read
// while their group's file loads need not repeat it for every group.
class TLoadScope {
 public:
  explicit TLoadScope(int& nesting) : FNesting(nesting) { ++FNesting; }
  ~TLoadScope() { --FNesting; }
  TLoadScope(const TLoadScope&) = delete;
  TLoadScope& operator=(const TLoadScope&) = delete;
  bool Outermost() const { return FNesting == 1; }

 private:
  int& FNesting;
};

bool TextFileHasTwoTopLines(const std::string& file) {
  TLineReader reader;
  if (!reader.Open(file)) return false;
  std::string line;
  reader.ReadLine(line);
  int found = 0;
  while (found < 2 && reader.ReadLine(line)) {
    if (IsTopLine(line)) ++found;
  }
  return found == 2;
}

}  // namespace

void TCatalogue::LoadInto(TCamRoot& target, const std::string& file, int options) {
  TLoadScope scope(FLoadNesting);
  bool magic = false;
  bool done = false;
  try {
    TPublishedReader reader(file);
    magic = reader.Magic();
    if (magic) {
      TRecordLines lines(reader.Data());
      int recordOptions = options;
      if ((options & MergeTop) && lines.HasTwoTopLines()) recordOptions &= ~MergeTop;
      ReadLines(target, lines, recordOptions, true);
      done = true;
    }
  } catch (const std::exception&) {
    // A damaged published file goes on as text, where it fails on its first line.
  }
  if (!done) {
    try {
      // A published file keeps its bytes: repairing line ends would damage it.
      if (!magic) RepairLineEnds(file, kDataFileHeader);
      int textOptions = options;
      if ((options & MergeTop) && TextFileHasTwoTopLines(file)) textOptions &= ~MergeTop;
      TTextLines lines;
      if (lines.Open(file)) ReadLines(target, lines, textOptions, false);
    } catch (const std::exception&) {
      // Auxiliary and imported files fail silently; what was read stays.
    }
  }
  if (scope.Outermost()) FinishLoad(options);
}

void TCatalogue::LoadSubGroup(TCamGroup& group, int options) {
  LoadInto(group, group.SubGroup, options | MergeTop);
}

void TCatalogue::ReadRecords(TCamRoot& target, TByteSource& stream, int options) {
  TLoadScope scope(FLoadNesting);
  TRecordLines lines(stream);
  if ((options & MergeTop) && lines.HasTwoTopLines()) options &= ~MergeTop;
  ReadLines(target, lines, options, true);
  if (scope.Outermost()) FinishLoad(options);
}

void TCatalogue::ReadLines(TCamRoot& target, TLineSource& lines, int options, bool published) {
  std::string line;
  if (!lines.Next(line) || line != kDataFileHeader) {
    throw ECatalogueFile("Not a valid Vexilon connection file");
  }
  // A line with k colons hangs below the node n on the way up from current for which
  // n.Level() - base == k; the target itself stands at depth 0 of the file.
  long long base = target.Level() - 1;
  TCamBase* current = &target;
  bool first = true;  // the top group may still be merged into the target
  bool groupSeen = false;
  bool losing = false;
  long long lostDepth = 0;
  while (lines.Next(line)) {
    std::size_t colons = line.find_first_not_of(':');
    if (colons == std::string::npos) colons = line.size();
    long long k = static_cast<long long>(colons);
    std::string_view text = std::string_view(line).substr(colons);
    long long depth = k > 0 ? k : current->Level() - base;

    // Lines below a lost line are lost with it; lines with no colon would hang below it.
    if (losing) {
      if (k == 0 || k > lostDepth) continue;
      losing = false;
    }
    TCamBase* parent = current;
    if (k > 0) {
      // Deliberately, only nodes inside the target may become parents: a lost line never
      // becomes the parent of the lines after it, and no line leaves the target.
      parent = nullptr;
      for (TCamBase* node = current; node != nullptr; node = node->Parent()) {
        if (node->Level() - base == k) {
          parent = node;
          break;
        }
        if (node == &target) break;
      }
      if (parent != nullptr) current = parent;
    }

    std::string type = RecordValue(text, "TYPE");
    if ((options & TakeSettings) && !FHost.SettingsFromFile() &&
        (type == "TIMEOUT" || type == "PROXY" || type == "ASPECT")) {
      TakeSetting(type, RecordValue(text, "VALUE"));
      continue;
    }
    if (type == "ROOT") {
      if (published) {
        target.AutoUpdate = RecordValue(text, "AUTOUPDATE");
      } else if (target.AsGroup() == nullptr) {
        target.SetDataText(text);  // the root's tree node keeps its caption
      }
      continue;
    }
    bool isGroup = type == "GROUP";
    if (!isGroup && type != "ITEM") continue;

    bool merge = (options & MergeTop) && isGroup && first;
    if (isGroup && !groupSeen) {
      groupSeen = true;
      // Whatever a published file holds is published.
      if (published && !merge) target.Flags |= kPublishedGroupFlag | kPublishedFileGroupFlag;
    }
    TCamRoot* folder = parent != nullptr ? parent->AsRoot() : nullptr;
    if (!merge && (folder == nullptr || folder->Level() >= kMaxCatalogueDepth)) {
      // No place for this line (too many colons, below an entry, or too deep): it is lost,
      // and so are the lines that hang below it.
      losing = true;
      lostDepth = depth;
      continue;
    }

    std::unique_ptr<TCamBase> node;
    if (isGroup) {
      node = std::make_unique<TCamGroup>(target.Nodes());
    } else {
      node = std::make_unique<TCamItem>(target.Nodes());
    }
    node->SetDataText(text);
    if (!isGroup) CountItem();

    TCamBase* placed = nullptr;
    if (merge) {
      first = false;
      TCamGroup& top = *node->AsGroup();
      target.FreeChildren();
      if (const TCamGroup* targetGroup = target.AsGroup()) {
        top.Flags = (top.Flags & ~kSubGroupFlag) | (targetGroup->Flags & kSubGroupFlag);
        top.SubGroup = targetGroup->SubGroup;
      }
      if (published) {
        top.Flags = (top.Flags & ~kSubGroupFlag) | (target.Flags & kSubGroupFlag) |
                    kPublishedGroupFlag | kPublishedFileGroupFlag;
      }
      --base;
      target.SetDataText(top.GetDataText());
      placed = &target;
    } else if (options & MergeByName) {
      // Only a node of the same kind is joined; a group and an entry of one name stay two.
      for (const auto& child : folder->Children()) {
        if (child->Name == node->Name && (child->AsGroup() != nullptr) == isGroup) {
          placed = child.get();
          break;
        }
      }
      if (placed != nullptr) {
        placed->SetDataText(node->GetDataText());
      } else {
        placed = folder->AddChild(std::move(node));
      }
    } else {
      placed = folder->AddChild(std::move(node));
    }
    current = placed;
    TCamGroup* group = placed->AsGroup();
    if (group != nullptr && (options & LoadSubGroups) && (group->Flags & kSubGroupFlag)) {
      LoadSubGroup(*group, options & MergeByName);
    }
  }
}

void TCatalogue::TakeSetting(const std::string& type, const std::string& value) {
  TSettings& settings = FHost.SettingsToTake();
  if (type == "TIMEOUT") {
    settings.Timeout = kTimeoutRange.Clamp(TextToInt(value, 15));
  } else if (type == "PROXY") {
    settings.Proxy = value;
    settings.ProxyType = value.empty() ? 0 : 1;
  } else if (type == "ASPECT") {
    settings.Aspect = TextToInt(value, 1) != 0;
  }
}

void TCatalogue::CountItem() {
  ++FItemsLoaded;
  if (FWaitDialogOpen && FItemsLoaded % 100 == 0) {
    FHost.SetWaitText("Loading connection file. " + std::to_string(FItemsLoaded));
  }
}

void TCatalogue::FinishLoad(int options) {
  if (FRoot != nullptr) {
    FRoot->PopulateNodes(false);
    if (FRoot->TreeNode() != nullptr) FRoot->TreeNode()->SetExpanded(true);
  }
  if ((options & TakeSettings) && !FHost.SettingsFromFile()) FHost.WriteSettings();
}

void TCatalogue::LoadFavoritesBeside(const std::string& file) {
  FHost.LoadFavorites(ChangeFileExt(file, ".vxf"), FFavorites);
}

void TCatalogue::LoadMainFile(const std::string& file) {
  FHost.ShowWaitDialog("Please Wait", "Loading Connection File.");
  FWaitDialogOpen = true;
  struct TCloser {
    TCatalogue& Catalogue;
    void Close() {
      if (!Catalogue.FWaitDialogOpen) return;
      Catalogue.FWaitDialogOpen = false;
      Catalogue.FHost.CloseWaitDialog();
    }
    ~TCloser() { Close(); }
  } closer{*this};

  bool magic = false;
  bool again = false;
  bool replaced = false;  // at most one replacement per load
  do {
    FItemsLoaded = 0;
    again = false;
    try {
      TPublishedHeader header;
      {
        TPublishedReader reader(file);
        magic = reader.Magic();
        if (!magic) break;
        header = reader.Header();
        FPublished = true;
        FCurrentFile = FullFileName(file);
        ClearCatalogue(true);
        ReadRecords(*FRoot, reader.Data(), LoadSubGroups | TakeSettings);
      }
      // An update replaces the file on disk; the load then starts again with it and checks
      // once more, but never downloads twice: a server that always has a newer edition would
      // otherwise keep the viewer reloading for ever.
      try {
        const bool wanted =
            FUpdateCheck->CheckForUpdate(FRoot->AutoUpdate, header.Serial, header.Time, !replaced);
        again = wanted && !replaced && FUpdateCheck->DownloadUpdate(file, FRoot->AutoUpdate);
      } catch (const std::exception& e) {
        // An update server out of reach or timing out says nothing about the file just read:
        // it stays the catalogue.
        Log(std::string("Update not checked: ") + e.what());
        again = false;
      }
      replaced = replaced || again;
      if (!again) {
        LoadFavoritesBeside(file);
        return;
      }
    } catch (const std::exception&) {
      break;  // on to the text form, where a damaged published file fails on its first line
    }
  } while (again);

  if (!magic) RepairLineEnds(file, kDataFileHeader);
  std::string firstLine;
  {
    TLineReader reader;
    if (reader.Open(file)) reader.ReadLine(firstLine);
  }
  if (firstLine != kDataFileHeader) throw ECatalogueFile("Not a valid Vexilon data file");
  FPublished = false;
  FCurrentFile = FullFileName(file);
  ClearCatalogue(true);
  LoadInto(*FRoot, file, LoadSubGroups | TakeSettings);
  LoadFavoritesBeside(file);
  closer.Close();
  if (!FHost.SettingsFromFile()) FHost.WriteSettings();
}

}  // namespace vexilon
