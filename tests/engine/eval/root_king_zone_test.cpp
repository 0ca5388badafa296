// The king zone of the later-stage root evaluators, measured on bare kings:
// every empty square around the king is held equally (the king alone
// against nothing), so an enemy gold in hand moves each from class 2 (7) to
// class 1 (11), and the difference is 4 times the zone's weights: middle
// game behind 1, level 1, forward 2; end game behind 3, level 5, forward 9
// beside the king's file and 10 on it. A rook in hand makes class 1 in the
// end game only. On the back rank the wall takes the squares behind. Both
// sides to move, and the diagram turned.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/eval/root_evaluators.h"
#include "support/position_builder.h"
#include "support/root_eval_fill.h"

namespace {

int RootValue(bool endGame, const Position& position) {
  MoveRecord move{};
  move.SetNull();
  return endGame ? EvalEndGameRoot(position, &move) : EvalMiddleGameRoot(position, &move, nullptr);
}

TEST(RootEvaluators, KingZoneWeightsOnBareKings) {
  FillRandomRootTables(41, false);
  struct Case {
    int kingRank;  // of side 0's king on file 5; side 1's stands on 5一
    int middleWeights, endWeights;
  };
  const Case cases[] = {
      {5, 3 * 1 + 2 * 1 + 3 * 2, 3 * 3 + 2 * 5 + 9 + 10 + 9},
      {9, 2 * 1 + 3 * 2, 2 * 5 + 9 + 10 + 9},
  };
  for (const Case& c : cases) {
    // A rook in hand counts for the end game only.
    for (const auto& [endGame, kind] : {std::pair{false, GOLD}, {true, GOLD}, {false, ROOK}, {true, ROOK}}) {
      const int expected = endGame ? -4 * c.endWeights : kind == GOLD ? -4 * c.middleWeights : 0;
      for (int mover = 0; mover < 2; ++mover) {
        const std::vector<PlacedPiece> kings = {{0, KING, 5, c.kingRank}, {1, KING, 5, 1}};
        const Position with = BuildPosition(mover, kings, {{1, kind, 1}});
        const Position without = BuildPosition(mover, kings);
        const int sign = mover == 0 ? 1 : -1;  // the result is the mover's side less the other
        EXPECT_EQ(RootValue(endGame, with) - RootValue(endGame, without), sign * expected)
            << "king on 5" << c.kingRank << (endGame ? " end" : " middle") << " game, side " << mover << " to move, "
            << kind;
        // Turned, the king and the mover change sides together.
        const int turned = RootValue(endGame, TurnedPosition(with)) - RootValue(endGame, TurnedPosition(without));
        EXPECT_EQ(turned, sign * expected) << "turned: king on 5" << c.kingRank << (endGame ? " end" : " middle");
      }
    }
  }
}

}  // namespace
