// The keys of every target (see key_targets.h): the defaults, changed by keys.conf or the
// Keys dialog. Reading keys.conf never fails: a line that names no command, gives no key,
// gives a refused key or a key another command of the same page has is left out, with why,
// and its command keeps its default keys.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "app/keys/bound_key.h"
#include "app/keys/key_targets.h"
#include "editors/key_map.h"
#include "files/keys_file.h"

namespace kelmar {

class KeyBindings {
 public:
  KeyBindings();  // the defaults

  const QList<BoundKey>& KeysOf(int target) const { return keys_[target]; }
  void Set(int target, const QList<BoundKey>& keys) { keys_[target] = keys; }
  void Reset(int target);
  void ResetAll() { *this = KeyBindings(); }
  bool IsDefault(int target) const;

  // The target other than `target` that has a key clashing with `key` on one of target's
  // pages, or -1.
  int HolderOf(const BoundKey& key, int target) const;

  // The command's key sequences, the first shown in its menu.
  QList<QKeySequence> SequencesOf(int target) const;
  // The note and octave keys for the editors.
  NoteKeys NoteKeysForEditors() const;
  // What differs from the defaults, as keys.conf gives it.
  std::vector<KeyOverride> Overrides() const;

  bool operator==(const KeyBindings& other) const { return keys_ == other.keys_; }

 private:
  std::vector<QList<BoundKey>> keys_;
};

struct ReadKeys {
  KeyBindings bindings;
  QStringList ignored;  // "line 3: no command is named \"Edit > Clone Patern\""
  QString fileError;    // the file could not be read at all: why
};

ReadKeys BindingsOfText(const KeysText& text);

// keys.conf in the user's configuration folder.
QString KeysFilePath();
// A file that cannot be read is ignored as a whole, with why.
ReadKeys LoadKeyBindings(const QString& path);
// Writes what differs from the defaults through the safe write; the folder is made if need be.
FileError SaveKeyBindings(const KeyBindings& bindings, const QString& path);

// "command | keys | page" lines for `kelmar --keys`, the columns aligned.
QString KeysTable(const KeyBindings& bindings);

}  // namespace kelmar
