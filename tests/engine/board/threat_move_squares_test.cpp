// Which squares a dropped minor piece threatens: an enemy piece on a changed
// square that the piece attacks from its destination, by its steps in the
// mover's forward direction; an own piece, an unchanged square or a square
// off its steps is no threat.
#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "engine/board/move_tests.h"
#include "engine/search/search_globals.h"
#include "support/generator_checks.h"
#include "support/position_builder.h"

namespace {

TEST(IsThreatMove, DropsThreatenTheChangedEnemyPiecesTheyAttack) {
  const struct {
    const char* what;
    int side, type;           // the drop onto 5-5
    int targetSide, file, rank;  // the one other piece
    bool changed, expected;
    int blockRank;  // 0, or a piece of the mover's on (5, blockRank), unchanged
  } cases[] = {
      {"knight, left square", 0, KNIGHT, 1, 4, 3, true, true, 0},
      {"knight, right square", 0, KNIGHT, 1, 6, 3, true, true, 0},
      {"knight, straight ahead", 0, KNIGHT, 1, 5, 3, true, false, 0},
      {"knight, unchanged", 0, KNIGHT, 1, 6, 3, false, false, 0},
      {"knight, own piece", 0, KNIGHT, 0, 6, 3, true, false, 0},
      {"knight of side 1, right square", 1, KNIGHT, 0, 6, 7, true, true, 0},
      {"knight of side 1, left square", 1, KNIGHT, 0, 4, 7, true, true, 0},
      {"knight of side 1, side 0's squares", 1, KNIGHT, 0, 6, 3, true, false, 0},
      {"pawn, ahead", 0, PAWN, 1, 5, 4, true, true, 0},
      {"pawn, behind", 0, PAWN, 1, 5, 6, true, false, 0},
      {"pawn of side 1, ahead", 1, PAWN, 0, 5, 6, true, true, 0},
      {"lance, far ahead", 0, LANCE, 1, 5, 2, true, true, 0},
      {"lance, behind a piece", 0, LANCE, 1, 5, 2, true, false, 3},
      {"silver, back diagonal", 0, SILVER, 1, 6, 6, true, true, 0},
      {"silver, straight back", 0, SILVER, 1, 5, 6, true, false, 0},
      {"gold, straight back", 0, GOLD, 1, 5, 6, true, true, 0},
      {"gold, back diagonal", 0, GOLD, 1, 6, 6, true, false, 0},
      {"gold of side 1, back diagonal", 1, GOLD, 0, 6, 4, true, false, 0},
      {"gold of side 1, front diagonal", 1, GOLD, 0, 6, 6, true, true, 0},
  };
  for (const auto& c : cases) {
    std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 1, 1}, {c.targetSide, GOLD, c.file, c.rank}};
    if (c.blockRank != 0) pieces.push_back({c.side, SILVER, 5, c.blockRank});
    const Position position = BuildPosition(c.side, pieces, {{c.side, c.type, 1}});
    ResetSearchGlobals();
    SetChangedSquares(c.changed ? std::vector<std::pair<int, int>>{{c.file, c.rank}} : std::vector<std::pair<int, int>>{});
    EXPECT_EQ(IsThreatMove(position, -1, OwnerBit(c.side) | static_cast<PieceCode>(c.type), 0, 5, 5), c.expected ? 1 : 0)
        << c.what;
  }
  ResetSearchGlobals();
  InitAttackHistory();
}

}  // namespace
