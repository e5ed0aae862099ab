// Helpers shared by the file tests: scratch folders, whole-file reads and writes, and
// songs filled with varied content.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/song.h"

namespace kelmar::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "kelmar-files-XXXXXX").string();
    char* made = ::mkdtemp(templ.data());
    EXPECT_NE(made, nullptr);
    path_ = templ;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

inline std::unique_ptr<Song> NewSong() {
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  return song;
}

// A song that uses every table: some instruments in each synth mode, some patterns, a
// reordered order list with every command, odd tempo and speed.
inline std::unique_ptr<Song> VariedSong(uint32_t seed = 7, int instruments = 40, int patterns = 30) {
  auto song = NewSong();
  std::mt19937 rng(seed);
  for (int i = 0; i < instruments; ++i) {
    int slot = (i * 37 + 3) % kInstrumentCount;
    for (size_t b = 0; b < sizeof(Instrument); ++b) song->Instruments[slot].bytes()[b] = static_cast<uint8_t>(rng());
    song->SynthMode[slot] = static_cast<uint8_t>(i % 2);
  }
  for (int p = 0; p < patterns; ++p) {
    int slot = (p * 53 + 1) % kPatternCount;
    for (int t = 0; t < kTrackCount; ++t)
      for (int r = 0; r < kRowCount; r += 1 + static_cast<int>(rng() % 3)) {
        PatternCell& c = song->Cell(slot, t, r);
        c.Note = static_cast<uint8_t>(rng() % 128);
        c.Effects = static_cast<uint8_t>(rng());
        c.Param1 = static_cast<uint8_t>(rng());
        c.Param2 = static_cast<uint8_t>(rng());
      }
  }
  for (int k = 0; k < kOrderLength; ++k)
    song->Order[k] = MakeOrderEntry(static_cast<uint8_t>(rng() % 4), static_cast<uint8_t>(rng()));
  song->Tempo = 123;
  song->Speed = 9;
  return song;
}

inline bool SameSong(const Song& a, const Song& b) {
  return std::memcmp(a.Instruments.data(), b.Instruments.data(), sizeof(a.Instruments)) == 0 &&
         a.SynthMode == b.SynthMode && a.Order == b.Order &&
         std::memcmp(a.Patterns.data(), b.Patterns.data(), sizeof(a.Patterns)) == 0 && a.Tempo == b.Tempo &&
         a.Speed == b.Speed;
}

}  // namespace kelmar::testing
