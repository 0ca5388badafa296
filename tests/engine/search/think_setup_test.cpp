// The set-up of a think, judged by what its order leaves behind: the
// strategies decided in turn (engine side first), the stage of the
// position, parameters and tables built for that stage and pair, the
// root's full evaluation read from those tables, and the search's counters,
// stamps and attack history cleared. Each case starts from the tables of
// another think, so that a step run too early or not at all shows. The
// root's back-move filter runs only over two or more generated moves and
// only when both game moves exist.
#include "engine/search/think_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/board/engine_random.h"
#include "engine/board/king_attack_generator.h"
#include "engine/board/make_move.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/piece_square_table.h"
#include "engine/eval/strategy_redecision.h"
#include "engine/search/search_globals.h"
#include "support/generator_checks.h"

namespace {

// What the set-up builds for the evaluation to read.
struct BuiltTables {
  EvalParams params;
  RootEvalTables root;
  int lineWeight[ROOT_LINE_WEIGHT_SIZE];
  int pieceSquare[2 * PIECE_ROW_COUNT][SQUARE_COUNT];
  int yagura;
  int stage;

  void Take() {
    params = g_evalParams;
    root = *g_activeRootEvalTables;
    std::memcpy(lineWeight, RootLineWeight, sizeof lineWeight);
    std::memcpy(pieceSquare, g_activePieceSquareTable->value, sizeof pieceSquare);
    yagura = g_yaguraStrategyFlag;
    stage = g_gameStage;
  }
  bool operator==(const BuiltTables& other) const { return std::memcmp(this, &other, sizeof *this) == 0; }
};

// The tables of an earlier think of another stage and other strategies.
void BuildAnotherThink(const Position& position, int stage) {
  const SenkeiId pair[2] = {7, 3};
  g_gameStage = (stage + 1) % 3;
  InitEvalParams(position, pair);
  InitEvalTables(position, g_gameStage, pair);
}

// What the think leaves that the set-up must clear.
void LeaveSearchTraces() {
  g_searchGeneration = 4321;
  g_attackMoveStamps.slots[12][3][4][1][0] = 99;
  g_attackMoveStamps.count = 7;
  g_attackHistoryDepth = 3;
  g_attackHistory.layer[2][40].change[1] = 5;
  g_attackHistory.layer[2][40].file = 0;
}

::testing::AssertionResult SearchTracesCleared() {
  if (g_searchGeneration != 0) return ::testing::AssertionFailure() << "search generation " << g_searchGeneration;
  if (g_attackMoveStamps.slots[12][3][4][1][0] != 0 || g_attackMoveStamps.count != 0)
    return ::testing::AssertionFailure() << "stamps kept";
  const AttackChangeRecord& record = g_attackHistory.layer[2][40];
  if (g_attackHistoryDepth != 0 || record.change[1] != 0 || record.file != 40 / 9 + 1 || record.rank != 40 % 9 + 1)
    return ::testing::AssertionFailure() << "attack history not initialised";
  return ::testing::AssertionSuccess();
}

const ThinkRequest kRequests[] = {
    {0, ALL_SENKEI_MASK, 0, 0},
    {1, 0x8FAD3, 0, 0},
    {0, 0x5F92C, 1, 0},
    {1, ALL_SENKEI_MASK, 9, 0x8},
};

TEST(BeginThink, BuildsTheTablesForTheDecidedStageAndPairBeforeTheRootEvaluation) {
  static BuiltTables expected, actual;
  int sample = 0;
  ForEachSamplePosition(SampleCount(120), 910, [&](const Position& position) {
    const ThinkRequest& request = kRequests[sample % 4];
    const uint32_t seed = static_cast<uint32_t>(1000 + sample++);
    const int engine = request.engineSide, other = 1 - engine;

    BuildAnotherThink(position, sample);
    SetRandomSeed(seed);
    SenkeiId pair[2];
    pair[engine] = ReconsiderStrategy(position, engine, request.allowed, request.current, request.preferred);
    pair[other] = ReconsiderStrategy(position, other, 0, 0, 0);
    const GameStage stage = DetermineGameStage(position);
    g_gameStage = stage;
    InitEvalParams(position, pair);
    InitEvalTables(position, stage, pair);
    EvalState rootState;
    EvaluateFull(position, &rootState);
    expected.Take();
    const uint32_t seedAfter = GetRandomSeed();

    BuildAnotherThink(position, sample);
    LeaveSearchTraces();
    SetRandomSeed(seed);
    NodeState root;
    ThinkSetup setup{};
    ASSERT_EQ(BeginThink(position, request, root, setup), 0);
    actual.Take();
    ASSERT_EQ(setup.senkei[engine], pair[engine]);
    ASSERT_EQ(setup.senkei[other], pair[other]);
    ASSERT_EQ(setup.stage, stage);
    ASSERT_EQ(GetRandomSeed(), seedAfter);
    ASSERT_TRUE(actual == expected) << "tables of sample " << sample;
    ASSERT_EQ(std::memcmp(&root.eval, &rootState, sizeof rootState), 0) << "root state of sample " << sample;
    ASSERT_TRUE(SearchTracesCleared());
  });
}

// PrepareThink takes the stage and pair it is given, whatever the position
// would decide.
TEST(PrepareThink, BuildsForTheGivenStageAndPair) {
  static BuiltTables expected, actual;
  int sample = 0;
  ForEachSamplePosition(SampleCount(45), 911, [&](const Position& position) {
    const ThinkSetup setup{{static_cast<SenkeiId>(sample % 23), static_cast<SenkeiId>((sample * 5 + 2) % 23)},
                           sample % 3};
    ++sample;
    BuildAnotherThink(position, setup.stage);
    g_gameStage = setup.stage;
    InitEvalParams(position, setup.senkei);
    InitEvalTables(position, setup.stage, setup.senkei);
    EvalState rootState;
    EvaluateFull(position, &rootState);
    expected.Take();

    BuildAnotherThink(position, setup.stage);
    LeaveSearchTraces();
    NodeState root;
    PrepareThink(position, setup, root);
    actual.Take();
    ASSERT_TRUE(actual == expected) << "tables of sample " << sample;
    ASSERT_EQ(std::memcmp(&root.eval, &rootState, sizeof rootState), 0) << "root state of sample " << sample;
    ASSERT_TRUE(SearchTracesCleared());
  });
}

// A silver dropped on 5-5, then the enemy gold 4-1 to 4-2: the silver's
// move back to 4-1 only undoes the drop; its move to 5-4 does not. A list
// of back moves alone is emptied when the filter applies.
TEST(FilterRootList, FromTwoMovesOnWithBothGameMoves) {
  MoveRecord previous{}, last{}, none{};
  previous.SetDrop(5, 5, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER));
  last.Set(4, 1, 4, 2, 8, static_cast<PieceCode>(OwnerBit(1) | GOLD), EMPTY_PIECE_ID, 0, 0);
  none.SetNull();
  const struct {
    const char* what;
    int count, backMoves;  // the first moves are back moves, the others go to 5-4
    const MoveRecord *last, *previous;
    int kept;
  } rows[] = {
      {"two moves", 2, 1, &last, &previous, 1},
      {"three moves", 3, 1, &last, &previous, 2},
      {"one move", 1, 1, &last, &previous, 1},
      {"two back moves", 2, 2, &last, &previous, 0},
      {"no move before the last", 2, 1, &last, nullptr, 2},
      {"no last move", 2, 1, nullptr, &previous, 2},
      {"a null move before the last", 2, 1, &last, &none, 2},
      {"two back moves, a null move before the last", 2, 2, &last, &none, 2},
  };
  for (const auto& row : rows) {
    std::vector<MoveRecord> moves(static_cast<size_t>(row.count));
    for (int i = 0; i < row.count; ++i) {
      const bool back = i < row.backMoves;
      moves[i].Set(5, 5, back ? 4 : 5, back ? 1 : 4, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER),
                   EMPTY_PIECE_ID, 0, 0);
      moves[i].previous = i > 0 ? &moves[i - 1] : nullptr;
      moves[i].next = i + 1 < row.count ? &moves[i + 1] : nullptr;
    }
    int count = row.count, linked = 0;
    const MoveRecord* head = FilterRootList(moves.data(), count, row.last, row.previous);
    EXPECT_EQ(count, row.kept) << row.what;
    for (const MoveRecord* move = head; move != nullptr; move = move->next) ++linked;
    EXPECT_EQ(linked, row.kept) << row.what;
    if (row.kept == 0) {
      EXPECT_EQ(head, nullptr) << row.what;
      continue;
    }
    EXPECT_EQ(head->toRank, row.kept < row.count ? 4 : 1) << row.what << ": the back move went first";
  }
}

}  // namespace
