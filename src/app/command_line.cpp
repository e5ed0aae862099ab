#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace kelmar {

CommandLine ReadCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CommandLine line;
  CLI::App app{"Kelmar: a keyboard-driven music tracker with a built-in wave-table synthesizer.", "kelmar"};
  app.set_version_flag("--version", "kelmar " KELMAR_VERSION);
  app.add_flag("--keys", line.keys, "Print every command's keys (from keys.conf, else the defaults) and exit");
  app.add_option("FILE", line.file, "A song (.sng) to start with, loaded as Load > Song loads it")->type_name("");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    line.exit = true;
    line.exitCode = app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    line.exit = true;
    line.exitCode = 2;
    err << "kelmar: " << e.what() << "\nRun with --help for more information.\n";
  }
  return line;
}

}  // namespace kelmar
