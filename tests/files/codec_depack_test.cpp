// Decoding of hand-built packed blocks: every item kind, the distance ranges of code pairs,
// and damaged streams that must be reported instead of read or written out of bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "files/depack_path.h"
#include "files/packed_block.h"

namespace kelmar {
namespace {

// Builds a stream bit by bit, independently of the packer's writer.
class StreamBuilder {
 public:
  explicit StreamBuilder(uint8_t first) { bytes_.push_back(first); }

  StreamBuilder& Bit(int b) {
    if (left_ == 0) {
      tag_ = bytes_.size();
      bytes_.push_back(0);
      left_ = 8;
    }
    --left_;
    if (b) bytes_[tag_] |= static_cast<uint8_t>(1u << left_);
    return *this;
  }
  StreamBuilder& Bits(const std::string& bits) {
    for (char c : bits) Bit(c == '1');
    return *this;
  }
  StreamBuilder& Byte(uint8_t b) {
    bytes_.push_back(b);
    return *this;
  }
  StreamBuilder& Gamma(uint32_t v) {
    int top = 31;
    while (!((v >> top) & 1u)) --top;
    for (int i = top - 1; i >= 0; --i) Bit((v >> i) & 1u).Bit(i > 0);
    return *this;
  }
  StreamBuilder& Literal(uint8_t b) { return Bit(0).Byte(b); }
  StreamBuilder& Single(int d) { return Bits("111").Bit(d & 8).Bit(d & 4).Bit(d & 2).Bit(d & 1); }
  StreamBuilder& Short(uint32_t offset, uint32_t length) {
    return Bits("110").Byte(static_cast<uint8_t>((offset << 1) | (length - 2)));
  }
  // Raw code pair: g is the gamma value as sent, stored the length as sent.
  StreamBuilder& Pair(uint32_t g, uint8_t lo, uint32_t stored) { return Bits("10").Gamma(g).Byte(lo).Gamma(stored); }
  StreamBuilder& Repeat(uint32_t length) { return Bits("10").Gamma(2).Gamma(length); }
  StreamBuilder& End(uint8_t b = 0) { return Bits("110").Byte(b); }

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t tag_ = 0;
  int left_ = 0;
};

struct Decoded {
  bool ok;
  std::string text;
};

// Decodes with the fastest path the processor has, checking that the portable one agrees.
Decoded Decode(const std::vector<uint8_t>& stream, size_t capacity = 0x60000) {
  Decoded decoded[2];
  for (const packed::DepackPath path : {packed::DepackPath::Best, packed::DepackPath::Portable}) {
    std::vector<uint8_t> out(capacity);
    const DepackResult r = packed::DepackBlock(stream.data(), stream.size(), out.data(), out.size(), path);
    EXPECT_LE(r.written, capacity);
    decoded[static_cast<int>(path)] = {r.ok,
                                       std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(r.written))};
  }
  EXPECT_EQ(decoded[1].ok, decoded[0].ok);
  EXPECT_TRUE(decoded[1].text == decoded[0].text) << "the portable path decodes differently";
  return decoded[0];
}

const std::vector<uint8_t> kWorkedExample = {0x61, 0x29, 0x62, 0x63, 0x03, 0x30, 0x00};

TEST(CodecDepack, WorkedExampleUnpacksToNineBytes) {
  const Decoded d = Decode(kWorkedExample);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, "abcabcabc");
  // The builder produces the same bytes from the item description.
  EXPECT_EQ(StreamBuilder('a').Literal('b').Literal('c').Pair(3, 3, 4).End().bytes(), kWorkedExample);
}

TEST(CodecDepack, SmallestBlocks) {
  EXPECT_EQ(Decode({'x', 0xC0, 0x00}).text, "x");
  EXPECT_TRUE(Decode({'x', 0xC0, 0x00}).ok);
  const Decoded two = Decode({'a', 0x60, 'b', 0x00});
  EXPECT_TRUE(two.ok);
  EXPECT_EQ(two.text, "ab");
}

TEST(CodecDepack, ShortMatchesAndBothEndBytes) {
  // Short match of 2 and 3 bytes, distance smaller than the length repeats the last byte.
  Decoded d = Decode(StreamBuilder('a').Literal('b').Short(2, 3).Short(1, 2).End(0x01).bytes());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, "ababaaa");
  // Anything after the end marker is ignored.
  std::vector<uint8_t> s = StreamBuilder('a').End(0x00).bytes();
  s.push_back(0xFF);
  d = Decode(s);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, "a");
}

