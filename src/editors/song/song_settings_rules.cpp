#include "editors/song/song_settings_rules.h"

#include "files/song_stream.h"

namespace kelmar {

std::string NumberLabelText(int value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), ' ');
  return digits;
}

uint32_t ComposeColor(uint32_t color, int tag, int value) {
  const int shift = 8 * (tag & 3);
  const uint32_t cleared = color & ~(0xFFu << shift) & 0x00FFFFFFu;
  return cleared + (static_cast<uint32_t>(value & 0xFF) << shift);
}

std::string SongFileNameFromTitle(std::string_view title) {
  std::string name;
  bool gap = false;
  for (const char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    // Bytes from 0x80 on are parts of UTF-8 letters; file names take them as they are.
    const bool upper = byte >= 'A' && byte <= 'Z';
    const bool kept = upper || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte >= 0x80;
    if (!kept) {
      gap = !name.empty();
      continue;
    }
    if (gap) name += '-';
    gap = false;
    name += static_cast<char>(upper ? byte - 'A' + 'a' : byte);
  }
  if (name.empty() || title == kDefaultSongTitle) return {};
  return name + ".sng";
}

}  // namespace kelmar
