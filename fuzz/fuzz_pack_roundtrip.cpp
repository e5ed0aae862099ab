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
  constexpr uint32_t kMaxInput = 1u << 20;
  static const std::unique_ptr<uint8_t[]> work(new uint8_t[PackWorkMemorySize]);
  static const std::unique_ptr<uint8_t[]> out(new uint8_t[PackedSizeBound(kMaxInput)]);
  if (size > kMaxInput) return 0;
  const uint32_t n = static_cast<uint32_t>(size);
  const uint32_t p = PackBlock(data, out.get(), n, work.get(), nullptr, nullptr);
  if (p == kPackFailed || p > PackedSizeBound(n)) std::abort();
  if (n == 0) {
    if (p != 0) std::abort();
    return 0;
  }
  const std::vector<uint8_t> packed(out.get(), out.get() + p);  // the depacker must not need more
  std::vector<uint8_t> back(n);
  const DepackResult r = DepackBlock(packed.data(), packed.size(), back.data(), back.size());
  if (!r.ok || r.written != n || !std::equal(back.begin(), back.end(), data)) std::abort();
  return 0;
}
