#include "CatalogueCommand.h"

#include <cstdio>
#include <exception>
#include <string_view>

#include "core/app/Settings.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/Favorites.h"

namespace vexilon {

namespace {

// A host without windows: no wait dialog, and the user's configuration is never touched,
// so settings lines found in an old connection file are not taken.
class TCommandLineHost : public TCatalogueHost {
 public:
  void ShowWaitDialog(const std::string&, const std::string&) override {}
  void SetWaitText(const std::string&) override {}
  void CloseWaitDialog() override {}
  bool SettingsFromFile() const override { return true; }
  TSettings& SettingsToTake() override { return FSettings; }
  void WriteSettings() override {}
  void LoadFavorites(const std::string& file, TFavoriteList& list) override {
    vexilon::LoadFavorites(file, list);
  }
  void WriteFavorites(const std::string& file, const TFavoriteList& list) override {
    WriteFavoritesFile(file, list);
  }

 private:
  TSettings FSettings;
};

const char* KindName(const TCamBase& node) {
  if (node.AsItem() != nullptr) return "ITEM";
  if (node.AsGroup() != nullptr) return "GROUP";
  return "ROOT";
}

// The node's groups and its own name joined by ":"; empty for the root.
std::string PathOf(const TCamBase& node) {
  std::string path;
  for (const TCamBase* n = &node; n->Parent() != nullptr; n = n->Parent())
    path = path.empty() ? n->Name : n->Name + ":" + path;
  return path;
}

// Depth first without recursion: a hostile file may nest as deep as the model allows.
void PrintTree(const TCamRoot& root) {
  struct TFrame {
    const TCamBase* Node;
    int Depth;
  };
  std::vector<TFrame> stack{{&root, 0}};
  while (!stack.empty()) {
    TFrame frame = stack.back();
    stack.pop_back();
    std::printf("%d\t%s\t%s\t%s\n", frame.Depth, KindName(*frame.Node), PathOf(*frame.Node).c_str(),
                frame.Node->GetDataText().c_str());
    if (const TCamRoot* folder = frame.Node->AsRoot()) {
      for (std::size_t i = folder->ChildCount(); i-- > 0;)
        stack.push_back({folder->Child(i), frame.Depth + 1});
    }
  }
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[text.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

int Usage() {
  std::fputs("usage: vexilonctl catalogue list FILE | catalogue convert IN OUT\n", stderr);
  return 2;
}

}  // namespace

int RunCatalogueCommand(const std::vector<std::string>& args) {
  bool list = args.size() == 2 && args[0] == "list";
  bool convert = args.size() == 3 && args[0] == "convert";
  if (!list && !convert) return Usage();
  TCommandLineHost host;
  TCatalogue catalogue(host, nullptr);
  try {
    catalogue.ClearCatalogue(true);
    catalogue.LoadMainFile(args[1]);
    if (list) {
      PrintTree(*catalogue.FRoot);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    catalogue.FPublished = EndsWith(args[2], ".vxp");
    TSaveResult result = catalogue.Save(args[2]);
    for (const TCatalogueMessage& message : result.Messages)
      std::fprintf(stderr, "%s\n", message.Text.c_str());
    return result.Saved ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

}  // namespace vexilon
