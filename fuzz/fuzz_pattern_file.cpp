// Any byte string loaded as a pattern file. A refusal changes no byte of the pattern; a
// loaded pattern saved again gives the first 1032 bytes of the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/pattern_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  std::vector<uint8_t> exact(data, data + size);
  Pattern pattern;
  std::memset(&pattern, 0x3C, sizeof pattern);
  if (!DecodePatternFile(exact.data(), exact.size(), pattern).ok()) {
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&pattern);
    for (size_t k = 0; k < sizeof pattern; ++k)
      if (b[k] != 0x3C) std::abort();
    return 0;
  }
  const std::vector<uint8_t> file = EncodePatternFile(pattern);
  if (size < file.size() || std::memcmp(file.data(), data, file.size()) != 0) std::abort();
  return 0;
}
