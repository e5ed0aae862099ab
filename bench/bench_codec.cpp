// Packed-block codec on song chunk streams: packed size next to gzip -9 and xz -9e of the
// same bytes, packing and depacking speed, and the three figures the codec is held to.
//
// Corpus: the new song, a typical song (a few dozen patterns and instruments), a synthetic
// song with all 256 patterns and instruments whose title and comment bring the stream near
// the 393,216-byte limit, and every song file found under songs/ or tests/data/ of the
// source tree (packed files are depacked first).
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/song.h"
#include "files/depack_path.h"
#include "files/packed_block.h"
#include "files/song_settings.h"
#include "files/song_stream.h"

namespace {

using kelmar::Song;

struct Stream {
  std::string name;
  std::vector<uint8_t> bytes;
  long gzip9 = -1;
  long xz9e = -1;
  uint32_t packed = 0;
  bool starter = false;  // one of the songs shipped in songs/
};

class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 1) {}
  uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t s_;
};

// Instruments built from a few sound templates with small changes, as users make them.
void FillInstruments(Song& song, int count, Rng& rng) {
  uint8_t templates[4][48];
  for (auto& t : templates) {
    for (auto& b : t) b = 0;
    t[0] = static_cast<uint8_t>(rng.Below(256));
    t[1] = static_cast<uint8_t>(0x40 + rng.Below(0x40));
    t[2] = static_cast<uint8_t>(rng.Below(8) << 4);
    t[3] = static_cast<uint8_t>(rng.Below(0x40));
    t[9] = 2, t[10] = 10, t[11] = 20, t[12] = 0, t[13] = 0, t[14] = 255, t[15] = 200, t[16] = 160, t[17] = 0;
    t[18] = static_cast<uint8_t>(rng.Below(16));
    t[22] = static_cast<uint8_t>(rng.Below(256));
    if (rng.Below(2)) t[28] = 3, t[30] = 4, t[31] = 7;  // arpeggio
    if (rng.Below(2)) t[44] = 10, t[45] = 4, t[46] = 3, t[47] = 1;  // vibrato
  }
  for (int i = 0; i < count; ++i) {
    uint8_t* b = song.Instruments[i].bytes();
    std::memcpy(b, templates[rng.Below(4)], 48);
    for (int k = 0, n = static_cast<int>(rng.Below(6)); k < n; ++k) b[rng.Below(48)] = static_cast<uint8_t>(rng.Next());
    song.SynthMode[i] = static_cast<uint8_t>(rng.Below(4) == 0);
  }
}

void FillTrack(kelmar::Track& track, int role, int instruments, Rng& rng) {
  static const int kScale[] = {0, 2, 3, 5, 7, 8, 10};
  const int root = 24 + static_cast<int>(rng.Below(12));
  const uint8_t instrument = static_cast<uint8_t>(rng.Below(static_cast<uint32_t>(instruments)));
  for (int row = 0; row < kelmar::kRowCount; ++row) {
    kelmar::PatternCell& c = track[row];
    bool note = false;
    if (role == 0) note = row % 4 == 0 || (row % 8 == 6 && rng.Below(2));       // drums
    if (role == 1) note = row % 2 == 0;                                          // bass
    if (role == 2) note = rng.Below(3) == 0;                                     // melody
    if (role == 3) note = row % 8 == 0;                                          // chords
    if (!note) continue;
    const int octave = role == 1 ? 0 : role == 0 ? 1 : 2 + static_cast<int>(rng.Below(2));
    c.Note = static_cast<uint8_t>(root + octave * 12 + kScale[rng.Below(role == 0 ? 1 : 7)]);
    if (row == 0 || rng.Below(6) == 0) {
      c.Effects = 0x20;  // instrument
      c.Param1 = instrument;
    }
    if (rng.Below(10) == 0) {
      c.Effects |= 0x01;  // volume
      c.Param2 = static_cast<uint8_t>(rng.Below(64));
    }
  }
}

