// The stage tables' king shelter: the shelter value worked square by square
// over random games, the factor's steps and the cap on the king's advance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine/eval/eval_params.h"
#include "engine/eval/piece_square_table.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

// Weights by rank step from 2 behind to 4 ahead and |file offset| 0..2.
constexpr double kWeight[7][3] = {{0.5, 0.5, 0.5},  {0.8, 0.8, 0.7},   {1.0, 0.9, 0.8},  {1.0, 1.0, 0.85},
                                  {0.8, 0.8, 0.7}, {0.75, 0.72, 0.65}, {0.68, 0.65, 0.6}};

double KindFactor(PieceCode code) {
  switch (code & 0x9f) {
    case GOLD: case SILVER: case HORSE: case PRO_SILVER: case PRO_KNIGHT: case PRO_LANCE: case TOKIN: return 3;
    case DRAGON: return 2;
    case KING: return 0;
    default: return 1;
  }
}

double ModelShelter(const Position& position, int side) {
  const PieceListEntry& king = position.pieces[side];
  const int ahead = side == 0 ? -1 : 1;
  double value = 0;
  for (int step = -2; step <= 4; ++step) {
    for (int offset = -2; offset <= 2; ++offset) {
      const double w = kWeight[step + 2][std::abs(offset)];
      const int file = king.file + offset, rank = king.rank + step * ahead;
      if (file < 1 || file > 9 || rank < 1 || rank > 9) {
        value += 0.5 * w;
        continue;
      }
      const PieceCode code = position.PieceCodeAt(file, rank);
      const bool enemyAttacks = position.AttackCount(1 - side, file, rank) > 0;
      if (code != 0 && OwnerOf(code) == side) value += w * KindFactor(code);
      if (code == 0 && position.AttackCount(side, file, rank) > 0 && !enemyAttacks) value += 0.5 * w;
      if (enemyAttacks) value -= w;
    }
  }
  const int rho = side == 0 ? king.rank : 10 - king.rank;
  if (rho <= 3) value += 5;
  if (rho >= 7) value -= 5;
  return value;
}

TEST(StageTables, KingShelterOverRandomGames) {
  for (uint64_t game = 0; game < 8; ++game) {
    for (const Position& position : RandomOpeningPositions(700 + game, 160)) {
      for (int side = 0; side < 2; ++side) {
        if (position.pieces[side].file < 1) continue;
        ASSERT_NEAR(KingShelterValue(position, side), ModelShelter(position, side), 1e-9) << "game " << game;
      }
    }
  }
}

TEST(StageTables, ShelterFactorSteps) {
  const struct {
    double value, factor;
  } steps[] = {{-3, 0}, {14, 0}, {14.01, 0.1}, {16, 0.1}, {16.01, 0.15}, {20, 0.15}, {20.01, 0.25}, {40, 0.25}};
  for (const auto& s : steps) EXPECT_EQ(ShelterFactor(s.value), s.factor) << s.value;
}

// Every square ahead of the king (toward the enemy) is limited to the
// king's own square's value plus step per rank of distance; the squares
// level with and behind the king keep theirs.
TEST(StageTables, CapKingAdvanceLimitsTheSquaresAhead) {
  PieceSquareTable table{};
  for (int side = 0; side < 2; ++side) {
    const int kingRank = side == 0 ? 7 : 3;
    const Position position = BuildPosition(side, {{side, KING, 4, kingRank}, {1 - side, KING, 5, side == 0 ? 1 : 9}});
    for (int row = 0; row < 2 * PIECE_ROW_COUNT; ++row)
      for (int square = 0; square < SQUARE_COUNT; ++square) table.value[row][square] = 1000 + 37 * (square % 7);
    const PieceSquareTable before = table;
    PieceSquareTable* const active = g_activePieceSquareTable;
    g_activePieceSquareTable = &table;
    CapKingAdvance(position, side, 70);
    g_activePieceSquareTable = active;
    const int kingValue = before.At(ROW_KING, side, 4, kingRank);
    for (int row = 0; row < 2 * PIECE_ROW_COUNT; ++row)
      for (int file = 1; file <= 9; ++file)
        for (int rank = 1; rank <= 9; ++rank) {
          const int old = before.value[row][SquareIndex(file, rank)];
          const bool ahead = side == 0 ? rank < kingRank : rank > kingRank;
          const int expected =
              row == ROW_KING + PIECE_ROW_COUNT * side && ahead ? std::min(old, kingValue + 70 * std::abs(rank - kingRank)) : old;
          EXPECT_EQ(table.value[row][SquareIndex(file, rank)], expected) << "side " << side << " row " << row << " " << file << rank;
        }
  }
}

}  // namespace
