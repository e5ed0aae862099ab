// The SDL stream: what the real callback writes, the reopen of the option items,
// the lock that keeps the callback out, and life without a device.
#include "audio/audio_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "audio_test_util.h"

namespace kelmar {
namespace {

using test::MakeSoundingSong;
using test::ReadFile;
using test::RenderBuffers;
using test::UseDriver;
using test::WaitForCallbacks;

std::string TempPath(const char* name) {
  // The process id keeps parallel runs (other build folders, ctest -j) apart.
  return (std::filesystem::path(::testing::TempDir()) / ("kelmar_" + std::to_string(getpid()) + "_" + name)).string();
}

// The disk driver writes silence while the stream is paused or not yet started; the
// callback's bytes follow as one run. Expects the next such run from byte `from` on to be
// exactly `expected`, and returns where it ends.
size_t ExpectStreamHolds(const std::vector<uint8_t>& file, const std::vector<uint8_t>& expected, size_t from = 0) {
  auto firstSound = [](auto begin, auto end) {
    return static_cast<size_t>(std::find_if(begin, end, [](uint8_t b) { return b != 0; }) - begin);
  };
  const size_t inFile = from + firstSound(file.begin() + static_cast<long>(from), file.end());
  const size_t inExpected = firstSound(expected.begin(), expected.end());
  EXPECT_LT(inExpected, expected.size()) << "the reference is silent";
  if (inFile < from + inExpected || inFile == file.size()) {
    ADD_FAILURE() << "the stream is silent or starts early";
    return file.size();
  }
  const size_t start = inFile - inExpected;
  if (file.size() < start + expected.size()) {
    ADD_FAILURE() << "the stream is shorter than the callbacks";
    return file.size();
  }
  const auto mismatch = std::mismatch(expected.begin(), expected.end(), file.begin() + static_cast<long>(start));
  EXPECT_EQ(mismatch.first, expected.end()) << "first difference at byte " << (mismatch.first - expected.begin());
  return start + expected.size();
}

class AudioOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine = std::make_unique<Engine>();
    reference = std::make_unique<Engine>();
    MakeSoundingSong(engine->song);
    MakeSoundingSong(reference->song);
  }
  std::unique_ptr<Engine> engine;
  std::unique_ptr<Engine> reference;
};

TEST_F(AudioOutputTest, TheCallbackWritesWhatRenderBufferRenders) {
  const std::string path = TempPath("stream.raw");
  UseDriver("disk", path);
  engine->StartPlayback(0, 0, 0);
  reference->StartPlayback(0, 0, 0);
  AudioOutput audio(*engine);
  ASSERT_TRUE(audio.OpenAudio());
  WaitForCallbacks(audio, 12);
  audio.CloseAudio();
  const uint64_t buffers = audio.CallbackCount();

  ExpectStreamHolds(ReadFile(path), RenderBuffers(*reference, buffers));
  std::filesystem::remove(path);
}

