#include "config/config_file.h"

#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "base/ini_document.h"
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

// The settings boxes show what failed in the program's language.
FileError InBuildLanguage(FileError error) {
  error.message = FileMessageInBuildLanguage(error.message);
  return error;
}

}  // namespace

// What every copy of one ConfigFile shares. The user-interface thread reads
// and writes the file; a test (or a later caller) may read from another
// thread, so each item is taken under the lock.
struct ConfigFile::Shared {
  std::mutex lock;
  struct LastRead {
    std::optional<std::string> bytes;     // nothing if the file was absent
    std::optional<FileStamp> settledAt;   // the settled stamp they were read at; nothing if unknown
  };
  std::map<std::string, LastRead> lastRead;  // by path
  std::set<std::pair<std::string, std::string>> noted;          // key, stored value
  std::vector<std::string> waiting;                             // notes made before the sink was set
  EventSink sink;
  KeyWriter writeThrough;
};

namespace {

// A value of the file as the program's texts have it.
std::string ProgramText(const DecodedText& file, const std::string& value) {
  return file.encoding == TextEncoding::SingleByte ? value : Windows1252FromUtf8(value);
}

IniDocument DocumentOf(const DecodedText& file) {
  IniDocument doc = IniDocument::Parse(file.text);
  if (file.encoding == TextEncoding::Utf8WithBom) doc.SkipFirstSectionIfRepeated();
  return doc;
}

std::string FileText(const DecodedText& file, const std::string& value) {
  return file.encoding == TextEncoding::SingleByte ? value : Utf8FromWindows1252(value);
}

}  // namespace

ConfigFile::ConfigFile(std::string directory) : directory_(std::move(directory)), shared_(std::make_shared<Shared>()) {
  if (!directory_.empty() && directory_.back() != '/' && directory_.back() != '\\') {
#ifdef _WIN32
    directory_ += '\\';
#else
    directory_ += '/';
#endif
  }
}

std::string ConfigFile::PathOf(const std::string& fileName) const { return directory_ + fileName; }

// A file that is there but cannot be read (held open by another program,
// caught in the middle of a replacement on Windows) is no empty file: the
// settings it held a moment ago still stand, or every time would read as 0.
//
// A file whose settled stamp has not changed since it was last read is not
// read again: the schedule looks at the settings every second, and under
// Wine each read is several trips to its server.
std::optional<DecodedText> ConfigFile::CurrentText(const std::string& fileName) const {
  const std::string path = PathOf(fileName);
  const std::optional<FileStamp> stamp = StampOfFile(path);
  std::optional<std::string> bytes;
  if (!TakeUnchanged(path, stamp, &bytes)) {
    FileError error;
    bytes = ReadWholeFile(path, &error);
    std::lock_guard<std::mutex> hold(shared_->lock);
    Shared::LastRead& last = shared_->lastRead[path];
    last.settledAt.reset();
    if (error) {
      bytes = last.bytes;
    } else {
      last.bytes = bytes;
      if (bytes && stamp && stamp->settled) last.settledAt = stamp;
    }
  }
  if (!bytes) return std::nullopt;
  return DecodeFileText(*bytes);
}

bool ConfigFile::TakeUnchanged(const std::string& path, const std::optional<FileStamp>& stamp,
                               std::optional<std::string>* bytes) const {
  if (!stamp || !stamp->settled) return false;
  std::lock_guard<std::mutex> hold(shared_->lock);
  const auto last = shared_->lastRead.find(path);
  if (last == shared_->lastRead.end() || !last->second.settledAt || !last->second.settledAt->SameWrite(*stamp)) {
    return false;
  }
  *bytes = last->second.bytes;
  return true;
}

