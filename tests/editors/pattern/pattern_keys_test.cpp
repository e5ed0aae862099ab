#include "editors/pattern/pattern_keys.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "editors/pattern/block_selection.h"
#include "editors/pattern/pattern_text.h"

namespace kelmar {
namespace {

// Drives the rules the way a track column does: key-down first, then the character
// stage on the cursor row of the column's own text, which must always agree with the cells.
class PatternKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    song_ = std::make_unique<Song>();
    ResetSong(*song_);
    Redraw();
  }
  void Redraw() {
    for (int t = 0; t < 8; ++t) text_[t] = TrackText(*song_, state_.CurrentPattern, t);
  }
  KeyOutcome Down(PatternKey key, bool shift = false) {
    KeyOutcome out = PatternKeyDown(*song_, state_, track_, key, shift);
    if (out.refreshView) Redraw();
    Follow(out);
    return out;
  }
  // Types characters; pianoKey applies to every character (default: none reported).
  KeyOutcome Type(const std::u32string& chars, int pianoKey = kPianoUnknown) {
    KeyOutcome out;
    for (char32_t ch : chars) {
      out = PatternKeyDown(*song_, state_, track_, PatternKey::Other);
      const int row = state_.TrackCursors[track_].CursorRow;
      const int typedOn = track_;
      out = PatternKeyPress(*song_, state_, track_, ch, pianoKey, RowTextIn(text_[track_], row));
      EXPECT_EQ(text_[typedOn], TrackText(*song_, state_.CurrentPattern, typedOn)) << "after " << char(ch);
      Follow(out);
    }
    return out;
  }
  void Follow(const KeyOutcome& out) {
    if (out.focusTrack >= 0) track_ = out.focusTrack;
  }
  PatternCell& Cell(int track, int row) { return song_->Cell(state_.CurrentPattern, track, row); }
  TrackCursor& Cursor(int track) { return state_.TrackCursors[track]; }
  std::string Line(int track, int row) { return text_[track].substr(12 * row, 10); }

  std::unique_ptr<Song> song_;
  EditorState state_;
  std::string text_[8];
  int track_ = 0;
};

TEST_F(PatternKeys, PianoRowsByCharacterAndByPhysicalKey) {
  const std::string lower = "ZSXDCVGBHNJM", upper = "Q2W3ER5T6Y7U";
  const int lowerEvdev[12] = {44, 31, 45, 32, 46, 47, 34, 48, 35, 49, 36, 50};
  const int upperEvdev[12] = {16, 3, 17, 4, 18, 19, 6, 20, 7, 21, 8, 22};
  for (int s = 0; s < 12; ++s) {
    EXPECT_EQ(PianoKeyFromChar(lower[s]), s);
    EXPECT_EQ(PianoKeyFromChar(std::tolower(lower[s])), s);
    EXPECT_EQ(PianoKeyFromChar(upper[s]), 12 + s);
    EXPECT_EQ(PianoKeyFromEvdev(lowerEvdev[s]), s);
    EXPECT_EQ(PianoKeyFromEvdev(upperEvdev[s]), 12 + s);
  }
  for (char ch : std::string("AFIKLOP01489.-+ ")) EXPECT_EQ(PianoKeyFromChar(ch), kNotPiano) << ch;
  EXPECT_EQ(PianoKeyFromChar(U'é'), kNotPiano);
  for (int evdev : {2, 5, 9, 10, 11, 30, 33, 37, 38, 51, 52, 0}) EXPECT_EQ(PianoKeyFromEvdev(evdev), kNotPiano);
}

TEST_F(PatternKeys, MelodyWithAutoInstrumentEffect) {
  state_.CurrentInstrument = 0x1C;
  state_.EntryOctave = 3;
  Cell(0, 1) = {kEmptyNote, 0x19, 0x44, 0x55};  // a first effect to be replaced, a second to keep
  Redraw();
  EXPECT_EQ(Type(U"z").previewNote, 36);
  EXPECT_EQ(Type(U"S").previewNote, 37);
  EXPECT_EQ(Type(U"q").previewNote, 48);
  EXPECT_EQ(Type(U"7").previewNote, 58);
  EXPECT_EQ(Line(0, 0), "C-3 I1C.00");
  EXPECT_EQ(Line(0, 1), "C#3 I1CD55");
  EXPECT_EQ(Line(0, 2), "C-4 I1C.00");
  EXPECT_EQ(Line(0, 3), "A#4 I1C.00");
  EXPECT_EQ(Cell(0, 1).Effects, 0x29);
  EXPECT_EQ(Cell(0, 1).Param1, 0x1C);
  EXPECT_EQ(Cursor(0).CursorRow, 4);
  EXPECT_EQ(Cursor(0).CursorColumn, 0);
}

