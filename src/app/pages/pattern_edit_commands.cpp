// The pattern page's Edit menu: the track and block clipboard, the block commands on the
// selection or the cursor's cell, and mute and solo.
#include <QClipboard>
#include <QGuiApplication>

#include "app/message_box.h"
#include "app/pages/pattern_page.h"
#include "editors/pattern/block_selection.h"
#include "editors/pattern/block_text.h"
#include "editors/pattern/pattern_tools.h"
#include "editors/pattern/track_mutes.h"

namespace kelmar {

void PatternPage::CopyTrack1Click() { CopyTrack(ctx_.state, FocusedTrack()); }

void PatternPage::PasteTrack1Click() {
  {
    EngineLock lock(ctx_.engine);
    PasteTrack(ctx_.engine.song, ctx_.state, FocusedTrack());
  }
  RefreshPatternView();
}

void PatternPage::ClonePattern1Click() {
  bool cloned;
  {
    EngineLock lock(ctx_.engine);
    cloned = ClonePattern(ctx_.engine.song, ctx_.state);
  }
  if (cloned) RefreshPatternView();
}

int PatternPage::CommandTrack() const {
  const uint8_t focused = FocusedTrack();
  return focused == kNoTrack ? lastTrack_ : focused;
}

void PatternPage::SelectAllClick() {
  SelectTrackThenPattern(ctx_.state, CommandTrack());
  ShowMarks();
}

void PatternPage::CopyBlockClick() {
  copiedBlock_ = CopyBlock(ctx_.engine.song, ctx_.state.CurrentPattern, CommandRange(ctx_.state, CommandTrack()));
  QGuiApplication::clipboard()->setText(QString::fromStdString(BlockText(copiedBlock_)));
}

// Runs a block rule on the command's range under the engine lock, then redraws.
bool PatternPage::EditBlock(const std::function<bool(Song&, int, const BlockRange&)>& rule) {
  bool done;
  {
    EngineLock lock(ctx_.engine);
    done = rule(ctx_.engine.song, ctx_.state.CurrentPattern, CommandRange(ctx_.state, CommandTrack()));
  }
  if (done) RefreshPatternView();
  return done;
}

void PatternPage::CutBlockClick() {
  CopyBlockClick();
  EditBlock([](Song& song, int pattern, const BlockRange& range) {
    ClearBlock(song, pattern, range);
    return true;
  });
}

void PatternPage::PasteBlockClick() {
  const std::string text = QGuiApplication::clipboard()->text().toStdString();
  const std::optional<PatternBlock> block =
      !copiedBlock_.Empty() && text == BlockText(copiedBlock_) ? copiedBlock_ : ParseBlockText(text);
  if (!block) {
    ctx_.messages.Error(QStringLiteral("The clipboard holds no pattern block."));
    return;
  }
  const int track = CommandTrack();
  {
    EngineLock lock(ctx_.engine);
    PasteBlock(ctx_.engine.song, ctx_.state.CurrentPattern, ctx_.state.TrackCursors[track].CursorRow, track, *block);
  }
  RefreshPatternView();
}

void PatternPage::TransposeClick(int semitones) {
  EditBlock([semitones](Song& song, int pattern, const BlockRange& range) {
    TransposeBlock(song, pattern, range, semitones);
    return true;
  });
}

void PatternPage::InterpolateClick() {
  Interpolation result;
  EditBlock([&result](Song& song, int pattern, const BlockRange& range) {
    result = InterpolateBlock(song, pattern, range);
    return result == Interpolation::Done;
  });
  if (result == Interpolation::TooFewRows) {
    ctx_.messages.Info(QStringLiteral("Select at least three rows to interpolate."));
  } else if (result == Interpolation::EffectsDiffer) {
    ctx_.messages.Info(QStringLiteral("The first and last rows hold different effects, so nothing was interpolated."));
  }
}

void PatternPage::SetInstrumentClick() {
  EditBlock([instrument = ctx_.state.CurrentInstrument](Song& song, int pattern, const BlockRange& range) {
    SetInstrumentInBlock(song, pattern, range, instrument);
    return true;
  });
}

void PatternPage::MuteTrackClick() { SetMuted(ToggleMute(ctx_.engine.MutedTracks, CommandTrack())); }

void PatternPage::SoloTrackClick() { SetMuted(ToggleSolo(ctx_.engine.MutedTracks, CommandTrack())); }

void PatternPage::SetMuted(uint8_t muted) {
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.MutedTracks = muted;
  }
  ShowMutes();
}

}  // namespace kelmar
