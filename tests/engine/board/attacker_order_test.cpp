// The attacker walks of the king-attack code on one square: side 0 reaches
// 5-5 directly with a silver and a gold and in second line with the bishop
// behind the silver and the rook behind the gold; side 1's pawn on 5-4
// attacks it too.
#include <gtest/gtest.h>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/king_attack_shallow.h"
#include "support/position_builder.h"

namespace {

Position Diagram() {
  // PieceIds: rook 2, bishop 4, gold 6, silver 10, pawn 22.
  return BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, SILVER, 4, 6}, {0, BISHOP, 3, 7}, {0, GOLD, 5, 6},
                           {0, ROOK, 5, 8}, {1, PAWN, 5, 4}});
}

TEST(NthAttackerWithXray, DirectOnesDownwardThenSecondLineOnes) {
  const Position position = Diagram();
  const int expected[] = {10, 6, 4, 2, -1};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(NthAttackerWithXray(position, 0, 5, 5, n), expected[n]) << n;
  EXPECT_EQ(NthAttackerWithXray(position, 1, 5, 5, 0), 22);
  EXPECT_EQ(NthAttackerWithXray(position, 1, 5, 5, 1), -1);
  EXPECT_EQ(NthAttackerWithXray(position, 0, 0, 5, 0), -1);  // the wall ring
  EXPECT_EQ(NthAttackerWithXray(position, 0, 5, 10, 0), -1);
}

TEST(IsAttackerBitSet, OnlyTheSidesDirectAttackersBelow32) {
  const Position position = Diagram();
  const SquareAttackRecord& record = *position.SquareRecord(5, 5);
  const struct {
    int side, id;
    bool set;
  } cases[] = {{0, 10, true}, {0, 6, true}, {0, 4, false}, {0, 2, false}, {0, 22, false},
               {1, 22, true}, {1, 10, false}, {1, -1, false}, {1, 32, false}, {1, 40, false}};
  for (const auto& c : cases) EXPECT_EQ(IsAttackerBitSet(record, c.side, c.id), c.set) << c.side << " " << c.id;
}

}  // namespace
