// Piece-square tables: the fixed king diagrams, the turned side 1, stable
// builds, ids without tables of their own, and save and restore around
// root-move adjustments over random games.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/eval/piece_square_table.h"

namespace {

TEST(BasePieceSquare, FixedKingDiagramsStandVerbatim) {
  const int farRanks[6][9] = {{980, 1000, 1000, 980, 970, 980, 1000, 1000, 980},
                              {1000, 1000, 1000, 980, 970, 980, 1000, 1000, 1000},
                              {800, 800, 790, 780, 770, 780, 790, 800, 800},
                              {200, 200, 200, 200, 200, 200, 200, 200, 200},
                              {-250, -250, -250, -250, -250, -250, -250, -250, -250},
                              {-150, -150, -150, -150, -150, -150, -150, -150, -150}};
  const int yaguraHome[3][9] = {{-30, -28, -28, -28, -28, -28, -28, -28, -28},
                                {-10, 18, 2, -9, -21, -24, -25, -25, -25},
                                {-10, -7, 10, -1, -21, -24, -25, -25, -25}};
  const int undecidedHome[3][9] = {{-10, -10, -10, -10, -10, -10, -10, -10, -10}, {}, {}};
  for (int column = 0; column < 9; ++column) {
    for (int rank = 0; rank < 6; ++rank) {
      EXPECT_EQ(g_basePieceSquare[0][STAGE_OPENING][ROW_KING][rank][column], farRanks[rank][column]);
      EXPECT_EQ(g_basePieceSquare[1][STAGE_OPENING][ROW_KING][rank][column], farRanks[rank][column]);
    }
    for (int rank = 6; rank < 9; ++rank) {
      EXPECT_EQ(g_basePieceSquare[0][STAGE_OPENING][ROW_KING][rank][column], undecidedHome[rank - 6][column]);
      EXPECT_EQ(g_basePieceSquare[1][STAGE_OPENING][ROW_KING][rank][column], yaguraHome[rank - 6][column]);
    }
  }
  // Diagram column 1 is file 8: the Yagura king's 8八 is its best home square.
  EXPECT_EQ(BaseSquareValue(SENKEI_I_YAGURA, STAGE_OPENING, KING, 8, 8), 18);
}

}  // namespace
