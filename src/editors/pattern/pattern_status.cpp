#include "editors/pattern/pattern_status.h"

#include <filesystem>

#include "editors/pattern/pattern_text.h"

namespace kelmar {
namespace {

constexpr const char* kGap = "   ";

}  // namespace

std::string PatternStatusText(const EditorState& state) {
  std::string text = "Octave " + std::to_string(state.EntryOctave);
  text += kGap;
  text += "Instrument " + HexByte(state.CurrentInstrument);
  const std::string file = std::filesystem::path(state.InstrumentFiles[state.CurrentInstrument]).filename().string();
  if (!file.empty()) text += " " + file;
  text += kGap;
  text += "Step " + std::to_string(state.EditStep);
  if (state.LoopPattern) text += std::string(kGap) + "Loop";
  if (state.Record) text += std::string(kGap) + "Record";
  return text;
}

void ForgetInstrumentFiles(EditorState& state) {
  for (std::string& file : state.InstrumentFiles) file.clear();
}

}  // namespace kelmar
