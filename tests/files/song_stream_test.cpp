// The chunk stream: the exact bytes of a new song, round trips of every table, the
// writer's leave-out rules and limits, and the reader's rules for odd and damaged streams.
#include "files/song_stream.h"

#include <gtest/gtest.h>

#include <cstring>

#include "files/legacy_instrument.h"
#include "files_test_util.h"

namespace kelmar {
namespace {

using testing::Bytes;
using testing::NewSong;
using testing::SameSong;
using testing::VariedSong;

std::vector<uint8_t> Header(const char* tag, uint16_t length, uint8_t a = 0, uint8_t b = 0) {
  std::vector<uint8_t> h(tag, tag + 4);
  h.push_back(static_cast<uint8_t>(length & 0xFF));
  h.push_back(static_cast<uint8_t>(length >> 8));
  h.push_back(a);
  h.push_back(b);
  return h;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) { to.insert(to.end(), more.begin(), more.end()); }

const std::vector<uint8_t> kEnd = {'E', 'O', 'F', 0x1A};

struct Loaded {
  std::unique_ptr<Song> song = NewSong();
  SongSettings settings;
};

Loaded Read(const std::vector<uint8_t>& stream) {
  Loaded l;
  ReadSongStream(stream.data(), stream.size(), *l.song, l.settings);
  return l;
}

TEST(SongStreamWrite, NewSongIs567BytesExactly) {
  auto song = NewSong();
  SongSettings settings;  // "Songtitle", "Songcomment" without a line break, start colours
  std::vector<uint8_t> s;
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  ASSERT_EQ(s.size(), 567u);

  std::vector<uint8_t> expected = Header("MSG0", 11);
  Append(expected, Bytes("Songcomment"));
  Append(expected, Header("SPD0", 0, 6, 50));
  Append(expected, Header("ORD0", 512));
  for (int k = 0; k < 256; ++k) Append(expected, {static_cast<uint8_t>(k), 0});
  Append(expected, Header("COL0", 8));
  Append(expected, {0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  Append(expected, kEnd);
  EXPECT_EQ(s, expected);
}

TEST(SongStreamWrite, RoundTripKeepsEveryTable) {
  auto song = VariedSong();
  SongSettings settings;
  settings.Title = "Caf\xC3\xA9 \xE2\x82\xAC 1";  // "Café € 1"
  settings.Comment = "line one\r\nline two\r\n\r\nlast";
  settings.TextColor = 0x12345678;  // byte 3 set: stored as it is
  settings.BackColor = 0x00ABCDEF;
  std::vector<uint8_t> s;
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());

  Loaded l = Read(s);
  EXPECT_TRUE(SameSong(*song, *l.song));
  EXPECT_EQ(l.settings.Title, settings.Title);
  EXPECT_EQ(l.settings.Comment, settings.Comment);
  EXPECT_EQ(l.settings.TextColor, 0x12345678u);
  EXPECT_EQ(l.settings.BackColor, 0x00ABCDEFu);
}

TEST(SongStreamWrite, FullSongRoundTripsAndFits) {
  auto song = VariedSong(3, 256, 256);
  for (int i = 0; i < kInstrumentCount; ++i) song->Instruments[i].Filter = 1;  // none all zero
  for (int p = 0; p < kPatternCount; ++p) song->Cell(p, 0, 0).Param2 = 1;        // none empty
  SongSettings settings;
  std::vector<uint8_t> s;
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_EQ(s.size(), 19u + 8 + 256 * 56 + 520 + 256 * 1032 + 16 + 4);
  EXPECT_TRUE(SameSong(*song, *Read(s).song));
}

TEST(SongStreamWrite, LeavesOutOnlyTheExactDefaultTexts) {
  auto song = NewSong();
  const auto has = [](const std::vector<uint8_t>& s, const char* tag) {
    return std::search(s.begin(), s.end(), tag, tag + 4) != s.end();
  };
  std::vector<uint8_t> s;
  SongSettings settings;
  settings.Comment = "Songcomment\r\n";
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_FALSE(has(s, "TTL0"));
  EXPECT_FALSE(has(s, "MSG0"));
  EXPECT_EQ(s.size(), 548u);

  settings.Comment = "Songcomment\n";  // a bare line feed is stored as CR LF
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_FALSE(has(s, "MSG0"));

  settings.Title = "songtitle";
  settings.Comment = "";
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_TRUE(has(s, "TTL0"));
  EXPECT_FALSE(has(s, "MSG0"));
  EXPECT_EQ(Read(s).settings.Title, "songtitle");

  settings.Title = "";
  settings.Comment = "a\nb";
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_FALSE(has(s, "TTL0"));
  EXPECT_EQ(Read(s).settings.Comment, "a\r\nb");
  EXPECT_EQ(Read(s).settings.Title, "Songtitle");  // an empty title comes back as the default
}

TEST(SongStreamWrite, SkipsZeroInstrumentsAndEmptyPatterns) {
  auto song = NewSong();
  song->SynthMode[5] = 1;               // all-zero instrument: not written, mode lost
  song->Instruments[6].VibEnable = 1;  // mode 1 -> INS1
  song->SynthMode[6] = 1;
  song->Instruments[7].Filter = 9;  // mode 0 -> INS2
  song->Cell(4, 7, 31).Effects = 0x10;  // only an effect on an empty note
  std::vector<uint8_t> s;
  ASSERT_TRUE(WriteSongStream(*song, SongSettings{}, s).ok());
  EXPECT_EQ(s.size(), 567u + 2 * 56 + 1032);

  Loaded l = Read(s);
  EXPECT_EQ(l.song->SynthMode[5], 0);
  EXPECT_EQ(l.song->SynthMode[6], 1);
  EXPECT_EQ(l.song->SynthMode[7], 0);
  EXPECT_EQ(l.song->Instruments[6].VibEnable, 1);
  EXPECT_EQ(l.song->Cell(4, 7, 31).Effects, 0x10);
  EXPECT_EQ(l.song->Cell(4, 7, 31).Note, kEmptyNote);
}

TEST(SongStreamWrite, RefusesTextsTheLengthFieldCannotHold) {
  auto song = NewSong();
  std::vector<uint8_t> s;
  SongSettings settings;
  settings.Title = std::string(65535, 'x');
  EXPECT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_EQ(Read(s).settings.Title.size(), 65535u);

  settings.Title = std::string(65536, 'x');
  FileError e = WriteSongStream(*song, settings, s);
  EXPECT_FALSE(e.ok());
  EXPECT_EQ(e.message(), "Song title longer than 65535 characters");
  EXPECT_TRUE(s.empty());

  settings.Title = "t";
  // 65535 two-byte UTF-8 characters are 65535 file characters: accepted.
  std::string euros;
  for (int k = 0; k < 65535; ++k) euros += "\xC3\xA9";
  settings.Comment = euros;
  EXPECT_TRUE(WriteSongStream(*song, settings, s).ok());
  settings.Comment = std::string(65535, 'a') + "\n";  // the line break grows to CR LF
  e = WriteSongStream(*song, settings, s);
  EXPECT_EQ(e.message(), "Song comment longer than 65535 characters");
}

TEST(SongStreamWrite, RefusesAStreamOverTheBuffer) {
  auto song = VariedSong(5, 256, 256);
  for (int i = 0; i < kInstrumentCount; ++i) song->Instruments[i].Filter = 1;
  for (int p = 0; p < kPatternCount; ++p) song->Cell(p, 0, 0).Param2 = 1;
  SongSettings settings;
  settings.Title = std::string(65535, 't');
  settings.Comment = std::string(48000, 'c');
  std::vector<uint8_t> s;
  ASSERT_TRUE(WriteSongStream(*song, settings, s).ok());
  EXPECT_LE(s.size(), kSongStreamCapacity);

  settings.Comment = std::string(65535, 'c');
  FileError e = WriteSongStream(*song, settings, s);
  EXPECT_EQ(e.kind(), FileError::Kind::Limit);
  EXPECT_TRUE(s.empty());
}

TEST(SongStreamRead, LaterChunkWinsAndUnknownTagsAreSkipped) {
  std::vector<uint8_t> s = Header("INS2", 48, 3);
  Append(s, std::vector<uint8_t>(48, 0x11));
  Append(s, Header("ZZZ9", 9));
  Append(s, {'I', 'N', 'S', '1', 1, 2, 3, 4, 5});  // content of the unknown chunk looks like a tag
  Append(s, Header("INS2", 48, 3));
  Append(s, std::vector<uint8_t>(48, 0x22));
  Append(s, Header("SPD0", 0, 1, 2));
  Append(s, Header("SPD0", 0, 7, 99));
  Append(s, kEnd);
  Loaded l = Read(s);
  EXPECT_EQ(l.song->Instruments[3].Filter, 0x22);
  EXPECT_EQ(l.song->Instruments[3].VibEnable, 0x22);
  EXPECT_EQ(l.song->SynthMode[3], 0);
  EXPECT_EQ(l.song->Speed, 7);
  EXPECT_EQ(l.song->Tempo, 99);
  EXPECT_EQ(l.song->SynthMode[1], 0);  // the fake INS1 inside the unknown chunk was skipped
}

TEST(SongStreamRead, InstrumentChunkLengths) {
  auto before = NewSong();
  before->Instruments[9].Filter = 77;

  std::vector<uint8_t> s = Header("INS1", 40, 9);  // wrong length: mode set, content skipped
  Append(s, std::vector<uint8_t>(40, 0x55));
  Append(s, Header("INS0", 40, 10));  // wrong length: nothing at all
  Append(s, std::vector<uint8_t>(40, 0x55));
  Append(s, Header("SPD0", 0, 1, 60));
  Loaded l;
  *l.song = *before;
  ReadSongStream(s.data(), s.size(), *l.song, l.settings);
  EXPECT_EQ(l.song->SynthMode[9], 1);
  EXPECT_EQ(l.song->Instruments[9].Filter, 77);
  EXPECT_EQ(l.song->Instruments[9].SrcOsc1Amp, 0);
  EXPECT_EQ(l.song->SynthMode[10], 0);
  EXPECT_EQ(l.song->Instruments[10].Filter, 0);
  EXPECT_EQ(l.song->Tempo, 60);  // the chunks after them still count

  s = Header("INS2", 0, 9);  // even an empty INS2 sets mode 0
  ReadSongStream(s.data(), s.size(), *l.song, l.settings);
  EXPECT_EQ(l.song->SynthMode[9], 0);
}

TEST(SongStreamRead, Ins0IsConvertedToModeOne) {
  std::vector<uint8_t> legacy(44);
  for (int k = 0; k < 44; ++k) legacy[k] = static_cast<uint8_t>(0xA0 + k);
  std::vector<uint8_t> s = Header("INS0", 44, 200);
  Append(s, legacy);
  Loaded l = Read(s);
  EXPECT_EQ(l.song->SynthMode[200], 1);
  Instrument expected = ConvertLegacyRecord(legacy.data());
  EXPECT_EQ(std::memcmp(&l.song->Instruments[200], &expected, 48), 0);
  EXPECT_EQ(l.song->Instruments[200].SrcOsc1Wave, 0x10);
}

TEST(SongStreamRead, Spd0IgnoresItsLengthAndCol0TakesEightBytes) {
  std::vector<uint8_t> s = Header("SPD0", 300, 4, 0);  // tempo 0 is kept as read
  Append(s, Header("COL0", 0));  // straight after the SPD0 header
  Append(s, {1, 2, 3, 4, 5, 6, 7, 8});
  Append(s, Header("COL0", 500));
  Append(s, {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x00});
  Append(s, Header("TTL0", 2));
  Append(s, Bytes("Hi"));
  Loaded l = Read(s);
  EXPECT_EQ(l.song->Speed, 4);
  EXPECT_EQ(l.song->Tempo, 0);
  EXPECT_EQ(l.settings.TextColor, 0x00302010u);
  EXPECT_EQ(l.settings.BackColor, 0x00605040u);
  EXPECT_EQ(l.settings.Title, "Hi");
}

TEST(SongStreamRead, PatternAndOrderChunksStayInsideTheirTables) {
  std::vector<uint8_t> s = Header("PAT0", 8, 2);  // short: only the first two cells
  Append(s, {10, 0x12, 3, 4, 11, 0, 0, 0});
  Append(s, Header("PAT0", 1030, 255));  // long: clipped to the pattern, rest skipped
  Append(s, std::vector<uint8_t>(1030, 0x33));
  Append(s, Header("ORD0", 520));  // long: clipped to the order list
  Append(s, std::vector<uint8_t>(520, 0x01));
  Append(s, Header("ORD0", 3));  // odd: first entry and the low byte of the second
  Append(s, {0x05, 0x02, 0x09});
  Append(s, Header("SPD0", 0, 2, 70));
  Loaded l = Read(s);
  EXPECT_EQ(l.song->Cell(2, 0, 0).Note, 10);
  EXPECT_EQ(l.song->Cell(2, 0, 0).Effects, 0x12);
  EXPECT_EQ(l.song->Cell(2, 0, 1).Note, 11);
  EXPECT_EQ(l.song->Cell(2, 0, 2).Note, kEmptyNote);
  EXPECT_EQ(l.song->Cell(255, 7, 31).Param2, 0x33);
  EXPECT_EQ(l.song->Order[0], 0x0205);
  EXPECT_EQ(l.song->Order[1], 0x0109);
  EXPECT_EQ(l.song->Order[255], 0x0101);
  EXPECT_EQ(l.song->Tempo, 70);  // the 6 extra PAT0 bytes and 8 ORD0 bytes were skipped
}

TEST(SongStreamRead, EndTagAndStreamEnds) {
  std::vector<uint8_t> s = Header("SPD0", 0, 3, 40);
  Append(s, kEnd);
  Append(s, Header("SPD0", 0, 5, 45));  // after the end tag: never read
  Loaded l = Read(s);
  EXPECT_EQ(l.song->Speed, 3);

  s = Header("SPD0", 0, 3, 40);
  Append(s, kEnd);  // ends with the 4 tag bytes exactly
  EXPECT_EQ(Read(s).song->Tempo, 40);

  s = Header("SPD0", 0, 3, 41);  // no end chunk at all
  EXPECT_EQ(Read(s).song->Tempo, 41);
  EXPECT_EQ(Read({}).song->Tempo, kDefaultTempo);
}

TEST(SongStreamRead, ChunksCutShortAreIgnored) {
  // Each stream is read from a heap block of its exact size, so reading past it would be
  // caught by the address sanitizer.
  const auto readExact = [](const std::vector<uint8_t>& s) {
    Loaded l;
    std::unique_ptr<uint8_t[]> exact(new uint8_t[s.size() ? s.size() : 1]);
    std::memcpy(exact.get(), s.data(), s.size());
    ReadSongStream(exact.get(), s.size(), *l.song, l.settings);
    return l;
  };
  std::vector<uint8_t> s = Header("SPD0", 0, 3, 40);
  Append(s, Header("PAT0", 1024, 1));
  Append(s, std::vector<uint8_t>(100, 0x44));  // content cut short
  Loaded l = readExact(s);
  EXPECT_EQ(l.song->Tempo, 40);
  EXPECT_EQ(l.song->Cell(1, 0, 0).Note, kEmptyNote);

  for (size_t cut = 1; cut < 8; ++cut) {  // header cut short
    std::vector<uint8_t> t = Header("SPD0", 0, 3, 40);
    t.resize(8 + cut);
    std::memcpy(t.data() + 8, "COL0SPD0", cut);
    EXPECT_EQ(readExact(t).song->Tempo, 40) << cut;
  }
  s = Header("COL0", 8);
  Append(s, {1, 2, 3, 4, 5});  // colours cut short: unchanged
  EXPECT_EQ(readExact(s).settings.TextColor, kDefaultTextColor);
  s = Header("TTL0", 10);
  Append(s, Bytes("abc"));
  EXPECT_EQ(readExact(s).settings.Title, "Songtitle");
}

TEST(SongStreamRead, TextIsWindows1252) {
  std::vector<uint8_t> s = Header("TTL0", 3);
  Append(s, {0x80, 0xE9, 0x41});
  Append(s, Header("MSG0", 4));
  Append(s, {'a', 0x0D, 0x0A, 0xFF});
  Loaded l = Read(s);
  EXPECT_EQ(l.settings.Title, "\xE2\x82\xAC\xC3\xA9" "A");
  EXPECT_EQ(l.settings.Comment, "a\r\n\xC3\xBF");
}

}  // namespace
}  // namespace kelmar
