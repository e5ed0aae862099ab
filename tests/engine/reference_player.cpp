#include "reference_player.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace kelmar::reference {

namespace {

const uint8_t kNoteTable[12] = {6, 21, 38, 55, 74, 93, 114, 136, 159, 184, 210, 238};
const int16_t kVibQuarter[17] = {0, 24, 49, 74, 97, 120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253, 255};

int ClampSigned8(int v) {
  if (v < -128) return -128;
  if (v > 127) return 127;
  return v;
}

}  // namespace

ReferencePlayer::ReferencePlayer() {
  // Frequency table, default tempo and speed, noise, SamplesPerTick, sine, morph.
  BuildFreqTable();
  song.Tempo = 50;
  song.Speed = 6;
  uint32_t state = 1u * 65537u;
  for (int k = 0; k < 4096; ++k) {
    state = state * 134775813u + 1u;
    uint32_t draw = static_cast<uint32_t>((static_cast<uint64_t>(state) * 65536u) >> 32);
    NoiseTable[k] = static_cast<int16_t>(static_cast<uint16_t>(draw));
  }
  SamplesPerTick = static_cast<uint16_t>(SampleRate / song.Tempo);
  for (int i = 0; i < 512; ++i) {
    double s = 127.0 * std::sin(2.0 * M_PI * i / 511.0);
    SineTable[i] = static_cast<uint8_t>(128 + static_cast<int>(std::floor(s + 0.5)));
  }
  for (int c = 0; c < 256; ++c) {
    int i = 255 - c;
    for (int j = 0; j < 256; ++j) {
      if ((j + 1) * 255 / (i + 1) > 255) {
        MorphTable[j][c] = static_cast<uint16_t>(256 + (j - i) * 256 / (256 - i));
      } else {
        MorphTable[j][c] = static_cast<uint16_t>(j * 256 / (i + 1));
      }
    }
  }
  for (int k = 0; k <= 16; ++k) VibTable[k] = kVibQuarter[k];
  for (int k = 1; k <= 16; ++k) VibTable[16 + k] = VibTable[16 - k];
  for (int k = 0; k < 32; ++k) VibTable[32 + k] = static_cast<int16_t>(-VibTable[k]);

  NewSong();
  for (auto& ch : Channels) ch.LRVolume = 255;
}

void ReferencePlayer::NewSong() {
  std::memset(song.Instruments.data(), 0, sizeof(song.Instruments));
  std::memset(song.Patterns.data(), 0, sizeof(song.Patterns));
  std::memset(song.SynthMode.data(), 0, sizeof(song.SynthMode));
  for (int p = 0; p < 256; ++p)
    for (int t = 0; t < 8; ++t)
      for (int r = 0; r < 32; ++r) song.Patterns[p][t][r].Note = 127;
  for (int k = 0; k < 256; ++k) song.Order[k] = static_cast<uint16_t>(k);
  song.Tempo = 50;
  song.Speed = 6;
}

void ReferencePlayer::BuildFreqTable() {
  for (int i = 0; i < 4096; ++i) {
    FreqTable[i] = static_cast<uint32_t>((static_cast<uint64_t>(i) << 24) / SampleRate);
  }
}

void ReferencePlayer::ChangeSampleRate(uint16_t rate) {
  SampleRate = rate;
  int tempo = song.Tempo == 0 ? 50 : song.Tempo;
  SamplesPerTick = static_cast<uint16_t>(SampleRate / tempo);
  BuildFreqTable();
}

