// The instrument editor's controls as data: which field each scroll bar edits, its range,
// large step, hint and label text, and the rules that store a control's position and
// refresh a control from its field. The page builds its widgets from these tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/song.h"

namespace kelmar {

// A decimal number right-aligned in 4 characters; a longer number is not cut.
std::string Padded(int value);
// "Instrument  00" .. "Instrument  FF".
std::string InstrumentCaption(uint8_t instrument);
// NzeFreq label: " off" for 0, else a blank, the note name and the octave (" C-0" .. " B-7").
std::string NoiseNoteName(uint8_t value);
// The name of semitone 0..11 ("C-", "C#", ... "B-").
const char* SemitoneName(int semitone);
// ScrollBarP1's hint after a move: "(128) Controls Sweep Preview".
std::string SweepPreviewHint(int position);
constexpr const char* kSweepPreviewHint = "Controls Sweep Preview";

struct ControlInfo {
  const char* Name;     // object name of the scroll bar
  const char* Label;    // object name of its value label
  const char* Caption;  // caption at the left (modulator and envelope rows), or the hint
  int Min, Max, LargeStep;
  int Field;            // instrument byte offset (envelope rows: offset inside the envelope)
  bool Signed;
};

// --- oscillator strip: ScrollBar1..ScrollBar9 (Caption holds the hint) ---
constexpr int kOscillatorControlCount = 9;
const std::array<ControlInfo, kOscillatorControlCount>& OscillatorControls();

// Stores the value's low byte in instrument byte `field` (0..8); returns the label text,
// the stored byte read as i8 when `isSigned`, else as u8.
std::string StoreOscillatorValue(Instrument& instrument, int field, int value, bool isSigned);

// What refreshing one oscillator control from its field shows. The position is the field
// limited to the control's range; a field outside the range (an amplitude of -128 from a
// file) is shown at the control's end with its real value in the label and left as it is,
// so looking at an instrument never changes it.
struct ControlView {
  int Position;
  std::string Label;
};
ControlView OscillatorView(const Instrument& instrument, const ControlInfo& info);

// --- envelope rows, in refresh order: As, Av, Ds, Dv, Ss, Sv, Rs, Rv, ST ---
constexpr int kEnvelopeControlCount = 9;
const std::array<ControlInfo, kEnvelopeControlCount>& EnvelopeControls();
Envelope& CurrentEnvelope(Instrument& instrument, uint8_t tab);
// The drawing in words: "start 0, step 1 length 4 value 255, ..."; a skipped step says so.
std::string EnvelopeWords(const Envelope& envelope);
const Envelope& CurrentEnvelope(const Instrument& instrument, uint8_t tab);
// Stores the value in byte `field` (0..8) of the envelope; returns the label text.
std::string StoreEnvelopeValue(Envelope& envelope, int field, int value);

// --- modulator pages: 0 "Arpeggio", 1 "Noise", 2 "Portamento", 3 "Vibrato" ---
constexpr int kModulatorPageCount = 4;
struct ModulatorPageInfo {
  const char* Title;
  const ControlInfo* Rows;
  int RowCount;
  const char* EnableBox;  // object name of the "Enable" check box, or nullptr
  int EnableField;        // instrument byte of the enable switch
};
const std::array<ModulatorPageInfo, kModulatorPageCount>& ModulatorPages();
// The label of a modulator row for a field value (the real value, not the limited one).
std::string ModulatorLabel(const ControlInfo& info, int value);
// The field's value as the label reads it (i8 for signed fields).
int FieldValue(const Instrument& instrument, const ControlInfo& info);

}  // namespace kelmar
