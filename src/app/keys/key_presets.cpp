#include "app/keys/key_presets.h"

#include <QStringList>

namespace kelmar {
namespace {

// F5 song, F6 pattern, F7 from the cursor, F8 stop: Kelmar's own transport keys already.
constexpr KeyPresetKey kFunctionKeyTransport[] = {
    {"Play Song", "F5"},
    {"Play Pattern", "F6"},
    {"Play from Cursor", "F7"},
    {"Stop", "F8"},
};

// Right Ctrl plays the song, Right Alt the pattern. Space alone would erase an effect in the
// pattern editor as well, so Stop is Ctrl+Space (and F8 still).
constexpr KeyPresetKey kModifierTransport[] = {
    {"Play Song", "ControlRight; F5"},
    {"Play Pattern", "AltRight; F6"},
    {"Stop", "Ctrl+Space; F8"},
};

// No F-keys: the transport on Ctrl+Return and its neighbours, the octaves on Alt+0..Alt+7.
constexpr KeyPresetKey kLaptop[] = {
    {"Play Song", "Ctrl+Return"},  {"Play Pattern", "Alt+Return"},      {"Play from Cursor", "Ctrl+Shift+Return"},
    {"Stop", "Ctrl+Space"},        {"Option > Scopes", "Ctrl+Shift+O"}, {"Piano > Octave 0", "Alt+0"},
    {"Piano > Octave 1", "Alt+1"}, {"Piano > Octave 2", "Alt+2"},       {"Piano > Octave 3", "Alt+3"},
    {"Piano > Octave 4", "Alt+4"}, {"Piano > Octave 5", "Alt+5"},       {"Piano > Octave 6", "Alt+6"},
    {"Piano > Octave 7", "Alt+7"},
};

constexpr KeyPreset kPresets[] = {
    {"Kelmar's defaults", {}},
    {"Impulse-style transport (F5 F6 F7 F8)", kFunctionKeyTransport},
    {"FastTracker-style transport (Right Ctrl, Right Alt)", kModifierTransport},
    {"Laptop (no F-keys)", kLaptop},
};

}  // namespace

std::span<const KeyPreset> KeyPresets() { return kPresets; }

KeyBindings BindingsOfPreset(const KeyPreset& preset) {
  KeyBindings bindings;
  for (const KeyPresetKey& entry : preset.keys) {
    QList<BoundKey> keys;
    for (const QString& text : QString::fromLatin1(entry.keys).split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
      if (const std::optional<BoundKey> key = BoundKey::FromText(text)) keys << *key;
    }
    bindings.Set(TargetOfPath(QString::fromLatin1(entry.path)), keys);
  }
  return bindings;
}

}  // namespace kelmar
