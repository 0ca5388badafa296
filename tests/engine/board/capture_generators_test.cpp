// The single-square generators over random positions: every move
// pseudo-legal, clean runs, the stopping and ordering rules, and the removal
// of illegal moves against the oracle. The capture generators' moves are
// pinned by the engine signature.
#include <algorithm>

#include <gtest/gtest.h>

#include "engine/board/capture_generators.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"
#include "engine/search/search_globals.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/make_unmake_checks.h"
#include "support/position_builder.h"

namespace {

::testing::AssertionResult AllAmong(const std::vector<MoveKey>& offered, const std::vector<MoveRecord>& moves) {
  for (const MoveRecord& move : moves)
    if (!std::binary_search(offered.begin(), offered.end(), KeyOf(move)))
      return ::testing::AssertionFailure() << "not a move: " << DescribeMove(move) << " code " << int{move.pieceCode}
                                           << " captured " << int{move.capturedId} << "/" << int{move.capturedCode};
  return ::testing::AssertionSuccess();
}

// The direct attackers of the side on the square, cheapest first.
std::vector<int> AttackerOrder(const Position& position, int side, int file, int rank) {
  std::vector<int> ids;
  uint64_t set = movegen::DirectAttackers(position, side, file, rank);
  while (set != 0) ids.push_back(movegen::PopHighest(set));
  return ids;
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
