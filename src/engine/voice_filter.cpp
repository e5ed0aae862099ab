// The filter pass: frame by frame across the filtered and noisy voices. Each voice's filter
// is a serial chain through its state, so running the voices side by side lets the chains
// overlap: in vector registers, one voice per 64-bit lane (four per AVX2 register, two per
// SSE2 one), or in plain integer code. Every division by 255 is the exact multiply-shift of
// divide_by_255.h.
#include "engine/voice_filter.h"

#include <algorithm>

#include "engine/cpu_features.h"
#include "engine/stereo_pack.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace kelmar {
namespace {

using FilterScratch = Engine::FilterScratch;
using FilterSettings = Engine::FilterSettings;

// The block in segments in which no voice's setting changes: writes each segment's end, in
// order (the last is frames), to ends and returns how many there are (at most count + 1).
int SegmentEnds(const FilterSettings* settings, int count, int frames, int* ends) {
  int n = 0;
  for (int j = 0; j < count; ++j) {
    if (settings[j].from > 0 && settings[j].from < frames) ends[n++] = settings[j].from;
  }
  std::sort(ends, ends + n);
  n = static_cast<int>(std::unique(ends, ends + n) - ends);
  ends[n++] = frames;
  return n;
}

// A voice's setting in the segment that begins at frame start.
inline uint64_t SettingFrom(const FilterSettings& s, int start) { return start < s.from ? s.before : s.after; }

// Both pan products from one multiply: |v| * right stays below 2^19, clear of |v| * left << 24.
inline uint64_t PanGains(uint8_t lr) { return (static_cast<uint64_t>(lr >> 4) << 24) | (lr & 15u); }

// A filter state's output at a level (levelScaled = Scaled255(level)): |v| = |state| * level
// / 255 (|state| <= 32768), |v| * left / 128 into bits 16.. and |v| * right / 128 into bits
// 0..11 (at most 3840 each), and the sign of the state for both.
inline int32_t PannedOutput(int state, uint64_t levelScaled, uint64_t gains) {
  const auto magnitude = static_cast<uint64_t>(state < 0 ? -state : state);
  const uint64_t panned = ((magnitude * levelScaled) >> kReciprocal255Shift) * gains;
  const auto packed = static_cast<int32_t>(((panned >> (31 - 16)) & 0xFFFF0000u) | ((panned >> 7) & 0xFFFu));
  return state < 0 ? -packed : packed;
}

// One voice, one frame: the filter step, then volume and the two pan nibbles, for the gains
// of PanGains. Every path computes exactly this.
//
// The filter step, state += MulDiv255(sample - state, k), is the chain through the frames,
// so it takes neither the magnitude nor the sign of d = sample - state. The unsigned product
// of d's 32 bits and S = Scaled255(k), shifted right by 31, is floor(d * S / 2^31), plus 2S
// where d < 0 (d's bits read as d + 2^32). k is at least 1 and S is odd, so for d < 0 that
// floor lies 1 below the quotient truncated toward zero. The correction, 1 - 2S where d < 0,
// does not wait for the product. (|d| <= 65535 keeps the product within the reciprocal's range.)
//
// Then the output (PannedOutput).
inline int32_t FilterFrame(int& state, int sample, uint64_t setting, uint64_t gains) {
  const auto scaled = static_cast<uint32_t>(setting);
  const int d = sample - state;
  const auto product = static_cast<uint32_t>((uint64_t{static_cast<uint32_t>(d)} * scaled) >> kReciprocal255Shift);
  state = static_cast<int>(static_cast<uint32_t>(state) + product + (d < 0 ? 1 - 2 * scaled : 0));
  return PannedOutput(state, setting >> 32, gains);
}

template <int N>
[[gnu::noinline]] void FilterPassN(Channel* const* voices, const FilterScratch& in, int32_t* mix, int frames) {
  int state[N];
  uint64_t gains[N];
  for (int j = 0; j < N; ++j) {
    state[j] = voices[j]->FilterState;
    gains[j] = PanGains(voices[j]->LRVolume);
  }
  int ends[N + 1];
  const int segments = SegmentEnds(in.settings, N, frames, ends);
  for (int k = 0, start = 0; k < segments; start = ends[k++]) {
    uint64_t setting[N];
    for (int j = 0; j < N; ++j) setting[j] = SettingFrom(in.settings[j], start);
    for (int i = start; i < ends[k]; ++i) {
      int32_t sum = 0;
      for (int j = 0; j < N; ++j) sum += FilterFrame(state[j], in.samples[i * kFilterSlots + j], setting[j], gains[j]);
      mix[i] += sum;
    }
  }
  for (int j = 0; j < N; ++j) voices[j]->FilterState = static_cast<int16_t>(state[j]);
}

// Voice by voice, also writing stems.
void FilterPassWithStems(Channel* const* voices, int16_t* const* stems, int count, const FilterScratch& in,
                         int32_t* mix, int frames) {
  for (int j = 0; j < count; ++j) {
    Channel& ch = *voices[j];
    int state = ch.FilterState;
    const uint64_t gains = PanGains(ch.LRVolume);
    const FilterSettings& settings = in.settings[j];
    for (int i = 0; i < frames; ++i) {
      const int32_t out = FilterFrame(state, in.samples[i * kFilterSlots + j], SettingFrom(settings, i), gains);
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

// In every vector lane below, a voice's values sit in the low 32 bits of a 64-bit lane: the
// 32 x 32 -> 64-bit multiply then divides by 255 in one step (see divide_by_255.h), which
// keeps each frame's filter chain short. The high halves of states and samples are never
// read; the sums of outputs take their low halves only.
//
// The filter step and the output are those of FilterFrame, lane by lane.

// The voices' filter states and pan gains, one per 64-bit lane; unused lanes stay 0, so
// their gains add nothing.
struct alignas(32) VoiceLanes {
  int64_t state[8] = {};
  uint64_t gains[8] = {};

  VoiceLanes(Channel* const* voices, int count) {
    for (int j = 0; j < count; ++j) {
      state[j] = voices[j]->FilterState;
      gains[j] = PanGains(voices[j]->LRVolume);
    }
  }
  // The states back to the voices, from the low halves of the lanes.
  void StoreStates(Channel* const* voices, int count) const {
    for (int j = 0; j < count; ++j) voices[j]->FilterState = static_cast<int16_t>(static_cast<int32_t>(state[j]));
  }
};

// The voices' settings in the segment that begins at frame start, in a row of all the slots
// (unused slots 0).
void SegmentSettings(const FilterSettings* settings, int count, int start, uint64_t* row) {
  for (int j = 0; j < kFilterSlots; ++j) row[j] = j < count ? SettingFrom(settings[j], start) : 0;
}

// ---- AVX2: four voices per register.

// Four voices' settings as their frames take them: per lane the scaled coefficient S, the
// correction 1 - 2S where d < 0, and the scaled level, each in the low half.
struct QuadSetting {
  __m256i scaled, fix, level;
};

[[gnu::target("avx2")]] inline QuadSetting QuadSettingOf(const uint64_t* row) {
  const __m256i setting = _mm256_load_si256(reinterpret_cast<const __m256i*>(row));
  return {setting, _mm256_sub_epi32(_mm256_set1_epi64x(1), _mm256_add_epi32(setting, setting)),
          _mm256_srli_epi64(setting, 32)};
}

// One frame of four voices: advances their filter states and returns their packed outputs
// (low 32 bits of each lane; the high halves are left over).
[[gnu::target("avx2")]] [[gnu::always_inline]] inline __m256i QuadFrame(__m256i& state, __m256i gain,
                                                                        const int16_t* samples,
                                                                        const QuadSetting& set) {
  const __m256i s = _mm256_cvtepi16_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples)));
  const __m256i d = _mm256_sub_epi32(s, state);
  const __m256i fix = _mm256_and_si256(_mm256_srai_epi32(d, 31), set.fix);
  state = _mm256_add_epi32(_mm256_add_epi32(state, fix),
                           _mm256_srli_epi64(_mm256_mul_epu32(d, set.scaled), kReciprocal255Shift));
  const __m256i level =
      _mm256_srli_epi64(_mm256_mul_epu32(_mm256_abs_epi32(state), set.level), kReciprocal255Shift);
  // |v| * left sits at bits 24 and up of the product and |v| * right below bit 19: the low
  // 16 bits come from the product >> 7, the next 16 from the product >> 15 (a word blend).
  const __m256i panned = _mm256_mul_epu32(level, gain);
  const __m256i packed =
      _mm256_blend_epi16(_mm256_srli_epi64(panned, 31 - 16), _mm256_srli_epi64(panned, 7), 0b00010001);
  return _mm256_sign_epi32(packed, state);
}

// The sums of four frames' outputs, one frame per 32-bit lane.
[[gnu::target("avx2")]] inline __m128i QuadSums(__m256i f0, __m256i f1, __m256i f2, __m256i f3) {
  const __m256i f01 = _mm256_blend_epi32(f0, _mm256_slli_epi64(f1, 32), 0b10101010);
  const __m256i f23 = _mm256_blend_epi32(f2, _mm256_slli_epi64(f3, 32), 0b10101010);
  const __m256i halves = _mm256_add_epi32(_mm256_unpacklo_epi64(f01, f23), _mm256_unpackhi_epi64(f01, f23));
  return _mm_add_epi32(_mm256_castsi256_si128(halves), _mm256_extracti128_si256(halves, 1));
}

// Quads of voices (slots 0..3, then 4..7), or one quad and slot 4 in integer code: vector
// and integer instructions issue side by side, so five voices take less time than two quads
// (a sixth in integer code takes more). Unused slots have gains 0, so they add nothing. The
// block runs segment by segment, each with its settings in registers.
template <int kQuads, bool kFifth>
[[gnu::target("avx2")]] [[gnu::noinline]] void FilterPassQuads(Channel* const* voices, int count,
                                                               const FilterScratch& in, int32_t* mix, int frames) {
  static_assert(kQuads == 1 || (kQuads == 2 && !kFifth));
  VoiceLanes lanes(voices, count);
  int64_t* const state = lanes.state;
  const uint64_t* const gains = lanes.gains;
  int fifthState = kFifth ? voices[4]->FilterState : 0;
  // Two quads are written out, not looped, so that both states stay in registers.
  __m256i st0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(state));
  __m256i st1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(state + 4));
  const __m256i gain0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(gains));
  const __m256i gain1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(gains + 4));
