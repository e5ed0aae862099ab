// What a song carries beside its tables: title, comment and the two colours.
// The engine never reads these; the song file stores them and the song editor edits them.
#pragma once

#include <cstdint>
#include <string>

namespace kelmar {

constexpr uint32_t kDefaultTextColor = 0x0000FF00;  // 0x00BBGGRR: pure green
constexpr uint32_t kDefaultBackColor = 0x00000000;  // black

struct SongSettings {
  std::string Title = "Songtitle";      // UTF-8 in memory; Windows-1252 in files
  std::string Comment = "Songcomment";  // lines separated by "\r\n" as typed
  uint32_t TextColor = kDefaultTextColor;
  uint32_t BackColor = kDefaultBackColor;
};

}  // namespace kelmar