TEST_F(PatternKeys, PhysicalKeysDecideNotesWhenKnown) {
  // An AZERTY board types "w" on the key where QWERTY has Z, "a" where it has Q.
  EXPECT_EQ(Type(U"w", PianoKeyFromEvdev(44)).previewNote, 0);
  EXPECT_EQ(Type(U"a", PianoKeyFromEvdev(16)).previewNote, 12);
  // A QWERTY note letter on a non-piano key plays nothing: position rules.
  const KeyOutcome out = Type(U"m", kNotPiano);
  EXPECT_EQ(out.previewNote, -1);
  EXPECT_EQ(Cursor(0).CursorRow, 2);
  // The full stop still erases by character.
  Cursor(0).CursorRow = 0;
  Type(U".", kNotPiano);
  EXPECT_EQ(Cell(0, 0).Note, kEmptyNote);
  EXPECT_EQ(Line(0, 0), "... I00.00");
}

// What four layouts type on the 24 piano places (lower row, then upper), on the places of
// US "-" and "=", and on other keys that type "+", "-", "=" or "_" (0: a dead key).
struct Layout {
  const char* name;
  std::u32string piano;
  char32_t minusPlace, equalPlace;
  std::vector<std::pair<int, char32_t>> others;  // evdev code, character
};
const Layout kLayouts[] = {
    {"US", U"zsxdcvgbhnjmq2w3er5t6y7u", U'-', U'=', {{12, U'_'}, {78, U'+'}}},
    {"German", U"ysxdcvgbhnjmq2w3er5t6z7u", U'ß', 0, {{27, U'+'}, {53, U'-'}, {11, U'='}}},
    {"French", U"wsxdcvgbhnj,aéz\"er(t-yèu", U')', U'=', {{13, U'+'}}},
    {"Dvorak", U";oqejkixdbhm'2,3.p5y6f7g", U'[', U']', {{40, U'-'}, {27, U'='}}},
};

// A key press as X11 reports it: scan code evdev + 8, the key code of the character typed.
PlatformKey X11Key(int evdev, char32_t ch, bool keypad = false) {
  const bool lower = (ch >= U'a' && ch <= U'z') || (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7);
  const int qtKey = ch == 0 ? 0x01001251 : static_cast<int>(lower ? ch - 0x20 : ch);
  return {qtKey, ch ? std::u32string(1, ch) : U"", static_cast<uint32_t>(evdev + 8), ScanCodeSet::X11,
          false, false, false, false, keypad};
}

TEST_F(PatternKeys, EveryLayoutPlaysAllNotesAndStepsBothWays) {
  const int places[24] = {44, 31, 45, 32, 46, 47, 34, 48, 35, 49, 36, 50, 16, 3, 17, 4, 18, 19, 6, 20, 7, 21, 8, 22};
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.name);
    ASSERT_EQ(layout.piano.size(), 24u);
    for (int i = 0; i < 24; ++i) {
      const PlatformKey key = X11Key(places[i], layout.piano[i]);
      EXPECT_EQ(PatternKeyOf(key), PatternKey::Other) << i;
      Cursor(0) = {0, 0};
      Type(std::u32string(1, TypedCharacter(key)), PianoKeyOf(key));
      EXPECT_EQ(Cell(0, 0).Note, i) << i;
    }
    EXPECT_EQ(PatternKeyOf(X11Key(12, layout.minusPlace)), PatternKey::PatternMinus);
    EXPECT_EQ(PatternKeyOf(X11Key(13, layout.equalPlace)), PatternKey::PatternPlus);
    EXPECT_EQ(PianoKeyOf(X11Key(12, layout.minusPlace)), kNotPiano);
    for (const auto& [evdev, ch] : layout.others) {  // shifted step keys still step; others never
      const PatternKey expected = evdev == 78   ? PatternKey::KeypadPlus
                                  : evdev == 12 ? PatternKey::PatternMinus
                                  : evdev == 13 ? PatternKey::PatternPlus
                                                : PatternKey::Other;
      EXPECT_EQ(PatternKeyOf(X11Key(evdev, ch, evdev == 78)), expected) << evdev;
    }
  }
}

TEST_F(PatternKeys, TopRowAtOctaveSevenEntersOctaveEight) {
  state_.EntryOctave = 7;
  EXPECT_EQ(Type(U"u").previewNote, 107);
  EXPECT_EQ(Line(0, 0), "B-8 I00.00");
}