TEST_F(AudioOutputTest, ReopenAt22050DuringPlaybackKeepsPitchAndTickLength) {
  const std::string path = TempPath("reopen.raw");
  UseDriver("disk", path);
  engine->StartPlayback(0, 0, 0);
  reference->StartPlayback(0, 0, 0);
  AudioOutput audio(*engine);
  ASSERT_TRUE(audio.OpenAudio());
  WaitForCallbacks(audio, 5);
  audio.PauseAudio(true);  // so that the test knows exactly how much was rendered at 44100 Hz
  const uint64_t before = audio.CallbackCount();

  ASSERT_TRUE(audio.ReopenWithSampleRate(22050));
  EXPECT_EQ(engine->SampleRate, 22050);
  EXPECT_EQ(engine->SamplesPerTick, 22050 / 50);
  Engine at22050;
  at22050.SampleRate = 22050;
  at22050.BuildFreqTable();
  EXPECT_EQ(engine->FreqTable, at22050.FreqTable);
  // Half the rate, twice the step per frame: the same note keeps its pitch.
  const Engine at44100;
  for (size_t i = 97; i < at44100.FreqTable.size(); i += 97) {
    if (at44100.FreqTable[i] < 1000) continue;  // too coarse to show a ratio
    EXPECT_NEAR(static_cast<double>(engine->FreqTable[i]) / at44100.FreqTable[i], 2.0, 0.01) << i;
  }
  WaitForCallbacks(audio, before + 10);
  audio.CloseAudio();
  const uint64_t after = audio.CallbackCount() - before;
  EXPECT_EQ(engine->Playing, 1) << "playback survives the reopen";

  // The same steps on the reference. The disk driver resamples other rates to its own, so
  // the voices and the player are compared instead of the file: after the same number of
  // buffers they agree to the last phase bit only if the callback rendered at 441 frames
  // per tick with the rebuilt frequency table.
  std::filesystem::remove(path);
  RenderBuffers(*reference, before);
  reference->SampleRate = 22050;
  reference->SamplesPerTick = reference->SamplesPerTickFor(reference->song.Tempo);
  reference->BuildFreqTable();
  RenderBuffers(*reference, after);
  EXPECT_EQ(engine->TickCountdown, reference->TickCountdown);
  EXPECT_EQ(engine->Row, reference->Row);
  EXPECT_EQ(engine->Frame, reference->Frame);
  EXPECT_EQ(engine->OrderPos, reference->OrderPos);
  for (int ch = 0; ch < kChannelCount; ++ch) {
    EXPECT_EQ(engine->Channels[ch].Phase, reference->Channels[ch].Phase) << ch;
    EXPECT_EQ(engine->Channels[ch].PhaseInc, reference->Channels[ch].PhaseInc) << ch;
    EXPECT_EQ(engine->Channels[ch].VolEnvState.Value, reference->Channels[ch].VolEnvState.Value) << ch;
  }
  EXPECT_NE(engine->Channels[0].PhaseInc, 0u) << "voices sound";

  // And that stream ticks every floor(22050 / 50) = 441 frames.
  std::vector<int16_t> frame(2);
  int lastTick = -1;
  int ticks = 0;
  for (int f = 0; f < 5000; ++f) {
    const uint16_t countdown = reference->TickCountdown;
    reference->RenderFrames(frame.data(), 1);
    if (countdown == 0) {
      if (lastTick >= 0) {
        EXPECT_EQ(f - lastTick, 441);
      }
      lastTick = f;
      ++ticks;
    }
  }
  EXPECT_GE(ticks, 10);
}

TEST_F(AudioOutputTest, ReopenWithTheSameBufferSizeStillReopens) {
  UseDriver("dummy");
  AudioOutput audio(*engine);
  ASSERT_TRUE(audio.OpenAudio());
  ASSERT_TRUE(audio.ReopenWithBufferSize(4096));
  EXPECT_TRUE(audio.IsOpen());
  ASSERT_TRUE(audio.ReopenWithBufferSize(512));
  EXPECT_EQ(engine->BufferSize, 512);
  const uint64_t start = audio.CallbackCount();
  WaitForCallbacks(audio, start + 2);
  audio.CloseAudio();
  EXPECT_FALSE(audio.IsOpen());
}

TEST_F(AudioOutputTest, EngineLockKeepsTheCallbackOutAndPauseStopsIt) {
  UseDriver("disk");
  AudioOutput audio(*engine);
  ASSERT_TRUE(audio.OpenAudio());
  WaitForCallbacks(audio, 3);
  {
    EngineLock lock(*engine);
    const uint64_t held = audio.CallbackCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(audio.CallbackCount(), held);
  }
  WaitForCallbacks(audio, audio.CallbackCount() + 3);
  audio.PauseAudio(true);
  const uint64_t paused = audio.CallbackCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(audio.CallbackCount(), paused);
  audio.PauseAudio(false);
  WaitForCallbacks(audio, paused + 3);
  audio.CloseAudio();
  const uint64_t closed = audio.CallbackCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(audio.CallbackCount(), closed);
  // Closed, the lock is a no-op: this returns even though SDL's lock is gone.
  EngineLock lock(*engine);
}

