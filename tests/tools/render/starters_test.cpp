// The starter songs and instruments: made again byte for byte by the generator, and
// holding what they promise (length, all eight tracks, both synth modes, the modulators).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../tools_test_util.h"
#include "engine/headless.h"
#include "files/instrument_file.h"
#include "files/song_file.h"
#include "files/wav_file.h"

namespace kelmar {
namespace {

namespace fs = std::filesystem;
using tooltest::ReadAll;
using tooltest::RunCommand;
using tooltest::ScratchDir;

const fs::path kRoot = KELMAR_SOURCE_DIR;

// The files under dir and its folders, as paths relative to dir ("bass/bass-saw.kli").
std::vector<std::string> FilesIn(const fs::path& dir, const std::string& ext) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.path().extension() == ext) names.push_back(e.path().lexically_relative(dir).generic_string());
  std::sort(names.begin(), names.end());
  return names;
}

// C of `octave` on a fresh engine for 3 s: the peak, and the level per 20 ms tick without its
// mean, so that a wave that is only an offset counts as silent.
struct NoteLevels {
  int peak = 0;
  std::vector<double> perTick;
};
NoteLevels RenderNote(const Instrument& ins, uint8_t mode, int octave) {
  auto engine = std::make_unique<Engine>();
  engine->song.Instruments[0] = ins;
  engine->song.SynthMode[0] = mode;
  engine->TriggerNote(0, 0, 0, static_cast<uint8_t>(octave), 0, false, true);
  const int tick = engine->SamplesPerTick;
  const std::vector<int16_t> out = RenderFramesHeadless(*engine, 150 * tick);
  NoteLevels levels;
  for (size_t at = 0; at < out.size(); at += 2 * tick) {
    double sum = 0, squares = 0;
    for (size_t i = at; i < at + 2 * tick; i += 2) {  // the left channel; the voice is centred
      levels.peak = std::max(levels.peak, std::abs(static_cast<int>(out[i])));
      sum += out[i];
      squares += static_cast<double>(out[i]) * out[i];
    }
    levels.perTick.push_back(std::sqrt(squares / tick - (sum / tick) * (sum / tick)));
  }
  return levels;
}

class CountSink : public WavBlockSink {
 public:
  FileError Block(const uint8_t*, int frames, const int16_t* const*) override {
    frames_ += static_cast<uint64_t>(frames);
    return {};
  }
  uint64_t frames_ = 0;
};

TEST(Starters, GeneratorMakesTheCommittedFilesAgain) {
  ScratchDir dir;
  const auto ran = RunCommand(std::string(KELMAR_MAKE_STARTERS_BIN) + " " + tooltest::Quote(dir.path().string()));
  ASSERT_EQ(0, ran.status) << ran.output;
  for (const auto& [sub, ext] : {std::pair{"songs", ".sng"}, std::pair{"instruments", ".kli"}}) {
    const auto made = FilesIn(dir.path() / sub, ext);
    EXPECT_EQ(made, FilesIn(kRoot / sub, ext)) << "committed " << sub << " missing or extra";
    for (const std::string& name : made) {
      ASSERT_TRUE(fs::exists(kRoot / sub / name)) << name << " is not committed";
      EXPECT_TRUE(ReadAll((dir.path() / sub / name).string()) == ReadAll((kRoot / sub / name).string()))
          << name << " differs from what the generator makes";
    }
  }
  EXPECT_GE(FilesIn(kRoot / "songs", ".sng").size(), 3u);
  EXPECT_GE(FilesIn(kRoot / "instruments", ".kli").size(), 48u);
}

