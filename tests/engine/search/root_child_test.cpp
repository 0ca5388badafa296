// The root child step: every root move, taken in turn, is scored on the
// think's table plus its own adjustment alone; the endgame adjusts nothing.
#include "engine/search/root_child.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"
#include "engine/search/think_setup.h"
#include "support/engine_oracle.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

bool SameTable(const PieceSquareTable& a, const PieceSquareTable& b) {
  return std::memcmp(a.value, b.value, sizeof a.value) == 0;
}

// What a root move should see: the table as the set-up built it with this
// move's adjustment alone, the child scored on it, and the castle test on it.
struct RootChildSeen {
  PieceSquareTable table;
  EvalState child;
  bool weakens;
};

void SeenAlone(const Position& position, const MoveRecord& move, const ThinkSetup& setup,
               const PieceSquareTable& pristine, const EvalState& root, RootChildSeen& out) {
  *g_activePieceSquareTable = pristine;
  g_tableModified = 0;
  if (setup.stage < STAGE_ENDGAME) AdjustTablesForMove(position, move, setup.stage, setup.senkei[position.sideToMove ^ 1]);
  out.table = *g_activePieceSquareTable;
  EvaluateMoveDelta(move, position, root, &out.child);
  out.weakens = WeakensFormation(position, move, setup.senkei);
}

TEST(EnterRootChild, EachRootMoveSeesOnlyItsOwnAdjustment) {
  static PieceSquareTable pristine;
  static RootChildSeen actual, expected;
  const SenkeiId pairs[][2] = {{3, 3}, {2, 1}, {1, 2}, {8, 7}, {6, 6}, {5, 9}};
  int adjusted = 0, checked = 0;
  const std::vector<Position> positions = RandomOpeningPositions(31, 24);
  for (size_t p = 0; p < positions.size(); p += 2) {
    Position position = positions[p];
    const ThinkSetup setup{{pairs[p / 2 % 6][0], pairs[p / 2 % 6][1]}, static_cast<GameStage>(p / 2 % 2)};
    NodeState root;
    PrepareThink(position, setup, root);
    pristine = *g_activePieceSquareTable;
    for (const MoveRecord& move : OracleMoves(position)) {
      MakeMove(position, move, 0);
      actual.weakens = EnterRootChild(position, move, setup.senkei, root.eval, actual.child);
      actual.table = *g_activePieceSquareTable;
      SeenAlone(position, move, setup, pristine, root.eval, expected);
      ASSERT_TRUE(SameTable(actual.table, expected.table)) << "position " << p << ": an earlier move's adjustment stayed";
      ASSERT_EQ(std::memcmp(&actual.child, &expected.child, sizeof actual.child), 0) << "child not scored on its table";
      ASSERT_EQ(actual.weakens, expected.weakens);
      adjusted += !SameTable(actual.table, pristine);
      ++checked;
      UnmakeMove(position, move, 0);
    }
    RestoreEvalTableSide(position.sideToMove);
    ASSERT_TRUE(SameTable(*g_activePieceSquareTable, pristine));
  }
  EXPECT_GT(checked, 200);
  EXPECT_GT(adjusted, 10) << "too few root moves met an adjustment rule";
}

// Under 四間美濃 the gold 4-9 to 5-8 costs 28 at its destination in the
// opening, and nothing in the endgame, where the next root move also finds
// the opening move's adjustment gone.
TEST(EnterRootChild, GoldIntoTheCastleAtStageZeroOnly) {
  static PieceSquareTable pristine, expected;
  Position position = StartPosition();
  const ThinkSetup setup{{SENKEI_SHIKEN_MINO, SENKEI_SHIKEN_MINO}, STAGE_OPENING};
  NodeState root;
  EvalState child;
  PrepareThink(position, setup, root);
  pristine = *g_activePieceSquareTable;
  const MoveRecord gold = MoveOn(position, 4, 9, 5, 8);
  MakeMove(position, gold, 0);
  EnterRootChild(position, gold, setup.senkei, root.eval, child);
  expected = pristine;
  expected.At(ROW_GOLD, 0, 5, 8) -= 28;
  EXPECT_TRUE(SameTable(*g_activePieceSquareTable, expected));
  // The child's material counts the gold at 5-8 on the adjusted table.
  EvalState onPristine;
  *g_activePieceSquareTable = pristine;
  EvaluateMoveDelta(gold, position, root.eval, &onPristine);
  *g_activePieceSquareTable = expected;
  EXPECT_EQ(child.material[0].value, onPristine.material[0].value - 28);
  UnmakeMove(position, gold, 0);

  g_gameStage = STAGE_ENDGAME;
  const MoveRecord pawn = MoveOn(position, 7, 7, 7, 6);
  MakeMove(position, pawn, 0);
  EnterRootChild(position, pawn, setup.senkei, root.eval, child);
  EXPECT_TRUE(SameTable(*g_activePieceSquareTable, pristine));
  UnmakeMove(position, pawn, 0);
  MakeMove(position, gold, 0);
  EnterRootChild(position, gold, setup.senkei, root.eval, child);
  EXPECT_TRUE(SameTable(*g_activePieceSquareTable, pristine));
  UnmakeMove(position, gold, 0);
}

}  // namespace
