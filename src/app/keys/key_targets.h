// Everything a key can be bound to: each command of the command table that a user can reach
// (not the hidden ones, nor the items that only say something), the 24 note keys and the 8
// octave keys. Each has the menu path keys.conf names it by, the pages it works on and its
// default keys.
#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <span>

#include "app/commands/command.h"
#include "app/keys/bound_key.h"

namespace kelmar {

// The pages a key works on, one bit per page of the window.
enum PageBit : uint8_t {
  kOnAbout = 1 << 0,
  kOnInstrument = 1 << 1,
  kOnPattern = 1 << 2,
  kOnSong = 1 << 3,
  kOnEveryPage = kOnAbout | kOnInstrument | kOnPattern | kOnSong,
};

enum class TargetKind : uint8_t { Command, Piano, Octave };

struct KeyTarget {
  TargetKind kind = TargetKind::Command;
  QString path;  // "Edit > Clone Pattern", "Piano > C#1", "Piano > Octave 3"
  uint8_t pages = kOnEveryPage;
  QList<BoundKey> defaults;
  const Command* command = nullptr;  // for a command
  int value = 0;                     // the note key (0..23) or the octave (0..7)
};

std::span<const KeyTarget> KeyTargets();

// The target of that menu path (any case, levels trimmed), or of that command row's name; -1 for none.
int TargetOfPath(const QString& path);
int TargetOfCommand(const char* name);

// "Pattern Editor", "Instrument Editor", "Instrument and Pattern Editor", "all pages".
QString PagesText(uint8_t pages);

}  // namespace kelmar
