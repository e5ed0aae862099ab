#include "editors/song/order_list.h"

#include <algorithm>

namespace kelmar {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Value of a hexadecimal digit character (either case), or -1.
int HexValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A') + 10;
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
  return -1;
}

// Entry with a new command: the parameter stays, everything above the command goes.
OrderEntry WithCommand(OrderEntry e, uint8_t command) { return MakeOrderEntry(command, OrderParamOf(e)); }

// Entry with one parameter digit replaced (high = true for bits 4-7). The command and the
// other digit stay; anything a loaded file had above the command bits goes.
OrderEntry WithDigit(OrderEntry e, bool high, int value) {
  const OrderEntry kept = e & (high ? 0x030F : 0x03F0);
  return static_cast<OrderEntry>(kept | (high ? value << 4 : value));
}

}  // namespace

std::string OrderLineText(int position, OrderEntry entry) {
  std::string line(kOrderLineLength, ' ');
  line[0] = kHexDigits[(position >> 4) & 15];
  line[1] = kHexDigits[position & 15];
  line[2] = ':';
  line[3] = kOrderLetters[(entry >> 8) & 3];
  line[4] = kHexDigits[(entry >> 4) & 15];
  line[5] = kHexDigits[entry & 15];
  return line;
}

std::string OrderEntryWords(int position, OrderEntry entry) {
  const std::string param = std::to_string(OrderParamOf(entry));
  std::string words = "Position " + std::to_string(position) + ", ";
  switch (OrderCommandOf(entry)) {
    case kOrderPlay: return words + "play pattern " + param;
    case kOrderJump: return words + "jump to position " + param;
    case kOrderStop: return words + "stop";
    default: return words + "other command, parameter " + param;
  }
}

std::string OrderListText(const OrderList& order) {
  std::string text;
  text.reserve(kOrderLength * kOrderLineStride);
  for (int k = 0; k < kOrderLength; ++k) {
    if (k > 0) text += "\r\n";
    text += OrderLineText(k, order[k]);
  }
  return text;
}

std::string InitialOrderListText() {
  OrderList order;
  for (int k = 0; k < kOrderLength; ++k) order[k] = MakeOrderEntry(kOrderPlay, static_cast<uint8_t>(k));
  return OrderListText(order);
}

int OrderCaretColumn(const EditorState& state) {
  return kOrderParamColumn + std::min<int>(state.OrderColumn, kOrderColumnAfterLowDigit);
}

int OrderCaretPosition(const EditorState& state) {
  return kOrderLineStride * state.OrderRow + OrderCaretColumn(state);
}

void ClickOrderLine(EditorState& state, int line, int character) {
  state.OrderRow = static_cast<uint8_t>(std::clamp(line, 0, kOrderLength - 1));
  state.OrderColumn = character > kOrderParamColumn ? 1 : 0;
}

int OrderKeyCodeOf(const PlatformKey& key) {
  switch (key.Key) {
    case toolkit_key::kLeft: return kKeyLeft;
    case toolkit_key::kBackspace: return kKeyBackspace;
    case toolkit_key::kRight: return kKeyRight;
    case toolkit_key::kUp: return kKeyUp;
    case toolkit_key::kDown: return kKeyDown;
    case toolkit_key::kReturn:
    case toolkit_key::kEnter: return kKeyEnter;
    case toolkit_key::kInsert: return kKeyInsert;
    case toolkit_key::kDelete: return kKeyDelete;
    default: return 0;
  }
}

OrderKeyResult OrderKeyDown(OrderList& order, EditorState& state, int keyCode) {
  OrderKeyResult result;
  switch (keyCode) {
    case kKeyLeft:
    case kKeyBackspace:
      if (state.OrderColumn > 0) --state.OrderColumn;
      result.consumed = true;
      break;
    case kKeyRight:
      if (state.OrderColumn < 1) ++state.OrderColumn;
      result.consumed = true;
      break;
    case kKeyUp:
      if (state.OrderRow > 0) --state.OrderRow;
      result.consumed = true;
      break;
    case kKeyDown:
      if (state.OrderRow < kOrderLength - 1) ++state.OrderRow;
      result.consumed = true;
      break;
    case kKeyEnter:
      state.OrderColumn = 0;
      if (state.OrderRow < kOrderLength - 1) ++state.OrderRow;
      result.consumed = true;
      break;
    case kKeyInsert: {
      const OrderList before = order;
      // Everything from the cursor on moves one down; the last entry falls off the end.
      std::copy_backward(order.begin() + state.OrderRow, order.end() - 1, order.end());
      order[state.OrderRow] = kOrderStopEntry;
      result.orderChanged = order != before;
      result.refresh = true;
      break;
    }
    case kKeyDelete: {
      const OrderList before = order;
      // Everything below the cursor moves one up; a stop closes the list.
      std::copy(order.begin() + state.OrderRow + 1, order.end(), order.begin() + state.OrderRow);
      order[kOrderLength - 1] = kOrderStopEntry;
      result.orderChanged = order != before;
      result.refresh = true;
      break;
    }
    default:
      break;
  }
  return result;
}

OrderKeyResult OrderKeyPress(OrderList& order, EditorState& state, char32_t character) {
  OrderKeyResult result;
  result.refresh = true;
  OrderEntry& entry = order[state.OrderRow];
  const OrderEntry before = entry;
  const char32_t k = (character >= U'a' && character <= U'z') ? character - U'a' + U'A' : character;

  if (k == U'P' || k == U' ' || k == U'.') {
    entry = WithCommand(entry, kOrderPlay);
  } else if (k == U'J') {
    entry = WithCommand(entry, kOrderJump);
  } else if (k == U'S') {
    entry = WithCommand(entry, kOrderStop);
  } else if (const int v = HexValue(k); v >= 0) {
    entry = WithDigit(entry, state.OrderColumn == 0, v);
    if (state.OrderColumn < kOrderColumnAfterLowDigit) ++state.OrderColumn;
  }
  result.orderChanged = entry != before;
  return result;
}

}  // namespace kelmar
