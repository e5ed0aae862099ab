// One command of the menu bar, as a row of the command table: everything the menus, the
// shortcuts, the Edit menu's page rules, the undo steps and the documentation need to know
// of it. The rows are data; the menu builder turns them into the window's menus.
#pragma once

#include <cstdint>

class QAction;

namespace kelmar {

class MainWindow;

// The pages a command's item is shown on. Most show on all of them; the Edit menu's own
// items only on the page they work on.
enum class Pages : uint8_t { All, Instrument, Pattern };

enum class CommandKind : uint8_t {
  Item,       // a menu item or a command on the menu bar itself
  Note,       // a disabled item that only says something ("No audio output"); the window shows it
  Separator,  // a line between items
  Slot,       // a place the window fills with a menu of its own (the MIDI sources)
};

// Flags of an item at start.
enum CommandFlag : uint8_t {
  kHidden = 1 << 0,     // never shown
  kDisabled = 1 << 1,   // shown greyed
  kCheckable = 1 << 2,  // carries a check mark
};

struct Command {
  CommandKind kind = CommandKind::Item;
  // The item's object name: the name of its handler without "Click" ("Song2" is Load >
  // "Song", run by Song2Click).
  const char* name = nullptr;
  // The object name of the menu it sits in ("Load1", "SampleFreq1"); "" for the menu bar.
  const char* menu = "";
  // As shown, "&" before the accelerator letter. "%1" stands for what the window fills in.
  const char* caption = "";
  // Default shortcuts, "; " between two.
  const char* shortcuts = "";
  Pages pages = Pages::All;
  // The undo step the command makes of what it changed, or nullptr: it changes nothing in
  // the song, or it records its steps itself.
  const char* step = nullptr;
  void (*run)(MainWindow& window, QAction& item) = nullptr;
  uint8_t flags = 0;
  // Checkable items: the exclusive group they belong to ("" for none), the value the item
  // carries, and whether it is checked at start.
  const char* group = "";
  int value = 0;
  bool (*checked)(MainWindow& window, const Command& row) = nullptr;
};

// A menu of the menu bar, or a submenu.
struct CommandMenu {
  const char* name;    // object name
  const char* parent;  // "" for the menu bar
  const char* title;
};

}  // namespace kelmar
