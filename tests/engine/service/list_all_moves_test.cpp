// The game's strategy masks, the think set-up and the all-moves list: the
// list is exactly the legal moves, ranked, with the strategies
// a direct re-decision gives and the caller's position untouched; positions
// without both kings are refused.
#include "engine/service/list_all_moves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/board/engine_random.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/strategy_redecision.h"
#include "engine/service/game_init.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

TEST(GameInit, AllowedMasksByChoice) {
  GameStrategies game{{0, 0}, {0, 7}};
  GameInit(game, STRATEGY_RANGING_ROOK, STRATEGY_YAGURA);
  EXPECT_TRUE(game.allowed[0] == 0x5F92C && game.allowed[1] == 0x4000F801 && game.current[1] == 0);
  EXPECT_TRUE(AllowedSenkeiMask(STRATEGY_ANY) == 0x3FFFFF && AllowedSenkeiMask(STRATEGY_STATIC_ROOK) == 0x8FAD3);
}

TEST(ListAllMoves, RanksEveryLegalMoveOfRandomPositions) {
  static AllMovesList list;
  static Position before;
  int drops = 0;
  ForEachSamplePosition(SampleCount(300), 5, [&](Position& position) {
    const int side = position.sideToMove;
    const ThinkRequest request{side, AllowedSenkeiMask(side + 1), 0, SenkeiBit(3)};
    std::memcpy(&before, &position, sizeof position);
    SetRandomSeed(3);
    ASSERT_EQ(ListAllMoves(position, request, list), 0);
    ASSERT_EQ(std::memcmp(&before, &position, sizeof position), 0);
    ASSERT_GE(list.kingAttackCount, 0);
    SetRandomSeed(3);
    EXPECT_EQ(list.setup.senkei[side], ReconsiderStrategy(position, side, request.allowed, 0, request.preferred));
    EXPECT_EQ(list.setup.senkei[1 - side], ReconsiderStrategy(position, 1 - side, 0, 0, 0));
    std::vector<MoveRecord> listed;
    for (int i = 0; i < list.count; ++i) {
      listed.push_back(list.moves[i].move);
      // A drop leaves no square, so it has no positional gain.
      if (list.moves[i].move.IsDrop()) {
        ++drops;
        EXPECT_EQ(list.moves[i].gain, 0);
      }
      if (i > 0) {
        ASSERT_GE(list.moves[i - 1].value, list.moves[i].value);
      }
    }
    ASSERT_EQ(SortedKeys(listed), SortedKeys(OracleMoves(position)));
  });
  EXPECT_GT(drops, 0);
}

// Nothing is set up without both kings; ids without base tables of their
// own build from their family's (the sanitizers would see an index of -1).
TEST(ThinkSetup, RefusesKinglessPositionsAndBuildsEveryId) {
  const Position kingless = BuildPosition(0, {{0, KING, 5, 9}, {0, GOLD, 5, 8}, {1, PAWN, 5, 3}});
  static AllMovesList list;
  NodeState root;
  ThinkSetup setup{};
  g_gameStage = 2;
  SetRandomSeed(17);
  EXPECT_EQ(BeginThink(kingless, {0, ALL_SENKEI_MASK, 0, 0}, root, setup), -1);
  EXPECT_EQ(ListAllMoves(kingless, {0, ALL_SENKEI_MASK, 0, 0}, list), -1);
  EXPECT_TRUE(g_gameStage == 2 && GetRandomSeed() == 17u) << "nothing set up";
  const Position start = StartPosition();
  for (SenkeiId id = 0; id <= SENKEI_MILLENNIUM; ++id) {
    const SenkeiId pair[2] = {id, SENKEI_MILLENNIUM - id};
    InitEvalParams(start, pair);
    for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) InitEvalTables(start, stage, pair);
  }
}

}  // namespace
