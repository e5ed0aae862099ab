// Wave synthesis: one cycle of an oscillator pair, in the new and the old oscillator model.
#include <algorithm>
#include <array>

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

void BuildPair(const uint8_t* pairBytes, bool oldModel, uint8_t* out);

}  // namespace

uint8_t Engine::WaveSample(uint8_t phase, uint8_t instrument, int pair, uint8_t firstOsc, uint8_t lastOsc) const {
  const uint8_t* pairBytes = song.Instruments[instrument].bytes() + 1 + 4 * (pair != 0 ? 1 : 0);
  // 0 selects the new model; any other byte (1, or a stray value from a file) the old one,
  // as for the other on/off bytes of an instrument.
  if (song.SynthMode[instrument] != 0) return OldModelSample(pairBytes, phase);
  return NewModelSample(pairBytes, phase, firstOsc, lastOsc);
}

namespace {

// One pair's 256 samples at once, the same values as WaveSample gives one by one: the
// oscillator bytes are decoded once per pair instead of once per sample.
void BuildPair(const uint8_t* pairBytes, bool oldModel, uint8_t* out) {
  if (oldModel) {
    for (int j = 0; j < 256; ++j) out[j] = OldModelSample(pairBytes, static_cast<uint8_t>(j));
    return;
  }
  // Raw shape values by x mod 512 (every shape repeats every 512 units of x).
  static const auto raw = [] {
    std::array<std::array<int16_t, 512>, 4> t{};
    const uint8_t* sine = Tables().SineTable.data();
    for (int x = 0; x < 512; ++x) {
      t[0][x] = static_cast<int16_t>(sine[x] - 128);
      t[1][x] = static_cast<int16_t>(sine[(x + 128) % 512] - 128);
      t[2][x] = static_cast<int16_t>(((x >> 1) % 256) - 128);
      t[3][x] = static_cast<int16_t>(x > 255 ? 127 : -128);
    }
    return t;
  }();
  int sum[256] = {};
  for (int k = 1; k >= 0; --k) {
    const int a = static_cast<int8_t>(pairBytes[2 * k]);
    const int magnitude = (a < 0 ? -a : a) % 128;
    if (magnitude == 0) continue;  // contributes 0 at every position
    const uint8_t w = pairBytes[2 * k + 1];
    const int m = (w >> 4) + 1;
    const int16_t* shape = raw[w & 3].data();
    const int flip = a < 0 ? -1 : 0;  // complement: -s - 1 = s ^ -1
    int v[256];
    for (int phase = 0; phase < 256; ++phase) v[phase] = magnitude * (shape[(phase * m) & 511] ^ flip) / 16;
    switch ((w >> 2) & 3) {
      case 0: for (int p = 0; p < 256; ++p) sum[p] += v[p]; break;
      case 1: for (int p = 0; p < 256; ++p) sum[p] += v[p] * p / 255; break;
      case 2: for (int p = 0; p < 256; ++p) sum[p] += v[p] * (255 - p) / 255; break;
      default:
        for (int p = 0; p < 256; ++p) sum[p] += v[p] * (p < 128 ? 2 * p : 511 - 2 * p) / 255;
        break;
    }
  }
  for (int j = 0; j < 256; ++j) out[j] = static_cast<uint8_t>(Clamp8(sum[j]) + 128);
}

}  // namespace

void Engine::BuildWaveTable(uint8_t instrument) {
  auto& table = WaveTables[instrument];
  const uint8_t* bytes = song.Instruments[instrument].bytes();
  const bool oldModel = song.SynthMode[instrument] != 0;
  BuildPair(bytes + 1, oldModel, table.data());
  BuildPair(bytes + 5, oldModel, table.data() + 256);
}

void Engine::BuildAllWaveTables() {
  for (int i = 0; i < kInstrumentCount; ++i) BuildWaveTable(static_cast<uint8_t>(i));
}

}  // namespace kelmar
