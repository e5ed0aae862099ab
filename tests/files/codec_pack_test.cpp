// Packing: exact small outputs, round trips of random and structured data of many sizes,
// the size bound, progress and cancel, and the items the parse chooses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "files/match_stream.h"
#include "files/optimal_parse.h"
#include "files/packed_block.h"

namespace kelmar {
namespace {

std::vector<uint8_t> Pack(const std::vector<uint8_t>& data, PackProgress progress = nullptr, void* param = nullptr) {
  std::vector<uint8_t> work(PackWorkMemorySize);
  std::vector<uint8_t> out(PackedSizeBound(static_cast<uint32_t>(data.size())));
  const uint32_t n = PackBlock(data.data(), out.data(), static_cast<uint32_t>(data.size()), work.data(), progress, param);
  if (n == kPackFailed) return {};
  EXPECT_LE(n, out.size());
  out.resize(n);
  return out;
}

// Packs, checks the bound, unpacks into a buffer of exactly the input's length.
void ExpectRoundTrip(const std::vector<uint8_t>& data, const std::string& what) {
  const std::vector<uint8_t> packed = Pack(data);
  ASSERT_FALSE(packed.empty()) << what;
  ASSERT_LE(packed.size(), PackedSizeBound(static_cast<uint32_t>(data.size()))) << what;
  std::vector<uint8_t> out(data.size());
  const DepackResult r = DepackBlock(packed.data(), packed.size(), out.data(), out.size());
  EXPECT_TRUE(r.ok) << what;
  ASSERT_EQ(r.written, data.size()) << what;
  EXPECT_TRUE(out == data) << what << ": " << data.size() << " bytes";
}

std::vector<uint8_t> Random(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng() % static_cast<uint32_t>(alphabet));
  return v;
}

// Pattern-like data: 4-byte cells, mostly an empty-cell marker, with notes, repeats and edits.
std::vector<uint8_t> Structured(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v;
  while (v.size() < n) {
    const uint32_t pick = rng() % 10;
    if (pick < 5) {
      v.insert(v.end(), {127, 0, 0, 0});
    } else if (pick < 7) {
      v.insert(v.end(), {static_cast<uint8_t>(36 + rng() % 48), static_cast<uint8_t>(rng() % 3), 0,
                         static_cast<uint8_t>(rng() % 4)});
    } else if (pick < 9 && v.size() > 64) {
      // copy an earlier stretch, near or far, with one byte changed
      const size_t len = 8 + rng() % 120;
      const size_t from = rng() % (v.size() - 32);
      for (size_t i = 0; i < len && v.size() < n + 4; ++i) v.push_back(v[from + i % (v.size() - from)]);
      v.back() ^= 0x10;
    } else {
      const size_t len = 1 + rng() % 40;
      for (size_t i = 0; i < len; ++i) v.push_back(static_cast<uint8_t>('a' + rng() % 26));
    }
  }
  v.resize(n);
  return v;
}

TEST(CodecPack, EmptyInputWritesNothing) {
  uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  std::vector<uint8_t> work(PackWorkMemorySize);
  EXPECT_EQ(PackBlock(nullptr, out, 0, work.data(), nullptr, nullptr), 0u);
  EXPECT_EQ(out[0], 0xEE);
}

TEST(CodecPack, ExactSmallOutputs) {
  EXPECT_EQ(Pack({'x'}), (std::vector<uint8_t>{'x', 0xC0, 0x00}));
  EXPECT_EQ(Pack({'a', 'b'}), (std::vector<uint8_t>{'a', 0x60, 'b', 0x00}));
  // Two bytes always take a literal, even where a single-byte item could say the same.
  EXPECT_EQ(Pack({'a', 'a'}), (std::vector<uint8_t>{'a', 0x60, 'a', 0x00}));
  EXPECT_EQ(Pack({'a', 0}), (std::vector<uint8_t>{'a', 0x60, 0x00, 0x00}));
  const std::string abc = "abcabcabc";
  EXPECT_EQ(Pack(std::vector<uint8_t>(abc.begin(), abc.end())),
            (std::vector<uint8_t>{0x61, 0x29, 0x62, 0x63, 0x03, 0x30, 0x00}));
}

TEST(CodecPack, RoundTripsRandomDataOfManySizes) {
  for (size_t n : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 64u, 100u, 255u, 256u, 1000u, 4097u, 65536u}) {
    ExpectRoundTrip(Random(n, static_cast<uint32_t>(n)), "random");
    ExpectRoundTrip(Random(n, static_cast<uint32_t>(n) + 7, 4), "small alphabet");
  }
}

