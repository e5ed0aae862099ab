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

// Whether the code page has a byte for the character, so that a song file keeps it.
bool InWindows1252(char32_t c);
// Bytes UTF-8 text takes in a song file: one a character, and one more for each line
// feed without a carriage return before it, as it is stored as CR LF.
size_t Windows1252Size(const std::string& utf8);
// What of UTF-8 text a song file keeps as it is: the characters the code page lacks (and
// malformed UTF-8) are left out, and the text ends where its size (as Windows1252Size
// counts it) would pass room bytes.
std::string FitWindows1252(const std::string& utf8, size_t room);

}  // namespace kelmar
