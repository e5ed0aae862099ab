// Any byte string read as a recovery journal. An input that starts with the magic is a whole
// journal; any other input is the records after a fixed Base record, so that the fuzzer spends
// its time on the records rather than on the song's 275 KB. Every record kept must be well
// formed and write again to the very bytes it was read from.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "files/journal_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  static const std::string start = [] {
    auto song = std::make_unique<Song>();
    ResetSong(*song);
    return JournalHeader() + BaseRecord(*song, SongSettings{});
  }();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const bool whole = input.starts_with(JournalHeader());
  // A heap block of exactly the journal's size, so the sanitizer sees any read past it.
  const std::string bytes = whole ? std::string(input) : start + std::string(input);
  const auto contents = ReadJournal(bytes);
  if (!whole && !contents) std::abort();  // the fixed start always reads
  if (!contents) return 0;

  uint32_t baseSize = 0;  // the Base record checked, so its frame is whole
  std::memcpy(&baseSize, bytes.data() + 8, 4);
  std::string again = bytes.substr(0, 16 + static_cast<size_t>(baseSize));
  for (const JournalEntry& entry : contents->entries) {
    if (!ChangesAreWellFormed(entry.step.changes)) std::abort();
    const bool mark = entry.op == JournalOp::Undo || entry.op == JournalOp::Redo;
    if (entry.op == JournalOp::File)
      again += FileRecord(entry.file);
    else
      again += mark ? MarkRecord(entry.op) : StepRecord(entry.op, entry.step);
  }
  if (bytes.compare(0, again.size(), again) != 0 || (!contents->damagedTail && again.size() != bytes.size()))
    std::abort();
  return 0;
}
