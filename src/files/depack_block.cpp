// Decoder for the packed-block format: one forward pass, no tables.
// Every read is checked against the source length and every write against the capacity,
// because song files come from disk and may be damaged or hostile.
//
// Two paths share one decoder state. The exact path takes one bit at a time and checks every
// byte. The fast path runs while both buffers have a margin left: it reads the tag bits of an
// item from a 64-bit window, so each item costs one bounds check instead of one per bit. When
// it meets anything it does not decode itself (the end marker, a damaged item, a very long
// gamma code) it puts the state back and lets the exact path decode that item, so both paths
// accept and reject exactly the same streams and write exactly the same bytes.
#include <bit>
#include <cstring>

#include "files/packed_block.h"

namespace kelmar {

namespace {

// A gamma code longer than this cannot describe a length or offset that fits any buffer we
// decode into; stopping here keeps the value from wrapping round.
constexpr int kMaxGammaBits = 30;

// The fast path reads at most 9 bytes from where an item starts: a tag byte fetched first,
// then an 8-byte window or 8 literal bytes; everything else it needs is cut out of the window.
constexpr size_t kSourceMargin = 16;
// It writes at most 8 bytes outside a match; matches check their own room.
constexpr size_t kOutputMargin = 8;

inline uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v = 0;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}

// The top `count` bits set (count 0..63).
inline uint64_t TopBits(int count) { return ~(~uint64_t{0} >> count); }

// Gamma code read from the top of a window: value and the number of bits it took.
struct Gamma {
  uint32_t value;
  int bits;  // 64: the code does not end within the first 32 bits
};

// Decodes a gamma code of at most 16 pairs (values below 2^17, so any offset high part and
// lengths up to 131071) from the top of w without a loop: the continue bits are the odd ones
// counting from the top, the first zero among them ends the code, and the data bits in
// between are gathered by halving their spacing four times. Longer codes are left to the
// exact path. Bits below the window's end read as zero continue bits, so the caller checks
// that `bits` stays inside the window.
inline Gamma GammaFromWindow(uint64_t w) {
  const uint32_t top = static_cast<uint32_t>(w >> 32);
  const uint32_t stops = ~top & 0x55555555u;
  const int bits = stops == 0 ? 64 : std::countl_zero(stops) + 1;
  uint32_t x = (top >> 1) & 0x55555555u;
  x = (x | (x >> 1)) & 0x33333333u;
  x = (x | (x >> 2)) & 0x0F0F0F0Fu;
  x = (x | (x >> 4)) & 0x00FF00FFu;
  x = (x | (x >> 8)) & 0x0000FFFFu;
  const int pairs = (bits / 2) & 31;  // 1..16 for a code that ends; the rest is thrown away
  return {(1u << pairs) | (x >> (16 - pairs)), bits};
}

// Copies 16 bytes; the compiler turns it into one unaligned vector move.
inline void Copy16(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 16); }

