#include "editors/pattern/cell_words.h"

namespace kelmar {

namespace {

constexpr const char* kColumnWords[8] = {
    "note", "octave", "effect 1", "parameter 1 high digit", "parameter 1 low digit",
    "effect 2", "parameter 2 high digit", "parameter 2 low digit",
};
constexpr const char* kSemitoneWords[12] = {"C", "C sharp", "D", "D sharp", "E", "F",
                                            "F sharp", "G", "G sharp", "A", "A sharp", "B"};

std::string Number(int value) { return std::to_string(value); }

std::string NoteWords(uint8_t note) {
  if (note >= kEmptyNote) return "no note";
  return std::string(kSemitoneWords[note % 12]) + " " + Number(note / 12);
}

// One effect and its parameter; "" for an empty slot.
std::string EffectWords(uint8_t effect, uint8_t param) {
  switch (effect) {
    case kEffectNone: return param == 0 ? "" : "no effect, parameter " + Number(param);
    case kEffectVolume: return "volume left " + Number(param >> 4) + " right " + Number(param & 15);
    case kEffectInstrument: return "instrument " + Number(param);
    case kEffectNoTrigger: return "no trigger";
    case kEffectMark: return "mark " + Number(param);
    case kEffectBreak: return "break";
    case kEffectSpeed: return "speed " + Number(param);
    case kEffectTempo: return "tempo " + Number(param);
    case kEffectJump: return "jump to position " + Number(param);
    case kEffectDetune: return "detune " + Number(static_cast<int8_t>(param));
    default: return "unknown effect " + Number(effect) + ", parameter " + Number(param);
  }
}

}  // namespace

std::string CursorWords(int track, const TrackCursor& cursor) {
  return "Track " + Number(track + 1) + ", row " + Number(cursor.CursorRow) + ", " +
         kColumnWords[cursor.CursorColumn & 7];
}

std::string CellWords(const PatternCell& cell) {
  std::string words = NoteWords(cell.Note);
  for (const std::string& effect : {EffectWords(cell.Effects >> 4, cell.Param1),
                                    EffectWords(cell.Effects & 15, cell.Param2)}) {
    if (!effect.empty()) words += ", " + effect;
  }
  return words;
}

}  // namespace kelmar
