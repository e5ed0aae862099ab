// The "Pattern Editor" page (TPattEd): one pattern as eight track columns of text beside
// the row numbers, the pattern selector, and the keyboard editing of the columns. The
// editing rules live in editors/pattern; this page turns Qt keys into those rules and
// keeps the columns' text, carets and focus in step with what they changed.
#pragma once

#include <QAccessible>
#include <QList>
#include <QString>
#include <QTextEdit>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/app_context.h"
#include "app/live_recorder.h"
#include "editors/pattern/block_commands.h"
#include "editors/pattern/pattern_marks.h"
#include "midi/midi_note.h"

class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QScrollBar;

namespace kelmar {

class TrackMemo;
struct KeyOutcome;
struct TextHit;

class PatternPage : public QWidget, private QAccessible::ActivationObserver {
  Q_OBJECT
 public:
  PatternPage(AppContext& ctx, QWidget* parent);
  ~PatternPage() override;

  // Rebuilds the eight track columns from CurrentPattern and puts every caret back at its
  // track's cursor. The pattern label and selector follow CurrentPattern too, so whoever
  // changed the pattern only needs to call this.
  void RefreshPatternView();
  // The page becomes visible: redraw, and the first track column takes the focus.
  void TPattEdShow();
  // The window's key preview on this page: the octave keys (F1..F4, with Shift the odd
  // octaves, unless bound otherwise) choose the entry octave. Returns true only for keys it
  // swallows; these keys still go on to the column.
  bool FormKeyDown(QKeyEvent* event);
  // A note from a MIDI keyboard: entered at the cursor of the focused track (the last one
  // focused while none is) as a note key enters it, as one "Note Entry" step. While
  // recording, it goes to the row being heard, a chord's notes to the tracks beside it.
  void PlayNote(const MidiNoteEvent& note);
  // Record: the focused track's cursor goes to the row being heard.
  void FollowHeardRow();
  LiveRecorder& recorder() { return recorder_; }

  // Edit menu: "Copy Track", "Paste Track", "Clone Pattern".
  void CopyTrack1Click();
  void PasteTrack1Click();
  void ClonePattern1Click();
  // Edit menu: the block commands. Each acts on the selection, or on the cursor's cell of
  // the focused track (the last one focused while none is).
  void SelectAllClick();
  void CutBlockClick();
  void CopyBlockClick();
  void PasteBlockClick();
  void TransposeClick(int semitones);
  void InterpolateClick();
  void SetInstrumentClick();
  // Edit menu: "Mute Track" and "Solo Track", for the live output only.
  void MuteTrackClick();
  void SoloTrackClick();
  // Draws the muted tracks' columns dimmed, in the song's colours.
  void ShowMutes();
  // Option / "Edit Step" (0..8) and "Highlight Rows" (0: off, 4, 8).
  void EditStepClick(int step);
  void HighlightRowsClick(int every);
  // The status line under the track columns: entry octave, current instrument and its file,
  // edit step, and Loop and Record while they are on. Call it whenever one of them changes;
  // it also redraws the cursor's cell, which Record colours.
  void ShowStatus();
  // Draws what lies behind the text (the beat rows, the block selection, the cursor's cell
  // in the track that takes the keys) where it changed since last drawn, and nothing
  // otherwise, so every change of the cursor, focus or selection may call it.
  void ShowMarks();
  // The player's row in the row numbers, red while Record is on.
  void ShowPlayRowColour();

  // Memo0, Memo1..Memo8, for the colours.
  QList<QWidget*> TextBoxes();
  // 0 = the row numbers (Memo0), 1..8 = the track columns of tracks 0..7.
  QPlainTextEdit* Memo(int index);

  // k = 1..8 gives the focus to the column of track k - 1; 0 does nothing.
  void FocusTrack(int k);
  // Character position of a track's caret in its column's text (12 characters a line).
  int CaretPosition(int track) const;
  // The user moved ScrollBarpatt.
  void ScrollBarpattScroll(int position);
  // The track (0..7) whose column has the keyboard focus, 255 when none has it.
  uint8_t FocusedTrack() const;
  // The track the commands act on: the focused one, or the last one focused.
  int CommandTrack() const;

