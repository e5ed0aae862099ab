#include "editors/instrument/instrument_tools.h"

#include <array>
#include <cstring>

#include "editors/instrument/instrument_controls.h"

namespace kelmar {

void CopyInstrument(EditorState& state) { state.InstrumentCopySource = state.CurrentInstrument; }

void PasteInstrument(Engine& engine, EditorState& state) {
  {
    EngineLock lock(engine);
    auto& instruments = engine.song.Instruments;
    if (state.InstrumentCopySource != state.CurrentInstrument) {
      instruments[state.CurrentInstrument] = instruments[state.InstrumentCopySource];
    }
  }
  state.UnsavedChanges = true;
}

void CopyEnvelope(EditorState& state) {
  state.EnvelopeCopyInstrument = state.CurrentInstrument;
  state.EnvelopeCopyTab = state.EnvelopeTab;
}

void PasteEnvelope(Engine& engine, EditorState& state) {
  {
    EngineLock lock(engine);
    const Envelope source =
        CurrentEnvelope(engine.song.Instruments[state.EnvelopeCopyInstrument], state.EnvelopeCopyTab);
    CurrentEnvelope(engine.song.Instruments[state.CurrentInstrument], state.EnvelopeTab) = source;
  }
  state.UnsavedChanges = true;
}

void RandomWave(Engine& engine, EditorState& state) {
  {
    EngineLock lock(engine);
    uint8_t* bytes = engine.song.Instruments[state.CurrentInstrument].bytes();
    for (int field = 1; field <= 8; ++field) {
      auto value = static_cast<uint8_t>(engine.random.Draw(256));
      const bool amplitude = (field % 2) == 1;
      if (amplitude && value == 0x80) value = 0x81;  // -128 -> -127
      bytes[field] = value;
    }
  }
  state.UnsavedChanges = true;
}

void PreviewNote(Engine& engine, EditorState& state, uint8_t semitone, uint8_t octaveOffset) {
  const auto octave = static_cast<uint8_t>(state.PreviewOctave + octaveOffset);
  EngineLock lock(engine);
  engine.TriggerNote(state.PreviewVoice % kChannelCount, state.CurrentInstrument, semitone, octave, 0, true, true);
  ++state.PreviewVoice;
  if (state.PreviewDetune != 0) {
    engine.TriggerNote(state.PreviewVoice % kChannelCount, state.CurrentInstrument, semitone, octave,
                       static_cast<int8_t>(state.PreviewDetune), true, true);
    ++state.PreviewVoice;
  }
}

namespace {

struct NoteKey {
  int ScanCode;  // X11 scan code (evdev + 8)
  int QtKey;
  uint8_t Semitone;
  uint8_t OctaveOffset;
};

// Lower row Z S X D C V G B H N J M, upper row Q 2 W 3 E R 5 T 6 Y 7 U.
constexpr std::array<NoteKey, 24> kNoteKeys = {{
    {52, 'Z', 0, 0},  {39, 'S', 1, 0},  {53, 'X', 2, 0},  {40, 'D', 3, 0},  {54, 'C', 4, 0},  {55, 'V', 5, 0},
    {42, 'G', 6, 0},  {56, 'B', 7, 0},  {43, 'H', 8, 0},  {57, 'N', 9, 0},  {44, 'J', 10, 0}, {58, 'M', 11, 0},
    {24, 'Q', 0, 1},  {11, '2', 1, 1},  {25, 'W', 2, 1},  {12, '3', 3, 1},  {26, 'E', 4, 1},  {27, 'R', 5, 1},
    {14, '5', 6, 1},  {28, 'T', 7, 1},  {15, '6', 8, 1},  {29, 'Y', 9, 1},  {16, '7', 10, 1}, {30, 'U', 11, 1},
}};
constexpr int kScanEquals = 21;
constexpr int kScanMinus = 20;

// Qt key codes used here (kept numeric so this layer needs no widget headers).
constexpr int kKeyF1 = 0x01000030;
constexpr int kKeyF4 = 0x01000033;
constexpr int kKeyPlus = 0x2b;
constexpr int kKeyEqual = 0x3d;
constexpr int kKeyMinus = 0x2d;
constexpr int kKeyUnderscore = 0x5f;

}  // namespace

PageKey ClassifyPageKey(const KeyInput& key) {
  PageKey result;
  if (key.QtKey >= kKeyF1 && key.QtKey <= kKeyF4) {
    result.Action = PageKey::Kind::Octave;
    result.Octave = static_cast<uint8_t>(2 * (key.QtKey - kKeyF1) + (key.Shift ? 1 : 0));
    return result;
  }
  const bool byPosition = key.EvdevScanCodes && key.ScanCode != 0;
  for (const NoteKey& note : kNoteKeys) {
    const bool match = byPosition ? (key.ScanCode == note.ScanCode && !key.Keypad) : (key.QtKey == note.QtKey);
    if (match) {
      result.Action = PageKey::Kind::Note;
      result.Semitone = note.Semitone;
      result.OctaveOffset = note.OctaveOffset;
      return result;
    }
  }
  if (key.Keypad) return result;  // the keypad's + and - are not the main keyboard's keys
  if (byPosition ? key.ScanCode == kScanEquals : (key.QtKey == kKeyEqual || key.QtKey == kKeyPlus)) {
    result.Action = PageKey::Kind::NextInstrument;
  } else if (byPosition ? key.ScanCode == kScanMinus : (key.QtKey == kKeyMinus || key.QtKey == kKeyUnderscore)) {
    result.Action = PageKey::Kind::PreviousInstrument;
  }
  return result;
}

PageKey::Kind ApplyPageKey(Engine& engine, EditorState& state, const KeyInput& key) {
  const PageKey action = ClassifyPageKey(key);
  switch (action.Action) {
    case PageKey::Kind::Octave:
      state.PreviewOctave = action.Octave;
      break;
    case PageKey::Kind::Note:
      PreviewNote(engine, state, action.Semitone, action.OctaveOffset);
      break;
    case PageKey::Kind::NextInstrument:
      ++state.CurrentInstrument;  // u8: 255 wraps to 0
      break;
    case PageKey::Kind::PreviousInstrument:
      --state.CurrentInstrument;  // 0 wraps to 255
      break;
    case PageKey::Kind::None:
      break;
  }
  return action.Action;
}

}  // namespace kelmar
