// kelmar-render SONG.sng [-o OUT.wav|.flac|.ogg|.opus|.mp3|-] [--format F] [--quality Q] [--bits 16|24]
//               [--tags] [--rate R] [--buffer N] [--max-seconds N] [--stems DIR] [--loops N] [--fade S]
//               [--from ORDER | --pattern P] [--play] [--info]
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/render/render_tool.h"

int main(int argc, char** argv) {
  kelmar::render::Options options;
  CLI::App app{"Renders a Kelmar song to a WAV, FLAC, Ogg Vorbis, Opus or MP3 file, as the program's own export does."};
  app.set_version_flag("--version", "kelmar-render " KELMAR_VERSION);
  app.add_option("song", options.song, "The song file (.sng)")->required();
  app.add_option("-o,--output", options.output,
                 "The file to write, its format from the suffix (.wav, .flac, .ogg, .opus, .mp3); - for standard "
                 "output, in any format but WAV 24-bit (default: the song's name with .wav)");
  app.add_option("--format", options.format, "wav, wav24, flac, ogg, opus or mp3, whatever the suffix");
  app.add_option("--quality", options.quality, "Ogg Vorbis, Opus and MP3: 0 (smallest) to 10 (best)")
      ->check(CLI::Range(0, 10))
      ->capture_default_str();
  app.add_option("--bits", options.bits, "WAV: 16 or 24 bits per sample")->check(CLI::IsMember({16, 24}));
  app.add_flag("--tags", options.wavTags, "Also tag WAV files with the title and comment (the other formats always are)");
  auto* rate = app.add_option("--rate", options.rate, "Sample rate in Hz (Opus: 48000 only, its default)")
                   ->check(CLI::IsMember({22050, 32000, 44100, 48000}))
                   ->capture_default_str();
  app.add_option("--buffer", options.buffer, "Frames per rendered block")
      ->check(CLI::IsMember({512, 1024, 2048, 4096}))
      ->capture_default_str();
  // Capped so that the WAV size fields (32 bits) always hold the data.
  app.add_option("--max-seconds", options.maxSeconds, "Longest audio to write, for songs that never stop")
      ->check(CLI::Range(1u, 20000u))
      ->capture_default_str();
  app.add_option("--stems", options.stemsDir,
                 "Also write track1..track8 into this folder, in the format of the mix (track1.wav, ...)");
  app.add_option("--loops", options.loops, "How many times a song that jumps back plays its loop (a pattern its rows)")
      ->check(CLI::Range(1, 256))
      ->capture_default_str();
  app.add_option("--fade", options.fadeSeconds, "Seconds of fade-out over the end of the last pass")
      ->check(CLI::Range(0.0, 600.0))
      ->capture_default_str();
  auto* from = app.add_option("--from", options.fromOrder, "Start at this order position, in hex as --info shows it");
  app.add_option("--pattern", options.pattern, "Render this pattern alone (hex), its 32 rows once per loop")
      ->excludes(from);
  app.add_flag("--play", options.play, "Play the song through the audio device instead of writing it");
  app.add_flag("--info", options.info, "Print what the song holds, its length, peak (dBFS) and loudness (LUFS)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "kelmar-render: " << e.what() << std::endl;
    return 2;
  }
  options.rateGiven = rate->count() > 0;
  options.progress = ::isatty(STDERR_FILENO) != 0;
  return kelmar::render::Run(options, std::cout, std::cerr);
}
