// A file system in memory for the record store's tests: any path can be
// made to refuse every call (a folder in the file's place, a file held by a
// spreadsheet), the n-th write can fail, do all its work and still fail (its
// flush failed), or be where the program dies: it does half its work and
// nothing after it happens.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "base/file_system.h"

namespace voltaris::testing {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> blocked;
  std::set<std::string> readOnly;  // open in another program that lets others read
  int failAt = 0;   // this write (counting from 1) fails, with no effect
  int crashAt = 0;  // at this write the program dies
  int tearAt = 0;   // this write does half its work and fails; the program goes on
  int unflushedAt = 0;  // this write does all its work, then fails
  int writes = 0;
  bool dead = false;

  // A new program on the same disk.
  void Restart() {
    dead = false;
    failAt = crashAt = tearAt = unflushedAt = writes = 0;
  }

  std::optional<FileTail> ReadTail(const std::string& path, size_t maxBytes, FileError* error) override {
    if (Refused(path, error)) return std::nullopt;
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    const std::string& b = it->second;
    const size_t start = b.size() > maxBytes ? b.size() - maxBytes : 0;
    return FileTail{b.substr(start), start};
  }
  bool Stream(const std::string& path, const ChunkHandler& onChunk, FileError* error) override {
    if (Refused(path, error)) return false;
    const auto it = files.find(path);
    if (it == files.end()) return false;
    for (size_t at = 0; at < it->second.size(); at += 7) {  // odd pieces, as a reader must cope with
      onChunk(it->second.data() + at, std::min<size_t>(7, it->second.size() - at));
    }
    return true;
  }
  bool Exists(const std::string& path) override { return blocked.count(path) || files.count(path); }
  std::string FullPath(const std::string& path) override { return path; }  // no current folder here

  FileError Append(const std::string& path, const std::string& bytes) override {
    return Write(path, [&](bool half) { files[path] += half ? bytes.substr(0, bytes.size() / 2) : bytes; });
  }
  FileError WriteAtAndEnd(const std::string& path, uint64_t offset, const std::string& bytes) override {
    return Write(path, [&](bool half) {
      std::string& f = files[path];
      if (f.size() < offset) f.resize(offset, '\0');
      if (half) {  // the first half reached the disk, nothing else did
        const std::string part = bytes.substr(0, bytes.size() / 2);
        if (f.size() < offset + part.size()) f.resize(offset + part.size());
        f.replace(offset, part.size(), part);
        return;
      }
      f.resize(offset);
      f += bytes;
    });
  }
  FileError Replace(const std::string& path, const std::string& content) override {
    return Write(path, [&](bool half) {
      if (!half) files[path] = content;  // all or nothing
    });
  }
  FileError Rename(const std::string& from, const std::string& to) override {
    if (blocked.count(from) || readOnly.count(from)) return {13, "blocked " + from};
    return Write(to, [&](bool half) {
      if (half || !files.count(from)) return;
      files[to] = files[from];
      files.erase(from);
    });
  }
  FileError Remove(const std::string& path) override {
    return Write(path, [&](bool half) {
      if (!half) files.erase(path);
    });
  }

 private:
  bool Refused(const std::string& path, FileError* error) {
    if (!dead && !blocked.count(path)) return false;
    if (error) *error = {dead ? 5 : 13, (dead ? "dead: " : "blocked ") + path};
    return true;
  }
  template <typename Effect>
  FileError Write(const std::string& path, Effect effect) {
    FileError error;
    if (Refused(path, &error)) return error;
    if (readOnly.count(path)) return {32, "in use " + path};
    ++writes;
    if (writes == failAt) return {28, "failed write " + path};
    if (writes == unflushedAt) {
      effect(false);
      return {5, "cannot flush " + path};
    }
    if (writes == tearAt) {
      effect(true);
      return {28, "disk full writing " + path};
    }
    if (writes == crashAt) {
      effect(true);
      dead = true;
      return {5, "died writing " + path};
    }
    effect(false);
    return {};
  }
};

}  // namespace voltaris::testing
