// The scopes' feed: the ring between two real threads, and what the callback puts into it.
#include "audio/scope_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio_test_util.h"

namespace kelmar {
namespace {

// Eight stems of up to `frames` frames, rendered from a song that sounds on every voice.
struct Stems {
  explicit Stems(int frames) : mix(2 * frames), data(size_t{2} * kChannelCount * frames) {
    for (int c = 0; c < kChannelCount; ++c) tracks[c] = data.data() + size_t{2} * c * frames;
  }
  void Render(Engine& engine, int frames) { engine.RenderFrames(mix.data(), frames, tracks); }
  ScopeFrame Frame(int i) const {
    ScopeFrame f{};
    for (int s = 0; s < 2 * kChannelCount; ++s) f.samples[s] = tracks[s / 2][2 * i + s % 2];
    return f;
  }
  std::vector<int16_t> mix, data;
  int16_t* tracks[kChannelCount];
};

std::unique_ptr<Engine> PlayingEngine() {
  auto engine = std::make_unique<Engine>();
  test::MakeSoundingSong(engine->song);
  engine->StartPlayback(0, 0, 0);
  return engine;
}

TEST(ScopeRingTest, AProducerAndAConsumerThreadPassEveryKeptFrameInOrder) {
  ScopeRing ring(1000);  // small, and no power of two: it wraps and fills often
  auto engine = PlayingEngine();
  Stems stems(1500);
  std::vector<ScopeFrame> kept;
  uint64_t offered = 0;
  auto write = [&](int n) {
    stems.Render(*engine, n);
    const int taken = ring.Write(stems.tracks, n);
    for (int i = 0; i < taken; ++i) kept.push_back(stems.Frame(i));
    offered += static_cast<uint64_t>(n);
  };
  write(1500);  // more than fits: the newest 500 are dropped
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int round = 1; round < 300; ++round) write(1 + round * 37 % 1500);
    done.store(true, std::memory_order_release);
  });
  std::vector<ScopeFrame> got, chunk(333);
  for (bool last = false; !last;) {
    last = done.load(std::memory_order_acquire);
    int n = 0;
    while ((n = ring.Read(chunk.data(), 1 + static_cast<int>(got.size() % 333))) > 0)
      got.insert(got.end(), chunk.begin(), chunk.begin() + n);
    std::this_thread::yield();
  }
  producer.join();
  ASSERT_EQ(got.size(), kept.size());
  EXPECT_TRUE(got == kept);
  EXPECT_EQ(ring.Dropped(), offered - kept.size());
  EXPECT_GE(ring.Dropped(), 500u);
}

TEST(ScopeRingTest, TheCallbackFeedsTheHeardStemsOfWhatItPlays) {
  auto engine = PlayingEngine();
  auto reference = PlayingEngine();
  engine->BufferSize = 512;
  AudioOutput audio(*engine);
  std::vector<uint8_t> stream(6 * 4 * 512);
  audio.SetScopeFeed(true);
  AudioOutput::Callback(&audio, stream.data(), 2048);  // every voice heard, then two muted
  audio.scopeRing().Discard();
  engine->MutedTracks = 0x05;
  size_t at = 0;
  for (int len : {2048, 700, 1348, 4096, 2048}) {  // whole buffers and the staging path
    AudioOutput::Callback(&audio, stream.data() + at, len);
    at += static_cast<size_t>(len);
  }
  const int frames = 5 * 512;
  std::vector<ScopeFrame> got(frames + 1);
  ASSERT_EQ(audio.scopeRing().Read(got.data(), frames + 1), frames);

  Stems expected(6 * 512);
  expected.Render(*reference, 6 * 512);
  int wrongStems = 0;
  int wrongSums = 0;
  for (int i = 0; i < frames; ++i) {
    const ScopeFrame want = expected.Frame(512 + i);
    for (int side = 0; side < 2; ++side) {
      int sum = 0;
      for (int c = 0; c < kChannelCount; ++c) {
        const int16_t heard = (engine->MutedTracks >> c) & 1 ? 0 : want.samples[2 * c + side];
        wrongStems += got[i].samples[2 * c + side] != heard;
        sum += got[i].samples[2 * c + side];
      }
      const auto* bytes = stream.data() + 4 * i + 2 * side;
      wrongSums += sum != static_cast<int16_t>(bytes[0] | bytes[1] << 8);
    }
  }
  EXPECT_EQ(wrongStems, 0);
  EXPECT_EQ(wrongSums, 0) << "the stems add up to the stream";
  audio.SetScopeFeed(false);
  AudioOutput::Callback(&audio, stream.data(), 2048);
  EXPECT_EQ(audio.scopeRing().Read(got.data(), 1), 0);
}

}  // namespace
}  // namespace kelmar
