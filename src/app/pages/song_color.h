// The song's colour settings (0x00BBGGRR) as the toolkit's colours.
#pragma once

#include <QColor>

#include "editors/editor_state.h"
#include "editors/song/song_settings_rules.h"
#include "files/song_settings.h"

namespace kelmar {

inline QColor ToQColor(uint32_t color) { return QColor(ColorByte(color, 0), ColorByte(color, 1), ColorByte(color, 2)); }

// The colours the text boxes are drawn in: the song's, or white on black under High Contrast.
inline uint32_t ShownTextColor(const SongSettings& settings, const EditorState& state) {
  return state.HighContrast ? 0x00FFFFFFu : settings.TextColor;
}
inline uint32_t ShownBackColor(const SongSettings& settings, const EditorState& state) {
  return state.HighContrast ? 0u : settings.BackColor;
}

}  // namespace kelmar
