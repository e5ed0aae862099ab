// Cross-check of the engine against the plain reference player: the same songs, the same
// start and the same window-thread actions on both, then every rendered byte, the tables and
// the player and voice state compared buffer by buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/tables.h"
#include "reference_player.h"

namespace kelmar {
namespace {

using reference::ReferencePlayer;

// ---------------------------------------------------------------- song building helpers

void SetCell(Song& s, int pattern, int track, int row, uint8_t note, uint8_t e1 = 0, uint8_t p1 = 0, uint8_t e2 = 0,
             uint8_t p2 = 0) {
  PatternCell& c = s.Cell(pattern, track, row);
  c.Note = note;
  c.Effects = static_cast<uint8_t>((e1 << 4) | e2);
  c.Param1 = p1;
  c.Param2 = p2;
}

uint8_t NoteOf(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone); }

Envelope Env(uint8_t start, std::initializer_list<std::pair<uint8_t, uint8_t>> steps) {
  Envelope e{};
  e.Start = start;
  int n = 0;
  for (auto [len, val] : steps) {
    (&e.Len1)[n] = len;
    (&e.Val1)[n] = val;
    ++n;
  }
  return e;
}

Instrument Tone(int8_t a1, uint8_t w1, int8_t a2, uint8_t w2, int8_t a3, uint8_t w3, int8_t a4, uint8_t w4) {
  Instrument in{};
  in.SrcOsc1Amp = a1;
  in.SrcOsc1Wave = w1;
  in.SrcOsc2Amp = a2;
  in.SrcOsc2Wave = w2;
  in.DstOsc1Amp = a3;
  in.DstOsc1Wave = w3;
  in.DstOsc2Amp = a4;
  in.DstOsc2Wave = w4;
  in.VolEnv = Env(0, {{3, 255}, {20, 160}, {0, 0}, {40, 120}});
  return in;
}

// ---------------------------------------------------------------- actions on either player

class Actions {
 public:
  virtual ~Actions() = default;
  virtual Song& song() = 0;
  virtual void Preview(uint8_t ch, uint8_t ins, uint8_t semi, uint8_t oct, int8_t det) = 0;
  virtual void Start(uint8_t pos, uint8_t row, uint16_t mode) = 0;
  virtual void Stop() = 0;
  virtual void SetRate(uint16_t rate) = 0;
  virtual void SetStopAtLoop(uint8_t v) = 0;
  virtual void SetLastChannel(uint8_t v) = 0;
};

class EngineActions : public Actions {
 public:
  explicit EngineActions(Engine& e) : e_(e) {}
  Song& song() override { return e_.song; }
  void Preview(uint8_t ch, uint8_t ins, uint8_t semi, uint8_t oct, int8_t det) override {
    e_.TriggerNote(ch, ins, semi, oct, det, true, true);
  }
  void Start(uint8_t pos, uint8_t row, uint16_t mode) override { e_.StartPlayback(pos, row, mode); }
  void Stop() override { e_.StopPlayback(); }
  void SetRate(uint16_t rate) override {
    // The options' reopen: rate, ticks from the song tempo, frequency table.
    e_.SampleRate = rate;
    e_.SamplesPerTick = e_.SamplesPerTickFor(e_.song.Tempo);
    e_.BuildFreqTable();
  }
  void SetStopAtLoop(uint8_t v) override { e_.StopAtLoop = v; }
  void SetLastChannel(uint8_t v) override { e_.LastChannel = v; }

 private:
  Engine& e_;
};

class RefActions : public Actions {
 public:
  explicit RefActions(ReferencePlayer& r) : r_(r) {}
  Song& song() override { return r_.song; }
  void Preview(uint8_t ch, uint8_t ins, uint8_t semi, uint8_t oct, int8_t det) override {
    r_.TriggerNote(ch, ins, semi, oct, det, true, true);
  }
  void Start(uint8_t pos, uint8_t row, uint16_t mode) override { r_.StartPlayback(pos, row, mode); }
  void Stop() override { r_.StopPlayback(); }
  void SetRate(uint16_t rate) override { r_.ChangeSampleRate(rate); }
  void SetStopAtLoop(uint8_t v) override { r_.StopAtLoop = v; }
  void SetLastChannel(uint8_t v) override { r_.LastChannel = v; }

 private:
  ReferencePlayer& r_;
};

// ---------------------------------------------------------------- cases

struct Case {
  std::string name;
  std::function<void(Song&)> build;
  // Run on both players before the first buffer (after the song is built and the rate set).
  std::function<void(Actions&)> start;
  // Run on both players before buffer number n (n >= 1).
  std::function<void(int, Actions&)> between;
  int frames = 44100;
  bool mustBeHeard = true;
};

struct Config {
  uint16_t rate;
  std::vector<int> sizes;  // buffer sizes used in turn
  bool useFrames;          // RenderFrames with stems instead of RenderBuffer
  RenderPath path = RenderPath::Best;
};

std::string EngineDump(const Engine& e) {
  std::string out;
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "eng: Playing %u Row %u OrderPos %u Frame %u FrameLimit %u CurTempo %u PatternMode %u StopAtLoop %u "
                "SamplesPerTick %u TickCountdown %u\n",
                e.Playing, e.Row, e.OrderPos, e.Frame, e.FrameLimit, e.CurTempo, e.PatternMode, e.StopAtLoop,
                e.SamplesPerTick, e.TickCountdown);
  out += buf;
  for (int c = 0; c < 8; ++c) {
    const Channel& ch = e.Channels[c];
    std::snprintf(buf, sizeof buf,
                  "  ch%d ins %u note %u/%u arp %d step %u det %d noise %u vol %04x[%u %u %u %u] sweep %04x[%u %u %u %u] "
                  "pm %d vib %d/%u lr %02x filt %u latch %04x/%04x phase %08x inc %u fs %d\n",
                  c, ch.Instrument, ch.Octave, ch.Semitone, ch.ArpOffset, ch.ArpStep, ch.Detune, ch.NoiseOn,
                  ch.VolEnvState.Value, ch.VolEnvState.Count1, ch.VolEnvState.Count2, ch.VolEnvState.Count3,
                  ch.VolEnvState.Count4, ch.SweepEnvState.Value, ch.SweepEnvState.Count1, ch.SweepEnvState.Count2,
                  ch.SweepEnvState.Count3, ch.SweepEnvState.Count4, ch.PMOffset, ch.VibOffset, ch.VibPhase,
                  ch.LRVolume, ch.Filter, ch.LatchedVol, ch.LatchedSweep, ch.Phase, ch.PhaseInc, ch.FilterState);
    out += buf;
  }
  return out;
}

