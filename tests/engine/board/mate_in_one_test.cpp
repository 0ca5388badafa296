// Checking moves against the oracle, mate in one on the classic cases and
// on random positions, and the filter of checks the king answers at once.
#include <algorithm>
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

// Over random, in-check and odd positions: the checks are the oracle's,
// and whatever FindMateInOne reports is a legal move that mates.
TEST(GenerateChecksAndFindMateInOne, AgreeWithTheOracle) {
  int found = 0;
  static Position after;
  const auto compare = [&](Position& position) {
    std::vector<MoveRecord> moves;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
      int count = 0;
      GenerateChecks(position, count, out, 1);
      return count;
    }, moves));
    ASSERT_EQ(SortedKeys(moves), SortedKeys(OracleChecks(position)));
    static Position before;
    std::memcpy(&before, &position, sizeof before);
    MoveCode mate = NULL_MOVE_CODE;
    const int result = FindMateInOne(position, mate);
    ASSERT_TRUE(EquivalentPositions(position, before));
    if (result == 0) return;
    ++found;
    const std::vector<MoveRecord> legal = OracleMoves(position);
    const auto move = std::find_if(legal.begin(), legal.end(), [&](const MoveRecord& m) { return ToMoveCode(m) == mate; });
    ASSERT_NE(move, legal.end()) << "not a legal move: " << std::hex << mate;
    OracleApplyMove(position, *move, after);
    ASSERT_TRUE(OracleIsMated(after)) << std::hex << mate;
  };
  ForEachSamplePosition(SampleCount(5000), 1700, compare);
  // In check, a check must also answer the own king's check.
  ForEachPositionInCheck(SampleCount(1000), 1600, compare);
  EXPECT_GT(found, 0);
}

// Side 1's king on 5一 boxed in by its own lances and pawns, 5二 the only
// flight; a side-0 pawn on 5三 (a lance on 5五 behind a pawn drop) supports
// the drop there.
Position HeadOfKingPosition(int heldType, bool supported) {
  std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {1, LANCE, 4, 1},
                                     {1, LANCE, 6, 1}, {1, PAWN, 4, 2}, {1, PAWN, 6, 2}};
  if (supported) pieces.push_back({0, heldType == PAWN ? LANCE : PAWN, 5, heldType == PAWN ? 5 : 3});
  return BuildPosition(0, pieces, {{0, heldType, 1}});
}

// Drops that mate by the oracle: the supported gold on the king's head is
// found; the pawn drop mate is forbidden; a distant rook drop is left to
// the search, the pre-test looking only next to the king.
TEST(FindMateInOne, DropMatesOfTheRules) {
  struct {
    const char* what;
    Position position;
    int type, file, rank;
    bool found;
  } cases[] = {
      {"gold on the head", HeadOfKingPosition(GOLD, true), GOLD, 5, 2, true},
      {"pawn drop mate", HeadOfKingPosition(PAWN, true), PAWN, 5, 2, false},
      {"distant rook", BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 1, 1}, {1, PAWN, 1, 2}, {1, PAWN, 2, 2}},
                                     {{0, ROOK, 1}}), ROOK, 5, 1, false},
  };
  static Position after;
  for (auto& c : cases) {
    const MoveRecord drop = MoveOn(c.position, 0, c.type, c.file, c.rank);
    OracleApplyMove(c.position, drop, after);
    ASSERT_TRUE(OracleIsMated(after)) << c.what;
    MoveCode mate = NULL_MOVE_CODE;
    EXPECT_EQ(FindMateInOne(c.position, mate), c.found ? 1 : 0) << c.what;
    EXPECT_EQ(mate, c.found ? ToMoveCode(drop) : NULL_MOVE_CODE) << c.what;
    EXPECT_TRUE(c.type == PAWN || MateInOnePretest(c.position) == (c.found ? 1 : 0)) << c.what;
  }
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

// Next to the king, on a square the attacker holds at least as strongly as
// the defender: a defender's piece to take, or an empty square where a
// piece in hand would give check.
TEST(KingEscapeQuickTest, NeedsATargetOrACheckingDropBesideTheKing) {
  const std::vector<PlacedPiece> pieces = {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, SILVER, 4, 3}};
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces)), 0);
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces, {{0, GOLD, 1}})), 1);
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces, {{0, KNIGHT, 1}})), 0);
  // The silver holds 5-2 in front of the king, where a pawn, lance, gold,
  // silver or rook dropped would check.
  for (const int type : {PAWN, LANCE, SILVER, ROOK})
    EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, pieces, {{0, type, 1}})), 1) << "type " << type;
  std::vector<PlacedPiece> withPawn = pieces;
  withPawn.push_back({1, PAWN, 5, 2});
  EXPECT_EQ(KingEscapeQuickTest(BuildPosition(0, withPawn)), 1);
}

}  // namespace
