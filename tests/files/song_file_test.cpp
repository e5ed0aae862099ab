// Whole song files: layout, packed and plain forms, refusals that leave the song as it
// was, file-system messages, and a save that fails part-way.
#include "files/song_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "files/packed_block.h"
#include "files/song_stream.h"
#include "files_test_util.h"

namespace kelmar {
namespace {

using testing::Bytes;
using testing::NewSong;
using testing::ReadAll;
using testing::SameSong;
using testing::ScratchDir;
using testing::VariedSong;
using testing::WriteAll;

std::vector<uint8_t> PlainFile(const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> f = Bytes("KELMARS0");
  f.insert(f.end(), stream.begin(), stream.end());
  return f;
}

std::vector<uint8_t> PackedFile(const std::vector<uint8_t>& stream, uint32_t statedLength) {
  std::vector<uint8_t> work(PackWorkMemorySize);
  std::vector<uint8_t> body(PackedSizeBound(static_cast<uint32_t>(stream.size())));
  uint32_t n = PackBlock(stream.data(), body.data(), static_cast<uint32_t>(stream.size()), work.data(), nullptr,
                         nullptr);
  EXPECT_NE(n, kPackFailed);
  body.resize(n);
  std::vector<uint8_t> f = Bytes("KELMAPS0");
  for (int k = 0; k < 4; ++k) f.push_back(static_cast<uint8_t>(statedLength >> (8 * k)));
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

// A song and settings that a refused load must leave exactly as they are.
struct Target {
  std::unique_ptr<Song> song = VariedSong(11);
  SongSettings settings{"Mine", "My comment", 0x00010203, 0x00040506};
};

void ExpectUntouched(const Target& t) {
  EXPECT_TRUE(SameSong(*t.song, *VariedSong(11)));
  EXPECT_EQ(t.settings.Title, "Mine");
  EXPECT_EQ(t.settings.Comment, "My comment");
  EXPECT_EQ(t.settings.TextColor, 0x00010203u);
}

FileError Decode(const std::vector<uint8_t>& file, Target& t) {
  return DecodeSongFile(file.data(), file.size(), *t.song, t.settings);
}

TEST(SongFile, NewSongFileHasTheStreamLengthAfterTheMagic) {
  ScratchDir dir;
  auto song = NewSong();
  ASSERT_TRUE(SaveSongFile(dir.File("new.sng"), *song, SongSettings{}).ok());
  std::vector<uint8_t> f = ReadAll(dir.File("new.sng"));
  ASSERT_GT(f.size(), 12u);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 8), "KELMAPS0");
  EXPECT_EQ(f[8], 0x37);
  EXPECT_EQ(f[9], 0x02);
  EXPECT_EQ(f[10], 0x00);
  EXPECT_EQ(f[11], 0x00);
  std::vector<uint8_t> stream(567);
  DepackResult r = DepackBlock(f.data() + 12, f.size() - 12, stream.data(), stream.size());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.written, 567u);
  std::vector<uint8_t> expected;
  ASSERT_TRUE(WriteSongStream(*song, SongSettings{}, expected).ok());
  EXPECT_EQ(stream, expected);
}

TEST(SongFile, SaveLoadRoundTripOverwritesTheOldSong) {
  ScratchDir dir;
  auto song = VariedSong(21, 120, 200);
  SongSettings settings{"T\xC3\xADtulo", "one\r\ntwo", 0x00112233, 0x00445566};
  ASSERT_TRUE(SaveSongFile(dir.File("a.sng"), *song, settings).ok());

  Target t;  // full of other data: everything the file does not set comes from a new song
  ASSERT_TRUE(LoadSongFile(dir.File("a.sng"), *t.song, t.settings).ok());
  EXPECT_TRUE(SameSong(*song, *t.song));
  EXPECT_EQ(t.settings.Title, settings.Title);
  EXPECT_EQ(t.settings.Comment, settings.Comment);
  EXPECT_EQ(t.settings.TextColor, 0x00112233u);
  EXPECT_EQ(t.settings.BackColor, 0x00445566u);
}

TEST(SongFile, LoadStartsFromANewSongButKeepsColoursWithoutCol0) {
  std::vector<uint8_t> stream = {'S', 'P', 'D', '0', 0, 0, 3, 77};
  Target t;
  ASSERT_TRUE(Decode(PlainFile(stream), t).ok());
  EXPECT_TRUE(SameSong(*t.song, [] {
    auto s = NewSong();
    s->Speed = 3;
    s->Tempo = 77;
    return s;
  }().operator*()));
  EXPECT_EQ(t.settings.Title, "Songtitle");
  EXPECT_EQ(t.settings.Comment, "Songcomment");
  EXPECT_EQ(t.settings.TextColor, 0x00010203u);
  EXPECT_EQ(t.settings.BackColor, 0x00040506u);
}

TEST(SongFile, PlainAndPackedFormsLoadAlike) {
  auto song = VariedSong(31);
  SongSettings settings{"x", "y", 1, 2};
  std::vector<uint8_t> stream;
  ASSERT_TRUE(WriteSongStream(*song, settings, stream).ok());
  Target plain, packed;
  ASSERT_TRUE(Decode(PlainFile(stream), plain).ok());
  ASSERT_TRUE(Decode(PackedFile(stream, static_cast<uint32_t>(stream.size())), packed).ok());
  EXPECT_TRUE(SameSong(*plain.song, *song));
  EXPECT_TRUE(SameSong(*packed.song, *song));
  EXPECT_EQ(plain.settings.Title, "x");
  EXPECT_EQ(packed.settings.Comment, "y");
}

