// Whole-file reads and writes for the file commands.
//
// Writes never destroy the file they replace: the bytes go to a temporary file in the
// same folder, which is flushed to the disk and renamed over the target only when every
// byte was written. Any failure removes the temporary file and leaves the target as it was.
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

// Replaces (or creates) path with exactly size bytes.
FileError WriteFileSafely(const std::string& path, const uint8_t* data, size_t size);
inline FileError WriteFileSafely(const std::string& path, const std::vector<uint8_t>& data) {
  return WriteFileSafely(path, data.data(), data.size());
}

}  // namespace kelmar