// Copies length bytes from offset back to `to`, byte by byte in effect. slack is how many
// bytes past the copy may be scribbled on: with 32 of them the copy moves 16 or 32 bytes at a
// time, from a distance that is a multiple of offset and at least as large as the step, so no
// chunk reads bytes it has not yet written.
inline void CopyMatch(uint8_t* to, size_t offset, size_t length, size_t slack) {
  const uint8_t* from = to - offset;
  if (slack < 32) {
    for (size_t i = 0; i < length; ++i) to[i] = from[i];
    return;
  }
  if (offset >= 32) {  // the usual case: two moves per step, most matches need one step
    for (size_t i = 0; i < length; i += 32) {
      Copy16(to + i, from + i);
      Copy16(to + i + 16, from + i + 16);
    }
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
  for (size_t i = 0; i < length; i += 16) Copy16(to + i, from + i);
}

class Depacker {
 public:
  Depacker(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t capacity)
      : src_(src), srcLength_(srcLength), dst_(dst), capacity_(capacity) {}

  DepackResult Run() {
    if (srcLength_ == 0 || capacity_ == 0) return {false, 0};
    dst_[out_++] = src_[at_.pos++];
    // Past these the fast path would lack its margin. They are 0 for buffers shorter than the
    // margin: both positions are 1 by now, so the fast path never runs there.
    const size_t fastSourceEnd = srcLength_ >= kSourceMargin ? srcLength_ - kSourceMargin : 0;
    const size_t fastOutputEnd = capacity_ >= kOutputMargin ? capacity_ - kOutputMargin : 0;
    for (;;) {
      while (at_.pos <= fastSourceEnd && out_ <= fastOutputEnd && FastItem()) {
      }
      const Step step = ExactItem();
      if (step != Step::kNext) return {step == Step::kEnd, out_};
    }
  }

 private:
  enum class Step { kNext, kEnd, kCorrupt };

  // Where the reader stands: what the fast path saves and puts back when it gives up.
  struct Position {
    size_t pos;
    uint64_t tag;  // the unread bits of the current tag byte at the top, zeros below them
    int left;      // how many bits that is (0..8); a tag byte is fetched only when a bit is needed
  };

  // ---- exact path ----

  bool Bit(uint32_t& bit) {
    if (at_.left == 0) {
      if (at_.pos >= srcLength_) return false;
      at_.tag = uint64_t{src_[at_.pos++]} << 56;
      at_.left = 8;
    }
    bit = static_cast<uint32_t>(at_.tag >> 63);
    at_.tag <<= 1;
    --at_.left;
    return true;
  }

  bool Byte(uint32_t& value) {
    if (at_.pos >= srcLength_) return false;
    value = src_[at_.pos++];
    return true;
  }

  // Value 1, then pairs (data bit, continue bit) until a continue bit of 0; the result is >= 2.
  bool ExactGamma(uint32_t& value) {
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

  // Appends length bytes taken offset bytes back; overlapping copies repeat the last offset bytes.
  bool Copy(size_t offset, size_t length) {
    if (offset == 0 || offset > out_ || length > capacity_ - out_) return false;
    CopyMatch(dst_ + out_, offset, length, capacity_ - out_ - length);
    out_ += length;
    return true;
  }

  Step ExactItem() {
    uint32_t bit = 0;
    if (!Bit(bit)) return Step::kCorrupt;
    if (bit == 0) {  // literal
      uint32_t value = 0;
      if (!Byte(value) || out_ >= capacity_) return Step::kCorrupt;
      dst_[out_++] = static_cast<uint8_t>(value);
      afterMatch_ = false;
      return Step::kNext;
    }
    if (!Bit(bit)) return Step::kCorrupt;
    if (bit == 0) return ExactCodePair();
    if (!Bit(bit)) return Step::kCorrupt;
    return bit == 0 ? ExactShortMatch() : ExactSingleByte();
  }

  // A short match, or the end marker.
  Step ExactShortMatch() {
    uint32_t b = 0;
    if (!Byte(b)) return Step::kCorrupt;
    const size_t offset = b >> 1;
    if (offset == 0) return Step::kEnd;
    if (!Copy(offset, 2 + (b & 1u))) return Step::kCorrupt;
    lastOffset_ = offset;
    afterMatch_ = true;
    return Step::kNext;
  }

  // Four tag bits give the distance, 0 meaning a zero byte.
  Step ExactSingleByte() {
    uint32_t d = 0;
    for (int i = 0; i < 4; ++i) {
      uint32_t bit = 0;
      if (!Bit(bit)) return Step::kCorrupt;
      d = (d << 1) | bit;
    }
    if (out_ >= capacity_ || d > out_) return Step::kCorrupt;
    dst_[out_] = d == 0 ? 0 : dst_[out_ - d];
    ++out_;
    afterMatch_ = false;
    return Step::kNext;
  }

  Step ExactCodePair() {
    uint32_t g = 0;
    if (!ExactGamma(g)) return Step::kCorrupt;
    if (!afterMatch_ && g == 2) {  // repeat match
      uint32_t length = 0;
      if (!ExactGamma(length) || !Copy(lastOffset_, length)) return Step::kCorrupt;
      afterMatch_ = true;
      return Step::kNext;
    }
    uint32_t lo = 0;
    if (!Byte(lo)) return Step::kCorrupt;
    const size_t offset = (size_t{g - (afterMatch_ ? 2u : 3u)} << 8) | lo;
    uint32_t stored = 0;
    if (!ExactGamma(stored)) return Step::kCorrupt;
    if (!Copy(offset, PairLength(offset, stored))) return Step::kCorrupt;  // also rejects offset 0
    lastOffset_ = offset;
    afterMatch_ = true;
    return Step::kNext;
  }

  static size_t PairLength(size_t offset, uint32_t stored) {
    return size_t{stored} + (offset >= 32000) + (offset >= 1280) + 2 * size_t{offset < 128};
  }

  // ---- fast path: needs kSourceMargin source bytes and kOutputMargin output bytes left ----

  // The next 64 tag bits as long as no data byte comes in between: the rest of the current
  // tag byte, then the bytes that follow it, each of which would be fetched as the next tag
  // byte in turn.
  uint64_t Window() const { return at_.tag | (LoadBigEndian64(src_ + at_.pos) >> at_.left); }

  // Takes n bits of the window w read at the current position, fetching the tag bytes they reach.
  void Take(uint64_t w, int n) {
    const int reach = n - at_.left;               // bits beyond the current tag byte, >= -7
    const int fetched = (reach + 7) >> 3;         // 0 when reach <= 0
    at_.pos += static_cast<size_t>(fetched);
    at_.left = 8 * fetched - reach;
    at_.tag = (w << n) & TopBits(at_.left);  // n < 64: the callers keep codes inside the window
  }

  bool FastItem() {
    if (at_.left == 0) {  // every item starts with a tag bit, so the next byte is a tag byte
      at_.tag = uint64_t{src_[at_.pos++]} << 56;
      at_.left = 8;
    }
    if ((at_.tag >> 63) == 0) return FastLiterals();
    const uint64_t w = Window();
    if ((w >> 61) == 7 && at_.left >= 7) return FastSingleByteFromTag();
    if ((w >> 62) == 2) return FastCodePair(w);
    if ((w >> 61) == 6) return FastShortMatch(w);
    return FastSingleByte(w);
  }

  // All literals whose 0 bits sit in the current tag byte at once: their data bytes follow
  // one another in the stream. Works on the tag alone, so a run of literals never waits for
  // a window to be loaded.
  bool FastLiterals() {
    const int count = std::countl_zero(at_.tag | (uint64_t{1} << (63 - at_.left)));  // 1..left
    std::memcpy(dst_ + out_, src_ + at_.pos, 8);
    out_ += static_cast<size_t>(count);
    at_.pos += static_cast<size_t>(count);
    at_.tag <<= count;
    at_.left -= count;
    afterMatch_ = false;
    return true;
  }

  bool FastShortMatch(uint64_t w) {
    const Position saved = at_;
    Take(w, 3);
    const uint32_t b = src_[at_.pos];
    const size_t offset = b >> 1;
    if (offset == 0 || offset > out_) {  // the end marker, or damage: the exact path decides
      at_ = saved;
      return false;
    }
    ++at_.pos;
    // Three bytes one at a time whatever the length: correct for any overlap, and the third
    // is overwritten later when the match is two bytes long.
    uint8_t* to = dst_ + out_;
    const uint8_t* from = to - offset;
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
    out_ += 2 + (b & 1u);
    lastOffset_ = offset;
    afterMatch_ = true;
    return true;
  }

  bool FastSingleByte(uint64_t w) {
    const size_t d = (w >> 57) & 15u;
    if (d > out_) return false;
    Take(w, 7);
    dst_[out_] = d == 0 ? 0 : dst_[out_ - d];
    ++out_;
    afterMatch_ = false;
    return true;
  }

  // The same when all seven bits are in the current tag byte: no window, no fetch.
  bool FastSingleByteFromTag() {
    const size_t d = (at_.tag >> 57) & 15u;
    if (d > out_) return false;
    at_.tag <<= 7;
    at_.left -= 7;
    dst_[out_] = d == 0 ? 0 : dst_[out_ - d];
    ++out_;
    afterMatch_ = false;
    return true;
  }

  bool FastCodePair(uint64_t w) {
    const Position saved = at_;
    const Gamma g = GammaFromWindow(w << 2);
    int used = 2 + g.bits;
    if (used > 60) return false;
    size_t offset = lastOffset_;
    size_t length = 0;
    if (!afterMatch_ && g.value == 2) {  // repeat match: its length code follows at once
      const Gamma stored = GammaFromWindow(w << used);
      used += stored.bits;
      if (used > 60) return false;
      Take(w, used);
      length = stored.value;
    } else {
      // The low offset byte comes right after the rest of the current tag byte, and the
      // length code right after it: both are cut out of w rather than loaded again.
      Take(w, used);
      const uint64_t rest = w << used;
      const uint64_t tagBits = TopBits(at_.left);
      offset = (size_t{g.value - (afterMatch_ ? 2u : 3u)} << 8) | ((rest >> (56 - at_.left)) & 0xFFu);
      ++at_.pos;
      const uint64_t w2 = (rest & tagBits) | ((rest << 8) & ~tagBits);
      const Gamma stored = GammaFromWindow(w2);
      if (used + 8 + stored.bits > 60) {  // w2 holds 56 - used bits
        at_ = saved;
        return false;
      }
      Take(w2, stored.bits);
      length = PairLength(offset, stored.value);
    }
    if (offset == 0 || offset > out_ || length > capacity_ - out_) {
      at_ = saved;
      return false;
    }
    CopyMatch(dst_ + out_, offset, length, capacity_ - out_ - length);
    out_ += length;
    lastOffset_ = offset;
    afterMatch_ = true;
    return true;
  }

  const uint8_t* const src_;
  const size_t srcLength_;
  uint8_t* const dst_;
  const size_t capacity_;
  Position at_{0, 0, 0};
  size_t out_ = 0;
  size_t lastOffset_ = 0;  // 0: no match has set it yet, so a repeat match would be corrupt
  bool afterMatch_ = false;
};

}  // namespace

DepackResult DepackBlock(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t dstCapacity) {
  return Depacker(src, srcLength, dst, dstCapacity).Run();
}

}  // namespace kelmar
