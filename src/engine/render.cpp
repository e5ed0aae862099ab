// The renderer: per-sample voices, the stereo mix, and the tick clock.
//
// Frames are rendered in blocks that never cross a tick, voice by voice. Between ticks
// nothing but the renderer writes a voice, and every contribution is added exactly (the
// sum of eight never leaves the 16-bit range, so there is no clipping to depend on order),
// so the result is the same as mixing frame by frame in channel order. Each voice adds its
// left and right contributions as one packed integer, left * 65536 + right; the packed sum
// of eight stays within int32 and separates again exactly.
#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "engine/engine.h"

namespace kelmar {
namespace {

constexpr int kBlock = 256;
constexpr int kLanes = kChannelCount;  // filter pass slots per frame

inline int32_t Pack(int left, int right) { return left * 65536 + right; }
inline int16_t RightOf(int32_t packed) { return static_cast<int16_t>(static_cast<uint16_t>(packed & 0xFFFF)); }
inline int16_t LeftOf(int32_t packed) { return static_cast<int16_t>((packed - RightOf(packed)) >> 16); }

// One voice's output for a filter output value: volume, then the two pan nibbles.
inline int32_t Output(int volume, int filterState, int leftGain, int rightGain) {
  const int v = volume * filterState / 255;
  return Pack(v * leftGain / 128, v * rightGain / 128);
}

struct VoiceArgs {
  Channel* ch;
  const uint8_t* wave;  // the voice's 512-byte wave table
  const FixedTables* tables;
  uint32_t* tableKey;   // the voice's output table, used without filter and noise
  int32_t* table;
  int32_t* mix;
  int16_t* stem;
  // Filtered or noisy voices leave, per frame, the raw sample, the filter coefficient k and
  // the volume level for the filter pass, in slot `lane` of rows of kLanes.
  int16_t* samples;
  uint16_t* coefficients;
  uint16_t* volumes;
  int frames;
};

// The output table for the current level and pan: entry b is the output for wave byte b.
inline const int32_t* OutputTableFor(const VoiceArgs& a, int volume, uint8_t lr) {
  const uint32_t key = (static_cast<uint32_t>(volume) << 8) | lr;
  if (*a.tableKey != key) {
    for (int b = 0; b < 256; ++b) a.table[b] = Output(volume, b * 257 - 32768, lr >> 4, lr & 15);
    *a.tableKey = key;
  }
  return a.table;
}

// The oscillator part of a voice: phase, cycle-start latching, morph and wave lookup or
// noise. A voice without filter and noise goes straight to the mix through its output
// table (with k = 255 the filter passes the sample unchanged); the others leave samples
// and per-sample filter and volume settings for FilterPass.
template <bool kNoise, bool kTable, bool kStem>
[[gnu::noinline]] void OscillatorPass(const VoiceArgs& a) {
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
  uint16_t pos = ch.PhasePos;
  int sample = ch.Sample;
  uint16_t latchedVol = ch.LatchedVol;
  uint16_t latchedSweep = ch.LatchedSweep;

  const uint16_t* morph = a.tables->MorphByColumn[latchedSweep >> 8].data();
  const int frames = a.frames;
  int16_t* const samples = a.samples;
  uint16_t* const coefficients = a.coefficients;
  uint16_t* const volumes = a.volumes;
  auto coefficientFor = [filter](uint16_t vol) { return static_cast<uint16_t>(255 - ((vol * filter) >> 16)); };
  uint16_t coefficient = coefficientFor(latchedVol);
  uint16_t volume = latchedVol >> 8;
  const int32_t* table = kTable ? OutputTableFor(a, latchedVol >> 8, lr) : nullptr;

  // One sample after the phase has advanced: wave or noise, then the mix or the scratch.
  auto emit = [&](int i) {
    if constexpr (kNoise) {
      sample = noise[(phase >> 20) & 4095];
    } else if constexpr (kTable) {
      const int b = wave[morph[pos >> 8]];
      sample = b;  // turned into the sample value once, after the loop
      const int32_t out = table[b];
      mix[i] += out;
      if constexpr (kStem) {
        stem[2 * i] = LeftOf(out);
        stem[2 * i + 1] = RightOf(out);
      }
    } else {
      sample = wave[morph[pos >> 8]] * 257 - 32768;
    }
    if constexpr (!kTable) {
      samples[i * kLanes] = static_cast<int16_t>(sample);
      coefficients[i * kLanes] = coefficient;
      volumes[i * kLanes] = volume;
    }
  };

  int i = 0;
  while (i < frames) {
    // While the step is below half a cycle, bit 15 of PhasePos falls exactly on the sample
    // where the phase passes a multiple of 2^24; the samples before it need no check.
    if (prevPos == static_cast<uint16_t>(phase >> 8) && inc < (1u << 23)) {
      int run = frames - i;
      if (inc != 0) {
        const uint32_t toWrap = (1u << 24) - (phase & 0xFFFFFFu);
        run = static_cast<int>(std::min<uint32_t>(static_cast<uint32_t>(run), (toWrap - 1) / inc));
      }
      for (const int end = i + run; i < end; ++i) {
        phase += inc;
        pos = static_cast<uint16_t>(phase >> 8);
        emit(i);
      }
      prevPos = pos;
      if (i == frames) break;
    }
    // The general step, with its cycle-start check.
    phase += inc;
    pos = static_cast<uint16_t>(phase >> 8);
    if ((prevPos & ~static_cast<uint32_t>(pos)) & 0x8000u) {  // a cycle starts: take the envelopes' values
      latchedVol = ch.VolEnvState.Value;
      latchedSweep = ch.SweepEnvState.Value;
      morph = a.tables->MorphByColumn[latchedSweep >> 8].data();
      coefficient = coefficientFor(latchedVol);
      volume = latchedVol >> 8;
      if constexpr (kTable) table = OutputTableFor(a, latchedVol >> 8, lr);
    }
    prevPos = pos;
    emit(i);
    ++i;
  }

  if constexpr (kTable) {
    if (frames > 0) {
      sample = sample * 257 - 32768;
      ch.FilterState = static_cast<int16_t>(sample);
    }
  }
  ch.Phase = phase;
  ch.PhasePos = pos;
  ch.PrevPhasePos = prevPos;
  ch.Sample = static_cast<int16_t>(sample);
  ch.LatchedVol = latchedVol;
  ch.LatchedSweep = latchedSweep;
}

using OscillatorFn = void (*)(const VoiceArgs&);
constexpr OscillatorFn kOscillatorVariants[8] = {
    OscillatorPass<false, false, false>, OscillatorPass<false, false, true>, OscillatorPass<false, true, false>,
    OscillatorPass<false, true, true>,   OscillatorPass<true, false, false>,  OscillatorPass<true, false, true>,
    OscillatorPass<true, true, false>,   OscillatorPass<true, true, true>};

// The one-pole filter, volume and pan of the filtered and noisy voices, frame by frame
// across the voices: each filter is a serial chain, and running them side by side lets
// them overlap. The voices sit in slots 0..count-1 of the scratch rows.
using FilterScratch = Engine::FilterScratch;
static_assert(kBlock == kRenderBlock);

template <int N>
[[gnu::noinline]] void FilterPassN(Channel* const* voices, const FilterScratch& in, int32_t* mix, int frames) {
  int state[N], leftGain[N], rightGain[N];
  for (int j = 0; j < N; ++j) {
    state[j] = voices[j]->FilterState;
    leftGain[j] = voices[j]->LRVolume >> 4;
    rightGain[j] = voices[j]->LRVolume & 15;
  }
  for (int i = 0; i < frames; ++i) {
    int32_t sum = 0;
    for (int j = 0; j < N; ++j) {
      const int at = i * kLanes + j;
      // Between the previous output and the sample: always within 16 bits.
      state[j] += (in.samples[at] - state[j]) * in.coefficients[at] / 255;
      sum += Output(in.volumes[at], state[j], leftGain[j], rightGain[j]);
    }
    mix[i] += sum;
  }
  for (int j = 0; j < N; ++j) voices[j]->FilterState = static_cast<int16_t>(state[j]);
}

// The same for any number of voices, also writing stems.
void FilterPassWithStems(Channel* const* voices, int16_t* const* stems, int count, const FilterScratch& in, int32_t* mix,
                         int frames) {
  for (int j = 0; j < count; ++j) {
    Channel& ch = *voices[j];
    int state = ch.FilterState;
    const int leftGain = ch.LRVolume >> 4;
    const int rightGain = ch.LRVolume & 15;
    for (int i = 0; i < frames; ++i) {
      const int at = i * kLanes + j;
      state += (in.samples[at] - state) * in.coefficients[at] / 255;
      const int32_t out = Output(in.volumes[at], state, leftGain, rightGain);
      mix[i] += out;
      if (stems[j]) {
        stems[j][2 * i] = LeftOf(out);
        stems[j][2 * i + 1] = RightOf(out);
      }
    }
    ch.FilterState = static_cast<int16_t>(state);
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KELMAR_VECTOR_FILTER 1

// floor(a / 255) per 32-bit lane, exact for 0 <= a < 16,909,559: (a * 0x01010102) >> 32.
// The filter's |(s - state) * k| is at most 65535 * 255 = 16,711,425.
[[gnu::target("avx2")]] inline __m256i Div255(__m256i a) {
  const __m256i magic = _mm256_set1_epi32(0x01010102);
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(a, magic), 32);
  const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), magic);
  return _mm256_blend_epi32(even, odd, 0xAA);
}

// x / 255 truncated toward zero, for |x| within Div255's range.
[[gnu::target("avx2")]] inline __m256i DivTrunc255(__m256i x) { return _mm256_sign_epi32(Div255(_mm256_abs_epi32(x)), x); }

// x / 128 truncated toward zero.
[[gnu::target("avx2")]] inline __m256i DivTrunc128(__m256i x) {
  return _mm256_sign_epi32(_mm256_srli_epi32(_mm256_abs_epi32(x), 7), x);
}

// All eight slots at once; unused slots compute on stale values and are masked out of the sum.
// Every product is formed with 16-bit multiplies of values that fit: samples, filter
// states and volume outputs lie in -32768..32767; coefficients, levels and gains in 0..255.
[[gnu::target("avx2")]] [[gnu::noinline]] void FilterPassVector(Channel* const* voices, int count,
                                                                const FilterScratch& in, int32_t* mix, int frames) {
  alignas(32) int32_t state[kLanes] = {}, left[kLanes] = {}, right[kLanes] = {};
  for (int j = 0; j < count; ++j) {
    state[j] = voices[j]->FilterState;
    left[j] = voices[j]->LRVolume >> 4;
    right[j] = voices[j]->LRVolume & 15;
  }
  __m256i st = _mm256_load_si256(reinterpret_cast<const __m256i*>(state));
  const __m256i leftGain = _mm256_load_si256(reinterpret_cast<const __m256i*>(left));
  const __m256i rightGain = _mm256_load_si256(reinterpret_cast<const __m256i*>(right));
  const __m256i used = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  for (int i = 0; i < frames; ++i) {
    const __m256i s = _mm256_cvtepi16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(in.samples + i * kLanes)));
    const __m256i k =
        _mm256_cvtepu16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(in.coefficients + i * kLanes)));
    const __m256i vol = _mm256_cvtepu16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(in.volumes + i * kLanes)));
    // (s - st) * k as s * k - st * k: both products of 16-bit values in their lanes.
    const __m256i t = _mm256_sub_epi32(_mm256_madd_epi16(s, k), _mm256_madd_epi16(st, k));
    st = _mm256_add_epi32(st, DivTrunc255(t));
    const __m256i v = DivTrunc255(_mm256_madd_epi16(st, vol));
    const __m256i l = DivTrunc128(_mm256_madd_epi16(v, leftGain));
    const __m256i r = DivTrunc128(_mm256_madd_epi16(v, rightGain));
    const __m256i packed = _mm256_and_si256(_mm256_add_epi32(_mm256_slli_epi32(l, 16), r), used);
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(packed), _mm256_extracti128_si256(packed, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    mix[i] += _mm_cvtsi128_si32(sum);
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(state), st);
  for (int j = 0; j < count; ++j) voices[j]->FilterState = static_cast<int16_t>(state[j]);
}

