#include "files/audio_export.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace kelmar {
namespace {

class CountingSink : public BlockSink {
 public:
  bool TakeBlock(const uint8_t*, int, const int16_t* const*) override { return true; }
};

// Each block's mix and stems, faded where the fade has begun, into the open files and the meter.
class ExportSink : public BlockSink {
 public:
  ExportSink(AudioFileWriter* mix, std::array<std::unique_ptr<AudioFileWriter>, kChannelCount>& stems,
             LoudnessMeter& meter, uint64_t totalFrames, uint64_t fadeFrames)
      : mix_(mix), stems_(stems), meter_(meter), total_(totalFrames), fade_(fadeFrames) {}

  bool TakeBlock(const uint8_t* mix, int frames, const int16_t* const* stems) override {
    if (fade_ > 0 && stems) {
      Fade(frames, stems);
    } else {
      for (int i = 0; i < 2 * frames; ++i)
        mixFrames_[i] = static_cast<int16_t>(static_cast<uint16_t>(mix[2 * i] | (mix[2 * i + 1] << 8)));
      for (int c = 0; c < kChannelCount && stems; ++c)
        std::copy_n(stems[c], 2 * frames, stemFrames_[c].begin());
    }
    done_ += static_cast<uint64_t>(frames);
    meter_.Add(mixFrames_.data(), frames);
    if (mix_) {
      if ((error_ = mix_->Write(mixFrames_.data(), frames))) return false;
    }
    for (int c = 0; c < kChannelCount; ++c) {
      if (!stems_[c]) continue;
      if ((error_ = stems_[c]->Write(stemFrames_[c].data(), frames))) {
        failed_ = c;
        return false;
      }
    }
    return true;
  }

  const FileError& error() const { return error_; }
  int failed() const { return failed_; }

 private:
  // A straight line from full level to 0 at the last frame; the mix is the sum of the faded
  // stems, so that the stems still sum exactly to it.
  void Fade(int frames, const int16_t* const* stems) {
    const uint64_t fadeStart = total_ - fade_;
    for (int i = 0; i < frames; ++i) {
      const uint64_t at = done_ + static_cast<uint64_t>(i);
      const int64_t gain = at < fadeStart ? static_cast<int64_t>(fade_)
                                          : static_cast<int64_t>(at < total_ ? total_ - 1 - at : 0);
      for (int side = 0; side < 2; ++side) {
        int32_t sum = 0;
        for (int c = 0; c < kChannelCount; ++c) {
          const int16_t v = static_cast<int16_t>(stems[c][2 * i + side] * gain / static_cast<int64_t>(fade_));
          stemFrames_[c][2 * i + side] = v;
          sum += v;
        }
        mixFrames_[2 * i + side] = static_cast<int16_t>(sum);  // no stem grows, so the sum stays in range
      }
    }
  }

  AudioFileWriter* mix_;
  std::array<std::unique_ptr<AudioFileWriter>, kChannelCount>& stems_;
  LoudnessMeter& meter_;
  uint64_t total_;
  uint64_t fade_;
  uint64_t done_ = 0;
  FileError error_;
  int failed_ = -1;
  std::array<int16_t, 2 * kMaxBufferSize> mixFrames_{};
  std::array<std::array<int16_t, 2 * kMaxBufferSize>, kChannelCount> stemFrames_{};
};

AudioExportResult Failure(RenderResult render, FileError error, std::string path) {
  AudioExportResult result;
  static_cast<RenderResult&>(result) = render;
  result.end = RenderEnd::Failed;
  result.error = std::move(error);
  result.failedPath = std::move(path);
  return result;
}

}  // namespace

std::string StemPathBeside(const std::string& mixPath, int track) {
  const std::filesystem::path path(mixPath);
  const std::string name = path.stem().string() + "-track" + std::to_string(track + 1) + path.extension().string();
  return (path.parent_path() / name).string();
}

AudioTags TagsOfSong(const SongSettings& settings, const std::string& software) {
  AudioTags tags{settings.Title, {}, software};
  for (size_t i = 0; i < settings.Comment.size(); ++i) {
    if (settings.Comment.compare(i, 2, "\r\n") == 0) continue;  // the "\n" that follows ends the line
    tags.comment += settings.Comment[i];
  }
  return tags;
}

AudioExportResult ExportAudio(Engine& engine, const AudioExportSetup& setup) {
  engine.StopPlayback();
  RenderOptions render = setup.render;
  const bool anyStem = std::any_of(setup.stemPaths.begin(), setup.stemPaths.end(),
                                   [](const std::string& p) { return !p.empty(); });
  uint64_t total = 0;
  uint64_t fade = 0;
  if (setup.fadeFrames > 0) {
    // Where the song ends, so that the fade can begin in time.
    CountingSink counting;
    render.stems = false;
    const RenderResult measured = RenderSongToSink(engine, counting, render);
    if (measured.end == RenderEnd::Cancelled) {
      AudioExportResult result;
      static_cast<RenderResult&>(result) = measured;
      return result;
    }
    total = measured.frames;
    // A song that stops by itself ends as it always does.
    if (measured.end != RenderEnd::Stopped || measured.looped)
      fade = std::min<uint64_t>(setup.fadeFrames, total - measured.lastPassFrame);
  }
  render.stems = anyStem || fade > 0;

  auto mix = std::make_unique<AudioFileWriter>();
  if (!setup.path.empty()) {
    if (FileError err = mix->Create(setup.path, setup.file)) return Failure({}, err, setup.path);
  }
  std::array<std::unique_ptr<AudioFileWriter>, kChannelCount> stems;
  for (int c = 0; c < kChannelCount; ++c) {
    if (setup.stemPaths[c].empty()) continue;
    stems[c] = std::make_unique<AudioFileWriter>();
    if (FileError err = stems[c]->Create(setup.stemPaths[c], setup.file)) return Failure({}, err, setup.stemPaths[c]);
  }
  LoudnessMeter meter(engine.SampleRate);
  auto sink = std::make_unique<ExportSink>(setup.path.empty() ? nullptr : mix.get(), stems, meter, total, fade);
  const RenderResult rendered = RenderSongToSink(engine, *sink, render);
  if (rendered.end == RenderEnd::Failed)
    return Failure(rendered, sink->error(), sink->failed() < 0 ? setup.path : setup.stemPaths[sink->failed()]);
  AudioExportResult result;
  static_cast<RenderResult&>(result) = rendered;
  if (rendered.end == RenderEnd::Cancelled) return result;  // the writers abandon their files
  // The stems first, the mix last: a failure before the mix is renamed leaves it untouched.
  for (int c = 0; c < kChannelCount; ++c) {
    if (!stems[c]) continue;
    if (FileError err = stems[c]->Commit()) return Failure(rendered, err, setup.stemPaths[c]);
  }
  if (!setup.path.empty()) {
    if (FileError err = mix->Commit()) return Failure(rendered, err, setup.path);
  }
  result.loudness = meter.Result();
  return result;
}

}  // namespace kelmar
