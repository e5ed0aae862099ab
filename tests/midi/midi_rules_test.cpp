// The MIDI input's rules without a MIDI system: which messages play which notes, and which
// sources feed Kelmar's port.
#include <gtest/gtest.h>

#include <vector>

#include "midi/midi_note.h"
#include "midi/midi_sources.h"

namespace kelmar {
namespace {

TEST(MidiNoteTest, NoteOnsPlayAndNoteOffsReleaseMidiNoteMinus24) {
  struct Row {
    std::vector<uint8_t> message;
    int note;
    bool on;
  };
  const Row rows[] = {
      {{0x90, 60, 100}, 36, true},                                   // middle C is C-3
      {{0x9F, 24, 1}, 0, true},                                      // any channel; the lowest note
      {{0x90, 127, 127}, 103, true},  {{0x90, 23, 100}, -1, false},  // below C-0
      {{0x90, 60, 0}, 36, false},                                    // velocity 0 is a note-off
      {{0x80, 60, 100}, 36, false},   {{0xB0, 60, 100}, -1, false}, {{0x90, 60}, -1, false},  // cut short
      {{0x90, 0x80, 100}, -1, false},
  };
  for (const Row& r : rows) {
    const MidiNoteEvent event = ReadMidiNote(r.message.data(), r.message.size());
    EXPECT_EQ(event.note, r.note);
    EXPECT_EQ(event.on, r.on);
    EXPECT_EQ(event.velocity, r.on ? r.message[2] : 0);
  }
}

TEST(MidiSourcesTest, NewSourcesConnectUnlessTheyEchoOrBridgeTheSequencer) {
  EXPECT_TRUE(ConnectsOnSight(MidiSystem::Alsa, "Keystation 49:Keystation 49 MIDI 1", true));
  EXPECT_FALSE(ConnectsOnSight(MidiSystem::Alsa, "Midi Through:Midi Through Port-0", true));
  EXPECT_TRUE(ConnectsOnSight(MidiSystem::Jack, "vkeybd:out", true));
  for (const char* bridge : {"system:midi_capture_1", "a2j:Keystation [20] (capture): Keystation MIDI 1",
                             "Midi-Bridge:Keystation 49 (capture)"}) {
    EXPECT_FALSE(ConnectsOnSight(MidiSystem::Jack, bridge, true)) << bridge;
    EXPECT_TRUE(ConnectsOnSight(MidiSystem::Jack, bridge, false)) << bridge;
  }
}

TEST(MidiSourcesTest, ChoicesOutliveUnpluggingAndOnlyNewSourcesConnect) {
  MidiSourceList list;
  using Names = std::vector<std::string>;
  EXPECT_EQ(list.Seen(MidiSystem::Jack, {"a:out", "system:midi_capture_1"}, true), Names{"a:out"});
  list.Mark(MidiSystem::Jack, "a:out", true);
  EXPECT_EQ(list.Seen(MidiSystem::Jack, {"a:out", "system:midi_capture_1"}, true), Names{});
  EXPECT_EQ(list.Seen(MidiSystem::Alsa, {"a:out"}, true), Names{"a:out"}) << "the same name on the other system";
  // Turned off, unplugged, plugged in: stays off. Turned on against the rule: comes back on.
  list.Choose(MidiSystem::Jack, "a:out", false);
  list.Choose(MidiSystem::Jack, "system:midi_capture_1", true);
  EXPECT_EQ(list.Seen(MidiSystem::Jack, {}, true), Names{});
  EXPECT_EQ(list.Sources().size(), 1u);
  EXPECT_EQ(list.Seen(MidiSystem::Jack, {"system:midi_capture_1", "a:out"}, true), Names{"system:midi_capture_1"});
  EXPECT_FALSE(list.Sources()[1].connected);
}

}  // namespace
}  // namespace kelmar
