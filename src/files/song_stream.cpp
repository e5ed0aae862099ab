#include "files/song_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "files/legacy_instrument.h"
#include "files/text_codepage.h"

namespace kelmar {

namespace {

constexpr size_t kHeaderSize = 8;
constexpr char kEndTag[4] = {'E', 'O', 'F', 0x1A};
constexpr size_t kOrderBytes = sizeof(OrderEntry) * kOrderLength;

bool TagIs(const uint8_t* tag, const char* name) { return std::memcmp(tag, name, 4) == 0; }

class StreamWriter {
 public:
  explicit StreamWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Header(const char* tag, size_t length, uint8_t a, uint8_t b) {
    out_.insert(out_.end(), tag, tag + 4);
    out_.push_back(static_cast<uint8_t>(length & 0xFF));
    out_.push_back(static_cast<uint8_t>(length >> 8));
    out_.push_back(a);
    out_.push_back(b);
  }
  void Bytes(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void U16(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v & 0xFF));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v & 0xFFFF));
    U16(static_cast<uint16_t>(v >> 16));
  }

 private:
  std::vector<uint8_t>& out_;
};

// The comment box separates lines with CR LF; a bare LF from elsewhere is stored the same way.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

bool AllZero(const Instrument& ins) {
  static_assert(sizeof(Instrument) % 8 == 0);
  uint64_t any = 0;
  for (size_t k = 0; k < sizeof(Instrument); k += 8) {
    uint64_t word = 0;
    std::memcpy(&word, ins.bytes() + k, 8);
    any |= word;
  }
  return any == 0;
}

const Pattern& EmptyPattern() {
  static const Pattern empty = [] {
    Pattern p{};
    for (Track& track : p)
      for (PatternCell& cell : track) cell.Note = kEmptyNote;
    return p;
  }();
  return empty;
}

bool PatternEmpty(const Pattern& pattern) { return std::memcmp(&pattern, &EmptyPattern(), sizeof(Pattern)) == 0; }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

FileError WriteSongStream(const Song& song, const SongSettings& settings, std::vector<uint8_t>& out) {
  out.clear();
  const std::string title = Utf8ToWindows1252(settings.Title);
  const std::string comment = Utf8ToWindows1252(WithCrLf(settings.Comment));
  const bool writeTitle = !title.empty() && settings.Title != kDefaultSongTitle;
  const bool writeComment = !comment.empty() && comment != std::string(kDefaultSongComment) + "\r\n";
  if (writeTitle && title.size() > kMaxChunkLength) return FileError::Limit("Song title longer than 65535 characters");
  if (writeComment && comment.size() > kMaxChunkLength)
    return FileError::Limit("Song comment longer than 65535 characters");

  out.reserve(title.size() + comment.size() + kOrderBytes + 64);  // patterns and instruments grow it
  StreamWriter w(out);
  if (writeTitle) {
    w.Header("TTL0", title.size(), 0, 0);
    w.Bytes(title.data(), title.size());
  }
  if (writeComment) {
    w.Header("MSG0", comment.size(), 0, 0);
    w.Bytes(comment.data(), comment.size());
  }
  w.Header("SPD0", 0, song.Speed, song.Tempo);
  for (int i = 0; i < kInstrumentCount; ++i) {
    const Instrument& ins = song.Instruments[i];
    if (AllZero(ins)) continue;
    w.Header(song.SynthMode[i] != 0 ? "INS1" : "INS2", sizeof(Instrument), static_cast<uint8_t>(i), 0);
    w.Bytes(ins.bytes(), sizeof(Instrument));
  }
  w.Header("ORD0", kOrderBytes, 0, 0);
  uint8_t order[kOrderBytes];
  for (int k = 0; k < kOrderLength; ++k) {
    order[2 * k] = static_cast<uint8_t>(song.Order[k] & 0xFF);
    order[2 * k + 1] = static_cast<uint8_t>(song.Order[k] >> 8);
  }
  w.Bytes(order, kOrderBytes);
  for (int p = 0; p < kPatternCount; ++p) {
    if (PatternEmpty(song.Patterns[p])) continue;
    w.Header("PAT0", sizeof(Pattern), static_cast<uint8_t>(p), 0);
    w.Bytes(&song.Patterns[p], sizeof(Pattern));
  }
  w.Header("COL0", 8, 0, 0);
  w.U32(settings.TextColor);
  w.U32(settings.BackColor);
  w.Bytes(kEndTag, 4);

  if (out.size() > kSongStreamCapacity) {
    out.clear();
    return FileError::Limit("Song too large to save: shorten the title or the comment");
  }
  return {};
}

void ReadSongStream(const uint8_t* stream, size_t count, Song& song, SongSettings& settings) {
  size_t pos = 0;
  const auto remaining = [&] { return count - pos; };
  while (remaining() >= 4) {
    const uint8_t* tag = stream + pos;
    if (TagIs(tag, kEndTag)) return;
    if (remaining() < kHeaderSize) return;  // header cut short
    const size_t length = static_cast<size_t>(stream[pos + 4]) | static_cast<size_t>(stream[pos + 5]) << 8;
    const uint8_t a = stream[pos + 6];
    const uint8_t b = stream[pos + 7];
    pos += kHeaderSize;
    const uint8_t* content = stream + pos;

    if (TagIs(tag, "SPD0")) {  // no content, whatever the length says
      song.Speed = a;
      song.Tempo = b;
      continue;
    }
    if (TagIs(tag, "COL0")) {  // always 8 content bytes, whatever the length says
      if (remaining() < 8) return;
      settings.TextColor = ReadU32(content);
      settings.BackColor = ReadU32(content + 4);
      pos += 8;
      continue;
    }
    if (TagIs(tag, "INS2") || TagIs(tag, "INS1")) {
      song.SynthMode[a] = TagIs(tag, "INS1") ? 1 : 0;  // set whatever the length
    }
    if (length > remaining()) return;  // content cut short: ignored
    pos += length;

    if (TagIs(tag, "TTL0")) {
      settings.Title = Windows1252ToUtf8(std::string(reinterpret_cast<const char*>(content), length));
    } else if (TagIs(tag, "MSG0")) {
      settings.Comment = Windows1252ToUtf8(std::string(reinterpret_cast<const char*>(content), length));
    } else if (TagIs(tag, "INS2") || TagIs(tag, "INS1")) {
      if (length == sizeof(Instrument)) std::memcpy(song.Instruments[a].bytes(), content, sizeof(Instrument));
    } else if (TagIs(tag, "INS0")) {
      if (length == kLegacyInstrumentSize) ConvertLegacyInstrument(content, song, a);
    } else if (TagIs(tag, "ORD0")) {
      const size_t n = std::min(length, kOrderBytes);  // never past the order list
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(song.Order.data(), content, n);  // an odd last byte is an entry's low byte
      } else {
        for (size_t k = 0; k < n; ++k) {
          OrderEntry& e = song.Order[k / 2];
          e = (k % 2 == 0) ? static_cast<OrderEntry>((e & 0xFF00) | content[k])
                           : static_cast<OrderEntry>((e & 0x00FF) | content[k] << 8);
        }
      }
    } else if (TagIs(tag, "PAT0")) {
      const size_t n = std::min(length, sizeof(Pattern));  // never past the pattern
      std::memcpy(&song.Patterns[a], content, n);
    }
    // any other tag: skipped by its length
  }
}

}  // namespace kelmar
