// kelmar's command line: help and version end the program before any window, a file is kept.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kelmar {
namespace {

TEST(CommandLineTest, HelpVersionFileAndMistakes) {
  struct Row {
    std::vector<const char*> args;
    bool exit;
    int code;
    std::string file, out, err;
  };
  const Row rows[] = {
      {{}, false, 0, "", "", ""},
      {{"my song.sng"}, false, 0, "my song.sng", "", ""},
      {{"--version"}, true, 0, "", "kelmar " KELMAR_VERSION "\n", ""},
      {{"--help"}, true, 0, "", "Usage: kelmar [OPTIONS] [FILE]", ""},
      {{"a.sng", "b.sng"}, true, 2, "", "", "kelmar: The following argument was not expected: b.sng"},
      {{"--bogus"}, true, 2, "", "", "kelmar: The following argument was not expected: --bogus"},
  };
  for (const Row& r : rows) {
    std::vector<const char*> argv{"kelmar"};
    argv.insert(argv.end(), r.args.begin(), r.args.end());
    std::ostringstream out, err;
    const CommandLine line = ReadCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    const std::string what = r.args.empty() ? "" : r.args[0];
    EXPECT_EQ(line.exit, r.exit) << what;
    EXPECT_EQ(line.exitCode, r.code) << what;
    if (!r.exit) EXPECT_EQ(line.file, r.file) << what;
    EXPECT_NE(out.str().find(r.out), std::string::npos) << what << ": " << out.str();
    EXPECT_NE(err.str().find(r.err), std::string::npos) << what << ": " << err.str();
  }
}

}  // namespace
}  // namespace kelmar
