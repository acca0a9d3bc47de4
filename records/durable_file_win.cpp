#include <windows.h>

#include <atomic>
#include <string>

#include "records/durable_file.h"

namespace voltaris {
namespace {

// Another program (a virus scanner, a backup) may hold the file for a
// moment; such failures are retried briefly. A file held for long (open in a
// spreadsheet) fails fast, so the caller can queue the row and carry on.
constexpr int kBusyRetries = 5;
constexpr DWORD kBusyRetryMs = 20;

// Access denied also means a read-only file or a folder in the file's place;
// those do not clear up in a moment, so they are not retried.
bool IsBusy(DWORD code, const std::string& path) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return true;
  if (code != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

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
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
    const DWORD moveCode = GetLastError();
    if (!IsBusy(moveCode, path) || attempt + 1 >= kBusyRetries) {
      DeleteFileA(temp.c_str());
      return Failure("cannot replace", path, moveCode);
    }
    Sleep(kBusyRetryMs);
  }
}

namespace {

// Opens a file, retrying while another program holds it for a moment.
HANDLE OpenRetrying(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kBusyRetries; ++attempt) {
    file = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || !IsBusy(GetLastError(), path)) break;
    Sleep(kBusyRetryMs);
  }
  return file;
}

// The record store's writes share read and delete, so viewers and atomic
// replacement keep working while we write.
HANDLE OpenForWrite(const std::string& path, DWORD access, DWORD disposition) {
  return OpenRetrying(path, access, FILE_SHARE_READ | FILE_SHARE_DELETE, disposition);
}

// Readers share everything: a writer may append or rename a new version over the file.
HANDLE OpenForRead(const std::string& path) {
  return OpenRetrying(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
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
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
    const DWORD code = GetLastError();
    if (!IsBusy(code, to) || attempt + 1 >= kBusyRetries) return Failure("cannot rename", from, code);
    Sleep(kBusyRetryMs);
  }
}

FileError RemoveFile(const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    if (DeleteFileA(path.c_str())) return {};
    const DWORD code = GetLastError();
    if (Absent(code)) return {};
    if (!IsBusy(code, path) || attempt + 1 >= kBusyRetries) return Failure("cannot remove", path, code);
    Sleep(kBusyRetryMs);
  }
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
