// Decoder for the packed-block format: one forward pass, no tables.
// Every read is checked against the source length and every write against the capacity,
// because song files come from disk and may be damaged or hostile.
//
// Two paths share one decoder state. The exact path takes one bit at a time and checks every
// byte. The fast path runs while both buffers have a margin left: it keeps the stream ahead
// in a 64-bit buffer, so each item costs one bounds check instead of one per bit. When it
// meets anything it does not decode itself (the end marker, a damaged item, a gamma code
// longer than the buffer holds) it puts the state back and lets the exact path decode that
// item, so both paths accept and reject exactly the same streams and write exactly the same bytes.
// Where the processor has BMI2, the fast path gathers a gamma code's data bits with one
// instruction; it is otherwise the same code.
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "engine/cpu_features.h"
#include "files/depack_path.h"
#include "files/packed_block.h"

namespace kelmar {

namespace {

// A gamma code longer than this cannot describe a length or offset that fits any buffer we
// decode into; stopping here keeps the value from wrapping round.
constexpr int kMaxGammaBits = 30;

// The fast path refills its buffer with the 8 bytes from the first one not in it yet.
constexpr size_t kSourceMargin = 8;
// It writes at most 8 bytes outside a match (a run of literals, a short match); matches
// check their own room.
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

// The data bits of a gamma window's top 32 bits (every other bit from the first), packed.
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("bmi2")]] inline uint32_t GatherDataBits(uint32_t top) { return _pext_u32(top, 0xAAAAAAAAu); }
#else
inline uint32_t GatherDataBits(uint32_t) { return 0; }  // never called: there is no gathering path
#endif

