// The root's back-move filter runs only over two or more generated moves and
// only when both game moves exist.
#include "engine/search/think_setup.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A silver dropped on 5-5, then the enemy gold 4-1 to 4-2: the silver's
// move back to 4-1 only undoes the drop; its move to 5-4 does not.
TEST(FilterRootList, FromTwoMovesOnWithBothGameMoves) {
  MoveRecord previous{}, last{}, none{};
  previous.SetDrop(5, 5, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER));
  last.Set(4, 1, 4, 2, 8, static_cast<PieceCode>(OwnerBit(1) | GOLD), EMPTY_PIECE_ID, 0, 0);
  none.SetNull();
  const struct {
    const char* what;
    int count;  // the first move is the back move, the others go to 5-4
    const MoveRecord *last, *previous;
    int kept;
  } rows[] = {
      {"two moves", 2, &last, &previous, 1},
      {"three moves", 3, &last, &previous, 2},
      {"one move", 1, &last, &previous, 1},
      {"no move before the last", 2, &last, nullptr, 2},
      {"no last move", 2, nullptr, &previous, 2},
      {"a null move before the last", 2, &last, &none, 2},
  };
  for (const auto& row : rows) {
    std::vector<MoveRecord> moves(static_cast<size_t>(row.count));
    for (int i = 0; i < row.count; ++i) {
      moves[i].Set(5, 5, i == 0 ? 4 : 5, i == 0 ? 1 : 4, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER),
                   EMPTY_PIECE_ID, 0, 0);
      moves[i].previous = i > 0 ? &moves[i - 1] : nullptr;
      moves[i].next = i + 1 < row.count ? &moves[i + 1] : nullptr;
    }
    int count = row.count, linked = 0;
    const MoveRecord* head = FilterRootList(moves.data(), count, row.last, row.previous);
    EXPECT_EQ(count, row.kept) << row.what;
    for (const MoveRecord* move = head; move != nullptr; move = move->next) ++linked;
    EXPECT_EQ(linked, row.kept) << row.what;
    EXPECT_EQ(head->toRank, row.kept < row.count ? 4 : 1) << row.what << ": the back move went first";
  }
}

}  // namespace
