// The capture and single-square generators over random positions and all three stages: every
// move pseudo-legal, clean runs, the stopping and ordering rules, and the
// removal of illegal moves against the oracle.
#include <algorithm>

#include <gtest/gtest.h>

#include "engine/board/capture_generators.h"
#include "engine/board/king_safety.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/eval/game_stage.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

::testing::AssertionResult AllAmong(const std::vector<MoveKey>& offered, const std::vector<MoveRecord>& moves) {
  for (const MoveRecord& move : moves)
    if (!std::binary_search(offered.begin(), offered.end(), KeyOf(move)))
      return ::testing::AssertionFailure() << "not a move: " << DescribeMove(move) << " code " << int{move.pieceCode}
                                           << " captured " << int{move.capturedId} << "/" << int{move.capturedCode};
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult AllPseudoLegal(const Position& position, const std::vector<MoveRecord>& moves) {
  return AllAmong(SortedKeys(OracleMoves(position, MoveSet::kPseudoLegal)), moves);
}

// The direct attackers of the side on the square, cheapest first.
std::vector<int> AttackerOrder(const Position& position, int side, int file, int rank) {
  std::vector<int> ids;
  uint64_t set = movegen::DirectAttackers(position, side, file, rank);
  while (set != 0) ids.push_back(movegen::PopHighest(set));
  return ids;
}

TEST(CaptureGenerators, WriteOnlyPseudoLegalMovesAndKeepTheirRules) {
  ResetSearchGlobals();
  PlayoutRandom random{4242};
  MoveRecord moves[MAX_GENERATED_MOVES];
  int sample = 0;
  ForEachSamplePosition(SampleCount(1200), 3100, [&](Position& position) {
    SetUpUndecidedThink(position, sample++ % 3);
    const int side = position.sideToMove;
    const int level = random.Below(6);
    std::vector<MoveRecord> out;
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* o) { return GenerateCaptures(position, nullptr, level, o); },
                            out));
    ASSERT_TRUE(AllPseudoLegal(position, out));
    // No king is taken; quiet moves are promotions only: a pawn's push or a rook going in.
    for (const MoveRecord& move : out)
      ASSERT_TRUE(TypeOf(move.capturedCode) != KING &&
                  (move.IsCapture() || (move.promote && (TypeOf(move.pieceCode) == PAWN || TypeOf(move.pieceCode) == ROOK))));
    // After a recorded move: captures on changed squares land on the list,
    // and the recapture takes the piece that moved.
    int count = 0;
    GenerateAllMoves(position, count, moves);
    if (count == 0) return;
    const MoveRecord last = moves[random.Below(count)];
    MakeMove(position, last, 1);
    // Only legal play reaches a node: with the mover's king left in check,
    // the square behind it counts as attacked by the checking slider.
    if (IsKingAttacked(position, side)) {
      UnmakeMove(position, last, 1);
      return;
    }
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* o) {
      return GenerateCapturesOnChangedSquares(position, level, o);
    }, out));
    ASSERT_TRUE(AllPseudoLegal(position, out));
    for (const MoveRecord& move : out) {
      bool listed = false;
      for (const AttackChangeRecord* r = g_attackHistoryLists[g_attackHistoryDepth]; r; r = r->next)
        listed = listed || (r->file == move.toFile && r->rank == move.toRank);
      ASSERT_TRUE(listed);
    }
    ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* o) { return GenerateRecaptures(position, last, o); }, out));
    const bool attacked = position.AttackCount(position.sideToMove, last.toFile, last.toRank) > 0;
    ASSERT_EQ(out.size(), attacked ? 1u : 0u);
    if (attacked) {
      ASSERT_EQ(out[0].capturedId, last.pieceId);
      ASSERT_TRUE(AllPseudoLegal(position, out));
    }
    UnmakeMove(position, last, 1);
  });
}

