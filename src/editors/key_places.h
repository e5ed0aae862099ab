// The places of the board that keys can be bound by: the typing keys, named as a US board
// names them ("KeyZ", "Digit2", "BracketLeft"), and Ctrl and Alt of either side. A place is
// where a key sits, whatever the layout prints on it.
#pragma once

#include <span>
#include <string_view>

namespace kelmar {

struct KeyPlace {
  const char* name;  // "KeyZ"
  int evdev;         // the Linux evdev code of the place
  char32_t usChar;   // what a US board types there without Shift; 0 for Ctrl and Alt
};

std::span<const KeyPlace> KeyPlaces();

// The place of that name (any case), of that evdev code, or of what a US board types
// there (either case); nullptr for none.
const KeyPlace* PlaceNamed(std::string_view name);
const KeyPlace* PlaceOfEvdev(int evdev);
const KeyPlace* PlaceOfUsChar(char32_t ch);

// Ctrl or Alt: a place that types nothing and can only be bound to a command.
inline bool IsModifierPlace(const KeyPlace& place) { return place.usChar == 0; }

}  // namespace kelmar
