// Check evasions against the oracle's king-safe moves over random positions
// in check and odd positions, the double-check rule, and the forcing filter.
#include <algorithm>

#include <gtest/gtest.h>

#include "engine/board/evasion_generators.h"
#include "engine/board/king_safety.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// What the generator leaves out on purpose: drops onto squares the side
// does not attack, and the plain twin of a rook, bishop or pawn that may
// promote or of a lance reaching its second rank.
bool IsOmitted(const Position& position, const MoveRecord& move) {
  const int side = position.sideToMove;
  if (move.IsDrop()) return position.AttackCount(side, move.toFile, move.toRank) == 0;
  if (move.promote || !movegen::MayPromote(move.pieceCode, side, move.fromRank, move.toRank)) return false;
  const int base = BaseTypeOf(move.pieceCode);
  return base == ROOK || base == BISHOP || base == PAWN || (base == LANCE && RelativeRank(side, move.toRank) == 2);
}

int Evasions(const Position& position, int filter, MoveRecord* out) {
  return GenerateCheckEvasions(position, g_lineMoves + g_ply, filter, out);
}

TEST(GenerateCheckEvasions, EqualsTheOraclesKingSafeMovesLessTheOmissionsAndFiltersInOrder) {
  ResetSearchGlobals();
  PlayoutRandom random{77};
  int doubleChecks = 0;
  const auto compare = [&](Position& position) {
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return Evasions(position, 0, out); }, moves));
    std::vector<MoveRecord> expected;
    for (const MoveRecord& move : OracleMoves(position, MoveSet::kKingSafe))
      if (!IsOmitted(position, move)) expected.push_back(move);
    ASSERT_EQ(SortedKeys(moves), SortedKeys(expected));
    // King moves come last; in double check they are all there is.
    const PieceListEntry& king = position.pieces[position.sideToMove];
    const bool doubleCheck = position.AttackCount(position.sideToMove ^ 1, king.file, king.rank) >= 2;
    doubleChecks += doubleCheck;
    const auto firstKingMove = std::find_if(moves.begin(), moves.end(),
                                            [](const MoveRecord& move) { return TypeOf(move.pieceCode) == KING; });
    for (auto move = firstKingMove; move != moves.end(); ++move) ASSERT_EQ(TypeOf(move->pieceCode), KING);
    ASSERT_TRUE(!doubleCheck || firstKingMove == moves.begin()) << "a move besides the king's in double check";
    // HasEvasion agrees with the oracle on mate, here where the exact answer matters.
    ASSERT_EQ(HasEvasion(position) == 0, OracleIsMated(position));
    // With a follow-up key the list is the unfiltered one less the moves the
    // forcing test refuses, in the same order.
    MoveRecord kept[256];
    g_forcingMoveFilter = static_cast<uint32_t>(random.Next());
    const int keptCount = Evasions(position, 1, kept);
    g_forcingMoveFilter = 0;
    size_t n = 0;
    for (int k = 0; k < keptCount; ++k, ++n) {
      while (n < moves.size() && KeyOf(moves[n]) != KeyOf(kept[k])) ++n;
      ASSERT_LT(n, moves.size()) << "filtered move not in the full list, or out of order";
    }
  };
  ForEachPositionInCheck(SampleCount(10000), 1100, compare);
#ifndef KIFU_SANITIZED
  EXPECT_GT(doubleChecks, 0);  // the short sanitized run may meet none
#endif
}

}  // namespace