TEST_F(PatternKeys, OtherCharactersInTheNoteColumnDoNothing) {
  for (char32_t ch : std::u32string(U"AFIKLOP01489-+ é")) {
    const KeyOutcome out = Type(std::u32string(1, ch));
    EXPECT_FALSE(out.rowTextChanged);
    EXPECT_EQ(out.previewNote, -1);
  }
  EXPECT_EQ(Cursor(0).CursorRow, 0);
  EXPECT_EQ(Cell(0, 0).Note, kEmptyNote);
}

TEST_F(PatternKeys, OctaveColumn) {
  Cell(0, 0) = {50, 0, 0, 0};  // D-4
  Redraw();
  Cursor(0).CursorColumn = 1;
  const KeyOutcome out = Type(U"6");
  EXPECT_EQ(out.previewNote, -1);
  EXPECT_EQ(Cell(0, 0).Note, 74);
  EXPECT_EQ(Line(0, 0), "D-6 .00.00");
  EXPECT_EQ(state_.EntryOctave, 6);
  EXPECT_EQ(Cursor(0).CursorColumn, 2);
  EXPECT_EQ(Cursor(0).CursorRow, 0);
  // 8, 9 and letters do nothing.
  Cursor(0).CursorColumn = 1;
  Type(U"89a");
  EXPECT_EQ(Cell(0, 0).Note, 74);
  EXPECT_EQ(Cursor(0).CursorColumn, 1);
  // "." erases as in the note column and moves down.
  Type(U".");
  EXPECT_EQ(Cell(0, 0).Note, kEmptyNote);
  EXPECT_EQ(Cursor(0).CursorColumn, 0);
  EXPECT_EQ(Cursor(0).CursorRow, 1);
}

TEST_F(PatternKeys, OctaveDigitOnAnEmptyRowKeepsTheRowEmpty) {
  Cursor(0).CursorColumn = 1;
  Type(U"5");
  EXPECT_EQ(Cell(0, 0).Note, kEmptyNote);
  EXPECT_EQ(Line(0, 0), "... .00.00");
  EXPECT_EQ(state_.EntryOctave, 5);  // still chosen for the next notes
  EXPECT_EQ(Cursor(0).CursorColumn, 2);
  // A note of 128..255 from a file counts as empty as well.
  Cell(0, 1).Note = 200;
  Redraw();
  Cursor(0) = {1, 1};
  Type(U"3");
  EXPECT_EQ(Cell(0, 1).Note, 200);
}

TEST_F(PatternKeys, LastDigitOfTheLastTrackStaysPut) {
  track_ = 7;
  Cursor(7) = {7, 31};
  const KeyOutcome out = Type(U"b");
  EXPECT_EQ(out.focusTrack, -1);
  EXPECT_EQ(Cursor(7).CursorColumn, 7);
  EXPECT_EQ(Line(7, 31), "... .00.0B");
}

TEST_F(PatternKeys, EffectLettersAndErasing) {
  Cursor(0).CursorColumn = 2;
  const std::u32string letters = U"vinmbstjd";
  for (size_t i = 0; i < letters.size(); ++i) {
    Cursor(0).CursorColumn = 5;
    Type(letters.substr(i, 1));
    EXPECT_EQ(Cell(0, 0).Effects & 15, static_cast<int>(i + 1));
    EXPECT_EQ(Cursor(0).CursorColumn, 6);
  }
  Cursor(0).CursorColumn = 2;
  Type(U"i05");
  EXPECT_EQ(Line(0, 0), "... I05D00");
  for (char32_t erase : std::u32string(U" .0")) {
    Cell(0, 0).Effects = 0x29;
    Redraw();
    Cursor(0).CursorColumn = 2;
    Type(std::u32string(1, erase));
    EXPECT_EQ(Cell(0, 0).Effects, 0x09);
    EXPECT_EQ(Cell(0, 0).Param1, 0x05);  // the digits stay
    EXPECT_EQ(Line(0, 0), "... .05D00");
    EXPECT_EQ(Cursor(0).CursorColumn, 3);
  }
  // Letters that are no effect, and "x", do nothing.
  Cursor(0).CursorColumn = 2;
  const KeyOutcome out = Type(U"x");
  EXPECT_FALSE(out.rowTextChanged);
  EXPECT_EQ(Cursor(0).CursorColumn, 2);
}

TEST_F(PatternKeys, DigitsAcceptHexInEitherCaseOnly) {
  Cursor(0).CursorColumn = 3;
  Type(U"g");
  EXPECT_EQ(Cursor(0).CursorColumn, 3);
  Type(U"aB");
  EXPECT_EQ(Cell(0, 0).Param1, 0xAB);
  Cursor(0).CursorColumn = 3;
  Type(U"7");
  EXPECT_EQ(Cell(0, 0).Param1, 0x7B);
  EXPECT_EQ(Line(0, 0), "... .7B.00");
}