// Patterns: new ones with drum, bass, melody and chord tracks, or variations of earlier ones.
void FillPatterns(Song& song, int count, int instruments, Rng& rng) {
  for (int p = 0; p < count; ++p) {
    kelmar::Pattern& pattern = song.Patterns[p];
    if (p > 0 && rng.Below(2)) {
      pattern = song.Patterns[rng.Below(static_cast<uint32_t>(p))];
      const int track = static_cast<int>(rng.Below(kelmar::kTrackCount));
      pattern[track] = kelmar::Track{};
      for (auto& c : pattern[track]) c.Note = kelmar::kEmptyNote;
      FillTrack(pattern[track], static_cast<int>(rng.Below(4)), instruments, rng);
      continue;
    }
    for (int t = 0; t < kelmar::kTrackCount; ++t) {
      if (rng.Below(10) < 3) continue;  // silent track
      FillTrack(pattern[t], t < 4 ? t : static_cast<int>(rng.Below(4)), instruments, rng);
    }
  }
  for (int k = 0; k < kelmar::kOrderLength; ++k) {
    song.Order[k] = k < count ? kelmar::MakeOrderEntry(kelmar::kOrderPlay, static_cast<uint8_t>(k))
                              : kelmar::MakeOrderEntry(kelmar::kOrderStop, 0);
  }
}

std::string Words(size_t length, Rng& rng, bool lines) {
  static const char* kWords[] = {"bass", "lead", "verse", "chorus", "drop", "intro", "outro", "pad",   "arp",
                                 "the",  "and",  "tune",  "by",     "for",  "my",    "old",   "chip", "loop"};
  std::string s;
  while (s.size() < length) {
    s += kWords[rng.Below(sizeof(kWords) / sizeof(kWords[0]))];
    s += lines && rng.Below(9) == 0 ? "\r\n" : " ";
  }
  s.resize(length);
  return s;
}

std::vector<uint8_t> StreamOf(const Song& song, const kelmar::SongSettings& settings) {
  std::vector<uint8_t> out;
  if (kelmar::WriteSongStream(song, settings, out)) out.clear();
  return out;
}

std::vector<uint8_t> MadeSong(int patterns, int instruments, size_t textTarget, uint32_t seed) {
  auto song = std::make_unique<Song>();
  kelmar::ResetSong(*song);
  Rng rng(seed);
  FillInstruments(*song, instruments, rng);
  FillPatterns(*song, patterns, instruments, rng);
  kelmar::SongSettings settings;
  settings.Title = "Synthetic tune";
  settings.Comment = "made for the codec benchmark\r\n";
  if (textTarget > 0) {
    // Fill up to textTarget bytes of stream with title and comment (each at most 65535).
    const size_t base = StreamOf(*song, settings).size();
    const size_t room = textTarget > base + 64 ? textTarget - base - 64 : 0;
    const size_t comment = std::min<size_t>(room, 65535);
    settings.Comment = Words(comment, rng, true);
    settings.Title = Words(std::min<size_t>(room - comment, 65535), rng, false);
  }
  return StreamOf(*song, settings);
}

// A song file's chunk stream: packed files are depacked, plain ones taken as they are.
std::vector<uint8_t> StreamOfFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() >= 12 && std::memcmp(file.data(), "KELMAPS0", 8) == 0) {
    std::vector<uint8_t> out(kelmar::kSongStreamCapacity);
    const auto r = kelmar::DepackBlock(file.data() + 12, file.size() - 12, out.data(), out.size());
    if (!r.ok) return {};
    out.resize(r.written);
    return out;
  }
  if (file.size() >= 8 && std::memcmp(file.data(), "KELMARS0", 8) == 0) return {file.begin() + 8, file.end()};
  return {};
}