#define KELMAR_QUADS_FRAME(i)                                                          \
  (kQuads == 1 ? QuadFrame(st0, gain0, in.samples + (i) * kFilterSlots, set0)          \
               : _mm256_add_epi32(QuadFrame(st0, gain0, in.samples + (i) * kFilterSlots, set0), \
                                  QuadFrame(st1, gain1, in.samples + (i) * kFilterSlots + 4, set1)))
  int ends[kFilterSlots + 1];
  const int segments = SegmentEnds(in.settings, count, frames, ends);
  for (int k = 0, start = 0; k < segments; start = ends[k++]) {
    alignas(32) uint64_t row[kFilterSlots];
    SegmentSettings(in.settings, count, start, row);
    const QuadSetting set0 = QuadSettingOf(row), set1 = QuadSettingOf(row + 4);
    auto fifth = [&, setting = row[4]](int i) {
      return FilterFrame(fifthState, in.samples[i * kFilterSlots + 4], setting, gains[4]);
    };
    const int end = ends[k];
    int i = start;
    for (; i + 4 <= end; i += 4) {  // in this order: each frame steps the states
      const __m256i f0 = KELMAR_QUADS_FRAME(i), f1 = KELMAR_QUADS_FRAME(i + 1);
      const __m256i f2 = KELMAR_QUADS_FRAME(i + 2), f3 = KELMAR_QUADS_FRAME(i + 3);
      __m128i* at = reinterpret_cast<__m128i*>(mix + i);
      __m128i sums = _mm_add_epi32(_mm_loadu_si128(at), QuadSums(f0, f1, f2, f3));
      if constexpr (kFifth) {
        const int32_t o0 = fifth(i), o1 = fifth(i + 1), o2 = fifth(i + 2), o3 = fifth(i + 3);  // in this order
        sums = _mm_add_epi32(sums, _mm_setr_epi32(o0, o1, o2, o3));
      }
      _mm_storeu_si128(at, sums);
    }
    for (; i < end; ++i) {
      const __m256i sum = KELMAR_QUADS_FRAME(i);
      __m128i total = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
      total = _mm_add_epi32(total, _mm_unpackhi_epi64(total, total));
      mix[i] += _mm_cvtsi128_si32(total) + (kFifth ? fifth(i) : 0);
    }
  }
