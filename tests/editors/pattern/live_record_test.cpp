// Recording's rules: the row a note played at some frame goes to, where each transport
// command starts and what it loops, a chord's tracks, the velocity curve, the recorded cell.
#include "editors/pattern/live_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "editors/pattern/block_selection.h"
#include "editors/pattern/play_start.h"

namespace kelmar {
namespace {

TEST(LiveRecord, ANoteGoesToTheNearestRowOfThisPlayback) {
  auto engine = std::make_unique<Engine>();
  engine->song.Speed = 2;  // rows of 2 ticks of 882 frames
  engine->song.Order[1] = MakeOrderEntry(kOrderPlay, 1);
  engine->StartPlayback(0, 30, 0);
  std::vector<int16_t> out(2 * 1000);
  for (int i = 0; i < 5; ++i) engine->RenderFrames(out.data(), 1000);  // rows 30, 31, 0 of the next entry
  const PlayedRows played = PlayedRowsOf(*engine);
  ASSERT_EQ(played.count, 4);
  EXPECT_EQ(played.rows[3].Frame, 3 * 1764u);

  struct Row {
    uint64_t heard;
    int pattern, row;
    bool upcoming;
  };
  const Row rows[] = {
      {0, 0, 30, false},    // before the first row is heard: the first row
      {881, 0, 30, false},  // just before half the row
      {882, 0, 31, false},  // half of it: the next row
      {2700, 1, 0, false},  // into the next order entry, which plays pattern 1
      {4500, 1, 1, true},   // the player has yet to reach row 1: the preview is its note
      {99999, 1, 1, true},  // past what was rendered
  };
  for (const Row& r : rows) {
    const RecordPlace place = NearestRow(played, r.heard);
    EXPECT_EQ(place.pattern, r.pattern) << r.heard;
    EXPECT_EQ(place.row, r.row) << r.heard;
    EXPECT_EQ(place.upcoming, r.upcoming) << r.heard;
  }
  // A new playback forgets the rows of the one before.
  engine->StartPlayback(0, 0, 3);
  EXPECT_EQ(PlayedRowsOf(*engine).count, 1);
}

TEST(LiveRecord, WhereEachCommandStartsAndWhatALoopPlays) {
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  song->Order[2] = MakeOrderEntry(kOrderPlay, 5);
  struct Row {
    PlayFrom from;
    int pattern, orderRow;
    bool loop;
    int selFirst, selLast;  // -1: no selection
    int cursorRow;
    PlayStart want;
  };
  const Row rows[] = {
      {PlayFrom::Song, 5, 2, true, 4, 7, 9, {2, 0, 0, 0, 31}},  // F5: the order cursor, row 0
      {PlayFrom::Pattern, 5, 2, false, -1, -1, 9, {0, 0, 6, 0, 31}},
      {PlayFrom::Pattern, 5, 2, false, 4, 7, 9, {0, 0, 6, 4, 7}},  // plays from row 0; loops only when on
      {PlayFrom::Pattern, 5, 2, true, 4, 7, 9, {0, 4, 6, 4, 7}},
      {PlayFrom::Cursor, 5, 2, true, 4, 7, 9, {2, 9, 0, 0, 31}},  // the order cursor plays it: the song goes on
      {PlayFrom::Cursor, 6, 2, false, -1, -1, 9, {0, 9, 7, 0, 31}},
      {PlayFrom::Cursor, 6, 2, true, 4, 7, 5, {0, 5, 7, 4, 7}},
      {PlayFrom::Cursor, 6, 2, true, 4, 7, 9, {0, 4, 7, 4, 7}},  // outside the selection: its first row
  };
  for (const Row& r : rows) {
    EditorState state;
    state.CurrentPattern = static_cast<uint8_t>(r.pattern);
    state.OrderRow = static_cast<uint8_t>(r.orderRow);
    state.LoopPattern = r.loop;
    if (r.selFirst >= 0) ExtendSelection(state, r.selFirst, 0, r.selLast, 2);
    const PlayStart start = StartOf(r.from, *song, state, r.cursorRow);
    SCOPED_TRACE(testing::Message() << "from " << int(r.from) << " pattern " << r.pattern << " cursor " << r.cursorRow);
    EXPECT_EQ(start.orderPos, r.want.orderPos);
    EXPECT_EQ(start.row, r.want.row);
    EXPECT_EQ(start.patternMode, r.want.patternMode);
    EXPECT_EQ(start.loopFirst, r.want.loopFirst);
    EXPECT_EQ(start.loopLast, r.want.loopLast);
  }
}

TEST(LiveRecord, ChordsFillTheTracksToTheRightAndVelocityIsSquared) {
  HeldNotes held;
  EXPECT_EQ(held.NoteOn(60, 6), 6);
  EXPECT_EQ(held.NoteOn(64, 6), 7);
  EXPECT_EQ(held.NoteOn(67, 6), 0);  // wraps within the eight tracks
  held.NoteOff(60);
  EXPECT_EQ(held.NoteOn(69, 6), 6);  // the released track is free again
  for (int key = 70; key < 75; ++key) held.NoteOn(key, 6);
  EXPECT_EQ(held.NoteOn(80, 6), 6);  // all eight held: the focused track
  held.Clear();
  EXPECT_EQ(held.NoteOn(64, 2), 2);

  const std::pair<int, int> curve[] = {{127, 0xFF}, {100, 0x99}, {90, 0x88}, {64, 0x44}, {30, 0x11}, {1, 0x00}};
  for (const auto& [velocity, param] : curve) EXPECT_EQ(VelocityParam(velocity), param) << velocity;
}

TEST(LiveRecord, TheNoteCellHasAutoIxxAndItsVelocity) {
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  EditorState state;
  state.CurrentInstrument = 0x12;
  song->Patterns[3][4][7].Effects = 0x0A;  // the second column's effect gives way to the velocity
  WriteRecordedNote(*song, state, {3, 7, false}, 4, 40, 100);
  const PatternCell& cell = song->Patterns[3][4][7];
  EXPECT_EQ(cell.Note, 40);
  EXPECT_EQ(cell.Effects, (kEffectInstrument << 4) | kEffectVolume);
  EXPECT_EQ(cell.Param1, 0x12);
  EXPECT_EQ(cell.Param2, 0x99);
  state.AutoIxxEffect = false;
  WriteRecordedNote(*song, state, {3, 8, false}, 4, 41, 0);
  EXPECT_EQ(song->Patterns[3][4][8].Effects, 0);
}

}  // namespace
}  // namespace kelmar
