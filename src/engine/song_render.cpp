#include "engine/song_render.h"

#include <algorithm>
#include <vector>

namespace kelmar {
namespace {

// Loop Pattern as the range asks for it while the render runs, and as it was afterwards.
class PatternLoop {
 public:
  PatternLoop(Engine& engine, const RenderRange& range)
      : engine_(engine), pattern_(engine.LoopPattern), first_(engine.LoopFirst), last_(engine.LoopLast) {
    if (range.pattern < 0) return;
    engine.LoopPattern = 1;
    engine.LoopFirst = range.firstRow;
    engine.LoopLast = range.lastRow;
  }
  ~PatternLoop() {
    engine_.LoopPattern = pattern_;
    engine_.LoopFirst = first_;
    engine_.LoopLast = last_;
  }
  PatternLoop(const PatternLoop&) = delete;
  PatternLoop& operator=(const PatternLoop&) = delete;

 private:
  Engine& engine_;
  uint8_t pattern_, first_, last_;
};

// A pattern played alone: counts the starts of its first row among the rows the last block
// played (each after the first begins a pass) and returns how many of the block's frames
// come before the start of one pass too many.
int FramesBeforeLastPassEnds(const Engine& engine, uint64_t marksBefore, uint64_t blockStart, int frames,
                             const RenderOptions& options, int& starts, RenderResult& result) {
  const uint64_t written = engine.RowMarksWritten;
  const uint64_t oldest = written > kRowMarkCount ? written - kRowMarkCount : 0;
  for (uint64_t m = std::max(marksBefore, oldest); m < written; ++m) {
    const RowMark& mark = engine.RowMarks()[m % kRowMarkCount];
    if (mark.Row != options.range.firstRow) continue;
    const int at = static_cast<int>(mark.Frame - blockStart);
    if (++starts == options.passes) result.lastPassFrame = result.frames + static_cast<uint64_t>(at);
    if (starts > options.passes) return at;
  }
  return frames;
}

void Start(Engine& engine, const RenderOptions& options) {
  engine.StopAtLoop = 1;
  engine.LoopPasses = static_cast<uint8_t>(std::clamp(options.passes - 1, 0, 255));
  // Every export starts from the voices and tick clock of a freshly started program, so a
  // song exports to the same bytes whenever the menu item is chosen and whatever played
  // before, and to the same bytes as kelmar-render.
  engine.RestVoices();
  const RenderRange& range = options.range;
  if (range.pattern >= 0)
    engine.StartPlayback(0, range.firstRow, static_cast<uint16_t>(range.pattern + 1));
  else
    engine.StartPlayback(range.orderPos, range.row, 0);
}

}  // namespace

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
  if (options.stems) {
    stemStore.assign(static_cast<size_t>(kChannelCount) * 2 * frames, 0);
    for (int c = 0; c < kChannelCount; ++c) stems[c] = stemStore.data() + static_cast<size_t>(c) * 2 * frames;
  }

  const bool pattern = options.range.pattern >= 0;
  PatternLoop loop(engine, options.range);
  Start(engine, options);
  int starts = 0;
  do {
    const uint64_t marksBefore = engine.RowMarksWritten;
    const uint64_t blockStart = engine.RenderedFrames;
    const uint8_t passesLeft = engine.LoopPasses;
    engine.RenderBuffer(block, options.muted, options.stems ? stems : nullptr);
    const int kept =
        pattern ? FramesBeforeLastPassEnds(engine, marksBefore, blockStart, frames, options, starts, result) : frames;
    if (!pattern && engine.StopAtLoop == 1 && engine.LoopPasses == 0 && passesLeft > 0)
      result.lastPassFrame = result.frames;
    if (kept > 0 && !sink.TakeBlock(block, kept, options.stems ? stems : nullptr)) {
      engine.StopPlayback();
      result.end = RenderEnd::Failed;
      return result;
    }
    ++result.blocks;
    result.frames += static_cast<uint64_t>(kept);
    if (kept < frames) {
      engine.StopPlayback();  // the pattern's passes are done
      result.looped = true;
    }
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
  result.looped = result.looped || engine.EndedAtJump != 0;
  return result;
}

}  // namespace kelmar
