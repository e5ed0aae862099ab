// The renderer: per-sample voices, the stereo mix, and the tick clock.
//
// Frames are rendered in blocks that never cross a tick, voice by voice. Between ticks
// nothing but the renderer writes a voice, and every contribution is added exactly (the
// sum of eight never leaves the 16-bit range, so there is no clipping to depend on order),
// so the result is the same as mixing frame by frame in channel order. Each voice adds its
// left and right contributions as one packed integer (stereo_pack.h).
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

#include "engine/engine.h"
#include "engine/stereo_pack.h"
#include "engine/voice_filter.h"

namespace kelmar {
namespace {

constexpr int kBlock = kRenderBlock;

struct VoiceArgs {
  Channel* ch;
  const uint8_t* wave;  // the voice's 512-byte wave table
  const FixedTables* tables;
  uint32_t* tableKey;  // the voice's output table, used without filter and noise
  int32_t* table;
  int32_t* mix;
  int16_t* stem;
  // Filtered or noisy voices leave, per frame, the raw sample for the filter pass, in slot
  // `lane` of rows of kFilterSlots, and their filter settings in that slot's.
  int16_t* samples;
  Engine::FilterSettings* settings;
  int frames;
};

// The output table for the current level and pan: entry b is the output for wave byte b.
inline const int32_t* OutputTableFor(const VoiceArgs& a, int volume, uint8_t lr) {
  const uint32_t key = (static_cast<uint32_t>(volume) << 8) | lr;
  if (*a.tableKey != key) {
    FillOutputTable(static_cast<uint32_t>(volume), lr, a.table);
    *a.tableKey = key;
  }
  return a.table;
}

constexpr int SampleOf(int waveByte) { return waveByte * 257 - 32768; }

// The same as a table: one load in the per-sample loop instead of three instructions.
constexpr std::array<int16_t, 256> kSampleOfByte = [] {
  std::array<int16_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = static_cast<int16_t>(SampleOf(b));
  return t;
}();

// The oscillator part of a voice: phase, cycle-start latching, morph and wave lookup or
// noise. A voice without filter and noise (kTable) goes straight to the mix through its
// output table (with k = 255 the filter passes the sample unchanged); the others leave
// samples and filter settings for the filter pass. Per sample only what the frame needs is
// computed; PhasePos, Sample and a table voice's FilterState are set from the last frame.
template <bool kNoise, bool kTable, bool kStem>
[[gnu::noinline]] void OscillatorPass(const VoiceArgs& a) {
  static_assert(!(kNoise && kTable), "a noisy voice always passes through the filter");
  Channel& ch = *a.ch;
  const uint8_t* wave = a.wave;
  const int16_t* noise = a.tables->NoiseTable.data();
  const uint32_t inc = ch.PhaseInc;
  const int filter = ch.Filter;
  const uint8_t lr = ch.LRVolume;
  int32_t* mix = a.mix;
  int16_t* stem = a.stem;

  uint32_t phase = ch.Phase;
  uint16_t prevPos = ch.PrevPhasePos;
  uint16_t latchedVol = ch.LatchedVol;
  uint16_t latchedSweep = ch.LatchedSweep;

  const uint16_t* morph = a.tables->MorphByColumn[latchedSweep >> 8].data();
  const int frames = a.frames;
  int16_t* const samples = a.samples;
  auto settingFor = [filter](uint16_t vol) {
    return FilterSetting(255 - ((vol * filter) >> 16), static_cast<uint32_t>(vol >> 8));
  };
  if constexpr (!kTable) {
    const uint64_t setting = settingFor(latchedVol);
    *a.settings = {setting, setting, frames};  // unchanged unless a cycle start changes it
  }
  const int32_t* table = kTable ? OutputTableFor(a, latchedVol >> 8, lr) : nullptr;

  // The table index is phase bits 20..31 for noise and 16..23 for the wave (PhasePos >> 8).
  // With the phase shifted left by kUp, those bits are its top, and one right shift takes them.
  constexpr int kUp = kNoise ? 0 : 8;
  constexpr int kIndexShift = kNoise ? 20 : 24;
  // One frame, from its table index: wave or noise, then the mix or the scratch.
  auto emit = [&](int i, uint32_t index) {
    if constexpr (kNoise) {
      samples[i * kFilterSlots] = noise[index];
    } else {
      const int b = wave[morph[index]];
      if constexpr (kTable) {
        const int32_t out = table[b];
        mix[i] += out;
        if constexpr (kStem) {
          stem[2 * i] = LeftOf(out);
          stem[2 * i + 1] = RightOf(out);
        }
      } else {
        samples[i * kFilterSlots] = kSampleOfByte[b];
      }
    }
  };

  // The envelopes move only at a tick, and a block never crosses one: once a cycle start has
  // taken their values, every later one in the block takes the same, and changes nothing.
  bool settled = latchedVol == ch.VolEnvState.Value && latchedSweep == ch.SweepEnvState.Value;
  int i = 0;
  while (i < frames) {
    // Once settled, no sample needs the check. Before, while the step is below half a cycle,
    // bit 15 of PhasePos falls exactly on the sample where the phase passes a multiple of 2^24;
    // the samples before it need no check.
    if (settled || (prevPos == static_cast<uint16_t>(phase >> 8) && inc < (1u << 23))) {
      int run = frames - i;
      if (!settled && inc != 0) {
        const uint32_t toWrap = (1u << 24) - (phase & 0xFFFFFFu);
        run = static_cast<int>(std::min<uint32_t>(static_cast<uint32_t>(run), (toWrap - 1) / inc));
      }
      uint32_t up = phase << kUp;
      const uint32_t stepUp = inc << kUp;
#pragma GCC unroll 4
      for (const int end = i + run; i < end; ++i) {  // unrolled: the loop's own overhead is a third of it
        up += stepUp;
        emit(i, up >> kIndexShift);
      }
      phase += static_cast<uint32_t>(run) * inc;
      prevPos = static_cast<uint16_t>(phase >> 8);
      if (i == frames) break;
    }
    // The general step, with its cycle-start check.
    phase += inc;
    const auto pos = static_cast<uint16_t>(phase >> 8);
    if ((prevPos & ~static_cast<uint32_t>(pos)) & 0x8000u) {  // a cycle starts: take the envelopes' values
      latchedVol = ch.VolEnvState.Value;
      latchedSweep = ch.SweepEnvState.Value;
      morph = a.tables->MorphByColumn[latchedSweep >> 8].data();
      if constexpr (kTable) {
        table = OutputTableFor(a, latchedVol >> 8, lr);
      } else {
        a.settings->after = settingFor(latchedVol);
        a.settings->from = i;
      }
      settled = true;
    }
    prevPos = pos;
    emit(i, (phase << kUp) >> kIndexShift);
    ++i;
  }

  if (frames > 0) {  // the last frame's sample; the phase has not moved since
    const int sample = kNoise ? noise[(phase >> 20) & 4095] : SampleOf(wave[morph[(phase >> 16) & 255]]);
    ch.Sample = static_cast<int16_t>(sample);
    if constexpr (kTable) ch.FilterState = static_cast<int16_t>(sample);  // k = 255: the filter follows
    ch.PhasePos = prevPos;
  }
  ch.Phase = phase;
  ch.PrevPhasePos = prevPos;
  ch.LatchedVol = latchedVol;
  ch.LatchedSweep = latchedSweep;
}

using OscillatorFn = void (*)(const VoiceArgs&);
constexpr OscillatorFn kOscillatorVariants[6] = {
    OscillatorPass<false, false, false>, OscillatorPass<false, false, true>, OscillatorPass<false, true, false>,
    OscillatorPass<false, true, true>,   OscillatorPass<true, false, false>, OscillatorPass<true, false, true>};

// Packed frames to little-endian bytes: left low, left high, right low, right high, which is
// the 32-bit word (left & 0xFFFF) | right << 16 stored little-endian.
inline uint32_t FrameWord(int32_t packed) {
  return static_cast<uint16_t>(LeftOf(packed)) | (static_cast<uint32_t>(static_cast<uint16_t>(RightOf(packed))) << 16);
}

void WriteLittleEndian(const int32_t* mix, int n, uint8_t* dst) {
  int i = 0;
  if constexpr (std::endian::native == std::endian::little) {
#if defined(__x86_64__) && defined(__GNUC__)
    for (; i + 4 <= n; i += 4) {  // the same word, four frames at a time
      const __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mix + i));
      const __m128i rightHigh = _mm_slli_epi32(packed, 16);
      const __m128i left = _mm_srli_epi32(_mm_sub_epi32(packed, _mm_srai_epi32(rightHigh, 16)), 16);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_or_si128(left, rightHigh));
    }
#endif
    for (; i < n; ++i) {
      const uint32_t word = FrameWord(mix[i]);
      std::memcpy(dst + 4 * i, &word, 4);
    }
  } else {
    for (; i < n; ++i) {
      const uint32_t word = FrameWord(mix[i]);
      for (int b = 0; b < 4; ++b) dst[4 * i + b] = static_cast<uint8_t>(word >> (8 * b));
    }
  }
}

}  // namespace

