// Decoder for the packed-block format: one forward pass, no tables.
// Every read is checked against the source length and every write against the capacity,
// because song files come from disk and may be damaged or hostile.
#include <cstring>

#include "files/packed_block.h"

namespace kelmar {

namespace {

// A gamma code longer than this cannot describe a length or offset that fits any buffer we
// decode into; stopping here keeps the value from wrapping round.
constexpr int kMaxGammaBits = 30;

class BlockReader {
 public:
  BlockReader(const uint8_t* src, size_t length) : src_(src), length_(length) {}

  // The tag bits are taken most significant first; a fresh tag byte is fetched from the
  // stream at the moment a bit is needed and none is left.
  bool Bit(uint32_t& bit) {
    if (tag_ == kTagEmpty) {
      if (pos_ >= length_) return false;
      tag_ = (uint32_t{src_[pos_++]} << 24) | (kTagEmpty >> 8);
    }
    bit = tag_ >> 31;
    tag_ <<= 1;
    return true;
  }

  bool Byte(uint32_t& value) {
    if (pos_ >= length_) return false;
    value = src_[pos_++];
    return true;
  }

  // Value 1, then pairs (data bit, continue bit) until a continue bit of 0; the result is >= 2.
  bool Gamma(uint32_t& value) {
    uint32_t v = 1;
    for (int n = 0; n < kMaxGammaBits; ++n) {
      uint32_t b = 0;
      uint32_t c = 0;
      if (!Bit(b) || !Bit(c)) return false;
      v = (v << 1) | b;
      if (c == 0) {
        value = v;
        return true;
      }
    }
    return false;
  }

 private:
  const uint8_t* src_;
  size_t length_;
  size_t pos_ = 0;
  // The unread tag bits sit at the top, followed by a marker bit: when only the marker is
  // left, the tag byte is used up.
  static constexpr uint32_t kTagEmpty = 0x80000000u;
  uint32_t tag_ = kTagEmpty;
};

// Copies length bytes from offset back to `to`, byte by byte in effect. slack is how many
// bytes past the copy may be scribbled on: with 16 of them the copy moves 16 bytes at a time,
// from a distance that is a multiple of offset and at least 16, so no chunk reads bytes it
// has not yet written.
inline void CopyMatch(uint8_t* to, size_t offset, size_t length, size_t slack) {
  const uint8_t* from = to - offset;
  if (slack < 16) {
    for (size_t i = 0; i < length; ++i) to[i] = from[i];
    return;
  }
  if (offset == 1) {
    std::memset(to, *from, length);
    return;
  }
  if (offset < 16) {
    // The first 16 bytes; after them the last offset + 16 bytes repeat with period offset,
    // which covers the chunk distance below.
    if (offset >= 8) {
      std::memcpy(to, from, 8);
      std::memcpy(to + 8, from + 8, 8);
    } else {
      for (size_t i = 0; i < 16; ++i) to[i] = from[i];
    }
    if (length <= 16) return;
    offset *= (16 + offset - 1) / offset;
    to += 16;
    length -= 16;
    from = to - offset;
  }
  for (size_t i = 0; i < length; i += 16) std::memcpy(to + i, from + i, 16);
}

}  // namespace

DepackResult DepackBlock(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t dstCapacity) {
  DepackResult result{false, 0};
  if (srcLength == 0 || dstCapacity == 0) return result;

  BlockReader in(src, srcLength);
  size_t out = 0;
  uint32_t first = 0;
  in.Byte(first);
  dst[out++] = static_cast<uint8_t>(first);

  bool afterMatch = false;
  size_t lastOffset = 0;  // 0: no match has set it yet, so a repeat match would be corrupt

  // Appends length bytes taken offset bytes back; overlapping copies repeat the last offset bytes.
  auto copy = [&](size_t offset, size_t length) -> bool {
    if (offset == 0 || offset > out || length > dstCapacity - out) return false;
    CopyMatch(dst + out, offset, length, dstCapacity - out - length);
    out += length;
    return true;
  };

  for (;;) {
    uint32_t bit = 0;
    if (!in.Bit(bit)) break;
    if (bit == 0) {  // literal
      uint32_t value = 0;
      if (!in.Byte(value) || out >= dstCapacity) break;
      dst[out++] = static_cast<uint8_t>(value);
      afterMatch = false;
      continue;
    }
    if (!in.Bit(bit)) break;
    if (bit == 1) {
      if (!in.Bit(bit)) break;
      if (bit == 0) {  // short match, or the end marker
        uint32_t b = 0;
        if (!in.Byte(b)) break;
        const size_t offset = b >> 1;
        if (offset == 0) {
          result.ok = true;
          break;
        }
        if (!copy(offset, 2 + (b & 1u))) break;
        lastOffset = offset;
        afterMatch = true;
        continue;
      }
      // single byte: four tag bits give the distance, 0 meaning a zero byte
      uint32_t d = 0;
      bool okBits = true;
      for (int i = 0; i < 4 && okBits; ++i) {
        okBits = in.Bit(bit);
        d = (d << 1) | bit;
      }
      if (!okBits || out >= dstCapacity) break;
      if (d == 0) {
        dst[out++] = 0;
      } else {
        if (d > out) break;
        dst[out] = dst[out - d];
        ++out;
      }
      afterMatch = false;
      continue;
    }
    // code pair
    uint32_t g = 0;
    if (!in.Gamma(g)) break;
    if (!afterMatch && g == 2) {  // repeat match
      uint32_t length = 0;
      if (!in.Gamma(length) || !copy(lastOffset, length)) break;
      afterMatch = true;
      continue;
    }
    const size_t high = g - (afterMatch ? 2u : 3u);
    uint32_t lo = 0;
    if (!in.Byte(lo)) break;
    const size_t offset = (high << 8) | lo;
    uint32_t length = 0;
    if (!in.Gamma(length)) break;
    size_t n = length;
    if (offset >= 32000) ++n;
    if (offset >= 1280) ++n;
    if (offset < 128) n += 2;
    if (!copy(offset, n)) break;  // also rejects offset 0
    lastOffset = offset;
    afterMatch = true;
  }
  result.written = out;
  return result;
}

}  // namespace kelmar
