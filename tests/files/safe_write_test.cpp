// Whole-file writes that never leave a half-written target, and bounded whole-file reads.
#include "files/safe_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "files/file_error.h"
#include "files/instrument_file.h"
#include "files/pattern_file.h"
#include "files/wav_file.h"
#include "files_test_util.h"

namespace kelmar {
namespace {

using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(FileErrorText, ErrnoValues) {
  EXPECT_EQ(ErrnoText(ENOENT), "File not found");
  EXPECT_EQ(ErrnoText(EACCES), "File access denied");
  EXPECT_EQ(ErrnoText(EROFS), "File access denied");
  EXPECT_EQ(ErrnoText(ENOSPC), "Disk full");
  EXPECT_EQ(ErrnoText(EFBIG), "Disk full");
  EXPECT_EQ(ErrnoText(EIO), "I/O error 5");
  EXPECT_EQ(FileError::ReadBeyondEnd().message(), "Read beyond end of file");
  EXPECT_TRUE(FileError().ok());
  EXPECT_FALSE(FileError::DiskFull().ok());
}

TEST(SafeWrite, CreatesAndReplacesKeepingPermissions) {
  ScratchDir dir;
  const std::string path = dir.File("f.bin");
  ASSERT_TRUE(WriteFileSafely(path, Bytes("first")).ok());
  EXPECT_EQ(ReadAll(path), Bytes("first"));
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(ModeOf(path), 0666 & ~mask);

  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileSafely(path, Bytes("second, longer")).ok());
  EXPECT_EQ(ReadAll(path), Bytes("second, longer"));
  EXPECT_EQ(ModeOf(path), 0640u);
  ASSERT_TRUE(WriteFileSafely(path, Bytes("")).ok());
  EXPECT_TRUE(ReadAll(path).empty());
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"f.bin"});
}

TEST(SafeWrite, ALinkIsReplacedAtItsTarget) {
  ScratchDir dir;
  WriteAll(dir.File("real.bin"), Bytes("old"));
  std::filesystem::create_symlink(dir.File("real.bin"), dir.File("link.bin"));
  ASSERT_TRUE(WriteFileSafely(dir.File("link.bin"), Bytes("new")).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.bin")));
  EXPECT_EQ(ReadAll(dir.File("real.bin")), Bytes("new"));
}

// The safe write and the WAV writer (replacing, in place) on every kind of target: each name
// stays what it was (a link, a FIFO, a device), the bytes land at the target with its old mode
// or the ordinary one of a new file, and no temporary file stays behind.
TEST(SafeWrite, EveryKindOfTargetStaysWhatItIs) {
  auto write = [](size_t writer, const std::string& p) {
    if (writer == 0) return WriteFileSafely(p, Bytes("abcd"));
    WavWriter w;
    FileError e = w.Create(p, 8000, writer == 1);
    if (!e) e = w.Append("abcd", 4);
    if (!e) e = w.PatchSizes();
    return e ? e : w.Commit();
  };
  auto expected = [](size_t writer, bool streamed) {
    std::vector<uint8_t> v = Bytes("abcd");
    const auto h = MakeWavHeader(8000, streamed ? ~0u : 40, streamed ? ~0u : 4);
    if (writer > 0) v.insert(v.begin(), h.begin(), h.end());
    return v;
  };
  const mode_t mask = ::umask(027);  // new files get 0640, which nothing here has before
  const std::string longName(250, 'n');
  for (size_t w = 0; w < 3; ++w) {
    ScratchDir dir;
    for (const char* name : {"old", "real"}) {
      WriteAll(dir.File(name), Bytes("old"));
      ::chmod(dir.File(name).c_str(), 0604);
    }
    std::filesystem::create_symlink("real", dir.File("link"));
    std::filesystem::create_symlink("later", dir.File("dangling"));
    EXPECT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    struct Case {
      std::string name, landsIn;  // landsIn empty: not a regular file
      mode_t mode;
    };
    std::vector<Case> cases = {{"new", "new", 0640},        {"old", "old", 0604},       {"link", "real", 0604},
                               {"dangling", "later", 0640}, {longName, longName, 0640}, {"fifo", "", 0}};
    if (::geteuid() != 0) cases.push_back({"/dev/null", "", 0});  // never risk the device as root
    for (const Case& c : cases) {
      const std::string path = c.name[0] == '/' ? c.name : dir.File(c.name);
      struct stat before = {}, after = {};
      ::lstat(path.c_str(), &before);
      EXPECT_TRUE(write(w, path).ok()) << w << c.name;
      EXPECT_EQ(::lstat(path.c_str(), &after), 0) << w << c.name;
      EXPECT_EQ(before.st_mode ? before.st_mode & S_IFMT : S_IFREG, after.st_mode & S_IFMT) << w << c.name;
      if (c.landsIn.empty()) continue;
      EXPECT_EQ(ReadAll(dir.File(c.landsIn)), expected(w, false)) << w << c.name;
      EXPECT_EQ(ModeOf(dir.File(c.landsIn)), c.mode) << w << c.name;
    }
    std::vector<uint8_t> piped(100);
    piped.resize(static_cast<size_t>(std::max<ssize_t>(0, ::read(reader, piped.data(), piped.size()))));
    ::close(reader);
    EXPECT_EQ(piped, expected(w, true)) << w;
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"dangling", "fifo", "later", "link", "new", longName, "old", "real"}));
  }
  ::umask(mask);
}

