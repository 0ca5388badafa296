// The root of a think: screening leaves the position as it was and values
// each candidate alone; the root list is generated into the shared move
// buffer, filtered and ordered as the search does it; the back-move filter
// empties a list of back moves, at any length.
#include "engine/search/root_screening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/board/board_move_generator.h"
#include "engine/board/evasion_generators.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/make_move.h"
#include "engine/board/move_generators.h"
#include "engine/eval/formation_root.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/root_evaluators.h"
#include "engine/search/move_code_list.h"
#include "engine/search/search_globals.h"
#include "engine/search/think_setup.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/root_eval_fill.h"

namespace {

// Screened one by one or all at once, each candidate gets the same value, and
// the position is back after every one.
TEST(ScreenRootMoves, ValuesEachCandidateAloneAndRestoresThePosition) {
  int screened = 0;
  ForEachSamplePosition(SampleCount(160), 60, [&](Position& position) {
    FillRandomRootTables(40 + screened, screened % 2 == 0);
    g_gameStage = screened % 3;
    const Position before = position;
    const int depth = g_attackHistoryDepth;
    const std::vector<MoveRecord> legal = OracleMoves(position);
    std::vector<RootScreenValue> together(legal.size());
    QuickEvalResult rootQuick{}, aloneQuick{};
    ScreenRootMoves(position, legal.data(), static_cast<int>(legal.size()), &rootQuick, together.data());
    ASSERT_TRUE(EquivalentPositions(position, before));
    for (size_t i = 0; i < legal.size(); i += 5) {
      RootScreenValue alone{};
      ScreenRootMoves(position, &legal[i], 1, &aloneQuick, &alone);
      ASSERT_TRUE(EquivalentPositions(position, before) && g_attackHistoryDepth == depth) << "after candidate " << i;
      ASSERT_EQ(std::make_tuple(alone.value, alone.positional, aloneQuick.finalDifference),
                std::make_tuple(together[i].value, together[i].positional, rootQuick.finalDifference)) << i;
      ++screened;
    }
  });
  EXPECT_GT(screened, SampleCount(160) * 3);
}

// Each candidate's value is worked out on the oracle's copy of the position
// after it: the quick evaluation's final difference and the evaluator of the
// stage (end game for 2, middle game for 1, formation with square 0
// otherwise), both seeing a null move of from and to file 254 and codes 0;
// the value is minus both.
TEST(ScreenRootMoves, ValuesACandidateByTheStagesEvaluatorAfterTheMove) {
  MoveRecord nullMove{};
  nullMove.fromFile = nullMove.toFile = static_cast<int8_t>(254);
  nullMove.pieceCode = nullMove.capturedCode = 0;
  int sample = 0, checked = 0;
  ForEachSamplePosition(SampleCount(150), 61, [&](Position& position) {
    FillRandomRootTables(90 + sample, sample % 2 == 1);
    const int stage = g_gameStage = sample++ % 3;
    const std::vector<MoveRecord> legal = OracleMoves(position);
    std::vector<RootScreenValue> values(legal.size());
    QuickEvalResult rootQuick{};
    ScreenRootMoves(position, legal.data(), static_cast<int>(legal.size()), &rootQuick, values.data());
    QuickEvalResult expectedRoot{};
    QuickEvaluate(position, stage, &expectedRoot);
    ASSERT_EQ(rootQuick.finalDifference, expectedRoot.finalDifference);
    static Position after;
    for (size_t i = 0; i < legal.size(); i += 7) {
      OracleApplyMove(position, legal[i], after);
      QuickEvalResult quick{};
      QuickEvaluate(after, stage, &quick);
      const int positional = stage == 2   ? EvalEndGameRoot(after, &nullMove)
                             : stage == 1 ? EvalMiddleGameRoot(after, &nullMove, &quick)
                                          : EvalFormationRoot(after, 0, &nullMove, &quick);
      ASSERT_EQ(std::make_tuple(values[i].quickDifference, values[i].positional, values[i].value),
                std::make_tuple(quick.finalDifference, positional, -quick.finalDifference - positional))
          << "stage " << stage << " candidate " << DescribeMove(legal[i]);
      ++checked;
    }
  });
  EXPECT_GT(checked, SampleCount(150) * 3);
}

// The search's way to a root list: generators write at the buffer top, the
// top advances by their count; the list is filtered and ordered; the top
// goes back. The order is a stable descending permutation of the list.
TEST(OrderRootList, SortsTheBufferedRootListStablyByValue) {
  ResetSearchGlobals();
  InitAttackMoveStamps();
  MoveCodeList done;
  int ordered = 0;
  ForEachSamplePosition(SampleCount(300), 70, [&](Position& position) {
    SetUpUndecidedThink(position, ordered % 3);
    ASSERT_EQ(g_moveBufferTop, 0);
    // Generators of the node search at ply 0 read the line record before it.
    done.Clear();
    g_moveBufferTop += OracleInCheck(position, position.sideToMove)
                           ? GenerateCheckEvasions(position, g_lineMoves, 0, g_moveBuffer)
                           : GenerateKingAttackMoves(position, g_lineMoves, 3, 0, done, g_moveBuffer) +
                                 GenerateBoardMoves(position, g_lineMoves, 0, 3, g_moveBuffer + g_moveBufferTop);
    int count = 0;
    MoveRecord* head = GenerateAllMoves(position, count, g_moveBuffer + g_moveBufferTop);
    g_moveBufferTop += count;
    head = FilterRootList(head, count, &g_lineMoves[0], &g_lineMoves[-1]);
    std::vector<CandidateMoveNode> nodes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i, head = head->next) {
      ASSERT_NE(head, nullptr);
      nodes[i] = {head, 0, {}, i + 1 < count ? &nodes[i + 1] : nullptr, i > 0 ? &nodes[i - 1] : nullptr};
    }
    ASSERT_EQ(head, nullptr);
    std::vector<const CandidateMoveNode*> order;
    if (count > 0)
      for (const CandidateMoveNode* node = OrderRootList(position, nodes.data()); node != nullptr; node = node->next)
        order.push_back(node);
    g_moveBufferTop = 0;
    ASSERT_EQ(order.size(), nodes.size());
    for (size_t i = 0; i < order.size(); ++i) {
      ASSERT_EQ(order[i]->prev, i > 0 ? order[i - 1] : nullptr);
      const auto rank = [&](size_t k) { return std::make_pair(-order[k]->value, order[k]); };
      ASSERT_TRUE(i == 0 || rank(i - 1) < rank(i)) << "not descending, or equal values out of list order";
    }
    std::sort(order.begin(), order.end());
    ASSERT_EQ(std::adjacent_find(order.begin(), order.end()), order.end());
    ordered += count > 0;
  });
  EXPECT_GT(ordered, SampleCount(300) / 2);
}

