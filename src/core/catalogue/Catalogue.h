#pragma once
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CatalogueHost.h"
#include "core/catalogue/Favorites.h"

namespace vexilon {

class TByteSource;

// Options of LoadInto, ReadRecords and LoadSubGroup (a bit set).
enum TLoadOptions : int {
  LoadSubGroups = 1,  // read the auxiliary files of groups read
  MergeTop = 2,       // the file's single top group becomes the target itself
  TakeSettings = 4,   // take settings lines while the settings did not come from a file
  MergeByName = 8,    // a node read joins an existing child of the same name and kind
};

// Options of WriteNodes (a bit set).
enum TWriteOptions : int {
  SkipPublishedGroups = 1,  // leave published groups out, write sub-groups inline
  InlineSubGroups = 2,      // write sub-groups with their auxiliary-file flag cleared
};

// A failure shown to the user with its exact text ("Not a valid Vexilon data file").
class ECatalogueFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A message for the user after a save: an error box or a plain message box.
struct TCatalogueMessage {
  enum TKind { ErrorBox, PlainBox };
  TKind Kind;
  std::string Text;
};

struct TSaveResult {
  bool Saved = false;
  std::vector<TCatalogueMessage> Messages;  // to show in this order
};

inline constexpr const char* kPublishedNotExported =
    "Warning: Published entries were not exported.";

// The catalogue of the primary main window: the model, the file it came from, the favorites
// and their changed flags, and the reading and writing of connection files.
class TCatalogue {
 public:
  // nodes may be null (no tree view). The host must outlive this object.
  TCatalogue(TCatalogueHost& host, TTreeNodes* nodes);
  ~TCatalogue();
  TCatalogue(const TCatalogue&) = delete;
  TCatalogue& operator=(const TCatalogue&) = delete;

  // The update check used by LoadMainFile; null restores the one that never updates.
  void SetUpdateCheck(TUpdateCheck* check);

  std::unique_ptr<TCamRoot> FRoot;
  std::string FCurrentFile;  // full path of the file last loaded or saved
  bool FPublished = false;   // that file is a published one
  int FItemsLoaded = 0;
  bool FCatalogChanged = false;
  bool FFavoritesChanged = false;
  TFavoriteList FFavorites;

  // Frees the model (and its tree nodes) and the favorites and clears both changed flags;
  // with createRoot, a new root "Cameras" with a top-level tree node.
  void ClearCatalogue(bool createRoot);

  // Makes file the catalogue (start-up, File > Open). Throws ECatalogueFile("Not a valid
  // Vexilon data file") when it is neither kind of connection file; the catalogue is then
  // as it was (or, for a damaged published file, holds what could be read).
  void LoadMainFile(const std::string& file);
  // Reads a connection file of either kind into target. Failures are silent: whatever was
  // read stays. Afterwards the root's children are shown and the root expanded.
  void LoadInto(TCamRoot& target, const std::string& file, int options);
  void LoadSubGroup(TCamGroup& group, int options);
  // The decompressed records of a published file. Throws ECatalogueFile when the first
  // record is not the header; other damage ends the reading quietly.
  void ReadRecords(TCamRoot& target, TByteSource& stream, int options);

  // node and its contents as text lines into out; answers the number of published nodes
  // left out. Groups with an auxiliary file get it written (failures are ignored).
  int WriteNodes(std::string& out, const TCamBase* node, int options, int level);
  // node and its contents as records (nothing left out).
  void WriteRecords(std::string& out, const TCamBase* node, int level);
  // Writes a published file, keeping the serial and time of the one it replaces. On failure
  // message is "Error saving published file: " + file + CR LF + the reason.
  bool SavePublished(const TCamBase* node, const std::string& file, bool withRoot,
                     std::string& message);

  // File > Save to file (chosen by the caller) in the current kind, then the favorites
  // beside it. Throws EFileWrite when a text file cannot be written.
  TSaveResult Save(const std::string& file);
  // Export of node (the root or any node) as a text file; throws EFileWrite on failure.
  TSaveResult Export(const std::string& file, const TCamBase* node);
  // Import of file into node (into its parent when node is an entry).
  void Import(const std::string& file, TCamBase* node);

 private:
  class TLineSource;
  class TTextLines;
  class TRecordLines;

  void ReadLines(TCamRoot& target, TLineSource& lines, int options, bool published);
  void TakeSetting(const std::string& type, const std::string& value);
  void CountItem();
  void FinishLoad(int options);
  void WriteAuxiliary(const TCamGroup& group, int& count);
  std::string RootDataText() const;
  void LoadFavoritesBeside(const std::string& file);

  TCatalogueHost& FHost;
  TTreeNodes* FNodes;
  TUpdateCheck FNoUpdate;
  TUpdateCheck* FUpdateCheck = &FNoUpdate;
  bool FWaitDialogOpen = false;
  int FLoadNesting = 0;  // auxiliary files load inside the load of their group's file
};

// Replaces every LF that does not follow a CR by a CR, and writes the file back when that
// changed anything. A file that cannot be read or written is left alone, and so is one whose
// first line is not firstLine (when given): file names come from connection files, which must
// not get the viewer to rewrite a file of another kind.
void RepairLineEnds(const std::string& file, std::string_view firstLine = {});

// True for a regular file. Anything else (a FIFO, a device) could block or never end, and is
// not read.
bool IsRegularFile(const std::string& file);

// file as an absolute path.
std::string FullFileName(const std::string& file);

// file with its extension replaced by extension (which starts with ".").
std::string ChangeFileExt(const std::string& file, const std::string& extension);

}  // namespace vexilon