uint8_t ReferencePlayer::WaveSample(uint8_t phase, uint8_t instrument, int pair, uint8_t firstOsc,
                                    uint8_t lastOsc) const {
  const uint8_t* b = song.Instruments[instrument].bytes();
  if (song.SynthMode[instrument] == 0) {
    int16_t sum = 0;
    for (int k = firstOsc; k >= lastOsc; --k) {
      if (k > 1) continue;  // only two oscillators exist
      int8_t a = static_cast<int8_t>(b[1 + 4 * pair + 2 * k]);
      uint8_t w = b[2 + 4 * pair + 2 * k];
      int m = (w >> 4) + 1;
      int shape = w & 3;
      int ampShape = (w >> 2) & 3;
      int x = phase * m;
      int s = 0;
      switch (shape) {
        case 0: s = SineTable[x % 512] - 128; break;
        case 1: s = SineTable[(x + 128) % 512] - 128; break;
        case 2: s = ((x >> 1) % 256) - 128; break;
        case 3: s = (x % 512) > 255 ? 127 : -128; break;
      }
      if (a < 0) s = -s - 1;
      int absA = a < 0 ? -static_cast<int>(a) : a;
      int v = (absA % 128) * s / 16;
      switch (ampShape) {
        case 0: break;
        case 1: v = v * phase / 255; break;
        case 2: v = v * (255 - phase) / 255; break;
        case 3: {
          int t = phase < 128 ? 2 * phase : 511 - 2 * phase;
          v = v * t / 255;
          break;
        }
      }
      sum = static_cast<int16_t>(sum + v);
    }
    return static_cast<uint8_t>(ClampSigned8(sum) + 128);
  }
  int b0 = b[1 + 4 * pair], b1 = b[2 + 4 * pair], b2 = b[3 + 4 * pair], b3 = b[4 + 4 * pair];
  int d = ((phase * b0) >> 6) % 256;
  if (b1 > 0) d = SineTable[(((d * b1) >> 4) + 128) % 512];
  if (phase < b2) d = 255 - d;
  int s = d - 128;
  int r = s + s * b3 / 16;
  return static_cast<uint8_t>(ClampSigned8(r) + 128);
}

void ReferencePlayer::BuildWaveTable(uint8_t instrument) {
  for (int j = 0; j < 256; ++j) {
    WaveTables[instrument][j] = WaveSample(static_cast<uint8_t>(j), instrument, 0, 1, 0);
    WaveTables[instrument][256 + j] = WaveSample(static_cast<uint8_t>(j), instrument, 1, 1, 0);
  }
}

void ReferencePlayer::TriggerNote(uint8_t channel, uint8_t instrument, uint8_t semitone, uint8_t octave,
                                  int8_t detune, bool /*waitForTick*/, bool preview) {
  RefChannel& ch = Channels[channel];
  ch.Semitone = semitone;
  ch.ArpOffset = 0;
  ch.Octave = octave;
  if (preview) ch.Detune = detune;
  ch.Instrument = instrument;
  ch.NoiseOn = 0;
  const Instrument& ins = song.Instruments[instrument];
  ch.Filter = ins.Filter;
  if (preview) BuildWaveTable(instrument);
  const Envelope* envs[2] = {&ins.VolEnv, &ins.SweepEnv};
  RefEnvelopeState* states[2] = {&ch.VolEnvState, &ch.SweepEnvState};
  for (int e = 0; e < 2; ++e) {
    const Envelope& env = *envs[e];
    RefEnvelopeState& st = *states[e];
    st.Value = static_cast<uint16_t>(env.Start * 256);
    const uint8_t lens[4] = {env.Len1, env.Len2, env.Len3, env.Len4};
    const uint8_t vals[4] = {env.Val1, env.Val2, env.Val3, env.Val4};
    int prev = env.Start;
    for (int n = 0; n < 4; ++n) {
      st.Count[n] = lens[n];
      int32_t delta = (static_cast<int32_t>(vals[n]) - prev) * 256;
      if (lens[n] > 0) delta = delta / lens[n];
      st.Delta[n] = delta;
      prev = vals[n];
    }
  }
  ch.ArpDelayCount = 0;
  ch.ArpSpeedCount = 0;
  ch.ArpStep = 0;
  ch.NzeDelayCount = 0;
  ch.NzeLen1Count = 0;
  ch.NzePauseCount = 0;
  ch.NzeLen2Count = 0;
  ch.PMDelayCount = 0;
  ch.PMSpeedCount = 0;
  ch.PMLenCount = 0;
  ch.PMOffset = 0;
  ch.VibDelayCount = 0;
  ch.VibPhase = 0;
  ch.VibOffset = 0;
}

void ReferencePlayer::VoiceSample(int c, int16_t& left, int16_t& right) {
  RefChannel& ch = Channels[c];
  left = 0;
  right = 0;
  if (ch.VolEnvState.Value == 0) return;
  ch.Phase = ch.Phase + ch.PhaseInc;
  ch.PhasePos = static_cast<uint16_t>((ch.Phase >> 8) % 65536u);
  if ((ch.PrevPhasePos & 0x8000) != 0 && (ch.PhasePos & 0x8000) == 0) {
    ch.LatchedVol = ch.VolEnvState.Value;
    ch.LatchedSweep = ch.SweepEnvState.Value;
  }
  ch.PrevPhasePos = ch.PhasePos;
  int position = MorphTable[ch.PhasePos >> 8][ch.LatchedSweep >> 8];
  int b = WaveTables[ch.Instrument][position];
  ch.Sample = static_cast<int16_t>(b * 257 - 32768);
  if (ch.NoiseOn != 0) ch.Sample = NoiseTable[(ch.Phase >> 20) % 4096];
  int32_t k = 255 - ((static_cast<int32_t>(ch.LatchedVol) * ch.Filter) >> 16);
  int32_t fs = ch.FilterState + (static_cast<int32_t>(ch.Sample) - ch.FilterState) * k / 255;
  ch.FilterState = static_cast<int16_t>(fs);
  int32_t v = static_cast<int32_t>(ch.LatchedVol >> 8) * ch.FilterState / 255;
  left = static_cast<int16_t>(v * (ch.LRVolume >> 4) / 128);
  right = static_cast<int16_t>(v * (ch.LRVolume % 16) / 128);
}

