#include "app/keys/keys_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/access/announcer.h"
#include "app/keys/key_presets.h"
#include "app/keys/key_rules.h"
#include "app/platform_key.h"

namespace kelmar {
namespace {

enum Column { kCommandColumn, kKeysColumn, kPageColumn };

bool IsModifierKey(int key) {
  return key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_AltGr || key == Qt::Key_Shift ||
         key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}

// The key a press other than a modifier's gives the target: a place for a note key, else
// the key with its modifiers.
std::optional<BoundKey> KeyOfPress(const KeyTarget& target, const QKeyEvent* event) {
  const PlatformKey key = PlatformKeyOf(event);
  const KeyPlace* place = PlaceOfEvdev(PhysicalKeyOf(key));
  if (target.kind == TargetKind::Piano) {
    // Where the platform names no place, the character says which place a US board has it at.
    if (!place) place = PlaceOfUsChar(key.Text.empty() ? 0 : key.Text.front());
    if (!place) place = PlaceOfUsChar(static_cast<char32_t>(event->key()));
    if (place) return BoundKey::Place(*place);
    return std::nullopt;
  }
  return BoundKey{QKeySequence(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())))};
}

// Takes every key, Tab and the shortcuts included, and hands it to the dialog.
class CaptureBox : public QLineEdit {
 public:
  explicit CaptureBox(KeysDialog& dialog) : QLineEdit(&dialog), dialog_(dialog) {
    setReadOnly(true);
    setPlaceholderText(QStringLiteral("Press a key here for the selected row"));
  }

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    if (event->type() == QEvent::KeyPress) {
      Press(static_cast<QKeyEvent*>(event));
      return true;
    }
    if (event->type() == QEvent::KeyRelease) {
      // Ctrl or Alt alone: let go before any other key went down.
      const auto* release = static_cast<QKeyEvent*>(event);
      if (lone_ && !release->isAutoRepeat() && IsModifierKey(release->key())) dialog_.Capture(BoundKey::Place(*lone_));
      if (!release->isAutoRepeat()) lone_ = nullptr;
      return true;
    }
    return QLineEdit::event(event);
  }

 private:
  void Press(const QKeyEvent* press) {
    const int target = dialog_.SelectedTarget();
    if (target < 0 || press->isAutoRepeat()) return;
    const KeyTarget& row = KeyTargets()[target];
    if (IsModifierKey(press->key())) {
      lone_ = row.kind == TargetKind::Piano ? nullptr : ModifierPlaceOf(press);  // it waits for its key
      return;
    }
    lone_ = nullptr;
    if (const std::optional<BoundKey> key = KeyOfPress(row, press)) dialog_.Capture(*key);
  }

  KeysDialog& dialog_;
  const KeyPlace* lone_ = nullptr;
};

}  // namespace

