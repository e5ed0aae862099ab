// Any bytes read as keys.conf. Every binding read has a line number after the one before, a
// path that is its own normal form and a key without a line break, and what is read writes
// out as a file that reads back as the same bindings.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/keys_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  const KeysText read = ParseKeysText(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<KeyOverride> overrides;
  int last = 0;
  for (const KeyLine& line : read.lines) {
    if (line.number <= last || line.path.empty() || NormalizedMenuPath(line.path) != line.path) std::abort();
    if (line.key.find('\n') != std::string::npos) std::abort();
    last = line.number;
    if (line.key.starts_with('#')) continue;  // no key is "#"; written after "= " it would read as a comment
    overrides.push_back(
        {line.path, line.key.empty() ? std::vector<std::string>{} : std::vector<std::string>{line.key}});
  }
  const KeysText again = ParseKeysText(KeysFileText(overrides));
  if (!again.ignored.empty() || again.lines.size() != overrides.size()) std::abort();
  for (size_t i = 0; i < overrides.size(); ++i) {
    const std::string key = overrides[i].keys.empty() ? std::string() : overrides[i].keys.front();
    if (again.lines[i].path != overrides[i].path || again.lines[i].key != key) std::abort();
  }
  return 0;
}
