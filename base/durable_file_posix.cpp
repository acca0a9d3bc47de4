#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "base/durable_file.h"

namespace voltaris {
namespace {

FileError Failure(const std::string& what, const std::string& path) {
  const int code = errno ? errno : EIO;
  return {code, what + " " + path + ": " + std::strerror(code)};
}

std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

FileError ReplaceFileAtomically(const std::string& path, const std::string& content) {
  // A file made read-only is not replaced, though its folder would allow it.
  struct stat existing;
  if (stat(path.c_str(), &existing) == 0 && (existing.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return Failure("cannot replace", path);
  }
  const std::string temp = TemporaryBeside(path);
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Failure("cannot create", temp);
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const FileError e = Failure("cannot write", temp);
      close(fd);
      unlink(temp.c_str());
      return e;
    }
    done += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    const FileError e = Failure("cannot flush", temp);
    unlink(temp.c_str());
    return e;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const FileError e = Failure("cannot replace", path);
    unlink(temp.c_str());
    return e;
  }
  return {};
}

}  // namespace voltaris

namespace voltaris {
namespace {

bool WriteFully(int fd, const std::string& bytes, off_t offset = -1) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = offset < 0 ? write(fd, bytes.data() + done, bytes.size() - done)
                                 : pwrite(fd, bytes.data() + done, bytes.size() - done,
                                          offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

FileError AppendToFile(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return Failure("cannot open", path);
  if (!WriteFully(fd, bytes) || fdatasync(fd) != 0) {
    const FileError e = Failure("cannot write", path);
    close(fd);
    return e;
  }
  close(fd);
  return {};
}

std::optional<FileTail> ReadFileTail(const std::string& path, size_t maxBytes, FileError* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && error) *error = Failure("cannot open", path);
    return std::nullopt;
  }
  const off_t size = lseek(fd, 0, SEEK_END);
  FileTail tail;
  tail.offset = static_cast<uint64_t>(size > static_cast<off_t>(maxBytes) ? size - static_cast<off_t>(maxBytes) : 0);
  tail.bytes.resize(static_cast<size_t>(size - static_cast<off_t>(tail.offset)));
  const ssize_t n = pread(fd, tail.bytes.data(), tail.bytes.size(), static_cast<off_t>(tail.offset));
  close(fd);
  if (n != static_cast<ssize_t>(tail.bytes.size())) {
    if (error) *error = Failure("cannot read", path);
    return std::nullopt;
  }
  return tail;
}

FileError WriteAtAndEnd(const std::string& path, uint64_t offset, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Failure("cannot open", path);
  const off_t end = static_cast<off_t>(offset + bytes.size());
  if (!WriteFully(fd, bytes, static_cast<off_t>(offset)) || ftruncate(fd, end) != 0 || fdatasync(fd) != 0) {
    const FileError e = Failure("cannot write", path);
    close(fd);
    return e;
  }
  close(fd);
  return {};
}

FileError RenameFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) return Failure("cannot rename", from);
  return {};
}

FileError RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) return Failure("cannot remove", path);
  return {};
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::optional<FileStamp> StampOfFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  FileStamp stamp;
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.writtenAt = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(st.st_mtim.tv_nsec);
  // A file dated ahead of the clock is never settled.
  stamp.settled = now.tv_sec - st.st_mtim.tv_sec > kFileStampSettleSeconds;
  return stamp;
}

std::string FullPath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char here[4096];
  if (!getcwd(here, sizeof here)) return path;
  return path.empty() ? here : std::string(here) + "/" + path;
}

bool StreamFile(const std::string& path, const std::function<void(const char*, size_t)>& onChunk,
                FileError* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && error) *error = Failure("cannot open", path);
    return false;
  }
  std::string buf(1 << 16, '\0');
  for (;;) {
    const ssize_t n = read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = Failure("cannot read", path);
      close(fd);
      return false;
    }
    if (n == 0) break;
    onChunk(buf.data(), static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

}  // namespace voltaris
