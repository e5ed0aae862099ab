// Turns the command table into the window's menu bar: one item per row, with its object
// name, caption, shortcuts, check mark and start state, running the row's function and
// recording its undo step. No shortcut is set anywhere else.
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>

#include "app/commands/command.h"

class QAction;
class QMenu;
class QMenuBar;

namespace kelmar {

class KeyBindings;

struct CommandItems {
  QHash<QString, QAction*> byName;  // every item and separator of the table
  QList<QAction*> withShortcuts;    // in table order
  QList<QAction*> patternItems;     // shown on the "Pattern Editor" page only
  QList<QAction*> instrumentItems;  // shown on the "Instrument Editor" page only

  QAction* operator[](const char* name) const { return byName.value(QString::fromLatin1(name)); }
};

// `fillSlot` makes the menus the table leaves to the window, in the menu given.
CommandItems BuildMenuBar(QMenuBar& bar, MainWindow& window,
                          const std::function<void(const Command& slot, QMenu& menu)>& fillSlot);

// The default shortcuts of a row.
QList<QKeySequence> ShortcutsOf(const Command& command);

// The commands' keys as bound instead of the defaults.
void SetShortcuts(CommandItems& items, const KeyBindings& bindings);

}  // namespace kelmar
