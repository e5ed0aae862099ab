// Any byte string read as the records that follow a journal's Base record, so that the fuzzer
// spends its time on the records rather than on the song's 275 KB (fuzz_journal_start reads
// whole journals). Every record kept must be well formed and write again to the very bytes it
// was read from.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/journal_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  // Read where libFuzzer holds it, a heap block of exactly its size, so the sanitizer sees any read past it.
  const std::string_view records(reinterpret_cast<const char*>(data), size);
  JournalContents contents;
  ReadJournalRecords(records, contents);

  std::string again;
  for (const JournalEntry& entry : contents.entries) {
    if (!ChangesAreWellFormed(entry.step.changes)) std::abort();
    const bool mark = entry.op == JournalOp::Undo || entry.op == JournalOp::Redo;
    if (entry.op == JournalOp::File)
      again += FileRecord(entry.file);
    else
      again += mark ? MarkRecord(entry.op) : StepRecord(entry.op, entry.step);
  }
  if (records.compare(0, again.size(), again) != 0 || (!contents.damagedTail && again.size() != records.size()))
    std::abort();
  return 0;
}
