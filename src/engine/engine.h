// The engine: song, generated tables, the eight voices, the renderer and the player,
// all in one object so that tests can make fresh ones. Nothing is allocated after
// construction; arithmetic is integer only and every rendered byte is reproducible.
//
// Threads: RenderBuffer runs on the audio thread (or on the window thread during WAV
// export, with the callback paused). Everything else is called from the window thread.
// A window-thread caller that writes engine state while audio may run holds an
// EngineLock for the duration of the write; the audio layer plugs its device lock in
// through SetLockHooks, the same lock the device holds around every callback. So while
// the lock is held no tick is half-done, which is all that the "wait until TickDone"
// of note previews and of a playback restart asks for: the engine itself never waits.
// With no hooks installed the lock does nothing (no audio thread). The play-position
// display (the window's 100 ms timer, kelmar-render --play) reads the player only through
// Position(), without the lock.
//
// In the notes on the fields below, "the renderer" is RenderBuffer / RenderFrames and the
// Tick they run: the audio callback while a device plays, otherwise the window thread with
// the callback paused (WAV export) or a program without a device (kelmar-render, tests).
// "While no callback runs" means before OpenAudio, between a close and the next open, while
// PauseAudio(true) holds the callback off (WAV export), or in a program without a device.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/channel.h"
#include "engine/random.h"
#include "engine/song.h"
#include "engine/tables.h"

namespace kelmar {

constexpr int kChannelCount = 8;
constexpr int kMaxBufferSize = 4096;
constexpr int kWaveTableSize = 512;
constexpr int kRenderBlock = 1024;  // frames the renderer handles at a time

// What the play-position display reads: a snapshot published by the player,
// readable from any thread without a lock.
struct PlayPosition {
  uint8_t Playing;
  uint8_t Row;
  uint8_t OrderPos;
  uint16_t PatternMode;
};

// Best: AVX2 where the processor has it (checked at run time), else SSE2 on x86-64, else
// plain integer code; Sse2 and Scalar hold the renderer to those.
enum class RenderPath : uint8_t { Best, Sse2, Scalar };

// One row as the player processed it: the frame of the renderer's output where the row
// begins and how many frames it lasts. Recording uses them to find the row being heard.
struct RowMark {
  uint64_t Frame = 0;
  uint32_t Length = 0;
  uint8_t Pattern = 0;
  uint8_t Row = 0;
};

constexpr int kRowMarkCount = 128;  // more rows than the longest output latency holds

class Engine {
 public:
  // InitEngine: frequency table, default tempo and speed, the generator seeded with 1 and
  // drawn 4096 times for the noise table (the shared table is built once per process; this
  // engine's generator is left where those draws end), SamplesPerTick, sine and morph
  // tables. Then the song is reset to a new song and every LRVolume set to 255, as the
  // main window does at start-up. Wave tables stay zero until playback start or preview.
  Engine();

  // --- song and generated data ---
  // Window thread only, under EngineLock (editors, file commands, undo, recovery); read by
  // the renderer's Tick. The window thread reads it without the lock (it is the only writer).
  Song song;
  // BuildWaveTable on the window thread under EngineLock (StartPlayback, note previews, undo
  // and recovery, the instrument page's preview) or while no callback runs (the export's
  // StartPlayback); read by the renderer.
  std::array<std::array<uint8_t, kWaveTableSize>, kInstrumentCount> WaveTables;
  // The renderer writes every voice (Tick, the oscillator and filter passes); the window
  // thread writes them under EngineLock (TriggerNote previews, StartPlayback, StopPlayback),
  // or without it while no callback runs (RestVoices, the LRVolumes at start-up).
  std::array<Channel, kChannelCount> Channels;
  // Window thread only: reseeded from the clock at start-up (no lock), drawn by Random Wave
  // (under EngineLock, for the instrument it writes). The renderer never draws.
  Random random;

  // --- engine constants settable by the options ---
  // Window thread, only while no callback runs (AudioOutput::ReopenWith*, between its close
  // and open; ConfigureFreshEngine); read-only while a device is open, read by the callback.
  uint16_t SampleRate = 44100;
  uint16_t BufferSize = 4096;
  uint8_t LastChannel = 7;  // set before rendering starts (tests); the program never changes it
  // Channels the listener has muted (bit c = channel c), for the live output only.
  // Window thread under EngineLock (Mute Track, Solo Track) or while no callback runs (the
  // screenshot program); read by the audio callback.
  uint8_t MutedTracks = 0;
  // The instructions the renderer's filter pass and the wave-table build may use; the output
  // is identical on every path (tests render each). Set before rendering starts (tests,
  // benchmarks); read-only after.
  RenderPath Path = RenderPath::Best;

