// Root-move categories (one move per rule, each also played by side 1 on
// the turned board) and the formation distance.
#include <gtest/gtest.h>

#include <vector>

#include "engine/board/root_move_classification.h"
#include "support/engine_oracle.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

struct ClassCase {
  SenkeiId id;
  std::vector<PlacedPiece> pieces;  // side 0 = the mover
  int fromFile, fromRank, toFile, toRank;
  int expected;
};

TEST(ClassifyRootMove, EachRuleGivesItsCategoryForEitherSide) {
  const ClassCase cases[] = {
      {0, {{0, KING, 7, 9}}, 7, 9, 6, 8, 9},
      {0, {{0, ROOK, 2, 8}}, 2, 8, 2, 7, 1},
      {0, {{0, KING, 2, 8}, {0, SILVER, 2, 7}, {0, GOLD, 4, 9}}, 4, 9, 3, 8, -2},
      {0, {{0, KING, 8, 8}, {0, SILVER, 8, 7}, {0, GOLD, 6, 9}}, 6, 9, 7, 8, -2},
      {0, {{0, KING, 2, 8}, {0, GOLD, 4, 9}}, 4, 9, 3, 8, -2},
      {0, {{0, KING, 8, 8}, {0, GOLD, 6, 9}}, 6, 9, 7, 8, -2},
      {3, {{0, SILVER, 7, 7}}, 7, 7, 8, 8, 8},
      {3, {{0, SILVER, 7, 7}, {1, BISHOP, 5, 5}}, 7, 7, 8, 8, 8},
      {3, {{0, SILVER, 7, 7}, {1, PAWN, 7, 6}}, 7, 7, 8, 8, 0},
      {3, {{0, SILVER, 5, 7}}, 5, 7, 6, 8, 4},
      {3, {{0, SILVER, 5, 6}}, 5, 6, 6, 7, 9},
      {3, {{0, GOLD, 3, 9}}, 3, 9, 4, 8, 4},
      {3, {{0, SILVER, 8, 7}, {1, PAWN, 8, 6}}, 8, 7, 8, 6, -10},
      {3, {{0, SILVER, 3, 8}}, 3, 8, 3, 7, 10},
      {3, {{0, SILVER, 2, 8}}, 2, 8, 3, 7, 6},
      {9, {{0, GOLD, 3, 9}}, 3, 9, 3, 8, 4},
      {9, {{0, GOLD, 4, 9}}, 4, 9, 4, 8, 0},
      {9, {{0, KING, 1, 9}, {0, GOLD, 4, 9}}, 4, 9, 4, 8, 10},
      {5, {{0, GOLD, 6, 9}}, 6, 9, 5, 8, 15},
      {5, {{0, GOLD, 5, 8}}, 5, 8, 4, 8, 5},
      {5, {{0, SILVER, 5, 7}}, 5, 7, 4, 8, 5},
      {1, {{0, GOLD, 6, 9}}, 6, 9, 5, 8, 15},
      {1, {{0, GOLD, 6, 8}}, 6, 8, 5, 8, 5},
      {1, {{0, GOLD, 7, 8}}, 7, 8, 6, 7, 10},
      {1, {{0, SILVER, 4, 7}}, 4, 7, 3, 8, 5},
      {1, {{0, SILVER, 4, 8}}, 4, 8, 5, 9, 5},
      {1, {{0, ROOK, 2, 9}}, 2, 9, 2, 6, 5},
      {1, {{0, PAWN, 3, 6}, {0, SILVER, 3, 7}, {0, BISHOP, 7, 9}}, 3, 6, 3, 5, -9},
      {1, {{0, KNIGHT, 3, 7}, {0, PAWN, 4, 6}, {0, KING, 8, 8}}, 4, 6, 4, 5, -10},
      {1, {{0, KNIGHT, 3, 7}, {0, PAWN, 4, 6}, {0, KING, 7, 9}}, 4, 6, 4, 5, -3},
      {1, {{0, PAWN, 3, 7}, {0, GOLD, 4, 8}}, 4, 8, 3, 8, 5},
      {1, {{0, ROOK, 2, 8}}, 2, 8, 2, 9, 1},
      {1, {{0, SILVER, 7, 7}}, 7, 7, 6, 8, 10},
      {1, {{0, BISHOP, 8, 8}, {0, GOLD, 6, 8}}, 8, 8, 7, 9, 2},
      {1, {{0, BISHOP, 5, 7}, {0, PAWN, 3, 7}}, 5, 7, 6, 6, 1},
      {1, {{0, BISHOP, 7, 9}, {0, SILVER, 6, 8}}, 6, 8, 5, 7, -1},
      {2, {{0, KING, 7, 8}}, 7, 8, 7, 9, 9},
      {2, {{0, GOLD, 7, 8}}, 7, 8, 6, 7, 6},
      {2, {{0, GOLD, 6, 9}}, 6, 9, 6, 8, 8},
      {2, {{0, SILVER, 4, 8}}, 4, 8, 4, 9, 10},
      {2, {{0, GOLD, 4, 9}}, 4, 9, 5, 9, 1},
      {3, {{0, SILVER, 3, 8}}, 3, 8, 4, 7, 1},
      {3, {{0, PAWN, 3, 7}, {0, KING, 2, 8}, {0, PAWN, 4, 7}, {0, PAWN, 2, 7}}, 3, 7, 3, 6, 2},
      {3, {{0, SILVER, 3, 9}, {0, KING, 2, 8}, {0, GOLD, 4, 9}}, 3, 9, 3, 8, -2},
      {5, {{0, SILVER, 6, 8}}, 6, 8, 7, 9, 7},
      {6, {{0, SILVER, 7, 7}}, 7, 7, 8, 8, 12},
      {6, {{0, GOLD, 3, 8}}, 3, 8, 4, 7, 6},
      {6, {{0, KING, 3, 8}}, 3, 8, 3, 9, 6},
      {6, {{0, KING, 1, 9}, {0, PAWN, 9, 7}}, 9, 7, 9, 6, 8},
      {7, {{0, SILVER, 7, 9}}, 7, 9, 6, 8, 20},
      {7, {{0, KING, 8, 8}}, 8, 8, 8, 7, 7},
      {7, {{0, BISHOP, 7, 7}}, 7, 7, 8, 8, 7},
      {7, {{0, KING, 8, 7}, {0, SILVER, 7, 9}, {0, GOLD, 6, 9}}, 7, 9, 7, 8, -2},
      {8, {{0, GOLD, 6, 9}}, 6, 9, 6, 8, 12},
      {8, {{0, GOLD, 6, 9}}, 6, 9, 7, 8, 4},
      {8, {{0, GOLD, 7, 9}}, 7, 9, 6, 8, 12},
      {8, {{0, BISHOP, 7, 7}}, 7, 7, 8, 8, 10},
      {8, {{0, KING, 8, 8}}, 8, 8, 9, 9, -1},
      {8, {{0, KING, 9, 9}, {0, SILVER, 7, 9}}, 7, 9, 8, 8, -1},
      {9, {{0, KING, 1, 9}, {0, GOLD, 4, 8}}, 4, 8, 4, 9, 8},
      {19, {{0, KING, 1, 9}, {0, GOLD, 5, 8}}, 5, 8, 5, 9, 8},
      {9, {{0, KING, 1, 9}, {0, GOLD, 4, 9}}, 4, 9, 3, 8, 2},
      {22, {{0, GOLD, 7, 8}}, 7, 8, 6, 7, 0},
      {31, {{0, GOLD, 6, 9}}, 6, 9, 5, 8, 0},
  };
  for (const ClassCase& c : cases) {
    const Position position = BuildPosition(0, c.pieces);
    const MoveRecord move = MoveOn(position, c.fromFile, c.fromRank, c.toFile, c.toRank);
    EXPECT_EQ(ClassifyRootMove(position, move, c.id), c.expected)
        << "id " << c.id << " " << c.fromFile << c.fromRank << "-" << c.toFile << c.toRank;
    const Position turned = TurnedPosition(position);
    const MoveRecord turnedMove =
        MoveOn(turned, TurnedFile(c.fromFile), TurnedRank(c.fromRank), TurnedFile(c.toFile), TurnedRank(c.toRank));
    EXPECT_EQ(ClassifyRootMove(turned, turnedMove, c.id), c.expected) << "side 1, id " << c.id;
  }
}

