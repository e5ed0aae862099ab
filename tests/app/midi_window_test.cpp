// A MIDI keyboard on a real MIDI system: a JACK server of the test's own, Kelmar's port on
// it, and notes sent from a second JACK port into the window.
#include <gtest/gtest.h>
#include <rtmidi/RtMidi.h>

#include <QPlainTextEdit>
#include <chrono>
#include <string>
#include <thread>

#include "app/midi_keyboard.h"
#include "app/pages/pattern_page.h"
#include "jack_test_server.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

// Each message in a JACK period of its own (64 frames at 48 kHz): under load, two messages
// sent in one period were once seen to arrive as the first twice.
void Send(RtMidiOut& keys, std::initializer_list<unsigned char> bytes) {
  std::vector<unsigned char> message(bytes);
  keys.sendMessage(&message);
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
}

class MidiWindowTest : public testing::WindowTest {
 protected:
  // Kelmar's port on the server, and a sender connected to it. RtMidi frees a JACK output's
  // buffer before it closes the client, so the port's process cycle can still read it: the
  // sender is never destroyed, and goes with the process.
  RtMidiOut& Keys(const char* client) {
    window->StartMidi();
    RtMidiOut& keys = *new RtMidiOut(RtMidi::UNIX_JACK, client);
    keys.openVirtualPort("keys");
    window->midiKeyboard().Refresh();  // the once-a-second look, now
    return keys;
  }
  // Until the player is to process `row` next: the row before has just begun to sound.
  void UntilNextRow(int row) {
    for (int i = 0; i < 50000 && window->engine().Position().Row != row; ++i) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
  // The rows of the track that hold a note.
  std::vector<int> NoteRows(int pattern, int track) {
    std::vector<int> rows;
    for (int r = 0; r < kRowCount; ++r)
      if (window->engine().song.Patterns[pattern][track][r].Note < kEmptyNote) rows.push_back(r);
    return rows;
  }

  // Every note of the pattern, as "track:row:note", to see where a take went.
  std::string Notes(int pattern) {
    std::string notes;
    for (int t = 0; t < kTrackCount; ++t)
      for (int r : NoteRows(pattern, t))
        notes += std::to_string(t) + ":" + std::to_string(r) + ":" +
                 std::to_string(window->engine().song.Patterns[pattern][t][r].Note) + " ";
    return notes;
  }

  test::JackTestServer server;  // up before the window starts, and until it is gone
};

TEST_F(MidiWindowTest, JackNotesLandInThePatternInOrderAndPreviewOnTheInstrumentPage) {
  if (!server.Running()) GTEST_SKIP() << "jackd cannot start here: no JACK server to play into";
  window->show();
  RtMidiOut& keys = Keys("KelmarTestKeys");
  std::vector<std::string> inputs;
  for (unsigned i = 0; i < keys.getPortCount(); ++i) inputs.push_back(keys.getPortName(i));
  EXPECT_NE(std::find(inputs.begin(), inputs.end(), "Kelmar:Kelmar"), inputs.end());
  const QList<QAction*> sources = window->midiKeyboard().menu()->actions();
  ASSERT_EQ(sources.size(), 1);
  EXPECT_EQ(sources[0]->text(), "KelmarTestKeys:keys (JACK)");
  EXPECT_TRUE(sources[0]->isChecked());

  ShowPage(2);
  window->patternPage().FocusTrack(3);
  window->state().EntryOctave = 6;  // the octave keys do not apply to MIDI notes
  // A chord, then what asks for nothing: velocity 0, a note-off, a controller, a note below C-0.
  for (unsigned char key : {60, 64, 67}) Send(keys, {0x90, key, 100});
  Send(keys, {0x90, 62, 0});
  Send(keys, {0x80, 60, 64});
  Send(keys, {0xB0, 7, 100});
  Send(keys, {0x91, 23, 100});
  Send(keys, {0x9F, 127, 1});  // the highest MIDI note: G-8
  const auto& cells = window->engine().song.Patterns[0][2];
  QTRY_COMPARE(cells[3].Note, 103);
  EXPECT_EQ(cells[0].Note, 36);
  EXPECT_EQ(cells[1].Note, 40);
  EXPECT_EQ(cells[2].Note, 43);
  EXPECT_EQ(cells[0].Effects >> 4, kEffectInstrument);  // Auto Ixx, as a note key sets it
  EXPECT_EQ(window->state().TrackCursors[2].CursorRow, 4);
  EXPECT_EQ(window->patternPage().Memo(3)->toPlainText().left(4), "C-3 ");
  EXPECT_EQ(Item("Undo1")->text(), "Undo Note Entry");

  ShowPage(1);
  const uint8_t voice = window->state().PreviewVoice;
  Send(keys, {0x90, 69, 100});
  QTRY_COMPARE(window->state().PreviewVoice, static_cast<uint8_t>(voice + 1));
  EXPECT_EQ(window->engine().Channels[voice % 8].Semitone, 9);
  EXPECT_EQ(window->engine().Channels[voice % 8].Octave, 3);
}

TEST_F(MidiWindowTest, RecordedNotesLandOnTheRowsHeardWhileAPatternLoops) {
  if (!server.Running()) GTEST_SKIP() << "jackd cannot start here: no JACK server to play into";
  StartWindow({.openAudio = true});  // SDL's dummy driver plays in real time
  ShowActive();  // so that no late activation moves the focus off the track below
  RtMidiOut& keys = Keys("KelmarRecordKeys");
  Run("Buffersize512");
  window->engine().song.Speed = 3;  // rows of 3 ticks of 882 frames: 60 ms
  ShowPage(2);
  window->patternPage().FocusTrack(2);
  for (const char* item : {"LoopPattern1", "Record1", "RecordVelocity1", "Pattern1"}) Run(item);

  UntilNextRow(5);
  std::this_thread::sleep_for(std::chrono::milliseconds(15));  // a quarter into row 4
  Send(keys, {0x90, 60, 127});
  Send(keys, {0x80, 60, 0});
  // Landed, and released, before the next note: on a loaded machine JACK may deliver late.
  for (int i = 0; i < 500 && NoteRows(0, 1).empty(); ++i) QTest::qWait(10);
  ASSERT_EQ(NoteRows(0, 1).size(), 1u) << Notes(0);
  UntilNextRow(13);
  std::this_thread::sleep_for(std::chrono::milliseconds(45));  // three quarters into row 12
  Send(keys, {0x90, 64, 64});
  Send(keys, {0x90, 67, 100});  // while 64 is held: the next track
  UntilNextRow(2);              // round again
  EXPECT_TRUE(window->engine().Position().Playing) << "the pattern loops";
  QTRY_COMPARE(NoteRows(0, 2).size(), 1u);
  Run("Stop1");

  const std::vector<int> first = NoteRows(0, 1);
  ASSERT_EQ(first.size(), 2u) << Notes(0);
  EXPECT_NEAR(first[0], 4, 1);
  EXPECT_NEAR(first[1], 13, 1);
  const auto& cells = window->engine().song.Patterns[0];
  EXPECT_EQ(cells[1][first[0]].Param2, 0xFF);  // full velocity
  EXPECT_EQ(cells[1][first[1]].Param2, 0x44);
  EXPECT_EQ(cells[2][NoteRows(0, 2)[0]].Note, 43);
  EXPECT_EQ(Item("Undo1")->text(), "Undo Record");
  Run("Undo1");
  EXPECT_TRUE(NoteRows(0, 1).empty() && NoteRows(0, 2).empty()) << "the take is one step";
}

}  // namespace
}  // namespace kelmar