TEST(CodecPack, RoundTripsStructuredData) {
  for (size_t n : {10u, 100u, 1023u, 5000u, 60000u}) {
    ExpectRoundTrip(Structured(n, static_cast<uint32_t>(n)), "structured");
  }
  ExpectRoundTrip(std::vector<uint8_t>(100000, 0), "zeros");
  ExpectRoundTrip(std::vector<uint8_t>(3, 0), "three zeros");
  ExpectRoundTrip(std::vector<uint8_t>(70000, 0xAB), "one byte repeated");
  std::vector<uint8_t> saw(50000);
  for (size_t i = 0; i < saw.size(); ++i) saw[i] = static_cast<uint8_t>(i % 251);
  ExpectRoundTrip(saw, "period 251");
  std::vector<uint8_t> seam = Structured(8020, 3);  // a long run across the end of the parse's first segment
  seam.resize(9500, 0);
  ExpectRoundTrip(seam, "run across a segment end");
  // Far repeats: a random block copied at distances in every pair range.
  std::vector<uint8_t> far = Random(40000, 99);
  for (size_t d : {3u, 100u, 700u, 5000u, 33000u}) {
    const size_t at = far.size();
    for (size_t i = 0; i < 50; ++i) far.push_back(far[far.size() - d]);
    far[at + 20] ^= 1;
  }
  ExpectRoundTrip(far, "far repeats");
  // A copy longer than the parse examines that ends with the input.
  std::vector<uint8_t> tail = Structured(3000, 5);
  for (size_t i = 0; i < 400; ++i) tail.push_back(tail[tail.size() - 1000 + (i == 0 ? 1 : 0)]);
  ExpectRoundTrip(tail, "long copy to the end");
}

TEST(CodecPack, IncompressibleDataStaysWithinTheBound) {
  for (size_t n : {1u, 2u, 9u, 100u, 1000u, 100000u}) {
    const std::vector<uint8_t> data = Random(n, 1234 + static_cast<uint32_t>(n));
    const std::vector<uint8_t> packed = Pack(data);
    EXPECT_LE(packed.size(), n + n / 8 + 64);
  }
  EXPECT_EQ(PackedSizeBound(0), 64u);
  EXPECT_EQ(PackedSizeBound(393216), 393216u + 49152u + 64u);
}

TEST(CodecPack, WorksWithoutWorkMemory) {
  const std::vector<uint8_t> data = Structured(3000, 5);
  std::vector<uint8_t> out(PackedSizeBound(3000));
  const uint32_t n = PackBlock(data.data(), out.data(), 3000, nullptr, nullptr, nullptr);
  ASSERT_NE(n, kPackFailed);
  std::vector<uint8_t> back(3000);
  EXPECT_TRUE(DepackBlock(out.data(), n, back.data(), back.size()).ok);
  EXPECT_EQ(back, data);
}

struct ProgressLog {
  std::vector<uint32_t> consumed;
  std::vector<uint32_t> produced;
  uint32_t total = 0;
  size_t cancelAt = SIZE_MAX;
};

