// The song: one fixed-size block of tables that every editor, file format and the player
// address by index. Layouts here are binding: instrument, pattern and song files store
// these records byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kelmar {

constexpr int kInstrumentCount = 256;
constexpr int kPatternCount = 256;
constexpr int kTrackCount = 8;
constexpr int kRowCount = 32;
constexpr int kOrderLength = 256;
constexpr uint8_t kEmptyNote = 127;  // any note >= 127 is "no note"
constexpr uint8_t kDefaultTempo = 50;
constexpr uint8_t kDefaultSpeed = 6;

// Effect codes (cell nibbles). The letter table shows "x" for 10..15.
enum EffectCode : uint8_t {
  kEffectNone = 0,
  kEffectVolume = 1,      // V
  kEffectInstrument = 2,  // I
  kEffectNoTrigger = 3,   // N
  kEffectMark = 4,        // M (no effect in playback)
  kEffectBreak = 5,       // B
  kEffectSpeed = 6,       // S
  kEffectTempo = 7,       // T
  kEffectJump = 8,        // J
  kEffectDetune = 9,      // D
};
constexpr char kEffectLetters[] = ".VINMBSTJDxxxxxx";

// Order commands, bits 8-9 of an order entry.
enum OrderCommand : uint8_t { kOrderPlay = 0, kOrderJump = 1, kOrderStop = 2, kOrderOther = 3 };
constexpr char kOrderLetters[] = "PJSx";

struct Envelope {
  uint8_t Len1, Len2, Len3, Len4;  // step lengths in ticks; 0 = step skipped
  uint8_t Start;                   // value at note start
  uint8_t Val1, Val2, Val3, Val4;  // value reached at the end of each step

  uint8_t Len(int step) const { return (&Len1)[step]; }  // step 0..3
  uint8_t Val(int step) const { return (&Val1)[step]; }  // step 0..3
};
static_assert(sizeof(Envelope) == 9);

struct Instrument {
  uint8_t Filter;
  int8_t SrcOsc1Amp;
  uint8_t SrcOsc1Wave;
  int8_t SrcOsc2Amp;
  uint8_t SrcOsc2Wave;
  int8_t DstOsc1Amp;
  uint8_t DstOsc1Wave;
  int8_t DstOsc2Amp;
  uint8_t DstOsc2Wave;
  Envelope VolEnv;
  Envelope SweepEnv;
  uint8_t ArpDelay;
  uint8_t ArpSpeed;
  uint8_t ArpRepeat;
  int8_t Arp1;
  int8_t Arp2;
  int8_t Arp3;
  uint8_t NzeDelay;
  uint8_t NzeFreq;
  uint8_t NzeLen1;
  uint8_t NzePause;
  uint8_t NzeLen2;
  uint8_t NzeEnable;
  uint8_t PMDelay;
  uint8_t PMSpeed;
  uint8_t PMLen;
  int8_t PMVal;
  uint8_t PMEnable;
  uint8_t VibDelay;
  uint8_t VibSpeed;
  uint8_t VibDepth;
  uint8_t VibEnable;

  // Byte view, for files and editors that address fields by offset.
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this); }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this); }
};
static_assert(sizeof(Instrument) == 48);
static_assert(offsetof(Instrument, SrcOsc1Amp) == 1);
static_assert(offsetof(Instrument, DstOsc2Wave) == 8);
static_assert(offsetof(Instrument, VolEnv) == 9);
static_assert(offsetof(Instrument, SweepEnv) == 18);
static_assert(offsetof(Instrument, ArpDelay) == 27);
static_assert(offsetof(Instrument, Arp3) == 32);
static_assert(offsetof(Instrument, NzeDelay) == 33);
static_assert(offsetof(Instrument, NzeEnable) == 38);
static_assert(offsetof(Instrument, PMDelay) == 39);
static_assert(offsetof(Instrument, PMEnable) == 43);
static_assert(offsetof(Instrument, VibDelay) == 44);
static_assert(offsetof(Instrument, VibEnable) == 47);

struct PatternCell {
  uint8_t Note;     // octave * 12 + semitone; >= 127 = empty
  uint8_t Effects;  // high nibble: first effect, low nibble: second effect
  uint8_t Param1;
  uint8_t Param2;

  uint8_t Effect1() const { return Effects >> 4; }
  uint8_t Effect2() const { return Effects & 0x0F; }
};
static_assert(sizeof(PatternCell) == 4);

// Parameter in the low byte, command (OrderCommand) in bits 8-9.
using OrderEntry = uint16_t;
constexpr OrderEntry MakeOrderEntry(uint8_t command, uint8_t param) {
  return static_cast<OrderEntry>(((command & 3) << 8) | param);
}
constexpr uint8_t OrderCommandOf(OrderEntry e) { return (e >> 8) & 3; }
constexpr uint8_t OrderParamOf(OrderEntry e) { return e & 0xFF; }

using Track = std::array<PatternCell, kRowCount>;
using Pattern = std::array<Track, kTrackCount>;
static_assert(sizeof(Pattern) == 1024);

// Threads (Engine::song, see engine.h): the window thread is the only writer, always under
// EngineLock while a device may play (every editor rule, load, paste, undo, recovery); the
// renderer's Tick reads the order list, the patterns and the instruments. The window thread
// reads it without the lock. Title, comment and colours are not here but in SongSettings (files layer):
// window thread only, no lock, never read by the renderer.
struct Song {
  std::array<Instrument, kInstrumentCount> Instruments;
  std::array<uint8_t, kInstrumentCount> SynthMode;  // 0 = new (0.7.5), 1 = old (pre-0.7.3)
  std::array<OrderEntry, kOrderLength> Order;
  std::array<Pattern, kPatternCount> Patterns;  // cell = pattern * 1024 + track * 128 + row * 4
  uint8_t Tempo;
  uint8_t Speed;

  PatternCell& Cell(int pattern, int track, int row) { return Patterns[pattern][track][row]; }
  const PatternCell& Cell(int pattern, int track, int row) const { return Patterns[pattern][track][row]; }
};
static_assert(sizeof(Song::Instruments) == 12288);
static_assert(sizeof(Song::Patterns) == 262144);

// The new-song reset: zeroed instruments, patterns and synth modes, every note empty,
// order entry k plays pattern k, tempo 50, speed 6.
void ResetSong(Song& song);

}  // namespace kelmar
