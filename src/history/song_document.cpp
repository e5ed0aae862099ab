#include "history/song_document.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

namespace kelmar {

namespace {

// Changed bytes closer than this share one splice: a splice's header costs about as much.
constexpr size_t kJoinGap = 8;
constexpr size_t kBlock = 64;

using Colours = std::array<char, 8>;

Colours ColoursOf(const SongSettings& settings) {
  Colours bytes{};
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>(settings.TextColor >> (8 * i));
    bytes[4 + i] = static_cast<char>(settings.BackColor >> (8 * i));
  }
  return bytes;
}

void SetColours(SongSettings& settings, const Colours& bytes) {
  settings.TextColor = 0;
  settings.BackColor = 0;
  for (int i = 0; i < 4; ++i) {
    settings.TextColor |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
    settings.BackColor |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[4 + i])) << (8 * i);
  }
}

char* SongBytes(Song& song) { return reinterpret_cast<char*>(&song); }
const char* SongBytes(const Song& song) { return reinterpret_cast<const char*>(&song); }

size_t FirstDifference(const char* a, const char* b, size_t from, size_t size) {
  // Whole blocks with memcmp first: most of a song is unchanged.
  while (from + kBlock <= size && std::memcmp(a + from, b + from, kBlock) == 0) from += kBlock;
  while (from < size && a[from] == b[from]) ++from;
  return from;
}

// Fixed-size bytes: one splice per run of changed bytes.
void DiffFixed(DocumentPart part, char* shadow, const char* now, size_t size, std::string& changes) {
  size_t start = FirstDifference(shadow, now, 0, size);
  while (start < size) {
    size_t end = start + 1;  // one past the last changed byte of the run
    for (size_t i = end; i < size && i - end < kJoinGap; ++i) {
      if (shadow[i] != now[i]) end = i + 1;
    }
    AppendSplice(changes, part, static_cast<uint32_t>(start), {shadow + start, end - start}, {now + start, end - start});
    std::memcpy(shadow + start, now + start, end - start);
    start = FirstDifference(shadow, now, end, size);
  }
}

// Text: one splice between the common start and the common end.
void DiffText(DocumentPart part, std::string& shadow, const std::string& now, std::string& changes) {
  if (shadow == now) return;
  const size_t shorter = std::min(shadow.size(), now.size());
  size_t head = 0;
  while (head < shorter && shadow[head] == now[head]) ++head;
  size_t tail = 0;
  while (tail < shorter - head && shadow[shadow.size() - 1 - tail] == now[now.size() - 1 - tail]) ++tail;
  AppendSplice(changes, part, static_cast<uint32_t>(head), std::string_view(shadow).substr(head, shadow.size() - head - tail),
               std::string_view(now).substr(head, now.size() - head - tail));
  shadow = now;
}

// Whether `from` stands at the splice's place, so that it can be replaced by `to`.
bool Fits(SongDocument doc, const Splice& s, std::string_view from, std::string_view to) {
  auto fitsIn = [&](std::string_view bytes, bool fixed) {
    if (fixed && from.size() != to.size()) return false;
    return s.offset <= bytes.size() && from.size() <= bytes.size() - s.offset && bytes.substr(s.offset, from.size()) == from;
  };
  switch (s.part) {
    case DocumentPart::Song: return fitsIn({SongBytes(doc.song), sizeof(Song)}, true);
    case DocumentPart::Colours: {
      const Colours colours = ColoursOf(doc.settings);
      return fitsIn({colours.data(), colours.size()}, true);
    }
    case DocumentPart::Title: return fitsIn(doc.settings.Title, false);
    case DocumentPart::Comment: return fitsIn(doc.settings.Comment, false);
  }
  return false;
}

void Replace(SongDocument doc, const Splice& s, std::string_view from, std::string_view to) {
  switch (s.part) {
    case DocumentPart::Song: std::memcpy(SongBytes(doc.song) + s.offset, to.data(), to.size()); break;
    case DocumentPart::Colours: {
      Colours colours = ColoursOf(doc.settings);
      std::memcpy(colours.data() + s.offset, to.data(), to.size());
      SetColours(doc.settings, colours);
      break;
    }
    case DocumentPart::Title: doc.settings.Title.replace(s.offset, from.size(), to); break;
    case DocumentPart::Comment: doc.settings.Comment.replace(s.offset, from.size(), to); break;
  }
}

}  // namespace

void DiffDocument(SongDocument shadow, const Song& nowSong, const SongSettings& nowSettings, std::string& changes) {
  DiffFixed(DocumentPart::Song, SongBytes(shadow.song), SongBytes(nowSong), sizeof(Song), changes);
  Colours colours = ColoursOf(shadow.settings);
  const Colours nowColours = ColoursOf(nowSettings);
  DiffFixed(DocumentPart::Colours, colours.data(), nowColours.data(), colours.size(), changes);
  SetColours(shadow.settings, colours);
  DiffText(DocumentPart::Title, shadow.settings.Title, nowSettings.Title, changes);
  DiffText(DocumentPart::Comment, shadow.settings.Comment, nowSettings.Comment, changes);
}

bool ApplyChanges(SongDocument doc, std::string_view changes, bool forward) {
  std::vector<Splice> splices;
  SpliceReader reader(changes);
  for (Splice s; reader.Next(s);) splices.push_back(s);
  if (reader.Damaged()) return false;
  // A step's splices never overlap, so each can be checked against the document as it is.
  for (const Splice& s : splices) {
    if (!Fits(doc, s, forward ? s.before : s.after, forward ? s.after : s.before)) return false;
  }
  if (!forward) std::reverse(splices.begin(), splices.end());
  for (const Splice& s : splices) Replace(doc, s, forward ? s.before : s.after, forward ? s.after : s.before);
  return true;
}

StepPlace PlaceOf(std::string_view changes) {
  constexpr size_t kInstrumentsEnd = offsetof(Song, Instruments) + sizeof(Song::Instruments);
  constexpr size_t kSynthMode = offsetof(Song, SynthMode);
  constexpr size_t kPatterns = offsetof(Song, Patterns);
  constexpr size_t kPatternsEnd = kPatterns + sizeof(Song::Patterns);
  StepPlace place;
  SpliceReader reader(changes);
  for (Splice s; reader.Next(s);) {
    if (s.part != DocumentPart::Song) continue;
    for (size_t at = s.offset; at < s.offset + s.before.size(); ++at) {
      if (s.before[at - s.offset] == s.after[at - s.offset]) continue;
      int instrument = -1;
      if (at < kInstrumentsEnd) instrument = static_cast<int>(at / sizeof(Instrument));
      if (at >= kSynthMode && at < kSynthMode + kInstrumentCount) instrument = static_cast<int>(at - kSynthMode);
      if (instrument >= 0) {
        place.instruments.set(instrument);
        if (place.instrument < 0) place.instrument = instrument;
      }
      if (at >= kPatterns && at < kPatternsEnd && place.pattern < 0) {
        const size_t cell = (at - kPatterns) / sizeof(PatternCell);
        place.pattern = static_cast<int>(cell / (kTrackCount * kRowCount));
        place.track = static_cast<int>(cell / kRowCount % kTrackCount);
        place.row = static_cast<int>(cell % kRowCount);
      }
    }
  }
  return place;
}

}  // namespace kelmar
