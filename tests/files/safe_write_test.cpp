// Whole-file writes that never leave a half-written target, and bounded whole-file reads.
#include "files/safe_write.h"

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