int Engine::RenderBlock(int32_t* mix, int maxFrames, int16_t* const* stems, uint8_t muted) {
  if (TickCountdown == 0) {
    TickCountdown = SamplesPerTick;
    TickDone = 0;
    Tick();
    TickDone = 1;
  }
  // With a tick length of 0 (never computed by the engine itself) the countdown wraps
  // after one frame, as a 16-bit countdown would.
  const int n = TickCountdown == 0 ? 1 : std::min({maxFrames, static_cast<int>(TickCountdown), kBlock});
  std::memset(mix, 0, sizeof(int32_t) * n);
  RenderVoices(static_cast<uint8_t>(~muted), mix, n, stems);
  if (muted != 0) {
    // Muted voices go on as if heard, so that they return in step when unmuted.
    int32_t unheard[kBlock];
    std::memset(unheard, 0, sizeof(int32_t) * n);
    RenderVoices(muted, unheard, n, nullptr);
    // Stems hold what is heard.
    for (int c = 0; c < kChannelCount && stems; ++c) {
      if ((muted & (1u << c)) && stems[c]) std::memset(stems[c], 0, sizeof(int16_t) * 2 * n);
    }
  }
  TickCountdown = static_cast<uint16_t>(TickCountdown - n);
  RenderedFrames += static_cast<uint64_t>(n);
  return n;
}

