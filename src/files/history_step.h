// One step of a song's history: the bytes one user command changed, before and after.
// The undo timeline keeps these steps and the recovery journal writes the very same bytes,
// so undo, redo and recovery share one record.
//
// A song document has four parts: the song's tables (the Song record byte for byte), the
// two colours (TextColor then BackColor, little-endian), the title and the comment (their
// UTF-8 text). A step's changes are splices of these parts, each encoded as
//   part (u8), offset, before length, after length (each a LEB128 varint),
//   the before bytes, the after bytes.
// A splice of the song or the colours keeps the length; one of a text may change it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelmar {

enum class DocumentPart : uint8_t { Song = 0, Colours = 1, Title = 2, Comment = 3 };
constexpr int kDocumentPartCount = 4;

struct Splice {
  DocumentPart part;
  uint32_t offset;
  std::string_view before;
  std::string_view after;
};

struct HistoryStep {
  std::string name;     // as the Edit menu shows it: "Note Entry", "Paste Instrument", "Tempo"
  std::string changes;  // encoded splices, in the order they apply
  uint32_t serial = 0;  // unique within one timeline; tells the saved state apart
  uint8_t page = 0;     // the page the change was made on

  // Memory the step holds, for the history's size limit.
  size_t Bytes() const;
};

void AppendSplice(std::string& changes, DocumentPart part, uint32_t offset, std::string_view before,
                  std::string_view after);

// Reads splices from the front of a step's changes, one at a time.
class SpliceReader {
 public:
  explicit SpliceReader(std::string_view changes) : rest_(changes) {}
  // False at the end, or when what is left is not a whole splice (then Damaged() is true).
  bool Next(Splice& splice);
  bool Damaged() const { return damaged_; }

 private:
  bool Varint(uint32_t& value);
  std::string_view rest_;
  bool damaged_ = false;
};

// True when every splice of the changes decodes and the parts are known.
bool ChangesAreWellFormed(std::string_view changes);

}  // namespace kelmar
