#include "editors/key_map.h"

namespace kelmar {
namespace {

constexpr char kLowerPiano[] = "ZSXDCVGBHNJM";
constexpr char kUpperPiano[] = "Q2W3ER5T6Y7U";
// evdev codes of the same keys' places.
constexpr int kLowerPianoEvdev[12] = {44, 31, 45, 32, 46, 47, 34, 48, 35, 49, 36, 50};
constexpr int kUpperPianoEvdev[12] = {16, 3, 17, 4, 18, 19, 6, 20, 7, 21, 8, 22};
constexpr int kMinusEvdev = 12;
constexpr int kEqualEvdev = 13;
constexpr int kX11Offset = 8;

char32_t Upper(char32_t ch) { return (ch >= 'a' && ch <= 'z') ? ch - 'a' + 'A' : ch; }

}  // namespace

ScanCodeSet ScanCodeSetOf(std::string_view platformName) {
  if (platformName == "xcb" || platformName.starts_with("wayland")) return ScanCodeSet::X11;
  if (platformName == "windows") return ScanCodeSet::Windows;
  return ScanCodeSet::None;
}

int PhysicalKeyOf(const PlatformKey& key) {
  if (key.ScanCode == 0) return -1;
  switch (key.Codes) {
    case ScanCodeSet::X11: return key.ScanCode > kX11Offset ? static_cast<int>(key.ScanCode) - kX11Offset : -1;
    case ScanCodeSet::Windows: return static_cast<int>(key.ScanCode);
    case ScanCodeSet::None: break;
  }
  return -1;
}

int PianoKeyFromChar(char32_t ch) {
  const char32_t upper = Upper(ch);
  for (int s = 0; s < 12; ++s) {
    if (static_cast<char32_t>(kLowerPiano[s]) == upper) return s;
    if (static_cast<char32_t>(kUpperPiano[s]) == upper) return 12 + s;
  }
  return kNotPiano;
}

int PianoKeyFromEvdev(int evdev) {
  for (int s = 0; s < 12; ++s) {
    if (kLowerPianoEvdev[s] == evdev) return s;
    if (kUpperPianoEvdev[s] == evdev) return 12 + s;
  }
  return kNotPiano;
}

int PianoKeyOf(const PlatformKey& key) {
  if (key.Keypad) return kNotPiano;
  const int place = PhysicalKeyOf(key);
  return place < 0 ? kPianoUnknown : PianoKeyFromEvdev(place);
}

StepKey StepKeyOf(const PlatformKey& key) {
  if (key.Keypad) return StepKey::None;  // the keypad's + and - are keys of their own
  const int place = PhysicalKeyOf(key);
  if (place >= 0) {
    if (place == kEqualEvdev) return StepKey::Plus;
    if (place == kMinusEvdev) return StepKey::Minus;
    return StepKey::None;
  }
  switch (key.Key) {
    case toolkit_key::kPlus:
    case toolkit_key::kEqual: return StepKey::Plus;
    case toolkit_key::kMinus:
    case toolkit_key::kUnderscore: return StepKey::Minus;
    default: return StepKey::None;
  }
}

char32_t TypedCharacter(const PlatformKey& key) {
  if (key.Control || key.Alt || key.Meta || key.Text.empty()) return 0;
  const char32_t ch = key.Text.front();
  return (ch < 0x20 || ch == 0x7F) ? 0 : ch;
}

}  // namespace kelmar
