#include "files/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace kelmar {

namespace {

// Closes the descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Close() {
    if (fd_ < 0) return 0;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A symbolic link is replaced at the file it points to, not turned into a plain file.
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) return resolved;
  }
  return path;
}

// Writes all bytes. A write may take fewer bytes than asked without setting errno (a
// disk that fills up, a file-size limit); the rest is retried, and a write that takes
// nothing at all is a full disk.
int WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

FileError ReadFileBytes(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, bool* tooLarge) {
  out.clear();
  if (tooLarge) *tooLarge = false;
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return FileError::FromErrno(errno);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return FileError::FromErrno(errno);
  if (S_ISDIR(st.st_mode)) return FileError::FromErrno(EISDIR);

  const size_t limit = maxBytes + 1;
  out.resize(limit);
  size_t got = 0;
  while (got < limit) {
    ssize_t n = ::read(fd.get(), out.data() + got, limit - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      out.clear();
      return FileError::FromErrno(err);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > maxBytes) {
    if (tooLarge) *tooLarge = true;
  }
  out.resize(got);
  return {};
}

FileError WriteFileSafely(const std::string& requested, const uint8_t* data, size_t size) {
  const std::string path = ResolveTarget(requested);
  const std::string folder = FolderOf(path);
  // The new file gets the permissions of the one it replaces; a new one gets the usual
  // permissions through the creation mode and the process's umask.
  bool replacing = false;
  mode_t mode = 0;
  struct stat old;
  if (::stat(path.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) return FileError::FromErrno(EISDIR);
    // A file the user may not write stays as it is, as it would when written in place.
    if (::access(path.c_str(), W_OK) != 0) return FileError::FromErrno(errno);
    replacing = true;
    mode = old.st_mode & 07777;
  }

  std::string temp;
  int created = -1;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.%08x", static_cast<long>(::getpid()), counter++,
                  static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    temp = folder + "/." + NameOf(path) + suffix;
    created = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (created < 0 && errno != EEXIST) return FileError::FromErrno(errno);
  }
  if (created < 0) return FileError::FromErrno(EEXIST);
  Fd fd(created);

  int err = WriteAll(fd.get(), data, size);
  if (err == 0 && replacing && ::fchmod(fd.get(), mode) != 0) err = errno;
  if (err == 0 && ::fsync(fd.get()) != 0) err = errno;
  if (fd.Close() != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return FileError::FromErrno(err);
  }

  // Make the rename itself durable; a failure here no longer affects the file's content.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace kelmar
