#include "editors/song/song_settings_rules.h"

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

}  // namespace kelmar
