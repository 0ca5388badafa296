// The legal-move oracle on its own: perft counts, mirror symmetry, the drop
// and promotion rules, and its copy-apply keeping every table consistent.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "engine/board/position.h"
#include "support/engine_oracle.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

Position HandicapPosition(int handicap) {
  Position position{};
  SetupHandicap(position, handicap);
  return position;
}

// The same position seen from the other side: board turned by 180 degrees,
// owners and hands swapped, the other side to move.
Position Mirrored(const Position& position) {
  std::vector<PlacedPiece> onBoard;
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      if (id == EMPTY_PIECE_ID) continue;
      const PieceCode code = position.pieces[id].code;
      onBoard.push_back({1 - OwnerOf(code), TypeOf(code), 10 - file, 10 - rank});
    }
  std::vector<HandPieces> inHand;
  for (int side = 0; side < 2; ++side)
    for (int type = ROOK; type <= PAWN; ++type)
      if (position.hand[side][type - 1] > 0) inHand.push_back({1 - side, type, position.hand[side][type - 1]});
  return BuildPosition(1 - position.sideToMove, onBoard, inHand);
}

int CountMoves(const std::vector<MoveRecord>& moves, int fromFile, int fromRank, int toFile, int toRank) {
  return static_cast<int>(std::count_if(moves.begin(), moves.end(), [&](const MoveRecord& move) {
    return move.fromFile == fromFile && (fromFile == 0 || move.fromRank == fromRank) && move.toFile == toFile &&
           move.toRank == toRank;
  }));
}

bool HasMove(const std::vector<MoveRecord>& moves, int fromFile, int fromRank, int toFile, int toRank, int promote) {
  return std::any_of(moves.begin(), moves.end(), [&](const MoveRecord& move) {
    return move.fromFile == fromFile && (fromFile == 0 || move.fromRank == fromRank) && move.toFile == toFile &&
           move.toRank == toRank && move.promote == promote;
  });
}

bool HasDrop(const std::vector<MoveRecord>& moves, int type, int toFile, int toRank) {
  return std::any_of(moves.begin(), moves.end(), [&](const MoveRecord& move) {
    return move.IsDrop() && BaseTypeOf(move.pieceCode) == type && move.toFile == toFile && move.toRank == toRank;
  });
}

// Every derived table of the position agrees with its board and hands.
::testing::AssertionResult TablesAgreeWithBoard(const Position& position) {
  int onBoard[PIECE_COUNT] = {};
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      if (id == EMPTY_PIECE_ID) continue;
      if (id < 0 || id >= PIECE_COUNT) return ::testing::AssertionFailure() << "bad id at " << file << "-" << rank;
      onBoard[id] += 1;
      const PieceListEntry& entry = position.pieces[id];
      if (entry.file != file || entry.rank != rank || BaseTypeOf(entry.code) != g_pieceIdBaseCode[id])
        return ::testing::AssertionFailure() << "piece list of " << id << " disagrees with " << file << "-" << rank;
    }
  for (int side = 0; side < 2; ++side) {
    uint32_t total = 0;
    for (int type = ROOK; type <= LANCE; ++type) total += static_cast<uint32_t>(position.hand[side][type - 1]);
    if (total != position.handTotal[side]) return ::testing::AssertionFailure() << "hand total of side " << side;
    std::vector<uint32_t> tokins;
    for (int file = 1; file <= 9; ++file) {
      int pawnRank = 0;
      for (int rank = 1; rank <= 9; ++rank) {
        const int id = position.board[file][rank];
        if (id == EMPTY_PIECE_ID || !IsOwnedBy(position.pieces[id].code, side)) continue;
        if (TypeOf(position.pieces[id].code) == PAWN) pawnRank = rank;
        if (TypeOf(position.pieces[id].code) == TOKIN) tokins.push_back(static_cast<uint32_t>(id));
      }
      if (position.pawnRank[side][file] != pawnRank)
        return ::testing::AssertionFailure() << "pawn rank of side " << side << " on file " << file;
    }
    std::vector<uint32_t> listed(position.tokins[side].ids, position.tokins[side].ids + position.tokins[side].count);
    std::sort(tokins.begin(), tokins.end());
    std::sort(listed.begin(), listed.end());
    if (tokins != listed) return ::testing::AssertionFailure() << "tokin list of side " << side;
  }
  for (int type = ROOK; type <= PAWN; ++type) {
    const int inHand = position.hand[0][type - 1] + position.hand[1][type - 1];
    for (int slot = 0; slot < inHand; ++slot) {
      const int id = position.handStack[g_handListStart[type] + slot];
      if (position.pieces[id].file != IN_HAND_FILE || g_pieceIdBaseCode[id] != type)
        return ::testing::AssertionFailure() << "in-hand stack of type " << type << " slot " << slot;
    }
    int filedInHand = 0;
    for (int id = 0; id < PIECE_COUNT; ++id)
      if (g_pieceIdBaseCode[id] == type && position.pieces[id].file == IN_HAND_FILE) ++filedInHand;
    if (filedInHand != inHand) return ::testing::AssertionFailure() << "pieces in hand of type " << type;
  }
  return ::testing::AssertionSuccess();
}

