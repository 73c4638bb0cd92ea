#pragma once
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace vexilon {

// A key of the file-type registry that could not be written; the message says which and why.
class ERegistryWrite : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file-type registry as the associations use it: keys named by backslash paths below one
// root ("\.vmc", "\Vexilon.MultiCaptureFile\DefaultIcon"), each with a default value.
class TFileTypeRegistry {
 public:
  virtual ~TFileTypeRegistry() = default;
  // The key's default value; nothing when the key does not exist.
  virtual std::optional<std::string> ReadDefault(const std::string& key) = 0;
  // Creates the key when missing and writes its default value; throws ERegistryWrite.
  virtual void WriteDefault(const std::string& key, const std::string& value) = 0;
  // Deletes the key and every key below it; a missing key is no error. Throws ERegistryWrite.
  virtual void DeleteKey(const std::string& key) = 0;
};

// A registry held in memory; the desktop's registry keeps its keys in one.
class TMemoryRegistry : public TFileTypeRegistry {
 public:
  std::optional<std::string> ReadDefault(const std::string& key) override;
  void WriteDefault(const std::string& key, const std::string& value) override;
  void DeleteKey(const std::string& key) override;
  const std::map<std::string, std::string>& Keys() const { return FKeys; }

 private:
  std::map<std::string, std::string> FKeys;
};

}  // namespace vexilon