#undef KELMAR_QUADS_FRAME
  _mm256_store_si256(reinterpret_cast<__m256i*>(state), st0);
  _mm256_store_si256(reinterpret_cast<__m256i*>(state + 4), st1);
  lanes.StoreStates(voices, count);
  if constexpr (kFifth) voices[4]->FilterState = static_cast<int16_t>(fifthState);  // not the unused lane's
}

// ---- SSE2 (every x86-64 processor): two voices per register, without SSSE3's abs and sign.

// All ones in both halves of a lane whose low half is negative.
inline __m128i NegativeLanes(__m128i x) { return _mm_srai_epi32(_mm_shuffle_epi32(x, _MM_SHUFFLE(2, 2, 0, 0)), 31); }
// x or -x by the mask, half by half: a zero high half stays zero.
inline __m128i Negate(__m128i x, __m128i negative) { return _mm_sub_epi32(_mm_xor_si128(x, negative), negative); }

// Two voices' settings, as QuadSetting.
struct PairSetting {
  __m128i scaled, fix, level;
};

inline PairSetting PairSettingOf(const uint64_t* row) {
  const __m128i setting = _mm_load_si128(reinterpret_cast<const __m128i*>(row));
  return {setting, _mm_sub_epi32(_mm_set1_epi64x(1), _mm_add_epi32(setting, setting)), _mm_srli_epi64(setting, 32)};
}