TEST(Starters, InstrumentsCoverEveryKind) {
  std::map<std::string, int> perFolder;
  for (const std::string& name : FilesIn(kRoot / "instruments", ".kli")) {
    Instrument ins{};
    uint8_t mode = 9;
    ASSERT_TRUE(LoadInstrumentFile((kRoot / "instruments" / name).string(), ins, mode).ok()) << name;
    EXPECT_LE(mode, 1);
    EXPECT_NE(0, ins.VolEnv.Start | ins.VolEnv.Val1) << name << " is silent";
    const std::string folder = fs::path(name).parent_path().string();
    ++perFolder[folder];
    if (folder == "drums") {
      EXPECT_EQ(1, ins.NzeEnable) << name;
    }
    // Heard at every octave a part is likely written in, with room left for the other voices.
    for (int octave = 2; octave <= 5; ++octave) {
      SCOPED_TRACE(name + " at octave " + std::to_string(octave));
      const NoteLevels note = RenderNote(ins, mode, octave);
      const std::vector<double>& level = note.perTick;
      const size_t loudest = std::max_element(level.begin(), level.end()) - level.begin();
      EXPECT_LT(note.peak, 24000);
      EXPECT_GT(level[loudest], 250.0);
      EXPECT_TRUE(folder != "drums" || level.back() == 0.0) << "still sounding after 3 s";
      EXPECT_TRUE(folder != "pluck" || level[30] < level[loudest] / 2) << "not decaying";
      EXPECT_TRUE(folder != "pad" || loudest >= 10) << "no swell";
    }
  }
  // Every instrument is in one of the category folders, none directly in instruments/.
  const std::set<std::string> folders = {"bass", "lead", "pad", "pluck", "bells-keys", "chip", "drums", "effects"};
  for (const auto& [folder, count] : perFolder) EXPECT_TRUE(folders.count(folder)) << "folder " << folder;
  for (const std::string& folder : folders) EXPECT_GE(perFolder[folder], 4) << folder;
}

TEST(Starters, SongsHoldWhatTheyPromise) {
  for (const std::string& name : FilesIn(kRoot / "songs", ".sng")) {
    SCOPED_TRACE(name);
    auto engine = std::make_unique<Engine>();
    SongSettings settings;
    ASSERT_TRUE(LoadSongFile((kRoot / "songs" / name).string(), engine->song, settings).ok());
    const Song& song = engine->song;
    EXPECT_NE("Songtitle", settings.Title);

    // The order list ends with an "S" entry; collect the patterns played before it.
    std::set<int> patterns;
    int stop = -1;
    for (int pos = 0; pos < kOrderLength && stop < 0; ++pos) {
      if (pos > 0 && OrderCommandOf(song.Order[pos]) == kOrderStop) stop = pos;
      else patterns.insert(OrderParamOf(song.Order[pos]));
    }
    ASSERT_GT(stop, 0);

    std::set<int> tracks, instruments;
    bool pan = false;
    for (int p : patterns)
      for (int t = 0; t < kTrackCount; ++t)
        for (int r = 0; r < kRowCount; ++r) {
          const PatternCell& c = song.Cell(p, t, r);
          if (c.Note < kEmptyNote) tracks.insert(t);
          if (c.Effect1() == kEffectInstrument) instruments.insert(c.Param1);
          pan = pan || c.Effect2() == kEffectVolume || c.Effect1() == kEffectVolume;
        }
    EXPECT_EQ(8u, tracks.size());
    EXPECT_TRUE(pan);
    bool oldMode = false, newMode = false, noise = false, porta = false, vib = false, arp = false, sweep = false,
         filter = false;
    for (int i : instruments) {
      const Instrument& ins = song.Instruments[i];
      (song.SynthMode[i] ? oldMode : newMode) = true;
      noise = noise || ins.NzeEnable;
      porta = porta || ins.PMEnable;
      vib = vib || ins.VibEnable;
      arp = arp || ins.Arp1 || ins.Arp2 || ins.Arp3;
      sweep = sweep || ins.SweepEnv.Len1;
      filter = filter || ins.Filter;
    }
    EXPECT_TRUE(oldMode && newMode);
    EXPECT_TRUE(noise && porta && vib && arp && sweep && filter);

    // One to two minutes, ending by itself.
    CountSink sink;
    const auto result = RenderSongToSink(*engine, sink, {});
    EXPECT_EQ(RenderEnd::Stopped, result.end);
    const double seconds = static_cast<double>(sink.frames_) / engine->SampleRate;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 120.0);
  }
}

}  // namespace
}  // namespace kelmar
