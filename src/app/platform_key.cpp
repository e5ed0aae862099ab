#include "app/platform_key.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include "editors/key_places.h"

namespace kelmar {

static_assert(toolkit_key::kBackspace == Qt::Key_Backspace && toolkit_key::kReturn == Qt::Key_Return &&
              toolkit_key::kEnter == Qt::Key_Enter && toolkit_key::kInsert == Qt::Key_Insert &&
              toolkit_key::kDelete == Qt::Key_Delete && toolkit_key::kLeft == Qt::Key_Left &&
              toolkit_key::kUp == Qt::Key_Up && toolkit_key::kRight == Qt::Key_Right &&
              toolkit_key::kDown == Qt::Key_Down && toolkit_key::kF1 == Qt::Key_F1 &&
              toolkit_key::kF4 == Qt::Key_F4 && toolkit_key::kPlus == Qt::Key_Plus &&
              toolkit_key::kMinus == Qt::Key_Minus && toolkit_key::kEqual == Qt::Key_Equal &&
              toolkit_key::kUnderscore == Qt::Key_Underscore);
static_assert(toolkit_key::kEscape == Qt::Key_Escape && toolkit_key::kTab == Qt::Key_Tab &&
              toolkit_key::kBacktab == Qt::Key_Backtab && toolkit_key::kHome == Qt::Key_Home &&
              toolkit_key::kEnd == Qt::Key_End && toolkit_key::kPageUp == Qt::Key_PageUp &&
              toolkit_key::kPageDown == Qt::Key_PageDown);
static_assert(toolkit_key::kShiftModifier == Qt::ShiftModifier && toolkit_key::kControlModifier == Qt::ControlModifier &&
              toolkit_key::kAltModifier == Qt::AltModifier && toolkit_key::kMetaModifier == Qt::MetaModifier);

PlatformKey PlatformKeyOf(const QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  PlatformKey key;
  key.Key = event->key();
  key.Text = event->text().toStdU32String();
  key.ScanCode = event->nativeScanCode();
  static const ScanCodeSet codes = ScanCodeSetOf(QGuiApplication::platformName().toStdString());  // fixed per run
  key.Codes = codes;
  key.Shift = modifiers & Qt::ShiftModifier;
  key.Control = modifiers & Qt::ControlModifier;
  key.Alt = modifiers & Qt::AltModifier;
  key.Meta = modifiers & Qt::MetaModifier;
  key.Keypad = modifiers & Qt::KeypadModifier;
  key.AutoRepeat = event->isAutoRepeat();
  return key;
}

const KeyPlace* ModifierPlaceOf(const QKeyEvent* event) {
  const KeyPlace* place = PlaceOfEvdev(PhysicalKeyOf(PlatformKeyOf(event)));
  return place && IsModifierPlace(*place) ? place : nullptr;
}

}  // namespace kelmar