std::optional<std::string> ConfigFile::ReadWholeValue(const std::string& section, const std::string& key,
                                                      const std::string& fileName) const {
  const auto file = frozen_ && fileName == kFileName ? frozen_ : CurrentText(fileName);
  if (!file) return std::nullopt;
  const auto value = DocumentOf(*file).Get(section, key);
  if (!value) return std::nullopt;
  return ProgramText(*file, *value);
}

std::optional<std::string> ConfigFile::ReadValue(const std::string& section, const std::string& key,
                                                 const std::string& fileName) const {
  std::optional<std::string> text = ReadWholeValue(section, key, fileName);
  if (text && text->size() > kMaxValueLength) text->resize(kMaxValueLength);
  return text;
}

std::string ConfigFile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& fileName) const {
  return ReadValue(section, key, fileName).value_or("");
}

ConfigFile ConfigFile::Snapshot() const {
  ConfigFile snapshot(*this);
  snapshot.frozen_ = CurrentText(kFileName);
  if (!snapshot.frozen_) snapshot.frozen_ = DecodedText{};
  return snapshot;
}

FileError ConfigFile::WriteInOrder(const std::string& section, const KeyValues& keys) const {
  if (keys.empty()) return {};
  if (KeyWriter writer = Writer()) return writer(section, keys);
  for (const auto& [key, value] : keys) {
    if (FileError e = WriteString(section, key, value)) return e;
  }
  return {};
}

void ConfigFile::WriteThrough(KeyWriter writer) {
  std::lock_guard<std::mutex> hold(shared_->lock);
  shared_->writeThrough = std::move(writer);
}

ConfigFile::KeyWriter ConfigFile::Writer() const {
  std::lock_guard<std::mutex> hold(shared_->lock);
  return shared_->writeThrough;
}

FileError ConfigFile::WriteString(const std::string& section, const std::string& key, const std::string& value,
                                  const std::string& fileName) const {
  if (fileName == kFileName) {
    if (KeyWriter writer = Writer()) return writer(section, {{key, value}});
  }
  const std::string path = PathOf(fileName);
  FileError error;
  const auto bytes = ReadWholeFile(path, &error);
  if (error) return InBuildLanguage(error);  // never overwrite a file we could not read
  DecodedText file = bytes ? DecodeFileText(*bytes) : DecodedText{};
  IniDocument doc = DocumentOf(file);
  if (!doc.Set(section, key, FileText(file, value))) {
    return {22, Tr(Text::SettingCannotStore) + (" " + section + "/" + key) + Tr(Text::SettingCannotHold)};
  }
  file.text = doc.Serialize();
  if (file.encoding == TextEncoding::SingleByte && DecodeFileText(file.text).encoding != TextEncoding::SingleByte) {
    // Single-byte text that now reads as UTF-8 (a value of the two letters
    // "\xc3\xa9") would read back as another letter: the whole file, every
    // byte of it single-byte until now, is written as UTF-8 instead.
    file.encoding = TextEncoding::Utf8WithoutBom;
    file.text = Utf8FromWindows1252(file.text);
  }
  const std::string written = EncodeFileText(file);
  if (FileError e = ReplaceFileAtomically(path, written)) return InBuildLanguage(e);
  std::lock_guard<std::mutex> hold(shared_->lock);
  shared_->lastRead[path] = {written, std::nullopt};  // the next read looks at the file afresh
  return {};
}

void ConfigFile::NoteNotUsed(const std::string& key, const std::string& stored, const std::string& eventText) const {
  EventSink sink;
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    if (!shared_->noted.emplace(key, stored).second) return;
    if (!shared_->sink) {
      shared_->waiting.push_back(eventText);
      return;
    }
    sink = shared_->sink;
  }
  sink(eventText);  // outside the lock: the sink may read the settings
}

void ConfigFile::SetEventSink(EventSink sink) {
  std::vector<std::string> waiting;
  {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->sink = sink;
    if (sink) waiting.swap(shared_->waiting);
  }
  for (const std::string& text : waiting) sink(text);
}

}  // namespace voltaris