// Silver dropped on 5-5, then the enemy gold 4-1 to 4-2: the silver's moves
// back to 4-1 only undo the drop. However many there are, all of them go
// (the list serves the mate checks only), leaving null and a count of 0;
// the others stay linked in order.
TEST(FilterRootList, EmptiesAListOfBackMovesUpToItsCapacity) {
  static MoveRecord moves[MAX_GENERATED_MOVES];
  MoveRecord previous{}, last{};
  previous.SetDrop(5, 5, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER));
  last.Set(4, 1, 4, 2, 8, static_cast<PieceCode>(OwnerBit(1) | GOLD), EMPTY_PIECE_ID, 0, 0);
  const struct {
    int count, backMoves, kept;
  } rows[] = {{1, 1, 1}, {2, 2, 0}, {3, 2, 1}, {3, 3, 0}, {MAX_GENERATED_MOVES, MAX_GENERATED_MOVES, 0}};
  for (const auto& row : rows) {
    for (int i = 0; i < row.count; ++i) {
      const bool back = i < row.backMoves;
      moves[i].Set(5, 5, back ? 4 : 5, back ? 1 : 4, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER), EMPTY_PIECE_ID,
                   0, 0);
      moves[i].previous = i > 0 ? &moves[i - 1] : nullptr;
      moves[i].next = i + 1 < row.count ? &moves[i + 1] : nullptr;
    }
    int remaining = row.count, linked = 0;
    const MoveRecord* head = FilterRootList(moves, remaining, &last, &previous);
    EXPECT_EQ(remaining, row.kept) << row.count;
    for (const MoveRecord* move = head; move != nullptr; move = move->next, ++linked)
      ASSERT_EQ(move->previous, move == head ? nullptr : move - 1) << row.count;
    EXPECT_EQ(linked, row.kept) << row.count;
    EXPECT_EQ(head == nullptr, row.kept == 0) << row.count;
  }
}

}  // namespace
