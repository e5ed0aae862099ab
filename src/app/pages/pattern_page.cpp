#include "app/pages/pattern_page.h"
#include "app/pages/song_color.h"

#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "app/access/bar_keys.h"
#include "app/access/control_names.h"
#include "app/fixed_font.h"
#include "app/pages/track_memo.h"
#include "editors/pattern/block_selection.h"
#include "editors/pattern/cell_words.h"
#include "editors/pattern/pattern_keys.h"
#include "editors/pattern/pattern_status.h"
#include "editors/pattern/pattern_text.h"
#include "editors/pattern/pattern_tools.h"
#include "editors/pattern/track_mutes.h"

namespace kelmar {

namespace {

constexpr int kFontPixels = 11;
constexpr int kLineLength = kRowTextLength + 1;  // a line of the widget's document and its break
// The status line lies over the bottom of the columns, below row 31, where they show nothing:
// the page has no free strip of its own under them.
constexpr QRect kStatusLine(3, 462, 646, 16);

// Halfway between the text and the background: a muted track's text.
QColor Dimmed(uint32_t text, uint32_t back) {
  const QColor a = ToQColor(text);
  const QColor b = ToQColor(back);
  return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// Read-only text box of the page: fixed font, no wrapping, no scroll bars, undo off.
void SetUpTextBox(QPlainTextEdit* box, const SongSettings& settings) {
  box->setReadOnly(true);
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setWordWrapMode(QTextOption::NoWrap);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setFont(FixedPitchFont(kFontPixels));
  box->setUndoRedoEnabled(false);
  box->setContextMenuPolicy(Qt::NoContextMenu);
  box->document()->setDocumentMargin(2);
  QPalette palette = box->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Text, ToQColor(settings.TextColor));
    palette.setColor(group, QPalette::Base, ToQColor(settings.BackColor));
  }
  box->setPalette(palette);
}

}  // namespace

PatternPage::PatternPage(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  label34_ = new QLabel(QStringLiteral("Pattern"), this);
  label34_->setObjectName(QStringLiteral("Label34"));
  label34_->setGeometry(8, 7, 68, 17);

  labelpatt_ = new QLabel(this);
  labelpatt_->setObjectName(QStringLiteral("Labelpatt"));
  labelpatt_->setGeometry(82, 7, 26, 17);
  labelpatt_->setTextFormat(Qt::PlainText);

  scrollBarpatt_ = new QScrollBar(Qt::Horizontal, this);
  scrollBarpatt_->setObjectName(QStringLiteral("ScrollBarpatt"));
  scrollBarpatt_->setGeometry(117, 8, 532, 12);
  scrollBarpatt_->setRange(0, kPatternCount - 1);
  scrollBarpatt_->setPageStep(1);  // a page click steps one pattern, as "+" and "-" do
  TakeKeyboard(scrollBarpatt_);
  Describe(scrollBarpatt_, label34_->text());
  connect(scrollBarpatt_, &QScrollBar::valueChanged, this, [this](int value) {
    if (!settingScrollBar_) ScrollBarpattScroll(value);
  });

  memo0_ = new QPlainTextEdit(this);
  memo0_->setObjectName(QStringLiteral("Memo0"));
  memo0_->setGeometry(3, 30, 22, 457);
  SetUpTextBox(memo0_, ctx_.settings);
  memo0_->setEnabled(false);
  memo0_->setPlainText(QString::fromStdString(RowNumberText("\n")));
  memo0_->setAccessibleName(QStringLiteral("Row numbers"));

  for (int t = 0; t < kTrackCount; ++t) {
    auto* memo = new TrackMemo(*this, t, this);
    memo->setObjectName(QStringLiteral("Memo%1").arg(t + 1));
    memo->setGeometry(25 + 78 * t, 30, 78, 457);
    SetUpTextBox(memo, ctx_.settings);
    // Selectable by keyboard so that the caret shows; the keys themselves never reach the box.
    memo->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    memo->setFocusPolicy(Qt::StrongFocus);
    tracks_[t] = memo;
  }
  for (int t = 0; t + 1 < kTrackCount; ++t) setTabOrder(tracks_[t], tracks_[t + 1]);
  setTabOrder(tracks_[kTrackCount - 1], scrollBarpatt_);

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName(QStringLiteral("StatusLine"));
  statusLine_->setGeometry(kStatusLine);
  statusLine_->setTextFormat(Qt::PlainText);
  statusLine_->setIndent(3);  // the text starts where the row numbers do
  statusLine_->setFont(FixedPitchFont(kFontPixels));
  statusLine_->setAttribute(Qt::WA_TransparentForMouseEvents);  // a click still reaches the column below
  statusLine_->raise();

  RefreshPatternView();
  ShowStatus();
  QAccessible::installActivationObserver(this);
}

