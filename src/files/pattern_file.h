// Pattern files (.klp): the magic "KELMARP0" and the 1024 bytes of one pattern in memory
// order (track x 128 + row x 4); bytes after offset 1031 are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/song.h"
#include "files/file_error.h"

namespace kelmar {

constexpr size_t kPatternFileSize = 8 + sizeof(Pattern);
constexpr char kNoPatternMessage[] = "No Kelmar Pattern";

std::vector<uint8_t> EncodePatternFile(const Pattern& pattern);
// On success fills pattern; a file cut short is refused before any byte of it changes.
FileError DecodePatternFile(const uint8_t* data, size_t size, Pattern& pattern);

FileError LoadPatternFile(const std::string& path, Pattern& pattern);
FileError SavePatternFile(const std::string& path, const Pattern& pattern);

}  // namespace kelmar
