// The instrument page's commands that need no widgets: the instrument and envelope
// clipboard, random waves, note previews and the page's key map.
#pragma once

#include <cstdint>
#include <optional>

#include "editors/editor_state.h"
#include "editors/key_map.h"
#include "engine/engine.h"

namespace kelmar {

// The copy commands only remember where to copy from; the pastes copy from that place as
// it is at paste time. Pastes mark the song changed.
void CopyInstrument(EditorState& state);
void PasteInstrument(Engine& engine, EditorState& state);
void CopyEnvelope(EditorState& state);
void PasteEnvelope(Engine& engine, EditorState& state);

// Eight draws of range 256 into instrument bytes 1..8 of the current instrument. A drawn
// amplitude of -128 is stored as -127: the amplitude controls cannot show -128, and what
// the command produces must be what the controls show.
void RandomWave(Engine& engine, EditorState& state);

// Plays the current instrument on the next preview voice, and with a preview detune a
// second, sharper copy on the voice after it.
void PreviewNote(Engine& engine, EditorState& state, uint8_t semitone, uint8_t octaveOffset);
// The same at an octave of its own (a MIDI keyboard's), whatever the preview octave.
void PreviewNoteAt(Engine& engine, EditorState& state, uint8_t semitone, uint8_t octave);

// What a key does on the instrument page.
struct PageKey {
  enum class Kind { None, Note, Octave, NextInstrument, PreviousInstrument };
  Kind Action = Kind::None;
  uint8_t Semitone = 0;      // Note
  uint8_t OctaveOffset = 0;  // Note
  uint8_t Octave = 0;        // Octave: the new PreviewOctave
};

// The note keys and "+" / "-" go by their place on the board where the platform names it
// (see key_map.h); the octave keys (F1..F4 unless bound otherwise) by their key code.
PageKey ClassifyPageKey(const PlatformKey& key, const NoteKeys& keys = DefaultNoteKeys());

// Applies one key to the editing state: octave keys set PreviewOctave, notes play (an
// auto-repeated note key plays nothing), +/- step CurrentInstrument with wrapping. Returns
// the key's kind (None: not the page's key).
PageKey::Kind ApplyPageKey(Engine& engine, EditorState& state, const PlatformKey& key);

}  // namespace kelmar