// Compares player and voice state; returns a description of the first difference or "".
std::string CompareState(const Engine& e, const ReferencePlayer& r) {
  std::ostringstream os;
#define XCHECK_FIELD(a, b, name)                                                          \
  if (static_cast<long long>(a) != static_cast<long long>(b)) {                           \
    os << name << ": engine " << static_cast<long long>(a) << " reference " << static_cast<long long>(b); \
    return os.str();                                                                      \
  }
  XCHECK_FIELD(e.Playing, r.Playing, "Playing");
  XCHECK_FIELD(e.Row, r.Row, "Row");
  XCHECK_FIELD(e.OrderPos, r.OrderPos, "OrderPos");
  XCHECK_FIELD(e.PatternMode, r.PatternMode, "PatternMode");
  XCHECK_FIELD(e.Frame, r.Frame, "Frame");
  XCHECK_FIELD(e.FrameLimit, r.FrameLimit, "FrameLimit");
  XCHECK_FIELD(e.CurTempo, r.CurTempo, "CurTempo");
  XCHECK_FIELD(e.StopAtLoop, r.StopAtLoop, "StopAtLoop");
  XCHECK_FIELD(e.SamplesPerTick, r.SamplesPerTick, "SamplesPerTick");
  XCHECK_FIELD(e.TickCountdown, r.TickCountdown, "TickCountdown");
  PlayPosition pos = e.Position();
  XCHECK_FIELD(pos.Playing, r.Playing, "Position().Playing");
  XCHECK_FIELD(pos.Row, r.Row, "Position().Row");
  XCHECK_FIELD(pos.OrderPos, r.OrderPos, "Position().OrderPos");
  XCHECK_FIELD(pos.PatternMode, r.PatternMode, "Position().PatternMode");
  for (int c = 0; c < 8; ++c) {
    const Channel& a = e.Channels[c];
    const reference::RefChannel& b = r.Channels[c];
    std::string p = "channel " + std::to_string(c) + " ";
    XCHECK_FIELD(a.Semitone, b.Semitone, p + "Semitone");
    XCHECK_FIELD(a.ArpOffset, b.ArpOffset, p + "ArpOffset");
    XCHECK_FIELD(a.Octave, b.Octave, p + "Octave");
    XCHECK_FIELD(a.Detune, b.Detune, p + "Detune");
    XCHECK_FIELD(a.NoiseOn, b.NoiseOn, p + "NoiseOn");
    XCHECK_FIELD(a.VolEnvState.Value, b.VolEnvState.Value, p + "VolEnv.Value");
    XCHECK_FIELD(a.SweepEnvState.Value, b.SweepEnvState.Value, p + "SweepEnv.Value");
    for (int n = 0; n < 4; ++n) {
      Channel& ma = const_cast<Channel&>(a);
      XCHECK_FIELD(ma.VolEnvState.Count(n), b.VolEnvState.Count[n], p + "VolEnv.Count" + std::to_string(n + 1));
      XCHECK_FIELD(ma.SweepEnvState.Count(n), b.SweepEnvState.Count[n], p + "SweepEnv.Count" + std::to_string(n + 1));
      XCHECK_FIELD(ma.VolEnvState.Delta(n), b.VolEnvState.Delta[n], p + "VolEnv.Delta" + std::to_string(n + 1));
      XCHECK_FIELD(ma.SweepEnvState.Delta(n), b.SweepEnvState.Delta[n], p + "SweepEnv.Delta" + std::to_string(n + 1));
    }
    XCHECK_FIELD(a.ArpDelayCount, b.ArpDelayCount, p + "ArpDelayCount");
    XCHECK_FIELD(a.ArpSpeedCount, b.ArpSpeedCount, p + "ArpSpeedCount");
    XCHECK_FIELD(a.ArpStep, b.ArpStep, p + "ArpStep");
    XCHECK_FIELD(a.NzeDelayCount, b.NzeDelayCount, p + "NzeDelayCount");
    XCHECK_FIELD(a.NzeLen1Count, b.NzeLen1Count, p + "NzeLen1Count");
    XCHECK_FIELD(a.NzePauseCount, b.NzePauseCount, p + "NzePauseCount");
    XCHECK_FIELD(a.NzeLen2Count, b.NzeLen2Count, p + "NzeLen2Count");
    XCHECK_FIELD(a.PMDelayCount, b.PMDelayCount, p + "PMDelayCount");
    XCHECK_FIELD(a.PMSpeedCount, b.PMSpeedCount, p + "PMSpeedCount");
    XCHECK_FIELD(a.PMLenCount, b.PMLenCount, p + "PMLenCount");
    XCHECK_FIELD(a.PMOffset, b.PMOffset, p + "PMOffset");
    XCHECK_FIELD(a.VibDelayCount, b.VibDelayCount, p + "VibDelayCount");
    XCHECK_FIELD(a.VibPhase, b.VibPhase, p + "VibPhase");
    XCHECK_FIELD(a.VibOffset, b.VibOffset, p + "VibOffset");
    XCHECK_FIELD(a.LRVolume, b.LRVolume, p + "LRVolume");
    XCHECK_FIELD(a.Filter, b.Filter, p + "Filter");
    XCHECK_FIELD(a.Instrument, b.Instrument, p + "Instrument");
    XCHECK_FIELD(a.LatchedVol, b.LatchedVol, p + "LatchedVol");
    XCHECK_FIELD(a.LatchedSweep, b.LatchedSweep, p + "LatchedSweep");
    XCHECK_FIELD(a.PhasePos, b.PhasePos, p + "PhasePos");
    XCHECK_FIELD(a.PrevPhasePos, b.PrevPhasePos, p + "PrevPhasePos");
    XCHECK_FIELD(a.Sample, b.Sample, p + "Sample");
    XCHECK_FIELD(a.FilterState, b.FilterState, p + "FilterState");
    XCHECK_FIELD(a.PhaseInc, b.PhaseInc, p + "PhaseInc");
    XCHECK_FIELD(a.Phase, b.Phase, p + "Phase");
  }
#undef XCHECK_FIELD
  return "";
}

std::string CompareGeneratedTables(const Engine& e, const ReferencePlayer& r) {
  for (int i = 0; i < 4096; ++i) {
    if (e.FreqTable[i] != r.FreqTable[i]) {
      return "FreqTable[" + std::to_string(i) + "]: engine " + std::to_string(e.FreqTable[i]) + " reference " +
             std::to_string(r.FreqTable[i]);
    }
  }
  for (int ins = 0; ins < 256; ++ins) {
    for (int j = 0; j < 512; ++j) {
      if (e.WaveTables[ins][j] != r.WaveTables[ins][j]) {
        return "WaveTables[" + std::to_string(ins) + "][" + std::to_string(j) + "]: engine " +
               std::to_string(e.WaveTables[ins][j]) + " reference " + std::to_string(r.WaveTables[ins][j]) +
               " (synth mode " + std::to_string(r.song.SynthMode[ins]) + ")";
      }
    }
  }
  return "";
}

struct RunTotals {
  long long frames = 0;
  int runs = 0;
};
RunTotals g_totals;

