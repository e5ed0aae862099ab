#include "editors/key_map.h"

#include "editors/key_places.h"

namespace kelmar {
namespace {

// evdev codes of the QWERTY piano rows' places: Z S X D C ... and Q 2 W 3 E ...
constexpr int kLowerPianoEvdev[12] = {44, 31, 45, 32, 46, 47, 34, 48, 35, 49, 36, 50};
constexpr int kUpperPianoEvdev[12] = {16, 3, 17, 4, 18, 19, 6, 20, 7, 21, 8, 22};
constexpr int kMinusEvdev = 12;
constexpr int kEqualEvdev = 13;
constexpr int kX11Offset = 8;

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

NoteKeys::NoteKeys() {
  pianoAt.fill(static_cast<int8_t>(kNotPiano));
  for (int s = 0; s < 12; ++s) {
    pianoAt[kLowerPianoEvdev[s]] = static_cast<int8_t>(s);
    pianoAt[kUpperPianoEvdev[s]] = static_cast<int8_t>(12 + s);
  }
  for (int f = 0; f < 4; ++f) {
    octaveKeys.push_back({toolkit_key::kF1 + f, static_cast<uint8_t>(2 * f)});
    octaveKeys.push_back({(toolkit_key::kF1 + f) | toolkit_key::kShiftModifier, static_cast<uint8_t>(2 * f + 1)});
  }
}

const NoteKeys& DefaultNoteKeys() {
  static const NoteKeys defaults;
  return defaults;
}

int PianoKeyFromChar(char32_t ch, const NoteKeys& keys) {
  const KeyPlace* place = PlaceOfUsChar(ch);
  return place ? PianoKeyFromEvdev(place->evdev, keys) : kNotPiano;
}

int PianoKeyFromEvdev(int evdev, const NoteKeys& keys) {
  if (evdev < 0 || evdev >= static_cast<int>(keys.pianoAt.size())) return kNotPiano;
  return keys.pianoAt[evdev];
}

int PianoKeyOf(const PlatformKey& key, const NoteKeys& keys) {
  if (key.Keypad) return kNotPiano;
  const int place = PhysicalKeyOf(key);
  return place < 0 ? kPianoUnknown : PianoKeyFromEvdev(place, keys);
}

int CombinedKeyOf(const PlatformKey& key) {
  return key.Key | (key.Shift ? toolkit_key::kShiftModifier : 0) | (key.Control ? toolkit_key::kControlModifier : 0) |
         (key.Alt ? toolkit_key::kAltModifier : 0) | (key.Meta ? toolkit_key::kMetaModifier : 0);
}

int OctaveOfKey(const PlatformKey& key, const NoteKeys& keys) {
  const int combined = CombinedKeyOf(key);
  for (const OctaveKey& octave : keys.octaveKeys) {
    if (octave.combined == combined) return octave.octave;
  }
  return -1;
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