bool HasVectorFilter() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

void FilterPass(Channel* const* voices, int16_t* const* stems, bool anyStem, int count, bool allowVector,
                FilterScratch& in, int32_t* mix, int frames) {
  if (anyStem) return FilterPassWithStems(voices, stems, count, in, mix, frames);
#ifdef KELMAR_VECTOR_FILTER
  if (allowVector && count >= 3 && HasVectorFilter()) return FilterPassVector(voices, count, in, mix, frames);
#else
  (void)allowVector;
#endif
  switch (count) {
    case 1: return FilterPassN<1>(voices, in, mix, frames);
    case 2: return FilterPassN<2>(voices, in, mix, frames);
    case 3: return FilterPassN<3>(voices, in, mix, frames);
    case 4: return FilterPassN<4>(voices, in, mix, frames);
    case 5: return FilterPassN<5>(voices, in, mix, frames);
    case 6: return FilterPassN<6>(voices, in, mix, frames);
    case 7: return FilterPassN<7>(voices, in, mix, frames);
    case 8: return FilterPassN<8>(voices, in, mix, frames);
    default: return;
  }
}

}  // namespace

void Engine::RenderFrames(int16_t* out, int frames, int16_t* const* tracks) {
  const FixedTables& tables = Tables();
  int32_t mix[kBlock];
  FilterScratch& scratch = filterScratch_;
  Channel* filtered[kChannelCount];
  int16_t* filteredStems[kChannelCount];
  int done = 0;
  while (done < frames) {
    if (TickCountdown == 0) {
      TickCountdown = SamplesPerTick;
      TickDone = 0;
      Tick();
      TickDone = 1;
    }
    // With a tick length of 0 (never computed by the engine itself) the countdown wraps
    // after one frame, as a 16-bit countdown would.
    const int n = TickCountdown == 0 ? 1 : std::min({frames - done, static_cast<int>(TickCountdown), kBlock});
    std::memset(mix, 0, sizeof(int32_t) * n);
    const int last = std::min<int>(LastChannel, kChannelCount - 1);
    int filteredCount = 0;
    for (int c = 0; c < kChannelCount; ++c) {
      int16_t* stem = tracks && tracks[c] ? tracks[c] + 2 * done : nullptr;
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
                           scratch.coefficients + lane,
                           scratch.volumes + lane,
                           n};
      kOscillatorVariants[(ch.NoiseOn ? 4 : 0) | (direct ? 2 : 0) | (stem ? 1 : 0)](args);
      if (!direct) {
        filtered[filteredCount] = &ch;
        filteredStems[filteredCount] = stem;
        ++filteredCount;
      }
    }
    if (filteredCount > 0)
      FilterPass(filtered, filteredStems, tracks != nullptr, filteredCount, UseVectorFilter, scratch, mix, n);
    int16_t* dst = out + 2 * done;
    for (int i = 0; i < n; ++i) {
      dst[2 * i] = LeftOf(mix[i]);
      dst[2 * i + 1] = RightOf(mix[i]);
    }
    TickCountdown = static_cast<uint16_t>(TickCountdown - n);
    done += n;
  }
}

void Engine::RenderBuffer(uint8_t* out) {
  // Rendered in slices through a small frame buffer, then written little-endian byte by byte.
  // Never more than kMaxBufferSize frames: the largest buffer any caller provides.
  int16_t frames[2 * kBlock];
  const int total = std::min<int>(BufferSize, kMaxBufferSize);
  for (int done = 0; done < total;) {
    const int n = std::min(kBlock, total - done);
    RenderFrames(frames, n);
    uint8_t* dst = out + 4 * done;
    for (int i = 0; i < 2 * n; ++i) {
      const uint16_t v = static_cast<uint16_t>(frames[i]);
      dst[2 * i] = static_cast<uint8_t>(v & 0xFF);
      dst[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    done += n;
  }
}

}  // namespace kelmar
