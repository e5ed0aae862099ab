#include "app/commands/menu_builder.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/commands/command_table.h"
#include "app/keys/key_bindings.h"
#include "app/main_window.h"

namespace kelmar {
namespace {

class Builder {
 public:
  Builder(QMenuBar& bar, MainWindow& window) : bar_(bar), window_(window) {}

  // The menu of that object name, made (with its parents) when first asked for; nullptr
  // for the menu bar.
  QMenu* Menu(const QString& name) {
    if (name.isEmpty()) return nullptr;
    if (QMenu* made = menus_.value(name)) return made;
    for (const CommandMenu& m : CommandMenus()) {
      if (name != QLatin1String(m.name)) continue;
      QMenu* parent = Menu(QString::fromLatin1(m.parent));
      QMenu* menu = parent ? parent->addMenu(m.title) : bar_.addMenu(m.title);
      menu->setObjectName(name);
      menus_.insert(name, menu);
      return menu;
    }
    return nullptr;
  }

  QAction* Add(const Command& row) {
    QMenu* menu = Menu(QString::fromLatin1(row.menu));
    if (row.kind == CommandKind::Separator) return menu->addSeparator();
    const QString caption = QString::fromUtf8(row.caption);
    QAction* item = menu ? menu->addAction(caption) : bar_.addAction(caption);
    SetStartState(row, item);
    item->setShortcuts(ShortcutsOf(row));
    if (row.run) {
      QObject::connect(item, &QAction::triggered, &window_, [&window = window_, &row, item] {
        row.run(window, *item);
        if (row.step) window.StepDone(row.step);
      });
    }
    return item;
  }

 private:
  void SetStartState(const Command& row, QAction* item) {
    if (row.flags & kCheckable) {
      item->setCheckable(true);
      item->setChecked(row.checked && row.checked(window_, row));
    }
    if (*row.group) Group(row.group)->addAction(item);
    if (row.value) item->setData(row.value);
    if (row.flags & kDisabled) item->setEnabled(false);
    if (row.flags & kHidden) item->setVisible(false);
  }

  // An exclusive group keeps one check mark among its items.
  QActionGroup* Group(const char* name) {
    QActionGroup*& group = groups_[QString::fromLatin1(name)];
    if (!group) group = new QActionGroup(&window_);
    return group;
  }

  QMenuBar& bar_;
  MainWindow& window_;
  QHash<QString, QMenu*> menus_;
  QHash<QString, QActionGroup*> groups_;
};

}  // namespace

QList<QKeySequence> ShortcutsOf(const Command& command) {
  QList<QKeySequence> keys;
  for (const QString& key : QString::fromLatin1(command.shortcuts).split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
    keys << QKeySequence(key);
  }
  return keys;
}

void SetShortcuts(CommandItems& items, const KeyBindings& bindings) {
  items.withShortcuts.clear();
  for (const Command& row : CommandTable()) {
    QAction* item = items[row.name];
    if (!item) continue;
    if (const int target = TargetOfCommand(row.name); target >= 0) item->setShortcuts(bindings.SequencesOf(target));
    if (!item->shortcuts().isEmpty()) items.withShortcuts << item;
  }
}

CommandItems BuildMenuBar(QMenuBar& bar, MainWindow& window,
                          const std::function<void(const Command& slot, QMenu& menu)>& fillSlot) {
  Builder builder(bar, window);
  CommandItems items;
  for (const Command& row : CommandTable()) {
    if (row.kind == CommandKind::Slot) {
      fillSlot(row, *builder.Menu(QString::fromLatin1(row.menu)));
      continue;
    }
    QAction* item = builder.Add(row);
    item->setObjectName(QString::fromLatin1(row.name));
    items.byName.insert(item->objectName(), item);
    if (!item->shortcuts().isEmpty()) items.withShortcuts << item;
    if (row.pages == Pages::Pattern) items.patternItems << item;
    if (row.pages == Pages::Instrument) items.instrumentItems << item;
  }
  return items;
}

}  // namespace kelmar