// Size of the output of an external compressor, or -1 when it is not available.
long ExternalSize(const char* command, const std::vector<uint8_t>& bytes) {
  char path[] = "/tmp/kelmar-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return -1;
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
  long size = -1;
  if (written) {
    const std::string cmd = std::string(command) + " < " + path + " 2>/dev/null";
    if (FILE* p = popen(cmd.c_str(), "r")) {
      char buf[65536];
      size = 0;
      size_t n;
      while ((n = fread(buf, 1, sizeof buf, p)) > 0) size += static_cast<long>(n);
      if (pclose(p) != 0) size = -1;
    }
  }
  std::remove(path);
  return size;
}

uint32_t PackOnce(const std::vector<uint8_t>& in, std::vector<uint8_t>& out, std::vector<uint8_t>& work) {
  out.resize(kelmar::PackedSizeBound(static_cast<uint32_t>(in.size())));
  return kelmar::PackBlock(in.data(), out.data(), static_cast<uint32_t>(in.size()), work.data(), nullptr, nullptr);
}

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The least time of `runs` calls of f, by the process's processor time or, for work that
// uses more than one thread, by the wall clock: on a shared machine the other jobs only ever
// add to a run's time, so the fastest run is the one that measures the code.
template <typename F>
double BestSeconds(int runs, F f, clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const double start = Seconds(clock);
    f();
    best = std::min(best, Seconds(clock) - start);
  }
  return best;
}

std::string Thousands(long v) {
  std::string s = std::to_string(v);
  for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<size_t>(i), ",");
  return s;
}

// The goals: the starter songs pack to no more than gzip -9's deflate data (its 18 bytes of
// header and trailer left out, as a packed block has none), a full stream packs in 50 ms and
// a full song depacks at 2.5 GB/s.
void PrintGoals(const std::vector<Stream>& corpus) {
  long packed = 0, gzip = 0;
  for (const auto& s : corpus) {
    if (!s.starter || s.gzip9 < 18) continue;
    packed += s.packed;
    gzip += s.gzip9 - 18;
  }
  if (gzip > 0) {
    std::printf("starter songs: %s bytes packed against gzip -9's %s (%.2fx; goal <= 1.00x)\n",
                Thousands(packed).c_str(), Thousands(gzip).c_str(),
                static_cast<double>(packed) / static_cast<double>(gzip));
  }
  const auto full = std::find_if(corpus.begin(), corpus.end(), [](const Stream& s) { return s.name == "full_song"; });
  if (full == corpus.end()) return;
  std::vector<uint8_t> out, work(kelmar::PackWorkMemorySize);
  // The match finder runs on a thread of its own beside the parse.
  const double pack = BestSeconds(10, [&] { PackOnce(full->bytes, out, work); }, CLOCK_MONOTONIC);
  const double packProcessor = BestSeconds(10, [&] { PackOnce(full->bytes, out, work); });
  std::printf("pack a full stream: %.0f ms (goal <= 50 ms; %s bytes, best of 10, wall time; %.0f ms processor time)\n",
              pack * 1e3, Thousands(static_cast<long>(full->bytes.size())).c_str(), packProcessor * 1e3);
  out.resize(PackOnce(full->bytes, out, work));
  std::vector<uint8_t> song(kelmar::kSongStreamCapacity);
  const auto depack = [&](kelmar::packed::DepackPath path) {
    return BestSeconds(300,
                       [&] { kelmar::packed::DepackBlock(out.data(), out.size(), song.data(), song.size(), path); });
  };
  const double best = depack(kelmar::packed::DepackPath::Best);
  const double portable = depack(kelmar::packed::DepackPath::Portable);
  const auto rate = [&](double seconds) { return static_cast<double>(full->bytes.size()) / seconds * 1e-9; };
  std::printf("depack a full song: %.1f GB/s (goal >= 2.5 GB/s; best of 300, processor time; %.1f GB/s "
              "without BMI2)\n\n",
              rate(best), rate(portable));
}

