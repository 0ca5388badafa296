// Staged board moves against the full generator, the forcing filter, the
// pattern drops and the move hash; line tactics over random positions and
// on set diagrams.
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

bool InOracle(const std::vector<MoveKey>& oracle, const MoveRecord& move) {
  return std::binary_search(oracle.begin(), oracle.end(), KeyOf(move));
}

// The full generator's board moves less the lance moves the staged
// generator leaves out: every quiet non-promoting lance move, and the
// non-promoting lance capture inside the zone except on the third rank.
std::vector<MoveRecord> ExpectedBoardMoves(const Position& position) {
  MoveRecord all[MAX_GENERATED_MOVES];
  int count = 0;
  GenerateAllMoves(position, count, all);
  std::vector<MoveRecord> expected;
  const int side = position.sideToMove;
  for (const MoveRecord& m : std::vector<MoveRecord>(all, all + count)) {
    if (m.IsDrop()) continue;
    if (TypeOf(m.pieceCode) == LANCE && m.promote == 0) {
      if (!m.IsCapture()) continue;
      if (IsPromotionZone(side, m.toRank) && RelativeRank(side, m.toRank) != 3) continue;
    }
    expected.push_back(m);
  }
  return expected;
}

TEST(GenerateBoardMoves, EqualsTheFullGeneratorsBoardMovesAndObeysTheFilter) {
  ResetSearchGlobals();
  PlayoutRandom random{909};
  int filtered = 0, tactical = 0;
  ForEachSamplePosition(SampleCount(2500), 4100, [&](Position& position) {
    g_gameStage = static_cast<GameStage>(random.Below(3));
    g_forcingMoveFilter = 0;
    std::vector<MoveRecord> out;
    const int depth = random.Below(8);
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* o) { return GenerateBoardMoves(position, g_lineMoves, 0, depth, o); },
                            out));
    const std::vector<MoveKey> oracle = SortedKeys(OracleMoves(position, MoveSet::kPseudoLegal));
    std::set<MoveKey> board;
    for (const MoveRecord& move : out) {
      ASSERT_TRUE(InOracle(oracle, move)) << DescribeMove(move);
      if (!move.IsDrop()) {
        ASSERT_TRUE(board.insert(KeyOf(move)).second) << "duplicate " << DescribeMove(move);
      }
    }
    const std::vector<MoveRecord> expected = ExpectedBoardMoves(position);
    ASSERT_EQ(std::vector<MoveKey>(board.begin(), board.end()), SortedKeys(expected));
    // A key keeps exactly the moves the forcing test accepts.
    g_forcingMoveFilter = static_cast<uint32_t>(random.Next());
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* o) { return GenerateBoardMoves(position, g_lineMoves, 0, depth, o); },
                            out));
    std::set<MoveKey> kept;
    for (const MoveRecord& move : out) {
      if (!move.IsDrop()) kept.insert(KeyOf(move));
    }
    std::set<MoveKey> accepted;
    for (const MoveRecord& m : expected) {
      if (IsForcingMove(position, g_lineMoves, m.pieceId, m.promote, 0, m.toFile, m.toRank, depth)) accepted.insert(KeyOf(m));
    }
    ASSERT_EQ(kept, accepted);
    filtered += static_cast<int>(kept.size());
    // Tactical moves, with the key or without: pseudo-legal and clean.
    if (random.Below(2) == 0) g_forcingMoveFilter = 0;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* o) { return GenerateTacticalMoves(position, g_lineMoves, 3, o); },
                            out));
    for (const MoveRecord& move : out) ASSERT_TRUE(InOracle(oracle, move)) << DescribeMove(move);
    tactical += static_cast<int>(out.size());
    g_forcingMoveFilter = 0;
  });
  EXPECT_GT(filtered, 0);
  EXPECT_GT(tactical, 0);
}

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
