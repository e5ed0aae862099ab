// Any byte string read as a pattern block from the clipboard. A block read must write again to
// text that reads back to the same block.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "editors/pattern/block_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  const auto block = ParseBlockText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!block) return 0;
  if (block->rows < 1 || block->rows > kRowCount || block->tracks < 1 || block->tracks > kTrackCount) std::abort();
  const auto again = ParseBlockText(BlockText(*block));
  if (!again || !(*again == *block)) std::abort();
  return 0;
}
