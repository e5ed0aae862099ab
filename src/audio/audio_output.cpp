#include "audio/audio_output.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "audio/sdl_audio_api.h"

namespace kelmar {

namespace {

// Frames a device still holds when it asks for the next buffer: one more buffer for a sound
// card; none for the drivers that play nothing (their clock is the callback itself).
int DeviceHeldFrames(const SdlAudioApi& sdl, int bufferSize) {
  char name[32] = {};
  if (!sdl.AudioDriverName(name, sizeof name)) return bufferSize;
  const std::string_view driver(name);
  return driver == "dummy" || driver == "disk" ? 0 : bufferSize;
}

}  // namespace

AudioOutput::AudioOutput(Engine& engine)
    : engine_(engine), stemScratch_(std::make_unique<int16_t[]>(size_t{2} * kChannelCount * kMaxBufferSize)) {
  for (int c = 0; c < kChannelCount; ++c) stems_[c] = stemScratch_.get() + 2 * c * kMaxBufferSize;
  audition_.SetSampleRate(engine_.SampleRate);
}

AudioOutput::~AudioOutput() {
  if (open_ || subsystem_) CloseAudio();
}

bool AudioOutput::OpenAudio() {
  if (open_ || subsystem_) CloseAudio();
  stagingPos_ = stagingLen_ = 0;
  // SDL would otherwise take over SIGINT and SIGTERM, and the window would no longer end on them.
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  sdl_ = SdlAudio();
  subsystem_ = sdl_ && sdl_->InitSubSystem(SDL_INIT_AUDIO) >= 0;
  // Before the open: from there on the callback writes the clocks.
  clocksWritten_ = 0;
  deviceHeldFrames_ = subsystem_ ? DeviceHeldFrames(*sdl_, engine_.BufferSize) : 0;
  if (subsystem_) {
    SDL_AudioSpec desired;
    std::memset(&desired, 0, sizeof desired);
    desired.freq = engine_.SampleRate;
    desired.format = AUDIO_S16LSB;
    desired.channels = 2;
    desired.samples = engine_.BufferSize;
    desired.callback = &AudioOutput::Callback;
    desired.userdata = this;
    // No obtained format is asked for: SDL converts, so the callback always sees this format.
    open_ = sdl_->OpenAudio(&desired, nullptr) >= 0;
  }
  if (open_) engine_.SetLockHooks(sdl_->LockAudio, sdl_->UnlockAudio);
  if (subsystem_) sdl_->PauseAudio(0);
  return open_;
}

void AudioOutput::CloseAudio() {
  if (subsystem_) {
    sdl_->PauseAudio(1);
    if (open_) sdl_->CloseAudio();
  }
  // No callback runs from here on, so the engine needs no lock until the next open.
  engine_.SetLockHooks(nullptr, nullptr);
  open_ = false;
  if (subsystem_) sdl_->Quit();
  subsystem_ = false;
}

void AudioOutput::PauseAudio(bool pause) {
  if (!subsystem_) return;
  sdl_->PauseAudio(pause ? 1 : 0);
  // The pause flag is read as a callback begins, so one may still be running: taking the
  // lock once waits it out. From here on, the window thread may render on its own.
  if (pause && open_) {
    sdl_->LockAudio();
    sdl_->UnlockAudio();
  }
}

template <typename Apply>
bool AudioOutput::Reopen(Apply apply) {
  CloseAudio();
  apply();
  // The song's tempo, not the current one: a tempo set by effect T lasts only until the next T.
  engine_.SamplesPerTick = engine_.SamplesPerTickFor(engine_.song.Tempo);
  engine_.BuildFreqTable();
  audition_.SetSampleRate(engine_.SampleRate);
  return OpenAudio();
}

bool AudioOutput::ReopenWithSampleRate(uint16_t sampleRate) {
  return Reopen([&] { engine_.SampleRate = sampleRate; });
}

bool AudioOutput::ReopenWithBufferSize(uint16_t bufferSize) {
  return Reopen([&] { engine_.BufferSize = std::min<uint16_t>(bufferSize, kMaxBufferSize); });
}

int AudioOutput::BufferMilliseconds() const {
  return (1000 * engine_.BufferSize + engine_.SampleRate - 1) / std::max<int>(engine_.SampleRate, 1);
}

int64_t AudioOutput::NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint64_t HeardFrameAt(const OutputClock& clock, int64_t timeNs, uint16_t sampleRate, uint64_t rendered) {
  if (clock.ns == 0) return rendered;
  const int64_t since = (timeNs - clock.ns) * sampleRate / 1'000'000'000;
  const int64_t heard = static_cast<int64_t>(clock.frame) + since - clock.heldFrames;
  return static_cast<uint64_t>(std::clamp<int64_t>(heard, 0, static_cast<int64_t>(rendered)));
}

uint64_t AudioOutput::HeardFrame(int64_t timeNs) const {
  const uint32_t kept = std::min<uint32_t>(clocksWritten_, kClockCount);
  OutputClock clock;  // none yet: what was rendered
  for (uint32_t i = 1; i <= kept; ++i) {
    clock = clocks_[(clocksWritten_ - i) % kClockCount];
    if (clock.ns <= timeNs) break;  // else the oldest kept
  }
  return HeardFrameAt(clock, timeNs, engine_.SampleRate, engine_.RenderedFrames);
}

void AudioOutput::Callback(void* userdata, uint8_t* stream, int len) {
  auto* self = static_cast<AudioOutput*>(userdata);
  // The first frame this stream buffer holds: what is staged from the last one comes first.
  OutputClock& clock = self->clocks_[self->clocksWritten_++ % kClockCount];
  clock.frame = self->engine_.RenderedFrames - static_cast<uint64_t>(self->stagingLen_ - self->stagingPos_) / 4;
  clock.ns = NowNs();
  clock.heldFrames = self->deviceHeldFrames_;
  self->RenderInto(stream, len);
  self->callbacks_.fetch_add(1, std::memory_order_release);
}

void AudioOutput::RenderInto(uint8_t* stream, int len) {
  const int bufferBytes = 4 * engine_.BufferSize;
  if (len == bufferBytes && stagingPos_ == stagingLen_) {
    RenderBuffer(stream);
    return;
  }
  while (len > 0) {
    if (stagingPos_ == stagingLen_) {
      RenderBuffer(staging_.data());
      stagingPos_ = 0;
      stagingLen_ = bufferBytes;
    }
    const int n = std::min(len, stagingLen_ - stagingPos_);
    std::memcpy(stream, staging_.data() + stagingPos_, static_cast<size_t>(n));
    stream += n;
    len -= n;
    stagingPos_ += n;
  }
}

void AudioOutput::RenderBuffer(uint8_t* out) {
  const int frames = std::min<int>(engine_.BufferSize, kMaxBufferSize);
  if (!scopeFeed_.load(std::memory_order_relaxed)) {
    engine_.RenderBuffer(out, engine_.MutedTracks);
  } else {
    engine_.RenderBuffer(out, engine_.MutedTracks, stems_.data());
    scopeRing_.Write(stems_.data(), frames);
  }
  audition_.MixInto(out, frames);
}

}  // namespace kelmar
