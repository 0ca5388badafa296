// MakeMove and UnmakeMove against the oracle: every move of the full depth-4
// tree of the even position and every pseudo-legal move of random games from
// every start, checking after every make and unmake the attack records, the
// restored position, the position keys and the attack history.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// Checks every legal move of the node by a recorded make and unmake, then
// walks below it; returns the leaves, or writes the failing line.
uint64_t Walk(Position& position, int depth, std::string& failure) {
  uint64_t leaves = 0;
  for (const MoveRecord& move : OracleMoves(position)) {
    ::testing::AssertionResult checked = CheckRecordedMakeAndUnmake(position, move);
    if (checked && depth > 1) {
      const Position before = position;
      MakeMove(position, move, 1);
      leaves += Walk(position, depth - 1, failure);
      UnmakeMove(position, move, 1);
      if (failure.empty()) checked = EquivalentPositions(position, before);
      if (checked && failure.empty()) checked = HistoryClearFromDepth();
    } else {
      leaves += 1;
    }
    if (!checked) failure = ": " + std::string(checked.message());
    if (!failure.empty()) {
      failure = DescribeMove(move) + " " + failure;
      return leaves;
    }
  }
  return leaves;
}

TEST(MakeUnmakeWalk, DepthFourFromTheEvenPositionKeepsEveryRecordExact) {
  Position position = StartPosition();
  const Position start = position;
  InitAttackHistory();
  std::string failure;
  EXPECT_EQ(Walk(position, 4, failure), 719731u);
  EXPECT_EQ(failure, "");
  EXPECT_EQ(g_attackHistoryDepth, 0);
  EXPECT_TRUE(EquivalentPositions(position, start));
}

// Every pseudo-legal move (those leaving the own king attacked included) of
// every node of random games from every start, probed recorded in a layer
// that cycles through all 44. The games' own moves are made unrecorded, and
// at the end taken back unrecorded, position by position.
TEST(MakeUnmakeWalk, EveryMoveOfRandomGamesFromEveryStartKeepsEveryRecordExact) {
  const int games = SampleCount(8 * 2);
  InitAttackHistory();
  PlayoutEvents events;
  uint64_t probes = 0, kingStepsIntoCheck = 0;
  for (int game = 0; game < games; ++game) {
    Position position = StartPosition(game % 8);
    std::vector<Position> history;
    std::string failure;
    const PlayoutPlayer play = [&](Position& current, const MoveRecord& played) {
      const int side = current.sideToMove;
      const bool inCheck = OracleInCheck(current, side);
      for (const MoveRecord& move : OracleMoves(current, MoveSet::kPseudoLegal)) {
        // Two depths past the last layer: makes there record nothing, and
        // the checks must not look for a layer that isn't there.
        g_attackHistoryDepth = static_cast<int>(probes++ % (ATTACK_HISTORY_LAYERS + 2));
        if (::testing::AssertionResult checked = CheckRecordedMakeAndUnmake(current, move); !checked) {
          failure = "ply " + std::to_string(history.size() + 1) + ": " + checked.message();
          return false;
        }
        if (!inCheck || TypeOf(move.pieceCode) != KING) continue;
        Position after;
        OracleApplyMove(current, move, after);
        kingStepsIntoCheck += OracleInCheck(after, side);
      }
      g_attackHistoryDepth = static_cast<int>(history.size());
      history.push_back(current);
      MakeMove(current, played, 0);
      return true;
    };
    const std::vector<MoveRecord> moves = PlayRandomGame(position, 90000 + game, 200, play, events);
    for (size_t ply = moves.size(); ply-- > 0 && failure.empty();) {
      UnmakeMove(position, moves[ply], 0);
      if (!EquivalentPositions(position, history[ply])) failure = "unmaking ply " + std::to_string(ply + 1);
    }
    std::string line;
    for (size_t ply = 0; ply < moves.size() && !failure.empty(); ++ply) line += DescribeMove(moves[ply]) + " ";
    ASSERT_EQ(failure, "") << "game " << game << ": " << line;
    ASSERT_EQ(g_attackHistoryDepth, 0);  // unrecorded makes and unmakes move the depth too
  }
  // The games reach the rarer cases of make and unmake, each more than once a game.
  const std::pair<const char*, uint64_t> counts[] = {
      {"king steps into check", kingStepsIntoCheck}, {"captures of promoted pieces", events.promotedCaptures},
      {"promotions", events.promotions},             {"drops", events.drops},
      {"king moves out of check", events.kingEscapes}, {"discovered attacks", events.discoveredAttacks}};
  for (const auto& [what, count] : counts) EXPECT_GT(count, static_cast<uint64_t>(games)) << what;
}

}  // namespace
