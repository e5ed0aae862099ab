#include "editors/song/order_list.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

OrderList NewOrder() {
  OrderList order;
  for (int k = 0; k < kOrderLength; ++k) order[k] = MakeOrderEntry(kOrderPlay, static_cast<uint8_t>(k));
  return order;
}

TEST(OrderListText, LinesShowPositionCommandAndParameter) {
  EXPECT_EQ(OrderLineText(0, 0x0000), "00:P00");
  EXPECT_EQ(OrderLineText(255, 0x00FF), "FF:PFF");
  EXPECT_EQ(OrderLineText(0x1A, 0x0105), "1A:J05");
  EXPECT_EQ(OrderEntryWords(4, 0x0007), "Position 4, play pattern 7");
  EXPECT_EQ(OrderEntryWords(0x1A, 0x0105), "Position 26, jump to position 5");
  EXPECT_EQ(OrderEntryWords(255, 0x0200), "Position 255, stop");
  EXPECT_EQ(OrderLineText(0x2B, 0x0200), "2B:S00");
  EXPECT_EQ(OrderLineText(0x3C, 0x03C4), "3C:xC4");
  // Bits above the command do not leak into the letter.
  EXPECT_EQ(OrderLineText(1, 0xF1AB), "01:JAB");
}

TEST(OrderListText, WholeListHasEightCharactersPerLineAndNoFinalBreak) {
  const std::string text = OrderListText(NewOrder());
  EXPECT_EQ(text.size(), 256u * 8 - 2);
  EXPECT_EQ(text.substr(0, 8), "00:P00\r\n");
  EXPECT_EQ(text.substr(8 * 0x7F, 6), "7F:P7F");
  EXPECT_EQ(text.substr(text.size() - 6), "FF:PFF");
  EXPECT_EQ(InitialOrderListText(), text);
}

TEST(OrderCaret, StandsOnTheCursorLineAtTheDigitColumn) {
  EditorState state;
  EXPECT_EQ(OrderCaretPosition(state), 4);
  state.OrderRow = 3;
  state.OrderColumn = 1;
  EXPECT_EQ(OrderCaretPosition(state), 8 * 3 + 5);
  state.OrderColumn = 2;
  EXPECT_EQ(OrderCaretColumn(state), 6);
  // A column counted beyond the low digit still keeps the caret on its own line.
  state.OrderColumn = 200;
  EXPECT_EQ(OrderCaretColumn(state), 6);
}

TEST(OrderKeyDown, CursorStopsAtTheListsEnds) {
  OrderList order = NewOrder();
  EditorState state;
  EXPECT_TRUE(OrderKeyDown(order, state, kKeyUp).consumed);
  EXPECT_TRUE(OrderKeyDown(order, state, kKeyLeft).consumed);
  EXPECT_EQ(state.OrderRow, 0);
  EXPECT_EQ(state.OrderColumn, 0);
  state.OrderRow = 255;
  state.OrderColumn = 2;
  const OrderKeyResult r = OrderKeyDown(order, state, kKeyEnter);
  EXPECT_TRUE(r.consumed);
  EXPECT_FALSE(r.refresh);
  EXPECT_EQ(state.OrderRow, 255);
  EXPECT_EQ(state.OrderColumn, 0);
  EXPECT_FALSE(OrderKeyDown(order, state, 33 /* page up */).consumed);
  EXPECT_EQ(order, NewOrder()) << "moving never edits";
}

TEST(OrderKeyDown, InsertPushesTheLastEntryOut) {
  OrderList order = NewOrder();
  EditorState state;
  const OrderKeyResult r = OrderKeyDown(order, state, kKeyInsert);
  EXPECT_FALSE(r.consumed);
  EXPECT_TRUE(r.refresh);
  EXPECT_TRUE(r.orderChanged);
  EXPECT_EQ(order[0], 0x200);
  for (int k = 1; k < 256; ++k) ASSERT_EQ(order[k], k - 1) << k;

  order = NewOrder();
  state.OrderRow = 255;
  OrderKeyDown(order, state, kKeyInsert);
  EXPECT_EQ(order[255], 0x200);
  EXPECT_EQ(order[254], 254);
}

