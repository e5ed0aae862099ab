// The two songs of the peer benchmark (scripts/bench-peer.sh), written into a folder:
// busy.sng, the busy eight-voice song of eight_voice_song.h played 53 times (just over 200 s),
// and busy8.mod, an 8-channel module of exactly 200 s with a note on every channel all the
// time: looped single-cycle samples, retriggered every eight rows, with vibrato, arpeggio and
// portamento on some channels. Usage: make_peer_songs FOLDER
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "eight_voice_song.h"
#include "files/song_file.h"

namespace {

constexpr int kModChannels = 8;
constexpr int kModRows = 64;
constexpr int kModOrders = 25;  // at 120 BPM and speed 6 a row is 125 ms: 25 patterns of 8 s
constexpr int kSampleLength = 64;

bool WriteSong(const std::string& path) {
  kelmar::Song song;
  kelmar::ResetSong(song);
  kelmar::bench::EightVoiceSong(song);
  // 53 passes of pattern 0 (3.84 s each), then stop; the benchmark renders the first 200 s.
  for (int k = 0; k < kelmar::kOrderLength; ++k)
    song.Order[k] = kelmar::MakeOrderEntry(k < 53 ? kelmar::kOrderPlay : kelmar::kOrderStop, 0);
  return !kelmar::SaveSongFile(path, song, kelmar::SongSettings{});
}

void PutWord(std::vector<uint8_t>& out, int value) {  // big-endian, as the format stores them
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// Sample s: one cycle of kSampleLength bytes, a different shape each.
int8_t SampleByte(int s, int i) {
  const int saw = i * 256 / kSampleLength - 128;
  switch (s % 4) {
    case 0: return static_cast<int8_t>(saw);
    case 1: return static_cast<int8_t>(i < kSampleLength / 2 ? 100 : -100);
    case 2: return static_cast<int8_t>(i < kSampleLength / 2 ? 2 * saw + 128 : 127 - 2 * (saw + 64));
    default: return static_cast<int8_t>((saw * (s + 1) * 37) % 128);
  }
}

std::vector<uint8_t> ModFile() {
  static const int kPeriods[8] = {428, 381, 339, 320, 285, 254, 226, 214};  // C-2 .. C-3
  std::vector<uint8_t> out(20, 0);  // title
  for (int s = 1; s <= 31; ++s) {
    for (int k = 0; k < 22; ++k) out.push_back(0);  // name
    const bool used = s <= kModChannels;
    PutWord(out, used ? kSampleLength / 2 : 0);  // length in words
    out.push_back(0);                           // finetune
    out.push_back(used ? 48 : 0);               // volume
    PutWord(out, 0);                            // loop start
    PutWord(out, used ? kSampleLength / 2 : 1);  // loop length: the whole cycle
  }
  out.push_back(kModOrders);
  out.push_back(127);
  for (int k = 0; k < 128; ++k) out.push_back(0);  // every order position plays pattern 0
  for (char c : std::string("8CHN")) out.push_back(static_cast<uint8_t>(c));
  for (int row = 0; row < kModRows; ++row) {
    for (int c = 0; c < kModChannels; ++c) {
      int effect = 0, param = 0;
      if (row == 0 && c == 0) effect = 0xF, param = 120;  // 120 BPM (speed 6 is the default)
      else if (c == 1 || c == 4 || c == 7) effect = 0x4, param = 0x39;  // vibrato
      else if (c == 5) effect = 0x0, param = 0xC7;  // arpeggio
      else if (c == 6 && row % 8 != 0) effect = 0x2, param = 1;  // portamento up
      const int sample = row % 8 == 0 ? c + 1 : 0;
      const int period = row % 8 == 0 ? kPeriods[(c + row / 8) % 8] : 0;
      out.push_back(static_cast<uint8_t>((sample & 0xF0) | (period >> 8)));
      out.push_back(static_cast<uint8_t>(period));
      out.push_back(static_cast<uint8_t>(((sample & 15) << 4) | effect));
      out.push_back(static_cast<uint8_t>(param));
    }
  }
  for (int s = 0; s < kModChannels; ++s)
    for (int i = 0; i < kSampleLength; ++i) out.push_back(static_cast<uint8_t>(SampleByte(s, i)));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_peer_songs FOLDER\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (!WriteSong(dir + "/busy.sng")) {
    std::fprintf(stderr, "make_peer_songs: cannot write %s/busy.sng\n", dir.c_str());
    return 1;
  }
  const std::vector<uint8_t> mod = ModFile();
  std::ofstream file(dir + "/busy8.mod", std::ios::binary);
  file.write(reinterpret_cast<const char*>(mod.data()), static_cast<std::streamsize>(mod.size()));
  if (!file.flush()) {
    std::fprintf(stderr, "make_peer_songs: cannot write %s/busy8.mod\n", dir.c_str());
    return 1;
  }
  return 0;
}
