#include "files/history_step.h"

namespace kelmar {

namespace {

void PutVarint(std::string& out, uint32_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

}  // namespace

size_t HistoryStep::Bytes() const {
  // The strings' heap blocks only when they outgrew their inline buffers.
  auto heap = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
  return sizeof(HistoryStep) + heap(name) + heap(changes);
}

void AppendSplice(std::string& changes, DocumentPart part, uint32_t offset, std::string_view before,
                  std::string_view after) {
  changes.push_back(static_cast<char>(part));
  PutVarint(changes, offset);
  PutVarint(changes, static_cast<uint32_t>(before.size()));
  PutVarint(changes, static_cast<uint32_t>(after.size()));
  changes.append(before);
  changes.append(after);
}

bool SpliceReader::Varint(uint32_t& value) {
  value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (rest_.empty()) return false;
    const auto byte = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    if (shift == 28 && byte > 0x0F) return false;  // beyond 32 bits
    value |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

bool SpliceReader::Next(Splice& splice) {
  if (rest_.empty() || damaged_) return false;
  const auto part = static_cast<uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  uint32_t offset = 0, beforeSize = 0, afterSize = 0;
  if (part >= kDocumentPartCount || !Varint(offset) || !Varint(beforeSize) || !Varint(afterSize) ||
      rest_.size() < static_cast<size_t>(beforeSize) + afterSize) {
    damaged_ = true;
    return false;
  }
  splice.part = static_cast<DocumentPart>(part);
  splice.offset = offset;
  splice.before = rest_.substr(0, beforeSize);
  splice.after = rest_.substr(beforeSize, afterSize);
  rest_.remove_prefix(static_cast<size_t>(beforeSize) + afterSize);
  return true;
}

bool ChangesAreWellFormed(std::string_view changes) {
  SpliceReader reader(changes);
  Splice splice;
  while (reader.Next(splice)) {
  }
  return !reader.Damaged();
}

}  // namespace kelmar
