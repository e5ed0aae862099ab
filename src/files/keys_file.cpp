#include "files/keys_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "files/safe_write.h"

namespace kelmar {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The line without its comment: "#" where it starts the line or follows a blank (or a ">",
// which a written path follows with one), so that "Ctrl+#" stays a key.
std::string_view WithoutComment(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '#') continue;
    if (i == 0 || line[i - 1] == '>' || kBlanks.find(line[i - 1]) != std::string_view::npos) return line.substr(0, i);
  }
  return line;
}

}  // namespace

std::string NormalizedMenuPath(std::string_view path) {
  std::string out;
  for (bool first = true;; first = false) {
    const size_t cut = path.find('>');
    if (!first) out += " > ";
    out += Trimmed(path.substr(0, cut));
    if (cut == std::string_view::npos) return out;
    path.remove_prefix(cut + 1);
  }
}

KeysText ParseKeysText(std::string_view text) {
  KeysText parsed;
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(WithoutComment(text.substr(0, end)));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (line.empty()) continue;
    // A key may be "=" itself ("Ctrl+="): the first "=" ends the path.
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      parsed.ignored.push_back({number, "no \"=\" between a command and its key"});
    } else if (Trimmed(line.substr(0, equals)).empty()) {
      parsed.ignored.push_back({number, "no command before \"=\""});
    } else {
      parsed.lines.push_back(
          {number, NormalizedMenuPath(line.substr(0, equals)), std::string(Trimmed(line.substr(equals + 1)))});
    }
  }
  return parsed;
}

std::string KeysFileText(const std::vector<KeyOverride>& overrides) {
  std::string text =
      "# Kelmar's keys where they differ from the defaults: \"menu path = key\", a line per key.\n"
      "# \"path =\" with no key leaves the command none. \"kelmar --keys\" lists every binding.\n";
  for (const KeyOverride& binding : overrides) {
    if (binding.keys.empty()) text += binding.path + " =\n";
    for (const std::string& key : binding.keys) text += binding.path + " = " + key + "\n";
  }
  return text;
}

FileError ReadKeysFile(const std::string& path, KeysText& out) {
  out = {};
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) return {};
  std::vector<uint8_t> bytes;
  bool tooLarge = false;
  if (FileError error = ReadFileBytes(path, kMaxKeysFileBytes, bytes, &tooLarge)) return error;
  if (tooLarge) return FileError::Limit("larger than 1 MB");
  out = ParseKeysText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return {};
}

FileError WriteKeysFile(const std::string& path, const std::vector<KeyOverride>& overrides) {
  const std::string text = KeysFileText(overrides);
  return WriteFileSafely(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace kelmar
