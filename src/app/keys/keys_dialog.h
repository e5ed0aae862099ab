// Option > "Keys...": every command, note key and octave key with its menu path, its keys and
// its page. A key pressed in the capture box becomes the selected row's key; one that another
// command of the same page has is refused with that command's name until Swap gives it over,
// and keys the editors or the desktop keep for themselves are refused with why. A preset
// fills every row at once. The window writes keys.conf and applies the keys on OK.
#pragma once

#include <QDialog>

#include "app/keys/key_bindings.h"
#include "app/keys/key_caps.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kelmar {

class Announcer;

class KeysDialog : public QDialog {
  Q_OBJECT
 public:
  explicit KeysDialog(const KeyBindings& bindings, QWidget* parent = nullptr);

  const KeyBindings& bindings() const { return bindings_; }

  // The selected row's target, or -1.
  int SelectedTarget() const;
  void SelectTarget(int target);
  // A key for the selected row, as the capture box hands it on.
  void Capture(const BoundKey& key);

 protected:
  // Enter on a row of the table: the next key pressed is that row's.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTable();
  void ShowRow(int target);
  void ShowAll();
  void Filter(const QString& text);
  void Swap();
  void Clear();
  void Reset();
  void ResetAll();
  void UsePreset(int index);
  void Say(const QString& text);
  // After a key asked for with Enter: the keyboard goes on to `next` (the table, or Swap).
  void CaptureDone(QWidget* next);
  QString Shown(const BoundKey& key) const;  // with the user's key cap for a place

  KeyBindings bindings_;
  KeyCaps caps_;
  QLineEdit* search_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLineEdit* capture_ = nullptr;
  QLabel* message_ = nullptr;
  QPushButton* swap_ = nullptr;
  QComboBox* presets_ = nullptr;
  // A key refused for another command's sake, which Swap would give over.
  int pendingTarget_ = -1;
  BoundKey pendingKey_;
  bool askedByEnter_ = false;  // the capture box has the keyboard for one key only
  Announcer* announcer_ = nullptr;
};

}  // namespace kelmar