TEST_F(PatternKeys, EnterPlaysTheRowAndMovesDown) {
  Cell(0, 0) = {40, 0, 0, 0};
  Redraw();
  Cursor(0) = {4, 0};
  KeyOutcome out = Down(PatternKey::Enter);
  EXPECT_TRUE(out.consumed);
  EXPECT_EQ(out.previewNote, 40);
  EXPECT_EQ(Cursor(0).CursorColumn, 0);
  EXPECT_EQ(Cursor(0).CursorRow, 1);
  out = Down(PatternKey::Enter);  // empty row: nothing sounds
  EXPECT_EQ(out.previewNote, -1);
  EXPECT_EQ(Cursor(0).CursorRow, 2);
  Cursor(0).CursorRow = 31;
  Down(PatternKey::Enter);
  EXPECT_EQ(Cursor(0).CursorRow, 31);
  Type(U"z.");
  EXPECT_EQ(Cursor(0).CursorRow, 31);
  EXPECT_EQ(Cell(0, 31).Note, kEmptyNote);
}

TEST_F(PatternKeys, QuickMovesAndBlockSelection) {
  struct Move {
    PatternKey key;
    bool shift;
    int row, track, column;
    std::optional<BlockRange> selected;
    char32_t typed = 0;  // then a character in the note column, with this edit step
    uint8_t step = 1;
  };
  const std::optional<BlockRange> none;
  const Move moves[] = {
      {PatternKey::PageDown, false, 13, 2, 3, none},
      {PatternKey::PageDown, true, 21, 2, 3, BlockRange{13, 21, 2, 2}},
      {PatternKey::End, true, 31, 2, 3, BlockRange{13, 31, 2, 2}},
      {PatternKey::Right, true, 31, 3, 3, BlockRange{13, 31, 2, 3}},  // whole tracks, the column kept
      {PatternKey::Up, true, 30, 3, 3, BlockRange{13, 30, 2, 3}},
      {PatternKey::Left, true, 30, 2, 3, BlockRange{13, 30, 2, 2}},
      {PatternKey::Left, true, 30, 1, 3, BlockRange{13, 30, 1, 2}},
      {PatternKey::Escape, false, 30, 1, 3, none},
      {PatternKey::PageDown, false, 31, 1, 3, none},
      {PatternKey::Home, true, 0, 1, 3, BlockRange{0, 31, 1, 1}},
      {PatternKey::PageUp, false, 0, 1, 3, none},
      {PatternKey::NextTrack, false, 0, 2, 0, none},
      {PatternKey::PreviousTrack, false, 0, 1, 0, none},
      {PatternKey::PreviousTrack, false, 0, 0, 0, none},
      {PatternKey::PreviousTrack, false, 0, 0, 0, none},
      // A note or "." moves on by the edit step, never past row 31.
      {PatternKey::Other, false, 4, 0, 0, none, U'z', 4},
      {PatternKey::Other, false, 4, 0, 0, none, U'.', 0},
      {PatternKey::Other, false, 5, 0, 0, none, U'x', 1},
      {PatternKey::End, false, 31, 0, 0, none, U'.', 4},
      {PatternKey::Up, false, 31, 0, 0, none, U'z', 4},
      {PatternKey::Other, false, 31, 0, 0, none, U'z', 1},
      {PatternKey::Other, false, 31, 0, 0, none, U'z', 0},
      {PatternKey::Home, false, 0, 0, 0, none},
  };
  track_ = 2;
  Cursor(2) = {3, 5};
  for (const Move& m : moves) {
    Down(m.key, m.shift);
    state_.EditStep = m.step;
    if (m.typed) Type(std::u32string(1, m.typed));
    EXPECT_EQ(std::make_tuple(track_, Cursor(track_).CursorRow, Cursor(track_).CursorColumn),
              std::make_tuple(m.track, m.row, m.column));
    EXPECT_EQ(SelectedRange(state_), m.selected) << "after " << static_cast<int>(m.key);
  }
  // Select All: the track, then the pattern; a selection stays in its own pattern.
  SelectTrackThenPattern(state_, 4);
  EXPECT_EQ(SelectedRange(state_), (BlockRange{0, 31, 4, 4}));
  SelectTrackThenPattern(state_, 4);
  EXPECT_EQ(SelectedRange(state_), (BlockRange{0, 31, 0, 7}));
  state_.CurrentPattern = 1;
  EXPECT_EQ(SelectedRange(state_), none);
  EXPECT_EQ(CommandRange(state_, 0), (BlockRange{0, 0, 0, 0}));
}

}  // namespace
}  // namespace kelmar