int LogProgress(uint32_t total, uint32_t consumed, uint32_t produced, void* param) {
  auto* log = static_cast<ProgressLog*>(param);
  log->total = total;
  log->consumed.push_back(consumed);
  log->produced.push_back(produced);
  return log->consumed.size() >= log->cancelAt ? 0 : 1;
}

TEST(CodecPack, ProgressIsReportedAndCanCancel) {
  const std::vector<uint8_t> data = Random(20000, 3, 16);
  ProgressLog log;
  const std::vector<uint8_t> packed = Pack(data, LogProgress, &log);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(log.total, 20000u);
  ASSERT_GE(log.consumed.size(), 3u);
  for (size_t i = 1; i < log.consumed.size(); ++i) {
    EXPECT_GE(log.consumed[i], log.consumed[i - 1]);
    EXPECT_GE(log.produced[i], log.produced[i - 1]);
  }
  EXPECT_EQ(log.consumed.back(), 20000u);  // the call after the end marker
  EXPECT_EQ(log.produced.back(), packed.size());

  ProgressLog cancel;
  cancel.cancelAt = 2;
  std::vector<uint8_t> work(PackWorkMemorySize);
  std::vector<uint8_t> out(PackedSizeBound(20000));
  EXPECT_EQ(PackBlock(data.data(), out.data(), 20000, work.data(), LogProgress, &cancel), kPackFailed);
  EXPECT_EQ(cancel.consumed.size(), 2u);

  ProgressLog last;  // cancelling at the final call still fails
  last.cancelAt = log.consumed.size();
  EXPECT_EQ(PackBlock(data.data(), out.data(), 20000, work.data(), LogProgress, &last), kPackFailed);
}

TEST(CodecPack, ParseUsesEveryItemKind) {
  // Structured data with far copies exercises every item and every distance range of pairs.
  std::vector<uint8_t> data = Structured(50000, 11);
  const std::vector<uint8_t> noise = Random(2000, 8);
  data.insert(data.begin() + 1000, noise.begin(), noise.end());
  const auto items = packed::ParseBlock(data.data(), static_cast<uint32_t>(data.size()), nullptr);
  int literal = 0, single = 0, singleZero = 0, shortMatch = 0, repeat = 0;
  int pairs[4] = {0, 0, 0, 0};
  for (const auto& item : items) {
    switch (item.kind) {
      case packed::ItemKind::Literal: ++literal; break;
      case packed::ItemKind::Single: ++(item.offset == 0 ? singleZero : single); break;
      case packed::ItemKind::Short: ++shortMatch; break;
      case packed::ItemKind::Repeat: ++repeat; break;
      case packed::ItemKind::Pair:
        ++pairs[item.offset < 128 ? 0 : item.offset < 1280 ? 1 : item.offset < 32000 ? 2 : 3];
        break;
    }
  }
  EXPECT_GT(literal, 0);
  EXPECT_GT(single, 0);
  EXPECT_GT(singleZero, 0);
  EXPECT_GT(shortMatch, 0);
  EXPECT_GT(repeat, 0);
  for (int range = 0; range < 4; ++range) EXPECT_GT(pairs[range], 0) << "range " << range;

  // The packer writes exactly these items: its size is what their bit costs add up to.
  size_t dataBytes = 2;  // verbatim first byte, end marker byte
  size_t tagBits = 3;    // end marker
  bool afterMatch = false;
  for (const auto& item : items) {
    const uint32_t bits = item.kind == packed::ItemKind::Literal  ? packed::kLiteralBits
                          : item.kind == packed::ItemKind::Single ? packed::kSingleBits
                          : item.kind == packed::ItemKind::Short  ? packed::kShortBits
                          : item.kind == packed::ItemKind::Repeat ? packed::RepeatBits(item.length)
                                                                  : packed::PairBits(item.offset, item.length, afterMatch);
    const bool hasByte = item.kind == packed::ItemKind::Literal || item.kind == packed::ItemKind::Short ||
                         item.kind == packed::ItemKind::Pair;
    dataBytes += hasByte;
    tagBits += bits - (hasByte ? 8 : 0);
    afterMatch = item.kind != packed::ItemKind::Literal && item.kind != packed::ItemKind::Single;
  }
  const std::vector<uint8_t> packedBlock = Pack(data);
  EXPECT_EQ(packedBlock.size(), dataBytes + (tagBits + 7) / 8);
  std::vector<uint8_t> back(data.size());
  const DepackResult r = DepackBlock(packedBlock.data(), packedBlock.size(), back.data(), back.size());
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(back == data);
}

