#include "history/timeline.h"

namespace kelmar {

const HistoryStep& Timeline::Undo() {
  EndRun();
  return steps_[--done_];
}

const HistoryStep& Timeline::Redo() {
  EndRun();
  return steps_[done_++];
}

void Timeline::Push(HistoryStep step) {
  while (steps_.size() > done_) {
    bytes_ -= steps_.back().Bytes();
    steps_.pop_back();
  }
  step.serial = nextSerial_++;
  bytes_ += step.Bytes();
  steps_.push_back(std::move(step));
  ++done_;
  Trim();
}

void Timeline::ReplaceNewest(HistoryStep step) {
  HistoryStep& newest = steps_[done_ - 1];
  bytes_ -= newest.Bytes();
  if (step.changes.empty()) {
    steps_.pop_back();
    --done_;
    EndRun();
    return;
  }
  step.serial = newest.serial;
  newest = std::move(step);
  bytes_ += newest.Bytes();
  Trim();
}

void Timeline::PushUndone(HistoryStep step) {
  step.serial = nextSerial_++;
  bytes_ += step.Bytes();
  // The redo steps stand after the done ones, the next to redo first.
  steps_.insert(steps_.begin() + static_cast<std::ptrdiff_t>(done_), std::move(step));
}

bool Timeline::MayMerge(const std::string& key) const {
  return !key.empty() && key == runKey_ && done_ > 0 && done_ == steps_.size() && steps_.back().serial != savedSerial_;
}

void Timeline::Trim() {
  while (done_ > 1 && (steps_.size() > limits_.maxSteps || bytes_ > limits_.maxBytes)) {
    bytes_ -= steps_.front().Bytes();
    baseSerial_ = steps_.front().serial;
    steps_.pop_front();
    --done_;
  }
}

}  // namespace kelmar