void Engine::RenderVoices(uint8_t channels, int32_t* mix, int n, int16_t* const* stems) {
  const FixedTables& tables = Tables();
  FilterScratch& scratch = filterScratch_;
  Channel* filtered[kChannelCount];
  int16_t* filteredStems[kChannelCount];
  const int last = std::min<int>(LastChannel, kChannelCount - 1);
  int filteredCount = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    if (!(channels & (1u << c))) continue;
    int16_t* stem = stems ? stems[c] : nullptr;
    Channel& ch = Channels[c];
    if (c > last || ch.VolEnvState.Value == 0) {  // silent: no contribution, the phase stands still
      if (stem) std::memset(stem, 0, sizeof(int16_t) * 2 * n);
      continue;
    }
    const bool direct = !ch.NoiseOn && !ch.Filter;
    const int lane = filteredCount;
    const VoiceArgs args{&ch,
                         WaveTables[ch.Instrument].data(),
                         &tables,
                         &outputTables_[c].key,
                         outputTables_[c].packed.data(),
                         mix,
                         stem,
                         scratch.samples + lane,
                         &scratch.settings[lane],
                         n};
    kOscillatorVariants[(ch.NoiseOn ? 4 : 0) | (direct ? 2 : 0) | (stem ? 1 : 0)](args);
    if (!direct) {
      filtered[filteredCount] = &ch;
      filteredStems[filteredCount] = stem;
      ++filteredCount;
    }
  }
  if (filteredCount > 0)
    FilterPass(filtered, stems ? filteredStems : nullptr, filteredCount, Path, scratch, mix, n);
}

void Engine::RenderFrames(int16_t* out, int frames, int16_t* const* tracks) {
  int32_t mix[kBlock];
  for (int done = 0; done < frames;) {
    int16_t* stems[kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) stems[c] = tracks && tracks[c] ? tracks[c] + 2 * done : nullptr;
    const int n = RenderBlock(mix, frames - done, tracks ? stems : nullptr, 0);
    int16_t* dst = out + 2 * done;
    if constexpr (std::endian::native == std::endian::little) {
      // Host-order left/right pairs are exactly the little-endian bytes.
      WriteLittleEndian(mix, n, reinterpret_cast<uint8_t*>(dst));
    } else {
      for (int i = 0; i < n; ++i) {
        dst[2 * i] = LeftOf(mix[i]);
        dst[2 * i + 1] = RightOf(mix[i]);
      }
    }
    done += n;
  }
}

void Engine::RenderBuffer(uint8_t* out, uint8_t muted, int16_t* const* stems) {
  // Never more than kMaxBufferSize frames: the largest buffer any caller provides.
  int32_t mix[kBlock];
  const int total = std::min<int>(BufferSize, kMaxBufferSize);
  for (int done = 0; done < total;) {
    int16_t* at[kChannelCount];
    for (int c = 0; c < kChannelCount; ++c) at[c] = stems && stems[c] ? stems[c] + 2 * done : nullptr;
    const int n = RenderBlock(mix, total - done, stems ? at : nullptr, muted);
    WriteLittleEndian(mix, n, out + 4 * done);
    done += n;
  }
}

}  // namespace kelmar
