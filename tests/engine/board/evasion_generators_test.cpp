// Check evasions against the oracle's king-safe moves over random positions
// in check, the pin and double-check rules, and the forcing filter.
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

TEST(GenerateCheckEvasions, EqualsTheOraclesKingSafeMovesLessTheOmissions) {
  ResetSearchGlobals();
  int doubleChecks = 0;
  const auto compare = [&](Position& position) {
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return Evasions(position, 0, out); }, moves));
    std::vector<MoveRecord> expected;
    for (const MoveRecord& move : OracleKingSafeMoves(position))
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
  };
  ForEachPositionInCheck(SampleCount(10000), 1100, compare);
  ForEachOddPosition(SampleCount(1600), 1150, compare, true);
#ifndef KIFU_SANITIZED
  EXPECT_GT(doubleChecks, 0);  // the short sanitized run may meet none
#endif
}

// Three checkers at once (a position only editing reaches) still leave
// only the king to move.
TEST(GenerateCheckEvasions, ThreeCheckersLeaveOnlyKingMoves) {
  const Position position = BuildPosition(0, {{0, KING, 5, 5}, {0, GOLD, 4, 6}, {1, KING, 1, 1}, {1, ROOK, 5, 1},
                                              {1, BISHOP, 9, 1}, {1, KNIGHT, 4, 3}},
                                          {{0, PAWN, 2}});
  ASSERT_EQ(position.AttackCount(1, 5, 5), 3);
  MoveRecord out[64];
  const int count = Evasions(position, 0, out);
  ASSERT_GT(count, 0);
  for (int n = 0; n < count; ++n) EXPECT_EQ(TypeOf(out[n].pieceCode), KING);
}

// With a follow-up key set, the filtered list is the unfiltered one less
// the moves the forcing test refuses, in the same order.
TEST(GenerateCheckEvasions, FilterKeepsTheForcingMovesInOrder) {
  ResetSearchGlobals();
  PlayoutRandom random{77};
  ForEachPositionInCheck(SampleCount(2000), 1300, [&](Position& position) {
    MoveRecord all[256];
    MoveRecord kept[256];
    const int count = Evasions(position, 0, all);
    g_forcingMoveFilter = static_cast<uint32_t>(random.Next());
    const int keptCount = Evasions(position, 1, kept);
    int n = 0;
    for (int k = 0; k < keptCount; ++k) {
      while (n < count && KeyOf(all[n]) != KeyOf(kept[k])) ++n;
      ASSERT_LT(n, count) << "filtered move not in the full list, or out of order";
      ++n;
    }
    g_forcingMoveFilter = 0;
  });
}

}  // namespace
