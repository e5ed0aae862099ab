#include "editors/pattern/play_start.h"

#include <optional>

#include "editors/pattern/block_selection.h"

namespace kelmar {

PlayStart StartOf(PlayFrom from, const Song& song, const EditorState& state, int cursorRow) {
  PlayStart start;
  if (from == PlayFrom::Song) {
    start.orderPos = state.OrderRow;
    return start;
  }
  const uint8_t pattern = state.CurrentPattern;
  start.row = from == PlayFrom::Cursor ? static_cast<uint8_t>(cursorRow) : 0;
  const OrderEntry entry = song.Order[state.OrderRow];
  if (from == PlayFrom::Cursor && OrderCommandOf(entry) == kOrderPlay && OrderParamOf(entry) == pattern) {
    start.orderPos = state.OrderRow;
    return start;
  }
  start.patternMode = static_cast<uint16_t>(pattern + 1);
  // A selection of the shown pattern is what loops; a start outside it starts at its top.
  const std::optional<BlockRange> range = SelectedRange(state);
  if (!range) return start;
  start.loopFirst = static_cast<uint8_t>(range->firstRow);
  start.loopLast = static_cast<uint8_t>(range->lastRow);
  if (state.LoopPattern && (start.row < start.loopFirst || start.row > start.loopLast || from == PlayFrom::Pattern))
    start.row = start.loopFirst;
  return start;
}

std::optional<RenderRange> ExportRangeOf(ExportFrom from, const EditorState& state) {
  RenderRange range;
  if (from == ExportFrom::Song) return range;
  if (from == ExportFrom::OrderCursor) {
    range.orderPos = state.OrderRow;
    return range;
  }
  range.pattern = state.CurrentPattern;
  if (from == ExportFrom::Pattern) return range;
  const std::optional<BlockRange> rows = SelectedRange(state);
  if (!rows) return std::nullopt;
  range.firstRow = static_cast<uint8_t>(rows->firstRow);
  range.lastRow = static_cast<uint8_t>(rows->lastRow);
  return range;
}

}  // namespace kelmar