TEST(CodecDepack, SingleBytes) {
  // Distance 0 writes a zero byte although none occurred before; 1..15 copy one byte.
  const Decoded d = Decode(StreamBuilder('a').Single(0).Literal('c').Single(3).Single(1).Single(2).End().bytes());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, std::string("a\0caaa", 6));
  std::vector<uint8_t> text(20);
  for (int i = 0; i < 20; ++i) text[i] = static_cast<uint8_t>('A' + i);
  StreamBuilder b(text[0]);
  for (int i = 1; i < 20; ++i) b.Literal(text[i]);
  const Decoded far = Decode(b.Single(15).End().bytes());
  EXPECT_TRUE(far.ok);
  EXPECT_EQ(far.text.back(), 'F');  // 20 bytes, then the one 15 back: index 5
}

TEST(CodecDepack, RepeatMatchFollowsLiteralOrSingleOnly) {
  // Pair at distance 2 (stored 2 -> 4 bytes), literal, repeat of 3 bytes at distance 2.
  Decoded d = Decode(StreamBuilder('a').Literal('b').Pair(3, 2, 2).Literal('x').Repeat(3).End().bytes());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, "abababxbxb");
  // After a single byte the repeat keeps the distance of the last match (single bytes leave it).
  d = Decode(StreamBuilder('a').Literal('b').Short(2, 2).Single(0).Repeat(2).End().bytes());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, std::string("abab\0b\0", 7));
  // Right after a match, gamma 2 is an ordinary pair with high part 0.
  d = Decode(StreamBuilder('a').Literal('b').Literal('c').Short(3, 3).Pair(2, 3, 2).End().bytes());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, "abcabcabca");
}

// Decodes a block of `prefix` distinct-looking literals followed by one pair.
void ExpectPair(size_t prefix, uint32_t offset, uint32_t stored, uint32_t expectedLength, bool afterMatch) {
  std::vector<uint8_t> data(prefix);
  uint32_t x = 12345;
  for (auto& v : data) {
    x = x * 1103515245u + 12345u;
    v = static_cast<uint8_t>(x >> 16);
  }
  StreamBuilder b(data[0]);
  for (size_t i = 1; i < prefix; ++i) b.Literal(data[i]);
  std::string expected(data.begin(), data.end());
  if (afterMatch) {
    b.Short(1, 2);
    expected += expected.back();
    expected += expected.back();
  }
  b.Pair((offset >> 8) + (afterMatch ? 2 : 3), static_cast<uint8_t>(offset & 0xFF), stored).End();
  for (uint32_t i = 0; i < expectedLength; ++i) expected += expected[expected.size() - offset];
  const Decoded d = Decode(b.bytes());
  EXPECT_TRUE(d.ok) << "offset " << offset;
  EXPECT_EQ(d.text.size(), expected.size()) << "offset " << offset;
  EXPECT_TRUE(d.text == expected) << "offset " << offset;
}

TEST(CodecDepack, CodePairLengthDependsOnDistanceRange) {
  ExpectPair(200, 3, 2, 4, false);        // below 128: +2
  ExpectPair(200, 127, 5, 7, true);       // below 128 after a match
  ExpectPair(2000, 128, 2, 2, false);     // 128..1279: as stored
  ExpectPair(2000, 1279, 9, 9, true);     // top of that range
  ExpectPair(2000, 1280, 2, 3, false);    // 1280..31999: +1
  ExpectPair(33000, 31999, 3, 4, true);   // top of that range
  ExpectPair(33000, 32000, 2, 4, false);  // 32000 and more: +2
  ExpectPair(70000, 65536 + 300, 6, 8, true);
}

TEST(CodecDepack, LongOverlappingRun) {
  const Decoded d = Decode(StreamBuilder('z').Pair(3, 1, 1000).End().bytes());  // offset 1: +2
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.text, std::string(1003, 'z'));
}

TEST(CodecDepack, OverlappingCopiesAtEveryShortDistance) {
  // Each distance and length against a byte-by-byte copy, with room to spare and without.
  for (uint32_t offset = 1; offset <= 40; ++offset) {
    for (uint32_t length = 4; length <= 70; ++length) {
      StreamBuilder b('A');
      std::string expected = "A";
      for (int i = 1; i < 40; ++i) {
        b.Literal(static_cast<uint8_t>('A' + i));
        expected += static_cast<char>('A' + i);
      }
      b.Pair(3, static_cast<uint8_t>(offset), length - 2).Literal('!').End();
      for (uint32_t i = 0; i < length; ++i) expected += expected[expected.size() - offset];
      expected += '!';
      for (size_t capacity : {expected.size(), expected.size() + 64}) {
        const Decoded d = Decode(b.bytes(), capacity);
        EXPECT_TRUE(d.ok);
        EXPECT_EQ(d.text, expected) << "offset " << offset << " length " << length << " capacity " << capacity;
      }
    }
  }
}