KeysDialog::KeysDialog(const KeyBindings& bindings, QWidget* parent) : QDialog(parent), bindings_(bindings) {
  setObjectName("KeysDialog");
  setWindowTitle(QStringLiteral("Keys"));
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  search_ = new QLineEdit(this);
  search_->setObjectName("KeysSearch");
  search_->setPlaceholderText(QStringLiteral("Search commands and keys"));
  search_->setClearButtonEnabled(true);
  search_->setAccessibleName(search_->placeholderText());
  presets_ = new QComboBox(this);
  presets_->setObjectName("KeysPreset");
  presets_->addItem(QStringLiteral("Preset..."));
  for (const KeyPreset& preset : KeyPresets()) presets_->addItem(QString::fromUtf8(preset.name));
  top->addWidget(search_, 1);
  top->addWidget(presets_);
  layout->addLayout(top);

  BuildTable();
  layout->addWidget(table_, 1);

  capture_ = new CaptureBox(*this);
  capture_->setObjectName("KeysCapture");
  capture_->setAccessibleName(QStringLiteral("Key for the selected row"));
  layout->addWidget(capture_);
  message_ = new QLabel(this);
  message_->setObjectName("KeysMessage");
  message_->setWordWrap(true);
  message_->setMinimumHeight(2 * message_->fontMetrics().lineSpacing());
  layout->addWidget(message_);

  auto* buttons = new QHBoxLayout;
  auto addButton = [&](const char* name, const QString& text, void (KeysDialog::*run)()) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, run);
    buttons->addWidget(button);
    return button;
  };
  swap_ = addButton("KeysSwap", QStringLiteral("Swap"), &KeysDialog::Swap);
  swap_->setEnabled(false);
  addButton("KeysClear", QStringLiteral("Clear"), &KeysDialog::Clear);
  addButton("KeysReset", QStringLiteral("Reset"), &KeysDialog::Reset);
  addButton("KeysResetAll", QStringLiteral("Reset All"), &KeysDialog::ResetAll);
  buttons->addStretch(1);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->addWidget(box);
  layout->addLayout(buttons);

  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(search_, &QLineEdit::textChanged, this, &KeysDialog::Filter);
  connect(presets_, &QComboBox::activated, this, &KeysDialog::UsePreset);
  // A click on a row goes straight on to its key; the keyboard walks the rows, and Enter
  // takes the next key for the row it stands on.
  connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
    Say({});
    if (!table_->hasFocus() || QApplication::mouseButtons() != Qt::NoButton) capture_->setFocus();
  });
  table_->installEventFilter(this);
  announcer_ = new Announcer(this);
  resize(640, 560);
}

