#include "files/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

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

// Where the bytes for path end up. An existing file is reached through any links, so the
// links stay links; a link to a file that is not there yet names the file to create.
FileError ResolveTarget(const std::string& path, std::string& target, struct stat& st, bool& exists) {
  target = path;
  exists = ::stat(path.c_str(), &st) == 0;
  if (exists) {
    struct stat link;
    if (S_ISREG(st.st_mode) && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      char* resolved = ::realpath(path.c_str(), nullptr);
      if (!resolved) return FileError::FromErrno(errno);
      target = resolved;
      std::free(resolved);
    }
    return {};
  }
  if (errno != ENOENT) return FileError::FromErrno(errno);
  for (int hops = 0; hops < 40; ++hops) {
    char next[PATH_MAX];
    const ssize_t n = ::readlink(target.c_str(), next, sizeof next);
    // Not a link: the file to create (a missing folder shows up when creating it).
    if (n <= 0 || n == static_cast<ssize_t>(sizeof next)) return {};
    target = next[0] == '/' ? std::string(next, static_cast<size_t>(n))
                            : FolderOf(target) + "/" + std::string(next, static_cast<size_t>(n));
  }
  return FileError::FromErrno(ELOOP);
}

// A short name, so that a target whose name is as long as the file system allows still
// gets its temporary file. Created with the ordinary mode, so that the umask and the
// folder's default permissions apply as to any new file.
int CreateTemporary(const std::string& folder, std::string& name) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + "/.kelmar-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
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

// --- SafeFile ---

FileError SafeFile::Open(const std::string& path, Mode mode) {
  Abandon();
  std::string target;
  struct stat old;
  bool exists = false;
  if (FileError err = ResolveTarget(path, target, old, exists)) return err;
  if (exists && S_ISDIR(old.st_mode)) return FileError::FromErrno(EISDIR);
  // A device, a FIFO or a terminal is written as it is: there is no file to replace.
  if (exists && !S_ISREG(old.st_mode)) return Direct(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
  if (mode == Mode::InPlace)
    return Direct(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666));
  // A file the user may not write stays as it is, as it would when written in place.
  if (exists && ::access(target.c_str(), W_OK) != 0) return FileError::FromErrno(errno);

  fd_ = CreateTemporary(FolderOf(target), temp_);
  if (fd_ < 0) {
    temp_.clear();
    return FileError::FromErrno(errno);
  }
  target_ = target;
  seekable_ = true;
  base_ = 0;
  if (exists) {
    // The owner first: changing it may clear the set-id bits that the mode then restores.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      [[maybe_unused]] int ignored = ::fchown(fd_, old.st_uid, old.st_gid);
    }
    if (::fchmod(fd_, old.st_mode & 07777) != 0) {
      const int err = errno;
      Abandon();
      return FileError::FromErrno(err);
    }
  }
  return {};
}

FileError SafeFile::Adopt(int fd) {
  Abandon();
  return Direct(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
}

FileError SafeFile::Direct(int fd) {
  if (fd < 0) return FileError::FromErrno(errno);
  fd_ = fd;
  // Offsets are only meaningful when the descriptor can seek and does not append.
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  seekable_ = at >= 0 && (::fcntl(fd, F_GETFL) & O_APPEND) == 0;
  base_ = seekable_ ? static_cast<uint64_t>(at) : 0;
  return {};
}

FileError SafeFile::Write(const void* data, size_t size) {
  if (fd_ < 0) return FileError::FromErrno(EBADF);
  const int err = WriteAll(fd_, static_cast<const uint8_t*>(data), size);
  return err ? FileError::FromErrno(err) : FileError();
}

FileError SafeFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (fd_ < 0) return FileError::FromErrno(EBADF);
  if (!seekable_) return FileError::FromErrno(ESPIPE);
  const auto* p = static_cast<const uint8_t*>(data);
  offset += base_;
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileError::FromErrno(errno);
    }
    if (n == 0) return FileError::DiskFull();
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return {};
}

FileError SafeFile::Commit() {
  if (fd_ < 0) return FileError::FromErrno(EBADF);
  int err = 0;
  if (!temp_.empty() && ::fsync(fd_) != 0) err = errno;
  if (::close(fd_) != 0 && err == 0 && errno != EINTR) err = errno;
  fd_ = -1;
  if (temp_.empty()) return err ? FileError::FromErrno(err) : FileError();
  if (err == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) err = errno;
  if (err != 0) {
    Abandon();
    return FileError::FromErrno(err);
  }
  temp_.clear();
  // Make the rename itself durable; a failure here no longer affects the file's content.
  int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

void SafeFile::Abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

FileError WriteFileSafely(const std::string& path, const uint8_t* data, size_t size) {
  SafeFile file;
  if (FileError err = file.Open(path)) return err;
  if (FileError err = file.Write(data, size)) return err;
  return file.Commit();
}

}  // namespace kelmar
