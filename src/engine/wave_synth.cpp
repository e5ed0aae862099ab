// Wave synthesis: one cycle of an oscillator pair, in the new and the old oscillator model.
#include <algorithm>
#include <array>

#include "engine/cpu_features.h"
#include "engine/engine.h"

namespace kelmar {
namespace {

int Clamp8(int v) { return std::clamp(v, -128, 127); }

// New model: the sum of the pair's oscillators firstOsc down to lastOsc.
uint8_t NewModelSample(const uint8_t* pairBytes, uint8_t phase, int firstOsc, int lastOsc) {
  const uint8_t* sine = Tables().SineTable.data();
  int sum = 0;
  // Only oscillators 0 and 1 exist in a pair; bounds outside that read nothing.
  for (int k = std::min(firstOsc, 1); k >= lastOsc && k >= 0; --k) {
    const int a = static_cast<int8_t>(pairBytes[2 * k]);
    const uint8_t w = pairBytes[2 * k + 1];
    const int m = (w >> 4) + 1;
    const int x = phase * m;
    int s;
    switch (w & 3) {
      case 0: s = sine[x % 512] - 128; break;
      case 1: s = sine[(x + 128) % 512] - 128; break;
      case 2: s = ((x >> 1) % 256) - 128; break;
      default: s = (x % 512) > 255 ? 127 : -128; break;
    }
    if (a < 0) s = -s - 1;
    const int magnitude = (a < 0 ? -a : a) % 128;
    int v = magnitude * s / 16;
    switch ((w >> 2) & 3) {
      case 0: break;
      case 1: v = v * phase / 255; break;
      case 2: v = v * (255 - phase) / 255; break;
      default: v = v * (phase < 128 ? 2 * phase : 511 - 2 * phase) / 255; break;
    }
    sum += v;
  }
  return static_cast<uint8_t>(Clamp8(sum) + 128);
}

// Old model: ramp rate, sine bend, inversion point and gain, computed as one unit.
uint8_t OldModelSample(const uint8_t* b, uint8_t phase) {
  int d = ((phase * b[0]) >> 6) % 256;
  if (b[1] > 0) d = Tables().SineTable[(((d * b[1]) >> 4) + 128) % 512];
  if (phase < b[2]) d = 255 - d;
  const int s = d - 128;
  const int r = s + s * b[3] / 16;
  return static_cast<uint8_t>(Clamp8(r) + 128);
}

void BuildPair(const uint8_t* pairBytes, bool oldModel, bool wide, uint8_t* out);

}  // namespace

uint8_t Engine::WaveSample(uint8_t phase, uint8_t instrument, int pair, uint8_t firstOsc, uint8_t lastOsc) const {
  const uint8_t* pairBytes = song.Instruments[instrument].bytes() + 1 + 4 * (pair != 0 ? 1 : 0);
  // 0 selects the new model; any other byte (1, or a stray value from a file) the old one,
  // as for the other on/off bytes of an instrument.
  if (song.SynthMode[instrument] != 0) return OldModelSample(pairBytes, phase);
  return NewModelSample(pairBytes, phase, firstOsc, lastOsc);
}

namespace {

// An oscillator's shape read at every phase for each frequency multiple m (1..16), before
// its amplitude: shape[(phase * m) mod 512], laid out so that a pair's loops run straight
// through memory. Every shape repeats every 512 units of x.
struct ResampledShapes {
  std::array<std::array<std::array<int16_t, 256>, 16>, 4> at;  // [shape][m - 1][phase]
};

const ResampledShapes& Resampled() {
  static const ResampledShapes shapes = [] {
    ResampledShapes t{};
    const uint8_t* sine = Tables().SineTable.data();
    for (int m = 1; m <= 16; ++m) {
      for (int phase = 0; phase < 256; ++phase) {
        const int x = (phase * m) % 512;
        t.at[0][m - 1][phase] = static_cast<int16_t>(sine[x] - 128);
        t.at[1][m - 1][phase] = static_cast<int16_t>(sine[(x + 128) % 512] - 128);
        t.at[2][m - 1][phase] = static_cast<int16_t>(((x >> 1) % 256) - 128);
        t.at[3][m - 1][phase] = static_cast<int16_t>(x > 255 ? 127 : -128);
      }
    }
    return t;
  }();
  return shapes;
}

// The amplitude envelopes over a cycle, by the two envelope bits: none, rising, falling,
// up and down; each a factor of 0..255 on the oscillator's value.
constexpr std::array<std::array<int16_t, 256>, 4> kCycleEnvelopes = [] {
  std::array<std::array<int16_t, 256>, 4> t{};
  for (int p = 0; p < 256; ++p) {
    t[0][p] = 255;
    t[1][p] = static_cast<int16_t>(p);
    t[2][p] = static_cast<int16_t>(255 - p);
    t[3][p] = static_cast<int16_t>(p < 128 ? 2 * p : 511 - 2 * p);
  }
  return t;
}();

// One oscillator added into sum: a straight loop over 256 phases that the compiler turns
// into vector code (the divisions by constants become multiplies). A factor of 255 (no
// envelope) leaves the value as it is, so one loop serves all four envelopes.
[[gnu::always_inline]] inline void AddOscillatorLoop(const int16_t* shape, int magnitude, int flip,
                                                     const int16_t* envelope, int32_t* sum) {
  for (int p = 0; p < 256; ++p) {
    const int v = magnitude * (shape[p] ^ flip) / 16;
    sum[p] += v * envelope[p] / 255;
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same loop in AVX2's wider registers, chosen at run time. (Not target_clones: its ifunc
// resolver runs before a sanitizer's runtime is up.)
[[gnu::target("avx2")]] void AddOscillatorAvx2(const int16_t* shape, int magnitude, int flip, const int16_t* envelope,
                                               int32_t* sum) {
  AddOscillatorLoop(shape, magnitude, flip, envelope, sum);
}
#endif

// wide: AVX2 where the processor has it (Engine::Path is Best).
void AddOscillator(const int16_t* shape, int magnitude, int flip, const int16_t* envelope, int32_t* sum, bool wide) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (wide && HasAvx2()) return AddOscillatorAvx2(shape, magnitude, flip, envelope, sum);
#endif
  AddOscillatorLoop(shape, magnitude, flip, envelope, sum);
}

// One pair's 256 samples at once, the same values as WaveSample gives one by one: the
// oscillator bytes are decoded once per pair instead of once per sample.
void BuildPair(const uint8_t* pairBytes, bool oldModel, bool wide, uint8_t* out) {
  if (oldModel) {
    for (int j = 0; j < 256; ++j) out[j] = OldModelSample(pairBytes, static_cast<uint8_t>(j));
    return;
  }
  int32_t sum[256] = {};
  for (int k = 1; k >= 0; --k) {
    const int a = static_cast<int8_t>(pairBytes[2 * k]);
    const int magnitude = (a < 0 ? -a : a) % 128;
    if (magnitude == 0) continue;  // contributes 0 at every position
    const uint8_t w = pairBytes[2 * k + 1];
    const int flip = a < 0 ? -1 : 0;  // complement: -s - 1 = s ^ -1
    AddOscillator(Resampled().at[w & 3][w >> 4].data(), magnitude, flip, kCycleEnvelopes[(w >> 2) & 3].data(), sum,
                  wide);
  }
  for (int j = 0; j < 256; ++j) out[j] = static_cast<uint8_t>(Clamp8(sum[j]) + 128);
}

}  // namespace

void Engine::BuildWaveTable(uint8_t instrument) {
  auto& table = WaveTables[instrument];
  const uint8_t* bytes = song.Instruments[instrument].bytes();
  const bool oldModel = song.SynthMode[instrument] != 0;
  const bool wide = Path == RenderPath::Best;
  BuildPair(bytes + 1, oldModel, wide, table.data());
  BuildPair(bytes + 5, oldModel, wide, table.data() + 256);
}

void Engine::BuildAllWaveTables() {
  for (int i = 0; i < kInstrumentCount; ++i) BuildWaveTable(static_cast<uint8_t>(i));
}

}  // namespace kelmar
