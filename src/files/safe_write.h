// Whole-file reads and writes for the file commands, and the safe write that every file
// the program writes goes through.
//
// Writes never destroy the file they replace: the bytes go to a temporary file in the
// same folder, which is flushed to the disk and renamed over the target only when every
// byte was written. Any failure removes the temporary file and leaves the target as it was.
// A link is replaced at the file it points to and stays a link; a target that is not a
// regular file (a device, a FIFO, a terminal) is written as it is and never replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/file_error.h"

namespace kelmar {

// Reads at most maxBytes bytes of the file into out. When the file holds more, only
// maxBytes + 1 bytes are read and *tooLarge is set, so a huge file is never read whole.
FileError ReadFileBytes(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, bool* tooLarge);

// A file being written. Open decides how: a regular file (or a new one) is written to a
// temporary file beside it, which Commit flushes and renames over it with the old file's
// permission bits (and owner where allowed), or the ordinary ones of a new file; anything
// else that exists is opened for writing and written directly. Destroying or abandoning a
// file before Commit removes the temporary file, so the target keeps what it held.
class SafeFile {
 public:
  enum class Mode {
    Replace,  // as described above
    InPlace,  // a regular file is truncated and written where it is (kept after a failure)
  };

  SafeFile() = default;
  ~SafeFile() { Abandon(); }
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  FileError Open(const std::string& path, Mode mode = Mode::Replace);
  // Writes directly to a copy of an open descriptor (standard output); the original stays open.
  FileError Adopt(int fd);
  FileError Write(const void* data, size_t size);
  // At an offset from where writing began; only when seekable(). The write position stays.
  FileError WriteAt(uint64_t offset, const void* data, size_t size);
  // Flushes, closes and renames the temporary file over the target; a direct write is
  // closed. After a failure the temporary file is gone.
  FileError Commit();
  void Abandon();

  bool is_open() const { return fd_ >= 0; }
  // For a library that writes the descriptor itself (libsndfile); Commit still finishes it.
  int descriptor() const { return fd_; }
  // False for pipes, terminals and descriptors in append mode: nothing written can be revisited.
  bool seekable() const { return seekable_; }

 private:
  FileError Direct(int fd);
  int fd_ = -1;
  std::string target_;
  std::string temp_;  // empty for a direct write
  bool seekable_ = false;
  uint64_t base_ = 0;  // the descriptor's offset when writing began
};

// Replaces (or creates) path with exactly size bytes.
FileError WriteFileSafely(const std::string& path, const uint8_t* data, size_t size);
inline FileError WriteFileSafely(const std::string& path, const std::vector<uint8_t>& data) {
  return WriteFileSafely(path, data.data(), data.size());
}

}  // namespace kelmar
