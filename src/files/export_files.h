// The files of one export, written on a thread of their own while the render goes on:
// encoding FLAC or Ogg takes about as long as rendering the song, so the two share the time.
// The render thread fills blocks in order and sends them; the file thread writes each to the
// mix, the stems and the loudness meter in the same order, so the files are what writing them
// in place would give. A failed write ends the writing; the render sees it at its next block.
// Plain WAV files without a loudness meter cost no more than copying the samples, less than
// handing blocks to another thread: those are written in place, as each block is sent.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "files/audio_file.h"
#include "files/loudness.h"

namespace kelmar {

struct AudioExportSetup;

struct ExportBlock {
  int frames = 0;
  std::array<int16_t, 2 * kMaxBufferSize> mix;  // interleaved left/right
  std::array<std::array<int16_t, 2 * kMaxBufferSize>, kChannelCount> stems;
};

class ExportFiles {
 public:
  ExportFiles() = default;
  ~ExportFiles();  // finishes the thread; files not committed are abandoned
  ExportFiles(const ExportFiles&) = delete;
  ExportFiles& operator=(const ExportFiles&) = delete;

  // Creates the mix (unless the path is empty) and the stems, each beside its target, and
  // starts the thread. On failure nothing is left and failedPath names the file.
  FileError Open(const AudioExportSetup& setup);

  // The render thread: the next block to fill (waits while every block is being written),
  // then Send hands it over.
  ExportBlock& Next();
  void Send();
  bool failed() const { return failed_.load(std::memory_order_acquire); }

  // Waits until every block sent is written and ends the thread. Then error() and
  // failedPath() tell of a failed write.
  void Finish();
  const FileError& error() const { return error_; }
  const std::string& failedPath() const { return failedPath_; }

  // After Finish: puts the stems, then the mix, in place.
  FileError Commit();
  Loudness loudness() const { return meter_ ? meter_->Result() : Loudness{}; }

 private:
  static constexpr size_t kBlocks = 4;
  void Run();
  void Write(const ExportBlock& block);

  std::unique_ptr<AudioFileWriter> mix_;
  std::array<std::unique_ptr<AudioFileWriter>, kChannelCount> stems_;
  std::array<std::string, kChannelCount + 1> paths_;  // the stems', then the mix's
  std::unique_ptr<LoudnessMeter> meter_;

  bool inPlace_ = false;  // no file thread: Send writes the one block
  std::vector<ExportBlock> blocks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t first_ = 0;  // the oldest block sent and not yet written
  size_t sent_ = 0;   // blocks sent and not yet written
  bool finishing_ = false;
  std::atomic<bool> failed_{false};
  std::thread thread_;

  // Written by the file thread before it ends; read after Finish.
  FileError error_;
  std::string failedPath_;
};

}  // namespace kelmar
