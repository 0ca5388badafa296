// Make and unmake beyond the walks: king steps along a checking line, nested
// recorded moves up to and past the last history layer, the order of a
// capture's reply list, and the ray helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "engine/board/make_move.h"
#include "support/engine_oracle.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// Illegal king steps along the line of a slider that checks it (or would,
// once the king takes the piece in between), toward and away from it: the
// records stay exact, so the caller's test of the king square is reliable.
TEST(MakeMove, KingStepsAlongTheCheckingLineKeepRecordsExact) {
  const std::pair<std::vector<PlacedPiece>, std::vector<std::pair<int, int>>> cases[] = {
      {{{1, ROOK, 5, 1}}, {{5, 4}, {5, 6}}},
      {{{1, ROOK, 5, 1}, {1, GOLD, 5, 4}}, {{5, 4}}},
      {{{1, BISHOP, 1, 1}}, {{4, 4}, {6, 6}}},
  };
  InitAttackHistory();
  for (const auto& [attackers, kingSteps] : cases)
    for (const auto& [toFile, toRank] : kingSteps) {
      std::vector<PlacedPiece> pieces = {{0, KING, 5, 5}, {1, KING, 9, 1}};
      pieces.insert(pieces.end(), attackers.begin(), attackers.end());
      Position position = BuildPosition(0, pieces);
      const MoveRecord move = MoveOn(position, 5, 5, toFile, toRank);
      ASSERT_TRUE(CheckRecordedMakeAndUnmake(position, move));
      MakeMove(position, move, 0);
      EXPECT_GT(position.AttackCount(1, toFile, toRank), 0) << toFile << "-" << toRank;
      UnmakeMove(position, move, 0);
    }
}

// A line of recorded moves that fills all 44 layers and goes two past them:
// each layer still describes its move once deeper moves are made, and the
// makes past the last layer write nothing of the history.
TEST(MakeMove, NestedRecordedMovesKeepTheirLayersAndWriteNothingPastTheLast) {
  InitAttackHistory();
  Position position = StartPosition();
  std::vector<Position> reached;
  std::unique_ptr<AttackHistory> full;  // the history when all layers are in use
  std::vector<AttackChangeRecord*> fullHeads;
  PlayoutEvents events;
  const std::vector<MoveRecord> line = PlayRandomGame(
      position, 4242, ATTACK_HISTORY_LAYERS + 2,
      [&](Position& current, const MoveRecord& move) {
        reached.push_back(current);
        if (g_attackHistoryDepth == ATTACK_HISTORY_LAYERS) {
          full = std::make_unique<AttackHistory>(g_attackHistory);
          fullHeads.assign(std::begin(g_attackHistoryLists), std::end(g_attackHistoryLists));
        }
        MakeMove(current, move, 1);
        return true;
      },
      events);
  ASSERT_EQ(line.size(), ATTACK_HISTORY_LAYERS + 2u);
  reached.push_back(position);
  EXPECT_EQ(std::memcmp(full.get(), &g_attackHistory, sizeof g_attackHistory), 0);
  EXPECT_TRUE(std::equal(fullHeads.begin(), fullHeads.end(), std::begin(g_attackHistoryLists)));
  for (int layer = 0; layer < ATTACK_HISTORY_LAYERS; ++layer)
    EXPECT_TRUE(LayerDescribesMove(reached[layer], reached[layer + 1], line[layer], layer));
  for (size_t ply = line.size(); ply-- > 0;) UnmakeMove(position, line[ply], 1);
  EXPECT_EQ(g_attackHistoryDepth, 0);
  EXPECT_TRUE(HistoryClearFromDepth());
  EXPECT_TRUE(EquivalentPositions(position, reached[0]));
}

