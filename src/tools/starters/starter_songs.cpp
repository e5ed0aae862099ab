#include "tools/starters/starter_songs.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "tools/starters/starter_instruments.h"

namespace kelmar::starters {

int NoteNumber(const std::string& name) {
  static const std::map<char, int> semis = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
  size_t i = 0;
  auto it = name.empty() ? semis.end() : semis.find(name[0]);
  if (it == semis.end()) {
    std::fprintf(stderr, "kelmar-make-starters: bad note %s\n", name.c_str());
    std::abort();
  }
  int semi = it->second;
  ++i;
  if (i < name.size() && name[i] == '#') ++semi, ++i;
  else if (i < name.size() && name[i] == 'b') --semi, ++i;
  if (i >= name.size() || name[i] < '0' || name[i] > '8') {
    std::fprintf(stderr, "kelmar-make-starters: bad note %s\n", name.c_str());
    std::abort();
  }
  return (name[i] - '0') * 12 + semi;
}

namespace {

// Tracks, the same in every song.
enum TrackRole { kKick = 0, kSnare = 1, kHat = 2, kBass = 3, kPad1 = 4, kPad2 = 5, kLead = 6, kColour = 7 };

struct Chord {
  int root;   // note number in octave 0
  int third;  // semitones above the root
  int fifth;
};
Chord Minor(const char* root) { return {NoteNumber(std::string(root) + "0"), 3, 7}; }
Chord Major(const char* root) { return {NoteNumber(std::string(root) + "0"), 4, 7}; }

// Writes cells into one song. Instruments get numbers 01, 02, ... in the order first used.
class Composer {
 public:
  explicit Composer(Song& song) : song_(song) { ResetSong(song_); }

  int Slot(const std::string& name) {
    auto it = slots_.find(name);
    if (it != slots_.end()) return it->second;
    const int slot = static_cast<int>(slots_.size()) + 1;
    const StarterInstrument& s = InstrumentNamed(name);
    song_.Instruments[slot] = s.ins;
    song_.SynthMode[slot] = s.synthMode;
    slots_[name] = slot;
    return slot;
  }

  // A note with its instrument ("I") as the first effect.
  void Note(int pattern, int track, int row, int note, const std::string& instrument) {
    PatternCell& c = song_.Cell(pattern, track, row);
    c.Note = static_cast<uint8_t>(note);
    c.Effects = static_cast<uint8_t>((kEffectInstrument << 4) | (c.Effects & 0x0F));
    c.Param1 = static_cast<uint8_t>(Slot(instrument));
  }
  // The second effect of a cell (panning, tempo, speed, break).
  void Effect(int pattern, int track, int row, uint8_t code, uint8_t param) {
    PatternCell& c = song_.Cell(pattern, track, row);
    c.Effects = static_cast<uint8_t>((c.Effects & 0xF0) | code);
    c.Param2 = param;
  }
  void Pan(int pattern, int track, uint8_t leftRight) { Effect(pattern, track, 0, kEffectVolume, leftRight); }

  // "E5:4 C5:2 .:2" -- notes and rests with lengths in rows, from row `from`.
  void Line(int pattern, int track, const std::string& instrument, const std::string& text, int from = 0,
            int transpose = 0) {
    std::istringstream in(text);
    std::string token;
    int row = from;
    while (in >> token) {
      if (token == "|") continue;
      const size_t colon = token.find(':');
      const std::string name = token.substr(0, colon);
      const int length = colon == std::string::npos ? 1 : std::atoi(token.c_str() + colon + 1);
      if (name != "." && row < kRowCount) Note(pattern, track, row, NoteNumber(name) + transpose, instrument);
      row += length;
    }
    if (row > kRowCount) {
      std::fprintf(stderr, "kelmar-make-starters: line too long in pattern %d track %d\n", pattern, track);
      std::abort();
    }
  }

  // One character per row: 'x' plays the note, anything else leaves the row empty.
  void Hits(int pattern, int track, const std::string& instrument, int note, const std::string& steps,
            const std::string& accentInstrument = "", char accent = 'o') {
    for (int row = 0; row < kRowCount && row < static_cast<int>(steps.size()); ++row) {
      if (steps[row] == 'x') Note(pattern, track, row, note, instrument);
      else if (steps[row] == accent && !accentInstrument.empty()) Note(pattern, track, row, note, accentInstrument);
    }
  }

