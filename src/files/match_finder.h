// Binary-tree match finder of the packer: for each position of a block in turn, the earlier
// places it matches, nearest first, each longer than all nearer ones.
#pragma once

#include <cstdint>
#include <memory>

#include "files/work_area.h"

namespace kelmar::packed {

struct Candidate {
  uint32_t offset;  // how far back
  uint32_t length;
};

class TreeMatchFinder {
 public:
  static constexpr int kSearchDepth = 32;
  static constexpr int kMaxCandidates = kSearchDepth;
  // Lengths are looked at up to this; a candidate this long may match further.
  static constexpr uint32_t kNiceLength = 160;

  TreeMatchFinder(const uint8_t* src, uint32_t length, uint32_t hashBits, WorkArea& area);

  // Enters pos, which follows the last position entered, and writes its matches of 3 bytes or
  // more to out (room for kMaxCandidates), lengths capped at kNiceLength; returns how many.
  int Enter(uint32_t pos, Candidate* out);

 private:
  const uint8_t* src_;
  uint32_t n_;
  uint32_t hashBits_;
  uint32_t* head_;  // per hash of 3 bytes: the newest position, the tree's root
  uint32_t* tree_;  // per position: the roots of its smaller and larger subtrees
  // Where the work memory did not hold them.
  std::unique_ptr<uint32_t[]> ownHeads_, ownTree_;
};

}  // namespace kelmar::packed
