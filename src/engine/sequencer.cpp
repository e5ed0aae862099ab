// The player: row stepping through the order list, pattern effects, and the per-tick
// modulators (envelopes, arpeggio, noise, portamento, vibrato) with the frequency update.
#include "engine/engine.h"

namespace kelmar {
namespace {

void StepEnvelope(EnvelopeState& state, const Envelope& env, bool restartWhenDone) {
  for (int n = 0; n < 4; ++n) {
    if (state.Count(n) == 0) continue;
    state.Value = static_cast<uint16_t>(state.Value + static_cast<uint16_t>(state.Delta(n)));
    if (--state.Count(n) == 0) state.Value = static_cast<uint16_t>(env.Val(n) * 256);
    return;
  }
  if (!restartWhenDone) return;  // the volume envelope holds its last value
  // The sweep envelope starts over; its slopes stay those computed at the trigger.
  state.Value = static_cast<uint16_t>(env.Start * 256);
  for (int n = 0; n < 4; ++n) state.Count(n) = env.Len(n);
}

}  // namespace

void Engine::StartPlayback(uint8_t orderPos, uint8_t row, uint16_t patternMode) {
  // A running tick is never in progress here: the caller holds EngineLock (see engine.h).
  if (Playing) StopPlayback();
  BuildAllWaveTables();
  // A song tempo of 0 (possible from a file) plays at the default tempo.
  CurTempo = song.Tempo == 0 ? kDefaultTempo : song.Tempo;
  SamplesPerTick = SamplesPerTickFor(CurTempo);
  // Rows run 0..31; a start row beyond them starts the pattern from its top.
  Row = row < kRowCount ? row : 0;
  OrderPos = orderPos;
  PatternMode = patternMode;
  FrameLimit = static_cast<uint8_t>(song.Speed - 1);
  Frame = FrameLimit;
  Playing = 1;
  EndedAtJump = 0;
  RowMarksWritten = 0;  // the marks tell of this playback only
  PreviewedRows.fill(0);
  for (Channel& ch : Channels) ch.LRVolume = 255;
  PublishPosition();
}

void Engine::StopPlayback() {
  Playing = 0;
  StopAtLoop = 0;
  LoopPasses = 0;
  PatternMode = 0;
  for (Channel& ch : Channels) {
    ch.Detune = 0;
    for (EnvelopeState* state : {&ch.VolEnvState, &ch.SweepEnvState}) {
      state->Value = 0;
      for (int n = 0; n < 4; ++n) state->Count(n) = 0;
    }
    ch.LRVolume = 255;
  }
  PublishPosition();
}

void Engine::Tick() {
  // Part A: row stepping.
  if (Playing == 1) {
    if (Frame < FrameLimit) {
      ++Frame;
    } else {
      Frame = 0;
      bool breakRow = false;
      int jumpTarget = 0;  // 0 = none, else order position + 1 (up to 256)
      const uint16_t firstTickFrames = SamplesPerTick;  // this tick was counted before the row's T effect
      const uint8_t row = Row & (kRowCount - 1);
      const uint8_t rowPattern = PatternMode > 0 ? static_cast<uint8_t>(PatternMode - 1)
                                                 : OrderParamOf(song.Order[OrderPos]);
      for (int t = 0; t < kTrackCount; ++t) {
        Channel& ch = Channels[t];
        // Picked per track: an S00 or T00 on an earlier track ends pattern mode.
        const uint8_t pattern = PatternMode > 0 ? static_cast<uint8_t>(PatternMode - 1)
                                                : OrderParamOf(song.Order[OrderPos]);
        const PatternCell& cell = song.Patterns[pattern][t][row];
        // A recorded note that already sounds as its preview is not started again.
        bool noTrigger = PreviewedRows[t] == PreviewedRow(pattern, row);
        PreviewedRows[t] = 0;
        for (int e = 0; e < 2; ++e) {
          const uint8_t code = e == 0 ? cell.Effect1() : cell.Effect2();
          const uint8_t param = e == 0 ? cell.Param1 : cell.Param2;
          switch (code) {
            case kEffectVolume: ch.LRVolume = param; break;
            case kEffectInstrument: ch.Instrument = param; break;
            case kEffectNoTrigger: noTrigger = true; break;
            case kEffectBreak: breakRow = true; break;
            case kEffectSpeed:
              if (param == 0)
                StopPlayback();
              else
                FrameLimit = static_cast<uint8_t>(param - 1);
              break;
            case kEffectTempo:
              if (param == 0) {
                StopPlayback();
              } else {
                CurTempo = param;
                SamplesPerTick = SamplesPerTickFor(param);  // in force from the next tick
              }
              break;
            case kEffectJump: jumpTarget = param + 1; break;
            case kEffectDetune: ch.Detune = static_cast<int8_t>(param); break;
            default: break;  // none, M and the unassigned codes do nothing
          }
        }
        if (cell.Note < kEmptyNote) {
          const uint8_t semitone = cell.Note % 12;
          const uint8_t octave = cell.Note / 12;
          if (noTrigger) {
            ch.Semitone = semitone;
            ch.Octave = octave;
          } else {
            TriggerNote(static_cast<uint8_t>(t), ch.Instrument, semitone, octave, 0, false, false);
          }
        }
      }
      MarkRow(rowPattern, row, firstTickFrames);
      ++Row;
      if (PatternMode > 0 && LoopPattern != 0)
        LoopRow(breakRow || jumpTarget != 0);
      else
        NextRow(breakRow, jumpTarget);
    }
  }

  // Part B: every voice, playing or not.
  const FixedTables& tables = Tables();
  for (Channel& ch : Channels) {
    const Instrument& ins = song.Instruments[ch.Instrument];
    StepEnvelope(ch.VolEnvState, ins.VolEnv, false);
    StepEnvelope(ch.SweepEnvState, ins.SweepEnv, true);

    // Arpeggio: always on. ArpStep is a plain 8-bit counter.
    if (ch.ArpDelayCount < ins.ArpDelay) {
      ++ch.ArpDelayCount;
    } else if (ch.ArpSpeedCount < ins.ArpSpeed) {
      ++ch.ArpSpeedCount;
    } else {
      ch.ArpSpeedCount = 0;
      ++ch.ArpStep;
      if (ch.ArpStep >= 4) ch.ArpStep = ins.ArpRepeat != 0 ? ins.ArpRepeat : 4;
      if (ch.ArpStep == 1) ch.ArpOffset = ins.Arp1;
      else if (ch.ArpStep == 2) ch.ArpOffset = ins.Arp2;
      else if (ch.ArpStep == 3) ch.ArpOffset = ins.Arp3;
    }

    if (ins.NzeEnable != 0) {
      if (ch.NzeDelayCount < ins.NzeDelay) {
        ++ch.NzeDelayCount;
      } else if (ch.NzeLen1Count < ins.NzeLen1) {
        ch.NoiseOn = 1;
        ++ch.NzeLen1Count;
      } else if (ch.NzePauseCount < ins.NzePause) {
        ch.NoiseOn = 0;
        ++ch.NzePauseCount;
      } else if (ch.NzeLen2Count < ins.NzeLen2) {
        ch.NoiseOn = 1;
        ++ch.NzeLen2Count;
      } else {
        ch.NoiseOn = 0;
      }
    }

    if (ins.PMEnable != 0) {
      if (ch.PMDelayCount < ins.PMDelay) {
        ++ch.PMDelayCount;
      } else if (ch.PMSpeedCount < ins.PMSpeed) {
        ++ch.PMSpeedCount;
      } else {
        ch.PMSpeedCount = 0;
        if (ch.PMLenCount < ins.PMLen) {
          ++ch.PMLenCount;
          ch.PMOffset = static_cast<int16_t>(static_cast<uint16_t>(ch.PMOffset) + static_cast<uint16_t>(ins.PMVal));
        }
      }
    }

    if (ins.VibEnable != 0) {
      if (ch.VibDelayCount < ins.VibDelay) {
        ++ch.VibDelayCount;
      } else {
        ch.VibOffset = static_cast<int16_t>(tables.VibTable[ch.VibPhase & 63] * ins.VibDepth / 127);
        ch.VibPhase = static_cast<uint8_t>((ch.VibPhase + ins.VibSpeed) % 64);
      }
    }

    // Frequency. Note number, pitch and shift are 16-bit and 5-bit quantities with wrap-around.
    uint16_t n;
    if (ch.NoiseOn != 0 && ins.NzeFreq > 0)
      n = static_cast<uint16_t>(ins.NzeFreq - 1);
    else
      n = static_cast<uint16_t>(ch.Octave * 12 + ch.Semitone + ch.ArpOffset);
    const uint16_t s = n % 12;
    const uint16_t o = n / 12;
    const uint16_t pitch = static_cast<uint16_t>(NoteTable[s] + ch.Detune + ch.VibOffset + ch.PMOffset + o * 256);
    const uint32_t shift = static_cast<uint32_t>(7 - (pitch >> 8)) & 31u;
    const uint32_t index = ((256u + (pitch & 0xFFu)) * 8u) >> shift;
    ch.PhaseInc = FreqTable[index];
  }
  PublishPosition();
}

void Engine::NextRow(bool breakRow, int jumpTarget) {
  if (jumpTarget != 0) {
    Row = 0;
    if (jumpTarget - 1 <= OrderPos && EndsAtJump()) StopPlayback();
    OrderPos = static_cast<uint8_t>(jumpTarget - 1);
  }
  if (Row > kRowCount - 1 || breakRow) {
    Row = 0;
    ++OrderPos;
    const OrderEntry entry = song.Order[OrderPos];
    if (OrderCommandOf(entry) == kOrderStop || PatternMode > 0) StopPlayback();
    if (OrderCommandOf(entry) == kOrderJump) {
      if (OrderParamOf(entry) < OrderPos && EndsAtJump()) StopPlayback();
      OrderPos = OrderParamOf(entry);
    }
  }
}

bool Engine::EndsAtJump() {
  if (StopAtLoop != 1) return false;
  if (LoopPasses == 0) {
    EndedAtJump = 1;
    return true;
  }
  --LoopPasses;  // one more pass of the loop
  return false;
}

void Engine::LoopRow(bool leaveRow) {
  // Neither the order list nor its stops: a break or a jump ends the pass early.
  if (leaveRow || Row > LoopLast || Row > kRowCount - 1) Row = LoopFirst & (kRowCount - 1);
}

void Engine::MarkRow(uint8_t pattern, uint8_t row, uint16_t firstTickFrames) {
  RowMark& mark = rowMarks_[RowMarksWritten % kRowMarkCount];
  mark.Frame = RenderedFrames;
  mark.Length = firstTickFrames + static_cast<uint32_t>(FrameLimit) * SamplesPerTick;
  mark.Pattern = pattern;
  mark.Row = row;
  ++RowMarksWritten;
}

void Engine::PublishPosition() {
  const uint64_t packed = static_cast<uint64_t>(Playing) | (static_cast<uint64_t>(Row) << 8) |
                          (static_cast<uint64_t>(OrderPos) << 16) | (static_cast<uint64_t>(PatternMode) << 24);
  position_.store(packed, std::memory_order_release);
}

PlayPosition Engine::Position() const {
  const uint64_t packed = position_.load(std::memory_order_acquire);
  return PlayPosition{static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8), static_cast<uint8_t>(packed >> 16),
                      static_cast<uint16_t>(packed >> 24)};
}

}  // namespace kelmar
