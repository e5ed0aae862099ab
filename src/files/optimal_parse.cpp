// Shortest-bit-cost parse for the packed-block format.
//
// A forward dynamic program over positions. The cost of an item depends on decoder state:
// after a match the offset high part is one gamma value cheaper, and a repeat match (the
// cheapest way to copy) needs the last match distance and must follow a literal or single
// byte. So each position keeps up to kArrivals cheapest ways to reach it that differ in that
// state (afterMatch, lastOffset), each with its exact bit cost and a link to the way it came.
//
// Matches come from the tree match finder (TreeMatchFinder: 3 bytes or more, searched to a
// fixed depth), which a MatchStream runs ahead of the parse, on a thread of its own for a large
// block, plus a table of the last place of every byte pair for 2-byte copies. A nearer
// distance almost never costs more than a farther one for the same length (after a match, a
// distance of 1280..1535 can be 2 bits cheaper than 512..1279 for a length that is a power of
// 2), so a farther candidate is kept only when it is longer than every nearer one. Nor does
// the parse try a farther distance for the repeat match it would allow next; an exact parse of
// the starter songs finds 0.5% that way. A match of kNiceLength bytes or more is taken as it
// is and the positions it covers are not examined (the finder enters them all the same): this
// keeps long runs linear. Copies that a repeat of the same distance already reaches as cheaply
// are not offered at all, which spares a third of the copies offered in runs.
//
// The arrivals live in a ring of kRing positions that stays in cache. Every kSegment
// positions, and before each long match, the cheapest way into the current position is
// fixed: the items leading there are traced and kept, and the parse goes on from that one
// arrival. Ways into the next few positions that did not go through it are dropped, which
// costs almost nothing, and memory no longer grows with the arrivals.
//
// Memory: the byte-pair table, the ring (32 bytes per position, at most 256 KiB), the finder's
// tree roots and links (8 bytes per input byte) and the chunks of its results live in the
// caller's work memory where they fit, as a small block's do; otherwise they are allocated
// (3 MB of links and 1.2 MB of chunks for a full 393,216-byte song).
#include "files/optimal_parse.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <memory>
#include <new>

#include "files/match_length.h"
#include "files/match_stream.h"
#include "files/packed_block.h"
#include "files/work_area.h"

namespace kelmar::packed {

namespace {

// Tuned on song streams: 4 arrivals gain 0.15%, a tree search twice as deep 0.4%; both cost
// far more time than that is worth.
constexpr int kArrivals = 2;
constexpr uint32_t kNiceLength = TreeMatchFinder::kNiceLength;
constexpr uint32_t kHashBits = 16;
constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr int kMaxCandidates = TreeMatchFinder::kMaxCandidates + 1;  // and a byte pair
constexpr uint32_t kMaxParseLength = 64u << 20;
// Items other than long matches end at most kMaxAhead positions after they start.
constexpr uint32_t kMaxAhead = kNiceLength - 1;
constexpr uint32_t kRing = 8192;
constexpr uint32_t kSegment = kRing - kMaxAhead - 1;  // the ring holds a segment and what lies ahead of it
constexpr uint32_t kReservedItems = 4096;

// 16 bytes, so that the ways into one position share a cache line.
struct Arrival {
  uint32_t cost;   // bits from the start of the block
  uint32_t state;  // lastOffset * 2 + afterMatch; lastOffset is 0 while no match has set it
  uint32_t prev;   // arrival slot this one was reached from
  uint32_t info;   // item kind << 28 | item length (a single byte: its distance)

