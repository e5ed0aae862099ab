// The filter pass: frame by frame across the filtered and noisy voices. Each voice's filter
// is a serial chain through its state, so running the voices side by side lets the chains
// overlap. Every division by 255 is the exact multiply-shift of divide_by_255.h.
#include "engine/voice_filter.h"

#include "engine/stereo_pack.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace kelmar {
namespace {

using FilterScratch = Engine::FilterScratch;

// One voice, one frame: the filter step, then volume and the two pan nibbles.
// |sample - state| <= 65535 and |state| <= 32768, so both products stay within the reciprocal's range.
inline int32_t FilterFrame(int& state, int sample, uint64_t setting, int leftGain, int rightGain) {
  state += MulDiv255(sample - state, static_cast<uint32_t>(setting));  // always between state and sample
  const int v = MulDiv255(state, static_cast<uint32_t>(setting >> 32));
  return Pack(v * leftGain / 128, v * rightGain / 128);
}

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
      const int at = i * kFilterSlots + j;
      sum += FilterFrame(state[j], in.samples[at], in.settings[at], leftGain[j], rightGain[j]);
    }
    mix[i] += sum;
  }
  for (int j = 0; j < N; ++j) voices[j]->FilterState = static_cast<int16_t>(state[j]);
}

// Voice by voice, also writing stems.
void FilterPassWithStems(Channel* const* voices, int16_t* const* stems, int count, const FilterScratch& in,
                         int32_t* mix, int frames) {
  for (int j = 0; j < count; ++j) {
    Channel& ch = *voices[j];
    int state = ch.FilterState;
    const int leftGain = ch.LRVolume >> 4;
    const int rightGain = ch.LRVolume & 15;
    for (int i = 0; i < frames; ++i) {
      const int at = i * kFilterSlots + j;
      const int32_t out = FilterFrame(state, in.samples[at], in.settings[at], leftGain, rightGain);
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

// Four voices per register, one per 64-bit lane, their values in the low 32 bits (the high
// halves are never read): the 32 x 32 -> 64-bit multiply then divides by 255 in one step
// (see divide_by_255.h), which keeps each frame's filter chain short.
[[gnu::target("avx2")]] inline __m256i MulDiv255Lanes(__m256i x, __m256i scaled) {
  const __m256i q = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_abs_epi32(x), scaled), kReciprocal255Shift);
  return _mm256_sign_epi32(q, x);
}

// One frame of four voices: advances their filter states and returns their packed outputs
// (low 32 bits of each lane).
[[gnu::target("avx2")]] [[gnu::always_inline]] inline __m256i QuadFrame(__m256i& state, __m256i gain,
                                                                        const int16_t* samples,
                                                                        const uint64_t* settings) {
  const __m256i s = _mm256_cvtepi16_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples)));
  const __m256i setting = _mm256_load_si256(reinterpret_cast<const __m256i*>(settings));
  state = _mm256_add_epi32(state, MulDiv255Lanes(_mm256_sub_epi32(s, state), setting));
  // |v| = |state| * level / 255; then |v| * left / 128 into bits 16.. and |v| * right / 128
  // into bits 0..11 (at most 3840 each), and the sign of the state for both.
  const __m256i level =
      _mm256_srli_epi64(_mm256_mul_epu32(_mm256_abs_epi32(state), _mm256_srli_epi64(setting, 32)), kReciprocal255Shift);
  const __m256i panned = _mm256_mul_epu32(level, gain);
  const __m256i packed =
      _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi64(panned, 31 - 16), _mm256_set1_epi64x(0xFFFF0000)),
                      _mm256_and_si256(_mm256_srli_epi64(panned, 7), _mm256_set1_epi64x(0xFFF)));
  return _mm256_sign_epi32(packed, state);
}

// Quads of voices: slots 0..3, then 4..7. Unused slots have gains 0, so they add nothing.
template <int kQuads>
[[gnu::target("avx2")]] [[gnu::noinline]] void FilterPassQuads(Channel* const* voices, int count,
                                                               const FilterScratch& in, int32_t* mix, int frames) {
  static_assert(kQuads == 1 || kQuads == 2);
  alignas(32) int64_t state[8] = {}, gains[8] = {};
  for (int j = 0; j < count; ++j) {
    state[j] = voices[j]->FilterState;
    // Both pan products from one multiply: |v| * right stays below 2^19, clear of |v| * left << 24.
    gains[j] = (static_cast<int64_t>(voices[j]->LRVolume >> 4) << 24) | (voices[j]->LRVolume & 15);
  }
  // Two quads are written out, not looped, so that both states stay in registers.
  __m256i st0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(state));
  __m256i st1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(state + 4));
  const __m256i gain0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(gains));
  const __m256i gain1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(gains + 4));
  for (int i = 0; i < frames; ++i) {
    const int at = i * kFilterSlots;
    __m256i sum = QuadFrame(st0, gain0, in.samples + at, in.settings + at);
    if constexpr (kQuads == 2)
      sum = _mm256_add_epi32(sum, QuadFrame(st1, gain1, in.samples + at + 4, in.settings + at + 4));
    __m128i total = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
    total = _mm_add_epi32(total, _mm_unpackhi_epi64(total, total));
    mix[i] += _mm_cvtsi128_si32(total);
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(state), st0);
  _mm256_store_si256(reinterpret_cast<__m256i*>(state + 4), st1);
  for (int j = 0; j < count; ++j) voices[j]->FilterState = static_cast<int16_t>(static_cast<int32_t>(state[j]));
}

bool HasVectorFilter() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace

void FilterPass(Channel* const* voices, int16_t* const* stems, int count, bool allowVector, const FilterScratch& in,
                int32_t* mix, int frames) {
  if (stems) return FilterPassWithStems(voices, stems, count, in, mix, frames);
#ifdef KELMAR_VECTOR_FILTER
  if (allowVector && HasVectorFilter()) {
    if (count <= 4) return FilterPassQuads<1>(voices, count, in, mix, frames);
    return FilterPassQuads<2>(voices, count, in, mix, frames);
  }
#else
  (void)allowVector;
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
