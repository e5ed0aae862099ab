// WAV export: the header, whole blocks, how songs end, the length limit, cancelling,
// file-system failures, stems, and a real reader reading what was written.
#include "files/wav_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "files_test_util.h"

namespace kelmar {
namespace {

using testing::Le32;
using testing::ReadAll;
using testing::ScratchDir;

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

std::unique_ptr<Engine> FreshEngine(uint16_t rate = 44100, uint16_t buffer = 4096) {
  auto engine = std::make_unique<Engine>();
  ConfigureFreshEngine(*engine, rate, buffer);
  return engine;
}

// Instrument 1: a saw with a short decay; instrument 2: a held square.
void AddInstruments(Song& song) {
  Instrument& a = song.Instruments[1];
  a = Instrument{};
  a.SrcOsc1Amp = 127;
  a.SrcOsc1Wave = 0x02;
  a.DstOsc1Amp = 100;
  a.DstOsc1Wave = 0x13;
  a.VolEnv = Envelope{2, 20, 0, 0, 0, 255, 60, 0, 0};
  Instrument& b = song.Instruments[2];
  b = Instrument{};
  b.SrcOsc1Amp = 90;
  b.SrcOsc1Wave = 0x03;
  b.DstOsc1Amp = 90;
  b.DstOsc1Wave = 0x00;
  b.VolEnv = Envelope{1, 0, 0, 0, 0, 200, 0, 0, 0};
  b.Filter = 120;
}

void Note(Song& song, int pattern, int track, int row, int note, uint8_t fx = 0, uint8_t p1 = 0, uint8_t p2 = 0) {
  song.Cell(pattern, track, row) = PatternCell{static_cast<uint8_t>(note), fx, p1, p2};
}

// Patterns 0 and 1 with notes on several tracks, panned apart.
void AddPatterns(Song& song) {
  for (int p = 0; p < 2; ++p)
    for (int row = 0; row < 32; row += 2) {
      Note(song, p, 0, row, 36 + (row / 2) % 12, row == 0 ? 0x21 : 0, 1, 0xF4);
      Note(song, p, 3, row, 48 + (row / 4) % 5, row == 0 ? 0x21 : 0, 2, 0x3F);
      if (row % 8 == 0) Note(song, p, 7, row, 60, 0x20, 1);
    }
}

// Plays patterns 0 and 1, then stops at the "S" entry at position 2.
std::unique_ptr<Engine> EngineWithShortSong(uint16_t rate = 44100, uint16_t buffer = 4096) {
  auto engine = FreshEngine(rate, buffer);
  AddInstruments(engine->song);
  AddPatterns(engine->song);
  engine->song.Order[2] = MakeOrderEntry(kOrderStop, 0);
  return engine;
}

class CollectSink : public WavBlockSink {
 public:
  FileError Block(const uint8_t* mix, int frames, const int16_t* const* stems) override {
    mix_.insert(mix_.end(), mix, mix + 4 * frames);
    if (stems) {
      for (int c = 0; c < kChannelCount; ++c) stems_[c].insert(stems_[c].end(), stems[c], stems[c] + 2 * frames);
    }
    ++blocks_;
    return {};
  }
  std::vector<uint8_t> mix_;
  std::vector<int16_t> stems_[kChannelCount];
  int blocks_ = 0;
};

class CountSink : public WavBlockSink {
 public:
  FileError Block(const uint8_t*, int frames, const int16_t* const*) override {
    frames_ += static_cast<uint64_t>(frames);
    return {};
  }
  uint64_t frames_ = 0;
};

class FailingSink : public WavBlockSink {
 public:
  explicit FailingSink(int okBlocks) : okBlocks_(okBlocks) {}
  FileError Block(const uint8_t*, int, const int16_t* const*) override {
    if (okBlocks_-- > 0) return {};
    return FileError::DiskFull();
  }
  int okBlocks_;
};

WavExportSetup ExportTo(const std::string& path, bool atomic = false) {
  WavExportSetup setup;
  setup.path = path;
  setup.atomic = atomic;
  return setup;
}

// Frames from the start to the end of the tick in which playback stops, rounded up to blocks.
uint64_t BlocksFor(uint64_t stopTick, uint64_t samplesPerTick, uint64_t bufferSize) {
  return stopTick * samplesPerTick / bufferSize + 1;
}

// --- header ---

TEST(WavHeader, FieldsAtBothCommonRates) {
  for (uint32_t rate : {22050u, 44100u}) {
    const auto h = MakeWavHeader(rate, 1036, 1000);
    const std::vector<uint8_t> b(h.begin(), h.end());
    EXPECT_EQ(0, std::memcmp(b.data(), "RIFF", 4));
    EXPECT_EQ(1036u, Le32(b, 4));
    EXPECT_EQ(0, std::memcmp(b.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(16u, Le32(b, 16));
    EXPECT_EQ(1, Le16(b, 20));
    EXPECT_EQ(2, Le16(b, 22));
    EXPECT_EQ(rate, Le32(b, 24));
    EXPECT_EQ(rate * 4, Le32(b, 28));
    EXPECT_EQ(4, Le16(b, 32));
    EXPECT_EQ(16, Le16(b, 34));
    EXPECT_EQ(0, std::memcmp(b.data() + 36, "data", 4));
    EXPECT_EQ(1000u, Le32(b, 40));
    WavHeaderInfo info;
    ASSERT_TRUE(ParseWavHeader(b.data(), b.size(), info));
    EXPECT_EQ(rate, info.sampleRate);
    EXPECT_EQ(1000u, info.dataBytes);
  }
  const auto zero = MakeWavHeader(22050);
  EXPECT_EQ(0u, Le32({zero.begin(), zero.end()}, 4));
  EXPECT_EQ(0u, Le32({zero.begin(), zero.end()}, 40));
}

TEST(WavExportFile, HeaderAndSizesAt22050And44100) {
  for (uint16_t rate : {uint16_t{22050}, uint16_t{44100}}) {
    ScratchDir dir;
    auto engine = EngineWithShortSong(rate);
    const auto result = ExportSongToWav(*engine, ExportTo(dir.File("outfile.wav")));
    ASSERT_TRUE(result.error.ok()) << result.error.message();
    EXPECT_EQ(RenderEnd::Stopped, result.end);
    const auto bytes = ReadAll(dir.File("outfile.wav"));
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(rate, Le32(bytes, 24));
    EXPECT_EQ(rate * 4u, Le32(bytes, 28));
    EXPECT_EQ(bytes.size() - 8, Le32(bytes, 4));
    EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
    EXPECT_EQ(result.frames * 4, bytes.size() - 44);
    // Two patterns of 32 rows at speed 6: the last row is processed in tick 63 * 6 = 378,
    // which then meets the "S" entry.
    EXPECT_EQ(BlocksFor(378, rate / 50, 4096), result.blocks);
    EXPECT_EQ(0, engine->Playing);
    EXPECT_EQ(0, engine->StopAtLoop);
  }
}

TEST(WavExportFile, SampleDataIsWholeBlocksForEveryBufferSize) {
  for (uint16_t buffer : {uint16_t{512}, uint16_t{1024}, uint16_t{2048}, uint16_t{4096}}) {
    auto engine = EngineWithShortSong(32000, buffer);
    CollectSink sink;
    const auto result = RenderSongToSink(*engine, sink, {});
    EXPECT_EQ(0u, sink.mix_.size() % (4u * buffer)) << buffer;
    EXPECT_EQ(static_cast<uint64_t>(sink.blocks_), result.blocks);
    EXPECT_EQ(BlocksFor(378, 32000 / 50, buffer), result.blocks) << buffer;
    EXPECT_GT(result.blocks, 0u);
  }
}

TEST(WavExportFile, SameSongSameBytesWhateverTheBlockSize) {
  // The tick clock carries across blocks, so only the length of the tail differs.
  auto small = EngineWithShortSong(44100, 512);
  auto large = EngineWithShortSong(44100, 4096);
  CollectSink a, b;
  RenderSongToSink(*small, a, {});
  RenderSongToSink(*large, b, {});
  const size_t common = std::min(a.mix_.size(), b.mix_.size());
  ASSERT_GT(common, 0u);
  EXPECT_EQ(0, std::memcmp(a.mix_.data(), b.mix_.data(), common));
  // And the song is not silence.
  EXPECT_NE(std::vector<uint8_t>(common, 0), std::vector<uint8_t>(a.mix_.begin(), a.mix_.begin() + common));
}

TEST(WavExportFile, ExistingFileIsReplaced) {
  ScratchDir dir;
  testing::WriteAll(dir.File("outfile.wav"), std::vector<uint8_t>(5'000'000, 0x55));
  auto engine = EngineWithShortSong();
  ASSERT_TRUE(ExportSongToWav(*engine, ExportTo(dir.File("outfile.wav"))).error.ok());
  const auto bytes = ReadAll(dir.File("outfile.wav"));
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
  EXPECT_LT(bytes.size(), 5'000'000u);
}

TEST(WavExportFile, StartsFromRestWhateverPlayedBefore) {
  // A tick clock halfway through a tick, voices still sounding with their own phases, filters
  // and panning: the export still renders exactly what a freshly started program renders.
  auto fresh = EngineWithShortSong();
  auto used = EngineWithShortSong();
  used->StartPlayback(0, 3, 0);
  std::vector<uint8_t> block(4 * kMaxBufferSize);
  for (int i = 0; i < 3; ++i) used->RenderBuffer(block.data());
  used->StopPlayback();  // the export's first step; the voices keep their phases and filters
  used->Channels[2].LRVolume = 0x3C;
  used->TickCountdown = 300;
  CollectSink a, b;
  RenderSongToSink(*fresh, a, {});
  RenderSongToSink(*used, b, {});
  ASSERT_FALSE(a.mix_.empty());
  EXPECT_EQ(a.mix_, b.mix_);
}

// --- how songs end ---

TEST(WavExportEnd, StopEntryFirstStillPlaysItsPattern) {
  auto engine = FreshEngine();
  AddInstruments(engine->song);
  AddPatterns(engine->song);
  // "S" with pattern 1 first: pattern 1 plays, then position 1 plays pattern 1, then "S" at 2.
  engine->song.Order[0] = MakeOrderEntry(kOrderStop, 1);
  engine->song.Order[2] = MakeOrderEntry(kOrderStop, 0);
  CollectSink sink;
  const auto result = RenderSongToSink(*engine, sink, {});
  EXPECT_EQ(RenderEnd::Stopped, result.end);
  EXPECT_EQ(BlocksFor(378, 882, 4096), result.blocks);
  EXPECT_EQ(2, engine->OrderPos);
  // The first row's notes sound from the first frame.
  bool sound = false;
  for (size_t i = 0; i < 4 * 5292 && !sound; ++i) sound = sink.mix_[i] != 0;
  EXPECT_TRUE(sound);
}

TEST(WavExportEnd, BackwardJumpEntryRendersOnce) {
  auto engine = FreshEngine();
  AddInstruments(engine->song);
  AddPatterns(engine->song);
  engine->song.Order[2] = MakeOrderEntry(kOrderJump, 0);  // would loop for ever while playing
  CountSink sink;
  const auto result = RenderSongToSink(*engine, sink, {});
  EXPECT_EQ(RenderEnd::Stopped, result.end);
  EXPECT_EQ(BlocksFor(378, 882, 4096), result.blocks);
}

TEST(WavExportEnd, BackwardJumpEffectRendersOnceForwardJumpGoesOn) {
  auto engine = FreshEngine();
  AddInstruments(engine->song);
  AddPatterns(engine->song);
  // Row 10 of pattern 0 jumps forward to position 1; row 4 of pattern 1 jumps back to 0.
  Note(engine->song, 0, 5, 10, kEmptyNote, 0x80, 1);
  Note(engine->song, 1, 5, 4, kEmptyNote, 0x80, 0);
  CountSink sink;
  const auto result = RenderSongToSink(*engine, sink, {});
  EXPECT_EQ(RenderEnd::Stopped, result.end);
  // Rows 0..10 of pattern 0, rows 0..4 of pattern 1: the stop is in the tick of the 16th row.
  EXPECT_EQ(BlocksFor(15 * 6, 882, 4096), result.blocks);
}

TEST(WavExportEnd, StopEffectInTheFirstRowStillWritesOneBlock) {
  auto engine = FreshEngine(44100, 512);
  AddInstruments(engine->song);
  Note(engine->song, 0, 0, 0, 40, 0x60, 0);  // S00
  CollectSink sink;
  const auto result = RenderSongToSink(*engine, sink, {});
  EXPECT_EQ(1u, result.blocks);
  EXPECT_EQ(2048u, sink.mix_.size());
}

// --- a song that never stops ---

TEST(WavExportLimit, NeverEndingSongStopsAtThirtyMinutes) {
  // The new song: empty patterns, the order list wraps from 255 to 0 for ever.
  auto engine = FreshEngine(22050, 4096);
  CountSink sink;
  const auto result = RenderSongToSink(*engine, sink, {});
  EXPECT_EQ(RenderEnd::Limit, result.end);
  EXPECT_EQ(1800ull * 22050 / 4096, result.blocks);  // whole blocks within 30 minutes
  EXPECT_EQ(result.blocks * 4096, sink.frames_);
  EXPECT_LE(sink.frames_, 1800ull * 22050);
  EXPECT_GT(sink.frames_ + 4096, 1800ull * 22050);
  EXPECT_EQ(0, engine->Playing);
  EXPECT_EQ(0, engine->StopAtLoop);
}

TEST(WavExportLimit, LimitedFileIsValidAndHoldsWholeBlocks) {
  ScratchDir dir;
  auto engine = FreshEngine(44100, 1024);
  AddInstruments(engine->song);
  AddPatterns(engine->song);  // no stop anywhere: runs through all 256 positions and wraps
  WavExportSetup setup = ExportTo(dir.File("outfile.wav"));
  setup.render.maxSeconds = 2;
  const auto result = ExportSongToWav(*engine, setup);
  EXPECT_EQ(RenderEnd::Limit, result.end);
  const auto bytes = ReadAll(dir.File("outfile.wav"));
  EXPECT_EQ(2u * 44100 / 1024 * 1024 * 4, bytes.size() - 44);
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
  EXPECT_EQ(bytes.size() - 8, Le32(bytes, 4));
}

TEST(WavExportLimit, CancelKeepsAValidFileOfTheBlocksWritten) {
  ScratchDir dir;
  auto engine = EngineWithShortSong();
  int calls = 0;
  std::vector<uint8_t> orderSeen;
  WavExportSetup setup = ExportTo(dir.File("outfile.wav"));
  setup.render.progress = [&](const RenderProgress& p) {
    orderSeen.push_back(p.orderPos);
    EXPECT_EQ(static_cast<uint64_t>(++calls) * 4096, p.frames);
    return calls < 3;
  };
  const auto result = ExportSongToWav(*engine, setup);
  EXPECT_EQ(RenderEnd::Cancelled, result.end);
  EXPECT_EQ(3u, result.blocks);
  const auto bytes = ReadAll(dir.File("outfile.wav"));
  EXPECT_EQ(44u + 3 * 4096 * 4, bytes.size());
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
  EXPECT_EQ(0, engine->Playing);
  EXPECT_EQ(0, engine->StopAtLoop);
}

// --- file-system failures ---

TEST(WavExportFailure, MissingFolderReportsFileNotFound) {
  ScratchDir dir;
  auto engine = EngineWithShortSong();
  bool started = false;
  WavExportSetup setup = ExportTo(dir.File("no/such/outfile.wav"));
  setup.beforeStart = [&] { started = true; };
  const auto result = ExportSongToWav(*engine, setup);
  EXPECT_EQ(RenderEnd::Failed, result.end);
  EXPECT_EQ("File not found", result.error.message());
  EXPECT_FALSE(started);
  EXPECT_EQ(0, engine->Playing);
}

TEST(WavExportFailure, FullDiskKeepsBlocksWithZeroSizes) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  auto engine = EngineWithShortSong();
  const auto result = ExportSongToWav(*engine, ExportTo("/dev/full"));
  EXPECT_EQ(RenderEnd::Failed, result.end);
  EXPECT_EQ("Disk full", result.error.message());
  EXPECT_EQ(0, engine->Playing);
  EXPECT_EQ(0, engine->StopAtLoop);
}

TEST(WavExportFailure, AWriteRefusedAfterTheFirstBlocksIsReported) {
  // Blocks are gathered before they are written: the refusal of a later write still counts.
  ScratchDir dir;
  auto engine = EngineWithShortSong();
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &limit));
  const rlimit before = limit;
  limit.rlim_cur = 100000;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
  const auto result = ExportSongToWav(*engine, ExportTo(dir.File("outfile.wav")));
  setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_EQ(RenderEnd::Failed, result.end);
  EXPECT_FALSE(result.error.ok());
  EXPECT_EQ(100000u, ReadAll(dir.File("outfile.wav")).size());
}

TEST(WavExportFailure, SinkFailureMidwayStopsPlayback) {
  auto engine = EngineWithShortSong();
  FailingSink sink(2);
  const auto result = RenderSongToSink(*engine, sink, {});
  EXPECT_EQ(RenderEnd::Failed, result.end);
  EXPECT_EQ(2u, result.blocks);
  EXPECT_EQ("Disk full", sink.error().message());
  EXPECT_EQ(0, engine->Playing);
  EXPECT_EQ(0, engine->StopAtLoop);
}

TEST(WavExportFailure, AtomicWriteLeavesNothingHalfWritten) {
  ScratchDir dir;
  const std::vector<uint8_t> old = {1, 2, 3};
  testing::WriteAll(dir.File("song.wav"), old);
  {
    WavWriter writer;
    ASSERT_TRUE(writer.Create(dir.File("song.wav"), 44100, true).ok());
    ASSERT_TRUE(writer.Append("abcd", 4).ok());
    EXPECT_EQ(2u, dir.Names().size());  // the target and the temporary file
    // Dropped without Commit: the temporary file goes, the old file stays.
  }
  EXPECT_EQ(old, ReadAll(dir.File("song.wav")));
  EXPECT_EQ(1u, dir.Names().size());

  auto engine = EngineWithShortSong();
  WavExportSetup setup = ExportTo(dir.File("song.wav"), true);
  ASSERT_TRUE(ExportSongToWav(*engine, setup).error.ok());
  EXPECT_EQ(1u, dir.Names().size());
  const auto bytes = ReadAll(dir.File("song.wav"));
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
}

// --- stems ---

TEST(WavStems, EightStemsSumToTheMixExactly) {
  auto plain = EngineWithShortSong();
  auto withStems = EngineWithShortSong();
  CollectSink a, b;
  RenderSongToSink(*plain, a, {});
  RenderOptions options;
  options.stems = true;
  RenderSongToSink(*withStems, b, options);
  ASSERT_EQ(a.mix_, b.mix_);  // asking for stems does not change the mix
  const size_t samples = b.mix_.size() / 2;
  int tracksWithSound = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    ASSERT_EQ(samples, b.stems_[c].size());
    bool sound = false;
    for (int16_t s : b.stems_[c]) sound = sound || s != 0;
    tracksWithSound += sound;
  }
  EXPECT_EQ(3, tracksWithSound);
  for (size_t i = 0; i < samples; ++i) {
    int sum = 0;
    for (int c = 0; c < kChannelCount; ++c) sum += b.stems_[c][i];
    const int16_t mix = static_cast<int16_t>(b.mix_[2 * i] | (b.mix_[2 * i + 1] << 8));
    ASSERT_EQ(mix, sum) << "sample " << i;
  }
}

// --- a real reader ---

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(WavReader, SoxAndPythonReadTheExport) {
  ScratchDir dir;
  auto engine = EngineWithShortSong(22050, 2048);
  const auto result = ExportSongToWav(*engine, ExportTo(dir.File("outfile.wav")));
  ASSERT_TRUE(result.error.ok());
  const std::string file = dir.File("outfile.wav");
  const std::string frames = std::to_string(result.frames);
  if (::system("command -v soxi >/dev/null 2>&1") == 0) {
    EXPECT_EQ("22050", RunCommand("soxi -r '" + file + "'"));
    EXPECT_EQ("2", RunCommand("soxi -c '" + file + "'"));
    EXPECT_EQ("16", RunCommand("soxi -b '" + file + "'"));
    EXPECT_EQ(frames, RunCommand("soxi -s '" + file + "'"));
  }
  if (::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  EXPECT_EQ("22050 2 2 " + frames,
            RunCommand("python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
                "print(w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes())\" '" +
                file + "'"));
}

}  // namespace
}  // namespace kelmar
