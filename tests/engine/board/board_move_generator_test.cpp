// Staged board moves and line tactics on set diagrams (their agreement
// with the full generator and the forcing filter over random positions,
// the lance rules included, is in the shared node-generator run).
#include <algorithm>
#include <vector>

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

// An enemy rook dropped beside the castle's silver and lance on the own
// second rank is met by one bishop drop in front of it, on either wing and
// for either side; any missing piece of the picture, an occupied square in
// front, a rook that moved there, the opening plies past 4 or the last
// stage leave no bishop drop.
TEST(GenerateBoardMoves, BishopDropInFrontOfARookDroppedIntoTheCastle) {
  struct Case {
    const char* what;
    std::vector<PlacedPiece> pieces;
    bool dropped;  // the rook came from the hand
    int ply, stage;
    bool expected;
  };
  const std::vector<PlacedPiece> left = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, SILVER, 3, 8}, {0, LANCE, 1, 8},
                                         {1, ROOK, 2, 8}};
  const std::vector<PlacedPiece> right = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, SILVER, 7, 8}, {0, LANCE, 9, 8},
                                          {1, ROOK, 8, 8}};
  auto with = [](std::vector<PlacedPiece> pieces, PlacedPiece more) {
    pieces.push_back(more);
    return pieces;
  };
  auto without = [](std::vector<PlacedPiece> pieces, int index) {
    pieces.erase(pieces.begin() + index);
    return pieces;
  };
  const Case cases[] = {
      {"file 2", left, true, 0, 0, true},
      {"file 8", right, true, 4, 1, true},
      {"no silver", without(left, 2), true, 0, 0, false},
      {"no lance", without(left, 3), true, 0, 0, false},
      {"knight for the lance", with(without(left, 3), {0, KNIGHT, 1, 8}), true, 0, 0, false},
      {"square in front taken", with(left, {0, PAWN, 2, 7}), true, 0, 0, false},
      {"rook moved there", left, false, 0, 0, false},
      {"ply 5", left, true, 5, 0, false},
      {"last stage", left, true, 0, 2, false},
      {"castle on the back rank", {{0, KING, 5, 8}, {1, KING, 5, 1}, {0, SILVER, 3, 9}, {0, LANCE, 1, 9},
                                   {1, ROOK, 2, 9}}, true, 0, 0, false},
  };
  MoveRecord out[MAX_GENERATED_MOVES];
  for (const Case& c : cases) {
    for (const bool turned : {false, true}) {
      ResetSearchGlobals();
      g_gameStage = c.stage;
      Position position = BuildPosition(0, c.pieces, {{0, BISHOP, 1}});
      if (turned) position = TurnedPosition(position);
      const int rookFile = turned ? 10 - c.pieces.back().file : c.pieces.back().file;
      const int rank = turned ? 10 - c.pieces.back().rank : c.pieces.back().rank;
      const int ahead = turned ? 3 : 7;
      const int rookId = position.PieceIdAt(rookFile, rank);
      if (c.dropped) {
        g_lineMoves[c.ply].SetDrop(rookFile, rank, static_cast<PieceId>(rookId), position.pieces[rookId].code);
      } else {
        g_lineMoves[c.ply].Set(rookFile, turned ? 9 : 1, rookFile, rank, static_cast<PieceId>(rookId),
                               position.pieces[rookId].code, EMPTY_PIECE_ID, 0, 0);
      }
      const int count = GenerateBoardMoves(position, g_lineMoves + c.ply, c.ply, 6, out);
      const int drops = static_cast<int>(std::count_if(out, out + count, [&](const MoveRecord& m) {
        return m.IsDrop() && TypeOf(m.pieceCode) == BISHOP && m.toFile == rookFile && m.toRank == ahead;
      }));
      EXPECT_EQ(drops, c.expected ? 1 : 0) << c.what << (turned ? ", side 1" : "");
      EXPECT_EQ(std::count_if(out, out + count, [](const MoveRecord& m) { return m.IsDrop(); }), drops) << c.what;
    }
  }
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