std::vector<Stream>& Corpus() {
  static std::vector<Stream> corpus = [] {
    std::vector<Stream> c;
    {
      auto song = std::make_unique<Song>();
      kelmar::ResetSong(*song);
      c.push_back({"new_song", StreamOf(*song, kelmar::SongSettings{})});
    }
    c.push_back({"typical_song", MadeSong(40, 24, 0, 7)});
    c.push_back({"full_song", MadeSong(256, 256, kelmar::kSongStreamCapacity, 11)});
    for (const char* dir : {"songs", "tests/data"}) {
      const std::filesystem::path root = std::filesystem::path(KELMAR_SOURCE_DIR) / dir;
      std::error_code ec;
      if (!std::filesystem::is_directory(root, ec)) continue;
      for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec)) {
        if (e.path().extension() != ".sng") continue;
        std::vector<uint8_t> s = StreamOfFile(e.path());
        if (!s.empty()) c.push_back({e.path().stem().string(), std::move(s), -1, -1, 0, std::string(dir) == "songs"});
      }
    }
    // KELMAR_CODEC_CORPUS_DIR=dir writes the streams out, to try other packers on them.
    if (const char* dir = std::getenv("KELMAR_CODEC_CORPUS_DIR")) {
      for (const auto& s : c) {
        std::ofstream f(std::filesystem::path(dir) / (s.name + ".stream"), std::ios::binary);
        f.write(reinterpret_cast<const char*>(s.bytes.data()), static_cast<std::streamsize>(s.bytes.size()));
      }
    }
    std::vector<uint8_t> out, work(kelmar::PackWorkMemorySize);
    long bytes = 0, packed = 0, gzip = 0, xz = 0;
    std::printf("%-24s %9s %9s %9s %9s\n", "stream", "bytes", "packed", "gzip -9", "xz -9e");
    for (auto& s : c) {
      s.gzip9 = ExternalSize("gzip -9 -c", s.bytes);
      s.xz9e = ExternalSize("xz -9e -c", s.bytes);
      s.packed = PackOnce(s.bytes, out, work);
      std::printf("%-24s %9zu %9u %9ld %9ld\n", s.name.c_str(), s.bytes.size(), s.packed, s.gzip9, s.xz9e);
      bytes += static_cast<long>(s.bytes.size());
      packed += s.packed;
      gzip += s.gzip9;
      xz += s.xz9e;
    }
    std::printf("%-24s %9ld %9ld %9ld %9ld  (packed = %.1f%% of gzip -9)\n\n", "total", bytes, packed, gzip, xz,
                gzip > 0 ? 100.0 * static_cast<double>(packed) / static_cast<double>(gzip) : 0.0);
    PrintGoals(c);
    std::fflush(stdout);
    return c;
  }();
  return corpus;
}

void BM_Pack(benchmark::State& state, size_t index) {
  const Stream& s = Corpus()[index];
  std::vector<uint8_t> out, work(kelmar::PackWorkMemorySize);
  uint32_t n = 0;
  for (auto _ : state) {
    n = PackOnce(s.bytes, out, work);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.bytes.size()));
  state.counters["bytes"] = static_cast<double>(s.bytes.size());
  state.counters["packed"] = n;
  state.counters["gzip9"] = static_cast<double>(s.gzip9);
  state.counters["xz9e"] = static_cast<double>(s.xz9e);
}

void BM_Depack(benchmark::State& state, size_t index) {
  const Stream& s = Corpus()[index];
  std::vector<uint8_t> packed, work(kelmar::PackWorkMemorySize);
  packed.resize(PackOnce(s.bytes, packed, work));
  std::vector<uint8_t> out(kelmar::kSongStreamCapacity);
  for (auto _ : state) {
    const auto r = kelmar::DepackBlock(packed.data(), packed.size(), out.data(), out.size());
    if (!r.ok || r.written != s.bytes.size()) state.SkipWithError("depack failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.bytes.size()));
}

const bool kRegistered = [] {
  for (size_t i = 0; i < Corpus().size(); ++i) {
    benchmark::RegisterBenchmark(("Pack/" + Corpus()[i].name).c_str(), BM_Pack, i)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Depack/" + Corpus()[i].name).c_str(), BM_Depack, i)
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace
