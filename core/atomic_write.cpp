#include "core/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kvt {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes, flushes to the disk and closes; false when any step failed.
bool FinishFile(int fd, std::string_view bytes) {
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && written;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  return FinishFile(fd, bytes);
}

}  // namespace

bool IsSpecialFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

std::optional<std::string> OutputRefusal(const std::string& path) {
  if (IsSpecialFile(path)) return "not a regular file";
  return std::nullopt;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) {
    errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if (exists && ::access(path.c_str(), W_OK) != 0) return false;

  // The new file lives beside the old one: a rename only replaces within
  // one file system.
  std::string name = path.substr(path.rfind('/') + 1);
  std::string temp = FolderOf(path) + "/." + name + ".XXXXXX";
  std::vector<char> templ(temp.begin(), temp.end());
  templ.push_back('\0');
  const int fd = ::mkostemp(templ.data(), O_CLOEXEC);
  if (fd < 0) {
    const bool folderRefused = errno == EACCES || errno == EROFS || errno == EPERM;
    return exists && folderRefused && WriteInPlace(path, bytes);
  }
  temp.assign(templ.data());
  const mode_t mode = exists ? (old.st_mode & 07777) : NewFileMode();
  if (::fchmod(fd, mode) != 0 || !FinishFile(fd, bytes) || ::rename(temp.c_str(), path.c_str()) != 0) {
    const int why = errno;
    ::unlink(temp.c_str());
    errno = why;
    return false;
  }
  return true;
}

bool ReadFileStart(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  // Non-blocking, so that opening a pipe that nobody writes returns at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  bytes.clear();
  char buffer[65536];
  bool ok = true;
  while (bytes.size() <= maxBytes) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (bytes.size() > maxBytes + 1) bytes.resize(maxBytes + 1);
  return ok;
}

}  // namespace kvt
