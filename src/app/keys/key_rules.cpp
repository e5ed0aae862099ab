#include "app/keys/key_rules.h"

#include <QKeyCombination>
#include <cstring>

#include "app/commands/command_table.h"

namespace kelmar {
namespace {

constexpr Qt::KeyboardModifiers kCommandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

QString Named(const QKeyCombination& chord) { return QKeySequence(chord).toString(QKeySequence::NativeText); }

bool IsDesktopKey(const QKeyCombination& chord) {
  const Qt::KeyboardModifiers mods = chord.keyboardModifiers() & ~Qt::KeypadModifier;
  const int key = chord.key();
  if (mods & Qt::MetaModifier) return true;  // the Super key's combinations
  if (key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R) return true;
  if (mods == Qt::AltModifier || mods == (Qt::AltModifier | Qt::ShiftModifier)) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_F4;
  }
  if ((mods & (Qt::ControlModifier | Qt::AltModifier)) != (Qt::ControlModifier | Qt::AltModifier)) return false;
  // Ctrl+Alt: the consoles, the workspaces, logging out, the lock screen, the terminal.
  return (key >= Qt::Key_F1 && key <= Qt::Key_F12) || key == Qt::Key_Delete || key == Qt::Key_Backspace ||
         key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_T ||
         key == Qt::Key_L;
}

// The track columns' own keys, with or without Shift.
bool IsEditorKey(int key) {
  switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

// The menu bar's caption that Alt with that letter opens or runs ("&Edit" for Alt+E), or empty.
QString MenuBarCaptionOf(int key) {
  auto opens = [key](const char* caption) {
    const char* amp = std::strchr(caption, '&');
    return amp && QChar(QLatin1Char(amp[1])).toUpper().unicode() == key;
  };
  for (const CommandMenu& menu : CommandMenus()) {
    if (!*menu.parent && opens(menu.title)) return QString::fromUtf8(menu.title).remove(QLatin1Char('&'));
  }
  for (const Command& row : CommandTable()) {
    if (!*row.menu && row.kind == CommandKind::Item && opens(row.caption)) {
      return QString::fromUtf8(row.caption).remove(QLatin1Char('&'));
    }
  }
  return {};
}

QString RefusalOfChord(const QKeyCombination& chord) {
  if (IsDesktopKey(chord)) return QStringLiteral("the desktop usually takes ") + Named(chord);
  if ((chord.keyboardModifiers() & ~Qt::KeypadModifier) == Qt::AltModifier) {
    if (const QString caption = MenuBarCaptionOf(chord.key()); !caption.isEmpty()) {
      return Named(chord) + QStringLiteral(" is the menu bar's key for ") + caption;
    }
  }
  if (chord.keyboardModifiers() & kCommandModifiers) return {};
  const int key = chord.key();
  if (key == Qt::Key_Space) return QStringLiteral("Space types a blank, which erases an effect in the pattern editor");
  if (key < Qt::Key_Escape) return Named(chord) + QStringLiteral(" types a character in the editors");
  if (IsEditorKey(key)) return Named(chord) + QStringLiteral(" is a key of the pattern editor");
  return {};
}

}  // namespace

QString RefusalOf(const KeyTarget& target, const BoundKey& key) {
  if (target.kind == TargetKind::Piano) {
    if (key.place && !IsModifierPlace(*key.place)) return {};
    return QStringLiteral("a note key is a place of the typing keys, such as KeyZ");
  }
  if (key.place) {
    if (IsModifierPlace(*key.place)) return {};
    return QStringLiteral("a place such as %1 is only for note keys").arg(QString::fromLatin1(key.place->name));
  }
  if (target.kind == TargetKind::Octave && key.sequence.count() != 1) {
    return QStringLiteral("an octave key is a single key");
  }
  for (int i = 0; i < key.sequence.count(); ++i) {
    if (QString reason = RefusalOfChord(key.sequence[i]); !reason.isEmpty()) return reason;
  }
  return {};
}

}  // namespace kelmar