void KeysDialog::BuildTable() {
  table_ = new QTableWidget(static_cast<int>(KeyTargets().size()), 3, this);
  table_->setObjectName("KeysTable");
  table_->setHorizontalHeaderLabels({QStringLiteral("Command"), QStringLiteral("Keys"), QStringLiteral("Page")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setSectionResizeMode(kCommandColumn, QHeaderView::Stretch);
  for (int t = 0; t < table_->rowCount(); ++t) {
    table_->setItem(t, kCommandColumn, new QTableWidgetItem(KeyTargets()[t].path));
    table_->setItem(t, kKeysColumn, new QTableWidgetItem);
    table_->setItem(t, kPageColumn, new QTableWidgetItem(PagesText(KeyTargets()[t].pages)));
  }
  ShowAll();
  table_->resizeColumnToContents(kKeysColumn);
  table_->resizeColumnToContents(kPageColumn);
}

void KeysDialog::ShowRow(int target) {
  QStringList shown;
  for (const BoundKey& key : bindings_.KeysOf(target)) shown << Shown(key);
  QTableWidgetItem* item = table_->item(target, kKeysColumn);
  item->setText(shown.join(QLatin1String(", ")));
  QFont font = item->font();
  font.setBold(!bindings_.IsDefault(target));  // what keys.conf will hold
  item->setFont(font);
}

void KeysDialog::ShowAll() {
  for (int t = 0; t < table_->rowCount(); ++t) ShowRow(t);
}

void KeysDialog::Filter(const QString& text) {
  for (int t = 0; t < table_->rowCount(); ++t) {
    const bool shown = table_->item(t, kCommandColumn)->text().contains(text, Qt::CaseInsensitive) ||
                       table_->item(t, kKeysColumn)->text().contains(text, Qt::CaseInsensitive);
    table_->setRowHidden(t, !shown);
  }
}

int KeysDialog::SelectedTarget() const {
  const QList<QTableWidgetItem*> selected = table_->selectedItems();
  return selected.isEmpty() ? -1 : selected.front()->row();
}

void KeysDialog::SelectTarget(int target) { table_->selectRow(target); }

void KeysDialog::Capture(const BoundKey& key) {
  const int target = SelectedTarget();
  if (target < 0) return;
  const KeyTarget& row = KeyTargets()[target];
  const QString shown = Shown(key);
  if (const QString refusal = RefusalOf(row, key); !refusal.isEmpty()) {
    Say(QStringLiteral("%1 refused: %2.").arg(shown, refusal));
    CaptureDone(table_);
    return;
  }
  const int holder = bindings_.HolderOf(key, target);
  if (holder >= 0) {
    Say(QStringLiteral("%1 is the key of %2. Swap the two?").arg(shown, KeyTargets()[holder].path));
    pendingTarget_ = target;
    pendingKey_ = key;
    swap_->setEnabled(true);
    CaptureDone(swap_);
    return;
  }
  bindings_.Set(target, {key});
  ShowRow(target);
  Say(QStringLiteral("%1: %2").arg(row.path, shown));
  CaptureDone(table_);
}

void KeysDialog::CaptureDone(QWidget* next) {
  if (!askedByEnter_) return;
  askedByEnter_ = false;
  next->setFocus(Qt::OtherFocusReason);
}

bool KeysDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched != table_ || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if ((key != Qt::Key_Return && key != Qt::Key_Enter) || SelectedTarget() < 0) return false;
  askedByEnter_ = true;
  capture_->setFocus(Qt::OtherFocusReason);
  Say(QStringLiteral("Press the key for %1").arg(KeyTargets()[SelectedTarget()].path));
  return true;  // not the dialog's OK
}

void KeysDialog::Swap() {
  const int holder = pendingTarget_ < 0 ? -1 : bindings_.HolderOf(pendingKey_, pendingTarget_);
  if (holder >= 0) {
    const QList<BoundKey> given = bindings_.KeysOf(pendingTarget_);
    bindings_.Set(pendingTarget_, {pendingKey_});
    QList<BoundKey> kept;
    for (const BoundKey& key : bindings_.KeysOf(holder)) {
      if (!key.Clashes(pendingKey_)) kept << key;
    }
    bindings_.Set(holder, kept);
    // The holder takes over the keys that were given up where nothing else has them.
    for (const BoundKey& key : given) {
      if (RefusalOf(KeyTargets()[holder], key).isEmpty() && bindings_.HolderOf(key, holder) < 0) {
        kept << key;
        bindings_.Set(holder, kept);
      }
    }
    ShowRow(holder);
    ShowRow(pendingTarget_);
    Say(QStringLiteral("Swapped with %1.").arg(KeyTargets()[holder].path));
  }
}

void KeysDialog::Clear() {
  if (const int target = SelectedTarget(); target >= 0) {
    bindings_.Set(target, {});
    ShowRow(target);
  }
}

void KeysDialog::Reset() {
  const int target = SelectedTarget();
  if (target < 0) return;
  bindings_.Reset(target);
  // A default key another command has been given since stays with it: the row gets the rest.
  QList<BoundKey> free;
  for (const BoundKey& key : bindings_.KeysOf(target)) {
    if (bindings_.HolderOf(key, target) < 0) free << key;
  }
  bindings_.Set(target, free);
  ShowRow(target);
  if (free.size() != KeyTargets()[target].defaults.size())
    Say(QStringLiteral("Its default keys that another command has now stay with it."));
}

void KeysDialog::ResetAll() {
  bindings_.ResetAll();
  ShowAll();
  Say(QStringLiteral("Every key is the default again."));
}

void KeysDialog::UsePreset(int index) {
  if (index <= 0) return;
  bindings_ = BindingsOfPreset(KeyPresets()[index - 1]);
  ShowAll();
  Say(QStringLiteral("Preset: %1").arg(presets_->itemText(index)));
  presets_->setCurrentIndex(0);
}

void KeysDialog::Say(const QString& text) {
  message_->setText(text);
  if (!text.isEmpty()) announcer_->Announce(text);
  swap_->setEnabled(false);  // whatever comes next drops a swap offered before
  pendingTarget_ = -1;
}

QString KeysDialog::Shown(const BoundKey& key) const { return key.Shown(key.place ? caps_.Of(*key.place) : QString()); }

}  // namespace kelmar