  // --- renderer state ---
  // The renderer's Tick (effect T); the window thread under EngineLock (StartPlayback, a
  // song load, recovery) or while no callback runs (ReopenWith*, ConfigureFreshEngine).
  uint16_t SamplesPerTick = 0;
  // The renderer only; RestVoices resets it while no callback runs.
  uint16_t TickCountdown = 0;
  uint8_t TickDone = 0;  // the renderer only (set around each Tick)

  // --- player variables ---
  // The renderer's Tick, and the window thread under EngineLock or while no callback runs
  // (StartPlayback, StopPlayback). Other threads read Playing, Row, OrderPos and PatternMode
  // only through Position().
  uint8_t Playing = 0;
  uint8_t Row = 0;
  uint8_t OrderPos = 0;
  uint8_t Frame = 0;
  uint8_t FrameLimit = 0;
  uint8_t CurTempo = 0;
  // Set to 1 by the window thread under EngineLock before an export or --play starts (and by
  // RenderSongToSink, with the callback paused); StopPlayback clears it on either thread.
  uint8_t StopAtLoop = 0;
  // While StopAtLoop is 1, the backward jumps still to be taken before one ends playback: an
  // export that plays a looping song several times. Set with StopAtLoop; StopPlayback clears it.
  uint8_t LoopPasses = 0;
  // Set when a backward jump ended playback that way; StartPlayback clears it.
  uint8_t EndedAtJump = 0;
  uint16_t PatternMode = 0;

  // --- live composing (the window's playback; files never set these) ---
  // Window thread under EngineLock; read by the renderer's Tick. While LoopPattern is set, a
  // pattern played alone goes from the end of row LoopLast (or a break or jump) back to row
  // LoopFirst instead of stopping. An export of a pattern sets them while it renders and puts
  // them back afterwards.
  uint8_t LoopPattern = 0;
  uint8_t LoopFirst = 0;
  uint8_t LoopLast = kRowCount - 1;
  // A note already sounding as a preview of a row the player has not reached yet: per
  // channel, 1 + pattern * 32 + row, 0 for none. When the player reaches that row of that
  // track it takes the note without starting it again; the player clears it at every row.
  // Window thread under EngineLock; the renderer's Tick.
  std::array<uint16_t, kChannelCount> PreviewedRows{};
  static constexpr uint16_t PreviewedRow(uint8_t pattern, uint8_t row) {
    return static_cast<uint16_t>(1 + pattern * kRowCount + row);
  }
  // Frames rendered since construction: the renderer only. The rows the player processed
  // last, oldest overwritten first (RowMarks()[RowMarksWritten % kRowMarkCount] is the
  // next to go): the renderer's Tick; the window thread reads them under EngineLock.
  uint64_t RenderedFrames = 0;
  uint64_t RowMarksWritten = 0;
  const std::array<RowMark, kRowMarkCount>& RowMarks() const { return rowMarks_; }

  // Tables: FreqTable belongs to this engine's sample rate; the rest are fixed and shared.
  // BuildFreqTable runs only while no callback runs (construction, ReopenWith*,
  // ConfigureFreshEngine); read by the renderer's Tick.
  std::array<uint32_t, 4096> FreqTable;
  void BuildFreqTable();

  // Wave synthesis. SynthMode 0 selects the new oscillator model, any other byte the old.
  // Oscillator bounds outside 0..1 sum only the oscillators that exist.
  uint8_t WaveSample(uint8_t phase, uint8_t instrument, int pair, uint8_t firstOsc, uint8_t lastOsc) const;
  void BuildWaveTable(uint8_t instrument);
  void BuildAllWaveTables();

  // Voices. waitForTick is satisfied by the caller holding EngineLock: no tick is ever
  // half-done while the lock is held, so the engine itself never waits. A channel number
  // above 7 is ignored.
  void TriggerNote(uint8_t channel, uint8_t instrument, uint8_t semitone, uint8_t octave, int8_t detune,
                   bool waitForTick, bool preview);

  // The audio callback: writes exactly BufferSize stereo S16LE frames (4 * BufferSize bytes)
  // into out, running a Tick every SamplesPerTick frames. A BufferSize above kMaxBufferSize
  // (never offered) is rendered as kMaxBufferSize frames, the most any caller's buffer holds.
  // The voices of the channels set in `muted` (bit c = channel c) run as always but are not
  // heard: the live output passes MutedTracks, files always render every channel.
  // stems as RenderFrames' tracks, BufferSize frames each; a muted channel's stem is silent.
  void RenderBuffer(uint8_t* out, uint8_t muted = 0, int16_t* const* stems = nullptr);
  // The same, for one frame count, as interleaved left/right samples in host order. If
  // tracks is given, each non-null tracks[c] receives channel c's own interleaved stereo
  // contribution (frames * 2 samples); the eight stems sum exactly to out.
  void RenderFrames(int16_t* out, int frames, int16_t* const* tracks = nullptr);