TEST(OraclePerft, EvenPositionCounts) {
  const Position position = HandicapPosition(HANDICAP_EVEN);
  EXPECT_EQ(OraclePerft(position, 1), 30u);
  EXPECT_EQ(OraclePerft(position, 2), 900u);
  EXPECT_EQ(OraclePerft(position, 3), 25470u);
#ifndef KIFU_SANITIZED
  EXPECT_EQ(OraclePerft(position, 4), 719731u);
#endif
}

TEST(OraclePerft, HandicapsCountTheSameAsTheirMirrors) {
  for (int handicap = HANDICAP_LANCE; handicap <= HANDICAP_SIX; ++handicap) {
    SCOPED_TRACE(handicap);
    const Position position = HandicapPosition(handicap);
    const uint64_t leaves = OraclePerft(position, 3);
    EXPECT_GT(OraclePerft(position, 1), 0u);
    EXPECT_GT(leaves, 0u);
    EXPECT_EQ(OraclePerft(Mirrored(position), 3), leaves);
  }
}

TEST(OraclePerft, MidgamePositionsCountTheSameAsTheirMirrors) {
  const int games = 12;
  for (int game = 0; game < games; ++game) {
    Position position = HandicapPosition(game % 8);
    PlayoutEvents events;
    PlayRandomGame(
        position, 500 + game, 40 + 7 * game,
        [](Position& current, const MoveRecord& move) {
          Position next;
          OracleApplyMove(current, move, next);
          current = next;
          return true;
        },
        events);
    SCOPED_TRACE(game);
    EXPECT_EQ(OraclePerft(Mirrored(position), 2), OraclePerft(position, 2));
  }
}

TEST(OracleRules, TwoPawnRuleCountsUnpromotedPawnsOnly) {
  const Position position = BuildPosition(0,
                                          {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, PAWN, 7, 7}, {0, TOKIN, 3, 4},
                                           {1, PAWN, 2, 3}},
                                          {{0, PAWN, 1}});
  const std::vector<MoveRecord> moves = OracleLegalMoves(position);
  for (int rank = 2; rank <= 9; ++rank) EXPECT_FALSE(HasDrop(moves, PAWN, 7, rank)) << rank;
  EXPECT_TRUE(HasDrop(moves, PAWN, 3, 5));  // a tokin is no pawn
  EXPECT_TRUE(HasDrop(moves, PAWN, 2, 5));  // the enemy's pawn does not count
  EXPECT_FALSE(HasDrop(moves, PAWN, 4, 1));
}

TEST(OracleRules, PawnDropMateIsRefusedButLanceDropMateIsNot) {
  // Side 1's king in the corner, its own knight beside it, side 0's gold
  // guarding 2-2 and the drop square 1-2.
  const std::vector<PlacedPiece> corner = {
      {0, KING, 5, 9}, {1, KING, 1, 1}, {1, KNIGHT, 2, 1}, {0, GOLD, 2, 3}};
  const Position position = BuildPosition(0, corner, {{0, PAWN, 1}, {0, LANCE, 1}});
  const std::vector<MoveRecord> moves = OracleLegalMoves(position);
  EXPECT_FALSE(HasDrop(moves, PAWN, 1, 2));
  EXPECT_TRUE(HasDrop(moves, PAWN, 1, 3));
  ASSERT_TRUE(HasDrop(moves, LANCE, 1, 2));
  for (const MoveRecord& move : moves)
    if (move.IsDrop() && move.toFile == 1 && move.toRank == 2) {
      Position after;
      OracleApplyMove(position, move, after);
      EXPECT_TRUE(OracleInCheck(after, 1));
      EXPECT_TRUE(OracleLegalMoves(after).empty());
    }

  // Without the gold the king takes the pawn, so the drop is a plain check.
  const Position unguarded =
      BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 1, 1}, {1, KNIGHT, 2, 1}}, {{0, PAWN, 1}});
  EXPECT_TRUE(HasDrop(OracleLegalMoves(unguarded), PAWN, 1, 2));
}