void ReferencePlayer::RenderFrame(int16_t& left, int16_t& right, int16_t* voiceLeft, int16_t* voiceRight) {
  int16_t accL = 0, accR = 0;
  for (int c = 0; c < 8; ++c) {
    if (voiceLeft) voiceLeft[c] = 0;
    if (voiceRight) voiceRight[c] = 0;
  }
  for (int c = 0; c <= LastChannel && c < 8; ++c) {
    int16_t l, r;
    VoiceSample(c, l, r);
    if (voiceLeft) voiceLeft[c] = l;
    if (voiceRight) voiceRight[c] = r;
    accL = static_cast<int16_t>(accL + l);
    accR = static_cast<int16_t>(accR + r);
  }
  left = accL;
  right = accR;
}

void ReferencePlayer::RenderBuffer(uint8_t* out, int16_t* const* tracks) {
  for (int f = 0; f < BufferSize; ++f) {
    if (TickCountdown == 0) {
      TickCountdown = SamplesPerTick;
      TickDone = 0;
      Tick();
      TickDone = 1;
    }
    int16_t l, r, vl[8], vr[8];
    RenderFrame(l, r, vl, vr);
    if (tracks) {
      for (int c = 0; c < 8; ++c) {
        if (!tracks[c]) continue;
        tracks[c][2 * f] = vl[c];
        tracks[c][2 * f + 1] = vr[c];
      }
    }
    uint16_t ul = static_cast<uint16_t>(l), ur = static_cast<uint16_t>(r);
    out[4 * f + 0] = static_cast<uint8_t>(ul & 0xFF);
    out[4 * f + 1] = static_cast<uint8_t>(ul >> 8);
    out[4 * f + 2] = static_cast<uint8_t>(ur & 0xFF);
    out[4 * f + 3] = static_cast<uint8_t>(ur >> 8);
    TickCountdown = static_cast<uint16_t>(TickCountdown - 1);
  }
}

void ReferencePlayer::StartPlayback(uint8_t orderPos, uint8_t row, uint16_t patternMode) {
  if (Playing) StopPlayback();
  for (int i = 0; i < 256; ++i) BuildWaveTable(static_cast<uint8_t>(i));
  CurTempo = song.Tempo == 0 ? 50 : song.Tempo;
  SamplesPerTick = static_cast<uint16_t>(SampleRate / CurTempo);
  Row = row > 31 ? 0 : row;
  OrderPos = orderPos;
  PatternMode = patternMode;
  FrameLimit = static_cast<uint8_t>(song.Speed - 1);
  Frame = FrameLimit;
  Playing = 1;
  for (auto& ch : Channels) ch.LRVolume = 255;
}

void ReferencePlayer::StopPlayback() {
  Playing = 0;
  StopAtLoop = 0;
  PatternMode = 0;
  for (auto& ch : Channels) {
    ch.Detune = 0;
    ch.VolEnvState.Value = 0;
    ch.SweepEnvState.Value = 0;
    for (int n = 0; n < 4; ++n) {
      ch.VolEnvState.Count[n] = 0;
      ch.SweepEnvState.Count[n] = 0;
    }
    ch.LRVolume = 255;
  }
}

