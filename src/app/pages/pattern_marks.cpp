// The pattern page's marks behind the text: the beat rows in every column, the block
// selection, and on top the cursor's cell in the track that takes the keys. The beat rows
// are the lines' backgrounds, the others the text boxes' extra selections, so the characters
// stay the row texts. A column's marks are set again only when what they show has changed:
// the column is laid out and repainted where they are.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <optional>

#include "app/pages/pattern_page.h"
#include "app/pages/song_color.h"
#include "editors/pattern/block_selection.h"

namespace kelmar {
namespace {

constexpr int kBeatPercent = 14;  // of the way from the background to the text colour
constexpr int kCursorPercent = 40;
constexpr int kRecordPercent = 70;  // of the way to the recording red
const QColor kRecordRed(255, 0, 0);

QColor Towards(const QColor& from, const QColor& to, int percent) {
  auto mix = [percent](int a, int b) { return a + (b - a) * percent / 100; };
  return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}

QTextCharFormat Background(const QColor& color) {
  QTextCharFormat format;
  format.setBackground(color);
  return format;
}

QTextEdit::ExtraSelection SpanMark(QTextDocument* document, int line, CharSpan span, const QTextCharFormat& format) {
  QTextCursor at(document->findBlockByNumber(line));
  const int start = at.position() + span.first;
  at.setPosition(start);
  at.setPosition(start + span.length, QTextCursor::KeepAnchor);
  return {at, format};
}

}  // namespace

PatternPage::Marks PatternPage::WantedMarks(int column, int commandTrack,
                                            const std::optional<BlockRange>& range) const {
  Marks marks;
  marks.drawn = true;
  marks.text = ShownTextColor(ctx_.settings, ctx_.state);
  marks.back = ShownBackColor(ctx_.settings, ctx_.state);
  const int track = column - 1;
  if (track < 0) return marks;
  if (track == commandTrack) {
    const TrackCursor& cursor = ctx_.state.TrackCursors[track];
    marks.cursorRow = cursor.CursorRow;
    marks.cursor = CursorCellSpan(cursor.CursorColumn);
    marks.record = ctx_.state.Record;
  }
  if (range && track >= range->firstTrack && track <= range->lastTrack) {
    marks.firstRow = range->firstRow;
    marks.lastRow = range->lastRow;
  }
  return marks;
}

QList<QTextEdit::ExtraSelection> PatternPage::MarkList(int column, const Marks& marks) {
  QTextDocument* document = Memo(column)->document();
  const QColor text = ToQColor(marks.text);
  const QColor back = ToQColor(marks.back);
  QList<QTextEdit::ExtraSelection> list;
  if (marks.firstRow >= 0) {  // the selected rows' texts, inverted, as one span
    QTextCharFormat inverted = Background(text);
    inverted.setForeground(back);
    QTextCursor rows(document->findBlockByNumber(marks.firstRow));
    rows.setPosition(document->findBlockByNumber(marks.lastRow).position() + kRowTextLength, QTextCursor::KeepAnchor);
    list.append({rows, inverted});
  }
  if (marks.cursorRow >= 0) {
    const QColor box = marks.record ? Towards(back, kRecordRed, kRecordPercent) : Towards(back, text, kCursorPercent);
    list.append(SpanMark(document, marks.cursorRow, marks.cursor, Background(box)));
  }
  return list;
}

// Every line's background, in one edit so that the column lays its text out once.
void PatternPage::ShowBeats(int column, const Beats& beats) {
  QTextDocument* document = Memo(column)->document();
  const QBrush beat(Towards(ToQColor(beats.back), ToQColor(beats.text), kBeatPercent));
  QTextCursor edit(document);
  edit.beginEditBlock();
  for (QTextBlock line = document->begin(); line.isValid(); line = line.next()) {
    QTextBlockFormat format = line.blockFormat();
    if (IsBeatRow(line.blockNumber(), beats.every))
      format.setBackground(beat);
    else
      format.clearBackground();
    edit.setPosition(line.position());
    edit.setBlockFormat(format);
  }
  edit.endEditBlock();
}

void PatternPage::MarksRewritten(int track, const std::array<bool, kRowCount>& changed) {
  Marks& shown = marksShown_[track + 1];
  bool moved = shown.cursorRow >= 0 && changed[shown.cursorRow];
  for (int row = std::max(shown.firstRow, 0); row <= shown.lastRow; ++row) moved = moved || changed[row];
  if (moved) shown.drawn = false;
}

void PatternPage::ShowMarks() {
  const int commandTrack = CommandTrack();
  const std::optional<BlockRange> range = SelectedRange(ctx_.state);
  const Beats beats{ctx_.state.HighlightRows, ShownTextColor(ctx_.settings, ctx_.state),
                    ShownBackColor(ctx_.settings, ctx_.state)};
  for (int column = 0; column <= kTrackCount; ++column) {
    if (beats != beatsShown_[column]) {
      beatsShown_[column] = beats;
      ShowBeats(column, beats);
    }
    const Marks wanted = WantedMarks(column, commandTrack, range);
    if (wanted == marksShown_[column]) continue;
    marksShown_[column] = wanted;
    Memo(column)->setExtraSelections(MarkList(column, wanted));
  }
}

void PatternPage::ShowPlayRowColour() {
  // The player's row in the row numbers: the recording red while Record is on.
  const QColor wanted = ctx_.state.Record ? kRecordRed : palette().color(QPalette::Highlight);
  QPalette rows = memo0_->palette();
  if (rows.color(QPalette::Disabled, QPalette::Highlight) == wanted) return;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    rows.setColor(group, QPalette::Highlight, wanted);
  memo0_->setPalette(rows);
}

void PatternPage::HighlightRowsClick(int every) {
  ctx_.state.HighlightRows = static_cast<uint8_t>(every);
  ShowMarks();
}

}  // namespace kelmar
