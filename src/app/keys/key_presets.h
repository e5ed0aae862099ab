// Sets of keys users bring from other trackers, each a set of overrides of the defaults.
#pragma once

#include <span>

#include "app/keys/key_bindings.h"

namespace kelmar {

struct KeyPresetKey {
  const char* path;  // the target's menu path
  const char* keys;  // "; " between two keys; "" for none
};

struct KeyPreset {
  const char* name;
  std::span<const KeyPresetKey> keys;
};

std::span<const KeyPreset> KeyPresets();

// The defaults with the preset's keys.
KeyBindings BindingsOfPreset(const KeyPreset& preset);

}  // namespace kelmar
