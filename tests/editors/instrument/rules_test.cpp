#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include <unistd.h>

#include "editors/instrument/instrument_controls.h"
#include "editors/instrument/instrument_library.h"
#include "editors/instrument/instrument_tools.h"
#include "files/instrument_file.h"

namespace kelmar {
namespace {

TEST(LabelTest, PaddedCaptionNoteNamesAndHint) {
  EXPECT_EQ(Padded(6), "   6");
  EXPECT_EQ(Padded(255), " 255");
  EXPECT_EQ(Padded(-127), "-127");
  EXPECT_EQ(Padded(-1280), "-1280");  // not cut
  EXPECT_EQ(InstrumentCaption(0), "Instrument  00");
  EXPECT_EQ(InstrumentCaption(0xAB), "Instrument  AB");
  EXPECT_EQ(NoiseNoteName(0), " off");
  EXPECT_EQ(NoiseNoteName(1), " C-0");
  EXPECT_EQ(NoiseNoteName(13), " C-1");
  EXPECT_EQ(NoiseNoteName(96), " B-7");
  EXPECT_EQ(NoiseNoteName(2), " C#0");
  EXPECT_EQ(SweepPreviewHint(128), "(128) Controls Sweep Preview");
  EXPECT_EQ(SweepPreviewHint(0), "(0) Controls Sweep Preview");
}

TEST(LabelTest, ModulatorLabelsShowRealValues) {
  const auto& arp = ModulatorPages()[0];
  EXPECT_EQ(ModulatorLabel(arp.Rows[2], 0), "  off");  // ArpRepeat
  EXPECT_EQ(ModulatorLabel(arp.Rows[2], 3), "   3");
  EXPECT_EQ(ModulatorLabel(arp.Rows[3], 100), " 100");  // Arp1 beyond its control
  EXPECT_EQ(ModulatorLabel(ModulatorPages()[1].Rows[1], 96), " B-7");
  EXPECT_EQ(ModulatorLabel(ModulatorPages()[0].Rows[0], 0), "   0");  // ArpDelay 0 is a number
}

TEST(ControlTableTest, FieldsMatchTheInstrumentLayout) {
  const auto& osc = OscillatorControls();
  EXPECT_EQ(osc[0].Field, offsetof(Instrument, SrcOsc1Amp));
  EXPECT_EQ(osc[7].Field, offsetof(Instrument, DstOsc2Wave));
  EXPECT_EQ(osc[8].Field, offsetof(Instrument, Filter));
  const auto& pages = ModulatorPages();
  EXPECT_EQ(pages[0].Rows[5].Field, offsetof(Instrument, Arp3));
  EXPECT_EQ(pages[1].EnableField, offsetof(Instrument, NzeEnable));
  EXPECT_EQ(pages[2].Rows[3].Field, offsetof(Instrument, PMVal));
  EXPECT_EQ(pages[2].EnableField, offsetof(Instrument, PMEnable));
  EXPECT_EQ(pages[3].Rows[2].Field, offsetof(Instrument, VibDepth));
  EXPECT_EQ(pages[3].EnableField, offsetof(Instrument, VibEnable));
  Envelope e{};
  for (const auto& info : EnvelopeControls()) StoreEnvelopeValue(e, info.Field, 10 + info.Field);
  EXPECT_EQ(e.Len1, 10);
  EXPECT_EQ(e.Len4, 13);
  EXPECT_EQ(e.Start, 14);
  EXPECT_EQ(e.Val1, 15);
  EXPECT_EQ(e.Val4, 18);
}

TEST(OscillatorRuleTest, StoreAndRefresh) {
  Instrument ins{};
  EXPECT_EQ(StoreOscillatorValue(ins, 1, -127, true), "-127");
  EXPECT_EQ(ins.SrcOsc1Amp, -127);
  EXPECT_EQ(StoreOscillatorValue(ins, 2, 200, false), " 200");
  EXPECT_EQ(ins.SrcOsc1Wave, 200);

  ins.DstOsc2Amp = -128;  // silent, reachable from files only
  const ControlView view = OscillatorView(ins, OscillatorControls()[6]);
  EXPECT_EQ(view.Position, -127);
  EXPECT_EQ(view.Label, "-128");
  EXPECT_EQ(ins.DstOsc2Amp, -128);
  EXPECT_EQ(OscillatorView(ins, OscillatorControls()[1]).Position, 200);
}

class ToolsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Engine> engine_ = std::make_unique<Engine>();
  EditorState state_;
  Instrument& Ins(int n) { return engine_->song.Instruments[n]; }
};

TEST_F(ToolsTest, PasteInstrumentCopiesTheSourceAsItIsAtPasteTime) {
  state_.CurrentInstrument = 3;
  CopyInstrument(state_);
  Ins(3).ArpSpeed = 77;  // changed after the copy
  Ins(3).VibEnable = 1;
  engine_->song.SynthMode[5] = 1;
  state_.CurrentInstrument = 5;
  PasteInstrument(*engine_, state_);
  EXPECT_EQ(std::memcmp(Ins(5).bytes(), Ins(3).bytes(), 48), 0);
  EXPECT_EQ(engine_->song.SynthMode[5], 1);  // the synth mode is not part of the record
}

TEST_F(ToolsTest, EnvelopesPasteAcrossKinds) {
  Ins(0).VolEnv = Envelope{1, 2, 3, 4, 5, 6, 7, 8, 9};
  state_.CurrentInstrument = 7;
  state_.EnvelopeTab = 1;
  PasteEnvelope(*engine_, state_);  // no copy yet: volume envelope of instrument 0
  EXPECT_EQ(std::memcmp(&Ins(7).SweepEnv, &Ins(0).VolEnv, 9), 0);
  EXPECT_EQ(Ins(7).VolEnv.Start, 0);

  CopyEnvelope(state_);  // sweep of 7
  state_.CurrentInstrument = 8;
  state_.EnvelopeTab = 0;
  Ins(7).SweepEnv.Val4 = 99;
  PasteEnvelope(*engine_, state_);
  EXPECT_EQ(Ins(8).VolEnv.Val4, 99);
  EXPECT_EQ(Ins(8).VolEnv.Len1, 1);
}

TEST_F(ToolsTest, RandomWaveTouchesOnlyTheOscillatorsAndNeverStoresMinus128) {
  for (int n = 0; n < 48; ++n) Ins(2).bytes()[n] = static_cast<uint8_t>(0xA0 + n);
  const Instrument before = Ins(2);
  state_.CurrentInstrument = 2;
  bool changed = false;
  for (uint32_t seed = 0; seed < 400; ++seed) {
    engine_->random.Seed(seed);
    RandomWave(*engine_, state_);
    EXPECT_EQ(Ins(2).Filter, before.Filter);
    EXPECT_EQ(std::memcmp(Ins(2).bytes() + 9, before.bytes() + 9, 39), 0);
    for (int field : {1, 3, 5, 7}) EXPECT_NE(Ins(2).bytes()[field], 0x80) << seed;
    changed = changed || std::memcmp(Ins(2).bytes() + 1, before.bytes() + 1, 8) != 0;
  }
  EXPECT_TRUE(changed);
}

TEST_F(ToolsTest, RandomWaveStoresTheDrawsInOrderAndMendsMinus128) {
  // Find a seed whose draws contain 0x80 for an amplitude, then compare draw by draw.
  for (uint32_t seed = 1; seed < 100000; ++seed) {
    Random r;
    r.Seed(seed);
    uint8_t draws[8];
    bool hit = false;
    for (int k = 0; k < 8; ++k) {
      draws[k] = static_cast<uint8_t>(r.Draw(256));
      hit = hit || (k % 2 == 0 && draws[k] == 0x80);
    }
    if (!hit) continue;
    engine_->random.Seed(seed);
    RandomWave(*engine_, state_);
    for (int k = 0; k < 8; ++k) {
      const uint8_t expected = (k % 2 == 0 && draws[k] == 0x80) ? 0x81 : draws[k];
      EXPECT_EQ(Ins(0).bytes()[1 + k], expected) << k;
    }
    return;
  }
  FAIL() << "no seed draws -128";
}

TEST_F(ToolsTest, PreviewsCycleTheVoices) {
  state_.CurrentInstrument = 6;
  state_.PreviewOctave = 2;
  for (int k = 0; k < 8; ++k) {
    PreviewNote(*engine_, state_, static_cast<uint8_t>(k), 1);
    EXPECT_EQ(engine_->Channels[k].Instrument, 6);
    EXPECT_EQ(engine_->Channels[k].Semitone, k);
    EXPECT_EQ(engine_->Channels[k].Octave, 3);
    EXPECT_EQ(engine_->Channels[k].Detune, 0);
  }
  EXPECT_EQ(state_.PreviewVoice, 8);
  state_.PreviewDetune = 5;
  state_.PreviewVoice = 255;  // wraps to voice 7, then 0
  PreviewNote(*engine_, state_, 4, 0);
  EXPECT_EQ(state_.PreviewVoice, 1);
  EXPECT_EQ(engine_->Channels[7].Detune, 0);
  EXPECT_EQ(engine_->Channels[0].Detune, 5);
  EXPECT_EQ(engine_->Channels[0].Semitone, 4);
}

// A key press as X11 reports it (scan code = evdev + 8), or without a scan code.
PlatformKey Key(int qtKey, uint32_t scanCode = 0, bool shift = false, bool keypad = false) {
  return {qtKey, {}, scanCode, ScanCodeSet::X11, shift, false, false, false, keypad};
}

TEST(PageKeyTest, NotesOctavesAndInstrumentSteps) {
  auto keyed = [](int qtKey, bool shift = false) { return ClassifyPageKey(Key(qtKey, 0, shift)); };
  EXPECT_EQ(keyed('Z').Action, PageKey::Kind::Note);
  EXPECT_EQ(keyed('M').Semitone, 11);
  EXPECT_EQ(keyed('2').Semitone, 1);
  EXPECT_EQ(keyed('2').OctaveOffset, 1);
  EXPECT_EQ(keyed('U').Semitone, 11);
  EXPECT_EQ(keyed('A').Action, PageKey::Kind::None);
  EXPECT_EQ(keyed(0x01000030).Octave, 0);        // F1
  EXPECT_EQ(keyed(0x01000030, true).Octave, 1);  // Shift+F1
  EXPECT_EQ(keyed(0x01000032, true).Octave, 5);  // Shift+F3
  EXPECT_EQ(keyed(0x01000033).Octave, 6);        // F4
  EXPECT_EQ(keyed(0x01000034).Action, PageKey::Kind::None);  // F5 belongs to the menu
  EXPECT_EQ(keyed('=').Action, PageKey::Kind::NextInstrument);
  EXPECT_EQ(keyed('+').Action, PageKey::Kind::NextInstrument);
  EXPECT_EQ(keyed('-').Action, PageKey::Kind::PreviousInstrument);
  EXPECT_EQ(keyed('_').Action, PageKey::Kind::PreviousInstrument);
  EXPECT_EQ(ClassifyPageKey(Key('-', 82, false, true)).Action, PageKey::Kind::None);  // keypad minus

  // By position: the key left of X on any layout is Z's place (German Y, French W...).
  const PageKey german = ClassifyPageKey(Key('Y', 52));
  EXPECT_EQ(german.Action, PageKey::Kind::Note);
  EXPECT_EQ(german.Semitone, 0);
  EXPECT_EQ(german.OctaveOffset, 0);
  EXPECT_EQ(ClassifyPageKey(Key('Z', 29)).Semitone, 9);  // Y's place
  EXPECT_EQ(ClassifyPageKey(Key(0xDF, 20)).Action, PageKey::Kind::PreviousInstrument);  // German sharp s
  EXPECT_EQ(ClassifyPageKey(Key('-', 61)).Action, PageKey::Kind::None);  // German "-", right of the full stop
  EXPECT_EQ(ClassifyPageKey(Key(0x01000031, 68, true)).Octave, 3);     // Shift+F2
}

TEST(PageKeyTest, ApplyWrapsTheInstrumentAndSetsTheOctave) {
  auto engine = std::make_unique<Engine>();
  EditorState state;
  state.CurrentInstrument = 255;
  EXPECT_EQ(ApplyPageKey(*engine, state, Key('=')), PageKey::Kind::NextInstrument);
  EXPECT_EQ(state.CurrentInstrument, 0);
  ApplyPageKey(*engine, state, Key('-'));
  EXPECT_EQ(state.CurrentInstrument, 255);
  ApplyPageKey(*engine, state, Key(0x01000032, 0, true));
  EXPECT_EQ(state.PreviewOctave, 5);
  ApplyPageKey(*engine, state, Key('Q'));
  EXPECT_EQ(engine->Channels[0].Octave, 6);
  EXPECT_EQ(engine->Channels[0].Instrument, 255);
  // A held key's auto-repeat plays nothing: the next voice stays free.
  PlatformKey held = Key('Q');
  held.AutoRepeat = true;
  EXPECT_EQ(ApplyPageKey(*engine, state, held), PageKey::Kind::Note);
  EXPECT_EQ(state.PreviewVoice, 1);
}

// A folder of random files and of instruments: the instruments are listed, files named as
// instruments but not one are listed as unreadable, the rest left out; the search keeps the
// matches and the folders leading to them.
TEST(LibraryTest, ListsAFolderOfRandomFilesAndFilters) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("kelmar-library-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "Bass" / "deep");
  std::mt19937 random(7);
  for (int f = 0; f < 60; ++f) {
    std::vector<char> bytes(random() % 300);
    for (char& b : bytes) b = static_cast<char>(random());
    if (f % 3 == 0 && bytes.size() >= 8) std::memcpy(bytes.data(), "KELMARI2", 8);
    const char* suffix[] = {".kli", ".KLI", "", ".txt"};
    std::ofstream(root / ("junk" + std::to_string(f) + suffix[f % 4]), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  Instrument ins{};
  ins.Filter = 9;
  ASSERT_TRUE(SaveInstrumentFile((root / "Bass" / "deep" / "sub.kli").string(), ins, 1).ok());
  ASSERT_TRUE(SaveInstrumentFile((root / "lead-Bright.KLI").string(), ins, 0).ok());
  ASSERT_TRUE(SaveInstrumentFile((root / "noname").string(), ins, 0).ok());

  const LibraryEntry all = ListInstrumentFolder(root.string(), "root");
  ASSERT_FALSE(all.children.empty());
  EXPECT_EQ(all.children[0].name, "Bass");  // folders first
  EXPECT_EQ(all.children[0].children[0].children[0].instrument.Filter, 9);
  EXPECT_EQ(all.children[0].children[0].children[0].synthMode, 1);
  int readable = 0, unreadable = 0;
  for (const LibraryEntry& e : all.children) {
    if (e.folder) continue;
    (e.readable() ? readable : unreadable) += 1;
    if (!e.readable()) {
      EXPECT_EQ(e.error, kNoInstrumentMessage) << e.name;
    }
    EXPECT_EQ(e.name.find("junk"), e.readable() ? std::string::npos : 0u);
  }
  EXPECT_EQ(readable, 2);     // lead-Bright and noname, by its contents
  EXPECT_EQ(unreadable, 30);  // every junk file named .kli or .KLI

  const LibraryEntry found = FilterLibrary(all, "SUB");
  ASSERT_EQ(found.children.size(), 1u);
  EXPECT_EQ(found.children[0].children[0].children[0].name, "sub");
  EXPECT_EQ(FilterLibrary(all, "bass").children[0].children.size(), 1u);  // the folder keeps all
  EXPECT_EQ(FilterLibrary(all, "bright").children.size(), 1u);
  EXPECT_TRUE(FilterLibrary(all, "nothing such").children.empty());
  fs::remove_all(root);
}

}  // namespace
}  // namespace kelmar
