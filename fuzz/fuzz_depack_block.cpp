// Any byte string handed to the depacker, with a song-sized output area and with a small one
// whose size the input chooses. The output areas are exactly as large as the capacity
// given, so the sanitizer sees any write past it. A block that decodes is packed again and
// must come back the same.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "files/packed_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  static const std::unique_ptr<uint8_t[]> work(new uint8_t[PackWorkMemorySize]);
  constexpr size_t kSongCapacity = 0x60000;
  static const std::unique_ptr<uint8_t[]> big(new uint8_t[kSongCapacity]);
  const DepackResult r = DepackBlock(data, size, big.get(), kSongCapacity);
  if (r.written > kSongCapacity) std::abort();

  const size_t capacity = size == 0 ? 1 : 1 + (data[size - 1] % 64);
  const std::unique_ptr<uint8_t[]> small(new uint8_t[capacity]);
  const DepackResult s = DepackBlock(data, size, small.get(), capacity);
  if (s.written > capacity) std::abort();

  if (r.ok && r.written > 0 && r.written <= 1024) {
    const uint32_t n = static_cast<uint32_t>(r.written);
    std::vector<uint8_t> packed(PackedSizeBound(n));
    const uint32_t p = PackBlock(big.get(), packed.data(), n, work.get(), nullptr, nullptr);
    if (p == kPackFailed || p > packed.size()) std::abort();
    std::vector<uint8_t> back(n);
    const DepackResult b = DepackBlock(packed.data(), p, back.data(), n);
    if (!b.ok || b.written != n || !std::equal(back.begin(), back.end(), big.get())) std::abort();
  }
  return 0;
}
