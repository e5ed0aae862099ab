#include "app/keys/key_targets.h"

#include <QStringList>
#include <cstring>
#include <vector>

#include "app/commands/command_table.h"
#include "app/commands/menu_builder.h"
#include "editors/key_map.h"
#include "editors/pattern/pattern_text.h"
#include "files/keys_file.h"

namespace kelmar {
namespace {

uint8_t PagesOf(Pages pages) {
  switch (pages) {
    case Pages::Instrument:
      return kOnInstrument;
    case Pages::Pattern:
      return kOnPattern;
    case Pages::All:
      break;
  }
  return kOnEveryPage;
}

QString Plain(const char* text) { return QString::fromUtf8(text).remove(QLatin1Char('&')); }

// "Option > Edit Step > 4": the titles of the menus it sits in, then its caption, in which
// the song's file ("Song to %1") reads "File".
QString MenuPathOf(const Command& row) {
  QStringList levels{Plain(row.caption).replace(QLatin1String("%1"), QLatin1String("File"))};
  for (const CommandMenu* menu = FindMenu(row.menu); menu; menu = FindMenu(menu->parent)) {
    levels.prepend(Plain(menu->title));
  }
  return levels.join(QLatin1String(" > "));
}

bool Bindable(const Command& row) { return row.kind == CommandKind::Item && row.run && !(row.flags & kHidden); }

std::vector<KeyTarget> MakeTargets() {
  std::vector<KeyTarget> targets;
  for (const Command& row : CommandTable()) {
    if (!Bindable(row)) continue;
    KeyTarget target{TargetKind::Command, MenuPathOf(row), PagesOf(row.pages), {}, &row};
    for (const QKeySequence& key : ShortcutsOf(row)) target.defaults << BoundKey{key};
    targets.push_back(target);
  }
  const NoteKeys& notes = DefaultNoteKeys();
  for (int piano = 0; piano < 24; ++piano) {
    const int semitone = piano % 12;
    const QString name = QString::fromLatin1(kNoteNames + 2 * semitone, 2) + QString::number(piano / 12);
    KeyTarget target{
        TargetKind::Piano, QStringLiteral("Piano > ") + name, kOnInstrument | kOnPattern, {}, nullptr, piano};
    for (const KeyPlace& place : KeyPlaces()) {
      if (PianoKeyFromEvdev(place.evdev, notes) == piano) target.defaults << BoundKey::Place(place);
    }
    targets.push_back(target);
  }
  for (int octave = 0; octave < 8; ++octave) {
    KeyTarget target{TargetKind::Octave,
                     QStringLiteral("Piano > Octave %1").arg(octave),
                     kOnInstrument | kOnPattern,
                     {},
                     nullptr,
                     octave};
    for (const OctaveKey& key : notes.octaveKeys) {
      if (key.octave == octave) target.defaults << BoundKey{QKeySequence(QKeyCombination::fromCombined(key.combined))};
    }
    targets.push_back(target);
  }
  return targets;
}

}  // namespace

std::span<const KeyTarget> KeyTargets() {
  static const std::vector<KeyTarget> targets = MakeTargets();
  return targets;
}

int TargetOfPath(const QString& path) {
  const QString wanted = QString::fromStdString(NormalizedMenuPath(path.toStdString()));
  const std::span<const KeyTarget> targets = KeyTargets();
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].path.compare(wanted, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

int TargetOfCommand(const char* name) {
  const std::span<const KeyTarget> targets = KeyTargets();
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].command && std::strcmp(targets[i].command->name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

QString PagesText(uint8_t pages) {
  switch (pages) {
    case kOnInstrument:
      return QStringLiteral("Instrument Editor");
    case kOnPattern:
      return QStringLiteral("Pattern Editor");
    case kOnInstrument | kOnPattern:
      return QStringLiteral("Instrument and Pattern Editor");
    default:
      return QStringLiteral("all pages");
  }
}

}  // namespace kelmar
