#include "files/audio_export.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "files/export_files.h"

namespace kelmar {
namespace {

class CountingSink : public BlockSink {
 public:
  bool TakeBlock(const uint8_t*, int, const int16_t* const*) override { return true; }
};

// Each block's mix and stems, faded where the fade has begun, on their way to the files.
class ExportSink : public BlockSink {
 public:
  ExportSink(ExportFiles& files, uint64_t totalFrames, uint64_t fadeFrames)
      : files_(files), total_(totalFrames), fade_(fadeFrames) {}

  bool TakeBlock(const uint8_t* mix, int frames, const int16_t* const* stems) override {
    if (files_.failed()) return false;
    ExportBlock& block = files_.Next();
    block.frames = frames;
    if (fade_ > 0 && stems) {
      Fade(block, stems);
    } else {
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(block.mix.data(), mix, static_cast<size_t>(frames) * 4);  // the bytes are host order
      } else {
        for (int i = 0; i < 2 * frames; ++i)
          block.mix[i] = static_cast<int16_t>(static_cast<uint16_t>(mix[2 * i] | (mix[2 * i + 1] << 8)));
      }
      for (int c = 0; c < kChannelCount && stems; ++c) std::copy_n(stems[c], 2 * frames, block.stems[c].begin());
    }
    done_ += static_cast<uint64_t>(frames);
    files_.Send();
    return true;
  }

 private:
  // A straight line from full level to 0 at the last frame; the mix is the sum of the faded
  // stems, so that the stems still sum exactly to it.
  void Fade(ExportBlock& block, const int16_t* const* stems) {
    const uint64_t fadeStart = total_ - fade_;
    for (int i = 0; i < block.frames; ++i) {
      const uint64_t at = done_ + static_cast<uint64_t>(i);
      const int64_t gain = at < fadeStart ? static_cast<int64_t>(fade_)
                                          : static_cast<int64_t>(at < total_ ? total_ - 1 - at : 0);
      for (int side = 0; side < 2; ++side) {
        int32_t sum = 0;
        for (int c = 0; c < kChannelCount; ++c) {
          const int16_t v = static_cast<int16_t>(stems[c][2 * i + side] * gain / static_cast<int64_t>(fade_));
          block.stems[c][2 * i + side] = v;
          sum += v;
        }
        block.mix[2 * i + side] = static_cast<int16_t>(sum);  // no stem grows, so the sum stays in range
      }
    }
  }

  ExportFiles& files_;
  uint64_t total_;
  uint64_t fade_;
  uint64_t done_ = 0;
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

  auto files = std::make_unique<ExportFiles>();
  if (FileError err = files->Open(setup)) return Failure({}, err, files->failedPath());
  ExportSink sink(*files, total, fade);
  const RenderResult rendered = RenderSongToSink(engine, sink, render);
  files->Finish();
  if (files->failed()) return Failure(rendered, files->error(), files->failedPath());
  AudioExportResult result;
  static_cast<RenderResult&>(result) = rendered;
  if (rendered.end == RenderEnd::Cancelled) return result;  // the writers abandon their files
  if (FileError err = files->Commit()) return Failure(rendered, err, files->failedPath());
  result.loudness = files->loudness();
  return result;
}

}  // namespace kelmar