TEST(OracleRules, NoDropWherePieceCouldNeverMove) {
  for (int side = 0; side < 2; ++side) {
    SCOPED_TRACE(side);
    const Position position =
        BuildPosition(side, {{0, KING, 5, 9}, {1, KING, 5, 1}}, {{side, PAWN, 1}, {side, LANCE, 1}, {side, KNIGHT, 1}});
    const std::vector<MoveRecord> moves = OracleLegalMoves(position);
    const int lastRank = side == 0 ? 1 : 9, secondLast = side == 0 ? 2 : 8;
    for (int file = 1; file <= 9; ++file) {
      EXPECT_FALSE(HasDrop(moves, PAWN, file, lastRank));
      EXPECT_FALSE(HasDrop(moves, LANCE, file, lastRank));
      EXPECT_FALSE(HasDrop(moves, KNIGHT, file, lastRank));
      EXPECT_FALSE(HasDrop(moves, KNIGHT, file, secondLast));
      EXPECT_TRUE(HasDrop(moves, LANCE, file, secondLast));
    }
    // 79 empty squares, 8 of them on the last rank and 9 on the one before.
    const auto drops = std::count_if(moves.begin(), moves.end(), [](const MoveRecord& move) { return move.IsDrop(); });
    EXPECT_EQ(drops, (79 - 8) + (79 - 8) + (79 - 8 - 9));
  }
}

TEST(OracleRules, PromotionIsMandatoryOnlyWhereThePieceCouldNeverMoveAgain) {
  const Position position = BuildPosition(0, {{0, KING, 5, 9},
                                              {1, KING, 9, 5},
                                              {0, PAWN, 5, 2},
                                              {0, PAWN, 4, 4},
                                              {0, KNIGHT, 7, 4},
                                              {0, KNIGHT, 2, 5},
                                              {0, LANCE, 1, 4},
                                              {0, SILVER, 9, 3},
                                              {0, GOLD, 6, 3},
                                              {0, ROOK, 3, 6}});
  const std::vector<MoveRecord> moves = OracleLegalMoves(position);
  EXPECT_EQ(CountMoves(moves, 5, 2, 5, 1), 1);
  EXPECT_TRUE(HasMove(moves, 5, 2, 5, 1, 1));
  EXPECT_TRUE(HasMove(moves, 4, 4, 4, 3, 1));
  EXPECT_TRUE(HasMove(moves, 4, 4, 4, 3, 0));
  EXPECT_EQ(CountMoves(moves, 7, 4, 6, 2), 1);  // knight onto rank 2
  EXPECT_TRUE(HasMove(moves, 7, 4, 8, 2, 1));
  EXPECT_EQ(CountMoves(moves, 2, 5, 1, 3), 2);  // knight onto rank 3
  EXPECT_EQ(CountMoves(moves, 1, 4, 1, 3), 2);
  EXPECT_EQ(CountMoves(moves, 1, 4, 1, 2), 2);
  EXPECT_EQ(CountMoves(moves, 1, 4, 1, 1), 1);
  EXPECT_EQ(CountMoves(moves, 9, 3, 8, 4), 2);  // a silver leaving the zone may promote
  EXPECT_EQ(CountMoves(moves, 6, 3, 6, 2), 1);  // golds never promote
  EXPECT_EQ(CountMoves(moves, 3, 6, 3, 5), 1);  // outside the zone
  EXPECT_EQ(CountMoves(moves, 3, 6, 3, 3), 2);
}

TEST(OracleRules, MovesLeavingTheKingAttackedAreExcluded) {
  // Side 0's silver on 5-8 is pinned by the rook on 5-2; the king may not
  // step onto 4-8, which the bishop on 8-4 reaches.
  const Position position = BuildPosition(
      0, {{0, KING, 5, 9}, {1, KING, 9, 1}, {0, SILVER, 5, 8}, {1, ROOK, 5, 2}, {1, BISHOP, 8, 4}});
  const std::vector<MoveRecord> moves = OracleLegalMoves(position);
  EXPECT_TRUE(HasMove(moves, 5, 8, 5, 7, 0));
  EXPECT_FALSE(HasMove(moves, 5, 8, 4, 7, 0));
  EXPECT_FALSE(HasMove(moves, 5, 8, 6, 7, 0));
  EXPECT_FALSE(HasMove(moves, 5, 8, 4, 9, 0));
  EXPECT_FALSE(HasMove(moves, 5, 9, 4, 8, 0));
  EXPECT_TRUE(HasMove(moves, 5, 9, 6, 8, 0));
  EXPECT_TRUE(OracleIsSquareAttacked(position, 4, 8, 1));
  EXPECT_FALSE(OracleInCheck(position, 0));
}

