// The undo timeline: the steps done (oldest first) and the steps undone that can be redone.
// It knows which state was last saved, merges a run of steps into one (a drag, typing,
// a held key) and drops the oldest steps beyond its limits. It holds steps only; the
// history applies them to the song.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "files/history_step.h"

namespace kelmar {

struct TimelineLimits {
  size_t maxSteps = 10000;
  size_t maxBytes = size_t{64} << 20;
};

class Timeline {
 public:
  explicit Timeline(TimelineLimits limits = {}) : limits_(limits) {}

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < steps_.size(); }
  const HistoryStep& NextUndo() const { return steps_[done_ - 1]; }
  const HistoryStep& NextRedo() const { return steps_[done_]; }
  // Moves the position; the caller applies the step it returns.
  const HistoryStep& Undo();
  const HistoryStep& Redo();

  // A new step, done: the steps that could be redone are dropped, then the oldest beyond the limits.
  void Push(HistoryStep step);
  // Replaces the newest step (a run merged into it); an empty one removes it.
  void ReplaceNewest(HistoryStep step);
  // A step that was undone before the timeline was written down again (recovery).
  void PushUndone(HistoryStep step);

  // Whether a step of this merge key may still be merged into the newest step: it is the
  // newest, nothing was undone since, and it was recorded under the same key.
  bool MayMerge(const std::string& key) const;
  // Ends the run of the newest step: the next step starts a new one.
  void EndRun() { runKey_.clear(); }
  void SetRunKey(std::string key) { runKey_ = std::move(key); }

  // The saved state: the song equals what was last saved, loaded or started anew.
  void MarkSaved() { savedSerial_ = CurrentSerial(); }
  void ForgetSaved() { savedSerial_ = kNoSerial; }
  bool Unsaved() const { return CurrentSerial() != savedSerial_; }

  const std::deque<HistoryStep>& Steps() const { return steps_; }
  const TimelineLimits& Limits() const { return limits_; }
  size_t DoneCount() const { return done_; }
  size_t Bytes() const { return bytes_; }

 private:
  static constexpr uint32_t kNoSerial = 0xFFFFFFFF;
  uint32_t CurrentSerial() const { return done_ > 0 ? steps_[done_ - 1].serial : baseSerial_; }
  void Trim();

  TimelineLimits limits_;
  std::deque<HistoryStep> steps_;
  size_t done_ = 0;
  size_t bytes_ = 0;
  uint32_t nextSerial_ = 1;
  uint32_t baseSerial_ = 0;  // the state before the oldest step kept
  uint32_t savedSerial_ = 0;
  std::string runKey_;
};

}  // namespace kelmar
