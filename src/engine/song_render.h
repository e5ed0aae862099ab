// A whole song rendered without an audio device, block by block, into a sink: the loop that
// the window's export and the command-line renderer share, so that both produce the same
// bytes from the same engine state. The sink decides where the blocks go; the engine does
// no I/O of its own.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/engine.h"

namespace kelmar {

constexpr uint32_t kRenderMaxSeconds = 1800;  // 30 minutes of audio

// Where rendered blocks go. mix holds 4 * frames bytes as RenderBuffer writes them; stems,
// when the loop was asked for them, holds eight interleaved int16 buffers of frames frames.
class BlockSink {
 public:
  virtual ~BlockSink() = default;
  // False when the sink failed: the render then ends after this block.
  virtual bool TakeBlock(const uint8_t* mix, int frames, const int16_t* const* stems) = 0;
};

struct RenderProgress {
  uint64_t frames;  // frames rendered so far
  uint32_t sampleRate;
  uint8_t orderPos;
  uint8_t row;
  double seconds() const { return sampleRate ? static_cast<double>(frames) / sampleRate : 0.0; }
};
// Called after every block; returning false cancels the render after that block.
using RenderProgressFn = std::function<bool(const RenderProgress&)>;

enum class RenderEnd {
  Stopped,    // the song stopped by itself (order "S", S00/T00, backward jump)
  Limit,      // the length limit was reached
  Cancelled,  // the progress callback asked to stop
  Failed,     // the sink reported an error
};

struct RenderResult {
  RenderEnd end = RenderEnd::Stopped;
  uint64_t frames = 0;
  uint64_t blocks = 0;
  // Where the last pass begins: the block in which the last backward jump was taken, or the
  // exact frame where a pattern's rows start for the last time; 0 with one pass.
  uint64_t lastPassFrame = 0;
  // The end came at a loop: a backward jump, or a pattern's last pass. A song that stopped
  // by itself (an "S" entry, S00 or T00) did not loop.
  bool looped = false;
};

// What is played: the song from an order position, or one pattern's rows. A pattern is
// played as Loop Pattern plays it (a break or a jump goes back to firstRow) and ends exactly
// where its rows would start again, so that the result loops seamlessly.
struct RenderRange {
  uint8_t orderPos = 0;
  uint8_t row = 0;
  int pattern = -1;  // 0..255: this pattern alone
  uint8_t firstRow = 0;
  uint8_t lastRow = kRowCount - 1;
};

struct RenderOptions {
  uint32_t maxSeconds = kRenderMaxSeconds;
  bool stems = false;         // hand each block's per-track contributions to the sink
  RenderProgressFn progress;  // may be empty
  RenderRange range;          // the whole song from its start unless set
  // How many times a song that jumps back plays its loop (at least 1: the jump ends it), or
  // a pattern its rows. A song that stops by itself is not affected.
  int passes = 1;
  uint8_t muted = 0;  // tracks left out of the mix (bit c = track c); their stems are silent
};

// The export's render loop, from "StopAtLoop = 1" to the last block: sets StopAtLoop,
// puts the voices and the tick clock at rest as in a freshly started program, starts the
// range (by default the song at order position 0, row 0, song mode), and renders whole
// BufferSize blocks into the sink while StopAtLoop stays 1; at least one block is written.
// A pattern's last block is cut where its passes end. A song that never stops is
// ended after the last whole block within maxSeconds of audio (at least one block). Every
// way out leaves playback stopped (Playing and StopAtLoop 0) and Loop Pattern as it was. The
// caller holds the engine alone while this runs (no audio callback). The stems' scratch is
// allocated once, before the first block.
RenderResult RenderSongToSink(Engine& engine, BlockSink& sink, const RenderOptions& options);

}  // namespace kelmar
