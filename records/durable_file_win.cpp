#include <windows.h>

#include <atomic>
#include <string>

#include "records/durable_file.h"

namespace voltaris {
namespace {

// Another program (a spreadsheet, a virus scanner) may hold the file for a
// moment; such failures are retried for about a second before giving up.
constexpr int kBusyRetries = 50;
constexpr DWORD kBusyRetryMs = 20;

bool IsBusy(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION; }

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

std::optional<std::string> ReadWholeFile(const std::string& path, FileError* error) {
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kBusyRetries; ++attempt) {
    // Sharing delete lets a writer rename a new version over the file while we read.
    file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || !IsBusy(GetLastError())) break;
    Sleep(kBusyRetryMs);
  }
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND && error) {
      *error = Failure("cannot open", path, code);
    }
    return std::nullopt;
  }
  std::string content;
  char buf[65536];
  DWORD got = 0;
  BOOL ok;
  while ((ok = ReadFile(file, buf, sizeof buf, &got, nullptr)) && got > 0) content.append(buf, got);
  const DWORD code = GetLastError();
  CloseHandle(file);
  if (!ok) {
    if (error) *error = Failure("cannot read", path, code);
    return std::nullopt;
  }
  return content;
}

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
    if (!IsBusy(moveCode) || attempt + 1 >= kBusyRetries) {
      DeleteFileA(temp.c_str());
      return Failure("cannot replace", path, moveCode);
    }
    Sleep(kBusyRetryMs);
  }
}

}  // namespace voltaris
