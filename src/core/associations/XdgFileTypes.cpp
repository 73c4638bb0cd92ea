#include "core/associations/XdgFileTypes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "core/app/AtomicFile.h"
#include "core/app/DataFiles.h"
#include "core/associations/FileAssociations.h"

extern char** environ;

namespace vexilon {
namespace {

namespace fs = std::filesystem;

// The keys file and mimeapps.list are small; larger ones are no work of ours and are not read.
constexpr std::size_t kMaxTextFile = 1 << 20;
const char kDefaultSection[] = "[Default Applications]";

struct TXdgType {
  const char* TypeName;
  const char* Slug;  // of the MIME type, the launcher and the icon
  const char* Comment;
};

constexpr TXdgType kXdgTypes[] = {
    {"Vexilon.ConnectionFile", "catalogue", "Vexilon camera catalogue"},
    {"Vexilon.DesktopFile", "desktop", "Vexilon desktop layout"},
    {"Vexilon.MultiCaptureFile", "multicapture", "Vexilon recording"},
    {"Vexilon.FavoritesFile", "favorites", "Vexilon favorites"},
};

// Icon numbers of the registry's DefaultIcon values, as theme icon names.
const char* IconName(int number) {
  switch (number) {
    case 1:
      return "application-x-vexilon-catalogue";
    case 2:
      return "application-x-vexilon-desktop";
    default:
      return "application-x-vexilon-multicapture";
  }
}

const TXdgType* XdgTypeOf(const std::string& typeName) {
  for (const TXdgType& type : kXdgTypes)
    if (typeName == type.TypeName) return &type;
  return nullptr;
}

std::string Launcher(const TXdgType& type) {
  return std::string("vexilon-") + type.Slug + ".desktop";
}

bool IsOurLauncher(const std::string& app) {
  return app.starts_with("vexilon");
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string ReadText(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text, kMaxTextFile)) text.clear();
  return text;
}

void Write(const std::string& path, const std::string& content) {
  std::error_code ignored;
  fs::create_directories(fs::path(path).parent_path(), ignored);
  try {
    WriteFileAtomically(path, content);
  } catch (const std::exception& e) {
    throw ERegistryWrite(e.what());
  }
}

void Remove(const std::string& path) {
  std::error_code error;
  fs::remove(path, error);
  if (error) throw ERegistryWrite("Cannot remove " + path + ": " + error.message());
}

// The first application named for mime in the [Default Applications] section, or "".
std::string MimeAppsDefault(const std::string& text, const std::string& mime) {
  std::istringstream lines(text);
  bool inSection = false;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("[")) {
      inSection = line == kDefaultSection;
    } else if (inSection && line.starts_with(mime + "=")) {
      const std::string apps = line.substr(mime.size() + 1);
      return apps.substr(0, apps.find(';'));
    }
  }
  return {};
}

// text with mime's default application set to app, or removed when app is empty; every other
// line as it was.
std::string WithMimeAppsDefault(const std::string& text, const std::string& mime,
                                const std::string& app) {
  std::istringstream lines(text);
  std::string result;
  bool inSection = false, done = app.empty();
  const auto addLine = [&] {
    if (!done) result += mime + "=" + app + ";\n";
    done = true;
  };
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("[")) {
      if (inSection) addLine();
      inSection = line == kDefaultSection || line == std::string(kDefaultSection) + "\r";
    } else if (inSection && line.starts_with(mime + "=")) {
      addLine();
      continue;
    }
    result += line + "\n";
  }
  if (inSection) addLine();
  if (!done) {
    // The section was not there: leaving it would have added the line.
    result += std::string(kDefaultSection) + "\n";
    addLine();
  }
  return result;
}

// The launcher's Exec line for a registry command: its executable and the file. Launchers on
// the desktop pass the file as an argument of its own, which the viewer takes as the switch its
// extension calls for (the switch of the registry's command).
std::string ExecLine(const std::string& command) {
  std::string executable;
  if (command.starts_with("\"")) {
    const std::size_t close = command.find('"', 1);
    executable = command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else {
    executable = command.substr(0, command.find(' '));
  }
  // Quoted only where it must be: simple launchers (xdg-open's own) take the first word as is.
  const bool plain = executable.find_first_of(" \t\n\"'\\><~|&;$*?#()`%") == std::string::npos;
  std::string quoted = plain ? executable : "\"";
  if (!plain) {
    for (char c : executable) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      if (c == '%') quoted += '%';
      quoted += c;
    }
    quoted += '"';
  }
  const std::string line = quoted + " %f";
  // The desktop file's own escape of backslashes comes last.
  std::string escaped;
  for (char c : line) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string LauncherText(const TXdgType& type, const std::string& command, int iconNumber) {
  return std::string("[Desktop Entry]\nType=Application\nName=Vexilon\nComment=Open a ") +
         type.Comment + "\nExec=" + ExecLine(command) + "\nIcon=" + IconName(iconNumber) +
         "\nMimeType=" + MimeTypeOfFileType(type.TypeName) + ";\nNoDisplay=true\nTerminal=false\n";
}

std::string MimePackageText(const TXdgType& type, const std::string& extension, int iconNumber) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
             "  <mime-type type=\"") +
         MimeTypeOfFileType(type.TypeName) + "\">\n    <comment>" + type.Comment +
         "</comment>\n    <icon name=\"" + IconName(iconNumber) + "\"/>\n    <glob pattern=\"*." +
         extension + "\"/>\n  </mime-type>\n</mime-info>\n";
}

}  // namespace

