// kelmar-render as a user runs it: the same bytes as the export of a fresh engine, stems that
// sum to the mix, --info, the length limit, --play, and bad input that writes nothing.
#include "tools/render/render_tool.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "../tools_test_util.h"
#include "files/song_file.h"
#include "files/wav_file.h"

namespace kelmar {
namespace {

using tooltest::Le32;
using tooltest::Quote;
using tooltest::ReadAll;
using tooltest::RunCommand;
using tooltest::ScratchDir;
using tooltest::StarterSong;

const std::string kBin = KELMAR_RENDER_BIN;

// A short song: one pattern with notes on four tracks, stopping at the "S" entry at position 1.
void WriteShortSong(const std::string& path, bool stops = true) {
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  Instrument& ins = song->Instruments[3];
  ins.SrcOsc1Amp = 16;
  ins.SrcOsc1Wave = 0x13;
  ins.DstOsc1Amp = 12;
  ins.DstOsc1Wave = 0x10;
  ins.VolEnv = Envelope{2, 30, 0, 0, 0, 255, 50, 0, 0};
  ins.SweepEnv = Envelope{30, 0, 0, 0, 0, 255, 0, 0, 0};
  ins.Filter = 90;
  for (int row = 0; row < 32; row += 2)
    for (int t : {0, 2, 5, 7})
      song->Cell(0, t, row) = PatternCell{static_cast<uint8_t>(36 + t * 3 + row % 12), 0x21, 3,
                                          static_cast<uint8_t>(t == 7 ? 0xF2 : 0x9F)};
  if (stops) song->Order[1] = MakeOrderEntry(kOrderStop, 0);
  SongSettings settings;
  settings.Title = "Short";
  ASSERT_TRUE(SaveSongFile(path, *song, settings).ok());
}

// What the window's export of a fresh program writes for the song file at this rate and buffer size.
std::vector<uint8_t> FreshExport(const std::string& song, uint16_t rate, uint16_t buffer, const std::string& out) {
  auto engine = std::make_unique<Engine>();
  ConfigureFreshEngine(*engine, rate, buffer);
  SongSettings settings;
  EXPECT_TRUE(LoadSongFile(song, engine->song, settings).ok());
  WavExportSetup setup;
  setup.path = out;
  EXPECT_TRUE(ExportSongToWav(*engine, setup).error.ok());
  return ReadAll(out);
}

int16_t Sample(const std::vector<uint8_t>& wav, size_t index) {
  return static_cast<int16_t>(wav[44 + 2 * index] | (wav[44 + 2 * index + 1] << 8));
}

// --- the same bytes ---

TEST(RenderProgram, SameBytesAsTheExportForRatesAndBufferSizes) {
  ScratchDir dir;
  WriteShortSong(dir.File("short.sng"));
  for (auto [rate, buffer] : {std::pair{22050, 512}, std::pair{32000, 1024}, std::pair{48000, 2048}}) {
    const std::string out = dir.File("r.wav");
    const auto ran = RunCommand(kBin + " " + Quote(dir.File("short.sng")) + " -o " + Quote(out) + " --rate " +
                                std::to_string(rate) + " --buffer " + std::to_string(buffer));
    ASSERT_EQ(0, ran.status) << ran.output;
    EXPECT_EQ("", ran.output);  // quiet when the error stream is not a terminal
    const auto expected = FreshExport(dir.File("short.sng"), static_cast<uint16_t>(rate),
                                      static_cast<uint16_t>(buffer), dir.File("e.wav"));
    const auto got = ReadAll(out);
    ASSERT_GT(got.size(), 44u);
    EXPECT_EQ(static_cast<uint32_t>(rate), Le32(got, 24));
    EXPECT_EQ(0u, (got.size() - 44) % (4u * buffer));
    EXPECT_TRUE(got == expected) << rate << "/" << buffer;
  }
}

TEST(RenderProgram, DefaultsAndOutputNamedAfterTheSong) {
  ScratchDir dir;
  const auto ran = RunCommand("cd " + Quote(dir.path().string()) + " && " + kBin + " " +
                              Quote(StarterSong("morning-circuit.sng")));
  ASSERT_EQ(0, ran.status) << ran.output;
  const auto got = ReadAll(dir.File("morning-circuit.wav"));
  const auto expected = FreshExport(StarterSong("morning-circuit.sng"), 44100, 4096, dir.File("e.wav"));
  EXPECT_EQ(44100u, Le32(got, 24));
  EXPECT_EQ(0u, (got.size() - 44) % (4u * 4096));
  EXPECT_TRUE(got == expected);
  EXPECT_EQ("morning-circuit.wav", render::DefaultOutputName("songs/morning-circuit.sng"));
  EXPECT_EQ("x.wav", render::DefaultOutputName("x"));
}

TEST(RenderProgram, DashWritesTheWavToStandardOutputAndNothingElse) {
  ScratchDir dir;
  WriteShortSong(dir.File("short.sng"));
  const auto expected = FreshExport(dir.File("short.sng"), 44100, 4096, dir.File("e.wav"));
  // Into a file the sizes are filled in; a pipe gets the sizes of a stream of unknown length.
  for (const std::string to : {" > ", " | cat > "}) {
    const auto ran =
        RunCommand("cd " + Quote(dir.path().string()) + " && (" + kBin + " short.sng -o -" + to + "o.wav)");
    ASSERT_EQ(0, ran.status) << ran.output;
    EXPECT_EQ("", ran.output);
    const auto got = ReadAll(dir.File("o.wav"));
    ASSERT_EQ(expected.size(), got.size()) << to;
    EXPECT_EQ(to == " > " ? Le32(expected, 4) : ~0u, Le32(got, 4)) << to;
    EXPECT_EQ(to == " > " ? Le32(expected, 40) : ~0u, Le32(got, 40)) << to;
    EXPECT_TRUE(std::equal(got.begin() + 8, got.begin() + 40, expected.begin() + 8)) << to;
    EXPECT_TRUE(std::equal(got.begin() + 44, got.end(), expected.begin() + 44)) << to;
  }
  // Other formats from the suffix or --format, streamed where they can be; stems in the same format.
  const auto flac = RunCommand("cd " + Quote(dir.path().string()) + " && (" + kBin +
                               " short.sng -o - --format flac | cat > o.flac) && " + kBin +
                               " short.sng -o s.ogg --stems st");
  ASSERT_EQ(0, flac.status) << flac.output;
  EXPECT_EQ("fLaC", std::string(reinterpret_cast<const char*>(ReadAll(dir.File("o.flac")).data()), 4));
  EXPECT_EQ("OggS", std::string(reinterpret_cast<const char*>(ReadAll(dir.File("st/track8.ogg")).data()), 4));
  EXPECT_EQ((std::vector<std::string>{"e.wav", "o.flac", "o.wav", "s.ogg", "short.sng", "st"}), dir.Names());
}

// --- stems ---

TEST(RenderProgram, EightStemsSumToTheMixSampleBySample) {
  ScratchDir dir;
  const auto ran = RunCommand(kBin + " " + Quote(StarterSong("neon-run.sng")) + " -o " + Quote(dir.File("mix.wav")) +
                              " --max-seconds 20 --stems " + Quote(dir.File("stems")));
  ASSERT_EQ(0, ran.status) << ran.output;
  const auto mix = ReadAll(dir.File("mix.wav"));
  ASSERT_GT(mix.size(), 44u);
  const size_t samples = (mix.size() - 44) / 2;
  std::vector<std::vector<uint8_t>> stems;
  for (int t = 1; t <= 8; ++t) {
    stems.push_back(ReadAll(dir.File("stems/track" + std::to_string(t) + ".wav")));
    ASSERT_EQ(mix.size(), stems.back().size()) << "track" << t;
    EXPECT_EQ(std::vector<uint8_t>(mix.begin(), mix.begin() + 44), std::vector<uint8_t>(stems.back().begin(), stems.back().begin() + 44));
  }
  for (int t = 0; t < 8; ++t) {
    bool sound = false;
    for (size_t i = 0; i < samples && !sound; ++i) sound = Sample(stems[t], i) != 0;
    EXPECT_TRUE(sound) << "track" << t + 1 << " is silent";
  }
  for (size_t i = 0; i < samples; ++i) {
    int sum = 0;
    for (const auto& s : stems) sum += Sample(s, i);
    ASSERT_EQ(Sample(mix, i), sum) << "sample " << i;
  }
  // With stems the mix is still the export's.
  const auto plain = RunCommand(kBin + " " + Quote(StarterSong("neon-run.sng")) + " -o " +
                                Quote(dir.File("plain.wav")) + " --max-seconds 20");
  ASSERT_EQ(0, plain.status);
  EXPECT_TRUE(ReadAll(dir.File("plain.wav")) == mix);
}

// --- length limit ---

TEST(RenderProgram, SongThatNeverStopsEndsAtMaxSeconds) {
  ScratchDir dir;
  WriteShortSong(dir.File("loop.sng"), false);
  const auto ran = RunCommand(kBin + " " + Quote(dir.File("loop.sng")) + " -o " + Quote(dir.File("l.wav")) +
                              " --max-seconds 3 --buffer 1024");
  ASSERT_EQ(0, ran.status) << ran.output;
  const auto got = ReadAll(dir.File("l.wav"));
  EXPECT_EQ(44u + 3 * 44100 / 1024 * 1024 * 4, got.size());
  EXPECT_EQ(got.size() - 44, Le32(got, 40));
}

// --- progress ---

TEST(RenderProgram, ProgressOnlyWhenTheErrorStreamIsATerminal) {
  if (RunCommand("command -v script").status != 0) GTEST_SKIP() << "no script(1) for a terminal";
  ScratchDir dir;
  WriteShortSong(dir.File("loop.sng"), false);
  // script(1) gives the program a terminal; the progress line is rewritten in place with CR.
  const auto ran = RunCommand("script -qec " +
                              Quote(kBin + " " + Quote(dir.File("loop.sng")) + " -o " + Quote(dir.File("t.wav")) +
                                    " --max-seconds 5") +
                              " /dev/null");
  ASSERT_EQ(0, ran.status) << ran.output;
  EXPECT_NE(std::string::npos, ran.output.find("\rRendering: ")) << ran.output;
  EXPECT_NE(std::string::npos, ran.output.find("(length limit reached)")) << ran.output;
  EXPECT_EQ(44u + 5 * 44100 / 4096 * 4096 * 4, ReadAll(dir.File("t.wav")).size());
}

// --- --info ---

TEST(RenderProgram, InfoDescribesTheSong) {
  const auto ran = RunCommand(kBin + " --info " + Quote(StarterSong("morning-circuit.sng")));
  ASSERT_EQ(0, ran.status) << ran.output;
  EXPECT_NE(std::string::npos, ran.output.find("Title:       Morning Circuit\n")) << ran.output;
  EXPECT_NE(std::string::npos, ran.output.find("Tempo:       50\n"));
  EXPECT_NE(std::string::npos, ran.output.find("Speed:       6\n"));
  EXPECT_NE(std::string::npos, ran.output.find("00:P00 01:P01"));
  EXPECT_NE(std::string::npos, ran.output.find("11:S00\n"));
  EXPECT_NE(std::string::npos, ran.output.find("Patterns:    00 01 02 03 04 05 06 07 08 (9)"));
  EXPECT_NE(std::string::npos, ran.output.find("Instruments: 01"));

  // The length is the export's length.
  ScratchDir dir;
  const auto wav = FreshExport(StarterSong("morning-circuit.sng"), 44100, 4096, dir.File("e.wav"));
  char length[64];
  std::snprintf(length, sizeof length, "Length:      %.2f s at 44100 Hz\n", (wav.size() - 44) / 4 / 44100.0);
  EXPECT_NE(std::string::npos, ran.output.find(length)) << ran.output;
  EXPECT_NE(std::string::npos, ran.output.find(" LUFS, peak -")) << ran.output;
}

TEST(RenderProgram, InfoOnASongThatNeverStops) {
  ScratchDir dir;
  WriteShortSong(dir.File("loop.sng"), false);
  auto engine = std::make_unique<Engine>();
  SongSettings settings;
  ASSERT_TRUE(LoadSongFile(dir.File("loop.sng"), engine->song, settings).ok());
  AudioExportSetup setup;
  setup.render.maxSeconds = 2;
  const std::string text = render::DescribeSong(*engine, settings, setup);
  EXPECT_NE(std::string::npos, text.find("FF:PFF\n"));  // all 256 positions
  EXPECT_NE(std::string::npos, text.find("cut at the length limit")) << text;
}

// --- bad input ---

TEST(RenderProgram, BadInputGivesOneLineAndWritesNothing) {
  ScratchDir dir;
  const std::string text = "This is a text file, not a song at all.\n";
  tooltest::WriteAll(dir.File("text.sng"), {text.begin(), text.end()});
  auto good = ReadAll(StarterSong("glass-harbour.sng"));
  good.resize(good.size() / 2);
  tooltest::WriteAll(dir.File("damaged.sng"), good);
  WriteShortSong(dir.File("short.sng"));
  tooltest::WriteAll(dir.File("plain-file"), {'x'});
  struct Case {
    std::string args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Quote(dir.File("text.sng")) + " -o " + Quote(dir.File("a.wav")), "No Kelmar Song"},
      {Quote(dir.File("damaged.sng")) + " -o " + Quote(dir.File("a.wav")), ""},
      {Quote(dir.File("missing.sng")) + " -o " + Quote(dir.File("a.wav")), "File not found"},
      {Quote(dir.File("short.sng")) + " -o " + Quote(dir.File("no/such/a.wav")), "File not found"},
      {Quote(dir.File("short.sng")) + " -o " + Quote(dir.File("a.wav")) + " --stems " + Quote(dir.File("plain-file")),
       ""},
      {Quote(dir.File("short.sng")) + " -o " + Quote(dir.File("a.flac")) + " --bits 24", "applies to WAV only"},
      {Quote(dir.File("short.sng")) + " -o " + Quote(dir.File("a.opus")) + " --rate 44100", "48000 Hz only"},
      {Quote(dir.File("short.sng")) + " -o - --bits 24", "cannot be streamed"},
      {Quote(dir.File("short.sng")) + " --format aiff", "not one of"},
      {Quote(dir.File("short.sng")) + " --pattern 1G", "not a pattern number"},
      {Quote(dir.File("short.sng")) + " --bits 24 --max-seconds 20000", "holds at most 16231 s at 44100 Hz"},
  };
  const auto before = dir.Names();
  for (const Case& c : cases) {
    const auto ran = RunCommand(kBin + " " + c.args);
    EXPECT_NE(0, ran.status) << c.args;
    ASSERT_FALSE(ran.output.empty()) << c.args;
    EXPECT_EQ(ran.output.size() - 1, ran.output.find('\n')) << "one line: " << ran.output;
    EXPECT_EQ(0u, ran.output.rfind("kelmar-render: ", 0)) << ran.output;
    EXPECT_NE(std::string::npos, ran.output.find(c.message)) << ran.output;
    EXPECT_EQ(before, dir.Names()) << "something was written for " << c.args;
  }
  for (const std::string& args : {std::string("--rate 12345 x.sng"), std::string("--buffer 100 x.sng"),
                                  std::string("--max-seconds 0 x.sng"), std::string("")}) {
    const auto ran = RunCommand(kBin + " " + args);
    EXPECT_NE(0, ran.status) << args;
  }
}

// --- --play ---

TEST(RenderProgram, PlayRunsToTheEndOrStopsOnInterrupt) {
  ScratchDir dir;
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  song->Cell(0, 0, 2) = PatternCell{kEmptyNote, 0x60, 0, 0};  // S00 in the third row
  ASSERT_TRUE(SaveSongFile(dir.File("tiny.sng"), *song, SongSettings{}).ok());
  const auto ran = RunCommand("SDL_AUDIODRIVER=dummy " + kBin + " --play " + Quote(dir.File("tiny.sng")));
  if (ran.output.find("no audio device") != std::string::npos) GTEST_SKIP() << "no audio device";
  EXPECT_EQ(0, ran.status) << ran.output;
  EXPECT_EQ(std::vector<std::string>{"tiny.sng"}, dir.Names());

  // A song that never stops, interrupted as Ctrl+C would.
  WriteShortSong(dir.File("loop.sng"), false);
  const auto interrupted = RunCommand("SDL_AUDIODRIVER=dummy timeout --preserve-status -s INT 0.5 " + kBin +
                                      " --play " + Quote(dir.File("loop.sng")));
  EXPECT_EQ(130, interrupted.status) << interrupted.output;
  EXPECT_NE(std::string::npos, interrupted.output.find("Stopped.")) << interrupted.output;
}

}  // namespace
}  // namespace kelmar
