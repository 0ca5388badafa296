// The home rook in the pattern term. On its file: an enemy pawn first on the file
// on the rook's sixth rank (seen from its side), held at least as strongly
// by the enemy as by the rook's side, costs 10. Measured against the same
// diagram with a tokin there, which weighs the same as a target of the file
// and is no pawn. On its wing: the bishop-drop threat. Both sides, by
// turning the diagram.
#include <gtest/gtest.h>

#include <vector>

#include "engine/eval/pattern_eval.h"
#include "engine/search/node_state.h"
#include "support/position_builder.h"
#include "support/root_eval_fill.h"

namespace {

int PatternSumOf(const Position& position, int side) {
  NodeState node;
  MoveRecord move{};
  move.SetNull();
  EvalPatternTerm(position, 0, &move, &node.eval);
  return node.eval.material[side].addend;
}

TEST(PatternTerm, EnemyPawnOnTheHomeRooksSixthRank) {
  FillRandomRootTables(31, false);
  struct Case {
    int pawnRank;
    std::vector<PlacedPiece> support;  // besides the kings, the rook on 2八 and the piece ahead of it
    int expected;                      // pawn less tokin
  };
  const Case cases[] = {
      {6, {{1, SILVER, 3, 5}}, -10},                    // rook 1 against silver 1: held
      {6, {{1, SILVER, 3, 5}, {1, GOLD, 1, 5}}, -10},   // held by two
      {6, {}, 0},                                       // only the rook bears on it
      {6, {{1, SILVER, 3, 5}, {0, SILVER, 3, 7}}, 0},   // two against one
      {5, {{1, SILVER, 3, 4}}, 0},                      // the fifth rank is no matter
      {4, {{1, SILVER, 3, 3}}, 0},
  };
  for (const Case& c : cases) {
    int difference[2] = {0, 0};
    for (int type : {PAWN, TOKIN}) {
      std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 8}, {1, type, 2, c.pawnRank}};
      pieces.insert(pieces.end(), c.support.begin(), c.support.end());
      const Position position = BuildPosition(0, pieces);
      const int sign = type == PAWN ? 1 : -1;
      difference[0] += sign * PatternSumOf(position, 0);
      difference[1] += sign * PatternSumOf(TurnedPosition(position), 1);
    }
    EXPECT_EQ(difference[0], c.expected) << "pawn on rank " << c.pawnRank << ", side 0";
    EXPECT_EQ(difference[1], c.expected) << "pawn on rank " << c.pawnRank << ", side 1";
  }
}

// A bishop in the enemy's hand against a home rook on the far wing (files
// 6-9 for side 0) standing in its camp behind its pawn on the sixth or
// seventh rank: 7, less by the golds that cover the drop; the hand's bishop
// also costs the 10 of a missing centre pawn, so 5七 holds one.
TEST(PatternTerm, BishopDropAgainstTheHomeRooksWing) {
  FillRandomRootTables(37, false);
  struct Case {
    int rookFile, rookRank, pawnRank;
    std::vector<PlacedPiece> golds;
    int expected;  // with the enemy's bishop in hand less without
  };
  const Case cases[] = {
      {6, 8, 7, {}, -7},           {9, 8, 7, {}, -7},         {6, 8, 6, {}, -7},
      {6, 9, 6, {}, -7},           {5, 8, 7, {}, 0},          {4, 8, 7, {}, 0},
      {6, 6, 5, {}, 0},            {6, 8, 5, {}, 0},          {6, 8, 7, {{0, GOLD, 6, 9}}, -5},
      {8, 8, 7, {{0, GOLD, 7, 8}}, 0},                        {8, 8, 7, {{0, GOLD, 7, 7}}, -1},
      {8, 8, 7, {{0, GOLD, 6, 8}}, -3},                       {6, 6, 7, {}, 0},  // the rook out of its camp
  };
  for (const Case& c : cases) {
    int difference[2] = {0, 0};
    for (int bishops : {1, 0}) {
      std::vector<PlacedPiece> pieces = {{0, KING, 5, 9},  {1, KING, 5, 1}, {0, ROOK, c.rookFile, c.rookRank},
                                         {0, PAWN, c.rookFile, c.pawnRank}};
      if (c.rookFile != 5) pieces.push_back({0, PAWN, 5, 7});
      pieces.insert(pieces.end(), c.golds.begin(), c.golds.end());
      const Position position = BuildPosition(0, pieces, {{1, BISHOP, bishops}});
      const int sign = bishops == 1 ? 1 : -1;
      difference[0] += sign * PatternSumOf(position, 0);
      difference[1] += sign * PatternSumOf(TurnedPosition(position), 1);
    }
    EXPECT_EQ(difference[0], c.expected) << "rook on " << c.rookFile << c.rookRank << ", side 0";
    EXPECT_EQ(difference[1], c.expected) << "rook on " << c.rookFile << c.rookRank << ", side 1";
  }
}

}  // namespace
