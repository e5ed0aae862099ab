#include "files/pattern_file.h"

#include <cstring>

#include "files/safe_write.h"

namespace kelmar {

namespace {
constexpr size_t kMagicSize = 8;
constexpr char kMagic[] = "KELMARP0";
}  // namespace

std::vector<uint8_t> EncodePatternFile(const Pattern& pattern) {
  std::vector<uint8_t> out;
  out.reserve(kPatternFileSize);
  out.insert(out.end(), kMagic, kMagic + kMagicSize);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&pattern);
  out.insert(out.end(), p, p + sizeof(Pattern));
  return out;
}

FileError DecodePatternFile(const uint8_t* data, size_t size, Pattern& pattern) {
  if (size < kMagicSize) return FileError::ReadBeyondEnd();
  if (std::memcmp(data, kMagic, kMagicSize) != 0) return FileError::Format(kNoPatternMessage);
  if (size < kPatternFileSize) return FileError::ReadBeyondEnd();
  std::memcpy(&pattern, data + kMagicSize, sizeof(Pattern));
  return {};
}

FileError LoadPatternFile(const std::string& path, Pattern& pattern) {
  std::vector<uint8_t> bytes;
  if (FileError e = ReadFileBytes(path, kPatternFileSize, bytes, nullptr)) return e;
  if (bytes.size() > kPatternFileSize) bytes.resize(kPatternFileSize);  // the rest is ignored
  return DecodePatternFile(bytes.data(), bytes.size(), pattern);
}

FileError SavePatternFile(const std::string& path, const Pattern& pattern) {
  return WriteFileSafely(path, EncodePatternFile(pattern));
}

}  // namespace kelmar
