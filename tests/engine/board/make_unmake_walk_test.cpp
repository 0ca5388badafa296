// MakeMove and UnmakeMove against the oracle: every pseudo-legal move of
// random games from every start, checking after every make and unmake the
// attack records, the restored position, the position keys and the history.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// Each probe is recorded in a layer that cycles through all 44 and two past
// them, where makes record nothing. The games' own moves are made
// unrecorded and at the end taken back unrecorded, position by position.
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
      for (const MoveRecord& move : OracleMoves(current, MoveSet::kPseudoLegal)) {
        g_attackHistoryDepth = static_cast<int>(probes++ % (ATTACK_HISTORY_LAYERS + 2));
        if (::testing::AssertionResult checked = CheckRecordedMakeAndUnmake(current, move); !checked) {
          failure = "ply " + std::to_string(history.size() + 1) + ": " + checked.message();
          return false;
        }
        if (TypeOf(move.pieceCode) != KING || !OracleInCheck(current, side)) continue;
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
    ASSERT_EQ(failure, "") << "game " << game;
    ASSERT_EQ(g_attackHistoryDepth, 0);  // unrecorded makes and unmakes move the depth too
  }
  // The games reach the rarer cases of make and unmake, each more than once a game.
  const std::pair<const char*, uint64_t> counts[] = {
      {"king steps into check", kingStepsIntoCheck}, {"captures of promoted pieces", events.promotedCaptures},
      {"promotions", events.promotions},             {"drops", events.drops},
      {"king moves out of check", events.kingEscapes}};
  for (const auto& [what, count] : counts) EXPECT_GT(count, static_cast<uint64_t>(games)) << what;
}

}  // namespace