// Two states' outputs, as PannedOutput.
inline __m128i PairOutput(__m128i state, __m128i levelScaled, __m128i gain) {
  const __m128i negative = NegativeLanes(state);
  const __m128i v = _mm_srli_epi64(_mm_mul_epu32(Negate(state, negative), levelScaled), kReciprocal255Shift);
  const __m128i panned = _mm_mul_epu32(v, gain);
  const __m128i packed = _mm_or_si128(_mm_and_si128(_mm_srli_epi64(panned, 31 - 16), _mm_set1_epi64x(0xFFFF0000)),
                                      _mm_and_si128(_mm_srli_epi64(panned, 7), _mm_set1_epi64x(0xFFF)));
  return Negate(packed, negative);
}

// One frame of two voices, as QuadFrame.
inline __m128i PairFrame(__m128i& state, __m128i gain, __m128i s, const PairSetting& set) {
  const __m128i d = _mm_sub_epi32(s, state);
  const __m128i fix = _mm_and_si128(_mm_srai_epi32(d, 31), set.fix);
  state = _mm_add_epi32(_mm_add_epi32(state, fix), _mm_srli_epi64(_mm_mul_epu32(d, set.scaled), kReciprocal255Shift));
  return PairOutput(state, set.level, gain);
}

// One frame of four pairs of voices, slots 0..7 (unused slots have gains 0): the sum of
// their outputs in the low halves of the two lanes.
inline __m128i PairsFrame(__m128i* st, const __m128i* gain, const int16_t* samples, const PairSetting* set) {
  // Samples a..h to lanes (a, b), (c, d), ...: each in the low half of its lane.
  const __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
  const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16);
  const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16);
  __m128i out = PairFrame(st[0], gain[0], _mm_unpacklo_epi32(lo, lo), set[0]);
  out = _mm_add_epi32(out, PairFrame(st[1], gain[1], _mm_unpackhi_epi32(lo, lo), set[1]));
  out = _mm_add_epi32(out, PairFrame(st[2], gain[2], _mm_unpacklo_epi32(hi, hi), set[2]));
  return _mm_add_epi32(out, PairFrame(st[3], gain[3], _mm_unpackhi_epi32(hi, hi), set[3]));
}

