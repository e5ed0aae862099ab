// Where a click fell in one of the pages' read-only text boxes.
#pragma once

#include <QPlainTextEdit>
#include <QTextBlock>

namespace kelmar {

struct TextHit {
  int line = 0;
  int character = 0;  // within the line
};

// The character under the point, not the caret place nearest to it: a click on the right
// half of a character is still on that character.
inline TextHit CharacterAt(const QPlainTextEdit& box, QPoint point) {
  const QTextCursor cursor = box.cursorForPosition(point);
  int character = cursor.positionInBlock();
  if (character > 0 && box.cursorRect(cursor).left() > point.x()) --character;
  return {cursor.blockNumber(), character};
}

}  // namespace kelmar
