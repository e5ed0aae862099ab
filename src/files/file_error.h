// The outcome of a file command: success, or the text the user sees. File-system failures
// carry the runtime's wording ("File not found", "Disk full", ...); format failures carry
// the format's own message ("No Kelmar Song", ...). Errno is turned into text here only.
#pragma once

#include <string>

namespace kelmar {

class FileError {
 public:
  enum class Kind { None, FileSystem, Format, Limit };

  FileError() = default;
  static FileError FromErrno(int err);
  static FileError ReadBeyondEnd();
  static FileError DiskFull();
  static FileError Format(std::string message) { return FileError(Kind::Format, std::move(message)); }
  static FileError Limit(std::string message) { return FileError(Kind::Limit, std::move(message)); }

  bool ok() const { return kind_ == Kind::None; }
  explicit operator bool() const { return !ok(); }  // true when something went wrong
  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }

 private:
  FileError(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}
  Kind kind_ = Kind::None;
  std::string message_;
};

// The runtime's text for an errno value.
std::string ErrnoText(int err);

}  // namespace kelmar
