// Packer for the packed-block format: a parse chooses the items, then they are written out.
// Should anything go wrong in between (memory, an item the stream cannot carry, the bound),
// the block is written as plain literals, which always fits PackedSizeBound.
#include <new>
#include <vector>

#include "files/block_writer.h"
#include "files/optimal_parse.h"
#include "files/packed_block.h"

namespace kelmar {

namespace {

using packed::BlockWriter;
using packed::Item;
using packed::ItemKind;

enum class EmitResult { Ok, Invalid, Cancelled };

// Writes the verbatim first byte, the items produced by next(item) while it returns true,
// and the end marker. Checks every item against the decoder's rules so that a parser fault
// can never produce a stream that decodes to something else.
template <typename NextItem>
EmitResult Emit(const uint8_t* src, uint32_t length, BlockWriter& out, PackProgress progress, void* param,
                NextItem next) {
  out.Byte(src[0]);
  uint32_t pos = 1;
  bool afterMatch = false;
  uint32_t lastOffset = 0;
  uint32_t steps = 0;
  Item item{};
  while (next(item)) {
    const uint32_t left = length - pos;
    switch (item.kind) {
      case ItemKind::Literal:
        if (left < 1) return EmitResult::Invalid;
        out.Bit(0);
        out.Byte(src[pos]);
        afterMatch = false;
        break;
      case ItemKind::Single:
        if (left < 1 || item.offset > packed::kSingleMaxOffset || item.offset > pos) return EmitResult::Invalid;
        if (src[pos] != (item.offset == 0 ? 0 : src[pos - item.offset])) return EmitResult::Invalid;
        out.Bits(0b111, 3);
        out.Bits(item.offset, 4);
        afterMatch = false;
        break;
      case ItemKind::Short:
        if (item.offset == 0 || item.offset > packed::kShortMaxOffset || item.length < 2 || item.length > 3)
          return EmitResult::Invalid;
        out.Bits(0b110, 3);
        out.Byte((item.offset << 1) | (item.length - 2));
        lastOffset = item.offset;
        afterMatch = true;
        break;
      case ItemKind::Pair:
        if (item.offset == 0 || item.length < packed::PairMinLength(item.offset)) return EmitResult::Invalid;
        out.Bits(0b10, 2);
        out.Gamma((item.offset >> 8) + (afterMatch ? 2u : 3u));
        out.Byte(item.offset & 0xFFu);
        out.Gamma(item.length - packed::PairLengthBonus(item.offset));
        lastOffset = item.offset;
        afterMatch = true;
        break;
      case ItemKind::Repeat:
        if (afterMatch || lastOffset == 0 || item.length < 2) return EmitResult::Invalid;
        item.offset = lastOffset;
        out.Bits(0b10, 2);
        out.Gamma(2);
        out.Gamma(item.length);
        afterMatch = true;
        break;
    }
    if (item.kind != ItemKind::Literal && item.kind != ItemKind::Single) {
      if (item.length > left || item.offset > pos) return EmitResult::Invalid;
      for (uint32_t i = 0; i < item.length; ++i) {
        if (src[pos + i] != src[pos + i - item.offset]) return EmitResult::Invalid;
      }
    }
    pos += item.kind == ItemKind::Literal || item.kind == ItemKind::Single ? 1 : item.length;
    if (!out.ok()) return EmitResult::Invalid;
    if (progress != nullptr && ++steps % 256 == 0 && progress(length, pos, static_cast<uint32_t>(out.size()), param) == 0)
      return EmitResult::Cancelled;
  }
  if (pos != length) return EmitResult::Invalid;
  out.Bits(0b110, 3);
  out.Byte(0);
  if (!out.ok()) return EmitResult::Invalid;
  if (progress != nullptr && progress(length, pos, static_cast<uint32_t>(out.size()), param) == 0)
    return EmitResult::Cancelled;
  return EmitResult::Ok;
}

}  // namespace

uint32_t PackBlock(const uint8_t* src, uint8_t* dst, uint32_t length, void* workMemory, PackProgress progress,
                   void* progressParam) {
  if (length == 0) return 0;
  if (src == nullptr || dst == nullptr) return kPackFailed;
  // The bound itself must not wrap round for the caller's buffer to hold it.
  if (length > 0xFFFFFFFFu - length / 8 - 64) return kPackFailed;
  const uint32_t capacity = PackedSizeBound(length);

  // Two bytes are always the first byte, a literal and the end marker: a single-byte item
  // would cost no fewer bytes, and other packers write it this way.
  bool parsed = false;
  std::vector<Item> items;
  if (length > 2) {
    try {
      items = packed::ParseBlock(src, length, workMemory);
      parsed = true;
    } catch (const std::bad_alloc&) {
    }
  }
  if (parsed) {
    BlockWriter out(dst, capacity);
    size_t index = 0;
    const EmitResult result = Emit(src, length, out, progress, progressParam, [&](Item& item) {
      if (index == items.size()) return false;
      item = items[index++];
      return true;
    });
    if (result == EmitResult::Cancelled) return kPackFailed;
    if (result == EmitResult::Ok) return static_cast<uint32_t>(out.size());
  }

  BlockWriter out(dst, capacity);
  uint32_t pos = 1;
  const EmitResult result = Emit(src, length, out, progress, progressParam, [&](Item& item) {
    if (pos >= length) return false;
    item = Item{ItemKind::Literal, 0, 1};
    ++pos;
    return true;
  });
  return result == EmitResult::Ok ? static_cast<uint32_t>(out.size()) : kPackFailed;
}

}  // namespace kelmar
