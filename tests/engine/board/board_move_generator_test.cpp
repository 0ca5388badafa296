// Staged board moves and line tactics on set diagrams (their agreement
// with the full generator and the forcing filter over random positions is
// in the shared node-generator run).
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "engine/board/board_move_generator.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/board/move_tests.h"
#include "engine/board/tactical_generator.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// Side 0 holds a pawn; an enemy rook was just dropped on 2九 beside the
// king's rank, another enemy rook stands on 3二 over an empty file: the
// back-rank drop and the rook-file drop land on 3九 once.
Position RookDropDiagram() {
  return BuildPosition(0, {{0, KING, 5, 9}, {0, SILVER, 4, 8}, {1, KING, 5, 1}, {1, ROOK, 2, 9}, {1, ROOK, 3, 2}},
                       {{0, PAWN, 1}});
}

TEST(GenerateBoardMoves, PatternDropsCollapseAndPassAnyKey) {
  ResetSearchGlobals();
  g_gameStage = STAGE_OPENING;
  Position position = RookDropDiagram();
  g_lineMoves[0].SetDrop(2, 9, static_cast<PieceId>(position.PieceIdAt(2, 9)), 0x41);
  for (const uint32_t key : {0u, 0x12345678u}) {
    g_forcingMoveFilter = key;
    MoveRecord out[MAX_GENERATED_MOVES];
    const int count = GenerateBoardMoves(position, g_lineMoves, 0, 6, out);
    const auto drops = std::count_if(out, out + count, [](const MoveRecord& m) {
      return m.IsDrop() && m.toFile == 3 && m.toRank == 9;
    });
    EXPECT_EQ(drops, 1) << "key " << key;
  }
  g_forcingMoveFilter = 0;
}

TEST(GenerateBoardMoves, LanceAndNullMoveRules) {
  ResetSearchGlobals();
  g_gameStage = STAGE_ENDGAME;
  // Lance on 1五 facing an enemy pawn on 1三: only the capture, promoted and not.
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, LANCE, 1, 5}, {1, PAWN, 1, 3}});
  MoveRecord out[MAX_GENERATED_MOVES];
  int count = GenerateBoardMoves(position, g_lineMoves, 0, 6, out);
  std::vector<int> lance;
  for (int i = 0; i < count; ++i) {
    if (TypeOf(out[i].pieceCode) == LANCE) lance.push_back(out[i].toRank * 10 + out[i].promote);
  }
  EXPECT_EQ(lance, (std::vector<int>{31, 30}));
  // After a null move, a rook that just moved quietly along its file keeps only its rank.
  position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 2, 5}});
  g_lineMoves[-1].Set(2, 8, 2, 5, 2, 0x21, EMPTY_PIECE_ID, 0, 0);
  g_lineMoves[0].SetNull();
  count = GenerateBoardMoves(position, g_lineMoves + 0, 3, 6, out);
  for (int i = 0; i < count; ++i) {
    if (out[i].pieceId == 2) {
      EXPECT_EQ(out[i].toRank, 5) << DescribeMove(out[i]);
    }
  }
  ResetSearchGlobals();
}

// Rook 5五 in front of bishop 7七 aiming at the enemy rook on 3三: the
// rook's quiet move along its rank to an open file passes; a dragon's does not.
TEST(GenerateTacticalMoves, RookFrontPieceOpenFile) {
  ResetSearchGlobals();
  g_gameStage = STAGE_OPENING;
  for (const int type : {int{ROOK}, int{DRAGON}}) {
    Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, BISHOP, 7, 7}, {0, type, 5, 5},
                                          {1, ROOK, 3, 3}, {0, PAWN, 6, 7}, {0, PAWN, 4, 7}});
    MoveRecord out[MAX_GENERATED_MOVES];
    const int count = GenerateTacticalMoves(position, g_lineMoves, 3, out);
    const bool toOpenFile = std::any_of(out, out + count, [](const MoveRecord& m) {
      return m.fromFile == 5 && m.toFile == 8 && m.toRank == 5;
    });
    EXPECT_EQ(toOpenFile, type == ROOK);
    // Promoting moves into the zone need no test.
    EXPECT_TRUE(std::any_of(out, out + count, [](const MoveRecord& m) { return m.toRank == 3 && m.toFile == 5; }));
  }
}

// The front piece's slides stop before own pieces: a bishop in front of
// the own lance, a lance in front of the own bishop.
TEST(GenerateTacticalMoves, FrontPieceSlidesStopBeforeOwnPieces) {
  ResetSearchGlobals();
  g_gameStage = STAGE_OPENING;
  const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, LANCE, 5, 9}, {0, BISHOP, 5, 8},
                                              {0, GOLD, 4, 7}, {0, GOLD, 6, 7}, {1, SILVER, 5, 3}, {0, BISHOP, 8, 8},
                                              {0, LANCE, 7, 7}, {0, PAWN, 7, 5}, {1, ROOK, 6, 6}});
  MoveRecord out[MAX_GENERATED_MOVES];
  const int count = GenerateTacticalMoves(position, g_lineMoves, 3, out);
  EXPECT_GT(count, 0);
  for (int i = 0; i < count; ++i) {
    EXPECT_FALSE(movegen::IsOwnPiece(position, 0, out[i].toFile, out[i].toRank)) << DescribeMove(out[i]);
  }
}

}  // namespace
