#include "files/file_error.h"

#include <cerrno>
#include <cstdio>

namespace kelmar {

std::string ErrnoText(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return "File not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return "File access denied";
    case ENOSPC:
    case EFBIG:  // a file-size limit ends a write the same way a full disk does
    case EDQUOT:
      return "Disk full";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "I/O error %d", err);
      return text;
    }
  }
}

FileError FileError::FromErrno(int err) { return FileError(Kind::FileSystem, ErrnoText(err)); }
FileError FileError::ReadBeyondEnd() { return FileError(Kind::FileSystem, "Read beyond end of file"); }
FileError FileError::DiskFull() { return FileError(Kind::FileSystem, "Disk full"); }

}  // namespace kelmar
