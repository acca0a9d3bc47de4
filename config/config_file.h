// The settings file UpsConfigure.ini beside the executable. Every reader
// reads the key when it needs it, and sees the file as it is then (a file
// not written since the last read is not read again); every change is
// written at once.
//
// The file may be single-byte text (as the program writes it), UTF-8 with or
// without a byte-order mark, or UTF-16 with one (as an editor may save it):
// values are read as the program's own texts, and a write keeps the file in
// the encoding it came in, every other byte as it was.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/durable_file.h"
#include "base/text_encoding.h"

namespace voltaris {

class ConfigFile {
 public:
  static constexpr char kFileName[] = "UpsConfigure.ini";
  static constexpr size_t kMaxValueLength = 254;

  // `directory` is where the file lives (the executable's folder), with or
  // without a trailing separator.
  explicit ConfigFile(std::string directory);

  // The key's value, cut to 254 characters; the empty text when the key,
  // its section or the file is absent. A file that is there but cannot be
  // read for a moment (another program holds it) reads as it last did.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fileName = kFileName) const;
  // The same, telling an absent key (nothing) from an empty value.
  std::optional<std::string> ReadValue(const std::string& section, const std::string& key,
                                       const std::string& fileName = kFileName) const;
  // The settings file's value as stored, however long: for a value that must
  // never be used cut (a command line).
  std::optional<std::string> ReadWholeValue(const std::string& section, const std::string& key,
                                            const std::string& fileName = kFileName) const;

  // Writes one key, creating the section or file as needed, keeping the rest
  // of the file, replacing the file atomically. A failure is returned, never
  // swallowed: the caller tells the user. Only the user-interface thread
  // writes (a read-modify-replace); readers see an old or a new file.
  FileError WriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName = kFileName) const;

  // Writes keys of one section in the order given, stopping at the first
  // failure (which is returned; the keys after it are not written).
  using KeyValues = std::vector<std::pair<std::string, std::string>>;
  FileError WriteInOrder(const std::string& section, const KeyValues& keys) const;

  std::string PathOf(const std::string& fileName) const;

  // A window on the service writes no settings itself (the service's folder
  // is the administrators'): the keys of the settings file go to `writer`,
  // which has the service write them or says why not. The keys saved
  // together go together, in one call. Shared by every copy.
  using KeyWriter = std::function<FileError(const std::string& section, const KeyValues& keys)>;
  void WriteThrough(KeyWriter writer);

  // The settings file as it is now, read once: for reading many keys at a
  // moment without reading the file for each (the schedule, every second).
  ConfigFile Snapshot() const;

  // A stored value that a reader could not use: `eventText` goes to the
  // event log once per key and stored value in a run, however often the key
  // is read (the schedule reads its keys every second). Shared by every copy
  // and snapshot of this file.
  void NoteNotUsed(const std::string& key, const std::string& stored, const std::string& eventText) const;
  // Where the notes go (the event log); those made before it is set wait for it.
  using EventSink = std::function<void(const std::string& eventText)>;
  void SetEventSink(EventSink sink);

 private:
  struct Shared;
  KeyWriter Writer() const;
  std::optional<DecodedText> CurrentText(const std::string& fileName) const;
  bool TakeUnchanged(const std::string& path, const std::optional<FileStamp>& stamp,
                     std::optional<std::string>* bytes) const;

  std::string directory_;
  std::shared_ptr<Shared> shared_;      // the last good texts, the notes made
  std::optional<DecodedText> frozen_;  // a snapshot's text of kFileName
};

}  // namespace voltaris