  // Track column events (shared by the eight columns; track = the column's Tag).
  void Memo1Click(int track);
  // A press of the mouse on a character of track's column: the cursor goes there.
  void Memo1MouseDown(int track, const TextHit& hit, bool shift);
  // byClick: a press of the mouse brought the focus, and its Memo1MouseDown follows.
  void Memo1Enter(int track, bool byClick = false);
  // Key-down stage; true when the key is consumed (no character stage follows).
  bool Memo1KeyDown(int track, QKeyEvent* event);
  // Character stage.
  void Memo1KeyPress(int track, QKeyEvent* event);
  // The undo step a key makes, and recording it once both stages ran.
  const char* StepName(int track, const QKeyEvent* event) const;
  void KeyDone(const char* step, int track, const QKeyEvent* event);

 private:
  void PlaceCaret(int track);
  // The track column's accessible name and description: where its cursor stands, and the
  // cell there in words. Kept up only while assistive technology listens (and once at
  // start, for the names), so without it a key costs nothing more.
  void DescribeCursor(int track);
  void accessibilityActiveChanged(bool active) override;
  void ShowRows(int track, const std::array<bool, 32>& changed);
  void ShowPatternNumber();
  void Preview(int track, int note);
  void Follow(int track, const KeyOutcome& outcome);
  void FollowTyping(int track, int row, const std::array<char, 10>& rowText, KeyOutcome outcome);
  void SetMuted(uint8_t muted);
  bool RecordKey(int track, const QKeyEvent* event);
  void EnterNoteAtCursor(int note);
  void ShowRecorded(const RecordPlace& place);
  bool EditBlock(const std::function<bool(Song&, int, const BlockRange&)>& rule);

  // What one column's marks were drawn from; column 0 is the row numbers. The beat rows are
  // the lines' backgrounds, which a rewrite of their characters keeps; the selection and the
  // cursor's cell are extra selections, whose ends a rewrite of their lines moves.
  struct Beats {
    int every = -1;     // HighlightRows; -1: not drawn yet
    uint32_t text = 0;  // the song's colours
    uint32_t back = 0;
    bool operator==(const Beats&) const = default;
  };
  struct Marks {
    bool drawn = false;  // false: not drawn yet, or a line they stand on was rewritten
    int cursorRow = -1;  // the cursor's cell, -1 in the other columns
    CharSpan cursor;
    bool record = false;
    int firstRow = -1;  // the selected rows of this track, -1 for none
    int lastRow = -1;
    uint32_t text = 0;
    uint32_t back = 0;
    bool operator==(const Marks&) const = default;
  };
  Marks WantedMarks(int column, int commandTrack, const std::optional<BlockRange>& range) const;
  QList<QTextEdit::ExtraSelection> MarkList(int column, const Marks& marks);
  void ShowBeats(int column, const Beats& beats);
  // After ShowRows rewrote the changed rows of a track: its marks are drawn again if they
  // stand on one of them.
  void MarksRewritten(int track, const std::array<bool, 32>& changed);

  AppContext& ctx_;
  LiveRecorder recorder_{ctx_};
  QLabel* label34_ = nullptr;
  QLabel* labelpatt_ = nullptr;
  QScrollBar* scrollBarpatt_ = nullptr;
  QPlainTextEdit* memo0_ = nullptr;
  std::array<TrackMemo*, 8> tracks_{};
  QLabel* statusLine_ = nullptr;
  std::array<Beats, 9> beatsShown_{};
  std::array<Marks, 9> marksShown_{};
  // The row texts each column shows: a redraw rewrites only the lines that differ, since
  // laying text out is what a redraw costs.
  using RowTexts = std::array<std::array<char, 10>, 32>;
  std::array<RowTexts, 8> shownRows_{};
  bool settingScrollBar_ = false;
  bool recordShown_ = false;  // what the status line showed last, for announcing a switch
  bool loopShown_ = false;
  int lastTrack_ = 0;
  int clickedFrom_ = -1;  // the track that had the keyboard before a click took it; -1: none
  // The last block copied here: while the system clipboard still holds its text, a paste
  // takes the exact cells (the text shows some bytes alike).
  PatternBlock copiedBlock_;
};

}  // namespace kelmar