TEST(OrderKeyDown, DeletePullsAStopInAtTheEnd) {
  OrderList order = NewOrder();
  EditorState state;
  state.OrderRow = 0;
  const OrderKeyResult r = OrderKeyDown(order, state, kKeyDelete);
  EXPECT_FALSE(r.consumed);
  EXPECT_TRUE(r.orderChanged);
  for (int k = 0; k < 255; ++k) ASSERT_EQ(order[k], k + 1) << k;
  EXPECT_EQ(order[255], 0x200);

  order = NewOrder();
  state.OrderRow = 255;
  OrderKeyDown(order, state, kKeyDelete);
  EXPECT_EQ(order[255], 0x200);
  EXPECT_EQ(order[254], 254);

  // Deleting within a list that already ends in stops changes nothing.
  order.fill(0x200);
  state.OrderRow = 7;
  EXPECT_FALSE(OrderKeyDown(order, state, kKeyDelete).orderChanged);
}

TEST(OrderKeyPress, CommandLettersKeepTheParameter) {
  OrderList order = NewOrder();
  EditorState state;
  state.OrderRow = 5;
  state.OrderColumn = 1;
  OrderKeyResult r = OrderKeyPress(order, state, U'j');
  EXPECT_TRUE(r.orderChanged);
  EXPECT_TRUE(r.refresh);
  EXPECT_EQ(order[5], 0x105) << "P05 becomes J05";
  OrderKeyPress(order, state, U'S');
  EXPECT_EQ(order[5], 0x205);
  OrderKeyPress(order, state, U'.');
  EXPECT_EQ(order[5], 0x005);
  OrderKeyPress(order, state, U'J');
  OrderKeyPress(order, state, U' ');
  EXPECT_EQ(order[5], 0x005);
  OrderKeyPress(order, state, U'p');
  EXPECT_EQ(order[5], 0x005);
  EXPECT_EQ(state.OrderColumn, 1) << "command keys leave the cursor";
  // A command letter clears bits a loaded file may have set above the command.
  order[6] = 0xF3AB;
  state.OrderRow = 6;
  OrderKeyPress(order, state, U'S');
  EXPECT_EQ(order[6], 0x2AB);
}

TEST(OrderKeyPress, DigitsSetHighThenLowAndStopAfterTheLine) {
  OrderList order = NewOrder();
  EditorState state;
  state.OrderRow = 0x10;
  order[0x10] = 0x110;  // J10
  OrderKeyPress(order, state, U'a');
  EXPECT_EQ(order[0x10], 0x1A0);
  EXPECT_EQ(state.OrderColumn, 1);
  OrderKeyPress(order, state, U'7');
  EXPECT_EQ(order[0x10], 0x1A7);
  EXPECT_EQ(state.OrderColumn, 2);
  // Further digits replace the low digit and the column stays just after the line.
  OrderKeyPress(order, state, U'3');
  EXPECT_EQ(order[0x10], 0x1A3);
  EXPECT_EQ(state.OrderColumn, 2);
  EXPECT_EQ(OrderCaretPosition(state), 8 * 0x10 + 6);
  // Back to the low digit with Left, then overwrite it.
  OrderKeyDown(order, state, kKeyLeft);
  EXPECT_EQ(state.OrderColumn, 1);
  OrderKeyPress(order, state, U'F');
  EXPECT_EQ(order[0x10], 0x1AF);
  // Digits keep the command and clear bits above it.
  order[0x11] = 0xF2FF;
  state.OrderRow = 0x11;
  state.OrderColumn = 0;
  OrderKeyPress(order, state, U'0');
  EXPECT_EQ(order[0x11], 0x20F);
}

TEST(OrderKeyPress, OtherCharactersOnlyRedraw) {
  OrderList order = NewOrder();
  EditorState state;
  state.OrderRow = 2;
  for (char32_t c : {U'G', U'x', U'!', U'\r', U'Z', U'\u00e9'}) {
    const OrderKeyResult r = OrderKeyPress(order, state, c);
    EXPECT_TRUE(r.refresh);
    EXPECT_FALSE(r.orderChanged);
  }
  EXPECT_EQ(order, NewOrder());
  EXPECT_EQ(state.OrderColumn, 0);
  // Setting a command an entry already has is no change either.
  EXPECT_FALSE(OrderKeyPress(order, state, U'P').orderChanged);
}

}  // namespace
}  // namespace kelmar
