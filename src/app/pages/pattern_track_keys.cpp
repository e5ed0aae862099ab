// The keyboard of the pattern page's track columns: the entry octave keys, both key stages,
// notes from a MIDI keyboard, and the undo step each key makes.
#include <QKeyEvent>

#include "app/pages/pattern_page.h"
#include "app/pages/track_memo.h"
#include "app/platform_key.h"
#include "app/step_runs.h"
#include "editors/pattern/pattern_keys.h"
#include "editors/pattern/pattern_text.h"

namespace kelmar {

bool PatternPage::FormKeyDown(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  int octave = -1;
  switch (event->key()) {
    case Qt::Key_F1: octave = 0; break;
    case Qt::Key_F2: octave = 2; break;
    case Qt::Key_F3: octave = 4; break;
    case Qt::Key_F4: octave = 6; break;
    default: break;
  }
  if (octave < 0) return false;
  ctx_.state.EntryOctave = static_cast<uint8_t>(octave + (shift ? 1 : 0));
  ShowStatus();
  return false;
}

void PatternPage::Preview(int track, int note) {
  if (note < 0) return;
  EngineLock lock(ctx_.engine);
  ctx_.engine.TriggerNote(static_cast<uint8_t>(track), ctx_.state.CurrentInstrument, static_cast<uint8_t>(note % 12),
                          static_cast<uint8_t>(note / 12), 0, true, true);
}

// What the view does after either stage: sound the note, redraw, step the selectors,
// and hand the focus on.
void PatternPage::Follow(int track, const KeyOutcome& outcome) {
  Preview(track, outcome.previewNote);
  if (outcome.refreshView) RefreshPatternView();
  if (outcome.patternStepped) tracks_[track]->setFocus(Qt::OtherFocusReason);
  if (outcome.instrumentChanged) {
    ctx_.views.RefreshInstrumentPanel();
    ShowStatus();
  }
  if (outcome.focusTrack >= 0) FocusTrack(outcome.focusTrack + 1);
  PlaceCaret(track);  // with the marks: the selection and the cursor's cell
}

bool PatternPage::Memo1KeyDown(int track, QKeyEvent* event) {
  const PlatformKey key = PlatformKeyOf(event);
  KeyOutcome outcome;
  {
    EngineLock lock(ctx_.engine);
    outcome = PatternKeyDown(ctx_.engine.song, ctx_.state, track, PatternKeyOf(key), key.Shift);
  }
  Follow(track, outcome);
  return outcome.consumed;
}

void PatternPage::Memo1KeyPress(int track, QKeyEvent* event) {
  const PlatformKey key = PlatformKeyOf(event);
  const char32_t typed = TypedCharacter(key);
  if (typed == 0) return;

  const int row = ctx_.state.TrackCursors[track].CursorRow;
  const uint8_t octave = ctx_.state.EntryOctave;
  std::array<char, kRowTextLength> rowText = shownRows_[track][row];
  KeyOutcome outcome;
  {
    EngineLock lock(ctx_.engine);
    outcome = PatternKeyPress(ctx_.engine.song, ctx_.state, track, typed, PianoKeyOf(key), rowText.data());
  }
  FollowTyping(track, row, rowText, outcome);
  if (ctx_.state.EntryOctave != octave) ShowStatus();  // a digit in the octave column
}

void PatternPage::PlayNote(int note) {
  const int track = CommandTrack();
  const int row = ctx_.state.TrackCursors[track].CursorRow;
  std::array<char, kRowTextLength> rowText = shownRows_[track][row];
  KeyOutcome outcome;
  {
    EngineLock lock(ctx_.engine);
    outcome = EnterNote(ctx_.engine.song, ctx_.state, track, note, rowText.data());
  }
  FollowTyping(track, row, rowText, outcome);
  ctx_.views.StepDone("Note Entry");
}

// After the character stage: shows the row text as the rule wrote it (row is where the cursor
// was before the rule moved it on), then does what follows any key.
void PatternPage::FollowTyping(int track, int row, const std::array<char, kRowTextLength>& rowText,
                               KeyOutcome outcome) {
  if (outcome.rowTextChanged) {
    std::array<bool, kRowCount> changed{};
    changed[row] = true;
    shownRows_[track][row] = rowText;
    ShowRows(track, changed);
  }
  Follow(track, outcome);
}

// What a key in the track column does to the song, named for the Edit menu; taken before
// the key moves the cursor.
const char* PatternPage::StepName(int track, const QKeyEvent* event) const {
  if (event->key() == Qt::Key_Insert) return "Insert Line";
  if (event->key() == Qt::Key_Delete) return "Delete Line";
  switch (ctx_.state.TrackCursors[track].CursorColumn) {
    case 0: return "Note Entry";
    case 1: return "Octave Entry";
    case 2:
    case 5: return "Effect Entry";
    default: return "Parameter Entry";
  }
}

void PatternPage::KeyDone(const char* step, int track, const QKeyEvent* event) {
  ctx_.views.StepDone(step, KeyRun(QStringLiteral("Memo%1").arg(track + 1), event));
}

}  // namespace kelmar
