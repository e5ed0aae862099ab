#include "files/export_files.h"

#include <algorithm>

#include "files/audio_export.h"

namespace kelmar {

ExportFiles::~ExportFiles() { Finish(); }

FileError ExportFiles::Open(const AudioExportSetup& setup) {
  for (int c = 0; c < kChannelCount; ++c) {
    if (setup.stemPaths[c].empty()) continue;
    paths_[c] = setup.stemPaths[c];
    stems_[c] = std::make_unique<AudioFileWriter>();
    if ((error_ = stems_[c]->Create(paths_[c], setup.file))) {
      failedPath_ = paths_[c];
      return error_;
    }
  }
  paths_[kChannelCount] = setup.path;
  if (!setup.path.empty()) {
    mix_ = std::make_unique<AudioFileWriter>();
    if ((error_ = mix_->Create(setup.path, setup.file))) {
      failedPath_ = setup.path;
      return error_;
    }
  }
  if (setup.measureLoudness) meter_ = std::make_unique<LoudnessMeter>(setup.file.sampleRate);
  inPlace_ = !meter_ && !(mix_ && mix_->Encodes()) &&
             std::none_of(stems_.begin(), stems_.end(), [](const auto& stem) { return stem && stem->Encodes(); });
  blocks_.resize(inPlace_ ? 1 : kBlocks);
  if (!inPlace_) thread_ = std::thread([this] { Run(); });
  return {};
}

ExportBlock& ExportFiles::Next() {
  if (inPlace_) return blocks_[0];
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return sent_ < kBlocks; });
  return blocks_[(first_ + sent_) % kBlocks];
}

void ExportFiles::Send() {
  if (inPlace_) {
    if (!failed_.load(std::memory_order_relaxed)) Write(blocks_[0]);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    ++sent_;
  }
  changed_.notify_all();
}

void ExportFiles::Finish() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ExportFiles::Run() {
  while (true) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return sent_ > 0 || finishing_; });
    if (sent_ == 0) return;  // finishing, and everything is written
    const ExportBlock& block = blocks_[first_];
    lock.unlock();
    // After a failure the blocks still sent are let go unwritten, so the render never waits.
    if (!failed_.load(std::memory_order_relaxed)) Write(block);
    lock.lock();
    first_ = (first_ + 1) % kBlocks;
    --sent_;
    lock.unlock();
    changed_.notify_all();
  }
}

void ExportFiles::Write(const ExportBlock& block) {
  if (meter_) meter_->Add(block.mix.data(), block.frames);
  for (int c = 0; c <= kChannelCount; ++c) {
    AudioFileWriter* writer = c < kChannelCount ? stems_[c].get() : mix_.get();
    if (!writer) continue;
    const int16_t* frames = c < kChannelCount ? block.stems[c].data() : block.mix.data();
    if ((error_ = writer->Write(frames, block.frames))) {
      failedPath_ = paths_[c];
      failed_.store(true, std::memory_order_release);
      return;
    }
  }
}

FileError ExportFiles::Commit() {
  // The stems first, the mix last: a failure before the mix is renamed leaves it untouched.
  for (int c = 0; c <= kChannelCount; ++c) {
    AudioFileWriter* writer = c < kChannelCount ? stems_[c].get() : mix_.get();
    if (!writer) continue;
    if ((error_ = writer->Commit())) {
      failedPath_ = paths_[c];
      return error_;
    }
  }
  return {};
}

}  // namespace kelmar
