#include "engine/audition.h"

#include <algorithm>

namespace kelmar {
namespace {

constexpr uint8_t kVoice = 0;
constexpr uint32_t kFadesPerSecond = 50;  // a 20 ms fade: no click, and over before the next note

int16_t ReadSample(const uint8_t* at) { return static_cast<int16_t>(at[0] | (at[1] << 8)); }

void WriteSample(uint8_t* at, int value) {
  const auto sample = static_cast<uint16_t>(std::clamp(value, -32768, 32767));
  at[0] = static_cast<uint8_t>(sample & 0xFF);
  at[1] = static_cast<uint8_t>(sample >> 8);
}

}  // namespace

// Only the first voice ever sounds, so the renderer skips the other seven.
Audition::Audition() : engine_(std::make_unique<Engine>()) { engine_->LastChannel = kVoice; }

uint32_t Audition::FadeFrames() const { return std::max<uint32_t>(engine_->SampleRate / kFadesPerSecond, 1); }

void Audition::Play(const Instrument& instrument, uint8_t synthMode, uint8_t semitone, uint8_t octave,
                    uint32_t frames, uint16_t samplesPerTick) {
  if (muted_) return;
  Engine& engine = *engine_;
  engine.RestVoices();
  engine.song.Instruments[kVoice] = instrument;
  engine.song.SynthMode[kVoice] = synthMode;
  engine.SamplesPerTick = std::max<uint16_t>(samplesPerTick, 1);
  engine.TriggerNote(kVoice, kVoice, semitone, octave, 0, true, true);
  // A resting voice takes the note's level where its next wave cycle begins, a whole cycle
  // later (7.6 ms at C-3). Standing at the end of a cycle instead, it is heard from the first frame.
  engine.Channels[kVoice].PrevPhasePos = 0x8000;
  held_ = frames;
  fade_ = FadeFrames();
}

void Audition::SetMuted(bool muted) {
  muted_ = muted;
  if (muted) Stop();
}

void Audition::Release() { held_ = 0; }

void Audition::Stop() { held_ = fade_ = 0; }

void Audition::SetSampleRate(uint16_t sampleRate) {
  Stop();
  engine_->SampleRate = sampleRate;
  engine_->BuildFreqTable();
}

void Audition::MixInto(uint8_t* out, int frames) {
  if (!Sounding()) return;
  const uint32_t fadeFrames = FadeFrames();
  for (int done = 0; done < frames && Sounding();) {
    const int n = std::min<int>(frames - done, kMaxBufferSize);
    engine_->RenderFrames(scratch_.data(), n);
    uint8_t* at = out + 4 * done;
    for (int i = 0; i < n && Sounding(); ++i, at += 4) {
      // Full level while held, then falling to nothing over the fade.
      const int64_t gain = held_ > 0 ? fadeFrames : fade_;
      if (held_ > 0) {
        --held_;
      } else {
        --fade_;
      }
      for (int side = 0; side < 2; ++side) {
        const int64_t voice = scratch_[2 * i + side] * gain / fadeFrames;
        WriteSample(at + 2 * side, ReadSample(at + 2 * side) + static_cast<int>(voice));
      }
    }
    done += n;
  }
}

}  // namespace kelmar