// Decodes a gamma code of at most 16 pairs (values below 2^17, so any offset high part and
// lengths up to 131071) from the top of w without a loop: the continue bits are the odd ones
// counting from the top, the first zero among them ends the code, and the data bits in
// between are gathered by halving their spacing four times (kGather: by one BMI2 instruction).
// Longer codes are left to the exact path. Bits below the window's end read as zero continue
// bits, so the caller checks that `bits` stays inside the window.
template <bool kGather>
inline Gamma GammaFromWindow(uint64_t w) {
  const uint32_t top = static_cast<uint32_t>(w >> 32);
  const uint32_t stops = ~top & 0x55555555u;
  const int bits = stops == 0 ? 64 : std::countl_zero(stops) + 1;
  uint32_t x = 0;
  if constexpr (kGather) {
    x = GatherDataBits(top);
  } else {
    x = (top >> 1) & 0x55555555u;
    x = (x | (x >> 1)) & 0x33333333u;
    x = (x | (x >> 2)) & 0x0F0F0F0Fu;
    x = (x | (x >> 4)) & 0x00FF00FFu;
    x = (x | (x >> 8)) & 0x0000FFFFu;
  }
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

// A code pair's length from its stored value: the bonus grows with the distance.
inline size_t PairLength(size_t offset, uint32_t stored) {
  return size_t{stored} + (offset >= 32000) + (offset >= 1280) + 2 * size_t{offset < 128};
}

// Where the reader stands: what the exact path works on and the fast path starts from.
struct Position {
  size_t pos;
  uint64_t tag;  // the unread bits of the current tag byte at the top, zeros below them
  int left;      // how many bits that is (0..8); a tag byte is fetched only when a bit is needed
};

// What the next items depend on besides the reader.
struct OutputState {
  size_t out;
  size_t lastOffset;  // 0: no match has set it yet, so a repeat match would be corrupt
  bool afterMatch;
};

// The fast path. Its buffer holds the unread tag bits followed by the bytes after them, as
// if each were to become a tag byte in turn; a data byte is cut out of the buffer where the
// current tag byte ends (the buffer always holds whole bytes after that tag's rest, so the
// tag's rest is count % 8 bits). Every item starts with a refill to at least 56 bits whose
// load does not wait for the item before, so an item costs a few shifts and no load, and
// one bounds check. It lives in a local object of its own, so that the compiler keeps it in
// registers: bytes written to the output could alias a member of the Depacker. kGather: the
// gamma codes' data bits are gathered with BMI2.
template <bool kGather>
class FastDecoder {
 public:
  FastDecoder(const uint8_t* src, uint8_t* dst, size_t capacity, Position at, OutputState state)
      : src_(src), dst_(dst), capacity_(capacity), bits_(at.tag), count_(at.left), fill_(at.pos), out_(state.out),
        lastOffset_(state.lastOffset), afterMatch_(state.afterMatch) {}

  // Decodes items while the buffer can be refilled below sourceEnd and the output has room
  // left before outputEnd; stops before the first item it leaves to the exact path.
  void Run(size_t sourceEnd, size_t outputEnd) {
    while (fill_ <= sourceEnd && out_ <= outputEnd) {
      Refill();
      if (!Item()) return;
    }
  }

  Position at() const {
    const int left = count_ & 7;
    return {fill_ - static_cast<size_t>(count_ >> 3), bits_ & TopBits(left), left};
  }
  OutputState state() const { return {out_, lastOffset_, afterMatch_}; }

 private:
  struct Saved {
    uint64_t bits;
    int count;
    size_t fill;
  };

  // Tops the buffer up to 56..63 bits with the bytes from fill_ on (8 bytes are read).
  void Refill() {
    bits_ |= LoadBigEndian64(src_ + fill_) >> count_;
    fill_ += static_cast<size_t>(63 - count_) >> 3;
    count_ |= 56;
  }

  void Take(int n) {  // n < 64
    bits_ <<= n;
    count_ -= n;
  }

  // The data byte after the current tag byte's rest; needs count_ >= 8.
  uint32_t Data() {
    const int left = count_ & 7;
    const uint32_t value = static_cast<uint32_t>(bits_ >> (56 - left)) & 0xFFu;
    const uint64_t tag = TopBits(left);
    bits_ = (bits_ & tag) | ((bits_ << 8) & ~tag);
    count_ -= 8;
    return value;
  }

  // One item from a buffer of 56 bits or more; false leaves it to the exact path.
  bool Item() {
    if ((bits_ >> 63) == 0) return Literals();
    if ((bits_ >> 62) == 2) return CodePair();
    if ((bits_ >> 61) == 6) return ShortMatch();
    return SingleByte();
  }

  // A run of literals: at most 7 from one refill (9 bits each), within the output margin.
  bool Literals() {
    do {
      Take(1);
      dst_[out_++] = static_cast<uint8_t>(Data());
    } while ((bits_ >> 63) == 0 && count_ >= 9);
    afterMatch_ = false;
    return true;
  }

  bool SingleByte() {
    const size_t d = (bits_ >> 57) & 15u;
    if (d > out_) return false;
    Take(7);
    dst_[out_] = d == 0 ? 0 : dst_[out_ - d];
    ++out_;
    afterMatch_ = false;
    return true;
  }

  bool ShortMatch() {
    const Saved saved{bits_, count_, fill_};
    Take(3);
    const uint32_t b = Data();
    const size_t offset = b >> 1;
    if (offset == 0 || offset > out_) return Restore(saved);  // the end marker, or damage: the exact path decides
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

  bool CodePair() {
    const Saved saved{bits_, count_, fill_};
    Take(2);
    const Gamma g = GammaFromWindow<kGather>(bits_);
    if (g.bits > count_) return Restore(saved);
    Take(g.bits);
    size_t offset = lastOffset_;
    size_t length = 0;
    if (!afterMatch_ && g.value == 2) {  // repeat match: its length code follows at once
      const Gamma stored = GammaFromWindow<kGather>(bits_);
      if (stored.bits > count_) return Restore(saved);
      Take(stored.bits);
      length = stored.value;
    } else {
      if (count_ < 8) return Restore(saved);
      offset = (size_t{g.value - (afterMatch_ ? 2u : 3u)} << 8) | Data();
      const Gamma stored = GammaFromWindow<kGather>(bits_);
      if (stored.bits > count_) return Restore(saved);
      Take(stored.bits);
      length = PairLength(offset, stored.value);
    }
    if (offset - 1 >= out_ || length > capacity_ - out_) return Restore(saved);  // offset 0 wraps round
    CopyMatch(dst_ + out_, offset, length, capacity_ - out_ - length);
    out_ += length;
    lastOffset_ = offset;
    afterMatch_ = true;
    return true;
  }

  bool Restore(const Saved& saved) {
    bits_ = saved.bits;
    count_ = saved.count;
    fill_ = saved.fill;
    return false;
  }

  const uint8_t* const src_;
  uint8_t* const dst_;
  const size_t capacity_;
  uint64_t bits_;  // unread bits at the top, zeros or bytes from fill_ on below count_
  int count_;      // how many bits of bits_ are unread stream
  size_t fill_;    // the first source byte not in the buffer
  size_t out_;
  size_t lastOffset_;
  bool afterMatch_;
};

template <bool kGather>
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
      if (at_.pos <= fastSourceEnd && out_ <= fastOutputEnd) {
        FastDecoder<kGather> fast(src_, dst_, capacity_, at_, {out_, lastOffset_, afterMatch_});
        fast.Run(fastSourceEnd, fastOutputEnd);
        at_ = fast.at();
        const OutputState state = fast.state();
        out_ = state.out;
        lastOffset_ = state.lastOffset;
        afterMatch_ = state.afterMatch;
      }
      const Step step = ExactItem();
      if (step != Step::kNext) return {step == Step::kEnd, out_};
    }
  }

 private:
  enum class Step { kNext, kEnd, kCorrupt };

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

  const uint8_t* const src_;
  const size_t srcLength_;
  uint8_t* const dst_;
  const size_t capacity_;
  Position at_{0, 0, 0};
  size_t out_ = 0;
  size_t lastOffset_ = 0;  // 0: no match has set it yet, so a repeat match would be corrupt
  bool afterMatch_ = false;
};

#if defined(__x86_64__) && defined(__GNUC__)
// The whole decoder again for a processor with BMI2, everything inlined into this one
// function, where the gather instruction may be used. (Only the fast path differs, but
// compiled on its own, apart from the decoder's loop, it runs 8 % slower.)
[[gnu::target("bmi2"), gnu::flatten]] DepackResult DepackGathering(const uint8_t* src, size_t srcLength, uint8_t* dst,
                                                                   size_t capacity) {
  return Depacker<true>(src, srcLength, dst, capacity).Run();
}
#endif

}  // namespace

namespace packed {

DepackResult DepackBlock(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t dstCapacity, DepackPath path) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (path == DepackPath::Best && HasBmi2()) return DepackGathering(src, srcLength, dst, dstCapacity);
#endif
  return Depacker<false>(src, srcLength, dst, dstCapacity).Run();
}

}  // namespace packed

DepackResult DepackBlock(const uint8_t* src, size_t srcLength, uint8_t* dst, size_t dstCapacity) {
  return packed::DepackBlock(src, srcLength, dst, dstCapacity, packed::DepackPath::Best);
}

}  // namespace kelmar
