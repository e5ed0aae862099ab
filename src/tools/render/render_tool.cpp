#include "tools/render/render_tool.h"

#include <unistd.h>

#include <charconv>
#include <cerrno>
#include <cmath>
#include <optional>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <set>
#include <sstream>
#include <vector>

#include "files/song_file.h"

namespace kelmar::render {
namespace {

std::string Hex2(unsigned v) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", v & 0xFF);
  return text;
}

std::string StemPath(const std::string& dir, int track, const char* suffix) {
  return (std::filesystem::path(dir) / ("track" + std::to_string(track + 1) + suffix)).string();
}

// "1A" or "0x1a": an order position or pattern number as --info shows it.
bool ParseHexByte(const std::string& text, uint8_t& out) {
  const std::string digits = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0 ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 2) return false;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out, 16);
  return ec == std::errc() && end == digits.data() + digits.size();
}

AudioFormat FormatOf(const Options& options, std::string& error) {
  std::optional<AudioFormat> format = AudioFormat::Wav16;
  if (!options.format.empty()) {
    format = FormatNamed(options.format);
    if (!format) error = "--format: " + options.format + " is not one of wav, wav24, flac, ogg, opus, mp3";
  } else if (!options.output.empty() && options.output != "-") {
    format = FormatOfPath(options.output).value_or(AudioFormat::Wav16);
  }
  if (!format) return AudioFormat::Wav16;
  const bool wav = *format == AudioFormat::Wav16 || *format == AudioFormat::Wav24;
  if (options.bits != 0 && !wav) error = "--bits applies to WAV only";
  if (wav && options.bits != 0) format = options.bits == 24 ? AudioFormat::Wav24 : AudioFormat::Wav16;
  return *format;
}

}  // namespace

std::string DefaultOutputName(const std::string& songPath, const std::string& suffix) {
  std::filesystem::path name = std::filesystem::path(songPath).filename();
  if (name.empty()) name = "outfile";
  name.replace_extension(suffix);
  return name.string();
}

Plan PlanRender(const Options& options) {
  Plan plan;
  plan.file.format = FormatOf(options, plan.error);
  const AudioFormatInfo& info = InfoOf(plan.file.format);
  plan.file.sampleRate = options.rate;
  if (info.onlyRate && !options.rateGiven) plan.file.sampleRate = info.onlyRate;
  if (plan.error.empty() && info.onlyRate && plan.file.sampleRate != info.onlyRate)
    plan.error = std::string(info.caption) + " is written at " + std::to_string(info.onlyRate) + " Hz only";
  // The 32-bit size fields of WAV: --max-seconds is bounded for 16-bit samples, not for 24.
  const uint64_t wav24Seconds = (0xFFFFFFFFull - 1024) / (6ull * plan.file.sampleRate);
  if (plan.error.empty() && plan.file.format == AudioFormat::Wav24 && options.maxSeconds > wav24Seconds)
    plan.error = "--max-seconds: a 24-bit WAV holds at most " + std::to_string(wav24Seconds) + " s at " +
                 std::to_string(plan.file.sampleRate) + " Hz";
  plan.file.quality = options.quality;
  plan.file.wavTags = options.wavTags;
  if (!options.fromOrder.empty() && !options.pattern.empty()) plan.error = "--from and --pattern exclude each other";
  if (!options.fromOrder.empty() && !ParseHexByte(options.fromOrder, plan.range.orderPos))
    plan.error = "--from: " + options.fromOrder + " is not an order position (00 to FF)";
  uint8_t pattern = 0;
  if (!options.pattern.empty()) {
    if (ParseHexByte(options.pattern, pattern))
      plan.range.pattern = pattern;
    else
      plan.error = "--pattern: " + options.pattern + " is not a pattern number (00 to FF)";
  }
  plan.output = options.output.empty() ? DefaultOutputName(options.song, info.suffix) : options.output;
  return plan;
}

AudioExportSetup SetupOf(const Options& options, const Plan& plan, const SongSettings& settings, uint32_t rate) {
  AudioExportSetup setup;
  setup.path = plan.output;
  setup.file = plan.file;
  setup.file.sampleRate = rate;
  setup.file.tagText = TagsOfSong(settings, "Kelmar " KELMAR_VERSION);
  if (!options.stemsDir.empty()) {
    for (int c = 0; c < kChannelCount; ++c) setup.stemPaths[c] = StemPath(options.stemsDir, c, InfoOf(plan.file.format).suffix);
  }
  setup.render.maxSeconds = options.maxSeconds;
  setup.render.range = plan.range;
  setup.render.passes = options.loops;
  setup.fadeFrames = static_cast<uint32_t>(std::lround(options.fadeSeconds * rate));
  return setup;
}

FileError LoadFresh(const std::string& songPath, uint16_t rate, uint16_t buffer, std::unique_ptr<Engine>& engine,
                    SongSettings& settings) {
  engine = std::make_unique<Engine>();
  // A freshly started program: the options chosen first, then the song loaded.
  ConfigureFreshEngine(*engine, rate, buffer);
  settings = SongSettings{};
  return LoadSongFile(songPath, engine->song, settings);
}

AudioExportResult RenderToFiles(Engine& engine, const AudioExportSetup& setup) {
  const std::string& firstStem = setup.stemPaths[0];
  if (!firstStem.empty()) {
    // The stems folder is made when missing; a failure shows up as the first stem's error.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(firstStem).parent_path(), ec);
  }
  return ExportAudio(engine, setup);
}