TEST(CodecDepack, DistancesAtTheEdgeOfTheOutput) {
  // After 300 bytes: each item once with literals after it (the fast path decodes it) and once
  // right before the end marker (the exact path does).
  struct Case {
    uint32_t offset, stored, length;
    bool ok;
  } const cases[] = {{1, 40, 42, true}, {300, 2, 2, true}, {301, 2, 2, false}, {0, 2, 2, false}, {256, 9, 9, true}};
  for (const Case& c : cases) {
    for (int tail : {0, 30}) {
      StreamBuilder b('A');
      std::string expected = "A";
      for (int i = 1; i < 300; ++i) {
        b.Literal(static_cast<uint8_t>(i));
        expected += static_cast<char>(i);
      }
      b.Pair((c.offset >> 8) + 3, static_cast<uint8_t>(c.offset & 0xFF), c.stored);
      for (uint32_t i = 0; c.ok && i < c.length; ++i) expected += expected[expected.size() - c.offset];
      for (int i = 0; i < tail; ++i) b.Literal('z');
      expected.append(static_cast<size_t>(tail), 'z');
      const Decoded d = Decode(b.End().bytes());
      EXPECT_EQ(d.ok, c.ok) << "offset " << c.offset << " tail " << tail;
      EXPECT_EQ(d.text, c.ok ? expected : expected.substr(0, 300)) << "offset " << c.offset << " tail " << tail;
    }
  }
}

TEST(CodecDepack, TruncatedStreamsAreErrors) {
  for (size_t n = 0; n < kWorkedExample.size(); ++n) {
    std::vector<uint8_t> cut(kWorkedExample.begin(), kWorkedExample.begin() + static_cast<std::ptrdiff_t>(n));
    std::vector<uint8_t> out(64);
    const DepackResult r = DepackBlock(cut.data(), cut.size(), out.data(), out.size());
    EXPECT_FALSE(r.ok) << n;
    EXPECT_LE(r.written, 9u);
  }
  // A stream without an end marker runs out of tag bits.
  EXPECT_FALSE(Decode(StreamBuilder('a').Literal('b').bytes()).ok);
  // A gamma code whose continue bits never stop.
  EXPECT_FALSE(Decode({'a', 0xBF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).ok);
}

TEST(CodecDepack, CopiesFromBeforeTheStartAreErrors) {
  EXPECT_FALSE(Decode(StreamBuilder('a').Literal('b').Pair(3, 5, 2).End().bytes()).ok);  // pair
  EXPECT_FALSE(Decode(StreamBuilder('a').Short(2, 2).End().bytes()).ok);                 // short
  EXPECT_FALSE(Decode(StreamBuilder('a').Single(2).End().bytes()).ok);                   // single
  EXPECT_FALSE(Decode(StreamBuilder('a').Pair(3 + 1, 0, 2).End().bytes()).ok);           // 256 back
  // Offset exactly the output length is the first byte: fine.
  EXPECT_TRUE(Decode(StreamBuilder('a').Literal('b').Pair(3, 2, 2).End().bytes()).ok);
}

TEST(CodecDepack, OffsetZeroAndUnsetRepeatAreErrors) {
  EXPECT_FALSE(Decode(StreamBuilder('a').Literal('b').Pair(3, 0, 2).End().bytes()).ok);
  EXPECT_FALSE(Decode(StreamBuilder('a').Short(1, 2).Pair(2, 0, 2).End().bytes()).ok);
  // A repeat match before any match has set a distance.
  EXPECT_FALSE(Decode(StreamBuilder('a').Literal('b').Repeat(2).End().bytes()).ok);
}

TEST(CodecDepack, OutputOverflowIsAnError) {
  // Exactly fitting is fine, one byte less is not; nothing beyond the capacity is touched.
  std::vector<uint8_t> out(9 + 4, 0xEE);
  DepackResult r = DepackBlock(kWorkedExample.data(), kWorkedExample.size(), out.data(), 9);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.written, 9u);
  r = DepackBlock(kWorkedExample.data(), kWorkedExample.size(), out.data(), 8);
  EXPECT_FALSE(r.ok);
  EXPECT_LE(r.written, 8u);
  std::fill(out.begin(), out.end(), 0xEE);
  r = DepackBlock(kWorkedExample.data(), kWorkedExample.size(), out.data(), 3);
  EXPECT_FALSE(r.ok);
  for (size_t i = 3; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE);
  // Literals, single bytes and a huge length run out of room too.
  EXPECT_FALSE(Decode(StreamBuilder('a').Literal('b').End().bytes(), 1).ok);
  EXPECT_FALSE(Decode(StreamBuilder('a').Single(0).End().bytes(), 1).ok);
  EXPECT_FALSE(Decode(StreamBuilder('a').Pair(3, 1, 0x7FFFFFFF).End().bytes(), 100).ok);
  EXPECT_FALSE(DepackBlock(kWorkedExample.data(), kWorkedExample.size(), out.data(), 0).ok);
}