  uint32_t lastOffset() const { return state >> 1; }
  bool afterMatch() const { return (state & 1u) != 0; }
  ItemKind kind() const { return static_cast<ItemKind>(info >> 28); }
  uint32_t value() const { return info & 0x0FFFFFFFu; }
};

struct alignas(32) ArrivalSet {
  Arrival a[kArrivals];
};
static_assert(sizeof(ArrivalSet) == 32, "one or two sets per cache line");

// Byte pairs may share a slot, so a pair slot is checked against the bytes before use.
uint32_t Hash2(const uint8_t* p, uint32_t bits) {
  const uint32_t v = (uint32_t{p[0]} << 8) | p[1];
  return (v * 2654435761u) >> (32 - bits);
}

class Parser {
 public:
  // The byte-pair table always fits the work memory; a small block's ring, tree and chunks of
  // matches fit after it, so that packing it allocates nothing.
  Parser(const uint8_t* src, uint32_t length, WorkArea& area)
      : src_(src),
        n_(length),
        ringMask_(RingSize(length) - 1),
        hashBits_(HashBits(length)),
        last2_(area.Take(size_t{1} << hashBits_, ownLast2_)),
        arrivals_(area.Take(ringMask_ + 1, ownRing_)),
        matches_(src, length, hashBits_, area) {
    std::fill(last2_, last2_ + (size_t{1} << hashBits_), kNone);
    // A ring entry is cleared by the step kMaxAhead before it (Step, Restart): only the first
    // positions start clear.
    for (uint32_t i = 0; i <= kMaxAhead; ++i) Clear(i);
    std::fill(std::begin(lastSeen_), std::end(lastSeen_), kNone);
    items_.reserve(std::min<uint32_t>(length / 4 + 16, kReservedItems));  // most blocks need no more
  }

  std::vector<Item> Run() {
    // The verbatim first byte: 8 bits, no match yet.
    Offer(1, 8, 0, false, kNone, ItemKind::Literal, 0, 1);
    Enter(0);
    uint32_t pos = 1;
    while (pos < n_) {
      if (pos - segmentStart_ >= kSegment) {
        Keep(pos * kArrivals);
        Restart(pos, At(pos)[0]);
      }
      pos = Step(pos);
    }
    Keep(n_ * kArrivals);
    return std::move(items_);
  }

 private:
  // A block that fits one segment gets a ring of its own size (the positions up to length +
  // kMaxAhead never meet in it), so that a short block does not clear a whole ring.
  static uint32_t RingSize(uint32_t length) {
    return length < kSegment ? std::bit_ceil(length + kMaxAhead + 2) : kRing;
  }
  // Small blocks get small tables: clearing them is then cheaper than the parse.
  static uint32_t HashBits(uint32_t length) {
    return std::clamp<uint32_t>(static_cast<uint32_t>(std::bit_width(length)), 10, kHashBits);
  }
  // At, Clear and Offer run dozens of times a position: they are inlined in sanitized and
  // fuzzing builds too, where the compiler would otherwise call them.
  [[gnu::always_inline]] Arrival (&At(uint32_t pos))[kArrivals] { return arrivals_[pos & ringMask_].a; }
  [[gnu::always_inline]] void Clear(uint32_t pos) {
    for (Arrival& a : At(pos)) a = Arrival{kNone, kNone, kNone, 0};
  }
  const Arrival& Slot(uint32_t slot) { return At(slot / kArrivals)[slot % kArrivals]; }

  // Records pos as the last place of its byte and of its byte pair; the tree finder enters
  // every position on its own.
  void Enter(uint32_t pos) {
    lastSeen_[src_[pos]] = pos;
    if (n_ - pos >= 2) last2_[Hash2(src_ + pos, hashBits_)] = pos;
  }

  // Matches at pos, nearest first, each longer than all nearer ones; enters pos as well.
  int FindMatches(uint32_t pos, Candidate* cands) {
    const uint32_t left = n_ - pos;
    const uint32_t pair = left >= 2 ? last2_[Hash2(src_ + pos, hashBits_)] : kNone;
    Enter(pos);
    int nc = 0;
    uint32_t best = 1;
    if (pair != kNone && pos - pair < 1280 && src_[pair] == src_[pos] && src_[pair + 1] == src_[pos + 1]) {
      best = MatchLength(src_ + pos, src_ + pair, left);
      cands[nc++] = Candidate{pos - pair, best};
    }
    const uint32_t maxLen = std::min(left, kNiceLength);
    for (const Candidate& c : matches_.At(pos)) {
      if (c.length <= best) continue;  // the tree's lengths grow: a byte pair went as far
      best = c.length;
      const uint32_t full = c.length == maxLen ? MatchLength(src_ + pos, src_ + pos - c.offset, left) : c.length;
      cands[nc++] = Candidate{c.offset, full};
    }
    return nc;
  }

