// Packs any input, checks the size bound, and depacks into an area exactly the input's size:
// the bytes must come back unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "files/packed_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  static const std::unique_ptr<uint8_t[]> work(new uint8_t[PackWorkMemorySize]);
  if (size > (1u << 20)) return 0;
  const uint32_t n = static_cast<uint32_t>(size);
  std::vector<uint8_t> packed(PackedSizeBound(n));
  const uint32_t p = PackBlock(data, packed.data(), n, work.get(), nullptr, nullptr);
  if (p == kPackFailed || p > PackedSizeBound(n)) std::abort();
  if (n == 0) {
    if (p != 0) std::abort();
    return 0;
  }
  packed.resize(p);  // the depacker must not need anything beyond the packed length
  std::vector<uint8_t> back(n);
  const DepackResult r = DepackBlock(packed.data(), packed.size(), back.data(), back.size());
  if (!r.ok || r.written != n || !std::equal(back.begin(), back.end(), data)) std::abort();
  return 0;
}
