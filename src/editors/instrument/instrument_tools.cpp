#include "editors/instrument/instrument_tools.h"


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
}

void PreviewNote(Engine& engine, EditorState& state, uint8_t semitone, uint8_t octaveOffset) {
  PreviewNoteAt(engine, state, semitone, static_cast<uint8_t>(state.PreviewOctave + octaveOffset));
}

void PreviewNoteAt(Engine& engine, EditorState& state, uint8_t semitone, uint8_t octave) {
  EngineLock lock(engine);
  engine.TriggerNote(state.PreviewVoice % kChannelCount, state.CurrentInstrument, semitone, octave, 0, true, true);
  ++state.PreviewVoice;
  if (state.PreviewDetune != 0) {
    engine.TriggerNote(state.PreviewVoice % kChannelCount, state.CurrentInstrument, semitone, octave,
                       static_cast<int8_t>(state.PreviewDetune), true, true);
    ++state.PreviewVoice;
  }
}

PageKey ClassifyPageKey(const PlatformKey& key, const NoteKeys& keys) {
  PageKey result;
  if (const int octave = OctaveOfKey(key, keys); octave >= 0) {
    result.Action = PageKey::Kind::Octave;
    result.Octave = static_cast<uint8_t>(octave);
    return result;
  }
  int piano = PianoKeyOf(key, keys);
  // Without a known place the key code names the key, as on a US board.
  if (piano == kPianoUnknown) piano = PianoKeyFromChar(static_cast<char32_t>(key.Key), keys);
  if (piano >= 0) {
    result.Action = PageKey::Kind::Note;
    result.Semitone = static_cast<uint8_t>(piano % 12);
    result.OctaveOffset = static_cast<uint8_t>(piano / 12);
    return result;
  }
  switch (StepKeyOf(key)) {
    case StepKey::Plus: result.Action = PageKey::Kind::NextInstrument; break;
    case StepKey::Minus: result.Action = PageKey::Kind::PreviousInstrument; break;
    case StepKey::None: break;
  }
  return result;
}

PageKey::Kind ApplyPageKey(Engine& engine, EditorState& state, const PlatformKey& key) {
  const PageKey action = ClassifyPageKey(key, state.Keys);
  switch (action.Action) {
    case PageKey::Kind::Octave:
      state.PreviewOctave = action.Octave;
      break;
    case PageKey::Kind::Note:
      // A held key plays its note once; its auto-repeat would walk through every voice.
      if (!key.AutoRepeat) PreviewNote(engine, state, action.Semitone, action.OctaveOffset);
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
