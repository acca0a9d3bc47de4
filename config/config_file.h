// The settings file UpsConfigure.ini beside the executable. No cache: every
// reader reads the key when it needs it, every change is written at once.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "base/durable_file.h"

namespace voltaris {

class ConfigFile {
 public:
  static constexpr char kFileName[] = "UpsConfigure.ini";
  static constexpr size_t kMaxValueLength = 254;

  // `directory` is where the file lives (the executable's folder), with or
  // without a trailing separator.
  explicit ConfigFile(std::string directory);

  // The key's value, cut to 254 characters; the empty text when the key,
  // its section or the file is absent (or the file cannot be read).
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fileName = kFileName) const;

  // Writes one key, creating the section or file as needed, keeping the rest
  // of the file, replacing the file atomically. A failure is returned, never
  // swallowed: the caller tells the user. Only the user-interface thread
  // writes (a read-modify-replace); readers see an old or a new file.
  FileError WriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName = kFileName) const;

  // Writes keys of one section in the order given, stopping at the first
  // failure (which is returned; the keys after it are not written).
  FileError WriteInOrder(const std::string& section,
                         std::initializer_list<std::pair<std::string, std::string>> keys) const;

  std::string PathOf(const std::string& fileName) const;

  // The settings file as it is now, read once: for reading many keys at a
  // moment without reading the file for each (the schedule, every second).
  ConfigFile Snapshot() const;

 private:
  std::string directory_;
  std::optional<std::string> frozen_;  // a snapshot's text of kFileName
};

}  // namespace voltaris
