#include "app/keys/key_bindings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <bit>
#include <optional>

#include "app/keys/key_rules.h"

namespace kelmar {
namespace {

std::span<const KeyTarget> Targets() { return KeyTargets(); }

// One binding line of keys.conf as read.
struct Given {
  int line = 0;
  int target = -1;
  std::optional<BoundKey> key;  // none: the unbinding line
  bool kept = true;
};

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// "on the Pattern Editor page", "on the Instrument and Pattern Editor pages", "on every page".
QString OnPages(uint8_t pages) {
  if (pages == kOnEveryPage) return QStringLiteral("on every page");
  return QStringLiteral("on the ") + PagesText(pages) +
         (std::has_single_bit(pages) ? QStringLiteral(" page") : QStringLiteral(" pages"));
}

// Every line turned into a target and a key, or into a reason it is left out.
std::vector<Given> ReadLines(const KeysText& text, std::vector<std::pair<int, QString>>& ignored) {
  std::vector<Given> given;
  for (const KeyLine& line : text.lines) {
    const QString path = QString::fromStdString(line.path);
    const int target = TargetOfPath(path);
    if (target < 0) {
      ignored.emplace_back(line.number, QStringLiteral("no command is named ") + Quoted(path));
      continue;
    }
    Given g{line.number, target, std::nullopt};
    if (!line.key.empty()) {
      const QString keyText = QString::fromStdString(line.key);
      g.key = BoundKey::FromText(keyText);
      if (!g.key) {
        ignored.emplace_back(line.number, Quoted(keyText) + QStringLiteral(" is not a key"));
        continue;
      }
      if (const QString refusal = RefusalOf(Targets()[target], *g.key); !refusal.isEmpty()) {
        ignored.emplace_back(line.number, refusal);
        continue;
      }
      auto same = std::find_if(given.begin(), given.end(),
                               [&](const Given& o) { return o.target == target && o.key == g.key; });
      if (same != given.end()) {
        ignored.emplace_back(line.number, QStringLiteral("repeats line %1").arg(same->line));
        continue;
      }
    }
    given.push_back(g);
  }
  return given;
}

// The keys the kept lines give: a target named by a kept line has exactly their keys.
KeyBindings Apply(const std::vector<Given>& given) {
  KeyBindings bindings;
  std::vector<bool> named(Targets().size(), false);
  std::vector<QList<BoundKey>> keys(Targets().size());
  for (const Given& g : given) {
    if (!g.kept) continue;
    named[g.target] = true;
    if (g.key) keys[g.target] << *g.key;
  }
  for (size_t t = 0; t < named.size(); ++t) {
    if (named[t]) bindings.Set(static_cast<int>(t), keys[t]);
  }
  return bindings;
}

// Leaves out one line whose key another target of the same page has (and, where that target
// has it from a line too, that line), then tells whether it found one.
bool DropOneClash(std::vector<Given>& given, const KeyBindings& bindings,
                  std::vector<std::pair<int, QString>>& ignored) {
  for (Given& g : given) {
    if (!g.kept || !g.key) continue;
    const int holder = bindings.HolderOf(*g.key, g.target);
    if (holder < 0) continue;
    g.kept = false;
    const QString key = g.key->Text();
    const QString& holderPath = Targets()[holder].path;
    for (Given& h : given) {
      if (!h.kept || h.target != holder || !h.key || !h.key->Clashes(*g.key)) continue;
      h.kept = false;
      ignored.emplace_back(
          h.line,
          QStringLiteral("%1 is also given to %2 on line %3").arg(h.key->Text(), Targets()[g.target].path).arg(g.line));
      ignored.emplace_back(g.line,
                           QStringLiteral("%1 is also given to %2 on line %3").arg(key, holderPath).arg(h.line));
      return true;
    }
    ignored.emplace_back(g.line,
                         QStringLiteral("%1 is already the key of %2 %3")
                             .arg(key, holderPath, OnPages(Targets()[holder].pages & Targets()[g.target].pages)));
    return true;
  }
  return false;
}

}  // namespace

KeyBindings::KeyBindings() {
  for (const KeyTarget& target : Targets()) keys_.push_back(target.defaults);
}

void KeyBindings::Reset(int target) { keys_[target] = Targets()[target].defaults; }

bool KeyBindings::IsDefault(int target) const { return keys_[target] == Targets()[target].defaults; }

int KeyBindings::HolderOf(const BoundKey& key, int target) const {
  for (size_t t = 0; t < keys_.size(); ++t) {
    if (static_cast<int>(t) == target || !(Targets()[t].pages & Targets()[target].pages)) continue;
    for (const BoundKey& other : keys_[t]) {
      if (other.Clashes(key)) return static_cast<int>(t);
    }
  }
  return -1;
}

QList<QKeySequence> KeyBindings::SequencesOf(int target) const {
  QList<QKeySequence> sequences;
  for (const BoundKey& key : keys_[target]) {
    if (!key.place) sequences << key.sequence;
  }
  return sequences;
}

NoteKeys KeyBindings::NoteKeysForEditors() const {
  NoteKeys notes;
  notes.pianoAt.fill(static_cast<int8_t>(kNotPiano));
  notes.octaveKeys.clear();
  for (size_t t = 0; t < keys_.size(); ++t) {
    const KeyTarget& target = Targets()[t];
    for (const BoundKey& key : keys_[t]) {
      if (target.kind == TargetKind::Piano && key.place)
        notes.pianoAt[key.place->evdev] = static_cast<int8_t>(target.value);
      if (target.kind == TargetKind::Octave && key.sequence.count() == 1) {
        notes.octaveKeys.push_back({key.sequence[0].toCombined(), static_cast<uint8_t>(target.value)});
      }
    }
  }
  return notes;
}

std::vector<KeyOverride> KeyBindings::Overrides() const {
  std::vector<KeyOverride> overrides;
  for (size_t t = 0; t < keys_.size(); ++t) {
    if (IsDefault(static_cast<int>(t))) continue;
    KeyOverride binding{Targets()[t].path.toStdString(), {}};
    for (const BoundKey& key : keys_[t]) binding.keys.push_back(key.Text().toStdString());
    overrides.push_back(binding);
  }
  return overrides;
}

ReadKeys BindingsOfText(const KeysText& text) {
  std::vector<std::pair<int, QString>> ignored;
  for (const KeyLineProblem& problem : text.ignored)
    ignored.emplace_back(problem.number, QString::fromStdString(problem.reason));
  std::vector<Given> given = ReadLines(text, ignored);
  // Each round leaves out at least one line, and the defaults never clash among themselves.
  KeyBindings bindings = Apply(given);
  while (DropOneClash(given, bindings, ignored)) bindings = Apply(given);

  std::stable_sort(ignored.begin(), ignored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  ReadKeys read{bindings, {}, {}};
  for (const auto& [line, reason] : ignored) read.ignored << QStringLiteral("line %1: %2").arg(line).arg(reason);
  return read;
}

QString KeysFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/keys.conf");
}

ReadKeys LoadKeyBindings(const QString& path) {
  KeysText text;
  if (const FileError error = ReadKeysFile(path.toStdString(), text)) {
    return {KeyBindings(), {}, QString::fromStdString(error.message())};
  }
  return BindingsOfText(text);
}

FileError SaveKeyBindings(const KeyBindings& bindings, const QString& path) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return FileError::FromErrno(EACCES);
  return WriteKeysFile(path.toStdString(), bindings.Overrides());
}

QString KeysTable(const KeyBindings& bindings) {
  QStringList commands{QStringLiteral("Command")}, keys{QStringLiteral("Keys")}, pages{QStringLiteral("Page")};
  for (size_t t = 0; t < Targets().size(); ++t) {
    QStringList shown;
    for (const BoundKey& key : bindings.KeysOf(static_cast<int>(t))) shown << key.Text();
    commands << Targets()[t].path;
    keys << (shown.isEmpty() ? QStringLiteral("-") : shown.join(QLatin1String(", ")));
    pages << PagesText(Targets()[t].pages);
  }
  qsizetype commandWidth = 0, keyWidth = 0;
  for (qsizetype i = 0; i < commands.size(); ++i) {
    commandWidth = std::max(commandWidth, commands[i].size());
    keyWidth = std::max(keyWidth, keys[i].size());
  }
  QString table;
  for (qsizetype i = 0; i < commands.size(); ++i) {
    table += commands[i].leftJustified(commandWidth + 2) + keys[i].leftJustified(keyWidth + 2) + pages[i] +
             QLatin1Char('\n');
  }
  return table;
}

}  // namespace kelmar
