#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/associations/FileTypeRegistry.h"

namespace vexilon {

// The MIME type of a file-type name ("Vexilon.MultiCaptureFile" ->
// "application/x-vexilon-multicapture"); empty for names that are not the viewer's.
std::string MimeTypeOfFileType(const std::string& typeName);

// The file-type registry the freedesktop way. The keys are kept in a file of the user's
// configuration; every change is carried out at once as what desktops read: a MIME package per
// tied extension, a hidden launcher per file type that has an open command, and that launcher
// as the type's default application in mimeapps.list. An extension whose type another program
// has since been made the default for reads as tied to that program.
class TXdgFileTypes : public TFileTypeRegistry {
 public:
  struct TFolders {
    std::string DataHome;    // $XDG_DATA_HOME
    std::string ConfigHome;  // $XDG_CONFIG_HOME
  };
  // The user's folders, with their defaults below $HOME.
  static TFolders UserFolders();
  // Runs a desktop tool (update-mime-database, update-desktop-database) and waits for it;
  // a tool that is missing or fails changes nothing that was written.
  using TRunTool = std::function<void(const std::vector<std::string>& command)>;
  static void RunQuietly(const std::vector<std::string>& command);

  explicit TXdgFileTypes(TFolders folders, TRunTool run = RunQuietly);

  std::optional<std::string> ReadDefault(const std::string& key) override;
  void WriteDefault(const std::string& key, const std::string& value) override;
  void DeleteKey(const std::string& key) override;

 private:
  std::string KeysFile() const;
  std::string MimeAppsFile() const;
  void Load();
  // Writes the keys, then what desktops read from them; throws ERegistryWrite.
  void Publish();

  TFolders FFolders;
  TRunTool FRun;
  TMemoryRegistry FKeys;
};

}  // namespace vexilon
