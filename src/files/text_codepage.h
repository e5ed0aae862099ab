// Song titles and comments are single-byte Windows-1252 text in files and UTF-8 in memory.
#pragma once

#include <string>

namespace kelmar {

// Each character becomes one byte; characters the code page lacks (and malformed UTF-8)
// become '?'.
std::string Utf8ToWindows1252(const std::string& utf8);
// Each byte becomes one character. The five bytes the code page leaves undefined map to
// the C1 controls of the same value, so that they survive a load and a save.
std::string Windows1252ToUtf8(const std::string& bytes);
// Number of characters (code points) of UTF-8 text, as the file would store them.
size_t Utf8Length(const std::string& utf8);

}  // namespace kelmar