TEST_F(AudioOutputTest, WithoutADriverNothingOpensAndPreviewsReturnAtOnce) {
  UseDriver("no-such-driver");
  AudioOutput audio(*engine);
  EXPECT_FALSE(audio.OpenAudio());
  EXPECT_FALSE(audio.IsOpen());
  audio.PauseAudio(true);
  audio.PauseAudio(false);
  {
    EngineLock lock(*engine);
    engine->TriggerNote(0, 0, 0, 3, 0, true, true);
    engine->TriggerNote(1, 0, 0, 3, 3, true, true);
    engine->StartPlayback(0, 0, 0);
    engine->StartPlayback(0, 0, 0);  // a restart waits for no tick either
  }
  EXPECT_EQ(engine->TickDone, 0) << "no tick ran";
  EXPECT_FALSE(audio.ReopenWithSampleRate(22050));
  EXPECT_EQ(engine->SampleRate, 22050);
  audio.CloseAudio();
  audio.CloseAudio();
}

TEST_F(AudioOutputTest, TheCallbackServesAnyByteCountFromWholeBuffers) {
  // SDL normally asks for one buffer per call; should it ask for other amounts, the stream
  // must still be the engine's buffers back to back.
  engine->StartPlayback(0, 0, 0);
  reference->StartPlayback(0, 0, 0);
  AudioOutput audio(*engine);
  const std::vector<uint8_t> expected = RenderBuffers(*reference, 3);
  std::vector<uint8_t> got(expected.size());
  size_t at = 0;
  for (int len : {1000, 16384, 4, 7000, 24764}) {
    AudioOutput::Callback(&audio, got.data() + at, len);
    at += static_cast<size_t>(len);
  }
  ASSERT_EQ(at, got.size());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(audio.CallbackCount(), 5u);
}

TEST(OutputClock, TheHeardFrameIsTheBufferStartPlusTheTimeSinceLessWhatTheDeviceHolds) {
  struct Row {
    OutputClock clock;
    int64_t timeNs;
    uint64_t heard;
  };
  const int64_t ms = 1'000'000;
  const Row rows[] = {
      {{8192, 1000 * ms, 0}, 1000 * ms, 8192},
      {{8192, 1000 * ms, 0}, 1010 * ms, 8192 + 441},            // 10 ms later at 44100 Hz
      {{8192, 1000 * ms, 4096}, 1010 * ms, 8192 + 441 - 4096},  // a sound card still holds a buffer
      {{8192, 1000 * ms, 0}, 990 * ms, 8192 - 441},             // a note stamped before the callback
      {{100, 1000 * ms, 4096}, 1000 * ms, 0},                   // never before the first frame
      {{8192, 1000 * ms, 0}, 2000 * ms, 12288},                 // never past what was rendered
      {{8192, 0, 0}, 2000 * ms, 12288},                         // no callback yet: what was rendered
  };
  for (const Row& r : rows) EXPECT_EQ(HeardFrameAt(r.clock, r.timeNs, 44100, 12288), r.heard) << r.timeNs;
}

TEST_F(AudioOutputTest, OpenAgainAfterCloseAndDestroyWhileOpen) {
  UseDriver("dummy");
  {
    AudioOutput audio(*engine);
    ASSERT_TRUE(audio.OpenAudio());
    audio.CloseAudio();
    ASSERT_TRUE(audio.OpenAudio());
    WaitForCallbacks(audio, 1);
  }                          // the destructor closes: no callback may run on a dead object
  EngineLock lock(*engine);  // hooks are gone with the device
}

}  // namespace
}  // namespace kelmar