// Every cell, the wall ring included (where each writes nothing): the moves
// from a square are the full generator's moves of that piece, king moves
// whatever attacks their target; the captures onto a square are a prefix of
// its attackers, cheapest first, and the same set as the moves onto it; one
// piece's moves are pseudo-legal and take no king.
TEST(SingleSquareGenerators, AgreeWithTheFullGeneratorAndTheOracle) {
  MoveRecord all[MAX_GENERATED_MOVES];
  ForEachSamplePosition(SampleCount(600), 700, [&](Position& position) {
    const int side = position.sideToMove;
    const std::vector<MoveKey> offered = SortedKeys(OracleMoves(position, MoveSet::kPseudoLegal));
    int count = 0;
    GenerateAllMoves(position, count, all);
    for (int file = 0; file <= 10; ++file)
      for (int rank = 0; rank <= 10; ++rank) {
        std::vector<MoveRecord> expected, written, got, onto;
        for (int n = 0; n < count; ++n)
          if (!all[n].IsDrop() && all[n].fromFile == file && all[n].fromRank == rank) expected.push_back(all[n]);
        ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
          return GenerateMovesFromSquare(position, file, rank, out);
        }, written));
        for (const MoveRecord& move : written)
          if (TypeOf(move.pieceCode) != KING || position.AttackCount(side ^ 1, move.toFile, move.toRank) == 0)
            got.push_back(move);
        ASSERT_EQ(SortedKeys(got), SortedKeys(expected)) << file << "-" << rank;
        int best = -1;
        ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
          return GenerateCapturesOnSquare(position, file, rank, out, &best);
        }, written));
        ASSERT_GE(best, 0);
        ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) {
          return GenerateMovesToSquare(position, g_lineMoves, file, rank, 0, out);
        }, onto));
        ASSERT_EQ(SortedKeys(onto), SortedKeys(written));
        ASSERT_TRUE(AllAmong(offered, written));
        if (IsOnBoard(file, rank)) {
          const std::vector<int> order = AttackerOrder(position, side, file, rank);
          for (size_t k = 0; k < written.size(); ++k) ASSERT_EQ(written[k].pieceId, order[k]);
        } else {
          ASSERT_TRUE(written.empty());
        }
        ASSERT_TRUE(RunsCleanly(position, [&](MoveRecord* out) { return GeneratePieceMoves(position, file, rank, out); },
                                written));
        ASSERT_TRUE(AllAmong(offered, written));
        for (const MoveRecord& move : written) ASSERT_NE(TypeOf(move.capturedCode), KING);
      }
  });
}

// A gold whose forward square holds an own piece stops at once, though a
// later step could take an enemy rook.
TEST(GeneratePieceMoves, EndsAtTheFirstBlockedStep) {
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, GOLD, 5, 5}, {0, PAWN, 5, 4},
                                        {1, ROOK, 6, 4}});
  MoveRecord out[8];
  EXPECT_EQ(GeneratePieceMoves(position, 5, 5, out), 0);
  Position open = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, GOLD, 5, 5}, {1, ROOK, 6, 4}});
  ASSERT_EQ(GeneratePieceMoves(open, 5, 5, out), 1);
  EXPECT_EQ(out[0].capturedId, open.PieceIdAt(6, 4));
}

// RemoveIllegalMoves with level -1 leaves the oracle's king-safe moves.
TEST(RemoveIllegalMoves, LeavesTheKingSafeMoves) {
  MoveRecord moves[MAX_GENERATED_MOVES];
  int sample = 0;
  ForEachSamplePosition(SampleCount(800), 3300, [&](Position& position) {
    SetUpUndecidedThink(position, sample++ % 3);
    int count = 0;
    MoveRecord* head = GenerateAllMoves(position, count, moves);
    head = RemoveIllegalMoves(position, head, count, -1);
    std::vector<MoveRecord> kept;
    for (MoveRecord* node = head; node != nullptr; node = node->next) kept.push_back(*node);
    ASSERT_EQ(static_cast<int>(kept.size()), count);
    std::vector<MoveRecord> expected;
    int all = 0;
    GenerateAllMoves(position, all, moves);
    const std::vector<MoveKey> safe = SortedKeys(OracleMoves(position, MoveSet::kKingSafe));
    for (int n = 0; n < all; ++n)
      if (std::binary_search(safe.begin(), safe.end(), KeyOf(moves[n]))) expected.push_back(moves[n]);
    ASSERT_EQ(SortedKeys(kept), SortedKeys(expected));
    // With a level, the useless lance moves go too and nothing else.
    head = GenerateAllMoves(position, all, moves);
    int withLevel = all;
    head = RemoveIllegalMoves(position, head, withLevel, 3);
    int useless = 0;
    for (const MoveRecord& move : expected) useless += IsUselessLanceMove(position, move, 3);
    ASSERT_EQ(withLevel, count - useless);
  });
}

}  // namespace
