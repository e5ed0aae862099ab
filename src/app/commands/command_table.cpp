#include "app/commands/command_table.h"

#include <QAction>
#include <cstring>

#include "app/export/audio_export.h"
#include "app/export/wav_export.h"
#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/pages/instrument_page.h"
#include "app/pages/pattern_page.h"
#include "app/transport.h"

namespace kelmar {
namespace {

using W = MainWindow;
using A = QAction;

constexpr CommandKind kNote = CommandKind::Note;
constexpr CommandKind kSeparator = CommandKind::Separator;
constexpr CommandKind kSlot = CommandKind::Slot;
constexpr CommandKind kItem = CommandKind::Item;
constexpr Pages kAll = Pages::All;
constexpr Pages kInstrument = Pages::Instrument;
constexpr Pages kPattern = Pages::Pattern;

bool Always(W&, const Command&) { return true; }
bool SampleRateInUse(W& w, const Command& row) { return w.engine().SampleRate == row.value; }
bool BufferSizeInUse(W& w, const Command& row) { return w.engine().BufferSize == row.value; }
bool FollowingSong(W& w, const Command&) { return w.state().FollowSong; }
bool EditStepInUse(W& w, const Command& row) { return w.state().EditStep == row.value; }
bool HighlightRowsInUse(W& w, const Command& row) { return w.state().HighlightRows == row.value; }
bool PreviewingInDialogs(W& w, const Command&) { return w.state().PreviewInDialogs; }
bool HighContrastOn(W& w, const Command&) { return w.state().HighContrast; }
void SampleFreq(W& w, A& item) { w.SampleFreqClick(&item); }
void Buffersize(W& w, A& item) { w.BuffersizeClick(&item); }
// An item of value 0 carries no data, which reads as 0 all the same.
void EditStep(W& w, A& item) { w.patternPage().EditStepClick(item.data().toInt()); }
void HighlightRows(W& w, A& item) { w.patternPage().HighlightRowsClick(item.data().toInt()); }

// kind, name, menu, caption, shortcuts, pages, step, run, flags, group, value, checked
const Command kCommands[] = {
    {kItem, "Song1", "New1", "Song", "", kAll, nullptr, [](W& w, A&) { w.Song1Click(); }},
    {kItem, "NewPattern1", "New1", "Pattern", "", kAll, "New Pattern",
     [](W& w, A&) { w.fileCommands().NewPattern1Click(); }},
    {kItem, "Instrument1", "New1", "Instrument", "", kAll, "New Instrument",
     [](W& w, A&) { w.fileCommands().Instrument1Click(); }},
    {kItem, "RandomWave1", "New1", "Random Wave", "", kAll, "Random Wave",
     [](W& w, A&) { w.instrumentPage().RandomWave1Click(); }},
    {kItem, "RandomOSC2Wave1", "New1", "Random OSC&2 Wave", "", kAll, "Random Wave",
     [](W& w, A&) { w.instrumentPage().RandomWave1Click(); }, kHidden},

    {kItem, "Song2", "Load1", "Song", "Ctrl+O", kAll, nullptr, [](W& w, A&) { w.Song2Click(); }},
    {kItem, "ImportMOD1", "Load1", "Import .MOD", "", kAll, nullptr, nullptr, kDisabled},
    {kItem, "LoadPattern1", "Load1", "Pattern", "", kAll, "Load Pattern",
     [](W& w, A&) { w.fileCommands().LoadPattern1Click(); }},
    {kItem, "Instrument2", "Load1", "Instrument", "", kAll, "Load Instrument",
     [](W& w, A&) { w.fileCommands().Instrument2Click(); }},
    {kItem, "OSC1Wave1", "Load1", "OSC&1 Wave", "", kAll, "Load OSC1 Wave",
     [](W& w, A&) { w.fileCommands().OSC1Wave1Click(0); }, kHidden},
    {kItem, "OSC2Wave1", "Load1", "OSC&2 Wave", "", kAll, "Load OSC2 Wave",
     [](W& w, A&) { w.fileCommands().OSC1Wave1Click(1); }, kHidden},
    // The journals kept after a crash or a quit with unsaved changes; each loads as "Load Song".
    {kSeparator, "LoadSeparator1", "Load1"},
    {kSlot, "UnsavedWork1", "Load1", "Unsaved Work"},

    {kItem, "Song3", "Save1", "Song", "Ctrl+Shift+S", kAll, nullptr, [](W& w, A&) { w.Song3Click(); }},
    // %1: the song's own file, or "New File" while it has none.
    {kItem, "SaveSong1", "Save1", "Song to %1", "Ctrl+S", kAll, nullptr, [](W& w, A&) { w.SaveSongClick(); }},
    {kItem, "ExportWAV1", "Save1", "Export .WAV", "", kAll, nullptr, [](W& w, A&) { w.wavExport().ExportWAV1Click(); }},
    {kItem, "ExportAudio1", "Save1", "Export Audio...", "Ctrl+Shift+E", kAll, nullptr,
     [](W& w, A&) { w.audioExport().ExportAudio1Click(); }},
    {kItem, "SavePattern1", "Save1", "Pattern", "", kAll, nullptr,
     [](W& w, A&) { w.fileCommands().SavePattern1Click(); }},
    {kItem, "Instrument3", "Save1", "Instrument", "", kAll, nullptr,
     [](W& w, A&) { w.fileCommands().Instrument3Click(); }},
    {kItem, "SaveToLibrary1", "Save1", "Save to Library...", "", kAll, nullptr,
     [](W& w, A&) { w.SaveToLibraryClick(); }},
    {kItem, "OSC1Wave2", "Save1", "OSC&1 Wave", "", kAll, nullptr, [](W& w, A&) { w.fileCommands().OSC1Wave2Click(0); },
     kHidden},
    {kItem, "OSC2Wave2", "Save1", "OSC&2 Wave", "", kAll, nullptr, [](W& w, A&) { w.fileCommands().OSC1Wave2Click(1); },
     kHidden},

    // Undo and Redo name the step they take back ("Undo Paste Instrument").
    {kItem, "Undo1", "Edit1", "Undo", "Ctrl+Z", kAll, nullptr, [](W& w, A&) { w.UndoClick(); }},
    {kItem, "Redo1", "Edit1", "Redo", "Ctrl+Y; Ctrl+Shift+Z", kAll, nullptr, [](W& w, A&) { w.RedoClick(); }},
    {kSeparator, "EditSeparator1", "Edit1"},
    {kItem, "CopyTrack1", "Edit1", "Copy Track", "Ctrl+C", kPattern, nullptr,
     [](W& w, A&) { w.patternPage().CopyTrack1Click(); }},
    {kItem, "PasteTrack1", "Edit1", "Paste Track", "Ctrl+V", kPattern, "Paste Track",
     [](W& w, A&) { w.patternPage().PasteTrack1Click(); }},
    {kItem, "CopyInstrument1", "Edit1", "Copy Instrument", "Ctrl+D", kInstrument, nullptr,
     [](W& w, A&) { w.instrumentPage().CopyInstrument1Click(); }},
    {kItem, "PasteInstrument1", "Edit1", "Paste Instrument", "Ctrl+F", kInstrument, "Paste Instrument",
     [](W& w, A&) { w.instrumentPage().PasteInstrument1Click(); }},
    {kItem, "CopyEnvelope1", "Edit1", "Copy Envelope", "Ctrl+E", kInstrument, nullptr,
     [](W& w, A&) { w.instrumentPage().CopyEnvelope1Click(); }},
    {kItem, "PasteEnvelope1", "Edit1", "Paste Envelope", "Ctrl+R", kInstrument, "Paste Envelope",
     [](W& w, A&) { w.instrumentPage().PasteEnvelope1Click(); }},
    {kItem, "ClonePattern1", "Edit1", "Clone Pattern", "Ctrl+P", kPattern, "Clone Pattern",
     [](W& w, A&) { w.patternPage().ClonePattern1Click(); }},
    // The pattern editor's block and listening commands.
    {kSeparator, "BlockSeparator1", "Edit1", "", "", kPattern},
    {kItem, "SelectAll1", "Edit1", "Select All", "Ctrl+A", kPattern, nullptr,
     [](W& w, A&) { w.patternPage().SelectAllClick(); }},
    {kItem, "CutBlock1", "Edit1", "Cut Block", "Ctrl+X", kPattern, "Cut Block",
     [](W& w, A&) { w.patternPage().CutBlockClick(); }},
    {kItem, "CopyBlock1", "Edit1", "Copy Block", "Ctrl+Shift+C", kPattern, nullptr,
     [](W& w, A&) { w.patternPage().CopyBlockClick(); }},
    {kItem, "PasteBlock1", "Edit1", "Paste Block", "Ctrl+Shift+V", kPattern, "Paste Block",
     [](W& w, A&) { w.patternPage().PasteBlockClick(); }},
    {kItem, "TransposeUp1", "Edit1", "Transpose Up", "Ctrl+Up", kPattern, "Transpose Up",
     [](W& w, A&) { w.patternPage().TransposeClick(1); }},
    {kItem, "TransposeDown1", "Edit1", "Transpose Down", "Ctrl+Down", kPattern, "Transpose Down",
     [](W& w, A&) { w.patternPage().TransposeClick(-1); }},
    {kItem, "TransposeOctaveUp1", "Edit1", "Transpose Octave Up", "Ctrl+Shift+Up", kPattern, "Transpose Octave Up",
     [](W& w, A&) { w.patternPage().TransposeClick(12); }},
    {kItem, "TransposeOctaveDown1", "Edit1", "Transpose Octave Down", "Ctrl+Shift+Down", kPattern,
     "Transpose Octave Down", [](W& w, A&) { w.patternPage().TransposeClick(-12); }},
    {kItem, "Interpolate1", "Edit1", "Interpolate", "Ctrl+I", kPattern, "Interpolate",
     [](W& w, A&) { w.patternPage().InterpolateClick(); }},
    {kItem, "SetInstrument1", "Edit1", "Set Instrument", "Ctrl+J", kPattern, "Set Instrument",
     [](W& w, A&) { w.patternPage().SetInstrumentClick(); }},
    {kItem, "MuteTrack1", "Edit1", "Mute Track", "Ctrl+M", kPattern, nullptr,
     [](W& w, A&) { w.patternPage().MuteTrackClick(); }},
    {kItem, "SoloTrack1", "Edit1", "Solo Track", "Ctrl+Shift+M", kPattern, nullptr,
     [](W& w, A&) { w.patternPage().SoloTrackClick(); }},

    {kItem, "Song4", "", "Play Song", "F5", kAll, nullptr, [](W& w, A&) { w.transport().Song4Click(); }},
    {kItem, "Pattern1", "", "Play &Pattern", "F6", kAll, nullptr, [](W& w, A&) { w.transport().Pattern1Click(); }},
    {kItem, "PlayFromCursor1", "", "Play from Cursor", "F7", kAll, nullptr,
     [](W& w, A&) { w.transport().PlayFromCursorClick(); }},
    {kItem, "Stop1", "", "Stop", "F8", kAll, nullptr, [](W& w, A&) { w.transport().Stop1Click(); }},

    {kNote, "NoAudio1", "Option1", "No audio output", "", kAll, nullptr, nullptr, kHidden | kDisabled},
    // Said once, without a box, when the recovery journal cannot be written.
    {kNote, "RecoveryOff1", "Option1", "Crash recovery off", "", kAll, nullptr, nullptr, kHidden | kDisabled},
    // Said once, without a box, when keys.conf has lines that were left out: which, and why.
    {kSlot, "KeysIgnored1", "Option1", "keys.conf: %1 ignored"},
    {kItem, "SampleFreq22050", "SampleFreq1", "22050", "", kAll, nullptr, SampleFreq, kCheckable, "SampleFreq", 22050,
     SampleRateInUse},
    {kItem, "SampleFreq32000", "SampleFreq1", "32000", "", kAll, nullptr, SampleFreq, kCheckable, "SampleFreq", 32000,
     SampleRateInUse},
    {kItem, "SampleFreq44100", "SampleFreq1", "44100", "", kAll, nullptr, SampleFreq, kCheckable, "SampleFreq", 44100,
     SampleRateInUse},
    {kItem, "SampleFreq48000", "SampleFreq1", "48000", "", kAll, nullptr, SampleFreq, kCheckable, "SampleFreq", 48000,
     SampleRateInUse},
    {kItem, "Buffersize128", "Buffersize1", "128", "", kAll, nullptr, Buffersize, kCheckable, "Buffersize", 128,
     BufferSizeInUse},
    {kItem, "Buffersize256", "Buffersize1", "256", "", kAll, nullptr, Buffersize, kCheckable, "Buffersize", 256,
     BufferSizeInUse},
    {kItem, "Buffersize512", "Buffersize1", "512", "", kAll, nullptr, Buffersize, kCheckable, "Buffersize", 512,
     BufferSizeInUse},
    {kItem, "Buffersize1024", "Buffersize1", "1024", "", kAll, nullptr, Buffersize, kCheckable, "Buffersize", 1024,
     BufferSizeInUse},
    {kItem, "Buffersize2048", "Buffersize1", "2048", "", kAll, nullptr, Buffersize, kCheckable, "Buffersize", 2048,
     BufferSizeInUse},
    {kItem, "Buffersize4096", "Buffersize1", "4096", "", kAll, nullptr, Buffersize, kCheckable, "Buffersize", 4096,
     BufferSizeInUse},
    // The note keys follow one fixed layout; these items only say so.
    {kItem, "QWERTZ1", "Keyboard1", "QWERTZ", "", kAll, nullptr, nullptr, kCheckable | kDisabled, "Keyboard"},
    {kItem, "QWERTY1", "Keyboard1", "QWERTY", "", kAll, nullptr, nullptr, kCheckable, "Keyboard", 0, Always},
    {kItem, "Keys1", "Option1", "Keys...", "", kAll, nullptr, [](W& w, A&) { w.KeysClick(); }},
    {kItem, "AutoIxxEffect1", "Option1", "Auto Ixx-Effect", "", kAll, nullptr,
     [](W& w, A&) { w.AutoIxxEffect1Click(); }, kCheckable, "", 0, Always},
    {kItem, "FollowSong1", "Option1", "Follow Song", "", kAll, nullptr,
     [](W& w, A& a) { w.state().FollowSong = a.isChecked(); }, kCheckable, "", 0, FollowingSong},
    {kSlot, "MIDIInput1", "Option1"},
    {kItem, "Scopes1", "Option1", "Scopes", "F9", kAll, nullptr, [](W& w, A& a) { w.ScopesClick(a.isChecked()); },
     kCheckable},
    {kItem, "InstrumentBrowser1", "Option1", "Instrument Browser", "Ctrl+B", kAll, nullptr,
     [](W& w, A& a) { w.InstrumentBrowserClick(a.isChecked()); }, kCheckable},
    {kItem, "PreviewInDialogs1", "Option1", "Preview in Dialogs", "", kAll, nullptr,
     [](W& w, A& a) { w.state().PreviewInDialogs = a.isChecked(); }, kCheckable, "", 0, PreviewingInDialogs},
    {kItem, "HighContrast1", "Option1", "High Contrast", "Ctrl+Shift+H", kAll, nullptr,
     [](W& w, A& a) { w.HighContrastClick(a.isChecked()); }, kCheckable, "", 0, HighContrastOn},
    // The pages from the keyboard, wherever it is (Tab walks the tracks on the pattern page).
    {kItem, "NextPage1", "Option1", "Next Page", "Ctrl+Tab; Ctrl+PgDown", kAll, nullptr,
     [](W& w, A&) { w.ShowNextPage(1); }},
    {kItem, "PreviousPage1", "Option1", "Previous Page", "Ctrl+Shift+Tab; Ctrl+PgUp", kAll, nullptr,
     [](W& w, A&) { w.ShowNextPage(-1); }},
    // Composing while it plays.
    {kSeparator, "ComposeSeparator1", "Option1"},
    {kItem, "LoopPattern1", "Option1", "Loop Pattern", "Ctrl+L", kAll, nullptr,
     [](W& w, A& a) { w.transport().LoopPatternClick(a.isChecked()); }, kCheckable},
    {kItem, "Record1", "Option1", "Record", "Ctrl+Shift+R", kAll, nullptr,
     [](W& w, A& a) { w.RecordClick(a.isChecked()); }, kCheckable},
    {kItem, "RecordVelocity1", "Option1", "Record Velocity", "", kAll, nullptr,
     [](W& w, A& a) { w.state().RecordVelocity = a.isChecked(); }, kCheckable},
    // Rows a note or "." entry moves the cursor on. The item of step 1 shares its name with
    // the submenu, as a QAction beside a QMenu.
    {kItem, "EditStepBy0", "EditStep1", "0", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 0, EditStepInUse},
    {kItem, "EditStepBy1", "EditStep1", "1", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 1, EditStepInUse},
    {kItem, "EditStepBy2", "EditStep1", "2", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 2, EditStepInUse},
    {kItem, "EditStepBy3", "EditStep1", "3", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 3, EditStepInUse},
    {kItem, "EditStepBy4", "EditStep1", "4", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 4, EditStepInUse},
    {kItem, "EditStepBy5", "EditStep1", "5", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 5, EditStepInUse},
    {kItem, "EditStepBy6", "EditStep1", "6", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 6, EditStepInUse},
    {kItem, "EditStepBy7", "EditStep1", "7", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 7, EditStepInUse},
    {kItem, "EditStepBy8", "EditStep1", "8", "", kAll, nullptr, EditStep, kCheckable, "EditStep", 8, EditStepInUse},
    // Beat rows: every n-th row of the pattern view on a background of its own.
    {kItem, "HighlightRowsOff1", "HighlightRows1", "Off", "", kAll, nullptr, HighlightRows, kCheckable, "HighlightRows",
     0, HighlightRowsInUse},
    {kItem, "HighlightRows4", "HighlightRows1", "4", "", kAll, nullptr, HighlightRows, kCheckable, "HighlightRows", 4,
     HighlightRowsInUse},
    {kItem, "HighlightRows8", "HighlightRows1", "8", "", kAll, nullptr, HighlightRows, kCheckable, "HighlightRows", 8,
     HighlightRowsInUse},

    {kItem, "Quit1", "", "Quit", "", kAll, nullptr, [](W& w, A&) { w.Quit1Click(); }},
};

const CommandMenu kMenus[] = {
    {"New1", "", "&New"},
    {"Load1", "", "&Load"},
    {"Save1", "", "&Save"},
    {"Edit1", "", "&Edit"},
    {"Option1", "", "Option"},
    {"SampleFreq1", "Option1", "SampleFreq"},
    {"Buffersize1", "Option1", "Buffersize"},
    {"Keyboard1", "Option1", "Keyboard"},
    {"EditStep1", "Option1", "Edit Step"},
    {"HighlightRows1", "Option1", "Highlight Rows"},
};

}  // namespace

const CommandMenu* FindMenu(const char* name) {
  for (const CommandMenu& menu : kMenus) {
    if (std::strcmp(menu.name, name) == 0) return &menu;
  }
  return nullptr;
}

std::span<const Command> CommandTable() { return kCommands; }

std::span<const CommandMenu> CommandMenus() { return kMenus; }

const Command* FindCommand(const char* name) {
  for (const Command& command : kCommands) {
    if (command.name && std::strcmp(command.name, name) == 0) return &command;
  }
  return nullptr;
}

}  // namespace kelmar
