// The game's strategy masks, the think set-up and the all-moves list: the
// list is exactly the engine's king-safe moves, ranked, with the strategies
// a direct re-decision gives and the caller's position untouched; positions
// without both kings and root filters that would empty the list are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/board/engine_random.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/strategy_redecision.h"
#include "engine/service/game_init.h"
#include "engine/service/list_all_moves.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

TEST(GameInit, AllowedMasksByChoice) {
  GameStrategies game{};
  game.current[1] = 7;
  GameInit(game, STRATEGY_RANGING_ROOK, STRATEGY_YAGURA);
  EXPECT_EQ(game.allowed[0], 0x5F92Cu);
  EXPECT_EQ(game.allowed[1], 0x4000F801u);
  EXPECT_EQ(game.current[1], 0);
  EXPECT_EQ(AllowedSenkeiMask(STRATEGY_ANY), 0x3FFFFFu);
  EXPECT_EQ(AllowedSenkeiMask(STRATEGY_STATIC_ROOK), 0x8FAD3u);
  EXPECT_EQ(AllowedSenkeiMask(9), 0x3FFFFFu);
}

TEST(ListAllMoves, RanksTheKingSafeMovesOfRandomPositions) {
  static AllMovesList list;
  static Position before;
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
    std::vector<MoveRecord> listed, expected;
    for (int i = 0; i < list.count; ++i) {
      listed.push_back(list.moves[i].move);
      if (i > 0) {
        ASSERT_GE(list.moves[i - 1].value, list.moves[i].value);
      }
    }
    // The generator leaves out the non-promoting twin of a promoting pawn, rook or bishop.
    for (const MoveRecord& m : OracleKingSafeMoves(position)) {
      const int type = TypeOf(m.pieceCode);
      const bool twin = !m.IsDrop() && !m.promote && (type == PAWN || type == ROOK || type == BISHOP) &&
                        (IsPromotionZone(side, m.fromRank) || IsPromotionZone(side, m.toRank));
      if (!twin) expected.push_back(m);
    }
    ASSERT_EQ(SortedKeys(listed), SortedKeys(expected));
  });
}

TEST(ThinkSetup, RefusesPositionsWithoutBothKings) {
  const Position kingless = BuildPosition(0, {{0, KING, 5, 9}, {0, GOLD, 5, 8}, {1, PAWN, 5, 3}});
  static AllMovesList list;
  NodeState root;
  ThinkSetup setup{};
  g_gameStage = 2;
  SetRandomSeed(17);
  EXPECT_EQ(BeginThink(kingless, {0, ALL_SENKEI_MASK, 0, 0}, root, setup), -1);
  EXPECT_EQ(ListAllMoves(kingless, {0, ALL_SENKEI_MASK, 0, 0}, list), -1);
  EXPECT_EQ(g_gameStage, 2) << "nothing set up";
  EXPECT_EQ(GetRandomSeed(), 17u);
}

// Ids without base tables of their own build from their family's tables
// (the sanitizers would see an index of -1).
TEST(ThinkSetup, EveryStrategyIdBuildsTables) {
  Position start{};
  SetupInitialPosition(start);
  for (SenkeiId id = 0; id <= SENKEI_MILLENNIUM; ++id) {
    const SenkeiId pair[2] = {id, SENKEI_MILLENNIUM - id};
    InitEvalParams(start, pair);
    for (GameStage stage = 0; stage < GAME_STAGE_COUNT; ++stage) InitEvalTables(start, stage, pair);
  }
  static AllMovesList list;
  EXPECT_EQ(ListAllMoves(start, {0, ALL_SENKEI_MASK, 0, 0}, list), 0);
  EXPECT_EQ(list.count, 30);
  EXPECT_EQ(list.setup.stage, STAGE_OPENING);
}

// The back-move filter applies to two or more moves and never takes them all.
TEST(ThinkSetup, RootFilterKeepsAMoveToSearch) {
  MoveRecord previous, last, moves[3];
  previous.SetDrop(5, 5, 10, static_cast<PieceCode>(OwnerBit(0) | SILVER));
  last.Set(4, 1, 4, 2, 8, static_cast<PieceCode>(OwnerBit(1) | GOLD), EMPTY_PIECE_ID, 0, 0);
  for (MoveRecord& move : moves) move.Set(5, 5, 4, 1, 10, OwnerBit(0) | SILVER, EMPTY_PIECE_ID, 0, 0);
  moves[2].Set(5, 5, 5, 4, 10, OwnerBit(0) | SILVER, EMPTY_PIECE_ID, 0, 0);
  const auto link = [&](int count) {
    for (int i = 0; i < count; ++i) {
      moves[i].previous = i > 0 ? &moves[i - 1] : nullptr;
      moves[i].next = i + 1 < count ? &moves[i + 1] : nullptr;
    }
  };
  for (int count : {1, 2}) {
    link(count);
    int remaining = count;
    EXPECT_EQ(FilterRootList(moves, remaining, &last, &previous), moves);
    EXPECT_EQ(remaining, count);
    EXPECT_EQ(moves[count - 1].next, nullptr);
    EXPECT_EQ(moves[count - 1].previous, count == 2 ? &moves[0] : nullptr);
  }
  link(3);
  int remaining = 3;
  EXPECT_EQ(FilterRootList(moves, remaining, &last, &previous), &moves[2]);
  EXPECT_EQ(remaining, 1);
}

}  // namespace