TEST(SafeWrite, RefusalsLeaveEverythingAsItWas) {
  ScratchDir dir;
  EXPECT_EQ(WriteFileSafely(dir.File("none/f.bin"), Bytes("x")).message(), "File not found");
  std::filesystem::create_directory(dir.File("sub"));
  EXPECT_EQ(WriteFileSafely(dir.File("sub"), Bytes("x")).message(), "File access denied");
  if (::geteuid() != 0) {
    WriteAll(dir.File("ro.bin"), Bytes("keep"));
    ::chmod(dir.File("ro.bin").c_str(), 0444);
    EXPECT_EQ(WriteFileSafely(dir.File("ro.bin"), Bytes("x")).message(), "File access denied");
    EXPECT_EQ(ReadAll(dir.File("ro.bin")), Bytes("keep"));
    ::chmod(dir.File("sub").c_str(), 0555);
    EXPECT_EQ(WriteFileSafely(dir.File("sub/f.bin"), Bytes("x")).message(), "File access denied");
    ::chmod(dir.File("sub").c_str(), 0755);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("sub")));
}

// Runs the save in a child under a file-size limit of `limit` bytes; returns the message.
std::string SaveUnderLimit(rlim_t limit, const std::function<FileError()>& save) {
  int pipefd[2];
  EXPECT_EQ(::pipe(pipefd), 0);
  pid_t child = ::fork();
  if (child == 0) {
    ::close(pipefd[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &r);
    FileError e = save();
    std::string text = e.ok() ? "ok" : e.message();
    ssize_t ignored = ::write(pipefd[1], text.data(), text.size());
    (void)ignored;
    ::_exit(0);
  }
  ::close(pipefd[1]);
  std::string text;
  char buf[256];
  ssize_t n;
  while ((n = ::read(pipefd[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  ::close(pipefd[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return text;
}

TEST(SafeWrite, AShortWriteCancelsTheSave) {
  ScratchDir dir;
  const std::string path = dir.File("big.bin");
  WriteAll(path, Bytes("before"));
  std::vector<uint8_t> data(100000, 0x42);
  EXPECT_EQ(SaveUnderLimit(4096, [&] { return WriteFileSafely(path, data); }), "Disk full");
  EXPECT_EQ(ReadAll(path), Bytes("before"));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"big.bin"});

  // The small files go through the same path.
  WriteAll(dir.File("p.klp"), Bytes("old pattern"));
  EXPECT_EQ(SaveUnderLimit(1000, [&] { return SavePatternFile(dir.File("p.klp"), Pattern{}); }), "Disk full");
  EXPECT_EQ(ReadAll(dir.File("p.klp")), Bytes("old pattern"));
  EXPECT_EQ(SaveUnderLimit(100, [&] { return SaveInstrumentFile(dir.File("i.kli"), Instrument{}, 0); }),
            "Disk full");
  EXPECT_FALSE(std::filesystem::exists(dir.File("i.kli")));
  EXPECT_EQ(dir.Names().size(), 2u);
}

TEST(ReadFileBytes, ReadsAtMostOneByteOverTheLimit) {
  ScratchDir dir;
  WriteAll(dir.File("f"), std::vector<uint8_t>(1000, 1));
  std::vector<uint8_t> out;
  bool tooLarge = false;
  ASSERT_TRUE(ReadFileBytes(dir.File("f"), 1000, out, &tooLarge).ok());
  EXPECT_EQ(out.size(), 1000u);
  EXPECT_FALSE(tooLarge);
  ASSERT_TRUE(ReadFileBytes(dir.File("f"), 10, out, &tooLarge).ok());
  EXPECT_EQ(out.size(), 11u);
  EXPECT_TRUE(tooLarge);
  EXPECT_EQ(ReadFileBytes(dir.File("g"), 10, out, &tooLarge).message(), "File not found");
}

}  // namespace
}  // namespace kelmar