// Renders one case under one configuration on both players; fails at the first difference.
void RunCase(const Case& c, const Config& cfg) {
  SCOPED_TRACE(c.name + " @" + std::to_string(cfg.rate) + (cfg.useFrames ? " frames" : " buffers") +
               (cfg.path == RenderPath::Best ? " best" : cfg.path == RenderPath::Sse2 ? " SSE2" : " scalar"));
  auto engine = std::make_unique<Engine>();
  auto ref = std::make_unique<ReferencePlayer>();
  engine->Path = cfg.path;
  EngineActions ea(*engine);
  RefActions ra(*ref);
  c.build(engine->song);
  c.build(ref->song);
  ea.SetRate(cfg.rate);
  ra.SetRate(cfg.rate);
  if (c.start) {
    c.start(ea);
    c.start(ra);
  }
  std::string diff = CompareGeneratedTables(*engine, *ref);
  ASSERT_EQ(diff, "") << "after start";
  diff = CompareState(*engine, *ref);
  ASSERT_EQ(diff, "") << "after start\n" << EngineDump(*engine) << ref->DumpState();

  std::vector<uint8_t> engBytes(4 * kMaxBufferSize), refBytes(4 * kMaxBufferSize);
  std::vector<int16_t> engFrames(2 * kMaxBufferSize);
  std::vector<std::vector<int16_t>> engStems(8, std::vector<int16_t>(2 * kMaxBufferSize));
  std::vector<std::vector<int16_t>> refStems(8, std::vector<int16_t>(2 * kMaxBufferSize));
  int16_t* engStemPtr[8];
  int16_t* refStemPtr[8];
  for (int k = 0; k < 8; ++k) {
    engStemPtr[k] = engStems[k].data();
    refStemPtr[k] = refStems[k].data();
  }

  long long done = 0;
  long long audible = 0;
  int stops = 0;
  for (int n = 0; done < c.frames; ++n) {
    const uint8_t wasPlaying = ref->Playing;
    if (n > 0 && c.between) {
      c.between(n, ea);
      c.between(n, ra);
      diff = CompareGeneratedTables(*engine, *ref);
      ASSERT_EQ(diff, "") << "before buffer " << n;
    }
    int size = cfg.sizes[n % cfg.sizes.size()];
    ref->BufferSize = static_cast<uint16_t>(size);
    ref->RenderBuffer(refBytes.data(), cfg.useFrames ? refStemPtr : nullptr);
    if (cfg.useFrames) {
      engine->RenderFrames(engFrames.data(), size, engStemPtr);
      for (int f = 0; f < size; ++f) {
        uint16_t l = static_cast<uint16_t>(engFrames[2 * f]), rr = static_cast<uint16_t>(engFrames[2 * f + 1]);
        engBytes[4 * f] = static_cast<uint8_t>(l);
        engBytes[4 * f + 1] = static_cast<uint8_t>(l >> 8);
        engBytes[4 * f + 2] = static_cast<uint8_t>(rr);
        engBytes[4 * f + 3] = static_cast<uint8_t>(rr >> 8);
      }
    } else {
      engine->BufferSize = static_cast<uint16_t>(size);
      engine->RenderBuffer(engBytes.data());
    }
    for (int f = 0; f < size; ++f) {
      if (std::memcmp(&engBytes[4 * f], &refBytes[4 * f], 4) != 0) {
        auto s16 = [](const uint8_t* p, int i) { return static_cast<int16_t>(p[i] | (p[i + 1] << 8)); };
        FAIL() << "first differing frame " << (done + f) << " (buffer " << n << ", frame " << f << " of " << size
               << "): engine L " << s16(&engBytes[4 * f], 0) << " R " << s16(&engBytes[4 * f], 2) << ", reference L "
               << s16(&refBytes[4 * f], 0) << " R " << s16(&refBytes[4 * f], 2) << "\nstate at end of buffer:\n"
               << EngineDump(*engine) << ref->DumpState();
      }
      if (cfg.useFrames) {
        for (int k = 0; k < 8; ++k) {
          if (engStems[k][2 * f] != refStems[k][2 * f] || engStems[k][2 * f + 1] != refStems[k][2 * f + 1]) {
            FAIL() << "stem of channel " << k << " differs at frame " << (done + f) << ": engine "
                   << engStems[k][2 * f] << "/" << engStems[k][2 * f + 1] << " reference " << refStems[k][2 * f]
                   << "/" << refStems[k][2 * f + 1];
          }
        }
      }
    }
    for (int f = 0; f < size; ++f) audible += (refBytes[4 * f] | refBytes[4 * f + 1] | refBytes[4 * f + 2] | refBytes[4 * f + 3]) != 0;
    stops += wasPlaying && !ref->Playing;
    diff = CompareState(*engine, *ref);
    ASSERT_EQ(diff, "") << "after buffer " << n << " (frames " << done << ".." << (done + size) << ")\n"
                        << EngineDump(*engine) << ref->DumpState();
    done += size;
  }
  // A cross-check of silence proves nothing: every song must be heard.
  if (c.mustBeHeard) {
    EXPECT_GE(audible, std::min<long long>(done / 10, 1000)) << "song is (almost) silent";
  }
  if (std::getenv("XCHECK_VERBOSE")) {
    std::printf("%-32s rate %5u: %lld frames, %lld audible, stopped %d times, end Playing %u OrderPos %u Row %u\n",
                c.name.c_str(), cfg.rate, done, audible, stops, ref->Playing, ref->OrderPos, ref->Row);
  }
  g_totals.frames += done;
  g_totals.runs += 1;
}

// ---------------------------------------------------------------- crafted songs

void Basic(Song& s) {
  s.Instruments[1] = Tone(100, 0x10, 60, 0x22, 90, 0x03, 40, 0x31);  // sine x2, saw rising, square, cos x4
  s.Instruments[2] = Tone(-127, 0x02, 0, 0, -128, 0x00, 127, 0xF2);   // complement saw, silenced, saw x16
  s.Instruments[2].VolEnv = Env(255, {{10, 0}, {0, 0}, {0, 0}, {0, 0}});  // decays to silence
  s.Instruments[3] = Tone(127, 0x0C, 127, 0x0C, 127, 0x18, 127, 0x2D);  // clipping sums, triangle shapes
  s.Instruments[3].VolEnv = Env(200, {});                               // sustains at Start
  s.Instruments[4] = Tone(64, 0x43, 64, 0x87, 64, 0xFB, 64, 0x5E);
  for (int r = 0; r < 32; r += 2) SetCell(s, 0, 0, r, NoteOf(4, r % 12), kEffectInstrument, 1);
  for (int r = 0; r < 32; r += 4) SetCell(s, 0, 1, r, NoteOf(3, (r * 5) % 12), kEffectInstrument, 2);
  SetCell(s, 0, 2, 0, NoteOf(5, 0), kEffectInstrument, 3);
  SetCell(s, 0, 2, 16, NoteOf(2, 9));
  for (int r = 1; r < 32; r += 3) SetCell(s, 0, 3, r, NoteOf(6, r % 12), kEffectInstrument, 4);
  SetCell(s, 0, 4, 5, NoteOf(7, 11), kEffectInstrument, 4);
  SetCell(s, 0, 5, 6, NoteOf(1, 0), kEffectInstrument, 1);
  SetCell(s, 0, 6, 7, NoteOf(0, 0), kEffectInstrument, 3);
  SetCell(s, 0, 7, 8, NoteOf(8, 11), kEffectInstrument, 3);  // octave band 8: frequency 0
  s.Speed = 3;
}

