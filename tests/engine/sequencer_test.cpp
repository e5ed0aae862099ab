#include <gtest/gtest.h>

#include <vector>

#include "engine/headless.h"
#include "engine_test_util.h"

namespace kelmar {
namespace {

using test::Fx;
using test::NewEngine;
using test::PutNote;

// Runs n sequencer ticks directly (what RenderBuffer does every SamplesPerTick frames).
void Ticks(Engine& e, int n) {
  for (int i = 0; i < n; ++i) e.Tick();
}

// Ticks until playback stops; returns the ticks run, or -1 after the limit.
int TicksUntilStopped(Engine& e, int limit = 100000) {
  for (int i = 1; i <= limit; ++i) {
    e.Tick();
    if (!e.Playing) return i;
  }
  return -1;
}

TEST(StartPlayback, SetsThePlayerAndBuildsWaveTables) {
  auto e = NewEngine();
  e->song.Instruments[200].SrcOsc1Amp = 50;
  e->Channels[3].LRVolume = 0x12;
  e->TickCountdown = 77;
  e->StartPlayback(4, 9, 0);
  EXPECT_EQ(e->Playing, 1);
  EXPECT_EQ(e->OrderPos, 4);
  EXPECT_EQ(e->Row, 9);
  EXPECT_EQ(e->PatternMode, 0);
  EXPECT_EQ(e->CurTempo, 50);
  EXPECT_EQ(e->SamplesPerTick, 882);
  EXPECT_EQ(e->FrameLimit, 5);
  EXPECT_EQ(e->Frame, 5);
  EXPECT_EQ(e->TickCountdown, 77);  // the tick clock runs on
  EXPECT_EQ(e->Channels[3].LRVolume, 255);
  EXPECT_EQ(e->WaveTables[200][64], e->WaveSample(64, 200, 0, 1, 0));
  EXPECT_EQ(e->WaveTables[7][0], 128);
  const PlayPosition p = e->Position();
  EXPECT_EQ(p.Playing, 1);
  EXPECT_EQ(p.Row, 9);
  EXPECT_EQ(p.OrderPos, 4);
  e->StartPlayback(0, 200, 7);  // a row beyond the pattern starts at its top
  EXPECT_EQ(e->Row, 0);
  EXPECT_EQ(e->Position().PatternMode, 7);
}

TEST(StartPlayback, TempoZeroPlaysAtTheDefaultAndSpeedZeroGives256TicksPerRow) {
  auto e = NewEngine();
  e->song.Tempo = 0;
  e->song.Speed = 0;
  e->StartPlayback(0, 0, 0);
  EXPECT_EQ(e->CurTempo, 50);
  EXPECT_EQ(e->SamplesPerTick, 882);
  EXPECT_EQ(e->FrameLimit, 255);
  e->Tick();
  EXPECT_EQ(e->Row, 1);
  Ticks(*e, 255);
  EXPECT_EQ(e->Row, 1);
  e->Tick();
  EXPECT_EQ(e->Row, 2);
  e->song.Tempo = 100;
  e->StartPlayback(0, 0, 0);
  EXPECT_EQ(e->SamplesPerTick, 441);
}

TEST(StartPlayback, FirstRowAtTheNextTickAndRowsOf5292Frames) {
  auto e = NewEngine();
  e->StartPlayback(0, 0, 0);
  RenderFramesHeadless(*e, 1);
  EXPECT_EQ(e->Row, 1);
  RenderFramesHeadless(*e, 5291);
  EXPECT_EQ(e->Row, 1);
  RenderFramesHeadless(*e, 1);
  EXPECT_EQ(e->Row, 2);
  EXPECT_EQ(e->Position().Row, 2);
}

TEST(StopPlayback, SilencesEveryVoiceAndKeepsThePosition) {
  auto e = NewEngine();
  e->song.Instruments[1] = test::Tone();
  e->song.Instruments[1].SweepEnv.Len1 = 5;
  for (int t = 0; t < 8; ++t) PutNote(e->song, 0, t, 0, 50, Fx(kEffectInstrument, kEffectDetune), 1, 0x80);
  e->StartPlayback(0, 0, 1);
  e->StopAtLoop = 1;
  e->Tick();
  EXPECT_EQ(e->Channels[2].Detune, -128);
  EXPECT_EQ(e->Channels[2].SweepEnvState.Count1, 4);
  Ticks(*e, 7);
  e->Channels[2].LRVolume = 3;
  e->StopPlayback();
  EXPECT_EQ(e->Playing, 0);
  EXPECT_EQ(e->StopAtLoop, 0);
  EXPECT_EQ(e->PatternMode, 0);
  EXPECT_EQ(e->Row, 2);
  for (const Channel& ch : e->Channels) {
    EXPECT_EQ(ch.Detune, 0);
    EXPECT_EQ(ch.VolEnvState.Value | ch.SweepEnvState.Value, 0);
    EXPECT_EQ(ch.VolEnvState.Count1 | ch.SweepEnvState.Count1, 0);
    EXPECT_EQ(ch.LRVolume, 255);
  }
  EXPECT_EQ(e->Position().Playing, 0);
  auto out = RenderFramesHeadless(*e, 2000);
  for (int16_t s : out) ASSERT_EQ(s, 0);
}

TEST(OrderList, PlayStopJumpAndCommandThree) {
  auto e = NewEngine();
  e->song.Speed = 1;
  e->song.Order[0] = MakeOrderEntry(kOrderPlay, 0);
  e->song.Order[1] = MakeOrderEntry(kOrderOther, 1);  // "x" plays like P
  e->song.Order[2] = MakeOrderEntry(kOrderStop, 0);
  e->StartPlayback(0, 0, 0);
  EXPECT_EQ(TicksUntilStopped(*e), 64);
  EXPECT_EQ(e->OrderPos, 2);
  EXPECT_EQ(e->Row, 0);

  // A "J" entry whose target is its own position plays the pattern of its low byte once.
  ResetSong(e->song);
  e->song.Speed = 1;
  e->song.Order[1] = MakeOrderEntry(kOrderJump, 1);
  PutNote(e->song, 1, 0, 0, 127, Fx(kEffectVolume), 0x42);
  e->StartPlayback(0, 0, 0);
  Ticks(*e, 32);
  EXPECT_EQ(e->OrderPos, 1);
  e->Tick();
  EXPECT_EQ(e->Channels[0].LRVolume, 0x42);
  Ticks(*e, 31);
  EXPECT_EQ(e->OrderPos, 2);

  // An "S" or "J" entry at the start position is played as a pattern; 255 is followed by 0.
  ResetSong(e->song);
  e->song.Speed = 1;
  e->song.Order[255] = MakeOrderEntry(kOrderStop, 9);
  PutNote(e->song, 9, 3, 0, 127, Fx(kEffectVolume), 0x99);
  e->StartPlayback(255, 0, 0);
  e->Tick();
  EXPECT_EQ(e->Channels[3].LRVolume, 0x99);
  Ticks(*e, 31);
  EXPECT_EQ(e->OrderPos, 0);
  EXPECT_EQ(e->Playing, 1);

  // A backward order jump loops, or stops under StopAtLoop.
  ResetSong(e->song);
  e->song.Speed = 1;
  e->song.Order[3] = MakeOrderEntry(kOrderJump, 1);
  e->StartPlayback(0, 0, 0);
  Ticks(*e, 96);
  EXPECT_EQ(e->OrderPos, 1);
  EXPECT_EQ(e->Playing, 1);
  e->StopAtLoop = 1;
  Ticks(*e, 64);
  EXPECT_EQ(e->Playing, 0);
  EXPECT_EQ(e->OrderPos, 1);  // the jump is still taken after the stop
}

TEST(OrderList, ForwardOrderJumpUnderStopAtLoopGoesOn) {
  auto e = NewEngine();
  e->song.Speed = 1;
  e->song.Order[1] = MakeOrderEntry(kOrderJump, 7);
  e->StartPlayback(0, 0, 0);
  e->StopAtLoop = 1;
  Ticks(*e, 32);
  EXPECT_EQ(e->OrderPos, 7);
  EXPECT_EQ(e->Playing, 1);
}

TEST(PatternMode, PlaysOnePatternOnceBreakStopsJumpRestarts) {
  auto e = NewEngine();
  e->song.Speed = 1;
  e->StartPlayback(0, 0, 5);  // pattern 4
  PutNote(e->song, 4, 1, 3, 127, Fx(kEffectVolume), 0x31);
  EXPECT_EQ(TicksUntilStopped(*e), 32);
  EXPECT_EQ(e->Channels[1].LRVolume, 255);  // reset by the stop
  EXPECT_EQ(e->OrderPos, 1);

  PutNote(e->song, 4, 0, 2, 127, Fx(kEffectBreak));
  e->StartPlayback(0, 0, 5);
  EXPECT_EQ(TicksUntilStopped(*e), 3);

  PutNote(e->song, 4, 0, 2, 127, Fx(kEffectJump), 0x10);
  e->StartPlayback(0, 0, 5);
  Ticks(*e, 3);
  EXPECT_EQ(e->Row, 0);
  EXPECT_EQ(e->OrderPos, 0x10);
  EXPECT_EQ(e->PatternMode, 5);
  EXPECT_EQ(e->Playing, 1);
}

TEST(PatternMode, LoopsItsRowsAtOnceAndTakesAPreviewedNoteWithoutARestart) {
  auto e = NewEngine();
  e->song.Speed = 1;
  e->LoopFirst = 4;
  e->LoopLast = 6;
  e->StartPlayback(0, 5, 3);  // pattern 2
  e->LoopPattern = 1;
  PutNote(e->song, 2, 0, 5, 40);
  e->Channels[0].PMOffset = 77;  // untouched by a note that is not started again
  e->PreviewedRows[0] = 1 + 2 * kRowCount + 5;
  std::vector<int> rows;
  for (int i = 0; i < 5; ++i) {
    e->Tick();
    rows.push_back(e->Row);
  }
  EXPECT_EQ(rows, (std::vector<int>{6, 4, 5, 6, 4}));
  EXPECT_EQ(e->Channels[0].PMOffset, 0) << "the second pass starts the note";
  EXPECT_EQ(e->RowMarksWritten, 5u);
  EXPECT_EQ(e->RowMarks()[0].Row, 5);
  EXPECT_EQ(e->RowMarks()[0].Length, e->SamplesPerTick);

  e->Channels[0].PMOffset = 77;
  e->PreviewedRows[0] = 1 + 2 * kRowCount + 5;
  e->Tick();  // row 4: the mark is for another row, and goes
  EXPECT_EQ(e->PreviewedRows[0], 0);
  e->Tick();
  EXPECT_EQ(e->Channels[0].PMOffset, 0);

  PutNote(e->song, 2, 3, 4, 127, Fx(kEffectBreak));
  Ticks(*e, 2);
  EXPECT_EQ(e->Row, 4) << "a break ends the pass early";
  e->LoopPattern = 0;  // switched off while it plays: the break ends the pattern, as without a loop
  EXPECT_EQ(TicksUntilStopped(*e), 1);
}

TEST(Effects, JumpTargetsBreakAndStopAtLoop) {
  auto e = NewEngine();
  e->song.Speed = 1;
  PutNote(e->song, 0, 7, 0, 127, Fx(kEffectJump), 0xFF);  // J FF jumps to position 255
  e->StartPlayback(0, 0, 0);
  e->Tick();
  EXPECT_EQ(e->OrderPos, 255);
  EXPECT_EQ(e->Row, 0);

  // J with B lands one position after the jump target.
  PutNote(e->song, 0, 7, 0, 127, Fx(kEffectJump, kEffectBreak), 0x05);
  e->StartPlayback(0, 0, 0);
  e->Tick();
  EXPECT_EQ(e->OrderPos, 6);

  // Under StopAtLoop: J 05 at position 5 or later stops, below 5 jumps forward.
  PutNote(e->song, 0, 7, 0, 127, Fx(kEffectJump), 0x05);
  PutNote(e->song, 5, 0, 0, 127, Fx(kEffectJump), 0x05);
  PutNote(e->song, 6, 0, 0, 127, Fx(kEffectJump), 0x05);
  for (int start : {0, 5, 6}) {
    e->StartPlayback(static_cast<uint8_t>(start), 0, 0);
    e->StopAtLoop = 1;
    e->Tick();
    EXPECT_EQ(e->OrderPos, 5) << start;
    EXPECT_EQ(e->Playing, start == 0 ? 1 : 0) << start;
  }
  // The break alone: next position after this row.
  PutNote(e->song, 0, 7, 0, 127, Fx(kEffectBreak));
  e->StartPlayback(0, 0, 0);
  e->Tick();
  EXPECT_EQ(e->OrderPos, 1);
  EXPECT_EQ(e->Row, 0);
}

TEST(Effects, SpeedTempoAndTheirStops) {
  auto e = NewEngine();
  PutNote(e->song, 0, 2, 0, 127, Fx(kEffectSpeed, kEffectTempo), 3, 100);
  e->StartPlayback(0, 0, 0);
  e->TickCountdown = 0;
  RenderFramesHeadless(*e, 1);  // row 0: S 03 and T 100
  EXPECT_EQ(e->FrameLimit, 2);
  EXPECT_EQ(e->CurTempo, 100);
  EXPECT_EQ(e->SamplesPerTick, 441);
  EXPECT_EQ(e->TickCountdown, 881);  // the tick in which T ran keeps its old length
  EXPECT_EQ(e->song.Tempo, 50);      // the song itself is unchanged
  EXPECT_EQ(e->song.Speed, 6);
  RenderFramesHeadless(*e, 881 + 441 * 2);
  EXPECT_EQ(e->Row, 1);
  RenderFramesHeadless(*e, 1);
  EXPECT_EQ(e->Row, 2);  // rows of 3 ticks at 441 frames

  // S00 stops, but the rest of the row is still read: later tracks trigger and, with
  // pattern mode ended, read their cell from the order list's pattern.
  ResetSong(e->song);
  e->song.Instruments[1] = test::Tone();
  PutNote(e->song, 3, 0, 0, 127, Fx(kEffectSpeed), 0);
  PutNote(e->song, 3, 1, 0, 40, Fx(kEffectInstrument), 1);
  PutNote(e->song, 0, 2, 0, 41, Fx(kEffectInstrument), 1);  // pattern 0 = order 0 after the stop
  PutNote(e->song, 3, 2, 0, 42, Fx(kEffectInstrument), 1);
  e->StartPlayback(0, 0, 4);
  e->Tick();
  EXPECT_EQ(e->Playing, 0);
  EXPECT_EQ(e->Channels[1].VolEnvState.Value, 0);  // its cell in pattern 0 is empty
  EXPECT_EQ(e->Channels[2].Semitone, 5);
  EXPECT_EQ(e->Channels[2].VolEnvState.Value, 255 * 256);
  EXPECT_EQ(e->Row, 1);  // the row still counts; pattern mode had ended, so no stop at its end
  EXPECT_EQ(e->OrderPos, 0);
  const uint8_t rowAfter = e->Row;
  Ticks(*e, 20);
  EXPECT_EQ(e->Row, rowAfter);

  ResetSong(e->song);
  PutNote(e->song, 0, 6, 0, 127, Fx(kEffectTempo), 0);
  e->StartPlayback(0, 0, 0);
  e->Tick();
  EXPECT_EQ(e->Playing, 0);
  EXPECT_EQ(e->Row, 1);
  EXPECT_EQ(e->SamplesPerTick, 882);
}

TEST(Effects, VolumeInstrumentDetuneNoTriggerAndInertCodes) {
  auto e = NewEngine();
  Instrument& a = e->song.Instruments[1];
  a = test::Tone();
  test::SetEnvelope(a.VolEnv, 0, {{10, 200}});
  e->song.Instruments[2] = test::Tone(0x12, 30, 99);
  PutNote(e->song, 0, 0, 0, 48, Fx(kEffectInstrument, kEffectVolume), 1, 0xF0);
  PutNote(e->song, 0, 1, 0, 48, Fx(kEffectInstrument, kEffectInstrument), 1, 2);  // the second wins
  PutNote(e->song, 0, 2, 0, 48, Fx(kEffectDetune, kEffectInstrument), 0xFA, 1);
  PutNote(e->song, 0, 3, 0, 48, Fx(kEffectMark, 0xF), 0x11, 0x22);
  PutNote(e->song, 0, 4, 0, 127, Fx(0xA, 0xB), 1, 2);
  e->song.Speed = 1;
  e->StartPlayback(0, 0, 0);
  e->Tick();
  EXPECT_EQ(e->Channels[0].LRVolume, 0xF0);
  EXPECT_EQ(e->Channels[1].Instrument, 2);
  EXPECT_EQ(e->Channels[1].VolEnvState.Value, 99 * 256);
  EXPECT_EQ(e->Channels[2].Detune, -6);
  EXPECT_EQ(e->Channels[2].PhaseInc, e->FreqTable[256]);  // C-4 at 262, detuned by -6
  EXPECT_EQ(e->Channels[3].Instrument, 0);
  EXPECT_EQ(e->Channels[3].LRVolume, 255);
  EXPECT_EQ(e->Channels[4].Instrument, 0);
  EXPECT_EQ(e->Channels[0].VolEnvState.Value, 20 * 256);
  Ticks(*e, 4);
  // N with a note: the pitch changes, envelope and modulators run on.
  PutNote(e->song, 0, 0, 5, 60, Fx(kEffectNoTrigger));
  // N without a note does nothing.
  PutNote(e->song, 0, 1, 5, 127, Fx(kEffectNoTrigger));
  e->Tick();
  EXPECT_EQ(e->Channels[0].Octave, 5);
  EXPECT_EQ(e->Channels[0].Semitone, 0);
  EXPECT_EQ(e->Channels[0].VolEnvState.Value, 120 * 256);
  EXPECT_EQ(e->Channels[0].PhaseInc, e->FreqTable[(256 + 6) * 8 >> 2]);
  EXPECT_EQ(e->Channels[1].Octave, 4);
  // I without a note: the running voice takes the new instrument at once, envelope running on.
  PutNote(e->song, 0, 0, 6, 127, Fx(kEffectInstrument), 2);
  e->Tick();
  EXPECT_EQ(e->Channels[0].Instrument, 2);
  EXPECT_EQ(e->Channels[0].VolEnvState.Value, 140 * 256);
}

TEST(Effects, DetuneFromPreviewSurvivesAStartFromStopped) {
  auto e = NewEngine();
  e->song.Instruments[1] = test::Tone();
  e->TriggerNote(2, 1, 0, 4, 9, true, true);
  e->StartPlayback(0, 0, 0);
  EXPECT_EQ(e->Channels[2].Detune, 9);
  e->StartPlayback(0, 0, 0);  // restarting while playing stops first
  EXPECT_EQ(e->Channels[2].Detune, 0);
}

TEST(Modulators, ArpeggioCyclesAndRepeats) {
  auto e = NewEngine();
  Instrument& ins = e->song.Instruments[1];
  ins = test::Tone();
  ins.Arp1 = 12;
  ins.Arp2 = 0;
  ins.Arp3 = 7;
  ins.ArpRepeat = 1;
  auto offsets = [&](int ticks) {
    std::vector<int> v;
    for (int i = 0; i < ticks; ++i) {
      e->Tick();
      v.push_back(e->Channels[0].ArpOffset);
    }
    return v;
  };
  e->TriggerNote(0, 1, 0, 4, 0, false, false);
  EXPECT_EQ(offsets(7), (std::vector<int>{12, 0, 7, 12, 0, 7, 12}));
  e->Tick();  // note+0: C-4
  EXPECT_EQ(e->Channels[0].PhaseInc, e->FreqTable[262]);
  ins.ArpRepeat = 0;  // hold step 3
  e->TriggerNote(0, 1, 0, 4, 0, false, false);
  EXPECT_EQ(offsets(6), (std::vector<int>{12, 0, 7, 7, 7, 7}));
  EXPECT_EQ(e->Channels[0].ArpStep, 4);
  ins.ArpRepeat = 255;  // from a file: the 8-bit step wraps to 0 and counts up again
  ins.ArpDelay = 2;
  ins.ArpSpeed = 1;
  ins.Arp2 = -13;
  e->TriggerNote(0, 1, 0, 4, 0, false, false);
  EXPECT_EQ(offsets(16), (std::vector<int>{0, 0, 0, 12, 12, -13, -13, 7, 7, 7, 7, 7, 7, 12, 12, -13}));
  // Octave 4, semitone 0, -13: B of octave 2.
  EXPECT_EQ(e->Channels[0].PhaseInc, e->FreqTable[((256 + 238) * 8) >> 5]);
  ins.ArpRepeat = 200;
  ins.ArpDelay = ins.ArpSpeed = 0;
  e->TriggerNote(0, 1, 0, 4, 0, false, false);
  EXPECT_EQ(offsets(6), (std::vector<int>{12, -13, 7, 7, 7, 7}));
  EXPECT_EQ(e->Channels[0].ArpStep, 200);
}

TEST(Modulators, NoiseProgramAndFrequencyOverride) {
  auto e = NewEngine();
  Instrument& ins = e->song.Instruments[1];
  ins = test::Tone();
  ins.NzeEnable = 1;
  ins.NzeDelay = 1;
  ins.NzeLen1 = 2;
  ins.NzePause = 1;
  ins.NzeLen2 = 1;
  ins.NzeFreq = 49;
  e->TriggerNote(0, 1, 5, 2, 0, false, false);
  std::vector<int> on;
  for (int i = 0; i < 7; ++i) {
    e->Tick();
    on.push_back(e->Channels[0].NoiseOn);
    const uint32_t expected = on.back() ? e->FreqTable[262] : e->FreqTable[((256 + 93) * 8) >> 5];
    EXPECT_EQ(e->Channels[0].PhaseInc, expected) << i;
  }
  EXPECT_EQ(on, (std::vector<int>{0, 1, 1, 0, 1, 0, 0}));
  // Disabled: NoiseOn stays as it was.
  e->TriggerNote(0, 1, 5, 2, 0, false, false);
  Ticks(*e, 2);
  ins.NzeEnable = 0;
  Ticks(*e, 5);
  EXPECT_EQ(e->Channels[0].NoiseOn, 1);
}

TEST(Modulators, PortamentoAndVibrato) {
  auto e = NewEngine();
  Instrument& ins = e->song.Instruments[1];
  ins = test::Tone();
  ins.PMEnable = 1;
  ins.PMDelay = 1;
  ins.PMSpeed = 1;
  ins.PMLen = 2;
  ins.PMVal = -3;
  e->TriggerNote(0, 1, 0, 4, 0, false, false);
  std::vector<int> pm;
  for (int i = 0; i < 8; ++i) {
    e->Tick();
    pm.push_back(e->Channels[0].PMOffset);
  }
  EXPECT_EQ(pm, (std::vector<int>{0, 0, -3, -3, -6, -6, -6, -6}));
  EXPECT_EQ(e->Channels[0].PhaseInc, e->FreqTable[256]);
  ins.PMEnable = 0;  // disabled modulators keep their offsets
  ins.VibEnable = 1;
  ins.VibDelay = 1;
  ins.VibSpeed = 37;
  ins.VibDepth = 15;
  e->Tick();
  EXPECT_EQ(e->Channels[0].VibOffset, 0);
  std::vector<int> vib;
  for (int i = 0; i < 4; ++i) {
    e->Tick();
    vib.push_back(e->Channels[0].VibOffset);
  }
  // Phases 0, 37, 10, 47: 0, -120 * 15 / 127, 212 * 15 / 127, -253 * 15 / 127 (toward zero).
  EXPECT_EQ(vib, (std::vector<int>{0, -14, 25, -29}));
  EXPECT_EQ(e->Channels[0].PMOffset, -6);
  EXPECT_EQ(e->Channels[0].VibPhase, (47 + 37) % 64);
  // 1024 + 6 - 6 - 29 falls into band 3 at position 227.
  EXPECT_EQ(e->Channels[0].PhaseInc, e->FreqTable[((256 + 227) * 8) >> 4]);
}

TEST(Frequency, PitchBandsAndWrapAround) {
  auto e = NewEngine();
  e->song.Instruments[1] = test::Tone();
  auto incFor = [&](uint8_t semitone, uint8_t octave, int8_t detune) {
    e->TriggerNote(0, 1, semitone, octave, detune, false, true);
    e->Tick();
    return e->Channels[0].PhaseInc;
  };
  EXPECT_EQ(incFor(0, 4, -6), e->FreqTable[256]);
  EXPECT_EQ(incFor(0, 4, 0), e->FreqTable[262]);
  EXPECT_EQ(incFor(0, 0, -6), e->FreqTable[16]);
  EXPECT_EQ(incFor(11, 7, 17), e->FreqTable[4088]);  // 238 + 17 = 255
  EXPECT_EQ(incFor(11, 7, 18), 0u);                  // band 8: shift 31
  EXPECT_EQ(incFor(0, 9, 0), 0u);
  EXPECT_EQ(incFor(11, 10, 0), 0u);
  // Below band 0 the 16-bit pitch wraps to band 255: shift (7 - 255) mod 32 = 8.
  EXPECT_EQ(incFor(0, 0, -100), e->FreqTable[((256 + 162) * 8) >> 8]);
  // The note number is a 16-bit unsigned quantity: octave 0, C, arpeggio -1 is 65535.
  Instrument& ins = e->song.Instruments[1];
  ins.Arp1 = -1;
  const uint16_t n = 65535;
  const uint16_t pitch = static_cast<uint16_t>(NoteTable[n % 12] + (n / 12) * 256);
  EXPECT_EQ(incFor(0, 0, 0), e->FreqTable[((256 + (pitch & 255)) * 8) >> ((7 - (pitch >> 8)) & 31)]);
}

TEST(Position, PublishedAtEveryTick) {
  auto e = NewEngine();
  e->song.Speed = 1;
  e->StartPlayback(3, 0, 0);
  RenderFramesHeadless(*e, 882 * 40 + 1);
  const PlayPosition p = e->Position();
  EXPECT_EQ(p.Playing, 1);
  EXPECT_EQ(p.Row, e->Row);
  EXPECT_EQ(p.Row, 41 - 32);
  EXPECT_EQ(p.OrderPos, 4);
  EXPECT_EQ(p.PatternMode, 0);
  e->StartPlayback(0, 0, 0xFFFF);
  EXPECT_EQ(e->Position().PatternMode, 0xFFFF);
  e->Tick();  // pattern (0xFFFF - 1) mod 256 = 254
  EXPECT_EQ(e->Position().Row, 1);
}

}  // namespace
}  // namespace kelmar
