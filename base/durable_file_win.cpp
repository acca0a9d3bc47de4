#include <windows.h>

#include <atomic>
#include <string>

#include "base/durable_file.h"

namespace voltaris {
namespace {

// No call waits and tries again: the callers (the record store and the
// settings on the user-interface thread, the link library's own settings
// read) must not stall. A file another program holds, even for a moment,
// fails at once and the caller decides: rows wait in a journal and are
// tried again, a settings write is reported to the user.

FileError Failure(const std::string& what, const std::string& path, DWORD code) {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  std::string message = what + " " + path + ": " + text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return {static_cast<int>(code), message};
}

std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

}  // namespace

FileError ReplaceFileAtomically(const std::string& path, const std::string& content) {
  // A file the user made read-only is not replaced behind their back (Wine's
  // rename would replace it, Windows' would not).
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return Failure("cannot replace", path, ERROR_ACCESS_DENIED);
  }
  const std::string temp = TemporaryBeside(path);
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot create", temp, GetLastError());
  DWORD written = 0;
  const BOOL wrote = content.empty() ||
                     WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  const BOOL flushed = wrote && FlushFileBuffers(file);
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!wrote || !flushed || (!content.empty() && written != content.size())) {
    DeleteFileA(temp.c_str());
    return Failure("cannot write", temp, code ? code : ERROR_WRITE_FAULT);
  }
  if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
  const DWORD moveCode = GetLastError();
  DeleteFileA(temp.c_str());
  return Failure("cannot replace", path, moveCode);
}

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The record store's writes share read and delete, so viewers and atomic
// replacement keep working while we write.
HANDLE OpenForWrite(const std::string& path, DWORD access, DWORD disposition) {
  return Open(path, access, FILE_SHARE_READ | FILE_SHARE_DELETE, disposition);
}

// Readers share everything: a writer may append or rename a new version over the file.
HANDLE OpenForRead(const std::string& path) {
  return Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
}

bool Absent(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

bool ReadAt(HANDLE file, uint64_t offset, char* into, DWORD count, DWORD* got) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return ReadFile(file, into, count, got, &at) != 0;
}

bool WriteAt(HANDLE file, uint64_t offset, const std::string& bytes) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &at) &&
         written == bytes.size();
}

}  // namespace

FileError AppendToFile(const std::string& path, const std::string& bytes) {
  HANDLE file = OpenForWrite(path, GENERIC_WRITE, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot open", path, GetLastError());
  LARGE_INTEGER size = {};
  const bool ok = GetFileSizeEx(file, &size) &&
                  (bytes.empty() || WriteAt(file, static_cast<uint64_t>(size.QuadPart), bytes)) &&
                  FlushFileBuffers(file);
  const DWORD code = GetLastError();
  CloseHandle(file);
  return ok ? FileError{} : Failure("cannot write", path, code ? code : ERROR_WRITE_FAULT);
}

std::optional<FileTail> ReadFileTail(const std::string& path, size_t maxBytes, FileError* error) {
  HANDLE file = OpenForRead(path);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (!Absent(code) && error) *error = Failure("cannot open", path, code);
    return std::nullopt;
  }
  LARGE_INTEGER size = {};
  GetFileSizeEx(file, &size);
  const uint64_t total = static_cast<uint64_t>(size.QuadPart);
  FileTail tail;
  tail.offset = total > maxBytes ? total - maxBytes : 0;
  tail.bytes.resize(static_cast<size_t>(total - tail.offset));
  DWORD got = 0;
  const bool ok = tail.bytes.empty() ||
                  (ReadAt(file, tail.offset, tail.bytes.data(), static_cast<DWORD>(tail.bytes.size()), &got) &&
                   got == tail.bytes.size());
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok) {
    if (error) *error = Failure("cannot read", path, code);
    return std::nullopt;
  }
  return tail;
}

FileError WriteAtAndEnd(const std::string& path, uint64_t offset, const std::string& bytes) {
  HANDLE file = OpenForWrite(path, GENERIC_WRITE, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot open", path, GetLastError());
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(offset + bytes.size());
  const bool ok = (bytes.empty() || WriteAt(file, offset, bytes)) && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
                  SetEndOfFile(file) && FlushFileBuffers(file);
  const DWORD code = GetLastError();
  CloseHandle(file);
  return ok ? FileError{} : Failure("cannot write", path, code ? code : ERROR_WRITE_FAULT);
}

FileError RenameFile(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
  return Failure("cannot rename", from, GetLastError());
}

FileError RemoveFile(const std::string& path) {
  if (DeleteFileA(path.c_str())) return {};
  const DWORD code = GetLastError();
  return Absent(code) ? FileError{} : Failure("cannot remove", path, code);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {
uint64_t TicksOf(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }
}  // namespace

std::optional<FileStamp> StampOfFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  constexpr uint64_t kTicksPerSecond = 10000000;  // FILETIME counts 100 ns
  FileStamp stamp;
  stamp.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp.writtenAt = TicksOf(data.ftLastWriteTime);
  // A file dated ahead of the clock is never settled.
  stamp.settled = TicksOf(now) > stamp.writtenAt &&
                  TicksOf(now) - stamp.writtenAt > kFileStampSettleSeconds * kTicksPerSecond;
  return stamp;
}

std::string FullPath(const std::string& path) {
  const char* name = path.empty() ? "." : path.c_str();
  const DWORD length = GetFullPathNameA(name, 0, nullptr, nullptr);
  if (length == 0) return path;
  std::string full(length, '\0');
  const DWORD written = GetFullPathNameA(name, length, full.data(), nullptr);
  if (written == 0 || written >= length) return path;
  full.resize(written);
  return full;
}

bool StreamFile(const std::string& path, const std::function<void(const char*, size_t)>& onChunk,
                FileError* error) {
  HANDLE file = OpenForRead(path);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (!Absent(code) && error) *error = Failure("cannot open", path, code);
    return false;
  }
  std::string buf(1 << 16, '\0');
  DWORD got = 0;
  BOOL ok;
  while ((ok = ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) && got > 0) {
    onChunk(buf.data(), got);
  }
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok && error) *error = Failure("cannot read", path, code);
  return ok != 0;
}

}  // namespace voltaris
