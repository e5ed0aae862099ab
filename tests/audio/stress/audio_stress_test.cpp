// The real SDL callback renders while this thread does what the window thread does, as
// fast as it can: previews, playback starts and stops, reopens, pauses, and edits of
// instrument and pattern bytes. Built with ThreadSanitizer it must report no race.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/audio_output.h"
#include "audio_test_util.h"

namespace kelmar {
namespace {

TEST(AudioStress, WindowThreadWorkRacesNothingWithTheCallback) {
  if (!getenv("SDL_AUDIODRIVER")) test::UseDriver("disk");  // /dev/null, as fast as it goes
  Engine engine;
  test::MakeSoundingSong(engine.song);
  AudioOutput audio(engine);
  ASSERT_TRUE(audio.OpenAudio());

  Random random;
  random.Seed(2024);
  const uint16_t rates[] = {22050, 32000, 44100, 48000};
  const uint16_t sizes[] = {128, 256, 512, 1024, 2048, 4096};
  // A few seconds, and at least a few stream changes however slow the machine.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  uint64_t operations = 0;
  int reopens = 0;
  uint8_t previewVoice = 0;
  while (std::chrono::steady_clock::now() < end || operations < 256) {
    // Every 64th step changes the stream itself; the rest are the editors' small writes.
    const uint32_t op = operations % 64 == 63 ? 980 + static_cast<uint32_t>(operations / 64 % 3) * 7 : random.Draw(980);
    if (op < 400) {
      EngineLock lock(engine);
      engine.TriggerNote(previewVoice++ % kChannelCount, static_cast<uint8_t>(random.Draw(8)),
                         static_cast<uint8_t>(random.Draw(12)), static_cast<uint8_t>(random.Draw(8)),
                         static_cast<int8_t>(random.Draw(16)), true, true);
    } else if (op < 600) {
      EngineLock lock(engine);
      Instrument& in = engine.song.Instruments[random.Draw(8)];
      in.bytes()[random.Draw(sizeof(Instrument))] = static_cast<uint8_t>(random.Draw(256));
    } else if (op < 750) {
      EngineLock lock(engine);
      PatternCell& cell = engine.song.Cell(0, static_cast<int>(random.Draw(8)), static_cast<int>(random.Draw(32)));
      cell.Note = static_cast<uint8_t>(random.Draw(2) ? random.Draw(96) : kEmptyNote);
      cell.Effects = static_cast<uint8_t>(random.Draw(2) ? (kEffectInstrument << 4) : 0);
      cell.Param1 = static_cast<uint8_t>(random.Draw(8));
    } else if (op < 850) {
      EngineLock lock(engine);
      engine.LoopPattern = static_cast<uint8_t>(random.Draw(2));
      engine.StartPlayback(0, static_cast<uint8_t>(random.Draw(32)), static_cast<uint16_t>(random.Draw(2)));
    } else if (op < 950) {
      EngineLock lock(engine);
      engine.StopPlayback();
    } else if (op < 965) {
      // The play-position display reads without a lock.
      const PlayPosition position = engine.Position();
      EXPECT_LT(position.Row, kRowCount);
    } else if (op < 980) {
      // Recording reads the output clock and the rows played, under the lock.
      EngineLock lock(engine);
      EXPECT_LE(audio.HeardFrame(AudioOutput::NowNs()), engine.RenderedFrames);
      EXPECT_LT(engine.RowMarks()[engine.RowMarksWritten % kRowMarkCount].Row, kRowCount);
    } else if (op < 985) {
      audio.PauseAudio(true);
      audio.PauseAudio(false);
    } else if (op < 990) {
      audio.ReopenWithSampleRate(rates[random.Draw(4)]);
      ++reopens;
    } else {
      audio.ReopenWithBufferSize(sizes[random.Draw(6)]);
      ++reopens;
    }
    ++operations;
    std::this_thread::sleep_for(std::chrono::microseconds(20));  // let the audio thread in
  }
  const uint64_t callbacks = audio.CallbackCount();
  audio.CloseAudio();
  // How much gets done depends on the machine (and on the sanitizer); that it all ran does not.
  EXPECT_GT(operations, 64u);
  EXPECT_GT(reopens, 0);
  EXPECT_GT(callbacks, 0u);
}

}  // namespace
}  // namespace kelmar
