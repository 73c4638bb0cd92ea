#include "core/catalogue/Favorites.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "core/app/AtomicFile.h"

namespace vexilon {

namespace {

// Hands out the lines of a text whose lines end with CR LF, LF or a lone CR.
class TLineReader {
 public:
  explicit TLineReader(std::string_view text) : FText(text) {}

  bool Next(std::string_view& line) {
    if (FPos >= FText.size()) return false;
    std::size_t end = FText.find_first_of("\r\n", FPos);
    if (end == std::string_view::npos) end = FText.size();
    line = FText.substr(FPos, end - FPos);
    FPos = end + 1;
    if (end < FText.size() && FText[end] == '\r' && FPos < FText.size() && FText[FPos] == '\n')
      ++FPos;
    return true;
  }

 private:
  std::string_view FText;
  std::size_t FPos = 0;
};

// The entries after the header line. Folders are followed with an explicit stack of open
// levels, so that nesting in the file never becomes recursion here.
void ReadLevel(TLineReader& reader, TFavoriteList& top) {
  std::vector<TFavoriteList*> levels{&top};
  std::size_t flattened = 0;  // folders beyond the depth limit whose "[]" is still due
  std::string_view line;
  while (reader.Next(line)) {
    if (line == "[]") {
      if (flattened > 0) {
        --flattened;
      } else if (levels.size() == 1) {
        return;  // "[]" ends the top level too; the rest of the file is not read
      } else {
        levels.pop_back();
      }
    } else if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      if (levels.size() > kMaxFavoritesDepth) {
        ++flattened;
        continue;
      }
      auto folder = std::make_unique<TFavorite>();
      folder->IsFolder = true;
      folder->Name = line.substr(1, line.size() - 2);
      TFavoriteList* contents = &folder->Items;
      levels.back()->push_back(std::move(folder));
      levels.push_back(contents);
    } else if (std::size_t equals = line.find('='); equals != std::string_view::npos) {
      auto favorite = std::make_unique<TFavorite>();
      favorite->Name = line.substr(0, equals);
      favorite->Value = line.substr(equals + 1);
      levels.back()->push_back(std::move(favorite));
    }
  }
}

std::runtime_error ReadError(const std::string& file, const std::string& reason) {
  return std::runtime_error("Cannot read favorites file " + file + ": " + reason);
}

}  // namespace

void LoadFavorites(const std::string& file, TFavoriteList& list) {
  list.clear();
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return;
    throw ReadError(file, std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) return;  // a folder of that name is no favorites file
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > kMaxFavoritesFileSize)
    throw ReadError(file, "file too large");
  std::string content;
  if (!ReadWholeFile(file, content, kMaxFavoritesFileSize))
    throw ReadError(file, "cannot be opened or is too large");
  TLineReader reader(content);
  std::string_view header;
  if (!reader.Next(header) || header != kFavoritesHeader) return;
  ReadLevel(reader, list);
}

std::string FormatFavorites(const TFavoriteList& list) {
  struct TFrame {
    const TFavoriteList* List;
    std::size_t Next;
  };
  std::string text;
  std::vector<TFrame> open{{&list, 0}};
  while (!open.empty()) {
    TFrame& frame = open.back();
    if (frame.Next == frame.List->size()) {
      open.pop_back();
      if (!open.empty()) text += "[]\r\n";
      continue;
    }
    const TFavorite* favorite = (*frame.List)[frame.Next++].get();
    if (favorite == nullptr) continue;
    if (!favorite->IsFolder) {
      text.append(favorite->Name).append("=").append(favorite->Value).append("\r\n");
    } else if (!favorite->Name.empty()) {
      // A folder without a name cannot be written as one; it goes with its contents.
      text.append("[").append(favorite->Name).append("]\r\n");
      open.push_back({&favorite->Items, 0});
    }
  }
  return text;
}

void WriteFavoritesFile(const std::string& file, const TFavoriteList& list) {
  WriteFileAtomically(file, std::string(kFavoritesHeader) + "\r\n" + FormatFavorites(list));
}

TFavoriteList CopyFavorites(const TFavoriteList& list) {
  TFavoriteList copy;
  std::vector<std::pair<const TFavoriteList*, TFavoriteList*>> pending{{&list, &copy}};
  while (!pending.empty()) {
    auto [source, target] = pending.back();
    pending.pop_back();
    target->reserve(source->size());
    for (const auto& favorite : *source) {
      if (favorite == nullptr) continue;
      auto duplicate = std::make_unique<TFavorite>();
      duplicate->IsFolder = favorite->IsFolder;
      duplicate->Name = favorite->Name;
      duplicate->Value = favorite->Value;
      if (!favorite->Items.empty()) pending.emplace_back(&favorite->Items, &duplicate->Items);
      target->push_back(std::move(duplicate));
    }
  }
  return copy;
}

}  // namespace vexilon