TEST(ClassifyRootMove, PawnDropOn57GivesTenUnderEveryStrategy) {
  const Position position = BuildPosition(1, {}, {{1, PAWN, 1}, {1, GOLD, 1}});
  for (SenkeiId id = 0; id < SENKEI_NAME_COUNT; ++id) {
    EXPECT_EQ(ClassifyRootMove(position, MoveOn(position, 0, PAWN, 5, 3), id), 10);  // side 1's 5七
    EXPECT_EQ(ClassifyRootMove(position, MoveOn(position, 0, PAWN, 5, 4), id), 0);
    EXPECT_EQ(ClassifyRootMove(position, MoveOn(position, 0, GOLD, 5, 3), id), 0);
  }
}

TEST(FormationDistance, StartIsZeroAndEachStepCounts) {
  Position start = StartPosition();
  for (int side = 0; side < 2; ++side)
    for (int flag = 0; flag < 2; ++flag) EXPECT_EQ(FormationDistance(start, side, flag), 0);
  // Gold 6九-5八 for side 0 and its turned move 4一-5二 for side 1 add 1.
  for (int side = 0; side < 2; ++side) {
    Position after{};
    Position before = start;
    before.sideToMove = static_cast<uint8_t>(side);
    OracleApplyMove(before, MoveOn(before, RelativeFile(side, 6), RelativeRank(side, 9), 5, RelativeRank(side, 8)),
                    after);
    EXPECT_EQ(FormationDistance(after, side, 0), 1);
    EXPECT_EQ(FormationDistance(after, 1 - side, 0), 0);
  }
  // Every piece in hand adds 2 with flag 0, nothing with flag 1.
  const Position hands = BuildPosition(0, {{0, BISHOP, 8, 8}}, {{0, PAWN, 3}, {0, ROOK, 1}});
  EXPECT_EQ(FormationDistance(hands, 0, 0), 8);
  EXPECT_EQ(FormationDistance(hands, 0, 1), 0);
  // Over random openings a side's distance is its turned twin's.
  for (const Position& position : RandomOpeningPositions(77, 60)) {
    const Position turned = TurnedPosition(position);
    for (int side = 0; side < 2; ++side)
      for (int flag = 0; flag < 2; ++flag)
        ASSERT_EQ(FormationDistance(position, side, flag), FormationDistance(turned, 1 - side, flag));
  }
}

}  // namespace
