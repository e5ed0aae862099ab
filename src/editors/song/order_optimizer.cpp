#include "editors/song/order_optimizer.h"

#include <cstring>

namespace kelmar {

void Optimize(Song& song) {
  for (int i = 0; i < kOrderLength; ++i) {
    if (OrderCommandOf(song.Order[i]) != kOrderPlay) continue;
    const uint8_t pattern = OrderParamOf(song.Order[i]);
    // The earliest matching position wins; positions before i are already rewritten,
    // so equal patterns all lead to one representative. Position i itself always matches.
    for (int n = 0; n <= i; ++n) {
      const uint8_t candidate = OrderParamOf(song.Order[n]);
      if (std::memcmp(&song.Patterns[candidate], &song.Patterns[pattern], sizeof(Pattern)) == 0) {
        song.Order[i] = MakeOrderEntry(kOrderPlay, candidate);
        break;
      }
    }
  }
}

}  // namespace kelmar