// Long blocks of random items of every kind, checked against a byte-by-byte model of the
// format: long enough that most items are decoded away from the buffer ends, with lengths
// whose codes are long too, and cut short at many points.
struct ModelBlock {
  std::vector<uint8_t> stream;
  std::string text;
};

ModelBlock RandomBlock(std::mt19937& rng, int items) {
  ModelBlock m{{}, "S"};
  StreamBuilder b('S');
  bool afterMatch = false;
  size_t last = 0;
  auto copy = [&](size_t offset, size_t n) {
    for (size_t i = 0; i < n; ++i) m.text += m.text[m.text.size() - offset];
    afterMatch = true;
  };
  for (int item = 0; item < items; ++item) {
    const size_t out = m.text.size();
    const uint32_t kind = rng() % 6;
    if (kind <= 1) {
      const auto v = static_cast<uint8_t>(rng());
      b.Literal(v);
      m.text += static_cast<char>(v);
      afterMatch = false;
    } else if (kind == 2) {
      const size_t d = std::min<size_t>(rng() % 16, out);
      b.Single(static_cast<int>(d));
      m.text += d == 0 ? '\0' : m.text[out - d];
      afterMatch = false;
    } else if (kind == 3) {
      const size_t offset = 1 + rng() % std::min<size_t>(127, out);
      const size_t n = 2 + rng() % 2;
      b.Short(static_cast<uint32_t>(offset), static_cast<uint32_t>(n));
      copy(offset, n);
      last = offset;
    } else if (kind == 4 && !afterMatch && last != 0) {
      const size_t n = 2 + rng() % 300;
      b.Repeat(static_cast<uint32_t>(n));
      copy(last, n);
    } else if (kind == 5) {
      const size_t offset = 1 + rng() % out;
      const size_t extra = (offset >= 32000) + (offset >= 1280) + 2 * (offset < 128);
      const size_t n = extra + (rng() % 16 == 0 ? 1000 + rng() % 200000 : 2 + rng() % 80);
      b.Pair(static_cast<uint32_t>((offset >> 8) + (afterMatch ? 2 : 3)), static_cast<uint8_t>(offset & 0xFF),
             static_cast<uint32_t>(n - extra));
      copy(offset, n);
      last = offset;
    }
  }
  m.stream = b.End().bytes();
  return m;
}

TEST(CodecDepack, LongRandomBlocksMatchAByteModel) {
  std::mt19937 rng(2026);
  for (int round = 0; round < 12; ++round) {
    const ModelBlock m = RandomBlock(rng, 300);
    for (size_t capacity : {m.text.size(), m.text.size() + 100}) {
      const Decoded d = Decode(m.stream, capacity);
      EXPECT_TRUE(d.ok) << "round " << round;
      EXPECT_TRUE(d.text == m.text) << "round " << round << " capacity " << capacity;
    }
    // One byte less room is an error, and what was written is still right.
    const Decoded tight = Decode(m.stream, m.text.size() - 1);
    EXPECT_FALSE(tight.ok);
    EXPECT_TRUE(m.text.compare(0, tight.text.size(), tight.text) == 0);
  }
  for (int round = 0; round < 3; ++round) {
    const ModelBlock m = RandomBlock(rng, 120);
    for (size_t cut = 0; cut < m.stream.size(); cut += 1 + m.stream.size() / 60) {
      const std::vector<uint8_t> part(m.stream.begin(), m.stream.begin() + static_cast<std::ptrdiff_t>(cut));
      const Decoded d = Decode(part, m.text.size());
      EXPECT_FALSE(d.ok) << "cut " << cut;
      EXPECT_TRUE(m.text.compare(0, d.text.size(), d.text) == 0) << "cut " << cut;
    }
  }
}

}  // namespace
}  // namespace kelmar
