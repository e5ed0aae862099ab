// The order list editor's rules, free of any widget: the text of the list, where its caret
// stands, and what each key does to the order list and the order cursor. The song page
// feeds key codes and characters in and redraws from the results.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editors/editor_state.h"
#include "editors/key_map.h"
#include "engine/song.h"

namespace kelmar {

using OrderList = std::array<OrderEntry, kOrderLength>;

// Key codes of the key-down stage (the virtual-key numbers the order editor speaks in).
enum OrderKeyCode : int {
  kKeyBackspace = 8,
  kKeyEnter = 13,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyInsert = 45,
  kKeyDelete = 46,
};
// The key-down code of a key press; 0 for keys the order editor does not know.
int OrderKeyCodeOf(const PlatformKey& key);

// What a stop entry looks like: command S, parameter 0. Insert puts one in, Delete pulls
// one in at the end.
constexpr OrderEntry kOrderStopEntry = MakeOrderEntry(kOrderStop, 0);

// Characters per line of the list text (six visible, then CR LF).
constexpr int kOrderLineStride = 8;
constexpr int kOrderLineLength = 6;
// The caret column of the parameter's high digit within a line.
constexpr int kOrderParamColumn = 4;
// The column counter stops here: the caret then stands just after the low digit, still
// on the cursor's own line, and further digits keep replacing the low digit.
constexpr uint8_t kOrderColumnAfterLowDigit = 2;

// "00:P00": position as two hex digits, ":", command letter, parameter as two hex digits.
std::string OrderLineText(int position, OrderEntry entry);
// All 256 lines separated by "\r\n", no break after the last.
std::string OrderListText(const OrderList& order);
// The entry in words, for a screen reader: "Position 4, play pattern 7" (numbers in decimal).
std::string OrderEntryWords(int position, OrderEntry entry);
// The line text for every position, as the program writes it before any song is loaded.
std::string InitialOrderListText();

// Column of the caret within the cursor's line (4 = high digit, 5 = low digit, 6 = after it).
int OrderCaretColumn(const EditorState& state);
// The caret as a character index into OrderListText (8 characters per line).
int OrderCaretPosition(const EditorState& state);

// A click on the character `character` of `line` in the list: the order cursor goes to that
// entry, on its low digit when the click was on it or after it, else on its high digit.
void ClickOrderLine(EditorState& state, int line, int character);

struct OrderKeyResult {
  bool consumed = false;      // the text box must not act on the key itself
  bool orderChanged = false;  // some entry now differs
  bool refresh = false;       // the whole list is to be redrawn
};

// Key-down stage: arrows and Backspace move the cursor, Enter goes to the next line's high
// digit, Insert and Delete shift the list below the cursor.
OrderKeyResult OrderKeyDown(OrderList& order, EditorState& state, int keyCode);

// Character stage: P, blank and "." set command P, J and S their commands, hex digits the
// parameter at the cursor column. The list is always redrawn afterwards, even for
// characters that change nothing.
OrderKeyResult OrderKeyPress(OrderList& order, EditorState& state, char32_t character);

}  // namespace kelmar
