// Chooses the items that encode a block: the first byte goes verbatim, the items returned
// cover the bytes 1..length-1 in order.
#pragma once

#include <cstdint>
#include <vector>

#include "files/packed_items.h"

namespace kelmar::packed {

// workMemory is the caller's PackWorkMemorySize scratch area (may be null); larger tables
// that grow with the input are allocated here. Throws std::bad_alloc when memory runs out
// or the block is larger than the parse handles (64 MiB); the caller then writes literals.
std::vector<Item> ParseBlock(const uint8_t* src, uint32_t length, void* workMemory);

}  // namespace kelmar::packed