  // Two chords, one per bar of 16 rows: pads hold the third and the fifth.
  void Pads(int pattern, const std::string& instrument, const Chord& a, const Chord& b, int octave = 4) {
    int bar = 0;
    for (const Chord& c : {a, b}) {
      Note(pattern, kPad1, bar * 16, c.root + c.third + 12 * octave, instrument);
      Note(pattern, kPad2, bar * 16, c.root + c.fifth + 12 * octave, instrument);
      ++bar;
    }
  }

  // Eighth-note bass on the roots with octave and fifth pickups.
  void Bass(int pattern, const std::string& instrument, const Chord& a, const Chord& b, int octave = 2,
            bool busy = true) {
    static const int shape[8] = {0, 0, 12, 0, 0, 7, 12, 0};
    int bar = 0;
    for (const Chord& c : {a, b}) {
      for (int k = 0; k < 8; ++k) {
        if (!busy && k % 4 != 0) continue;
        Note(pattern, kBass, bar * 16 + 2 * k, c.root + 12 * octave + (busy ? shape[k] : 0), instrument);
      }
      ++bar;
    }
  }

  // Quarter notes of the chord's root (the instrument's arpeggio adds fifths and octaves).
  void Arps(int pattern, int track, const std::string& instrument, const Chord& a, const Chord& b, int octave = 4) {
    int bar = 0;
    for (const Chord& c : {a, b}) {
      for (int k = 0; k < 4; ++k)
        Note(pattern, track, bar * 16 + 4 * k, c.root + 12 * octave + (k == 2 ? c.third : 0), instrument);
      ++bar;
    }
  }

  void Order(std::initializer_list<int> patterns) {
    int pos = 0;
    for (int p : patterns) song_.Order[pos++] = MakeOrderEntry(kOrderPlay, static_cast<uint8_t>(p));
    song_.Order[pos] = MakeOrderEntry(kOrderStop, 0);
  }

  Song& song() { return song_; }

