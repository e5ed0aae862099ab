#include "app/live_recorder.h"

#include <string>

#include "audio/audio_output.h"

namespace kelmar {

bool LiveRecorder::Recording() const { return ctx_.state.Record && ctx_.engine.Position().Playing; }

RecordPlace LiveRecorder::Record(int track, int note, int velocity, int64_t timeNs) {
  RecordPlace place;
  {
    EngineLock lock(ctx_.engine);
    Engine& engine = ctx_.engine;
    place = NearestRow(PlayedRowsOf(engine), ctx_.audio.HeardFrame(timeNs));
    WriteRecordedNote(engine.song, ctx_.state, place, track, note, velocity);
    engine.TriggerNote(static_cast<uint8_t>(track), ctx_.state.CurrentInstrument, static_cast<uint8_t>(note % 12),
                       static_cast<uint8_t>(note / 12), 0, true, true);
    if (velocity > 0) engine.Channels[track].LRVolume = VelocityParam(velocity);
    // The player is still to reach that row: the preview is its note.
    if (place.upcoming) engine.PreviewedRows[track] = Engine::PreviewedRow(place.pattern, place.row);
  }
  const bool continues = takeOpen_;
  if (!takeOpen_) ++take_;
  takeOpen_ = true;
  ctx_.views.StepDone("Record", StepRun{"Record#" + std::to_string(take_), 0, 0, continues});
  return place;
}

void LiveRecorder::EndTake() {
  takeOpen_ = false;
  held_.Clear();
}

std::optional<RecordPlace> LiveRecorder::HeardNow() const {
  if (!Recording()) return std::nullopt;
  EngineLock lock(ctx_.engine);
  return NearestRow(PlayedRowsOf(ctx_.engine), ctx_.audio.HeardFrame(AudioOutput::NowNs()));
}

}  // namespace kelmar
