// Staged board moves and line tactics on set diagrams (their agreement
// with the full generator and the forcing filter over random positions,
// the lance rules included, is in the shared node-generator run).
#include <algorithm>

#include <gtest/gtest.h>

#include "engine/board/board_move_generator.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/tactical_generator.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"
#include "support/make_unmake_checks.h"
#include "support/position_builder.h"

namespace {

// An enemy rook just dropped on 2九 beside the king's rank and another on
// 3二 over an empty file: the back-rank drop and the rook-file drop land
// on 3九 once, with or without a key. After a null move, a rook that just
// moved quietly along its file keeps only its rank.
TEST(GenerateBoardMoves, PatternDropsCollapseAndANullMoveKeepsTheRookOnItsRank) {
  ResetSearchGlobals();
  g_gameStage = STAGE_OPENING;
  Position position = BuildPosition(
      0, {{0, KING, 5, 9}, {0, SILVER, 4, 8}, {1, KING, 5, 1}, {1, ROOK, 2, 9}, {1, ROOK, 3, 2}}, {{0, PAWN, 1}});
  g_lineMoves[0].SetDrop(2, 9, static_cast<PieceId>(position.PieceIdAt(2, 9)), 0x41);
  MoveRecord out[MAX_GENERATED_MOVES];
  for (const uint32_t key : {0u, 0x12345678u}) {
    g_forcingMoveFilter = key;
    const int count = GenerateBoardMoves(position, g_lineMoves, 0, 6, out);
    EXPECT_EQ(std::count_if(out, out + count, [](const MoveRecord& m) {
                return m.IsDrop() && m.toFile == 3 && m.toRank == 9;
              }), 1) << "key " << key;
  }
  g_forcingMoveFilter = 0;
  position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 5}});
  g_lineMoves[-1].Set(2, 8, 2, 5, 2, 0x21, EMPTY_PIECE_ID, 0, 0);
  g_lineMoves[0].SetNull();
  const int count = GenerateBoardMoves(position, g_lineMoves, 3, 6, out);
  for (int i = 0; i < count; ++i) EXPECT_TRUE(out[i].pieceId != 2 || out[i].toRank == 5) << DescribeMove(out[i]);
  ResetSearchGlobals();
}

// Rook 5五 in front of bishop 7七 aiming at the enemy rook on 3三: the
// rook's quiet move along its rank to an open file passes, a dragon's does
// not, and promotions into the zone need no test. A front piece's slides
// stop before own pieces (a bishop in front of the own lance, a lance in
// front of the own bishop).
TEST(GenerateTacticalMoves, FrontPieceRules) {
  ResetSearchGlobals();
  g_gameStage = STAGE_OPENING;
  MoveRecord out[MAX_GENERATED_MOVES];
  for (const int type : {int{ROOK}, int{DRAGON}}) {
    const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, BISHOP, 7, 7}, {0, type, 5, 5},
                                                {1, ROOK, 3, 3}, {0, PAWN, 6, 7}, {0, PAWN, 4, 7}});
    const int count = GenerateTacticalMoves(position, g_lineMoves, 3, out);
    const auto writes = [&](int fromFile, int toFile, int toRank) {
      return std::any_of(out, out + count, [&](const MoveRecord& m) {
        return (fromFile == 0 || m.fromFile == fromFile) && m.toFile == toFile && m.toRank == toRank;
      });
    };
    EXPECT_EQ(writes(5, 8, 5), type == ROOK);
    EXPECT_TRUE(writes(0, 5, 3));
  }
  const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, LANCE, 5, 9}, {0, BISHOP, 5, 8},
                                              {0, GOLD, 4, 7}, {0, GOLD, 6, 7}, {1, SILVER, 5, 3}, {0, BISHOP, 8, 8},
                                              {0, LANCE, 7, 7}, {0, PAWN, 7, 5}, {1, ROOK, 6, 6}});
  const int count = GenerateTacticalMoves(position, g_lineMoves, 3, out);
  EXPECT_GT(count, 0);
  for (int i = 0; i < count; ++i)
    EXPECT_FALSE(movegen::IsOwnPiece(position, 0, out[i].toFile, out[i].toRank)) << DescribeMove(out[i]);
}

}  // namespace