std::string MimeTypeOfFileType(const std::string& typeName) {
  const TXdgType* type = XdgTypeOf(typeName);
  return type != nullptr ? std::string("application/x-vexilon-") + type->Slug : std::string();
}

TXdgFileTypes::TFolders TXdgFileTypes::UserFolders() {
  const std::string home = Environment("HOME");
  TFolders folders{Environment("XDG_DATA_HOME"), Environment("XDG_CONFIG_HOME")};
  // Only absolute values count; others are to be ignored.
  if (!folders.DataHome.starts_with("/")) folders.DataHome = home + "/.local/share";
  if (!folders.ConfigHome.starts_with("/")) folders.ConfigHome = home + "/.config";
  return folders;
}

void TXdgFileTypes::RunQuietly(const std::vector<std::string>& command) {
  std::vector<char*> arguments;
  for (const std::string& argument : command)
    arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  if (posix_spawnp(&child, arguments[0], &actions, nullptr, arguments.data(), environ) == 0) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

TXdgFileTypes::TXdgFileTypes(TFolders folders, TRunTool run)
    : FFolders(std::move(folders)), FRun(std::move(run)) {
  Load();
}

std::string TXdgFileTypes::KeysFile() const {
  return FFolders.ConfigHome + "/vexilon/file-types";
}

std::string TXdgFileTypes::MimeAppsFile() const {
  return FFolders.ConfigHome + "/mimeapps.list";
}

void TXdgFileTypes::Load() {
  // One key a line: the key, a tab, its value.
  std::istringstream lines(ReadText(KeysFile()));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos && line.starts_with("\\"))
      FKeys.WriteDefault(line.substr(0, tab), line.substr(tab + 1));
  }
}

std::optional<std::string> TXdgFileTypes::ReadDefault(const std::string& key) {
  std::optional<std::string> value = FKeys.ReadDefault(key);
  if (!key.starts_with("\\.")) return value;
  // The desktop's choice of application for the extension's type is the truth.
  std::string mime;
  for (const TFileType& type : kFileTypes)
    if (key == std::string("\\.") + type.Extension) mime = MimeTypeOfFileType(type.TypeName);
  const std::string chosen = MimeAppsDefault(ReadText(MimeAppsFile()), mime);
  if (!mime.empty() && !chosen.empty() && !IsOurLauncher(chosen)) return chosen;
  return value;
}

void TXdgFileTypes::WriteDefault(const std::string& key, const std::string& value) {
  if (key.find_first_of("\t\n") != std::string::npos || value.find('\n') != std::string::npos)
    throw ERegistryWrite("A file type's key cannot hold " + key);
  FKeys.WriteDefault(key, value);
  Publish();
}

void TXdgFileTypes::DeleteKey(const std::string& key) {
  FKeys.DeleteKey(key);
  Publish();
}

void TXdgFileTypes::Publish() {
  std::string keys;
  for (const auto& [key, value] : FKeys.Keys()) keys += key + "\t" + value + "\n";
  Write(KeysFile(), keys);

  const std::string data = FFolders.DataHome;
  std::string mimeApps = ReadText(MimeAppsFile());
  const std::string mimeAppsBefore = mimeApps;
  for (const TXdgType& type : kXdgTypes) {
    const std::string typeKey = std::string("\\") + type.TypeName;
    const std::optional<std::string> command =
        FKeys.ReadDefault(typeKey + "\\Shell\\Open\\command");
    const std::string icon = FKeys.ReadDefault(typeKey + "\\DefaultIcon").value_or("");
    const int iconNumber = icon.ends_with(",-1") ? 1 : icon.ends_with(",-2") ? 2 : 3;
    const std::string launcher = data + "/applications/" + Launcher(type);
    bool tied = false;
    for (const TFileType& file : kFileTypes) {
      if (file.TypeName != std::string(type.TypeName)) continue;
      const std::string package = data + "/mime/packages/vexilon-" + file.Extension + ".xml";
      const bool ours = FKeys.ReadDefault(std::string("\\.") + file.Extension) == type.TypeName;
      if (ours)
        Write(package, MimePackageText(type, file.Extension, iconNumber));
      else
        Remove(package);
      tied = tied || ours;
    }
    if (command)
      Write(launcher, LauncherText(type, *command, iconNumber));
    else
      Remove(launcher);
    const std::string mime = MimeTypeOfFileType(type.TypeName);
    if (tied && command)
      mimeApps = WithMimeAppsDefault(mimeApps, mime, Launcher(type));
    else if (IsOurLauncher(MimeAppsDefault(mimeApps, mime)))
      mimeApps = WithMimeAppsDefault(mimeApps, mime, "");
    // An icon for the type where the theme of an installed viewer does not have it.
    const std::string iconFile = std::string(IconName(iconNumber)) + ".svg";
    const std::string installed =
        ProgramDataFile("share/icons/hicolor/scalable/mimetypes/" + iconFile, "");
    const std::string source = ProgramDataFile("", "data/icons/" + iconFile);
    const std::string userIcon = data + "/icons/hicolor/scalable/mimetypes/" + iconFile;
    if (tied && installed.empty() && !source.empty() && !fs::exists(userIcon))
      Write(userIcon, ReadText(source));
  }
  if (mimeApps != mimeAppsBefore) Write(MimeAppsFile(), mimeApps);
  FRun({"update-mime-database", data + "/mime"});
  FRun({"update-desktop-database", data + "/applications"});
}

}  // namespace vexilon