void Sweeps(Song& s) {
  Instrument a = Tone(127, 0x00, 0, 0, 127, 0x03, 50, 0x12);
  a.SweepEnv = Env(0, {{8, 255}, {8, 40}, {0, 90}, {5, 200}});
  a.VolEnv = Env(30, {{4, 255}, {30, 30}, {10, 200}, {6, 180}});
  a.Filter = 200;
  s.Instruments[0] = a;
  Instrument b = Tone(90, 0x31, 30, 0x07, -90, 0x4B, 20, 0x02);
  b.SweepEnv = Env(128, {});  // reset to Start every tick
  b.Filter = 255;
  b.VolEnv = Env(255, {{1, 0}, {1, 255}, {2, 10}, {3, 250}});  // steep steps, 16-bit wrap of deltas
  s.Instruments[5] = b;
  Instrument c = Tone(127, 0x02, 0, 0, 127, 0x23, 0, 0);
  c.SweepEnv = Env(255, {{40, 0}});
  c.Filter = 40;
  s.Instruments[6] = c;
  for (int r = 0; r < 32; r += 8) SetCell(s, 0, 0, r, NoteOf(3, 4));
  for (int r = 2; r < 32; r += 6) SetCell(s, 0, 1, r, NoteOf(2, 7), kEffectInstrument, 5);
  for (int r = 0; r < 32; r += 16) SetCell(s, 0, 2, r, NoteOf(4, 2), kEffectInstrument, 6);
  SetCell(s, 0, 3, 3, NoteOf(6, 0), kEffectInstrument, 6);
  for (int r = 0; r < 32; r += 12) SetCell(s, 1, 0, r, NoteOf(5, 1));
  s.Speed = 4;
  s.Tempo = 60;
}

void OldModel(Song& s) {
  const uint8_t params[6][4] = {{64, 0, 0, 0},   {0, 0, 100, 0},  {128, 3, 60, 16},
                                {200, 255, 255, 255}, {33, 17, 0, 40}, {64, 8, 128, 4}};
  for (int i = 0; i < 6; ++i) {
    Instrument in{};
    uint8_t* b = in.bytes();
    for (int k = 0; k < 4; ++k) {
      b[1 + k] = params[i][k];
      b[5 + k] = params[(i + 2) % 6][k];
    }
    in.VolEnv = Env(180, {{10, 220}, {50, 100}});
    in.SweepEnv = Env(0, {{30, 255}});
    s.Instruments[10 + i] = in;
    s.SynthMode[10 + i] = i == 5 ? 7 : 1;  // any non-zero byte selects the old model
    SetCell(s, 0, i, i * 3, NoteOf(3 + i % 3, i * 2), kEffectInstrument, static_cast<uint8_t>(10 + i));
    SetCell(s, 0, i, 20 + i, NoteOf(4, i));
  }
  s.SynthMode[200] = 1;  // an untouched old-model instrument: all zero bytes give 0
}

void Noise(Song& s) {
  Instrument a = Tone(100, 0x00, 0, 0, 100, 0x00, 0, 0);
  a.VolEnv = Env(255, {});
  a.NzeEnable = 1;
  a.NzeDelay = 2;
  a.NzeLen1 = 3;
  a.NzePause = 4;
  a.NzeLen2 = 5;
  s.Instruments[1] = a;
  Instrument b = a;
  b.NzeFreq = 49;  // C of octave 4 while noise sounds
  b.NzeDelay = 0;
  b.NzeLen1 = 20;
  b.Arp1 = 12;
  b.Arp2 = -12;
  b.Arp3 = 7;
  b.ArpRepeat = 1;
  b.Filter = 128;
  s.Instruments[2] = b;
  Instrument c = a;
  c.NzeEnable = 0;  // disabled program: counters stand still
  c.NzeLen1 = 200;
  s.Instruments[3] = c;
  for (int r = 0; r < 32; r += 4) {
    SetCell(s, 0, 0, r, NoteOf(2 + r / 8, r % 12), kEffectInstrument, 1);
    SetCell(s, 0, 1, r + 1, NoteOf(5, 3), kEffectInstrument, 2);
    SetCell(s, 0, 2, r + 2, NoteOf(6, 9), kEffectInstrument, 3);
  }
  SetCell(s, 0, 3, 0, NoteOf(9, 0), kEffectInstrument, 1);  // octave band 9
  SetCell(s, 0, 4, 0, NoteOf(10, 6), kEffectInstrument, 2);  // octave band 10 (note 126)
  s.Speed = 2;
}

void Arpeggio(Song& s) {
  const uint8_t repeats[8] = {0, 1, 2, 3, 4, 5, 200, 255};
  for (int i = 0; i < 8; ++i) {
    Instrument a = Tone(110, 0x12, 40, 0x00, 0, 0, 0, 0);
    a.VolEnv = Env(220, {});
    a.ArpRepeat = repeats[i];
    a.ArpDelay = static_cast<uint8_t>(i % 3);
    a.ArpSpeed = static_cast<uint8_t>(i % 2);
    a.Arp1 = static_cast<int8_t>(12 - i);
    a.Arp2 = static_cast<int8_t>(-5 * i);
    a.Arp3 = static_cast<int8_t>(i == 7 ? 72 : 7);
    s.Instruments[20 + i] = a;
    SetCell(s, 0, i, 0, NoteOf(i == 0 ? 0 : 4, i), kEffectInstrument, static_cast<uint8_t>(20 + i));
    SetCell(s, 0, i, 24, NoteOf(1, 11 - i));
  }
  // Negative offsets below note 0 make the 16-bit note number wrap.
  s.Instruments[20].Arp1 = -72;
  s.Instruments[20].Arp2 = -1;
  s.Speed = 5;
}

void Portamento(Song& s) {
  const int8_t vals[6] = {5, -7, 127, -128, 64, -1};
  for (int i = 0; i < 6; ++i) {
    Instrument a = Tone(120, 0x00, 0, 0, 0, 0, 0, 0);
    a.VolEnv = Env(200, {});
    a.PMEnable = 1;
    a.PMDelay = static_cast<uint8_t>(i * 2);
    a.PMSpeed = static_cast<uint8_t>(i % 3);
    a.PMLen = static_cast<uint8_t>(i == 2 ? 255 : 30 + i * 10);
    a.PMVal = vals[i];
    s.Instruments[30 + i] = a;
    SetCell(s, 0, i, 0, NoteOf(1 + i, i * 2), kEffectInstrument, static_cast<uint8_t>(30 + i));
  }
  // Portamento switched off mid-note by changing the instrument: the offset stays.
  SetCell(s, 0, 0, 10, kEmptyNote, kEffectInstrument, 36);
  s.Instruments[36] = Tone(30, 0x33, 0, 0, 0, 0, 0, 0);
  s.Instruments[36].VolEnv = Env(10, {});
  // Detune on top, including the extremes.
  SetCell(s, 0, 6, 0, NoteOf(4, 0), kEffectInstrument, 30, kEffectDetune, 0x80);
  SetCell(s, 0, 7, 0, NoteOf(4, 11), kEffectDetune, 0x7F, kEffectInstrument, 31);
  s.Speed = 8;
}