  // Keeps the arrival if it is among the kArrivals cheapest with distinct state at pos. Empty
  // entries cost kNone, so one comparison turns most offers away.
  [[gnu::always_inline]] void Offer(uint32_t pos, uint32_t cost, uint32_t lastOffset, bool afterMatch, uint32_t prev,
                                    ItemKind kind, uint32_t offset, uint32_t length) {
    Arrival* a = At(pos);
    if (cost >= a[kArrivals - 1].cost) return;
    const uint32_t state = (lastOffset << 1) | (afterMatch ? 1u : 0u);
    int slot = kArrivals - 1;  // drop the dearest, or fill the last empty entry
    for (int i = 0; i < kArrivals - 1; ++i) {
      if (a[i].state == state) {
        if (a[i].cost <= cost) return;
        slot = i;  // replace the dearer way to the same state
        break;
      }
    }
    // Move the new arrival up to its place in cost order.
    while (slot > 0 && a[slot - 1].cost > cost) {
      a[slot] = a[slot - 1];
      --slot;
    }
    const uint32_t value = kind == ItemKind::Single ? offset : length;
    a[slot] = Arrival{cost, state, prev, (static_cast<uint32_t>(kind) << 28) | value};
  }

  // Relaxes every item that starts at pos; returns the next position to examine.
  uint32_t Step(uint32_t pos) {
    Clear(pos + kMaxAhead);  // first reached from here; its ring entry held a position before the segment
    Arrival* here = At(pos);
    int count = 0;
    while (count < kArrivals && here[count].cost != kNone) ++count;
    const uint32_t left = n_ - pos;
    const uint32_t base = pos * kArrivals;

    // Literal or single byte: keeps lastOffset, clears afterMatch.
    uint32_t single = kNone;
    if (src_[pos] == 0) {
      single = 0;
    } else if (const uint32_t seen = lastSeen_[src_[pos]]; seen != kNone && pos - seen <= kSingleMaxOffset) {
      single = pos - seen;  // the nearest copy of the byte
    }
    const ItemKind oneKind = single == kNone ? ItemKind::Literal : ItemKind::Single;
    const uint32_t oneBits = single == kNone ? kLiteralBits : kSingleBits;
    const uint32_t oneOffset = single == kNone ? 0 : single;

    int bestFree = -1;   // cheapest arrival with afterMatch false
    int bestAfter = -1;  // cheapest with afterMatch true
    uint32_t longest = 0;
    uint32_t longestCost = 0;
    Item longestItem{};
    uint32_t longestLast = 0;
    uint32_t longestPrev = 0;
    uint32_t repeat[kArrivals] = {};  // length of the repeat match after each arrival, 0 for none
    for (int i = 0; i < count; ++i) {
      const Arrival& a = here[i];
      if (a.afterMatch()) {
        if (bestAfter < 0) bestAfter = i;
        continue;
      }
      if (bestFree < 0) bestFree = i;
      // Repeat match at the last distance.
      const uint32_t lastOffset = a.lastOffset();
      if (lastOffset == 0 || left < 2) continue;
      const uint32_t len = MatchLength(src_ + pos, src_ + pos - lastOffset, left);
      if (len < 2) continue;
      repeat[i] = len;
      if (len >= kNiceLength) {
        const uint32_t cost = a.cost + RepeatBits(len);
        if (len > longest || (len == longest && cost < longestCost)) {
          longest = len;
          longestCost = cost;
          longestItem = Item{ItemKind::Repeat, lastOffset, len};
          longestLast = lastOffset;
          longestPrev = base + i;
        }
      }
    }

    // Matches: the resulting state depends only on the distance, so only the cheapest
    // arrival of each afterMatch kind matters.
    Candidate cands[kMaxCandidates];
    const int nc = FindMatches(pos, cands);
    for (int c = 0; c < nc; ++c) {
      const uint32_t off = cands[c].offset;
      const uint32_t maxLen = cands[c].length;
      if (maxLen < kNiceLength) continue;
      uint32_t cost = kNone;
      if (bestFree >= 0) cost = here[bestFree].cost + PairBits(off, maxLen, false);
      uint32_t prev = base + static_cast<uint32_t>(bestFree);
      if (bestAfter >= 0 && here[bestAfter].cost + PairBits(off, maxLen, true) < cost) {
        cost = here[bestAfter].cost + PairBits(off, maxLen, true);
        prev = base + static_cast<uint32_t>(bestAfter);
      }
      if (maxLen > longest || (maxLen == longest && cost < longestCost)) {
        longest = maxLen;
        longestCost = cost;
        longestItem = Item{ItemKind::Pair, off, maxLen};
        longestLast = off;
        longestPrev = prev;
      }
    }
    if (longest >= kNiceLength) return TakeLong(pos, longest, longestCost, longestItem, longestLast, longestPrev);

    // Nothing reaches past kMaxAhead: every item from here is offered.
    for (int i = 0; i < count; ++i) {
      const Arrival& a = here[i];
      const uint32_t lastOffset = a.lastOffset();
      Offer(pos + 1, a.cost + oneBits, lastOffset, false, base + i, oneKind, oneOffset, 1);
      for (uint32_t l = 2; l <= repeat[i]; ++l) {
        Offer(pos + l, a.cost + RepeatBits(l), lastOffset, true, base + i, ItemKind::Repeat, lastOffset, l);
      }
    }
    uint32_t covered = 1;
    for (int c = 0; c < nc; ++c) {
      const uint32_t off = cands[c].offset;
      const uint32_t top = std::min(cands[c].length, kNiceLength - 1);
      // Cheapest way in for an item costing bitsFree after a literal, bitsAfter after a match.
      auto cheapest = [&](uint32_t bitsFree, uint32_t bitsAfter, uint32_t& prev) __attribute__((always_inline)) {
        uint32_t cost = kNone;
        if (bestFree >= 0) {
          cost = here[bestFree].cost + bitsFree;
          prev = base + static_cast<uint32_t>(bestFree);
        }
        if (bestAfter >= 0 && here[bestAfter].cost + bitsAfter < cost) {
          cost = here[bestAfter].cost + bitsAfter;
          prev = base + static_cast<uint32_t>(bestAfter);
        }
        return cost;
      };
      // A repeat of this distance, offered above, reaches the same positions in the same state.
      // Where a copy costs no less, Offer would turn it away (the position keeps that state at
      // most that dear, or two cheaper ways), so it is not offered: the parse is the same.
      uint32_t repeatCost = kNone;
      uint32_t repeatTop = 0;
      for (int i = 0; i < count; ++i) {
        if (repeat[i] != 0 && here[i].lastOffset() == off) {
          repeatCost = here[i].cost;
          repeatTop = repeat[i];
        }
      }
      auto firstKept = [&](uint32_t l, uint32_t cost) __attribute__((always_inline)) {
        if (repeatCost == kNone || l > repeatTop || cost < repeatCost + RepeatBits(l)) return l;
        // RepeatBits(x) <= cost - repeatCost for every x below 2^width.
        const uint32_t width = (cost - repeatCost - 4) / 2 + 1;
        return std::min(repeatTop, width >= 32 ? kNone - 1 : (1u << width) - 1) + 1;
      };
      uint32_t l = covered + 1;
      if (off <= kShortMaxOffset && l <= 3) {
        uint32_t prev = 0;
        const uint32_t cost = cheapest(kShortBits, kShortBits, prev);
        for (l = firstKept(l, cost); l <= std::min(top, 3u); ++l) {
          Offer(pos + l, cost, off, true, prev, ItemKind::Short, off, l);
        }
      }
      // Pairs: the cost only changes where the stored length's gamma code grows a digit.
      const uint32_t bonus = PairLengthBonus(off);
      l = std::max(l, PairMinLength(off));
      while (l <= top) {
        const uint32_t stored = l - bonus;
        const uint32_t sameCostEnd = std::min(top, (std::bit_floor(stored) * 2 - 1) + bonus);
        uint32_t prev = 0;
        const uint32_t cost = cheapest(PairBits(off, l, false), PairBits(off, l, true), prev);
        for (l = firstKept(l, cost); l <= sameCostEnd; ++l) {
          Offer(pos + l, cost, off, true, prev, ItemKind::Pair, off, l);
        }
      }
      covered = std::max(covered, top);
    }

    return pos + 1;
  }

