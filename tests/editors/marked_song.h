// A new song for the pattern and order tools' tests, whose patterns a test can mark with a
// content of their own, so that no two marked patterns are equal.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/song.h"

namespace kelmar::testing {

class MarkedSongTest : public ::testing::Test {
 protected:
  MarkedSongTest() : song_(std::make_unique<Song>()) { ResetSong(*song_); }
  void Mark(int p) { song_->Cell(p, p % 8, p % 32) = {static_cast<uint8_t>(p % 100), 0x12, uint8_t(p), 7}; }
  Song& song() { return *song_; }
  std::unique_ptr<Song> song_;
};

}  // namespace kelmar::testing
