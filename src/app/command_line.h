// kelmar [FILE], --keys, --help and --version. Read before the application object exists, so that
// help and version print without a display and without opening a window.
#pragma once

#include <iosfwd>
#include <string>

namespace kelmar {

struct CommandLine {
  bool exit = false;  // help, the version or an error was printed: the program ends with exitCode
  int exitCode = 0;
  std::string file;   // a song to start with; empty for a new song
  bool keys = false;  // print the key bindings instead of opening a window
};

CommandLine ReadCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace kelmar
