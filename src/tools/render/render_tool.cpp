#include "tools/render/render_tool.h"

#include <unistd.h>

#include <cerrno>
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

class CountingSink : public BlockSink {
 public:
  bool TakeBlock(const uint8_t*, int frames, const int16_t* const*) override {
    frames_ += static_cast<uint64_t>(frames);
    return true;
  }
  uint64_t frames_ = 0;
};

// The mix into one writer, each track's contribution into its own.
class FilesSink : public WavBlockSink {
 public:
  FilesSink(WavWriter& mix, WavWriter* stems) : mix_(mix), stems_(stems) {}
  FileError Block(const uint8_t* mix, int frames, const int16_t* const* stems) override {
    if (FileError err = mix_.Append(mix, static_cast<size_t>(frames) * 4)) {
      failed_ = -1;
      return err;
    }
    if (!stems_ || !stems) return {};
    for (int c = 0; c < kChannelCount; ++c) {
      const int16_t* src = stems[c];
      for (int i = 0; i < 2 * frames; ++i) {
        const uint16_t v = static_cast<uint16_t>(src[i]);
        bytes_[2 * i] = static_cast<uint8_t>(v & 0xFF);
        bytes_[2 * i + 1] = static_cast<uint8_t>(v >> 8);
      }
      if (FileError err = stems_[c].Append(bytes_, static_cast<size_t>(frames) * 4)) {
        failed_ = c;
        return err;
      }
    }
    return {};
  }
  int failed_ = -1;  // the stem whose write failed, -1 for the mix

 private:
  WavWriter& mix_;
  WavWriter* stems_;
  uint8_t bytes_[kWavBlockBufferBytes];
};

std::string Hex2(unsigned v) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", v & 0xFF);
  return text;
}

std::string StemPath(const std::string& dir, int track) {
  return (std::filesystem::path(dir) / ("track" + std::to_string(track + 1) + ".wav")).string();
}

}  // namespace

std::string DefaultOutputName(const std::string& songPath) {
  std::filesystem::path name = std::filesystem::path(songPath).filename();
  if (name.empty()) name = "outfile";
  name.replace_extension(".wav");
  return name.string();
}

FileError LoadFresh(const std::string& songPath, uint16_t rate, uint16_t buffer, std::unique_ptr<Engine>& engine,
                    SongSettings& settings) {
  engine = std::make_unique<Engine>();
  // A freshly started program: the options chosen first, then the song loaded.
  ConfigureFreshEngine(*engine, rate, buffer);
  settings = SongSettings{};
  return LoadSongFile(songPath, engine->song, settings);
}

RenderOutcome RenderToFiles(Engine& engine, const std::string& output, const std::string& stemsDir,
                            uint32_t maxSeconds, const RenderProgressFn& progress) {
  RenderOutcome outcome;
  const bool stems = !stemsDir.empty();
  WavWriter mix;
  std::vector<WavWriter> stemWriters(stems ? kChannelCount : 0);
  auto fail = [&](const std::string& path, FileError err) {
    outcome.result.end = RenderEnd::Failed;
    outcome.result.error = err;
    outcome.failedPath = path;
    return outcome;
  };
  // Prepared as the export prepares: playback stopped before the files are made.
  engine.StopPlayback();
  const FileError created =
      output == "-" ? mix.CreateOn(STDOUT_FILENO, engine.SampleRate) : mix.Create(output, engine.SampleRate, true);
  if (created) return fail(output, created);
  if (stems) {
    // The stems folder is made when missing; a failure shows up as the first stem's error.
    std::error_code ec;
    std::filesystem::create_directories(stemsDir, ec);
  }
  for (int c = 0; c < static_cast<int>(stemWriters.size()); ++c) {
    if (FileError err = stemWriters[c].Create(StemPath(stemsDir, c), engine.SampleRate, true))
      return fail(StemPath(stemsDir, c), err);
  }
  auto sink = std::make_unique<FilesSink>(mix, stems ? stemWriters.data() : nullptr);
  RenderOptions render;
  render.maxSeconds = maxSeconds;
  render.stems = stems;
  render.progress = progress;
  outcome.result = {RenderSongToSink(engine, *sink, render), sink->error()};
  if (outcome.result.end == RenderEnd::Failed) {
    outcome.failedPath = sink->failed_ < 0 ? output : StemPath(stemsDir, sink->failed_);
    return outcome;
  }
  // Sizes first everywhere, then the renames: a failure before the last rename leaves the
  // targets that were not yet renamed untouched.
  if (FileError err = mix.PatchSizes()) return fail(output, err);
  for (int c = 0; c < static_cast<int>(stemWriters.size()); ++c)
    if (FileError err = stemWriters[c].PatchSizes()) return fail(StemPath(stemsDir, c), err);
  for (int c = 0; c < static_cast<int>(stemWriters.size()); ++c)
    if (FileError err = stemWriters[c].Commit()) return fail(StemPath(stemsDir, c), err);
  if (FileError err = mix.Commit()) return fail(output, err);
  return outcome;
}

std::string DescribeSong(Engine& engine, const SongSettings& settings, uint32_t maxSeconds) {
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

  CountingSink sink;
  RenderOptions render;
  render.maxSeconds = maxSeconds;
  const RenderResult result = RenderSongToSink(engine, sink, render);
  char length[96];
  std::snprintf(length, sizeof length, "%.2f s at %u Hz%s", static_cast<double>(sink.frames_) / engine.SampleRate,
                static_cast<unsigned>(engine.SampleRate),
                result.end == RenderEnd::Limit ? " (does not stop by itself: cut at the length limit)" : "");
  out << "Length:      " << length << "\n";
  return out.str();
}

int Run(const Options& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<Engine> engine;
  SongSettings settings;
  if (FileError e = LoadFresh(options.song, options.rate, options.buffer, engine, settings)) {
    err << "kelmar-render: " << options.song << ": " << e.message() << std::endl;
    return 1;
  }
  if (options.info) {
    out << DescribeSong(*engine, settings, options.maxSeconds) << std::flush;
    if (!options.play) return 0;
    // Played from the state a fresh program would have.
    if (FileError e = LoadFresh(options.song, options.rate, options.buffer, engine, settings)) {
      err << "kelmar-render: " << options.song << ": " << e.message() << std::endl;
      return 1;
    }
  }
  if (options.play) return Play(*engine, options, err);

  const std::string output = options.output.empty() ? DefaultOutputName(options.song) : options.output;
  RenderProgressFn progress;
  if (options.progress) {
    auto next = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    progress = [&err, next](const RenderProgress& p) {
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
  const RenderOutcome outcome = RenderToFiles(*engine, output, options.stemsDir, options.maxSeconds, progress);
  if (options.progress) err << "\r" << std::string(40, ' ') << "\r" << std::flush;
  auto shown = [](const std::string& path) { return path == "-" ? std::string("standard output") : path; };
  if (outcome.result.end == RenderEnd::Failed) {
    err << "kelmar-render: " << shown(outcome.failedPath) << ": "
        << outcome.result.error.message() << std::endl;
    return 1;
  }
  if (options.progress) {
    char line[160];
    std::snprintf(line, sizeof line, "Wrote %s: %.2f s%s\n", shown(output).c_str(),
                  static_cast<double>(outcome.result.frames) / engine->SampleRate,
                  outcome.result.end == RenderEnd::Limit ? " (length limit reached)" : "");
    err << line << std::flush;
  }
  return 0;
}

}  // namespace kelmar::render
