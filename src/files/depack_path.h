// The depacker's choice of fast path, for the tests that hold one against the other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/packed_block.h"

namespace kelmar::packed {

enum class DepackPath {
  Best,      // the fastest the processor allows: what DepackBlock takes
  Portable,  // no instructions beyond x86-64's, whatever the processor has
};

DepackResult DepackBlock(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t dstCapacity, DepackPath path);

}  // namespace kelmar::packed
