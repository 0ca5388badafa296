// Checking moves against the oracle, mate in one on the classic cases and
// on random positions, and the filter of checks the king answers at once.
#include <cstring>

#include <gtest/gtest.h>

#include "engine/board/check_generator.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/search/move_code.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

// The oracle's legal moves that check, less the plain twin of a pawn, rook
// or bishop that may promote (its promotion checks wherever it does).
std::vector<MoveRecord> OracleChecks(const Position& position) {
  std::vector<MoveRecord> checks;
  static Position after;
  const int side = position.sideToMove;
  for (const MoveRecord& move : OracleMoves(position)) {
    const int base = BaseTypeOf(move.pieceCode);
    if (!move.IsDrop() && !move.promote && (base == PAWN || base == ROOK || base == BISHOP) &&
        movegen::MayPromote(move.pieceCode, side, move.fromRank, move.toRank)) {
      continue;
    }
    OracleApplyMove(position, move, after);
    if (OracleInCheck(after, side ^ 1)) checks.push_back(move);
  }
  return checks;
}

int Checks(const Position& position, MoveRecord* out) {
  int count = 0;
  GenerateChecks(position, count, out, 1);
  return count;
}

TEST(GenerateChecks, EqualsTheOraclesLegalChecks) {
  const auto compare = [](Position& position) {
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return Checks(position, out); }, moves));
    ASSERT_EQ(SortedKeys(moves), SortedKeys(OracleChecks(position)));
  };
  ForEachSamplePosition(SampleCount(2000), 1500, compare);
  // In check, a check must also answer the own king's check.
  ForEachPositionInCheck(SampleCount(1000), 1600, compare);
  ForEachOddPosition(SampleCount(1600), 1650, compare);
}

// Side 1's king on 5-1 boxed in by its own lances and pawns, 5-2 the only
// flight; side 0's pawn on 5-3 supports a drop there.
Position HeadOfKingPosition(int heldType, bool supported) {
  std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {1, LANCE, 4, 1},
                                     {1, LANCE, 6, 1}, {1, PAWN, 4, 2}, {1, PAWN, 6, 2}};
  if (supported) pieces.push_back({0, heldType == PAWN ? LANCE : PAWN, 5, heldType == PAWN ? 5 : 3});
  return BuildPosition(0, pieces, {{0, heldType, 1}});
}

TEST(FindMateInOne, FindsTheGoldDropOnTheKingsHead) {
  Position position = HeadOfKingPosition(GOLD, true);
  EXPECT_EQ(MateInOnePretest(position), 1);
  MoveCode mate = NULL_MOVE_CODE;
  ASSERT_EQ(FindMateInOne(position, mate), 1);
  EXPECT_EQ(mate, (0x23 << 16) | (2 << 12) | (5 << 8));
  // Without the supporting pawn the king takes the gold: the filter drops it.
  Position unsupported = HeadOfKingPosition(GOLD, false);
  MoveRecord drop{};
  movegen::WriteDrop(unsupported, drop, 0, GOLD, 5, 2);
  EXPECT_EQ(KingCanAnswerCheck(unsupported, drop), 1);
  drop.previous = drop.next = nullptr;
  int count = 1;
  EXPECT_EQ(FilterMateCandidateChecks(unsupported, &drop, count), nullptr);
  EXPECT_EQ(count, 0);
}

TEST(FindMateInOne, NeverReportsTheForbiddenPawnDropMate) {
  Position position = HeadOfKingPosition(PAWN, true);
  static Position after;
  OracleApplyMove(position, MoveOn(position, 0, PAWN, 5, 2), after);
  ASSERT_TRUE(OracleIsMated(after));
  MoveRecord checks[MAX_CHECK_MOVES];
  const int count = Checks(position, checks);
  for (int n = 0; n < count; ++n) EXPECT_FALSE(checks[n].IsDrop()) << "the mating pawn drop is a check";
  MoveCode mate = NULL_MOVE_CODE;
  EXPECT_EQ(FindMateInOne(position, mate), 0);
  EXPECT_EQ(mate, NULL_MOVE_CODE);
}

// The pre-test looks only next to the king: a distant rook drop that mates
// is left to the search.
TEST(FindMateInOne, DistantRookDropIsLeftToTheSearch) {
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 1, 1}, {1, PAWN, 1, 2}, {1, PAWN, 2, 2}},
                                    {{0, ROOK, 1}});
  static Position after;
  OracleApplyMove(position, MoveOn(position, 0, ROOK, 5, 1), after);
  ASSERT_TRUE(OracleIsMated(after));
  MoveCode mate = NULL_MOVE_CODE;
  EXPECT_EQ(MateInOnePretest(position) + FindMateInOne(position, mate), 0);
}

// Next to the king, on a square the attacker holds at least as strongly as
// the defender: a defender's piece to take, or an empty square where a
// piece in hand would give check.
TEST(KingEscapeQuickTest, NeedsATargetOrACheckingDropBesideTheKing) {
  const std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, SILVER, 4, 3}};
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces)), 0);
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces, {{0, GOLD, 1}})), 1);
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces, {{0, KNIGHT, 1}})), 0);
  std::vector<PlacedPiece> withPawn = pieces;
  withPawn.push_back({1, PAWN, 5, 2});
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, withPawn)), 1);
}

// Whatever FindMateInOne reports is a legal move that mates, by the oracle.
TEST(FindMateInOne, EveryReportedMateIsALegalMate) {
  int found = 0;
  static Position before;
  static Position after;
  const auto check = [&](Position& position) {
    std::memcpy(&before, &position, sizeof before);
    MoveCode mate = NULL_MOVE_CODE;
    const int result = FindMateInOne(position, mate);
    ASSERT_TRUE(EquivalentPositions(position, before));
    if (result == 0) return;
    ++found;
    bool matched = false;
    for (const MoveRecord& move : OracleMoves(position)) {
      if (ToMoveCode(move) != mate) continue;
      matched = true;
      OracleApplyMove(position, move, after);
      ASSERT_TRUE(OracleIsMated(after)) << std::hex << mate;
    }
    ASSERT_TRUE(matched) << "not a legal move: " << std::hex << mate;
  };
  ForEachSamplePosition(SampleCount(6000), 1700, check);
  ForEachOddPosition(SampleCount(2400), 1750, check);
  EXPECT_GT(found, 0);
}

}  // namespace
