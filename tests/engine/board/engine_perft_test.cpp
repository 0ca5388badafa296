// The engine's legal-move count against the oracle's on diagrams the start
// positions never reach at the last ply: drops, a pawn drop in front of the
// enemy king with and without mate, and a gold in line with the own king
// behind a lance (a pin) or a promoted lance (none), and pins by every
// enemy rook, bishop and lance.
#include <gtest/gtest.h>

#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "support/engine_oracle.h"
#include "support/position_builder.h"

namespace {

uint64_t OraclePerft(const Position& position, int depth) {
  if (depth == 0) return 1;
  uint64_t total = 0;
  for (const MoveRecord& move : OracleMoves(position)) {
    Position after;
    OracleApplyMove(position, move, after);
    total += OraclePerft(after, depth - 1);
  }
  return total;
}

TEST(EnginePerft, MatchesTheOracleOnDropsAndPins) {
  const struct {
    const char* what;
    const char* diagram;
  } cases[] = {
      // Pawn to 1-2 mates: gold and silver guard every flight and the pawn.
      {"pawn drop that would mate", "8k/6S2/7G1/9/9/9/9/9/4K4 b P"},
      {"pawn drop check with a flight", "8k/9/7G1/9/9/9/9/9/4K4 b P"},
      {"drops of every kind", "8k/9/9/9/9/9/9/9/4K4 b RBGSNLP"},
      {"gold pinned by a lance", "k3l4/9/9/9/4G4/9/9/9/4K4 b -"},
      {"gold behind a promoted lance", "k3+l4/9/9/9/4G4/9/9/9/4K4 b -"},
      // Pins by every slider id: the pinner is read last on rank 1 (or 1-5),
      // so it takes the second, third or fourth id of its kind.
      {"gold pinned by the second lance", "k2ll4/9/9/9/4G4/9/9/9/4K4 b -"},
      {"gold pinned by the third lance", "k1lll4/9/9/9/4G4/9/9/9/4K4 b -"},
      {"gold pinned by the fourth lance", "kllll4/9/9/9/4G4/9/9/9/4K4 b -"},
      {"gold pinned by the first rook", "k3r4/9/9/9/4G4/9/9/9/4K4 b -"},
      {"gold pinned by the second rook", "k2rr4/9/9/9/4G4/9/9/9/4K4 b -"},
      {"gold pinned by the first bishop", "k8/9/9/9/8b/9/6G2/9/4K4 b -"},
      {"gold pinned by the second bishop", "k3b4/9/9/9/8b/9/6G2/9/4K4 b -"},
  };
  InitAttackHistory();
  for (const auto& c : cases) {
    Position position = PositionFromDiagram(c.diagram);
    for (int depth = 1; depth <= 2; ++depth) {
      EXPECT_EQ(EnginePerft(position, depth), OraclePerft(position, depth)) << c.what << " depth " << depth;
    }
  }
}

}  // namespace
