// Any byte string handed to the depacker, with a song-sized output area and with a small one
// whose size the input chooses. The output areas are exactly as large as the capacity
// given, so the sanitizer sees any write past it. (That what is packed depacks the same is
// fuzz_pack_roundtrip's.) The portable path must decode exactly as the one the processor allows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/depack_path.h"
#include "files/packed_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  constexpr size_t kSongCapacity = 0x60000;
  static const std::unique_ptr<uint8_t[]> big(new uint8_t[kSongCapacity]);
  const DepackResult r = DepackBlock(data, size, big.get(), kSongCapacity);
  if (r.written > kSongCapacity) std::abort();
  static const std::unique_ptr<uint8_t[]> portable(new uint8_t[kSongCapacity]);
  const DepackResult p = packed::DepackBlock(data, size, portable.get(), kSongCapacity, packed::DepackPath::Portable);
  if (p.ok != r.ok || p.written != r.written || std::memcmp(portable.get(), big.get(), r.written) != 0) std::abort();

  const size_t capacity = size == 0 ? 1 : 1 + (data[size - 1] % 64);
  const std::unique_ptr<uint8_t[]> small(new uint8_t[capacity]);
  const DepackResult s = DepackBlock(data, size, small.get(), capacity);
  if (s.written > capacity) std::abort();
  return 0;
}
