// Any byte string read as a whole recovery journal: the magic, the frames and the Base record
// (fuzz_journal reads the records after it). A journal that reads starts with the magic and the
// Base record that its song and settings write again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/journal_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto contents = ReadJournal(bytes);
  if (!contents) return 0;
  const std::string start = JournalHeader() + BaseRecord(*contents->song, contents->settings);
  if (!bytes.starts_with(start)) std::abort();
  return 0;
}
