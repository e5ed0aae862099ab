#include "files/match_finder.h"

#include <algorithm>

#include "files/match_length.h"

namespace kelmar::packed {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

uint32_t Hash3(const uint8_t* p, uint32_t bits) {
  const uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  return (v * 2654435761u) >> (32 - bits);
}

}  // namespace

TreeMatchFinder::TreeMatchFinder(const uint8_t* src, uint32_t length, uint32_t hashBits, WorkArea& area)
    : src_(src), n_(length), hashBits_(hashBits) {
  head_ = area.Take(size_t{1} << hashBits, ownHeads_);
  tree_ = area.Take(2 * static_cast<size_t>(length), ownTree_);  // each link is written before it is read
  std::fill(head_, head_ + (size_t{1} << hashBits), kNone);
}

// One binary search tree of the suffixes sharing a hash of their first 3 bytes, newest at the
// root (as in the classic binary-tree match finder): walking it from the root meets ever older
// positions with ever longer common prefixes, and the new position replaces the root, splitting
// the old tree into its two subtrees.
int TreeMatchFinder::Enter(uint32_t pos, Candidate* out) {
  const uint32_t left = n_ - pos;
  if (left < 3) return 0;
  const uint32_t maxLen = std::min(left, kNiceLength);
  uint32_t& root = head_[Hash3(src_ + pos, hashBits_)];
  uint32_t cur = root;
  root = pos;
  uint32_t* const links = tree_;
  uint32_t* less = links + 2 * static_cast<size_t>(pos);
  uint32_t* greater = less + 1;
  uint32_t lenLess = 0;
  uint32_t lenGreater = 0;
  uint32_t best = 2;
  int count = 0;
  const uint8_t* const here = src_ + pos;
  for (int depth = kSearchDepth; cur != kNone && depth != 0; --depth) {
    uint32_t* node = links + 2 * static_cast<size_t>(cur);
    const uint8_t* there = src_ + cur;
    uint32_t len = std::min(lenLess, lenGreater);
    len += MatchLength(here + len, there + len, maxLen - len);
    if (len > best) {
      best = len;
      out[count++] = Candidate{pos - cur, len};
    }
    if (len == maxLen) {  // same as far as we look: pos takes cur's place
      *less = node[0];
      *greater = node[1];
      return count;
    }
    if (there[len] < here[len]) {
      *less = cur;
      less = node + 1;
      lenLess = len;
      cur = node[1];
    } else {
      *greater = cur;
      greater = node;
      lenGreater = len;
      cur = node[0];
    }
  }
  *less = *greater = kNone;
  return count;
}

}  // namespace kelmar::packed
