// kelmar-render SONG.sng [-o OUT.wav|-] [--rate R] [--buffer N] [--max-seconds N] [--stems DIR]
//               [--play] [--info]
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/render/render_tool.h"

int main(int argc, char** argv) {
  kelmar::render::Options options;
  CLI::App app{"Renders a Kelmar song to a WAV file, as the program's own export does."};
  app.set_version_flag("--version", "kelmar-render " KELMAR_VERSION);
  app.add_option("song", options.song, "The song file (.sng)")->required();
  app.add_option("-o,--output", options.output,
                 "The WAV file to write, - for standard output (default: the song's name with .wav)");
  app.add_option("--rate", options.rate, "Sample rate in Hz")
      ->check(CLI::IsMember({22050, 32000, 44100, 48000}))
      ->capture_default_str();
  app.add_option("--buffer", options.buffer, "Frames per rendered block")
      ->check(CLI::IsMember({512, 1024, 2048, 4096}))
      ->capture_default_str();
  // Capped so that the WAV size fields (32 bits) always hold the data.
  app.add_option("--max-seconds", options.maxSeconds, "Longest audio to write, for songs that never stop")
      ->check(CLI::Range(1u, 20000u))
      ->capture_default_str();
  app.add_option("--stems", options.stemsDir, "Also write track1.wav..track8.wav into this folder");
  app.add_flag("--play", options.play, "Play the song through the audio device instead of writing it");
  app.add_flag("--info", options.info, "Print what the song holds and its length");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "kelmar-render: " << e.what() << std::endl;
    return 2;
  }
  options.progress = ::isatty(STDERR_FILENO) != 0;
  return kelmar::render::Run(options, std::cout, std::cerr);
}