  // Player. StartPlayback rebuilds all 256 wave tables. A song Tempo of 0 (only possible
  // from a file) plays at the default 50, and CurTempo shows 50. A start row above 31
  // starts at row 0.
  void StartPlayback(uint8_t orderPos, uint8_t row, uint16_t patternMode);
  void StopPlayback();
  void Tick();
  // The voices and the tick clock as at start-up: silent, centred, phases, filters and
  // latched values at rest, and the next frame on a tick boundary.
  void RestVoices();

  // Samples per tick for a tempo: floor(SampleRate / tempo); a tempo of 0 counts as the
  // default 50 so that it never reaches the division, and the result is at least 1.
  uint16_t SamplesPerTickFor(uint8_t tempo) const;

  // Snapshot for the play-position display, from any thread without the lock: published at
  // the end of every tick and by StartPlayback and StopPlayback.
  PlayPosition Position() const;

  // Locking hooks (see top of file).
  using LockFn = void (*)();
  void SetLockHooks(LockFn lock, LockFn unlock) { lock_ = lock; unlock_ = unlock; }
  void Lock() { if (lock_) lock_(); }
  void Unlock() { if (unlock_) unlock_(); }

 private:
  void PublishPosition();
  // After a row: the next row of the order list (its breaks, jumps and stops), or of the loop.
  void NextRow(bool breakRow, int jumpTarget);
  void LoopRow(bool leaveRow);
  // A backward jump: true when it ends playback (StopAtLoop with no passes left).
  bool EndsAtJump();
  void MarkRow(uint8_t pattern, uint8_t row, uint16_t firstTickFrames);
  std::array<RowMark, kRowMarkCount> rowMarks_{};  // see RowMarks()

  // Renderer-private cache: for a voice without filter and noise, its stereo output depends
  // only on the wave byte, the latched volume level and LRVolume; the 256 outputs are kept
  // (packed left * 65536 + right) for the level and LRVolume they were computed for.
  struct OutputTable {
    uint32_t key = 0xFFFFFFFFu;  // (volume level << 8) | LRVolume; no table yet
    std::array<int32_t, 256> packed{};
  };
  std::array<OutputTable, kChannelCount> outputTables_;  // the renderer only

 public:
  // Renderer-private scratch (public only so that the renderer's helpers can name the type):
  // per frame and voice slot, the raw sample of the voices that pass through the filter, and
  // per slot its filter settings (voice_filter.h). A block never crosses a tick, so a voice's
  // setting changes at most once in it: `before` up to frame `from`, `after` from there on.
  struct FilterSettings {
    uint64_t before = 0;
    uint64_t after = 0;
    int from = 0;
  };
  struct FilterScratch {
    alignas(32) int16_t samples[kRenderBlock * kChannelCount];
    FilterSettings settings[kChannelCount];
  };

 private:
  // Runs a tick if one is due, then renders up to maxFrames frames (never across a tick) as
  // packed left * 65536 + right into mix; stems as for RenderFrames. Returns the frame count.
  int RenderBlock(int32_t* mix, int maxFrames, int16_t* const* stems, uint8_t muted);
  // Renders the voices of the channels in `channels` for n frames, adding them to mix.
  void RenderVoices(uint8_t channels, int32_t* mix, int n, int16_t* const* stems);

  FilterScratch filterScratch_{};  // the renderer only

  // Window thread: AudioOutput sets them after the open, before the stream starts, and
  // clears them after the close; read by Lock and Unlock on the window thread.
  LockFn lock_ = nullptr;
  LockFn unlock_ = nullptr;
  // Stored by PublishPosition (the renderer's Tick; StartPlayback and StopPlayback on the
  // window thread under EngineLock); loaded lock-free from any thread.
  std::atomic<uint64_t> position_{0};
};

class EngineLock {
 public:
  explicit EngineLock(Engine& engine) : engine_(engine) { engine_.Lock(); }
  ~EngineLock() { engine_.Unlock(); }
  EngineLock(const EngineLock&) = delete;
  EngineLock& operator=(const EngineLock&) = delete;

 private:
  Engine& engine_;
};

}  // namespace kelmar