[[gnu::noinline]] void FilterPassPairs(Channel* const* voices, int count, const FilterScratch& in, int32_t* mix,
                                       int frames) {
  VoiceLanes lanes(voices, count);
  int64_t* const state = lanes.state;
  const uint64_t* const gains = lanes.gains;
  __m128i st[4], gain[4];
  for (int p = 0; p < 4; ++p) {
    st[p] = _mm_load_si128(reinterpret_cast<const __m128i*>(state + 2 * p));
    gain[p] = _mm_load_si128(reinterpret_cast<const __m128i*>(gains + 2 * p));
  }
  int ends[kFilterSlots + 1];
  const int segments = SegmentEnds(in.settings, count, frames, ends);
  for (int k = 0, start = 0; k < segments; start = ends[k++]) {
    alignas(16) uint64_t row[kFilterSlots];
    SegmentSettings(in.settings, count, start, row);
    PairSetting set[4];
    for (int p = 0; p < 4; ++p) set[p] = PairSettingOf(row + 2 * p);
    auto frame = [&](int i) { return PairsFrame(st, gain, in.samples + i * kFilterSlots, set); };
    const int end = ends[k];
    int i = start;
    for (; i + 4 <= end; i += 4) {
      const __m128i f0 = frame(i), f1 = frame(i + 1), f2 = frame(i + 2), f3 = frame(i + 3);  // in this order
      const __m128i f01 = _mm_or_si128(f0, _mm_slli_epi64(f1, 32));
      const __m128i f23 = _mm_or_si128(f2, _mm_slli_epi64(f3, 32));
      __m128i* at = reinterpret_cast<__m128i*>(mix + i);
      _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at),
                                         _mm_add_epi32(_mm_unpacklo_epi64(f01, f23), _mm_unpackhi_epi64(f01, f23))));
    }
    for (; i < end; ++i) {
      const __m128i f = frame(i);
      mix[i] += _mm_cvtsi128_si32(_mm_add_epi32(f, _mm_unpackhi_epi64(f, f)));
    }
  }
  for (int p = 0; p < 4; ++p) _mm_store_si128(reinterpret_cast<__m128i*>(state + 2 * p), st[p]);
  lanes.StoreStates(voices, count);
}

#endif

}  // namespace

void FillOutputTable(uint32_t level, uint8_t lr, int32_t* table) {
  const uint64_t gains = PanGains(lr);
  int b = 0;
#ifdef KELMAR_VECTOR_FILTER
  const __m128i scaled = _mm_set1_epi64x(Scaled255(level));
  const __m128i gain = _mm_set1_epi64x(static_cast<int64_t>(gains));
  const __m128i step = _mm_set1_epi64x(2 * 257);
  __m128i sample = _mm_setr_epi32(-32768, 0, 257 - 32768, 0);  // bytes b and b + 1, in the low halves
  for (; b < 256; b += 4) {
    const __m128i first = PairOutput(sample, scaled, gain);
    sample = _mm_add_epi32(sample, step);
    const __m128i second = PairOutput(sample, scaled, gain);
    sample = _mm_add_epi32(sample, step);
    const __m128i four = _mm_unpacklo_epi64(_mm_shuffle_epi32(first, _MM_SHUFFLE(3, 1, 2, 0)),
                                            _mm_shuffle_epi32(second, _MM_SHUFFLE(3, 1, 2, 0)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(table + b), four);
  }
#endif
  for (; b < 256; ++b) table[b] = PannedOutput(b * 257 - 32768, Scaled255(level), gains);
}

void FilterPass(Channel* const* voices, int16_t* const* stems, int count, RenderPath path, const FilterScratch& in,
                int32_t* mix, int frames) {
  if (stems) return FilterPassWithStems(voices, stems, count, in, mix, frames);
#ifdef KELMAR_VECTOR_FILTER
  // Integer code is the quicker for one voice, and for up to five against SSE2's pairs
  // (bench_engine, FilterPass).
  if (path == RenderPath::Best && HasAvx2() && count > 1) {
    if (count <= 4) return FilterPassQuads<1, false>(voices, count, in, mix, frames);
    if (count == 5) return FilterPassQuads<1, true>(voices, count, in, mix, frames);
    return FilterPassQuads<2, false>(voices, count, in, mix, frames);
  }
  if (path != RenderPath::Scalar && count > 5) return FilterPassPairs(voices, count, in, mix, frames);
#else
  (void)path;
#endif
  switch (count) {
    case 1:
      return FilterPassN<1>(voices, in, mix, frames);
    case 2:
      return FilterPassN<2>(voices, in, mix, frames);
    case 3:
      return FilterPassN<3>(voices, in, mix, frames);
    case 4:
      return FilterPassN<4>(voices, in, mix, frames);
    case 5:
      return FilterPassN<5>(voices, in, mix, frames);
    case 6:
      return FilterPassN<6>(voices, in, mix, frames);
    case 7:
      return FilterPassN<7>(voices, in, mix, frames);
    case 8:
      return FilterPassN<8>(voices, in, mix, frames);
    default:
      return;
  }
}

}  // namespace kelmar
