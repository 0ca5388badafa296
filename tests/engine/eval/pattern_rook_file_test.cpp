// The home rook's file in the pattern term: an enemy pawn first on the file
// on the rook's sixth rank (seen from its side), held at least as strongly
// by the enemy as by the rook's side, costs 10. Measured against the same
// diagram with a tokin there, which weighs the same as a target of the file
// and is no pawn; both sides, by turning the diagram.
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

}  // namespace
