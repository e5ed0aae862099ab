#include "app/browser/audition_player.h"

#include <QFile>
#include <QTimer>

#include "app/app_context.h"
#include "audio/audio_output.h"
#include "files/instrument_file.h"

namespace kelmar {
namespace {

constexpr uint32_t kHighlightTenths = 8;  // a highlighted instrument's note lasts 0.8 s
constexpr uint32_t kHeldSeconds = 8;      // a held note ends by itself after this long

}  // namespace

AuditionPlayer::AuditionPlayer(AppContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx), pause_(new QTimer(this)) {
  pause_->setObjectName("AuditionPause");
  pause_->setSingleShot(true);
  pause_->setInterval(kPauseMs);
  connect(pause_, &QTimer::timeout, this, &AuditionPlayer::PlayHighlighted);
}

void AuditionPlayer::Highlight(std::optional<Instrument> instrument, uint8_t synthMode) {
  instrument_ = instrument;
  synthMode_ = synthMode;
  Stop();
  if (instrument_) pause_->start();
}

void AuditionPlayer::HighlightFile(const QString& path) {
  Instrument instrument;
  uint8_t synthMode = 0;
  const bool read =
      !path.isEmpty() && !LoadInstrumentFile(QFile::encodeName(path).toStdString(), instrument, synthMode);
  Highlight(read ? std::optional(instrument) : std::nullopt, synthMode);
}

void AuditionPlayer::PlayHighlighted() {
  pause_->stop();
  Start(0, ctx_.state.PreviewOctave, ctx_.engine.SampleRate * kHighlightTenths / 10);
}

void AuditionPlayer::PlayNote(uint8_t semitone, uint8_t octave) {
  pause_->stop();
  Start(semitone, octave, ctx_.engine.SampleRate * kHeldSeconds);
}

void AuditionPlayer::Start(uint8_t semitone, uint8_t octave, uint32_t frames) {
  if (!instrument_) return;
  EngineLock lock(ctx_.engine);
  ctx_.audio.audition().Play(*instrument_, synthMode_, semitone, octave, frames, ctx_.engine.SamplesPerTick);
}

void AuditionPlayer::ReleaseNote() {
  EngineLock lock(ctx_.engine);
  ctx_.audio.audition().Release();
}

void AuditionPlayer::Stop() {
  pause_->stop();
  EngineLock lock(ctx_.engine);
  ctx_.audio.audition().Stop();
}

void AuditionPlayer::SetMuted(bool muted) {
  EngineLock lock(ctx_.engine);
  ctx_.audio.audition().SetMuted(muted);
}

bool AuditionPlayer::Waiting() const { return pause_->isActive(); }

}  // namespace kelmar
