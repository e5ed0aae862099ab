// From what the platform says about a key press to the keys the editors know.
//
// The note keys and the "+" / "-" keys are places on the keyboard, not characters: the two
// piano rows sit where QWERTY has Z..M and Q..U, and "+" / "-" are the keys where a US board
// has "=" and "-", whatever the layout prints on them. So on every layout a physical key is
// either a note key or a command key, never both. Where the platform names no physical key,
// the typed character and the toolkit's key code decide, as on a US board. Letters and digits
// typed as data (effects, parameters, the order list) always go by character.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

// The toolkit's key codes these maps look at (the values of Qt::Key; the editors are free of
// toolkit headers, and the window checks that the numbers agree).
namespace toolkit_key {
constexpr int kEscape = 0x01000000;
constexpr int kTab = 0x01000001;
constexpr int kBacktab = 0x01000002;
constexpr int kBackspace = 0x01000003;
constexpr int kReturn = 0x01000004;
constexpr int kEnter = 0x01000005;
constexpr int kInsert = 0x01000006;
constexpr int kDelete = 0x01000007;
constexpr int kHome = 0x01000010;
constexpr int kEnd = 0x01000011;
constexpr int kLeft = 0x01000012;
constexpr int kUp = 0x01000013;
constexpr int kRight = 0x01000014;
constexpr int kDown = 0x01000015;
constexpr int kPageUp = 0x01000016;
constexpr int kPageDown = 0x01000017;
constexpr int kF1 = 0x01000030;
constexpr int kF4 = 0x01000033;
constexpr int kPlus = 0x2b;
constexpr int kMinus = 0x2d;
constexpr int kEqual = 0x3d;
constexpr int kUnderscore = 0x5f;
// Modifier bits of a combined key code.
constexpr int kShiftModifier = 0x02000000;
constexpr int kControlModifier = 0x04000000;
constexpr int kAltModifier = 0x08000000;
constexpr int kMetaModifier = 0x10000000;
}  // namespace toolkit_key

// How the platform numbers physical keys.
enum class ScanCodeSet {
  None,     // no physical key is reported
  X11,      // X11 and Wayland: the Linux evdev code + 8
  Windows,  // PC set-1 scan codes: the evdev numbers for the keys used here
};
ScanCodeSet ScanCodeSetOf(std::string_view platformName);

// One key press as the platform reports it.
struct PlatformKey {
  int Key = 0;             // toolkit key code
  std::u32string Text;     // the characters it types
  uint32_t ScanCode = 0;   // native scan code, 0 when none
  ScanCodeSet Codes = ScanCodeSet::None;
  bool Shift = false;
  bool Control = false;
  bool Alt = false;
  bool Meta = false;
  bool Keypad = false;
  bool AutoRepeat = false;
};

// The Linux evdev code of the key's place on the board, or -1 where the platform names none.
int PhysicalKeyOf(const PlatformKey& key);

// The note keys: semitone + 12 x octave offset (0..23), or one of these.
constexpr int kPianoUnknown = -1;  // the platform reports no physical key: the character decides
constexpr int kNotPiano = -2;      // the key is not one of the 24 note keys

// A key that chooses the entry (or preview) octave: a toolkit key code with its modifier bits.
struct OctaveKey {
  int combined = 0;
  uint8_t octave = 0;
};

// The note keys as bound: which of the 24 note keys sits at each place of the board, and
// which keys choose the octave.
struct NoteKeys {
  NoteKeys();  // the QWERTY piano rows below, F1..F4 for octaves 0, 2, 4, 6, with Shift 1, 3, 5, 7
  std::array<int8_t, 128> pianoAt;  // by evdev code: the note key there (0..23), or kNotPiano
  std::vector<OctaveKey> octaveKeys;
};
const NoteKeys& DefaultNoteKeys();

// The note key of a typed character (upper or lower case) by the place a US board types it
// at; by default the QWERTY piano rows Z S X D C V G B H N J M (octave offset 0) and
// Q 2 W 3 E R 5 T 6 Y 7 U (offset 1).
int PianoKeyFromChar(char32_t ch, const NoteKeys& keys = DefaultNoteKeys());
// The note key at a physical place given as a Linux evdev code.
int PianoKeyFromEvdev(int evdev, const NoteKeys& keys = DefaultNoteKeys());
// The note key of a key press by its place; kPianoUnknown where the place is not known.
// The keypad's keys are never note keys.
int PianoKeyOf(const PlatformKey& key, const NoteKeys& keys = DefaultNoteKeys());

// The key code of a press with its modifier bits (the keypad's left out).
int CombinedKeyOf(const PlatformKey& key);
// The octave (0..7) an octave key chooses, or -1.
int OctaveOfKey(const PlatformKey& key, const NoteKeys& keys = DefaultNoteKeys());

// "+" and "-" of the main keyboard, which step the pattern or the instrument.
enum class StepKey { None, Plus, Minus };
StepKey StepKeyOf(const PlatformKey& key);

// The character a key types into a column, or 0 when it types none there: keys held with
// Control, Alt or Meta, and control characters.
char32_t TypedCharacter(const PlatformKey& key);

}  // namespace kelmar
