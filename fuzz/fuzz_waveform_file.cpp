// Any byte string loaded as a waveform file for both oscillator pairs. A refusal changes
// nothing; a load changes only the pair's 18 bytes, and saving them again gives the
// input's marker and bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/waveform_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  std::vector<uint8_t> exact(data, data + size);
  for (int pair = 0; pair < 2; ++pair) {
    Instrument ins;
    std::memset(&ins, 0x77, sizeof ins);
    const bool ok = DecodeWaveformFile(exact.data(), exact.size(), pair, ins).ok();
    const size_t first = WaveformFirstByte(pair);
    for (size_t k = 0; k < sizeof ins; ++k) {
      const bool inPair = ok && k >= first && k < first + kWaveformByteCount;
      if (!inPair && ins.bytes()[k] != 0x77) std::abort();
    }
    if (!ok) continue;
    const std::vector<uint8_t> file = EncodeWaveformFile(ins, pair);
    if (file.size() != size ||
        std::memcmp(file.data() + kWaveformMarkerOffset, data + kWaveformMarkerOffset, 26) != 0)
      std::abort();
  }
  return 0;
}
