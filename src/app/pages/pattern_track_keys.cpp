// The keyboard of the pattern page's track columns: the entry octave keys, both key stages,
// notes from a MIDI keyboard, and the undo step each key makes.
#include <QKeyEvent>

#include "app/pages/pattern_page.h"
#include "app/pages/track_memo.h"
#include "app/platform_key.h"
#include "app/step_runs.h"
#include "audio/audio_output.h"
#include "editors/pattern/pattern_keys.h"
#include "editors/pattern/pattern_text.h"

namespace kelmar {

bool PatternPage::FormKeyDown(QKeyEvent* event) {
  const int octave = OctaveOfKey(PlatformKeyOf(event), ctx_.state.Keys);
  if (octave < 0) return false;
  ctx_.state.EntryOctave = static_cast<uint8_t>(octave);
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
  if (RecordKey(track, event)) return;
  const PlatformKey key = PlatformKeyOf(event);
  const char32_t typed = TypedCharacter(key);
  if (typed == 0) return;

  const int row = ctx_.state.TrackCursors[track].CursorRow;
  const uint8_t octave = ctx_.state.EntryOctave;
  std::array<char, kRowTextLength> rowText = shownRows_[track][row];
  KeyOutcome outcome;
  {
    EngineLock lock(ctx_.engine);
    outcome =
        PatternKeyPress(ctx_.engine.song, ctx_.state, track, typed, PianoKeyOf(key, ctx_.state.Keys), rowText.data());
  }
  FollowTyping(track, row, rowText, outcome);
  if (ctx_.state.EntryOctave != octave) ShowStatus();  // a digit in the octave column
}

// While recording, a note key of the note column goes to the row being heard; its
// auto-repeat plays nothing more.
bool PatternPage::RecordKey(int track, const QKeyEvent* event) {
  if (!recorder_.Recording() || ctx_.state.TrackCursors[track].CursorColumn != 0) return false;
  const PlatformKey key = PlatformKeyOf(event);
  const int note = NoteOfKey(ctx_.state, TypedCharacter(key), PianoKeyOf(key, ctx_.state.Keys));
  if (note < 0) return false;
  if (!event->isAutoRepeat()) ShowRecorded(recorder_.Record(track, note, 0, AudioOutput::NowNs()));
  return true;
}

void PatternPage::ShowRecorded(const RecordPlace& place) {
  if (place.pattern == ctx_.state.CurrentPattern) RefreshPatternView();
}

void PatternPage::FollowHeardRow() {
  const std::optional<RecordPlace> heard = recorder_.HeardNow();
  if (!heard || heard->pattern != ctx_.state.CurrentPattern) return;
  const int track = CommandTrack();
  ctx_.state.TrackCursors[track].CursorRow = heard->row;
  PlaceCaret(track);
}

void PatternPage::PlayNote(const MidiNoteEvent& event) {
  if (recorder_.Recording()) {
    if (!event.on) {
      recorder_.NoteOff(event.note);
      return;
    }
    const int track = recorder_.NoteOn(event.note, CommandTrack());
    const int velocity = ctx_.state.RecordVelocity ? event.velocity : 0;
    ShowRecorded(recorder_.Record(track, event.note, velocity, event.timeNs));
    return;
  }
  if (event.on) EnterNoteAtCursor(event.note);
}

void PatternPage::EnterNoteAtCursor(int note) {
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