std::string DescribeSong(Engine& engine, const SongSettings& settings, AudioExportSetup setup) {
  const Song& song = engine.song;
  std::ostringstream out;
  out << "Title:       " << settings.Title << "\n";
  out << "Comment:     ";
  {
    std::string comment = settings.Comment;
    size_t start = 0;
    bool first = true;
    while (true) {
      const size_t end = comment.find("\r\n", start);
      const std::string line = comment.substr(start, end == std::string::npos ? std::string::npos : end - start);
      out << (first ? "" : "             ") << line << "\n";
      first = false;
      if (end == std::string::npos) break;
      start = end + 2;
    }
  }
  out << "Tempo:       " << int(song.Tempo) << "\n";
  out << "Speed:       " << int(song.Speed) << "\n";

  // The order list up to its end: the first "S" entry after the start position (the start
  // position is played as a pattern whatever its command), or all 256 positions.
  int last = kOrderLength - 1;
  for (int pos = 1; pos < kOrderLength; ++pos) {
    if (OrderCommandOf(song.Order[pos]) == kOrderStop) {
      last = pos;
      break;
    }
  }
  std::set<int> patterns;
  out << "Order:       ";
  for (int pos = 0; pos <= last; ++pos) {
    const OrderEntry e = song.Order[pos];
    const uint8_t command = OrderCommandOf(e);
    if (pos > 0 && pos % 12 == 0) out << "\n             ";
    out << Hex2(pos) << ":" << kOrderLetters[command] << Hex2(OrderParamOf(e)) << (pos < last ? " " : "");
    if (command == kOrderPlay || command == kOrderOther || pos == 0) patterns.insert(OrderParamOf(e));
  }
  out << "\n";

  std::set<int> instruments;
  for (int p : patterns) {
    for (int t = 0; t < kTrackCount; ++t) {
      for (int r = 0; r < kRowCount; ++r) {
        const PatternCell& c = song.Cell(p, t, r);
        if (c.Effect1() == kEffectInstrument) instruments.insert(c.Param1);
        if (c.Effect2() == kEffectInstrument) instruments.insert(c.Param2);
      }
    }
  }
  out << "Patterns:    ";
  for (int p : patterns) out << Hex2(p) << " ";
  out << "(" << patterns.size() << ")\n";
  out << "Instruments: ";
  for (int i : instruments) out << Hex2(i) << (song.SynthMode[i] ? "o" : "") << " ";
  out << "(" << instruments.size() << "; o = old synth mode)\n";

  // Measured on what an export would write, without writing it.
  setup.path.clear();
  setup.stemPaths = {};
  setup.measureLoudness = true;
  const AudioExportResult result = ExportAudio(engine, setup);
  char length[96];
  std::snprintf(length, sizeof length, "%.2f s at %u Hz%s", static_cast<double>(result.frames) / engine.SampleRate,
                static_cast<unsigned>(engine.SampleRate),
                result.end == RenderEnd::Limit ? " (does not stop by itself: cut at the length limit)" : "");
  out << "Length:      " << length << "\n";
  out << "Loudness:    " << LoudnessText(result.loudness) << "\n";
  return out.str();
}

int Run(const Options& options, std::ostream& out, std::ostream& err) {
  const Plan plan = PlanRender(options);
  if (!plan.error.empty()) {
    err << "kelmar-render: " << plan.error << std::endl;
    return 2;
  }
  const uint16_t rate = static_cast<uint16_t>(plan.file.sampleRate);
  std::unique_ptr<Engine> engine;
  SongSettings settings;
  if (FileError e = LoadFresh(options.song, rate, options.buffer, engine, settings)) {
    err << "kelmar-render: " << options.song << ": " << e.message() << std::endl;
    return 1;
  }
  if (options.info) {
    out << DescribeSong(*engine, settings, SetupOf(options, plan, settings, rate)) << std::flush;
    if (!options.play) return 0;
    // Played from the state a fresh program would have.
    if (FileError e = LoadFresh(options.song, rate, options.buffer, engine, settings)) {
      err << "kelmar-render: " << options.song << ": " << e.message() << std::endl;
      return 1;
    }
  }
  if (options.play) return Play(*engine, options, err);

  AudioExportSetup setup = SetupOf(options, plan, settings, rate);
  setup.measureLoudness = options.progress;  // the closing line shows it
  if (options.progress) {
    auto next = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    setup.render.progress = [&err, next](const RenderProgress& p) {
      // Ten lines a second at most: cheap next to rendering.
      const auto now = std::chrono::steady_clock::now();
      if (now >= *next) {
        *next = now + std::chrono::milliseconds(100);
        char line[80];
        std::snprintf(line, sizeof line, "\rRendering: %7.1f s, order %s ", p.seconds(), Hex2(p.orderPos).c_str());
        err << line << std::flush;
      }
      return true;
    };
  }
  const AudioExportResult outcome = RenderToFiles(*engine, setup);
  if (options.progress) err << "\r" << std::string(40, ' ') << "\r" << std::flush;
  auto shown = [](const std::string& path) { return path == "-" ? std::string("standard output") : path; };
  if (outcome.end == RenderEnd::Failed) {
    err << "kelmar-render: " << shown(outcome.failedPath) << ": " << outcome.error.message() << std::endl;
    return 1;
  }
  if (options.progress) {
    char line[200];
    std::snprintf(line, sizeof line, "Wrote %s: %.2f s, %s%s\n", shown(setup.path).c_str(),
                  static_cast<double>(outcome.frames) / engine->SampleRate, LoudnessText(outcome.loudness).c_str(),
                  outcome.end == RenderEnd::Limit ? " (length limit reached)" : "");
    err << line << std::flush;
  }
  return 0;
}

}  // namespace kelmar::render
