#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "records/durable_file.h"

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

std::optional<std::string> ReadWholeFile(const std::string& path, FileError* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && error) *error = Failure("cannot open", path);
    return std::nullopt;
  }
  std::string content;
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = Failure("cannot read", path);
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return content;
}

FileError ReplaceFileAtomically(const std::string& path, const std::string& content) {
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
