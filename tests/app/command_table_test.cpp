// The command table is the one source of the menus and their keys: every item of the menu
// bar is a row of it, and the README's key tables and the manual page say what it says.
#include "app/commands/command_table.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QShortcut>

#include "app/commands/menu_builder.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

QString Plain(const char* caption) { return QString::fromUtf8(caption).remove('&'); }

// "Ctrl+Y, Ctrl+Shift+Z": the row's keys, sorted.
std::string KeysOf(const Command& row) {
  QStringList keys;
  for (const QKeySequence& key : ShortcutsOf(row)) keys << key.toString();
  keys.sort();
  return keys.join(", ").toStdString();
}

QString ReadSource(const char* path) {
  QFile file(QStringLiteral(KELMAR_SOURCE_DIR "/") + path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  return QString::fromUtf8(file.readAll());
}

// Every action under the menu bar, submenus included, but for those the window lists itself
// in a slot of the table (the MIDI sources, the unsaved work).
void Collect(const QList<QAction*>& actions, QList<QAction*>& out) {
  for (QAction* action : actions) {
    if (QMenu* menu = action->menu()) {
      const Command* slot = FindCommand(menu->objectName().toLatin1().constData());
      if (!slot || slot->kind != CommandKind::Slot) Collect(menu->actions(), out);
    } else {
      out << action;
    }
  }
}

using CommandTableInWindow = testing::WindowTest;

TEST_F(CommandTableInWindow, EveryMenuItemIsARowAndEveryRowAnItem) {
  QList<QAction*> items;
  Collect(window->menuBar()->actions(), items);
  QSet<QString> seen;
  for (QAction* item : items) {
    const Command* row = FindCommand(item->objectName().toLatin1().constData());
    ASSERT_NE(row, nullptr) << "not in the table: " << item->objectName().toStdString() << " "
                            << item->text().toStdString();
    seen << item->objectName();
    EXPECT_EQ(item->shortcuts(), ShortcutsOf(*row)) << row->name;
    if (!QString::fromUtf8(row->caption).contains("%1") && !item->isSeparator()) {
      EXPECT_TRUE(item->text() == row->caption || row == FindCommand("Undo1") || row == FindCommand("Redo1"))
          << row->name;
    }
  }
  for (const Command& row : CommandTable()) {
    if (row.kind != CommandKind::Slot) EXPECT_TRUE(seen.contains(row.name)) << "not in the menus: " << row.name;
  }
  // No key is bound anywhere but in the table.
  EXPECT_TRUE(window->findChildren<QShortcut*>().isEmpty());
  for (const QAction* action : window->findChildren<QAction*>()) {
    if (!action->shortcuts().isEmpty())
      EXPECT_TRUE(seen.contains(action->objectName())) << action->objectName().toStdString();
  }
}

// "Ctrl+Shift+Up / Down" names Ctrl+Shift+Down as its second key.
QStringList KeyGroups(const QString& cell) {
  QStringList groups;
  QString modifiers;
  for (const QString& group : cell.split(" / ")) {
    QStringList keys;
    for (QString key : group.split(", ")) {
      key = key.trimmed();
      if (key.contains('+') && key.size() > 1)
        modifiers = key.left(key.lastIndexOf('+') + 1);
      else if (!modifiers.isEmpty())
        key = modifiers + key;
      keys << key;
    }
    groups << keys.join(", ");
  }
  return groups;
}

// The rows with keys (or, for a line without keys, those without) whose caption (and menu,
// where the README names one) the text names.
const Command* RowNamed(const QString& text, const QString& menu, bool keyed) {
  const Command* found = nullptr;
  for (const Command& row : CommandTable()) {
    if (keyed != (*row.shortcuts != '\0')) continue;
    QString pattern = QRegularExpression::escape(Plain(row.caption));
    pattern.replace("\\%1", ".+");
    if (!QRegularExpression("^" + pattern + "$").match(text).hasMatch()) continue;
    if (!menu.isEmpty()) {
      const CommandMenu* owner = nullptr;
      for (const CommandMenu& m : CommandMenus())
        if (QLatin1String(m.name) == QLatin1String(row.menu)) owner = &m;
      if (!owner || Plain(owner->title) != menu) continue;
    }
    EXPECT_EQ(found, nullptr) << "two rows match " << text.toStdString();
    found = &row;
  }
  return found;
}

TEST(CommandTable, ReadmeKeyTablesAgreeWithTheTable) {
  QSet<QString> documented;
  const QRegularExpression quoted("\"([^\"]+)\"");
  const QRegularExpression menuName("\\*\\*(\\w+)\\*\\*");
  for (const QString& line : ReadSource("README.md").split('\n')) {
    const QStringList cells = line.split(" | ");
    if (!line.startsWith("| ") || cells.size() < 3) continue;
    QStringList captions;
    for (auto m = quoted.globalMatch(cells[1]); m.hasNext();) captions << m.next().captured(1);
    if (captions.isEmpty()) continue;  // a key of a page, not of the menus
    const QString menu = menuName.match(cells[1]).captured(1);
    const QStringList groups = KeyGroups(cells[0].mid(2));
    ASSERT_TRUE(groups.size() == captions.size() || captions.size() == 1) << line.toStdString();
    for (int i = 0; i < captions.size(); ++i) {
      const Command* row = RowNamed(captions[i], menu, !groups.join("").isEmpty());
      ASSERT_NE(row, nullptr) << "no command with keys: " << line.toStdString();
      QStringList keys = (captions.size() == 1 ? groups.join(", ") : groups[i]).split(", ");
      keys.sort();
      EXPECT_EQ(keys.join(", ").toStdString(), KeysOf(*row)) << line.toStdString();
      documented << row->name;
    }
  }
  for (const Command& row : CommandTable()) {
    if (*row.shortcuts) EXPECT_TRUE(documented.contains(row.name)) << "no README key table has " << row.name;
  }
}

TEST(CommandTable, ManualPageNamesEveryKeyOfTheTable) {
  QSet<QString> manual;
  const QRegularExpression key("(Ctrl\\+[\\w+]+|\\bF\\d+\\b)");
  for (const QString& line : ReadSource("data/man/kelmar.h2m").split('\n')) {
    if (!line.startsWith(".B ") && !line.startsWith(".BR ")) continue;
    for (auto m = key.globalMatch(line); m.hasNext();) manual << m.next().captured(1);
  }
  QSet<QString> table;
  for (const Command& row : CommandTable())
    for (const QKeySequence& k : ShortcutsOf(row)) table << k.toString();
  for (const QString& k : table) EXPECT_TRUE(manual.contains(k)) << "kelmar(1) lacks " << k.toStdString();
  for (const QString& k : manual) {
    if (k.startsWith("Ctrl+") || k.mid(1).toInt() > 4)
      EXPECT_TRUE(table.contains(k)) << "kelmar(1) has " << k.toStdString();
  }
}

}  // namespace
}  // namespace kelmar
