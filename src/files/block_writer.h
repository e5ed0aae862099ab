// Writes the interleaved stream of the packed-block format: control bits gather in a tag
// byte whose place is reserved in the output when its first bit is written, data bytes go
// straight to the output. That is exactly the order in which the decoder fetches them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelmar::packed {

class BlockWriter {
 public:
  BlockWriter(uint8_t* dst, size_t capacity) : dst_(dst), capacity_(capacity) {}

  // False once anything did not fit; the output is then unusable.
  bool ok() const { return ok_; }
  size_t size() const { return pos_; }

  void Byte(uint32_t value) {
    if (pos_ >= capacity_) {
      ok_ = false;
      return;
    }
    dst_[pos_++] = static_cast<uint8_t>(value);
  }

  void Bit(uint32_t bit) {
    if (bitsLeft_ == 0) {
      if (pos_ >= capacity_) {
        ok_ = false;
        return;
      }
      tagPos_ = pos_++;
      dst_[tagPos_] = 0;  // unused low bits stay zero
      bitsLeft_ = 8;
    }
    --bitsLeft_;
    dst_[tagPos_] = static_cast<uint8_t>(dst_[tagPos_] | ((bit & 1u) << bitsLeft_));
  }

  void Bits(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) Bit((value >> i) & 1u);
  }

  // v >= 2: the digits after the leading 1, each followed by 1 except the last, followed by 0.
  void Gamma(uint32_t v) {
    int top = 31;
    while (!((v >> top) & 1u)) --top;
    for (int i = top - 1; i >= 0; --i) {
      Bit((v >> i) & 1u);
      Bit(i > 0 ? 1u : 0u);
    }
  }

 private:
  uint8_t* dst_;
  size_t capacity_;
  size_t pos_ = 0;
  size_t tagPos_ = 0;
  int bitsLeft_ = 0;
  bool ok_ = true;
};

}  // namespace kelmar::packed
