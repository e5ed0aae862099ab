#include "files/match_stream.h"

#include <algorithm>
#include <system_error>

namespace kelmar::packed {

namespace {

constexpr uint32_t kChunkPositions = 2048;
constexpr uint32_t kReleasedAll = 0x7FFFFFFFu;  // the parse is gone: the finder stops

}  // namespace

MatchStream::MatchStream(const uint8_t* src, uint32_t length, uint32_t hashBits, WorkArea& area)
    : finder_(src, length, hashBits, area), n_(length) {
  const bool threaded = length >= kThreadedLength;
  const uint32_t chunks = threaded ? kChunks : 1;
  chunkPositions_ = std::min(length, kChunkPositions);
  // Most positions have a few candidates; a chunk ends early where the next might not fit.
  chunkCandidates_ = 4 * chunkPositions_ + TreeMatchFinder::kMaxCandidates;
  uint32_t* ends = area.Take(size_t{chunks} * chunkPositions_, ownEnds_);
  Candidate* candidates = area.Take(size_t{chunks} * chunkCandidates_, ownCandidates_);
  for (uint32_t i = 0; i < chunks; ++i) {
    chunks_[i].ends = ends + size_t{i} * chunkPositions_;
    chunks_[i].candidates = candidates + size_t{i} * chunkCandidates_;
  }
  if (!threaded) return;
  try {
    thread_ = std::thread([this] { Produce(); });
  } catch (const std::system_error&) {
    // No thread to be had: the parse fills the chunks itself, the same way.
  }
}

MatchStream::~MatchStream() {
  if (!thread_.joinable()) return;
  released_.store(kReleasedAll, std::memory_order_release);
  released_.notify_one();
  thread_.join();
}

// Keeps its counts in locals: the parse reads the chunks beside them all the time.
void MatchStream::Fill(Chunk& chunk) {
  const uint32_t first = next_;
  const uint32_t last = std::min(n_, first + chunkPositions_);
  uint32_t used = 0;
  uint32_t pos = first;
  while (pos < last && used + TreeMatchFinder::kMaxCandidates <= chunkCandidates_) {
    used += static_cast<uint32_t>(finder_.Enter(pos, chunk.candidates + used));
    chunk.ends[pos++ - first] = used;
  }
  chunk.first = first;
  chunk.count = pos - first;
  next_ = pos;
}

void MatchStream::Advance() {
  if (!thread_.joinable()) {
    Fill(chunks_[0]);
    current_ = &chunks_[0];
    return;
  }
  if (current_ != &empty_) {
    released_.store(++taken_, std::memory_order_release);
    released_.notify_one();
  }
  for (uint32_t ready = produced_.load(std::memory_order_acquire); ready <= taken_;
       ready = produced_.load(std::memory_order_acquire)) {
    produced_.wait(ready, std::memory_order_acquire);
  }
  current_ = &chunks_[taken_ % kChunks];
}

// The finder thread: fills each chunk once the parse has let go of what it held before.
void MatchStream::Produce() {
  for (uint32_t chunk = 0; next_ < n_; ++chunk) {
    uint32_t released = released_.load(std::memory_order_acquire);
    while (chunk >= released + kChunks) {
      released_.wait(released, std::memory_order_acquire);
      released = released_.load(std::memory_order_acquire);
    }
    if (released == kReleasedAll) return;
    Fill(chunks_[chunk % kChunks]);
    produced_.store(chunk + 1, std::memory_order_release);
    produced_.notify_one();
  }
}

}  // namespace kelmar::packed