TEST(OracleMoves, RecordsCarryTheIdsAndCodesOfThePosition) {
  const Position position =
      BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 5, 5}, {1, DRAGON, 5, 3}}, {{0, GOLD, 2}});
  const std::vector<MoveRecord> moves = OracleLegalMoves(position);
  for (const MoveRecord& move : moves) {
    if (move.IsDrop()) {
      EXPECT_EQ(move.pieceId, position.handStack[g_handListStart[GOLD] + 1]);  // the top of the stack
      EXPECT_EQ(move.pieceCode, OwnerBit(0) | GOLD);
      EXPECT_EQ(move.capturedId, EMPTY_PIECE_ID);
    } else {
      EXPECT_EQ(move.pieceId, position.board[move.fromFile][move.fromRank]);
      EXPECT_EQ(move.pieceCode, position.PieceCodeAt(move.fromFile, move.fromRank));
      EXPECT_EQ(move.capturedId, position.board[move.toFile][move.toRank]);
      EXPECT_EQ(move.capturedCode, position.PieceCodeAt(move.toFile, move.toRank));
    }
  }
  EXPECT_TRUE(HasMove(moves, 5, 5, 5, 3, 1));
  EXPECT_TRUE(HasMove(moves, 5, 5, 5, 3, 0));
}

TEST(OracleAttacks, MatchTheRayRules) {
  const Position position = HandicapPosition(HANDICAP_EVEN);
  Position computed = position;
  OracleComputeAttacks(computed);
  EXPECT_EQ(computed.AttackCount(0, 5, 8), 4);
  EXPECT_EQ(computed.AttackCount(1, 5, 8), 0);
  EXPECT_EQ(computed.AttackCount(0, 2, 6), 1);
  EXPECT_EQ(computed.SquareRecord(2, 6)->xrayCount[0], 1);
  // A rook behind an own lance reaches every square the lance does, in
  // second line; behind a gold one square; a lance behind a knight none.
  Position lines = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 1, 9}, {0, LANCE, 1, 8},
                                     {0, ROOK, 9, 9}, {0, GOLD, 9, 8}, {0, LANCE, 7, 9}, {0, KNIGHT, 7, 8}});
  for (int rank = 1; rank <= 7; ++rank) EXPECT_EQ(lines.SquareRecord(1, rank)->xrayCount[0], 1) << rank;
  EXPECT_EQ(lines.SquareRecord(9, 7)->xrayCount[0], 1);
  EXPECT_EQ(lines.SquareRecord(9, 6)->xrayCount[0], 0);
  EXPECT_EQ(lines.AttackCountWithXray(0, 7, 7), 0);
  // A rook checking a king also reaches the square just behind it, directly
  // but without the sliding bit, and no further.
  Position check = BuildPosition(1, {{0, KING, 5, 9}, {1, KING, 5, 3}, {0, ROOK, 5, 6}});
  EXPECT_EQ(check.AttackCount(0, 5, 2), 1);
  EXPECT_EQ(check.SquareRecord(5, 2)->slidingSet[0], 0u);
  EXPECT_EQ(check.AttackCount(0, 5, 1), 0);
}

TEST(OracleApplyMove, KeepsEveryTableConsistentAlongRandomGames) {
#ifdef KIFU_SANITIZED
  const int games = 24;
#else
  const int games = 160;
#endif
  PlayoutEvents events;
  for (int game = 0; game < games; ++game) {
    Position position = HandicapPosition(game % 8);
    Position recounted;
    PlayRandomGame(
        position, 7000 + game, 200,
        [&](Position& current, const MoveRecord& move) {
          Position next;
          OracleApplyMove(current, move, next);
          current = next;
          recounted = current;
          RecomputeAttacks(recounted);
          const ::testing::AssertionResult tables = TablesAgreeWithBoard(current);
          const ::testing::AssertionResult attacks = SameAttackRecords(current, recounted);
          EXPECT_TRUE(tables);
          EXPECT_TRUE(attacks);
          return tables && attacks;
        },
        events);
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(events.promotedCaptures, 0u);
  EXPECT_GT(events.drops, 0u);
}

}  // namespace