 private:
  Song& song_;
  std::map<std::string, int> slots_;
};

const std::string kKickBar = "x.......x.x.....";
const std::string kSnareBar = "....x.......x...";
const std::string kHatBar = "x.x.x.x.x.x.x.xo";

std::string Twice(const std::string& bar) { return bar + bar; }

void Drums(Composer& c, int p, const std::string& kick, const std::string& snare, const std::string& hats) {
  c.Hits(p, kKick, "drum-kick.kli", NoteNumber("C3"), kick);
  c.Hits(p, kSnare, "drum-snare.kli", NoteNumber("D4"), snare, "drum-tom.kli");
  c.Hits(p, kHat, "drum-hat-closed.kli", NoteNumber("C6"), hats, "drum-hat-open.kli");
}

void StandardPans(Composer& c, int p) {
  c.Pan(p, kHat, 0x9F);
  c.Pan(p, kPad1, 0xFA);
  c.Pan(p, kPad2, 0xAF);
  c.Pan(p, kColour, 0xEB);
  c.Pan(p, kLead, 0xEE);
}

// Morning Circuit: A minor, Am F C G, a square lead with vibrato and a gliding answer.
StarterSong MorningCircuit() {
  StarterSong s{"morning-circuit.sng", std::make_unique<Song>(), {}};
  Composer c(*s.song);
  Song& song = c.song();
  song.Tempo = 50;
  song.Speed = 6;
  const Chord Am = Minor("A"), F = Major("F"), C = Major("C"), G = Major("G"), Dm = Minor("D"), E = Major("E");
  const std::pair<Chord, Chord> verse[2] = {{Am, F}, {C, G}};

  // 0, 1: intro -- pads, slow bass, bells; hats join in the second half.
  for (int p = 0; p < 2; ++p) {
    c.Pads(p, "pad-warm.kli", verse[p].first, verse[p].second);
    c.Bass(p, "bass-sub.kli", verse[p].first, verse[p].second, 2, false);
    c.Arps(p, kColour, "bell-fm.kli", verse[p].first, verse[p].second, 5);
    StandardPans(c, p);
  }
  c.Hits(1, kHat, "drum-hat-closed.kli", NoteNumber("C6"), Twice("....x.......x.x."));
  // 2, 3: groove; 4, 5: the same with the lead.
  for (int p = 2; p < 6; ++p) {
    const auto& ch = verse[p % 2];
    c.Pads(p, "pad-warm.kli", ch.first, ch.second);
    c.Bass(p, "bass-saw.kli", ch.first, ch.second);
    c.Arps(p, kColour, "pluck-arp-fifths.kli", ch.first, ch.second);
    Drums(c, p, Twice(kKickBar), Twice(kSnareBar), Twice(kHatBar));
    StandardPans(c, p);
  }
  c.Line(4, kLead, "lead-square-vib.kli", "E5:4 C5:2 D5:2 E5:4 G5:2 E5:2 | F5:4 E5:2 D5:2 C5:4 A4:4");
  c.Line(5, kLead, "lead-square-vib.kli", "E5:4 G5:2 E5:2 D5:4 C5:4 | D5:4 B4:2 G4:2 D5:6 .:2");
  // 6, 7: bridge over Dm Am / E Am with the gliding lead and a snare fill.
  const std::pair<Chord, Chord> bridge[2] = {{Dm, Am}, {E, Am}};
  for (int p = 6; p < 8; ++p) {
    const auto& ch = bridge[p - 6];
    c.Pads(p, "pad-glass.kli", ch.first, ch.second);
    c.Bass(p, p == 7 ? "bass-pluck.kli" : "bass-saw.kli", ch.first, ch.second);  // old model
    c.Arps(p, kColour, "bell-tine.kli", ch.first, ch.second, 5);
    Drums(c, p, Twice(kKickBar), p == 7 ? kSnareBar + "....x...x.x.xxoo" : Twice(kSnareBar), Twice(kHatBar));
    StandardPans(c, p);
  }
  c.Line(6, kLead, "lead-porta.kli", "F5:8 E5:4 D5:4 | C5:8 E5:8");
  c.Line(7, kLead, "lead-porta.kli", "G#5:4 F5:2 E5:2 D5:4 B4:4 | A4:12 .:4");
  // 8: ending -- one held A minor chord with a bell, a kick and a last bass note.
  c.Pads(8, "pad-warm.kli", Am, Am);
  c.Note(8, kBass, 0, NoteNumber("A1"), "bass-sub.kli");
  c.Note(8, kKick, 0, NoteNumber("C3"), "drum-kick.kli");
  c.Note(8, kColour, 0, NoteNumber("A5"), "bell-fm.kli");
  c.Note(8, kLead, 0, NoteNumber("E5"), "lead-square-vib.kli");
  c.Hits(8, kHat, "drum-hat-open.kli", NoteNumber("C6"), "x");
  c.Note(8, kSnare, 0, NoteNumber("D4"), "drum-tom.kli");
  StandardPans(c, 8);
  c.Order({0, 1, 2, 3, 4, 5, 4, 5, 6, 7, 6, 7, 4, 5, 2, 3, 8});
  s.settings.Title = "Morning Circuit";
  s.settings.Comment = "A minor, 125 rows a minute.\r\nLoad, then F5 to play.";
  return s;
}

// Glass Harbour: D dorian at speed 7, bells and an old-model reed over a plucked bass.
StarterSong GlassHarbour() {
  StarterSong s{"glass-harbour.sng", std::make_unique<Song>(), {}};
  Composer c(*s.song);
  Song& song = c.song();
  song.Tempo = 50;
  song.Speed = 7;
  const Chord Dm = Minor("D"), G = Major("G"), Am = Minor("A"), C = Major("C"), Bb = Major("Bb"), Em = Minor("E");
  const std::pair<Chord, Chord> prog[4] = {{Dm, G}, {Am, C}, {Bb, C}, {Dm, Dm}};

  for (int p = 0; p < 4; ++p) {
    const auto& ch = prog[p];
    c.Pads(p, "pad-old-choir.kli", ch.first, ch.second);
    c.Arps(p, kColour, "bell-fm.kli", ch.first, ch.second, 5);
    c.Bass(p, "bass-pluck.kli", ch.first, ch.second, 2, p < 2);
    StandardPans(c, p);
  }
  // 4..7: the same chords with drums and the reed tune.
  for (int p = 4; p < 8; ++p) {
    const auto& ch = prog[p - 4];
    c.Pads(p, "pad-glass.kli", ch.first, ch.second);
    c.Arps(p, kColour, "bell-tine.kli", ch.first, ch.second, 5);
    c.Bass(p, "bass-pluck.kli", ch.first, ch.second);
    Drums(c, p, Twice("x.......x......."), Twice("....x.......x..."), Twice("x.x.x.xox.x.x.x."));
    StandardPans(c, p);
  }
  c.Line(4, kLead, "lead-old-reed.kli", "A4:6 F4:2 D4:4 E4:4 | D4:6 B4:2 A4:8");
  c.Line(5, kLead, "lead-old-reed.kli", "C5:6 A4:2 E4:4 G4:4 | E5:8 D5:4 C5:4");
  c.Line(6, kLead, "lead-old-reed.kli", "D5:4 F5:4 D5:4 Bb4:4 | C5:4 E5:4 G5:8");
  c.Line(7, kLead, "lead-old-reed.kli", "F5:8 E5:4 C5:4 | D5:14 .:2");
  // 8: a turnaround on Em -> A with the gliding lead, then home.
  c.Pads(8, "pad-warm.kli", Em, Major("A"));
  c.Bass(8, "bass-sub.kli", Em, Major("A"));
  c.Line(8, kLead, "lead-porta.kli", "B4:8 G5:8 | A5:8 C#5:8");
  c.Arps(8, kColour, "pluck-arp-fifths.kli", Em, Major("A"));
  Drums(c, 8, Twice("x.......x......."), "....x.......x.......x...x.x.xxoo", Twice("x.x.x.x.x.x.x.x."));
  StandardPans(c, 8);
  // 9: the last chord.
  c.Pads(9, "pad-glass.kli", Dm, Dm);
  c.Note(9, kBass, 0, NoteNumber("D2"), "bass-sub.kli");
  c.Note(9, kColour, 0, NoteNumber("D6"), "bell-fm.kli");
  c.Note(9, kLead, 0, NoteNumber("A4"), "lead-old-reed.kli");
  c.Note(9, kKick, 0, NoteNumber("C3"), "drum-kick.kli");
  c.Note(9, kSnare, 0, NoteNumber("D4"), "drum-tom.kli");
  c.Hits(9, kHat, "drum-hat-open.kli", NoteNumber("C6"), "x");
  StandardPans(c, 9);
  c.Order({0, 1, 2, 3, 4, 5, 6, 7, 4, 5, 6, 7, 8, 0, 1, 9});
  s.settings.Title = "Glass Harbour";
  s.settings.Comment = "D dorian, slow: bells, an old-model reed and choir.";
  return s;
}

// Neon Run: E minor at tempo 60, speed 5; an arpeggiated saw lead, a half-pattern drum fill
// that breaks early, and a last chorus a little faster.
StarterSong NeonRun() {
  StarterSong s{"neon-run.sng", std::make_unique<Song>(), {}};
  Composer c(*s.song);
  Song& song = c.song();
  song.Tempo = 60;
  song.Speed = 5;
  const Chord Em = Minor("E"), C = Major("C"), G = Major("G"), D = Major("D"), B = Major("B"), Am = Minor("A");
  const std::pair<Chord, Chord> verse[2] = {{Em, C}, {G, D}};
  const std::pair<Chord, Chord> chorus[2] = {{C, D}, {Em, B}};

  // 0, 1: bass and hats only.
  for (int p = 0; p < 2; ++p) {
    c.Bass(p, "bass-saw.kli", verse[p].first, verse[p].second);
    c.Hits(p, kHat, "drum-hat-closed.kli", NoteNumber("C6"), Twice("x.x.x.x.x.x.x.x."));
    c.Hits(p, kKick, "drum-kick.kli", NoteNumber("C3"), Twice("x...x...x...x..."));
    c.Arps(p, kColour, "pluck-bright.kli", verse[p].first, verse[p].second, 4);
    StandardPans(c, p);
  }
  // 2, 3: verse with the arpeggio lead; 4, 5: chorus with the vibrato lead.
  for (int p = 2; p < 6; ++p) {
    const auto& ch = p < 4 ? verse[p - 2] : chorus[p - 4];
    c.Pads(p, "pad-warm.kli", ch.first, ch.second);
    c.Bass(p, p < 4 ? "bass-saw.kli" : "bass-pluck.kli", ch.first, ch.second);
    c.Arps(p, kColour, "pluck-arp-fifths.kli", ch.first, ch.second);
    Drums(c, p, Twice("x...x...x...x.x."), Twice(kSnareBar), Twice("xox.xox.xox.xoxo"));
    StandardPans(c, p);
  }
  c.Line(2, kLead, "lead-saw-arp.kli", "E5:6 G5:2 B5:4 G5:4 | E5:6 G5:2 C6:8");
  c.Line(3, kLead, "lead-saw-arp.kli", "B5:6 A5:2 G5:4 D5:4 | F#5:8 A5:8");
  c.Line(4, kLead, "lead-square-vib.kli", "G5:8 E5:4 C5:4 | A5:8 F#5:4 D5:4");
  c.Line(5, kLead, "lead-square-vib.kli", "B5:8 G5:4 E5:4 | D#5:12 .:4");
  // 6: a drum fill of one bar that breaks to the next position after row 15.
  c.Hits(6, kSnare, "drum-snare.kli", NoteNumber("D4"), "x.x.x.x.xxxxoooo", "drum-tom.kli");
  c.Hits(6, kKick, "drum-kick.kli", NoteNumber("C3"), "x.......x.......");
  c.Hits(6, kHat, "drum-hat-open.kli", NoteNumber("C6"), "x...............");
  c.Note(6, kBass, 0, NoteNumber("B1"), "bass-sub.kli");
  c.Note(6, kPad1, 0, NoteNumber("D#5"), "pad-glass.kli");
  c.Note(6, kPad2, 0, NoteNumber("F#5"), "pad-glass.kli");
  c.Line(6, kLead, "lead-porta.kli", "B5:8 F#5:8");
  c.Note(6, kColour, 0, NoteNumber("B4"), "bell-tine.kli");
  c.Effect(6, kColour, 15, kEffectBreak, 0);
  StandardPans(c, 6);
  // 7: the last chorus starts a little faster and a row longer to breathe: tempo 66.
  for (int p = 7; p < 9; ++p) {
    const auto& ch = chorus[p - 7];
    c.Pads(p, "pad-glass.kli", ch.first, ch.second);
    c.Bass(p, "bass-saw.kli", ch.first, ch.second);
    c.Arps(p, kColour, "bell-tine.kli", ch.first, ch.second, 5);
    Drums(c, p, Twice("x...x...x...x.x."), Twice(kSnareBar), Twice("xox.xox.xox.xoxo"));
    StandardPans(c, p);
  }
  c.Effect(7, kKick, 0, kEffectTempo, 66);
  c.Line(7, kLead, "lead-porta.kli", "G5:8 E5:4 C5:4 | A5:8 F#5:4 D5:4");
  c.Line(8, kLead, "lead-saw-arp.kli", "B5:8 G5:4 E5:4 | D#5:8 F#5:8");
  // 9: the end on E minor, slowing down: speed 8 for the final rows.
  c.Pads(9, "pad-warm.kli", Em, Em);
  c.Note(9, kBass, 0, NoteNumber("E2"), "bass-sub.kli");
  c.Note(9, kLead, 0, NoteNumber("E5"), "lead-square-vib.kli");
  c.Note(9, kColour, 0, NoteNumber("B5"), "bell-fm.kli");
  c.Note(9, kKick, 0, NoteNumber("C3"), "drum-kick.kli");
  c.Note(9, kSnare, 0, NoteNumber("D4"), "drum-tom.kli");
  c.Hits(9, kHat, "drum-hat-open.kli", NoteNumber("C6"), "x");
  c.Effect(9, kKick, 0, kEffectSpeed, 8);
  c.Note(9, kColour, 16, NoteNumber("E6"), "bell-tine.kli");
  StandardPans(c, 9);
  // Am passes once in the bridge: 10, 11.
  for (int p = 10; p < 12; ++p) {
    const Chord a = p == 10 ? Am : C, b = p == 10 ? Em : B;
    c.Pads(p, "pad-old-choir.kli", a, b);
    c.Bass(p, "bass-pluck.kli", a, b, 2, false);
    c.Arps(p, kColour, "bell-fm.kli", a, b, 5);
    c.Hits(p, kHat, "drum-hat-closed.kli", NoteNumber("C6"), Twice("x...x...x...x..."));
    StandardPans(c, p);
  }
  c.Line(10, kLead, "lead-old-reed.kli", "C5:8 B4:8 | G4:8 B4:8");
  c.Line(11, kLead, "lead-old-reed.kli", "E5:8 D5:4 C5:4 | B4:16");
  c.Order({0, 1, 2, 3, 2, 3, 4, 5, 4, 5, 6, 2, 3, 2, 3, 10, 11, 10, 11, 4, 5, 6, 7, 8, 7, 8, 9});
  s.settings.Title = "Neon Run";
  s.settings.Comment = "E minor, tempo 60 and speed 5, a fill that breaks early,\r\na faster last chorus.";
  return s;
}

}  // namespace

std::vector<StarterSong> Songs() {
  std::vector<StarterSong> songs;
  songs.push_back(MorningCircuit());
  songs.push_back(GlassHarbour());
  songs.push_back(NeonRun());
  return songs;
}

}  // namespace kelmar::starters