void Vibrato(Song& s) {
  for (int i = 0; i < 6; ++i) {
    Instrument a = Tone(127, 0x01, 0, 0, 127, 0x00, 0, 0);
    a.VolEnv = Env(240, {});
    a.VibEnable = 1;
    a.VibDelay = static_cast<uint8_t>(i * 3);
    a.VibSpeed = static_cast<uint8_t>(i == 5 ? 255 : 1 + i * 7);
    a.VibDepth = static_cast<uint8_t>(i == 4 ? 255 : 15 - i);
    if (i == 3) {
      a.PMEnable = 1;
      a.PMVal = 3;
      a.PMLen = 100;
    }
    s.Instruments[40 + i] = a;
    SetCell(s, 0, i, 0, NoteOf(2 + i, 11 - i), kEffectInstrument, static_cast<uint8_t>(40 + i));
  }
  // Vibrato disabled later on track 0: offset is kept.
  SetCell(s, 0, 0, 12, kEmptyNote, kEffectInstrument, 46);
  s.Instruments[46] = s.Instruments[40];
  s.Instruments[46].VibEnable = 0;
  s.Speed = 6;
  s.Tempo = 120;
}

void PanningAndEffects(Song& s) {
  s.Instruments[1] = Tone(127, 0x02, 0, 0, 127, 0x02, 0, 0);
  s.Instruments[1].VolEnv = Env(255, {});
  s.Instruments[2] = Tone(80, 0x00, 80, 0x13, 80, 0x00, 80, 0x13);
  s.Instruments[2].VolEnv = Env(255, {{60, 128}});
  for (int t = 0; t < 8; ++t) SetCell(s, 0, t, 0, NoteOf(3 + t % 4, t), kEffectInstrument, 1);
  const uint8_t lr[8] = {0xF0, 0x0F, 0x00, 0x88, 0x1E, 0xFF, 0x7A, 0xE3};
  for (int t = 0; t < 8; ++t) SetCell(s, 0, t, 2, kEmptyNote, kEffectVolume, lr[t]);
  // Both effects set the same thing: the second wins.
  SetCell(s, 0, 0, 4, kEmptyNote, kEffectVolume, 0x11, kEffectVolume, 0xC4);
  // N: glide to a new pitch without retrigger; N without a note does nothing.
  SetCell(s, 0, 1, 6, NoteOf(6, 6), kEffectNoTrigger, 0);
  SetCell(s, 0, 2, 6, kEmptyNote, kEffectNoTrigger, 0, kEffectMark, 0x55);
  // I in a row without a note switches wave table and modulators at once.
  SetCell(s, 0, 3, 8, kEmptyNote, kEffectInstrument, 2);
  // Detune applies to the note in the same cell; effects 4 and 10..15 do nothing.
  SetCell(s, 0, 4, 10, NoteOf(4, 4), kEffectDetune, 0xF0, 0xA, 0x12);
  SetCell(s, 0, 5, 10, NoteOf(4, 4), 0xF, 0xFF, kEffectDetune, 0x10);
  SetCell(s, 0, 6, 12, NoteOf(5, 5), 0xB, 0x00, 0xC, 0x01);
  // N and I together: instrument changes, no retrigger.
  SetCell(s, 0, 7, 14, NoteOf(2, 2), kEffectNoTrigger, 0, kEffectInstrument, 2);
  // A note of 127 or above never triggers.
  SetCell(s, 0, 0, 16, 127, kEffectVolume, 0xFF);
  SetCell(s, 0, 1, 16, 200);
  SetCell(s, 0, 2, 16, 255, kEffectInstrument, 2);
  s.Speed = 2;
}

void TempoSpeed(Song& s) {
  s.Instruments[0] = Tone(100, 0x01, 0, 0, 100, 0x01, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {{5, 100}});
  for (int r = 0; r < 32; ++r) SetCell(s, 0, r % 8, r, NoteOf(4, r % 12));
  SetCell(s, 0, 0, 1, kEmptyNote, kEffectTempo, 100);
  SetCell(s, 0, 1, 3, kEmptyNote, kEffectSpeed, 3);
  SetCell(s, 0, 2, 6, kEmptyNote, kEffectTempo, 1, kEffectTempo, 255);  // second wins
  SetCell(s, 0, 3, 9, kEmptyNote, kEffectSpeed, 1);
  SetCell(s, 0, 4, 14, kEmptyNote, kEffectTempo, 37, kEffectSpeed, 2);
  SetCell(s, 0, 5, 20, kEmptyNote, kEffectSpeed, 255);
  SetCell(s, 1, 0, 0, NoteOf(3, 0), kEffectSpeed, 1, kEffectTempo, 200);
  for (int r = 1; r < 32; ++r) SetCell(s, 1, r % 8, r, NoteOf(5, r % 12));
  s.Order[0] = MakeOrderEntry(kOrderPlay, 1);
  s.Order[1] = MakeOrderEntry(kOrderPlay, 0);
  s.Speed = 2;
  s.Tempo = 80;
}

