// Where "Play Song", "Play Pattern" and "Play from Cursor" start, which rows a pattern
// played alone loops over while Loop Pattern is on, and what "Export Audio..." renders.
#pragma once

#include <cstdint>
#include <optional>

#include "editors/editor_state.h"
#include "engine/song.h"
#include "engine/song_render.h"

namespace kelmar {

enum class PlayFrom : uint8_t {
  Song,     // F5: the order cursor's entry, row 0
  Pattern,  // F6: the shown pattern alone, row 0 (with a loop over a selection, its first row)
  Cursor,   // F7: the shown pattern from the cursor's row, in the song when the order cursor plays it
};

struct PlayStart {
  uint8_t orderPos = 0;
  uint8_t row = 0;
  uint16_t patternMode = 0;  // 0: the song; else the pattern played alone + 1
  uint8_t loopFirst = 0;     // the rows a pattern played alone loops over
  uint8_t loopLast = kRowCount - 1;
};

// cursorRow: the row of the cursor of the track the commands act on.
PlayStart StartOf(PlayFrom from, const Song& song, const EditorState& state, int cursorRow);

enum class ExportFrom : uint8_t {
  Song,         // the whole song from the first order entry
  OrderCursor,  // the song from the order cursor's entry
  Pattern,      // the shown pattern's 32 rows
  Selection,    // the rows of the selection in the shown pattern
};

// Nothing for Selection while no rows of the shown pattern are selected.
std::optional<RenderRange> ExportRangeOf(ExportFrom from, const EditorState& state);

}  // namespace kelmar
