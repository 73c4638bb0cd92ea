#include "core/catalogue/Catalogue.h"

#include <filesystem>

#include "core/app/AtomicFile.h"

namespace vexilon {

namespace {

// Larger files are read as they are rather than loaded whole for the repair.
constexpr std::size_t kMaxRepairBytes = std::size_t{256} << 20;

}  // namespace

bool TUpdateCheck::CheckForUpdate(const std::string&, std::uint32_t, const TSystemTime&, bool) {
  return false;
}

bool TUpdateCheck::DownloadUpdate(const std::string&, const std::string&) {
  return false;
}

TCatalogue::TCatalogue(TCatalogueHost& host, TTreeNodes* nodes) : FHost(host), FNodes(nodes) {}

TCatalogue::~TCatalogue() = default;

void TCatalogue::SetUpdateCheck(TUpdateCheck* check) {
  FUpdateCheck = check != nullptr ? check : &FNoUpdate;
}

void TCatalogue::ClearCatalogue(bool createRoot) {
  FCatalogChanged = false;
  FFavoritesChanged = false;
  FRoot.reset();  // deletes the tree nodes of the whole model
  if (createRoot) {
    FRoot = std::make_unique<TCamRoot>(FNodes);
    FRoot->SetName("Cameras");
    if (FNodes != nullptr) FRoot->AttachNode(FNodes->AddChild(nullptr, FRoot->Name, FRoot.get()));
  }
  FFavorites.clear();
}

void TCatalogue::Import(const std::string& file, TCamBase* node) {
  if (node == nullptr) return;
  TCamRoot* target = node->AsRoot() != nullptr ? node->AsRoot() : node->Parent();
  if (target != nullptr) LoadInto(*target, file, LoadSubGroups | MergeByName);
}

std::string TCatalogue::RootDataText() const {
  return FRoot != nullptr ? FRoot->GetDataText() : TCamRoot(nullptr).GetDataText();
}

bool IsRegularFile(const std::string& file) {
  std::error_code error;
  return std::filesystem::is_regular_file(file, error);
}

void RepairLineEnds(const std::string& file, std::string_view firstLine) {
  std::string content;
  if (!IsRegularFile(file) || !ReadWholeFile(file, content, kMaxRepairBytes)) return;
  if (!firstLine.empty()) {
    std::string_view head(content);
    if (head.substr(0, firstLine.size()) != firstLine) return;
    head.remove_prefix(firstLine.size());
    if (!head.empty() && head[0] != '\r' && head[0] != '\n') return;
  }
  bool changed = false;
  char previous = '\0';
  for (char& c : content) {
    char original = c;
    if (c == '\n' && previous != '\r') {
      c = '\r';
      changed = true;
    }
    previous = original;
  }
  if (!changed) return;
  try {
    WriteFileAtomically(file, content);
  } catch (const EFileWrite&) {
    // A file we may not write is read as it is: the reader takes lone LFs as line ends too.
  }
}

std::string FullFileName(const std::string& file) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(file, error);
  return error ? file : full.lexically_normal().string();
}

std::string ChangeFileExt(const std::string& file, const std::string& extension) {
  std::size_t slash = file.find_last_of('/');
  std::size_t dot = file.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return file + extension;
  }
  return file.substr(0, dot) + extension;
}

}  // namespace vexilon
