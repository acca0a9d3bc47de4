#include "config/config_file.h"

#include "base/ini_document.h"

namespace voltaris {
ConfigFile::ConfigFile(std::string directory) : directory_(std::move(directory)) {
  if (!directory_.empty() && directory_.back() != '/' && directory_.back() != '\\') {
#ifdef _WIN32
    directory_ += '\\';
#else
    directory_ += '/';
#endif
  }
}

std::string ConfigFile::PathOf(const std::string& fileName) const { return directory_ + fileName; }

std::string ConfigFile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& fileName) const {
  const auto text = frozen_ && fileName == kFileName ? frozen_ : ReadWholeFile(PathOf(fileName));
  if (!text) return "";
  auto value = IniDocument::Parse(*text).Get(section, key).value_or("");
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

ConfigFile ConfigFile::Snapshot() const {
  ConfigFile snapshot(*this);
  snapshot.frozen_ = ReadWholeFile(PathOf(kFileName));
  if (!snapshot.frozen_) snapshot.frozen_ = "";
  return snapshot;
}

FileError ConfigFile::WriteInOrder(const std::string& section,
                                   std::initializer_list<std::pair<std::string, std::string>> keys) const {
  for (const auto& [key, value] : keys) {
    if (FileError e = WriteString(section, key, value)) return e;
  }
  return {};
}

FileError ConfigFile::WriteString(const std::string& section, const std::string& key, const std::string& value,
                                  const std::string& fileName) const {
  const std::string path = PathOf(fileName);
  FileError error;
  const auto text = ReadWholeFile(path, &error);
  if (error) return error;  // never overwrite a file we could not read
  IniDocument doc = IniDocument::Parse(text.value_or(""));
  if (!doc.Set(section, key, value)) {
    return {22, "cannot store " + section + "/" + key + ": a name or value the file cannot hold"};
  }
  return ReplaceFileAtomically(path, doc.Serialize());
}

}  // namespace voltaris
