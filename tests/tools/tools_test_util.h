// Helpers for the program tests: running a built program, plus the file tests' scratch folders
// and whole-file reads.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/files_test_util.h"

namespace kelmar::tooltest {

using testing::Le32;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

struct Ran {
  int status = -1;     // exit status
  std::string output;  // standard output and error together
};

// Runs a shell command line; quote arguments with Quote.
inline Ran RunCommand(const std::string& command) {
  Ran ran;
  if (FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) ran.output += buf;
    const int raw = ::pclose(p);
    ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  return ran;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string StarterSong(const std::string& name) {
  return (std::filesystem::path(KELMAR_SOURCE_DIR) / "songs" / name).string();
}

}  // namespace kelmar::tooltest
