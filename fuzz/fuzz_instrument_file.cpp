// Any byte string loaded as an instrument file. A refusal changes nothing; a loaded
// instrument saved and loaded again comes back the same, with the same synth mode.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/instrument_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  std::vector<uint8_t> exact(data, data + size);
  Instrument ins;
  std::memset(&ins, 0xA5, sizeof ins);
  uint8_t mode = 9;
  if (!DecodeInstrumentFile(exact.data(), exact.size(), ins, mode).ok()) {
    for (size_t k = 0; k < sizeof ins; ++k)
      if (ins.bytes()[k] != 0xA5) std::abort();
    if (mode != 9) std::abort();
    return 0;
  }
  if (mode > 1) std::abort();
  const std::vector<uint8_t> file = EncodeInstrumentFile(ins, mode);
  Instrument again;
  uint8_t modeAgain = 9;
  if (!DecodeInstrumentFile(file.data(), file.size(), again, modeAgain).ok()) std::abort();
  if (std::memcmp(&ins, &again, sizeof ins) != 0 || mode != modeAgain) std::abort();
  return 0;
}
