// keys.conf: the key bindings that differ from the defaults, as text a person can edit.
//
//   # comment
//   Edit > Clone Pattern = Ctrl+G
//   Play Song = F5
//   Play Song = Ctrl+Return
//   Edit > Mute Track =
//
// One line per key: the command's menu path with " > " between the levels, "=", and one key;
// several lines give a command several keys, and a line with nothing after "=" leaves it
// none. "#" at the start of a line, or after a blank, starts a comment. What the paths and
// keys mean is the window's business; this is only the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/file_error.h"

namespace kelmar {

struct KeyLine {
  int number = 0;    // from 1
  std::string path;  // "Edit > Clone Pattern", its levels trimmed
  std::string key;   // as written, trimmed; empty: the command has no key
};

struct KeyLineProblem {
  int number = 0;
  std::string reason;  // "no \"=\""
};

struct KeysText {
  std::vector<KeyLine> lines;
  std::vector<KeyLineProblem> ignored;  // lines that are neither a binding, a comment nor blank
};

// A command's keys as the file gives them: a line per key, or an unbinding line for none.
struct KeyOverride {
  std::string path;
  std::vector<std::string> keys;
};

constexpr size_t kMaxKeysFileBytes = 1 << 20;

KeysText ParseKeysText(std::string_view text);
std::string KeysFileText(const std::vector<KeyOverride>& overrides);

// A missing file reads as no lines and no error: the defaults.
FileError ReadKeysFile(const std::string& path, KeysText& out);
FileError WriteKeysFile(const std::string& path, const std::vector<KeyOverride>& overrides);

// "Edit>Clone  Pattern " as "Edit > Clone  Pattern": each level trimmed, " > " between.
std::string NormalizedMenuPath(std::string_view path);

}  // namespace kelmar
