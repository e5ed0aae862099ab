#include "engine/song_render.h"

#include <vector>

namespace kelmar {

RenderResult RenderSongToSink(Engine& engine, BlockSink& sink, const RenderOptions& options) {
  RenderResult result;
  const int frames =
      engine.BufferSize < 1 ? 1 : (engine.BufferSize > kMaxBufferSize ? kMaxBufferSize : engine.BufferSize);
  // Whole blocks only: the last block that fits within the limit is the last one written.
  const uint64_t limitFrames = static_cast<uint64_t>(options.maxSeconds) * engine.SampleRate;
  const uint64_t maxBlocks = limitFrames / static_cast<uint64_t>(frames) > 0 ? limitFrames / frames : 1;

  alignas(8) uint8_t block[4 * kMaxBufferSize];
  std::vector<int16_t> stemStore;
  int16_t* stems[kChannelCount] = {};
  int16_t mixFrames[2 * kMaxBufferSize];
  if (options.stems) {
    stemStore.assign(static_cast<size_t>(kChannelCount) * 2 * frames, 0);
    for (int c = 0; c < kChannelCount; ++c) stems[c] = stemStore.data() + static_cast<size_t>(c) * 2 * frames;
  }

  engine.StopAtLoop = 1;
  // Every export starts from the voices and tick clock of a freshly started program, so a
  // song exports to the same bytes whenever the menu item is chosen and whatever played
  // before, and to the same bytes as kelmar-render.
  engine.RestVoices();
  engine.StartPlayback(0, 0, 0);
  do {
    if (options.stems) {
      // The same renderer with each voice's contribution kept aside; the mix is converted
      // to bytes exactly as RenderBuffer converts it.
      engine.RenderFrames(mixFrames, frames, stems);
      for (int i = 0; i < 2 * frames; ++i) {
        const uint16_t v = static_cast<uint16_t>(mixFrames[i]);
        block[2 * i] = static_cast<uint8_t>(v & 0xFF);
        block[2 * i + 1] = static_cast<uint8_t>(v >> 8);
      }
    } else {
      engine.RenderBuffer(block);
    }
    if (!sink.TakeBlock(block, frames, options.stems ? stems : nullptr)) {
      engine.StopPlayback();
      result.end = RenderEnd::Failed;
      return result;
    }
    ++result.blocks;
    result.frames += static_cast<uint64_t>(frames);
    if (engine.StopAtLoop != 1) break;
    if (options.progress &&
        !options.progress(RenderProgress{result.frames, engine.SampleRate, engine.OrderPos, engine.Row})) {
      engine.StopPlayback();
      result.end = RenderEnd::Cancelled;
      return result;
    }
    if (result.blocks >= maxBlocks) {
      engine.StopPlayback();
      result.end = RenderEnd::Limit;
      return result;
    }
  } while (engine.StopAtLoop == 1);
  if (options.progress) options.progress(RenderProgress{result.frames, engine.SampleRate, engine.OrderPos, engine.Row});
  result.end = RenderEnd::Stopped;
  return result;
}

}  // namespace kelmar
