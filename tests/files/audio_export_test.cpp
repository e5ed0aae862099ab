// Exports into every format, read back with libsndfile: the lossless ones hold exactly the
// samples of the plain WAV, the lossy ones the right length and the tags; stems, loops, fades,
// patterns, cancelling, and the loudness meter against the EBU reference signals.
#include "files/audio_export.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <sndfile.h>

#include <cmath>
#include <memory>
#include <vector>

#include "files/wav_file.h"
#include "files_test_util.h"

namespace kelmar {
namespace {

using testing::ScratchDir;

struct Decoded {
  std::vector<int32_t> samples;  // interleaved, as libsndfile's int reads give them
  int rate = 0;
  std::string title;
};

Decoded Decode(const std::string& path) {
  Decoded out;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return out;
  out.rate = info.samplerate;
  out.samples.resize(static_cast<size_t>(info.frames) * 2);
  out.samples.resize(static_cast<size_t>(sf_readf_int(file, out.samples.data(), info.frames)) * 2);
  if (const char* title = sf_get_string(file, SF_STR_TITLE)) out.title = title;
  sf_close(file);
  return out;
}

// One pattern of notes on four tracks; order entry 1 stops the song, or jumps back to 0.
std::unique_ptr<Engine> ShortSong(uint8_t end = kOrderStop) {
  auto engine = std::make_unique<Engine>();
  ConfigureFreshEngine(*engine, 44100, 1024);
  Song& song = engine->song;
  Instrument& ins = song.Instruments[3];
  ins.SrcOsc1Amp = 16;
  ins.SrcOsc1Wave = 0x13;
  ins.VolEnv = Envelope{2, 30, 0, 0, 0, 255, 50, 0, 0};
  ins.Filter = 90;
  for (int row = 0; row < kRowCount; row += 2)
    for (int t : {0, 2, 5, 7})
      song.Cell(0, t, row) = PatternCell{static_cast<uint8_t>(36 + t * 3 + row % 12), 0x21, 3, 0x9F};
  song.Speed = 2;
  song.Order[1] = MakeOrderEntry(end, 0);
  return engine;
}

AudioExportResult Export(Engine& engine, const std::string& path, AudioFormat format, RenderOptions render = {},
                         uint32_t fade = 0, bool stems = false) {
  AudioExportSetup setup;
  setup.path = path;
  setup.file.format = format;
  setup.file.sampleRate = engine.SampleRate;
  setup.file.tagText.title = "Neon Run";
  for (int c = 0; c < kChannelCount && stems; ++c) setup.stemPaths[c] = StemPathBeside(path, c);
  setup.render = std::move(render);
  setup.fadeFrames = fade;
  return ExportAudio(engine, setup);
}

TEST(AudioExport, EachFormatReadsBackAsTheWavItWasMadeFrom) {
  ScratchDir dir;
  auto engine = ShortSong();
  ASSERT_TRUE(Export(*engine, dir.File("plain.wav"), AudioFormat::Wav16).error.ok());
  const Decoded plain = Decode(dir.File("plain.wav"));
  ASSERT_GT(plain.samples.size(), 40000u);
  for (const AudioFormatInfo& info : AudioFormats()) {
    if (!FormatAvailable(info.format)) continue;
    ConfigureFreshEngine(*engine, info.onlyRate ? 48000 : 44100, 1024);
    const std::string path = dir.File(std::string("x") + info.suffix);
    const AudioExportResult result = Export(*engine, path, info.format);
    ASSERT_TRUE(result.error.ok()) << info.name << ": " << result.error.message();
    const Decoded got = Decode(path);
    EXPECT_EQ(engine->SampleRate, got.rate) << info.name;
    EXPECT_EQ(2 * result.frames, got.samples.size()) << info.name;  // the codecs' padding is trimmed
    if (info.lossy || info.format == AudioFormat::Wav16) {
      EXPECT_EQ(info.lossy ? "Neon Run" : "", got.title) << info.name;  // WAV only with wavTags
      continue;
    }
    EXPECT_TRUE(got.samples == plain.samples) << info.name;  // 24-bit: each sample exactly * 256
  }
  // The plain WAV is the program's own writer, byte for byte "Export .WAV".
  WavExportSetup wav;
  wav.path = dir.File("own.wav");
  ConfigureFreshEngine(*engine, 44100, 1024);
  ASSERT_TRUE(ExportSongToWav(*engine, wav).error.ok());
  EXPECT_TRUE(testing::ReadAll(wav.path) == testing::ReadAll(dir.File("plain.wav")));
}

TEST(AudioExport, StemsSumToTheMixInFlacWithAndWithoutAFade) {
  ScratchDir dir;
  auto engine = ShortSong(kOrderJump);
  for (uint32_t fade : {0u, 20000u}) {
    ASSERT_TRUE(Export(*engine, dir.File("mix.flac"), AudioFormat::Flac, {}, fade, true).error.ok());
    const Decoded mix = Decode(dir.File("mix.flac"));
    std::vector<int32_t> sum(mix.samples.size());
    for (int c = 0; c < kChannelCount; ++c) {
      const Decoded stem = Decode(StemPathBeside(dir.File("mix.flac"), c));
      ASSERT_EQ(mix.samples.size(), stem.samples.size());
      for (size_t i = 0; i < sum.size(); ++i) sum[i] += stem.samples[i];
    }
    EXPECT_TRUE(sum == mix.samples) << fade;
  }
}

TEST(AudioExport, LoopsFadesAndPatternsHaveTheirLength) {
  ScratchDir dir;
  auto engine = ShortSong(kOrderJump);
  const std::string path = dir.File("loop.wav");
  RenderOptions three;
  three.passes = 3;
  const uint64_t once = Export(*engine, path, AudioFormat::Wav16).frames;
  const uint64_t pass = static_cast<uint64_t>(kRowCount) * engine->song.Speed * engine->SamplesPerTick;
  const AudioExportResult looped = Export(*engine, path, AudioFormat::Wav16, three, 30000);
  EXPECT_NEAR(static_cast<double>(once + 2 * pass), static_cast<double>(looped.frames), engine->BufferSize);
  const Decoded faded = Decode(path);
  EXPECT_EQ(0, faded.samples.end()[-1]);
  EXPECT_EQ(0, faded.samples.end()[-2]);
  EXPECT_NE(0, faded.samples[faded.samples.size() - 2 * 30000]);  // loud where the fade begins

  // A song that stops by itself is neither looped nor faded.
  auto stops = ShortSong();
  Export(*stops, dir.File("a.wav"), AudioFormat::Wav16);
  Export(*stops, dir.File("b.wav"), AudioFormat::Wav16, three, 30000);
  EXPECT_TRUE(testing::ReadAll(dir.File("a.wav")) == testing::ReadAll(dir.File("b.wav")));

  // A pattern alone ends exactly where its rows would start again, on every pass.
  RenderOptions rows;
  rows.range.pattern = 0;
  rows.range.firstRow = 4;
  rows.range.lastRow = 11;
  for (int passes : {1, 2}) {
    rows.passes = passes;
    EXPECT_EQ(passes * pass / 4, Export(*stops, path, AudioFormat::Wav16, rows).frames) << passes;
  }
}

TEST(AudioExport, CancelledOrFailedExportLeavesNoFileAndTheOldOne) {
  ScratchDir dir;
  auto engine = ShortSong();
  testing::WriteAll(dir.File("old.flac"), testing::Bytes("old"));
  RenderOptions cancel;
  cancel.progress = [](const RenderProgress&) { return false; };
  EXPECT_EQ(RenderEnd::Cancelled, Export(*engine, dir.File("old.flac"), AudioFormat::Flac, cancel, 0, true).end);
  EXPECT_EQ(RenderEnd::Cancelled, Export(*engine, dir.File("new.ogg"), AudioFormat::Vorbis, cancel).end);
  const AudioExportResult failed = Export(*engine, dir.File("no/such/folder.flac"), AudioFormat::Flac);
  EXPECT_EQ(RenderEnd::Failed, failed.end);
  EXPECT_FALSE(failed.error.message().empty());
  // A plain WAV is written as the render goes: a write that fails there ends the render too.
  if (::access("/dev/full", W_OK) == 0) {
    EXPECT_EQ(RenderEnd::Failed, Export(*engine, "/dev/full", AudioFormat::Wav16).end);
  }
  EXPECT_EQ(std::vector<std::string>{"old.flac"}, dir.Names());
  EXPECT_TRUE(testing::ReadAll(dir.File("old.flac")) == testing::Bytes("old"));
}

// EBU Tech 3341, cases 1 and 2: a 1 kHz stereo sine at -23 and -33 dBFS reads -23 and -33 LUFS.
TEST(Loudness, ReferenceSinesReadTheirLevel) {
  for (double level : {-23.0, -33.0}) {
    LoudnessMeter meter(48000);
    std::vector<int16_t> frames(2 * 48000);
    const double amplitude = 32767.0 * std::pow(10.0, level / 20.0);
    for (int second = 0; second < 20; ++second) {
      for (int i = 0; i < 48000; ++i)
        frames[2 * i] = frames[2 * i + 1] =
            static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * 1000.0 * i / 48000.0)));
      meter.Add(frames.data(), 48000);
    }
    const Loudness result = meter.Result();
    ASSERT_TRUE(result.measured);
    EXPECT_NEAR(level, result.lufs, 0.1);
    EXPECT_NEAR(level, result.peakDbfs, 0.1);
  }
}

}  // namespace
}  // namespace kelmar
