// The Scopes window: shown it takes the callback's frames, and its meter reads the mix.
#include "app/scopes/scope_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "audio/audio_output.h"
#include "audio/audio_test_util.h"

namespace kelmar {
namespace {

TEST(ScopeWindowTest, ShownItDrainsTheFeedAndItsMeterReadsTheMixPeak) {
  auto engine = std::make_unique<Engine>();
  test::MakeSoundingSong(engine->song);
  engine->StartPlayback(0, 0, 0);
  AudioOutput audio(*engine);
  QWidget mainWindow;
  ScopeWindow scopes(audio, &mainWindow);
  scopes.show();
  ASSERT_TRUE(audio.ScopeFeed());
  std::vector<uint8_t> stream(4 * engine->BufferSize);
  AudioOutput::Callback(&audio, stream.data(), static_cast<int>(stream.size()));
  scopes.Refresh();

  auto sample = [&](size_t i) { return int{static_cast<int16_t>(stream[2 * i] | stream[2 * i + 1] << 8)}; };
  const size_t samples = stream.size() / 2;
  int peak[2] = {0, 0};
  for (size_t i = 0; i < samples; ++i) peak[i % 2] = std::max(peak[i % 2], std::abs(sample(i)));
  EXPECT_GT(peak[0], 0);
  EXPECT_EQ(scopes.Peak(0), peak[0]);
  EXPECT_EQ(scopes.Peak(1), peak[1]);
  int newest = 0;  // the scopes' newest frame, left + right of every voice, is the stream's last
  for (int c = 0; c < kChannelCount; ++c) newest += scopes.history().Sample(c, ScopeHistory::kFrames - 1);
  EXPECT_EQ(newest, sample(samples - 2) + sample(samples - 1));
  scopes.hide();
  EXPECT_FALSE(audio.ScopeFeed());
}

}  // namespace
}  // namespace kelmar