PatternPage::~PatternPage() { QAccessible::removeActivationObserver(this); }

void PatternPage::accessibilityActiveChanged(bool active) {
  for (int t = 0; active && t < kTrackCount; ++t) DescribeCursor(t);
}

QPlainTextEdit* PatternPage::Memo(int index) {
  if (index == 0) return memo0_;
  return index >= 1 && index <= kTrackCount ? tracks_[index - 1] : nullptr;
}

QList<QWidget*> PatternPage::TextBoxes() {
  QList<QWidget*> boxes{memo0_};
  for (TrackMemo* memo : tracks_) boxes.append(memo);
  return boxes;
}

int PatternPage::CaretPosition(int track) const { return kelmar::CaretPosition(ctx_.state, track); }

void PatternPage::PlaceCaret(int track) {
  QPlainTextEdit* memo = tracks_[track];
  const int position = kelmar::CaretPosition(ctx_.state, track, kLineLength);
  QTextCursor cursor = memo->textCursor();
  // A caret that already stands there is left alone: setting it again would lay its line
  // out and repaint it for nothing (ShowRows keeps such a caret in place).
  if (cursor.position() != position || cursor.hasSelection()) {
    cursor.setPosition(position);
    memo->setTextCursor(cursor);
  }
  ShowMarks();  // the cursor's cell follows the caret
  DescribeCursor(track);
}

void PatternPage::DescribeCursor(int track) {
  if (!QAccessible::isActive() && !tracks_[track]->accessibleName().isEmpty()) return;
  const TrackCursor& cursor = ctx_.state.TrackCursors[track];
  const PatternCell& cell = ctx_.engine.song.Cell(ctx_.state.CurrentPattern, track, cursor.CursorRow);
  // Only a text that changed is set, so a screen reader hears only what moved or changed.
  const auto show = [](QWidget* box, const QString& name, const QString& description) {
    if (!name.isEmpty() && box->accessibleName() != name) box->setAccessibleName(name);
    if (box->accessibleDescription() != description) box->setAccessibleDescription(description);
  };
  show(tracks_[track], QString::fromStdString(CursorWords(track, cursor)), QString::fromStdString(CellWords(cell)));
  if (track == CommandTrack()) show(memo0_, QString(), QStringLiteral("Row %1").arg(cursor.CursorRow));
}

void PatternPage::ShowPatternNumber() {
  const int pattern = ctx_.state.CurrentPattern;
  labelpatt_->setText(QString::fromLatin1(PatternLabelText(pattern).c_str()));
  settingScrollBar_ = true;
  scrollBarpatt_->setValue(pattern);
  settingScrollBar_ = false;
}

void PatternPage::RefreshPatternView() {
  // A selection belongs to the pattern it was made in.
  if (ctx_.state.Selection.Pattern != ctx_.state.CurrentPattern) ClearSelection(ctx_.state);
  ShowPatternNumber();
  const Song& song = ctx_.engine.song;
  for (int t = 0; t < kTrackCount; ++t) {
    std::array<bool, kRowCount> changed{};
    for (int r = 0; r < kRowCount; ++r) {
      std::array<char, kRowTextLength> row;
      WriteRowText(song.Cell(ctx_.state.CurrentPattern, t, r), row.data());
      if (row != shownRows_[t][r]) {
        shownRows_[t][r] = row;
        changed[r] = true;
      }
    }
    ShowRows(t, changed);
  }
  for (int t = 0; t < kTrackCount; ++t) PlaceCaret(t);
  ShowMarks();
}