  // A long match is taken from the arrival it was found for; the parse goes on after it.
  // Positions inside it are not examined, only entered in the match finder.
  uint32_t TakeLong(uint32_t pos, uint32_t length, uint32_t cost, Item item, uint32_t lastOffset, uint32_t prev) {
    Keep(prev);
    items_.push_back(item);
    const uint32_t next = pos + length;
    const Arrival after{cost, (lastOffset << 1) | 1u, kNone, 0};
    for (uint32_t i = pos + 1; i < next; ++i) Enter(i);
    Restart(next, after);
    return next;
  }

  // Makes `from`, whose items are kept already, the only way into pos and the start of a new
  // segment; nothing ahead of pos has been reached from it yet.
  void Restart(uint32_t pos, Arrival from) {
    from.prev = kNone;
    At(pos)[0] = from;
    for (uint32_t i = 1; i < kArrivals; ++i) At(pos)[i] = Arrival{kNone, kNone, kNone, 0};
    for (uint32_t i = 1; i < kMaxAhead; ++i) Clear(pos + i);
    segmentStart_ = pos;
  }

  // Appends the items on the way into `slot` since the start of the segment.
  void Keep(uint32_t slot) {
    const size_t first = items_.size();
    for (const Arrival* a = &Slot(slot); a->prev != kNone; a = &Slot(a->prev)) {
      switch (a->kind()) {
        case ItemKind::Literal: items_.push_back(Item{ItemKind::Literal, 0, 1}); break;
        case ItemKind::Single: items_.push_back(Item{ItemKind::Single, a->value(), 1}); break;
        default: items_.push_back(Item{a->kind(), a->lastOffset(), a->value()}); break;
      }
    }
    std::reverse(items_.begin() + static_cast<std::ptrdiff_t>(first), items_.end());
  }

  const uint8_t* src_;
  uint32_t n_;
  uint32_t ringMask_;  // the ring's size (a power of 2) - 1
  uint32_t hashBits_;
  std::unique_ptr<uint32_t[]> ownLast2_;  // where the work memory did not hold them
  std::unique_ptr<ArrivalSet[]> ownRing_;
  uint32_t* last2_;          // per hash of a byte pair: its last place
  ArrivalSet* arrivals_;     // ring of RingSize; each set sorted by cost, empty entries last
  MatchStream matches_;
  uint32_t segmentStart_ = 1;
  std::vector<Item> items_;
  uint32_t lastSeen_[256];  // the last position entered of each byte value
};

}  // namespace

std::vector<Item> ParseBlock(const uint8_t* src, uint32_t length, void* workMemory) {
  if (length < 2) return {};
  // Bit costs are kept in 32 bits; far beyond any song, so larger blocks are refused.
  if (length > kMaxParseLength) throw std::bad_alloc();
  WorkArea area(workMemory, PackWorkMemorySize);
  Parser parser(src, length, area);
  return parser.Run();
}

}  // namespace kelmar::packed