TEST(CodecPack, ParseRepeatsTheDistanceAcrossAChangedByte) {
  // Twenty distinct bytes, then the same with one changed: a pair, the changed byte, and a
  // repeat match at the pair's distance, which costs 10 bits where a new pair would cost 16.
  const std::string text = "abcdefghijklmnopqrstabcdefghijXlmnopqrst";
  const auto items = packed::ParseBlock(reinterpret_cast<const uint8_t*>(text.data()), 40, nullptr);
  ASSERT_EQ(items.size(), 22u);
  EXPECT_EQ(items[19].kind, packed::ItemKind::Pair);
  EXPECT_EQ(items[19].offset, 20u);
  EXPECT_EQ(items[19].length, 10u);
  EXPECT_EQ(items[20].kind, packed::ItemKind::Literal);
  EXPECT_EQ(items[21].kind, packed::ItemKind::Repeat);
  EXPECT_EQ(items[21].length, 9u);
}

// The finder thread hands over each position's matches in order, as the finder alone finds
// them, whichever positions the parse skips; a stream left early stops its thread.
TEST(CodecPack, FinderThreadHandsOverTheFindersMatches) {
  const std::vector<uint8_t> data = Structured(packed::MatchStream::kThreadedLength + 40000, 8);
  const auto n = static_cast<uint32_t>(data.size());
  packed::WorkArea aloneArea(nullptr, 0), streamArea(nullptr, 0), leftArea(nullptr, 0);
  packed::TreeMatchFinder alone(data.data(), n, 16, aloneArea);
  packed::MatchStream stream(data.data(), n, 16, streamArea);
  packed::Candidate expected[packed::TreeMatchFinder::kMaxCandidates];
  for (uint32_t pos = 0; pos < n; ++pos) {
    const auto count = static_cast<size_t>(alone.Enter(pos, expected));
    if (pos % 7 == 3) continue;
    const std::span<const packed::Candidate> got = stream.At(pos);
    ASSERT_EQ(got.size(), count) << pos;
    for (size_t i = 0; i < count; ++i) {
      ASSERT_EQ(got[i].offset, expected[i].offset) << pos;
      ASSERT_EQ(got[i].length, expected[i].length) << pos;
    }
  }
  packed::MatchStream left(data.data(), n, 16, leftArea);  // asked for one position, then dropped
  EXPECT_TRUE(left.At(0).empty());
}

TEST(CodecPack, GammaCostsMatchTheCode) {
  EXPECT_EQ(packed::GammaBits(2), 2u);
  EXPECT_EQ(packed::GammaBits(3), 2u);
  EXPECT_EQ(packed::GammaBits(4), 4u);
  EXPECT_EQ(packed::GammaBits(7), 4u);
  EXPECT_EQ(packed::GammaBits(8), 6u);
  // offset 3 after a literal, 6 bytes: 2 + gamma(3) + 8 + gamma(4), as in the 7-byte example
  EXPECT_EQ(packed::PairBits(3, 6, false), 16u);
  EXPECT_EQ(packed::PairMinLength(127), 4u);
  EXPECT_EQ(packed::PairMinLength(128), 2u);
  EXPECT_EQ(packed::PairMinLength(1280), 3u);
  EXPECT_EQ(packed::PairMinLength(32000), 4u);
}

}  // namespace
}  // namespace kelmar
