// The match finder's results for a block, position by position, in chunks that the finder
// fills ahead of the parse: on a thread of its own for a large block, else when asked.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>

#include "files/match_finder.h"
#include "files/work_area.h"

namespace kelmar::packed {

class MatchStream {
 public:
  // Blocks this long or longer get a finder thread. Most songs are shorter and pack in a few
  // milliseconds on one.
  static constexpr uint32_t kThreadedLength = 1u << 16;

  MatchStream(const uint8_t* src, uint32_t length, uint32_t hashBits, WorkArea& area);
  ~MatchStream();
  MatchStream(const MatchStream&) = delete;
  MatchStream& operator=(const MatchStream&) = delete;

  // The finder's matches at pos. Positions are asked for in increasing order; skipped ones
  // were entered all the same.
  std::span<const Candidate> At(uint32_t pos) {
    while (pos - current_->first >= current_->count) Advance();
    const uint32_t i = pos - current_->first;
    const uint32_t begin = i == 0 ? 0 : current_->ends[i - 1];
    return {current_->candidates + begin, current_->ends[i] - begin};
  }

 private:
  struct Chunk {
    uint32_t first = 0;
    uint32_t count = 0;
    uint32_t* ends = nullptr;  // per position: where its candidates end
    Candidate* candidates = nullptr;
  };
  static constexpr uint32_t kChunks = 16;  // in flight between the threads: enough to even out their pace

  void Fill(Chunk& chunk);
  void Advance();
  void Produce();

  TreeMatchFinder finder_;
  uint32_t n_;
  uint32_t next_ = 0;         // the next position to enter
  uint32_t chunkPositions_;   // at most this many positions in a chunk
  uint32_t chunkCandidates_;  // room for this many candidates in a chunk
  Chunk chunks_[kChunks];
  std::unique_ptr<uint32_t[]> ownEnds_;
  std::unique_ptr<Candidate[]> ownCandidates_;
  Chunk empty_;
  const Chunk* current_ = &empty_;
  uint32_t taken_ = 0;                 // chunks the parse has taken
  std::atomic<uint32_t> produced_{0};  // chunks filled by the finder thread
  std::atomic<uint32_t> released_{0};  // chunks the parse is done with; kReleasedAll once it is gone
  std::thread thread_;
};

}  // namespace kelmar::packed