TEST(SongFile, RefusalsLeaveTheSongUntouched) {
  std::vector<uint8_t> good;
  ASSERT_TRUE(WriteSongStream(*NewSong(), SongSettings{}, good).ok());
  const std::vector<uint8_t> packed = PackedFile(good, static_cast<uint32_t>(good.size()));
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    const char* message;
  };
  std::vector<uint8_t> corrupt = packed;
  corrupt.resize(corrupt.size() - 3);
  std::vector<uint8_t> longer = PackedFile(good, static_cast<uint32_t>(good.size()) - 1);
  std::vector<uint8_t> shorter = PackedFile(good, static_cast<uint32_t>(good.size()) + 1);
  std::vector<uint8_t> huge = packed;
  huge[10] = 0x06;  // stated length 0x60237: more than the stream buffer
  const Case cases[] = {
      {"empty", {}, "Read beyond end of file"},
      {"7 bytes", Bytes("KELMAPS"), "Read beyond end of file"},
      {"other magic", Bytes("KELMARI2 and more"), "No Kelmar Song"},
      {"lower case", Bytes("kelmaps0\0\0\0\0"), "No Kelmar Song"},
      {"packed, 11 bytes", Bytes("KELMAPS0\x37\x02\x00"), "Read beyond end of file"},
      {"packed, no block", Bytes(std::string("KELMAPS0\x37\x02\x00\x00", 12)), "No Kelmar Song"},
      {"packed, block cut", corrupt, "No Kelmar Song"},
      {"packed, unpacks to more", longer, "No Kelmar Song"},
      {"packed, unpacks to less", shorter, "No Kelmar Song"},
      {"packed, length over buffer", huge, "No Kelmar Song"},
      {"plain, over buffer", PlainFile(std::vector<uint8_t>(kSongStreamCapacity + 1)), "No Kelmar Song"},
  };
  for (const Case& c : cases) {
    Target t;
    FileError e = Decode(c.file, t);
    EXPECT_FALSE(e.ok()) << c.what;
    EXPECT_EQ(e.message(), c.message) << c.what;
    ExpectUntouched(t);
  }
}

TEST(SongFile, EmptyStreamsAreNewSongs) {
  Target t;
  ASSERT_TRUE(Decode(Bytes(std::string("KELMAPS0\0\0\0\0", 12)), t).ok());
  EXPECT_TRUE(SameSong(*t.song, *NewSong()));
  Target u;
  ASSERT_TRUE(Decode(Bytes("KELMARS0"), u).ok());
  EXPECT_TRUE(SameSong(*u.song, *NewSong()));
  Target v;  // a plain stream of exactly the buffer's size is accepted
  ASSERT_TRUE(Decode(PlainFile(std::vector<uint8_t>(kSongStreamCapacity)), v).ok());
}

TEST(SongFile, FileSystemMessages) {
  ScratchDir dir;
  Target t;
  EXPECT_EQ(LoadSongFile(dir.File("missing.sng"), *t.song, t.settings).message(), "File not found");
  EXPECT_EQ(LoadSongFile(dir.File("no/such/folder.sng"), *t.song, t.settings).message(), "File not found");
  EXPECT_EQ(LoadSongFile(dir.path().string(), *t.song, t.settings).message(), "File access denied");
  WriteAll(dir.File("big.sng"), std::vector<uint8_t>(MaxSongFileSize() + 1, 'K'));
  EXPECT_EQ(LoadSongFile(dir.File("big.sng"), *t.song, t.settings).message(), "No Kelmar Song");
  if (::geteuid() != 0) {  // permissions do not bind the superuser
    WriteAll(dir.File("locked.sng"), Bytes("KELMARS0"));
    ::chmod(dir.File("locked.sng").c_str(), 0);
    EXPECT_EQ(LoadSongFile(dir.File("locked.sng"), *t.song, t.settings).message(), "File access denied");
  }
  ExpectUntouched(t);
  EXPECT_EQ(SaveSongFile(dir.File("no/such/folder.sng"), *t.song, t.settings).message(), "File not found");
}

TEST(SongFile, SaveRefusesTooLongTextsAndWritesNothing) {
  ScratchDir dir;
  WriteAll(dir.File("keep.sng"), Bytes("old content"));
  SongSettings settings;
  settings.Comment = std::string(70000, 'c');
  FileError e = SaveSongFile(dir.File("keep.sng"), *NewSong(), settings);
  EXPECT_EQ(e.message(), "Song comment longer than 65535 characters");
  EXPECT_EQ(ReadAll(dir.File("keep.sng")), Bytes("old content"));
  EXPECT_EQ(dir.Names().size(), 1u);
}

// Saves in a child process whose file-size limit stops the write part-way; the child
// reports the message through its exit code.
TEST(SongFile, SaveThatFailsPartWayKeepsTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.File("song.sng");
  const std::vector<uint8_t> old = Bytes("the song that was there before");
  WriteAll(path, old);
  auto song = VariedSong(41, 256, 256);  // random content packs to far more than the limit
  std::vector<uint8_t> full;
  ASSERT_TRUE(EncodeSongFile(*song, SongSettings{}, full).ok());
  ASSERT_GT(full.size(), 20000u);

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead of killing
    rlimit limit{10000, 10000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    FileError e = SaveSongFile(path, *song, SongSettings{});
    ::_exit(e.message() == "Disk full" ? 0 : e.ok() ? 1 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save claimed success, 2: another message";
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"song.sng"});  // no temporary file left

  // Without the limit the same save replaces the file.
  ASSERT_TRUE(SaveSongFile(path, *song, SongSettings{}).ok());
  EXPECT_EQ(ReadAll(path), full);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"song.sng"});
}

}  // namespace
}  // namespace kelmar
