// The song's history: each kind of change undone and redone byte for byte, runs that merge,
// the saved state, the depth limit, and a journal that restores the song and its timeline.
#include "history/history.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace kelmar {
namespace {

struct Doc {
  Doc() : song(std::make_unique<Song>()) { ResetSong(*song); }
  SongDocument view() { return {*song, settings}; }
  bool operator==(const Doc& o) const {
    return std::memcmp(song.get(), o.song.get(), sizeof(Song)) == 0 && settings.Title == o.settings.Title &&
           settings.Comment == o.settings.Comment && settings.TextColor == o.settings.TextColor &&
           settings.BackColor == o.settings.BackColor;
  }
  Doc Copy() const {
    Doc d;
    *d.song = *song;
    d.settings = settings;
    return d;
  }
  std::unique_ptr<Song> song;
  SongSettings settings;
};

using Edit = std::function<void(Doc&)>;

TEST(HistoryTest, EveryKindOfChangeUndoesAndRedoesExactly) {
  const std::pair<const char*, Edit> edits[] = {
      {"note", [](Doc& d) { d.song->Cell(3, 2, 31) = {40, 0x20, 5, 0}; }},
      {"paste track", [](Doc& d) { for (int r = 0; r < 32; ++r) d.song->Cell(0, 7, r) = {uint8_t(r), 0x12, 3, 4}; }},
      {"instrument", [](Doc& d) { d.song->Instruments[255].VolEnv.Len1 = 9; d.song->SynthMode[255] = 1; }},
      {"load song", [](Doc& d) { std::memset(d.song.get(), 0x5A, sizeof(Song)); }},
      {"order", [](Doc& d) { d.song->Order[0] = MakeOrderEntry(kOrderStop, 0); }},
      {"tempo and speed", [](Doc& d) { d.song->Tempo = 0; d.song->Speed = 255; }},
      {"title", [](Doc& d) { d.settings.Title = "Songtitle, longer"; }},
      {"comment cut", [](Doc& d) { d.settings.Comment = "Song"; }},
      {"comment emptied", [](Doc& d) { d.settings.Comment.clear(); }},
      {"colours", [](Doc& d) { d.settings.TextColor = 0x00123456; d.settings.BackColor = 0xFFFFFFFF; }},
  };
  for (const auto& [name, edit] : edits) {
    Doc doc;
    History history(*doc.song, doc.settings);
    const Doc before = doc.Copy();
    edit(doc);
    const Doc after = doc.Copy();
    ASSERT_TRUE(history.Record(doc.view(), name, 2)) << name;
    EXPECT_FALSE(history.Record(doc.view(), "nothing", 2)) << "a command that changes nothing records no step";
    ASSERT_TRUE(history.Undo(doc.view())) << name;
    EXPECT_TRUE(doc == before) << name;
    EXPECT_FALSE(history.Unsaved()) << name;
    ASSERT_TRUE(history.Redo(doc.view())) << name;
    EXPECT_TRUE(doc == after) << name;
    EXPECT_TRUE(history.Unsaved()) << name;
  }
}

TEST(HistoryTest, RunsMergeIntoOneStepAndShowWhereTheyBegan) {
  Doc doc;
  History history(*doc.song, doc.settings);
  const StepRun drag{"bar#1", 0, 1000, true};
  for (int tempo = 51; tempo <= 60; ++tempo) {
    doc.song->Tempo = static_cast<uint8_t>(tempo);
    history.Record(doc.view(), "Tempo", 3, {drag.key, tempo * 5000, 1000, true});  // a drag: time does not matter
  }
  doc.song->Tempo = 70;
  history.Record(doc.view(), "Tempo", 3, {drag.key, 50'500, 1000, false});  // a click 0.5 s later
  doc.song->Tempo = 80;
  history.Record(doc.view(), "Tempo", 3, {drag.key, 52'000, 1000, false});  // 1.5 s later: a new step
  EXPECT_EQ(history.timeline().Steps().size(), 2u);
  doc.song->Cell(9, 4, 17).Note = 1;
  history.Record(doc.view(), "Note Entry", 2, {"Memo5:81", 52'001, 0, false});
  doc.song->Cell(9, 4, 18).Note = 1;
  history.Record(doc.view(), "Note Entry", 2, {"Memo5:81", 60'000, 0, true});  // auto-repeat
  StepShown shown;
  ASSERT_TRUE(history.Undo(doc.view(), &shown));
  EXPECT_EQ(shown.name, "Note Entry");
  EXPECT_EQ(std::make_tuple(shown.place.pattern, shown.place.track, shown.place.row), std::make_tuple(9, 4, 17));
  EXPECT_EQ(doc.song->Cell(9, 4, 18).Note, kEmptyNote);
  history.Undo(doc.view());
  EXPECT_EQ(doc.song->Tempo, 70);
  history.Undo(doc.view());
  EXPECT_EQ(doc.song->Tempo, 50);
  // A drag that comes back to where it began leaves no step.
  doc.song->Tempo = 90;
  history.Record(doc.view(), "Tempo", 3, {"bar#2", 0, 1000, true});
  doc.song->Tempo = 50;
  history.Record(doc.view(), "Tempo", 3, {"bar#2", 0, 1000, true});
  EXPECT_FALSE(history.timeline().CanUndo());
  EXPECT_FALSE(history.timeline().CanRedo()) << "a new step drops what could be redone";
}

TEST(HistoryTest, OldestStepsGoBeyondTheDepthAndTheSavedStateStaysTrue) {
  Doc doc;
  History history(*doc.song, doc.settings, {3, size_t{64} << 20});
  for (int n = 1; n <= 5; ++n) {
    doc.song->Speed = static_cast<uint8_t>(n);
    history.Record(doc.view(), "Speed", 3);
    if (n == 2) history.MarkSaved(doc.view());
  }
  EXPECT_EQ(history.timeline().Steps().size(), 3u);
  while (history.Undo(doc.view())) {
  }
  EXPECT_EQ(doc.song->Speed, 2);
  EXPECT_FALSE(history.Unsaved()) << "back at the saved song";
  const HistoryStep noteEntry{"Note Entry", std::string(12, 'x'), 0, 2};
  EXPECT_LT(noteEntry.Bytes(), 100u) << "a note entry's cost";
}

TEST(HistoryTest, JournalRestoresTheSongItsTimelineAndItsFile) {
  const std::string path = (std::filesystem::temp_directory_path() / "kelmar-history-test.journal").string();
  Doc doc;
  History history(*doc.song, doc.settings);
  ASSERT_TRUE(history.StartJournal(doc.view(), path));
  doc.settings.Title = "Before save";
  history.Record(doc.view(), "Title", 3);
  doc.song->Tempo = 90;
  history.SongReplaced(doc.view(), "Load Song", 0, "/s/a.sng", true);  // the journal starts again, keeping the timeline
  history.SongWritten(doc.view(), "/s/b.sng");
  doc.song->Tempo = 100;
  history.SongReplaced(doc.view(), "Load Song", 0, "/s/c.sng", false);  // appended to the journal
  for (int row = 0; row < 4; ++row) {
    doc.song->Cell(1, 1, row).Note = static_cast<uint8_t>(row);
    history.Record(doc.view(), "Note Entry", 2);
  }
  history.Undo(doc.view());
  const Doc expected = doc.Copy();
  const std::optional<JournalContents> appended = ReadJournalFile(path);
  history.SongWritten(doc.view(), "/s/d.sng");  // the journal starts again: its Base names the file
  const std::optional<JournalContents> restarted = ReadJournalFile(path);

  for (const auto& [journal, file] : {std::pair{&appended, "/s/c.sng"}, std::pair{&restarted, "/s/d.sng"}}) {
    ASSERT_TRUE(journal->has_value());
    Doc restored;
    History again(*restored.song, restored.settings);
    again.Restore(restored.view(), **journal);
    EXPECT_TRUE(restored == expected) << file;
    EXPECT_EQ(again.SongFile(), file);
    EXPECT_TRUE(again.Unsaved());
    std::vector<std::string> files;
    while (again.Undo(restored.view())) files.push_back(again.SongFile());
    EXPECT_EQ(files, (std::vector<std::string>{file, file, file, "/s/b.sng", "", ""}));
    EXPECT_EQ(restored.settings.Title, "Songtitle") << "steps from before the save come back too";
    for (int n = 0; n < 7; ++n) again.Redo(restored.view());
    EXPECT_EQ(restored.song->Cell(1, 1, 3).Note, 3);
    EXPECT_EQ(again.SongFile(), "/s/c.sng") << "redoing a restored load brings its file back";
  }
  history.RemoveJournal();
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kelmar
