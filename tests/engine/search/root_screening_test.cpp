// Root move screening: every candidate is made, valued and taken back, the
// position byte-identical after each (but for the bytes an unmake leaves
// stale by design); the value is the negated quick
// difference and stage evaluator of the position after the move.
#include "engine/search/root_screening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/game_stage.h"
#include "support/engine_oracle.h"
#include "support/playout.h"
#include "support/root_eval_fill.h"

namespace {

// The position with the bytes that an unmake need not restore cleared: the
// in-hand stack slots above the tops, rank and code of pieces in hand, the
// tokin-list slots past the count, and the tokin lists' order.
Position Normalised(const Position& position) {
  Position copy;
  std::memcpy(&copy, &position, sizeof copy);
  for (int type = ROOK; type <= PAWN; ++type) {
    for (int slot = copy.HandStackHeight(type); slot < g_handListSize[type]; ++slot) {
      copy.handStack[g_handListStart[type] + slot] = 0;
    }
  }
  for (PieceListEntry& entry : copy.pieces) {
    if (entry.file == IN_HAND_FILE) entry.rank = 0, entry.code = 0;
  }
  for (TokinList& list : copy.tokins) {
    std::sort(list.ids, list.ids + list.count);
    std::fill(list.ids + list.count, std::end(list.ids), 0u);
  }
  return copy;
}

#if defined(KIFU_SANITIZED)
constexpr int kGames = 2;
#else
constexpr int kGames = 8;
#endif

TEST(ScreenRootMoves, LeavesThePositionAsItWasAfterEveryCandidate) {
  static MoveRecord moves[1024];
  int screened = 0;
  for (int game = 0; game < kGames; ++game) {
    FillRandomRootTables(40 + static_cast<uint64_t>(game), game % 2 == 0);
    Position position{};
    SetupInitialPosition(position);
    PlayoutEvents events;
    PlayRandomGame(
        position, 60 + static_cast<uint64_t>(game), 120,
        [&](Position& p, const MoveRecord& played) {
          MakeMove(p, played, 0);
          g_gameStage = (game + screened) % 3;
          // The screener is handed legal candidates (an unmake of a move that
          // leaves the own king attacked need not restore the attack records).
          const std::vector<MoveRecord> legal = OracleMoves(p);
          const int count = static_cast<int>(legal.size());
          std::copy(legal.begin(), legal.end(), moves);
          Position before;
          std::memcpy(&before, &p, sizeof p);
          const Position expected = Normalised(before);
          const int depth = g_attackHistoryDepth;
          for (int i = 0; i < count; i += 3) {
            QuickEvalResult rootQuick{};
            RootScreenValue value{};
            ScreenRootMoves(p, &moves[i], 1, &rootQuick, &value);
            const Position restored = Normalised(p);
            EXPECT_EQ(std::memcmp(&expected, &restored, sizeof restored), 0) << "after candidate " << i;
            EXPECT_EQ(g_attackHistoryDepth, depth);
            // The same value from a copy that the move is made on.
            Position after;
            std::memcpy(&after, &before, sizeof before);
            MakeMove(after, moves[i], 0);
            QuickEvalResult quick{};
            QuickEvaluate(after, g_gameStage, &quick);
            MoveRecord nullMove{};
            nullMove.SetNull();
            const int positional = EvalRootForStage(after, g_gameStage, &nullMove, &quick);
            EXPECT_EQ(value.value, -quick.finalDifference - positional);
            EXPECT_EQ(value.positional, positional);
            UnmakeMove(after, moves[i], 0);
            QuickEvalResult expectedRoot{};
            QuickEvaluate(before, g_gameStage, &expectedRoot);
            EXPECT_EQ(rootQuick.finalDifference, expectedRoot.finalDifference);
            ++screened;
          }
          return !HasFailure();
        },
        events);
  }
  EXPECT_GT(screened, kGames * 500);
}

}  // namespace
