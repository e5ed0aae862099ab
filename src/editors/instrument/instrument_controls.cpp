#include "editors/instrument/instrument_controls.h"

#include <algorithm>
#include <cstdio>

namespace kelmar {

std::string Padded(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%4d", value);
  return text;
}

std::string InstrumentCaption(uint8_t instrument) {
  char text[32];
  std::snprintf(text, sizeof text, "Instrument  %02X", instrument);
  return text;
}

const char* SemitoneName(int semitone) {
  static const char* const kNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
  return kNames[((semitone % 12) + 12) % 12];
}

std::string NoiseNoteName(uint8_t value) {
  if (value == 0) return " off";
  const int n = value - 1;
  // The control stops at 96 (B-7); a larger byte from a file still gets a name.
  return std::string(" ") + SemitoneName(n % 12) + std::to_string(n / 12);
}

std::string SweepPreviewHint(int position) { return "(" + std::to_string(position) + ") Controls Sweep Preview"; }

const std::array<ControlInfo, kOscillatorControlCount>& OscillatorControls() {
  static const std::array<ControlInfo, kOscillatorControlCount> kControls = {{
      {"ScrollBar1", "Label1", "Source Osc1 Amplitude", -127, 127, 16, 1, true},
      {"ScrollBar2", "Label2", "Source Osc1 Waveform", 0, 255, 16, 2, false},
      {"ScrollBar3", "Label3", "Source Osc2 Amplitude", -127, 127, 16, 3, true},
      {"ScrollBar4", "Label4", "Source Osc2 Waveform", 0, 255, 16, 4, false},
      {"ScrollBar5", "Label5", "Destination Osc1 Amplitude", -127, 127, 16, 5, true},
      {"ScrollBar6", "Label6", "Destination Osc1 Waveform", 0, 255, 16, 6, false},
      {"ScrollBar7", "Label7", "Destination Osc2 Amplitude", -127, 127, 16, 7, true},
      {"ScrollBar8", "Label8", "Destination Osc2 Waveform", 0, 255, 16, 8, false},
      {"ScrollBar9", "Label9", "Control Volume->Filter Envelope 0=no lowpass", 0, 255, 16, 0, false},
  }};
  return kControls;
}

std::string StoreOscillatorValue(Instrument& instrument, int field, int value, bool isSigned) {
  const auto byte = static_cast<uint8_t>(value & 0xFF);
  instrument.bytes()[field] = byte;
  return Padded(isSigned ? static_cast<int8_t>(byte) : byte);
}

int FieldValue(const Instrument& instrument, const ControlInfo& info) {
  const uint8_t byte = instrument.bytes()[info.Field];
  return info.Signed ? static_cast<int8_t>(byte) : byte;
}

ControlView OscillatorView(const Instrument& instrument, const ControlInfo& info) {
  const int value = FieldValue(instrument, info);
  return {std::clamp(value, info.Min, info.Max), Padded(value)};
}

const std::array<ControlInfo, kEnvelopeControlCount>& EnvelopeControls() {
  static const std::array<ControlInfo, kEnvelopeControlCount> kControls = {{
      {"ScrollBarAs", "LabelAs", "Step 1 Length", 0, 255, 16, 0, false},
      {"ScrollBarAv", "LabelAv", "Value", 0, 255, 16, 5, false},
      {"ScrollBarDs", "LabelDs", "Step 2 Length", 0, 255, 16, 1, false},
      {"ScrollBarDv", "LabelDv", "Value", 0, 255, 16, 6, false},
      {"ScrollBarSs", "LabelSs", "Step 3 Length", 0, 255, 16, 2, false},
      {"ScrollBarSv", "LabelSv", "Value", 0, 255, 16, 7, false},
      {"ScrollBarRs", "LabelRs", "Step 4 Length", 0, 255, 16, 3, false},
      {"ScrollBarRv", "LabelRv", "Value", 0, 255, 16, 8, false},
      {"ScrollBarST", "LabelST", "Start", 0, 255, 16, 4, false},
  }};
  return kControls;
}

std::string EnvelopeWords(const Envelope& envelope) {
  std::string words = "start " + std::to_string(envelope.Start);
  for (int step = 0; step < 4; ++step) {
    words += ", step " + std::to_string(step + 1);
    words += envelope.Len(step) == 0 ? std::string(" skipped")
                                     : " length " + std::to_string(envelope.Len(step)) + " value " +
                                           std::to_string(envelope.Val(step));
  }
  return words;
}

Envelope& CurrentEnvelope(Instrument& instrument, uint8_t tab) {
  return tab == 0 ? instrument.VolEnv : instrument.SweepEnv;
}
const Envelope& CurrentEnvelope(const Instrument& instrument, uint8_t tab) {
  return tab == 0 ? instrument.VolEnv : instrument.SweepEnv;
}

std::string StoreEnvelopeValue(Envelope& envelope, int field, int value) {
  const auto byte = static_cast<uint8_t>(value & 0xFF);
  reinterpret_cast<uint8_t*>(&envelope)[field] = byte;
  return Padded(byte);
}

namespace {

const ControlInfo kArpeggioRows[] = {
    {"ScrollBarArpDelay", "LabelArpDelay", "Delay", 0, 255, 16, 27, false},
    {"ScrollBarArpSpeed", "LabelArpSpeed", "Speed", 0, 255, 16, 28, false},
    {"ScrollBarArpRepeat", "LabelArpRepeat", "Repeat @", 0, 3, 1, 29, false},
    {"ScrollBarArp1", "LabelArp1", "Arp 1", -72, 72, 12, 30, true},
    {"ScrollBarArp2", "LabelArp2", "Arp 2", -72, 72, 12, 31, true},
    {"ScrollBarArp3", "LabelArp3", "Arp 3", -72, 72, 12, 32, true},
};
const ControlInfo kNoiseRows[] = {
    {"ScrollBarNzeDelay", "LabelNzeDelay", "Delay", 0, 255, 16, 33, false},
    {"ScrollBarNzeFreq", "LabelNzeFreq", "Freq override", 0, 96, 12, 34, false},
    {"ScrollBarNzeLen1", "LabelNzeLen1", "Step 1 Length", 0, 255, 16, 35, false},
    {"ScrollBarNzePause", "LabelNzePause", "Pause", 0, 255, 16, 36, false},
    {"ScrollBarNzeLen2", "LabelNzeLen2", "Step 2 Length", 0, 255, 16, 37, false},
};
const ControlInfo kPortamentoRows[] = {
    {"ScrollBarPMDelay", "LabelPMDelay", "Delay", 0, 255, 16, 39, false},
    {"ScrollBarPMSpeed", "LabelPMSpeed", "Speed", 0, 255, 16, 40, false},
    {"ScrollBarPMLen", "LabelPMLen", "Length", 0, 255, 16, 41, false},
    {"ScrollBarPMVal", "LabelPMVal", "Value", -128, 127, 16, 42, true},
};
const ControlInfo kVibratoRows[] = {
    {"ScrollBarVibDelay", "LabelVibDelay", "Delay", 0, 255, 16, 44, false},
    {"ScrollBarVibSpeed", "LabelVibSpeed", "Speed", 0, 255, 16, 45, false},
    {"ScrollBarVibDepth", "LabelVibDepth", "Depth", 0, 15, 4, 46, false},
};

}  // namespace

const std::array<ModulatorPageInfo, kModulatorPageCount>& ModulatorPages() {
  static const std::array<ModulatorPageInfo, kModulatorPageCount> kPages = {{
      {"Arpeggio", kArpeggioRows, 6, nullptr, -1},
      {"Noise", kNoiseRows, 5, "CheckBoxN", 38},
      {"Portamento", kPortamentoRows, 4, "CheckBoxP", 43},
      {"Vibrato", kVibratoRows, 3, "CheckBoxV", 47},
  }};
  return kPages;
}

std::string ModulatorLabel(const ControlInfo& info, int value) {
  if (info.Field == offsetof(Instrument, ArpRepeat) && value == 0) return "  off";
  if (info.Field == offsetof(Instrument, NzeFreq)) return NoiseNoteName(static_cast<uint8_t>(value));
  return Padded(value);
}

}  // namespace kelmar