// S00 in the middle of a row: earlier tracks are silenced, later ones still trigger.
void StopMidRow(Song& s) {
  s.Instruments[0] = Tone(100, 0x02, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(200, {});
  for (int t = 0; t < 8; ++t) SetCell(s, 0, t, 0, NoteOf(3, t));
  for (int t = 0; t < 8; ++t) SetCell(s, 0, t, 3, NoteOf(4, t), kEffectDetune, static_cast<uint8_t>(t * 9));
  SetCell(s, 0, 3, 3, NoteOf(4, 3), kEffectSpeed, 0, kEffectJump, 9);
  SetCell(s, 0, 5, 3, NoteOf(4, 5), kEffectBreak, 0);
  s.Speed = 1;
}

void TempoStop(Song& s) {
  s.Instruments[0] = Tone(100, 0x03, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(200, {{100, 0}});
  for (int t = 0; t < 8; ++t) SetCell(s, 0, t, 2, NoteOf(2, t));
  SetCell(s, 0, 6, 2, NoteOf(2, 6), kEffectTempo, 0);
  s.Speed = 3;
}

void JumpsAndOrders(Song& s) {
  s.Instruments[0] = Tone(90, 0x12, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {{2, 90}});
  for (int p = 0; p < 12; ++p) {
    for (int r = 0; r < 32; r += 4) SetCell(s, p, p % 8, r, NoteOf(2 + p % 5, (r / 4 + p) % 12));
  }
  s.Order[0] = MakeOrderEntry(kOrderPlay, 3);
  s.Order[1] = MakeOrderEntry(kOrderOther, 4);   // "x" plays like P
  s.Order[2] = MakeOrderEntry(kOrderJump, 2);    // jump to itself: plays pattern 2, goes on
  s.Order[3] = MakeOrderEntry(kOrderPlay, 5);
  s.Order[4] = MakeOrderEntry(kOrderJump, 7);    // forward
  s.Order[7] = MakeOrderEntry(kOrderPlay, 6);
  s.Order[8] = MakeOrderEntry(kOrderJump, 250);
  s.Order[250] = MakeOrderEntry(kOrderPlay, 7);
  s.Order[255] = MakeOrderEntry(kOrderPlay, 8);  // wraps to 0 after 255
  // pattern 3: break at row 2
  SetCell(s, 3, 7, 2, kEmptyNote, kEffectBreak, 0);
  // pattern 4: break at row 1
  SetCell(s, 4, 0, 1, kEmptyNote, kEffectBreak, 0);
  // pattern 5: J and B together land one after the target
  SetCell(s, 5, 2, 3, kEmptyNote, kEffectJump, 3, kEffectBreak, 0);
  // pattern 6: J FF goes to position 255
  SetCell(s, 6, 1, 1, kEmptyNote, kEffectJump, 0xFF);
  // pattern 7: a jump onto an "S" order entry plays it as a pattern; then J to 251 which is
  // followed by entries that break quickly
  SetCell(s, 7, 0, 0, kEmptyNote, kEffectJump, 9);
  s.Order[9] = MakeOrderEntry(kOrderStop, 10);
  SetCell(s, 10, 4, 1, kEmptyNote, kEffectJump, 250, kEffectJump, 251);  // second wins
  for (int k = 251; k < 255; ++k) s.Order[k] = MakeOrderEntry(kOrderPlay, 11);
  SetCell(s, 11, 3, 0, kEmptyNote, kEffectBreak, 0);
  // pattern 8: short, then wraps to position 0
  SetCell(s, 8, 0, 1, kEmptyNote, kEffectBreak, 0);
  s.Speed = 2;
  s.Tempo = 200;
}

void OrderStop(Song& s) {
  s.Instruments[0] = Tone(90, 0x12, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {});
  for (int r = 0; r < 32; r += 3) {
    SetCell(s, 0, 0, r, NoteOf(3, r % 12));
    SetCell(s, 1, 1, r, NoteOf(4, r % 12));
  }
  s.Order[2] = MakeOrderEntry(kOrderStop, 0);
  s.Speed = 1;
  s.Tempo = 250;
}

void StopAtLoopSong(Song& s) {
  s.Instruments[0] = Tone(90, 0x12, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {});
  for (int p = 0; p < 8; ++p)
    for (int r = 0; r < 32; r += 5) SetCell(s, p, 0, r, NoteOf(3, (p + r) % 12));
  // position 0 (pattern 0): effect J 5 jumps forward from position 0: goes on
  SetCell(s, 0, 2, 1, kEmptyNote, kEffectJump, 5);
  // position 5 (pattern 5): order list continues to 6, a J order entry back to 5 stops
  SetCell(s, 5, 1, 2, kEmptyNote, kEffectBreak, 0);
  s.Order[6] = MakeOrderEntry(kOrderJump, 5);
  s.Speed = 2;
  s.Tempo = 150;
}

void StopAtLoopEffect(Song& s) {
  StopAtLoopSong(s);
  s.Order[6] = MakeOrderEntry(kOrderPlay, 6);
  SetCell(s, 6, 3, 4, NoteOf(5, 5), kEffectJump, 6);  // J to the current position: stops
}

void PatternModeSong(Song& s) {
  s.Instruments[0] = Tone(90, 0x12, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {});
  s.Instruments[1] = Tone(60, 0x03, 0, 0, 0, 0, 0, 0);
  s.Instruments[1].VolEnv = Env(128, {});
  for (int p = 4; p <= 5; ++p)
    for (int r = 0; r < 32; r += 2) SetCell(s, p, r % 8, r, NoteOf(3 + p - 4, r % 12));
  // Pattern 4 loops: J restarts a pattern played alone at row 0 (only OrderPos changes).
  SetCell(s, 4, 1, 6, kEmptyNote, kEffectJump, 40);
  // Pattern 5: S00 ends pattern mode mid-row, so the tracks after it read the pattern of
  // the order entry (position 40 plays pattern 9, whose row 20 differs).
  SetCell(s, 5, 2, 20, NoteOf(3, 3), kEffectSpeed, 0);
  for (int t = 0; t < 8; ++t) SetCell(s, 9, t, 20, NoteOf(5, t), kEffectInstrument, 1);
  s.Order[40] = MakeOrderEntry(kOrderPlay, 9);
  s.Speed = 1;
  s.Tempo = 120;
}

void PatternModeBreak(Song& s) {
  s.Instruments[0] = Tone(90, 0x12, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {});
  for (int r = 0; r < 32; ++r) SetCell(s, 255, r % 8, r, NoteOf(3, r % 12));
  SetCell(s, 255, 0, 9, kEmptyNote, kEffectBreak, 0);
  s.Speed = 2;
}

void OddStart(Song& s) {
  s.Instruments[0] = Tone(90, 0x12, 0, 0, 0, 0, 0, 0);
  s.Instruments[0].VolEnv = Env(255, {{50, 20}});
  for (int p = 0; p < 3; ++p)
    for (int r = 0; r < 32; ++r) SetCell(s, p, r % 4, r, NoteOf(3 + p, r % 12));
  s.Tempo = 0;  // plays at 50
  s.Speed = 0;  // 256 ticks per row
}

// Random bytes from a fixed seed: instruments, synth modes, patterns and order list.
void RandomSong(Song& s, uint32_t seed, bool wild = false) {
  std::mt19937 rng(seed);
  auto byte = [&] { return static_cast<uint8_t>(rng() & 0xFF); };
  for (int i = 0; i < 24; ++i) {
    uint8_t* b = s.Instruments[i].bytes();
    for (int k = 0; k < 48; ++k) b[k] = byte();
    // Keep most voices audible and most modulators in their editor ranges, some not.
    if (rng() % 4 != 0) b[9 + 4] |= 0x40;
    if (rng() % 3 != 0) b[29] &= 3;
    if (rng() % 3 != 0) b[46] &= 15;
    if (rng() % 3 != 0) b[34] %= 97;
    s.SynthMode[i] = static_cast<uint8_t>(rng() % 3 == 0 ? (rng() % 2 ? 1 : byte()) : 0);
  }
  for (int p = 0; p < 24; ++p) {
    for (int t = 0; t < 8; ++t) {
      for (int r = 0; r < 32; ++r) {
        PatternCell& c = s.Cell(p, t, r);
        uint32_t roll = rng() % 100;
        c.Note = roll < 40 ? static_cast<uint8_t>(rng() % 108) : roll < 43 ? byte() : kEmptyNote;
        auto effect = [&]() -> uint8_t {
          uint32_t e = rng() % 100;
          if (e < 60) return 0;
          if (e < 75) return kEffectInstrument;
          return static_cast<uint8_t>(rng() % 16);
        };
        uint8_t e1 = effect(), e2 = effect();
        auto param = [&](uint8_t e) -> uint8_t {
          if (wild && e != kEffectSpeed && e != kEffectTempo) return byte();
          if (wild) return static_cast<uint8_t>(rng() % 30 == 0 ? 0 : 1 + rng() % 255);
          if (e == kEffectInstrument) return static_cast<uint8_t>(rng() % 26);
          if (e == kEffectSpeed || e == kEffectTempo) {
            if (rng() % 40 == 0) return 0;
            return e == kEffectSpeed ? static_cast<uint8_t>(1 + rng() % 6) : static_cast<uint8_t>(30 + rng() % 226);
          }
          if (e == kEffectJump) return static_cast<uint8_t>(rng() % 30);
          return byte();
        };
        c.Effects = static_cast<uint8_t>((e1 << 4) | e2);
        c.Param1 = param(e1);
        c.Param2 = param(e2);
      }
    }
  }
  for (int k = 0; k < 256; ++k) {
    uint32_t roll = rng() % 100;
    uint8_t cmd = roll < 80 ? kOrderPlay : roll < 88 ? kOrderJump : roll < 92 ? kOrderStop : kOrderOther;
    uint8_t param = cmd == kOrderJump ? static_cast<uint8_t>(rng() % 40) : static_cast<uint8_t>(rng() % 24);
    s.Order[k] = static_cast<OrderEntry>(MakeOrderEntry(cmd, param) | ((rng() % 8 == 0) ? 0xFC00 : 0));
  }
  s.Tempo = static_cast<uint8_t>(rng() % 10 == 0 ? 0 : 40 + rng() % 200);
  s.Speed = static_cast<uint8_t>(1 + rng() % 4);
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  auto play = [](uint8_t pos = 0, uint8_t row = 0, uint16_t mode = 0) {
    return [=](Actions& a) { a.Start(pos, row, mode); };
  };
  cases.push_back({"basic", Basic, play(), nullptr, 50000});
  cases.push_back({"sweeps", Sweeps, play(), nullptr, 50000});
  cases.push_back({"old model", OldModel, play(), nullptr, 40000});
  cases.push_back({"noise", Noise, play(), nullptr, 50000});
  cases.push_back({"arpeggio", Arpeggio, play(), nullptr, 50000});
  cases.push_back({"portamento", Portamento, play(), nullptr, 50000});
  cases.push_back({"vibrato", Vibrato, play(), nullptr, 50000});
  cases.push_back({"panning and effects", PanningAndEffects, play(), nullptr, 50000});
  cases.push_back({"tempo and speed", TempoSpeed, play(), nullptr, 60000});
  cases.push_back({"S00 mid-row", StopMidRow, play(), nullptr, 30000});
  cases.push_back({"T00", TempoStop, play(), nullptr, 30000});
  cases.push_back({"jumps and orders", JumpsAndOrders, play(), nullptr, 60000});
  cases.push_back({"order S", OrderStop, play(), nullptr, 40000});
  cases.push_back({"StopAtLoop order J",
                   StopAtLoopSong,
                   [](Actions& a) {
                     a.SetStopAtLoop(1);
                     a.Start(0, 0, 0);
                   },
                   nullptr, 60000});
  cases.push_back({"StopAtLoop effect J",
                   StopAtLoopEffect,
                   [](Actions& a) {
                     a.SetStopAtLoop(1);
                     a.Start(0, 0, 0);
                   },
                   nullptr, 60000});
  cases.push_back({"pattern mode", PatternModeSong, play(0, 0, 5),
                   [](int n, Actions& a) {
                     if (n == 3) a.Start(40, 0, 6);  // from the looping pattern to pattern 5
                   },
                   40000});
  cases.push_back({"pattern mode 255 break", PatternModeBreak, play(3, 4, 256), nullptr, 30000});
  cases.push_back({"tempo 0, speed 0, start row 40", OddStart, play(1, 40, 0), nullptr, 40000});
  // Window-thread actions between buffers: previews (stopped and playing), instrument edits
  // during playback, restarts, stops, a sample rate change, fewer rendered channels.
  cases.push_back({"previews and edits", Basic,
                   [](Actions& a) {
                     a.Preview(0, 1, 0, 3, 0);
                     a.Preview(1, 1, 0, 3, 3);
                     a.Preview(7, 3, 11, 5, -100);
                   },
                   [](int n, Actions& a) {
                     Song& s = a.song();
                     switch (n % 9) {
                       case 1: a.Start(0, 3, 0); break;
                       case 2: s.Instruments[1].VibEnable = 1; s.Instruments[1].VibSpeed = 9; s.Instruments[1].VibDepth = 12; break;
                       case 3: a.Preview(static_cast<uint8_t>(n % 8), 4, static_cast<uint8_t>(n % 12), 4, static_cast<int8_t>(n)); break;
                       case 4: s.Instruments[3].SrcOsc1Wave = 0x23; s.Instruments[1].PMEnable = 1; s.Instruments[1].PMVal = -4; s.Instruments[1].PMLen = 50; break;
                       case 5: a.Stop(); a.Preview(2, 3, 5, 2, 15); break;
                       case 6: a.SetRate(n % 2 ? 22050 : 48000); a.Start(0, 10, 0); break;
                       case 7: a.SetLastChannel(static_cast<uint8_t>(n % 8)); break;
                       case 8: a.Start(0, 0, 1); a.SetLastChannel(7); break;
                       default: s.Instruments[1].VolEnv.Val4 = static_cast<uint8_t>(n * 17); break;
                     }
                   },
                   50000});
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    cases.push_back({"random " + std::to_string(seed), [seed](Song& s) { RandomSong(s, seed); },
                     [seed](Actions& a) {
                       if (seed % 3 == 0) a.SetStopAtLoop(1);
                       a.Start(static_cast<uint8_t>(seed * 7), static_cast<uint8_t>(seed * 5), seed == 4 ? 3 : 0);
                     },
                     [seed](int n, Actions& a) {
                       if (n % 7 == 0) a.Start(static_cast<uint8_t>(n + seed), 0, 0);
                       if (n % 11 == 0) a.Preview(static_cast<uint8_t>(n % 8), static_cast<uint8_t>(n % 24), 3, 4, -7);
                     },
                     50000});
  }
  // More random songs on request (XCHECK_EXTRA_SEEDS=n), for long soak runs by hand.
  const char* extra = std::getenv("XCHECK_EXTRA_SEEDS");
  const uint32_t extraSeeds = extra ? static_cast<uint32_t>(std::strtoul(extra, nullptr, 10)) : 0;
  for (uint32_t seed = 1000; seed < 1000 + extraSeeds; ++seed) {
    const bool wild = seed % 2 == 1;
    cases.push_back({"extra random " + std::to_string(seed), [seed, wild](Song& s) { RandomSong(s, seed, wild); },
                     [seed](Actions& a) {
                       a.SetStopAtLoop(static_cast<uint8_t>(seed % 3 == 0));
                       a.Start(static_cast<uint8_t>(seed), static_cast<uint8_t>(seed % 40), seed % 5 == 0 ? seed % 300 : 0);
                     },
                     [seed](int n, Actions& a) {
                       if ((n + seed) % 9 == 0) a.Start(static_cast<uint8_t>(n * seed), 0, 0);
                       if ((n + seed) % 13 == 0) a.Preview(static_cast<uint8_t>(n % 8), static_cast<uint8_t>(n % 30), static_cast<uint8_t>(n % 12), static_cast<uint8_t>(n % 11), static_cast<int8_t>(seed));
                       if ((n + seed) % 17 == 0) a.Stop();
                     },
                     60000, false});
  }
  // Wild ones: every parameter any byte (jumps anywhere, any speed and tempo, instruments
  // beyond the ones built, which are all zero and silent), fewer channels rendered.
  for (uint32_t seed = 101; seed <= 102; ++seed) {
    cases.push_back({"wild random " + std::to_string(seed), [seed](Song& s) {
                       RandomSong(s, seed, true);
                     },
                     [seed](Actions& a) {
                       a.SetLastChannel(static_cast<uint8_t>(seed == 101 ? 5 : 7));
                       a.Start(0, 0, 0);
                       a.Preview(6, 3, 11, 255, 127);  // octave beyond the note range
                       a.Preview(7, 4, 0, 0, -128);
                     },
                     [](int n, Actions& a) {
                       if (n % 5 == 0) a.Start(static_cast<uint8_t>(n * 31), static_cast<uint8_t>(n), 0);
                       if (n % 5 == 2) a.Start(0, 0, static_cast<uint16_t>(1 + n % 24));
                     },
                     40000});
  }
  return cases;
}

// ---------------------------------------------------------------- tests

TEST(ReferenceCrosscheck, FixedTablesMatch) {
  auto ref = std::make_unique<ReferencePlayer>();
  const FixedTables& t = Tables();
  for (int i = 0; i < 512; ++i) ASSERT_EQ(t.SineTable[i], ref->SineTable[i]) << "SineTable[" << i << "]";
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(t.NoiseTable[i], ref->NoiseTable[i]) << "NoiseTable[" << i << "]";
  for (int j = 0; j < 256; ++j) {
    for (int c = 0; c < 256; ++c) {
      ASSERT_EQ(t.MorphTable[j][c], ref->MorphTable[j][c]) << "MorphTable[" << j << "][" << c << "]";
      ASSERT_EQ(t.MorphByColumn[c][j], ref->MorphTable[j][c]) << "MorphByColumn[" << c << "][" << j << "]";
    }
  }
  for (int k = 0; k < 64; ++k) ASSERT_EQ(t.VibTable[k], ref->VibTable[k]) << "VibTable[" << k << "]";
  const uint8_t notes[12] = {6, 21, 38, 55, 74, 93, 114, 136, 159, 184, 210, 238};
  for (int s = 0; s < 12; ++s) EXPECT_EQ(NoteTable[s], notes[s]);
}

TEST(ReferenceCrosscheck, StartUpStateMatches) {
  auto engine = std::make_unique<Engine>();
  auto ref = std::make_unique<ReferencePlayer>();
  EXPECT_EQ(std::memcmp(&engine->song, &ref->song, sizeof(Song)), 0) << "new song differs";
  EXPECT_EQ(CompareState(*engine, *ref), "");
  EXPECT_EQ(CompareGeneratedTables(*engine, *ref), "");
  for (uint16_t rate : {22050, 32000, 44100, 48000}) {
    EngineActions(*engine).SetRate(rate);
    ref->ChangeSampleRate(rate);
    EXPECT_EQ(CompareGeneratedTables(*engine, *ref), "") << rate;
    EXPECT_EQ(engine->SamplesPerTick, ref->SamplesPerTick) << rate;
  }
}

// The single-oscillator samples of the waveform display, for random instruments of both models.
TEST(ReferenceCrosscheck, WaveSampleAllOscillatorBounds) {
  auto engine = std::make_unique<Engine>();
  auto ref = std::make_unique<ReferencePlayer>();
  std::mt19937 rng(77);
  for (int i = 0; i < 256; ++i) {
    for (int k = 0; k < 48; ++k) {
      uint8_t v = static_cast<uint8_t>(rng());
      engine->song.Instruments[i].bytes()[k] = v;
      ref->song.Instruments[i].bytes()[k] = v;
    }
    uint8_t mode = static_cast<uint8_t>(i % 4 == 0 ? 0 : i % 4 == 1 ? 1 : i % 4 == 2 ? 0 : rng());
    engine->song.SynthMode[i] = mode;
    ref->song.SynthMode[i] = mode;
  }
  const uint8_t bounds[4][2] = {{1, 0}, {0, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 256; ++i) {
    for (int pair = 0; pair < 2; ++pair) {
      for (auto& b : bounds) {
        for (int ph = 0; ph < 256; ++ph) {
          ASSERT_EQ(engine->WaveSample(static_cast<uint8_t>(ph), static_cast<uint8_t>(i), pair, b[0], b[1]),
                    ref->WaveSample(static_cast<uint8_t>(ph), static_cast<uint8_t>(i), pair, b[0], b[1]))
              << "instrument " << i << " mode " << int(ref->song.SynthMode[i]) << " pair " << pair << " osc " << int(b[0])
              << ".." << int(b[1]) << " phase " << ph;
        }
      }
    }
    engine->BuildWaveTable(static_cast<uint8_t>(i));
    ref->BuildWaveTable(static_cast<uint8_t>(i));
  }
  EXPECT_EQ(CompareGeneratedTables(*engine, *ref), "");
  engine->Path = RenderPath::Scalar;  // the plain loop too, where the processor has AVX2
  engine->BuildAllWaveTables();
  EXPECT_EQ(CompareGeneratedTables(*engine, *ref), "");
}

TEST(ReferenceCrosscheck, SongsRenderIdentically) {
  const std::vector<Config> configs = {
      {44100, {4096}, false},
      {22050, {512, 1024, 2048, 4096}, false},
      {48000, {1, 7, 333, 4096, 100, 2049, 882, 3}, true},
      {44100, {257, 256, 255, 1000, 4096, 13}, true},
      {32000, {4096, 512, 1234}, false},
  };
  g_totals = {};
  std::vector<Case> cases = Cases();
  for (size_t i = 0; i < cases.size(); ++i) {
    // Each song in two configurations, rotating, so that every configuration sees every kind:
    // first on the best path (AVX2 where the processor has it), then on SSE2 or plain code.
    for (size_t k = 0; k < 2; ++k) {
      Config cfg = configs[(i + k * 2 + (i / 4)) % configs.size()];
      cfg.path = k == 0 ? RenderPath::Best : i % 2 ? RenderPath::Sse2 : RenderPath::Scalar;
      RunCase(cases[i], cfg);
      if (HasFailure()) return;
    }
  }
  std::printf("cross-checked %zu songs, %d runs, %lld frames\n", cases.size(), g_totals.runs, g_totals.frames);
}

}  // namespace
}  // namespace kelmar
