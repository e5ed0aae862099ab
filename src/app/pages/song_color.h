// The song's colour settings (0x00BBGGRR) as the toolkit's colours.
#pragma once

#include <QColor>

#include "editors/song/song_settings_rules.h"

namespace kelmar {

inline QColor ToQColor(uint32_t color) { return QColor(ColorByte(color, 0), ColorByte(color, 1), ColorByte(color, 2)); }

}  // namespace kelmar
