// A block as plain text, the form it takes on the system clipboard: the row texts of the
// pattern view, one line per row, the tracks of a row separated by a blank. Another Kelmar
// or a text editor can hold it; reading it back accepts exactly this form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "editors/pattern/block_commands.h"

namespace kelmar {

// Every line ends in a line feed.
std::string BlockText(const PatternBlock& block);

// The block a text holds: 1..32 lines (ending in "\n" or "\r\n", the last one may end
// without) of the same 1..8 row texts. The text shows effect codes 10..15 as "x", which
// reads back as 10, and any note of 127 or more as "...", which reads back as 127.
std::optional<PatternBlock> ParseBlockText(std::string_view text);

}  // namespace kelmar