void ReferencePlayer::Tick() {
  if (Playing == 1) {
    if (Frame < FrameLimit) {
      Frame = static_cast<uint8_t>(Frame + 1);
    } else {
      Frame = 0;
      bool breakFlag = false;
      int jumpTarget = 0;
      for (int t = 0; t < 8; ++t) {
        int p = PatternMode > 0 ? (PatternMode - 1) % 256 : (song.Order[OrderPos] & 0xFF);
        const PatternCell cell = song.Patterns[p][t][Row];
        bool noTrigger = false;
        for (int e = 0; e < 2; ++e) {
          int code = e == 0 ? (cell.Effects >> 4) : (cell.Effects & 15);
          uint8_t param = e == 0 ? cell.Param1 : cell.Param2;
          switch (code) {
            case 1: Channels[t].LRVolume = param; break;
            case 2: Channels[t].Instrument = param; break;
            case 3: noTrigger = true; break;
            case 5: breakFlag = true; break;
            case 6:
              if (param == 0) StopPlayback();
              else FrameLimit = static_cast<uint8_t>(param - 1);
              break;
            case 7:
              if (param == 0) {
                StopPlayback();
              } else {
                CurTempo = param;
                SamplesPerTick = static_cast<uint16_t>(SampleRate / param);
              }
              break;
            case 8: jumpTarget = param + 1; break;
            case 9: Channels[t].Detune = static_cast<int8_t>(param); break;
            default: break;
          }
        }
        if (cell.Note < 127) {
          if (!noTrigger) {
            TriggerNote(static_cast<uint8_t>(t), Channels[t].Instrument, cell.Note % 12, cell.Note / 12, 0, false,
                        false);
          } else {
            Channels[t].Semitone = cell.Note % 12;
            Channels[t].Octave = cell.Note / 12;
          }
        }
      }
      Row = static_cast<uint8_t>(Row + 1);
      if (jumpTarget != 0) {
        Row = 0;
        if (StopAtLoop == 1 && jumpTarget - 1 <= OrderPos) StopPlayback();
        OrderPos = static_cast<uint8_t>(jumpTarget - 1);
      }
      if (Row > 31 || breakFlag) {
        Row = 0;
        OrderPos = static_cast<uint8_t>(OrderPos + 1);
        uint16_t e = song.Order[OrderPos];
        int cmd = (e >> 8) & 3;
        if (cmd == 2 || PatternMode > 0) StopPlayback();
        if (cmd == 1) {
          int target = e & 0xFF;
          if (StopAtLoop == 1 && target < OrderPos) StopPlayback();
          OrderPos = static_cast<uint8_t>(target);
        }
      }
    }
  }
  for (int c = 0; c < 8; ++c) TickChannel(c);
}

void ReferencePlayer::StepEnvelope(RefEnvelopeState& st, const Envelope& env, bool isSweep) {
  const uint8_t vals[4] = {env.Val1, env.Val2, env.Val3, env.Val4};
  const uint8_t lens[4] = {env.Len1, env.Len2, env.Len3, env.Len4};
  for (int n = 0; n < 4; ++n) {
    if (st.Count[n] > 0) {
      st.Value = static_cast<uint16_t>(st.Value + static_cast<uint16_t>(st.Delta[n] & 0xFFFF));
      st.Count[n] = static_cast<uint8_t>(st.Count[n] - 1);
      if (st.Count[n] == 0) st.Value = static_cast<uint16_t>(vals[n] * 256);
      return;
    }
  }
  if (isSweep) {
    st.Value = static_cast<uint16_t>(env.Start * 256);
    for (int n = 0; n < 4; ++n) st.Count[n] = lens[n];
  }
}