// Writes the marked lines of shownRows_ into the column, in one edit so that the box lays
// its text out once.
void PatternPage::ShowRows(int track, const std::array<bool, kRowCount>& changed) {
  QTextDocument* document = tracks_[track]->document();
  if (document->blockCount() != kRowCount) {
    QString text;
    for (int r = 0; r < kRowCount; ++r) {
      if (r > 0) text += QLatin1Char('\n');
      text += QLatin1String(shownRows_[track][r].data(), kRowTextLength);
    }
    tracks_[track]->setPlainText(text);
    beatsShown_[track + 1] = {};
    marksShown_[track + 1] = {};
    return;
  }
  // Every line holds kRowTextLength characters, so row r starts at kLineLength x r. Each
  // line is one replacement, with the format the column's text already has (a plain
  // insertText would look that format up again for every line).
  QTextCursor edit(document);
  QTextCharFormat format;
  QString line(kRowTextLength, QLatin1Char(' '));
  // A caret already at its track's cursor is kept there, so that PlaceCaret has nothing to
  // do. A replacement moves a caret inside the replaced text to the text's end; on the
  // caret's line, the text from the caret on is therefore written after the old text
  // first and the old text removed afterwards, which leaves the caret where it was.
  const QTextCursor caret = tracks_[track]->textCursor();
  const int keep = !caret.hasSelection() && caret.position() == kelmar::CaretPosition(ctx_.state, track, kLineLength)
                       ? caret.position()
                       : -1;
  bool editing = false;
  for (int r = 0; r < kRowCount; ++r) {
    if (!changed[r]) continue;
    const int start = r * kLineLength;
    const int end = start + kRowTextLength;
    if (!editing) {
      edit.beginEditBlock();
      edit.setPosition(start);
      format = edit.charFormat();
      format.clearProperty(QTextFormat::ObjectType);
      editing = true;
    }
    QChar* chars = line.data();
    for (int i = 0; i < kRowTextLength; ++i) chars[i] = QLatin1Char(shownRows_[track][r][i]);
    if (keep < start || keep >= end) {
      edit.setPosition(start);
      edit.setPosition(end, QTextCursor::KeepAnchor);
      edit.insertText(line, format);
      continue;
    }
    const int head = keep - start;
    if (head > 0) {
      edit.setPosition(start);
      edit.setPosition(keep, QTextCursor::KeepAnchor);
      edit.insertText(line.left(head), format);
    }
    edit.setPosition(end);
    edit.insertText(line.mid(head), format);
    edit.setPosition(keep);
    edit.setPosition(end, QTextCursor::KeepAnchor);
    edit.removeSelectedText();
  }
  if (!editing) return;
  edit.endEditBlock();
  MarksRewritten(track, changed);
}

void PatternPage::TPattEdShow() {
  RefreshPatternView();
  FocusTrack(1);
  ShowStatus();
}

void PatternPage::FocusTrack(int k) {
  if (k < 1 || k > kTrackCount) return;
  tracks_[k - 1]->setFocus(Qt::OtherFocusReason);
  // Also where focus events are not delivered (a window not yet active).
  PlaceCaret(k - 1);
}

void PatternPage::ScrollBarpattScroll(int position) {
  ctx_.state.CurrentPattern = static_cast<uint8_t>(position);
  RefreshPatternView();
  FocusTrack(1);
}

uint8_t PatternPage::FocusedTrack() const {
  // The window's focused control, which an open menu does not take away.
  const QWidget* focused = window()->focusWidget();
  for (int t = 0; t < kTrackCount; ++t) {
    if (tracks_[t] == focused) return static_cast<uint8_t>(t);
  }
  return kNoTrack;
}

void PatternPage::Memo1Click(int track) { PlaceCaret(track); }

void PatternPage::Memo1MouseDown(int track, const TextHit& hit, bool shift) {
  // Shift draws the selection on from the cursor of the track that had the keyboard.
  const int from = clickedFrom_ >= 0 ? clickedFrom_ : CommandTrack();
  clickedFrom_ = -1;
  ClickCell(ctx_.state, track, hit.line, hit.character, shift, from);
  PlaceCaret(track);
}

void PatternPage::Memo1Enter(int track, bool byClick) {
  clickedFrom_ = byClick ? lastTrack_ : -1;
  lastTrack_ = track;
  PlaceCaret(track);
}

void PatternPage::ShowStatus() {
  QPalette palette = statusLine_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(ShownTextColor(ctx_.settings, ctx_.state)));
  statusLine_->setPalette(palette);
  statusLine_->setText(QString::fromStdString(PatternStatusText(ctx_.state)));
  // Record and Loop switch from the menu while the keyboard stays in the columns.
  const bool record = ctx_.state.Record;
  const bool loop = ctx_.state.LoopPattern;
  if (record != recordShown_) ctx_.views.Announce(QString::fromLatin1(record ? "Record on" : "Record off"));
  if (loop != loopShown_) ctx_.views.Announce(QString::fromLatin1(loop ? "Loop on" : "Loop off"));
  recordShown_ = record;
  loopShown_ = loop;
  ShowMarks();  // Record colours the cursor's cell
  ShowPlayRowColour();
}

void PatternPage::EditStepClick(int step) {
  ctx_.state.EditStep = static_cast<uint8_t>(step);
  ShowStatus();
}

void PatternPage::ShowMutes() {
  const uint32_t shownText = ShownTextColor(ctx_.settings, ctx_.state);
  const QColor text = ToQColor(shownText);
  const QColor dimmed = Dimmed(shownText, ShownBackColor(ctx_.settings, ctx_.state));
  for (int t = 0; t < kTrackCount; ++t) {
    QPalette palette = tracks_[t]->palette();
    const QColor wanted = IsMuted(ctx_.engine.MutedTracks, t) ? dimmed : text;
    if (palette.color(QPalette::Text) == wanted) continue;
    palette.setColor(QPalette::Text, wanted);
    tracks_[t]->setPalette(palette);
  }
  ShowMarks();
}

}  // namespace kelmar
