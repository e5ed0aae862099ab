// The packed-block codec: an LZ77-family bit stream with interleaved tag bytes.
// No header, no length of its own; whoever stores a block records its unpacked length.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelmar {

constexpr uint32_t PackWorkMemorySize = 0xA0000;  // 640 KiB scratch, whatever the input length
constexpr uint32_t kPackFailed = 0xFFFFFFFFu;     // PackBlock's -1

constexpr uint32_t PackedSizeBound(uint32_t length) { return length + length / 8 + 64; }

// Called every 256 encoding steps and once after the end marker; returning 0 cancels.
using PackProgress = int (*)(uint32_t total, uint32_t consumed, uint32_t produced, void* progressParam);

// Packs length bytes of src into dst (which holds PackedSizeBound(length) bytes).
// Returns the packed length, 0 for empty input, kPackFailed on failure or cancel.
// The parse is a shortest-bit-cost one. workMemory (PackWorkMemorySize bytes, any alignment)
// holds the match finder's fixed tables; it may be null, they are then allocated. The match
// finder's tree (8 bytes per input byte, 3 MB for a full song) and the parse's ring of 264 KiB
// are always allocated. Should that fail, the block is written as literals: still within the bound.
// Progress is reported while the chosen items are written, not during the search.
uint32_t PackBlock(const uint8_t* src, uint8_t* dst, uint32_t length, void* workMemory, PackProgress progress,
                   void* progressParam);

struct DepackResult {
  bool ok;         // false: the stream is corrupt (reads past srcLength, writes past dstCapacity,
                   // copies from before the output's start, offset 0 in a code pair)
  size_t written;  // bytes written to dst, also when !ok
};

// Decodes one block; never reads past srcLength nor writes past dstCapacity. A repeat match
// before any match has set its distance is corrupt too. Copies and runs of literals move up
// to 32 bytes at a time, so bytes of dst past `written` (never past dstCapacity) may be overwritten.
DepackResult DepackBlock(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t dstCapacity);

}  // namespace kelmar
