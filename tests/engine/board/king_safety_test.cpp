// The mate test on diagrams worked by hand: a double check that only the
// king could answer, a check only a pawn drop answers, and the same checks
// where the pawn may not be dropped (a second pawn on the file, a rank the
// pawn could never leave). Each diagram is read by the oracle as well.
#include <gtest/gtest.h>

#include "engine/board/king_safety.h"
#include "support/engine_oracle.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

struct MateCase {
  const char* what;
  const char* diagram;
  bool mated;
};

TEST(HasEvasion, DiagramsOfChecksAndTheirAnswers) {
  const MateCase cases[] = {
      // Rook down file 1 and bishop down the long diagonal: the gold, the
      // knight and the gold in hand could each block one line, never both.
      {"double check", "k7r/9/9/9/4b4/9/7G1/9/7NK b G", true},
      {"the bishop's check alone", "k8/9/9/9/4b4/9/7G1/8R/7NK b G", false},
      // Lances and pawns wall the king in; a pawn dropped on file 5 blocks.
      {"pawn drop the only block", "k3r4/9/9/9/9/9/9/3P1P3/3LKL3 b P", false},
      // The same block in front of the enemy king: the rook takes it, so the
      // drop does not mate and is allowed.
      {"pawn drop in front of the king", "1s7/4k4/K7r/9/g8/1+r7/1PPP1PPP1/9/9 b P", false},
      // Every square between the rook and the king lies on a file that
      // holds an own pawn.
      {"second pawn on every file", "8k/9/9/9/9/9/2PP5/PP7/K3r4 b P", true},
      {"one file without a pawn", "8k/9/9/9/9/9/3P5/PP7/K3r4 b P", false},
      // A check along rank 1: a pawn, and a lance too, could never move on.
      {"pawn on the last rank", "K3r4/9/g1s6/9/9/9/9/9/8k b P", true},
      {"lance on the last rank", "K3r4/9/g1s6/9/9/9/9/9/8k b L", true},
      {"gold on the last rank", "K3r4/9/g1s6/9/9/9/9/9/8k b G", false},
  };
  for (const MateCase& c : cases) {
    const Position position = PositionFromDiagram(c.diagram);
    ASSERT_TRUE(OracleInCheck(position, position.sideToMove)) << c.what;
    ASSERT_FALSE(OracleInCheck(position, position.sideToMove ^ 1)) << c.what;
    ASSERT_EQ(OracleIsMated(position), c.mated) << c.what << ": the diagram is not what its comment says";
    EXPECT_EQ(HasEvasion(position) == 0, c.mated) << c.what;
  }
}

// Where a pawn drop is the one block, every legal move is such a drop.
TEST(HasEvasion, OnlyPawnDropsAnswerThePawnDiagrams) {
  for (const char* diagram : {"k3r4/9/9/9/9/9/9/3P1P3/3LKL3 b P", "1s7/4k4/K7r/9/g8/1+r7/1PPP1PPP1/9/9 b P"}) {
    for (const MoveRecord& move : OracleMoves(PositionFromDiagram(diagram))) {
      EXPECT_TRUE(move.IsDrop() && TypeOf(move.pieceCode) == PAWN) << diagram;
    }
  }
}

}  // namespace