TEST(MakeMove, CaptureByAShieldListsLostThenOpenedSquaresEachAtTheFront) {
  // Side 0's gold on 7-3 shields 6-4 and beyond from side 1's bishop on 9-1
  // and takes the pawn on 7-2.
  Position position = PositionFromDiagram("b7k/2p6/2G6/9/9/9/6P2/9/4K4 b -");
  const MoveRecord capture = MoveOn(position, 7, 3, 7, 2);
  InitAttackHistory();
  g_attackHistoryDepth = 5;
  const auto listed = [] {
    std::vector<int> squares;  // as 10 x file + rank
    for (const AttackChangeRecord* entry = g_attackHistoryLists[6]; entry != nullptr; entry = entry->next)
      squares.push_back(10 * entry->file + entry->rank);
    return squares;
  };
  // Lost in table order 7-2, 8-2, 8-3, 7-4, 6-3, 6-2, where 8-2 and 6-2 come
  // back from 7-2; then the bishop opens 6-4, 5-5, 4-6 and 3-7 (its ray ends
  // on the pawn).
  const std::vector<int> expected = {37, 46, 55, 64, 63, 74, 83, 72};
  MakeMove(position, capture, 1);
  EXPECT_EQ(listed(), expected);
  UnmakeMove(position, capture, 1);
  EXPECT_EQ(listed(), expected);  // unmake never writes the list
}

TEST(MakeMove, RayHelpersAddAndRemoveExactly) {
  Position position = PositionFromDiagram("k8/9/9/4p4/9/4L4/9/4R4/8K b -");
  const Position before = position;
  const int rook = position.PieceIdAt(5, 8), lance = position.PieceIdAt(5, 6);
  InitAttackHistory();
  // The rook's forward ray, through its own lance into second line.
  RemoveSlidingRay(position, 0, 5, 8, 0, -1, rook, 1);
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 7), 0);
  EXPECT_EQ(position.XraySet(0, 5, 4), 0u);
  EXPECT_EQ(g_attackHistory.At(0, 5, 4).change[0], -1);
  AddSlidingRay(position, 0, 5, 8, 0, -1, 0, rook, 1);
  EXPECT_TRUE(EquivalentPositions(position, before));
  EXPECT_TRUE(HistoryClearFromDepth());
  EXPECT_EQ(RemoveAttackerBit(position, 0, 5, 5, rook), 0);  // second line
  EXPECT_EQ(position.AttackCountWithXray(0, 5, 5), 1);
  EXPECT_EQ(position.SquareRecord(5, 5)->slidingSet[0], 1u << lance);
  EXPECT_EQ(RemoveAttackerBit(position, 0, 5, 5, rook), 1);
  EXPECT_EQ(RemoveAttackerBit(position, 0, 5, 7, rook), 0);  // direct
  EXPECT_EQ(position.AttackCount(0, 5, 7), 0);
}

// A ray taken up beyond the own lance starts in second line and is put back
// in that mode; a ray the piece does not cast is left alone.
TEST(RemoveSlidingRay, ReadsTheSecondLineStartAndSkipsAMissingRay) {
  Position position = PositionFromDiagram("k8/9/9/4p4/9/4L4/9/4R4/8K b -");
  const Position before = position;
  const int rook = position.PieceIdAt(5, 8), lance = position.PieceIdAt(5, 6);
  InitAttackHistory();
  RemoveSlidingRay(position, 0, 5, 6, 0, -1, rook, 0);
  EXPECT_EQ(position.XraySet(0, 5, 5), 0u);
  EXPECT_EQ(position.XraySet(0, 5, 4), 0u);
  EXPECT_EQ(position.AttackCount(0, 5, 5), 1);  // the lance's own attack stays
  EXPECT_EQ(position.AttackCount(0, 5, 6), 1);  // and the rook's direct part
  AddSlidingRay(position, 0, 5, 6, 0, -1, 1, rook, 0);
  EXPECT_TRUE(EquivalentPositions(position, before));
  RemoveSlidingRay(position, 0, 5, 6, 0, 1, lance, 0);  // a lance never looks back
  RemoveSlidingRay(position, 0, 1, 9, -1, 0, rook, 0);  // the wall ring next
  EXPECT_TRUE(EquivalentPositions(position, before));
}

}  // namespace
