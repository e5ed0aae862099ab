// The items of the packed-block format and their exact cost in bits, shared by the
// parser that chooses them and the writer that emits them.
#pragma once

#include <bit>
#include <cstdint>

namespace kelmar::packed {

enum class ItemKind : uint8_t {
  Literal,  // tag 0 + data byte
  Single,   // tag 111 + 4 bits: one byte from distance 1..15, or a zero byte for distance 0
  Short,    // tag 110 + data byte: 2 or 3 bytes from distance 1..127
  Pair,     // tag 10 + gamma high + low byte + gamma length
  Repeat,   // tag 10 + gamma 2 + gamma length, at the last match distance; never right after a match
};

struct Item {
  ItemKind kind;
  uint32_t offset;  // distance back (Single: 0..15; Repeat: unused)
  uint32_t length;  // bytes produced
};

constexpr uint32_t kLiteralBits = 9;
constexpr uint32_t kSingleBits = 7;
constexpr uint32_t kShortBits = 11;
constexpr uint32_t kEndBits = 11;  // tag 110 + data byte 0x00

constexpr uint32_t kShortMaxOffset = 127;
constexpr uint32_t kSingleMaxOffset = 15;

// Bits of the gamma code of v (v >= 2): one data bit and one continue bit per digit after the first.
constexpr uint32_t GammaBits(uint32_t v) { return 2u * (static_cast<uint32_t>(std::bit_width(v)) - 1u); }

// A code pair stores the length minus a bonus that depends on the distance range.
constexpr uint32_t PairLengthBonus(uint32_t offset) {
  if (offset < 128) return 2;
  if (offset < 1280) return 0;
  if (offset < 32000) return 1;
  return 2;
}

// The shortest copy a code pair at this distance can express (the stored length is at least 2).
constexpr uint32_t PairMinLength(uint32_t offset) { return 2 + PairLengthBonus(offset); }

constexpr uint32_t PairBits(uint32_t offset, uint32_t length, bool afterMatch) {
  const uint32_t high = offset >> 8;
  return 2 + GammaBits(high + (afterMatch ? 2u : 3u)) + 8 + GammaBits(length - PairLengthBonus(offset));
}

constexpr uint32_t RepeatBits(uint32_t length) { return 4 + GammaBits(length); }

}  // namespace kelmar::packed