void ReferencePlayer::TickChannel(int c) {
  RefChannel& ch = Channels[c];
  const Instrument& I = song.Instruments[ch.Instrument];

  StepEnvelope(ch.VolEnvState, I.VolEnv, false);
  StepEnvelope(ch.SweepEnvState, I.SweepEnv, true);

  if (ch.ArpDelayCount < I.ArpDelay) {
    ch.ArpDelayCount = static_cast<uint8_t>(ch.ArpDelayCount + 1);
  } else if (ch.ArpSpeedCount < I.ArpSpeed) {
    ch.ArpSpeedCount = static_cast<uint8_t>(ch.ArpSpeedCount + 1);
  } else {
    ch.ArpSpeedCount = 0;
    ch.ArpStep = static_cast<uint8_t>(ch.ArpStep + 1);
    if (ch.ArpStep >= 4) ch.ArpStep = I.ArpRepeat != 0 ? I.ArpRepeat : 4;
    if (ch.ArpStep == 1) ch.ArpOffset = I.Arp1;
    else if (ch.ArpStep == 2) ch.ArpOffset = I.Arp2;
    else if (ch.ArpStep == 3) ch.ArpOffset = I.Arp3;
  }

  if (I.NzeEnable != 0) {
    if (ch.NzeDelayCount < I.NzeDelay) {
      ch.NzeDelayCount = static_cast<uint8_t>(ch.NzeDelayCount + 1);
    } else if (ch.NzeLen1Count < I.NzeLen1) {
      ch.NoiseOn = 1;
      ch.NzeLen1Count = static_cast<uint8_t>(ch.NzeLen1Count + 1);
    } else if (ch.NzePauseCount < I.NzePause) {
      ch.NoiseOn = 0;
      ch.NzePauseCount = static_cast<uint8_t>(ch.NzePauseCount + 1);
    } else if (ch.NzeLen2Count < I.NzeLen2) {
      ch.NoiseOn = 1;
      ch.NzeLen2Count = static_cast<uint8_t>(ch.NzeLen2Count + 1);
    } else {
      ch.NoiseOn = 0;
    }
  }

  if (I.PMEnable != 0) {
    if (ch.PMDelayCount < I.PMDelay) {
      ch.PMDelayCount = static_cast<uint8_t>(ch.PMDelayCount + 1);
    } else if (ch.PMSpeedCount < I.PMSpeed) {
      ch.PMSpeedCount = static_cast<uint8_t>(ch.PMSpeedCount + 1);
    } else {
      ch.PMSpeedCount = 0;
      if (ch.PMLenCount < I.PMLen) {
        ch.PMLenCount = static_cast<uint8_t>(ch.PMLenCount + 1);
        ch.PMOffset = static_cast<int16_t>(ch.PMOffset + static_cast<int16_t>(I.PMVal));
      }
    }
  }

  if (I.VibEnable != 0) {
    if (ch.VibDelayCount < I.VibDelay) {
      ch.VibDelayCount = static_cast<uint8_t>(ch.VibDelayCount + 1);
    } else {
      ch.VibOffset = static_cast<int16_t>(VibTable[ch.VibPhase] * I.VibDepth / 127);
      ch.VibPhase = static_cast<uint8_t>((ch.VibPhase + I.VibSpeed) % 64);
    }
  }

  uint16_t n;
  if (ch.NoiseOn != 0 && I.NzeFreq > 0) {
    n = static_cast<uint16_t>(I.NzeFreq - 1);
  } else {
    n = static_cast<uint16_t>(ch.Octave * 12 + ch.Semitone + ch.ArpOffset);
  }
  int s = n % 12;
  int o = n / 12;
  uint16_t pitch = static_cast<uint16_t>(kNoteTable[s] + ch.Detune + ch.VibOffset + ch.PMOffset + o * 256);
  int f = pitch % 256;
  int shift = (7 - (pitch >> 8)) & 31;
  int index = ((256 + f) * 8) >> shift;
  ch.PhaseInc = FreqTable[index];
}

std::string ReferencePlayer::DumpState() const {
  char buf[512];
  std::string out;
  std::snprintf(buf, sizeof buf,
                "ref: Playing %u Row %u OrderPos %u Frame %u FrameLimit %u CurTempo %u PatternMode %u StopAtLoop %u "
                "SamplesPerTick %u TickCountdown %u\n",
                Playing, Row, OrderPos, Frame, FrameLimit, CurTempo, PatternMode, StopAtLoop, SamplesPerTick,
                TickCountdown);
  out += buf;
  for (int c = 0; c < 8; ++c) {
    const RefChannel& ch = Channels[c];
    std::snprintf(buf, sizeof buf,
                  "  ch%d ins %u note %u/%u arp %d step %u det %d noise %u vol %04x[%u %u %u %u] sweep %04x[%u %u %u %u] "
                  "pm %d vib %d/%u lr %02x filt %u latch %04x/%04x phase %08x inc %u fs %d\n",
                  c, ch.Instrument, ch.Octave, ch.Semitone, ch.ArpOffset, ch.ArpStep, ch.Detune, ch.NoiseOn,
                  ch.VolEnvState.Value, ch.VolEnvState.Count[0], ch.VolEnvState.Count[1], ch.VolEnvState.Count[2],
                  ch.VolEnvState.Count[3], ch.SweepEnvState.Value, ch.SweepEnvState.Count[0],
                  ch.SweepEnvState.Count[1], ch.SweepEnvState.Count[2], ch.SweepEnvState.Count[3], ch.PMOffset,
                  ch.VibOffset, ch.VibPhase, ch.LRVolume, ch.Filter, ch.LatchedVol, ch.LatchedSweep, ch.Phase,
                  ch.PhaseInc, ch.FilterState);
    out += buf;
  }
  return out;
}

}  // namespace kelmar::reference
