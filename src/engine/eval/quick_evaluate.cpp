// The quick evaluator of root screening: material and piece-square values
// from the root tables, hands by running sums, hand-size and tokin-crowding
// penalties, and a correction for kings guarded too thinly or too thickly.
#include "engine/eval/quick_evaluate.h"

#include <cmath>
#include <cstdlib>

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/guard_weights.h"
#include "engine/eval/piece_square_table.h"

namespace {

// Tokins crowd each other out, by the side's tokin count. Eighteen tokins
// can stand on the board, so the table runs on by 100 a tokin to 18.
constexpr int kTokinCrowding[19] = {0,    0,    100,  250,  440,  540,  640,  740,  840, 940,
                                    1040, 1140, 1240, 1340, 1440, 1540, 1640, 1740, 1840};

// The guard value the shelter correction aims at, and its slope by how far
// the value misses it.
constexpr double GUARD_TARGET = 19.0;
constexpr double kMissSlope[11] = {18.0, 18.4, 18.8, 19.2, 19.6, 20.0, 21.6, 23.2, 24.8, 26.4, 28.0};
constexpr double FAR_MISS_SLOPE = 29.6;

int PieceSquareValue(int side, int type, int file, int rank) {
  const int row = g_pieceSquareRow[type];
  return row < 0 ? 0 : g_activePieceSquareTable->At(row, side, file, rank);
}

int SideSum(const Position& position, int side, bool kingRelative) {
  int sum = 0;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1 || OwnerOf(piece.code) != side) continue;
    const int type = TypeOf(piece.code);
    if (type != KING) sum += RootPieceValue(position, side, type, piece.file, piece.rank, kingRelative);
    sum += PieceSquareValue(side, type, piece.file, piece.rank);
  }
  for (int kind = ROOK; kind <= PAWN; ++kind) {
    const int held = position.hand[side][kind - 1];
    if (held > 0) sum += g_activeRootEvalTables->handValueSum[kind - 1][(held < 18 ? held : 18) - 1];
  }
  for (uint32_t i = 0; i < position.handTotal[side]; ++i) sum -= HandTotalPenalty(static_cast<int>(i));
  const uint32_t tokins = position.tokins[side].count;
  sum -= kTokinCrowding[tokins < 18 ? tokins : 18];
  return sum;
}

int ShelterCorrection(double guard) {
  const int miss = std::abs(static_cast<int>(guard) - 19);
  const double slope = miss < 11 ? kMissSlope[miss] : FAR_MISS_SLOPE;
  return static_cast<int>(std::fabs(guard - GUARD_TARGET) * slope);
}

}  // namespace

void GuardValues(const Position& position, int /*shelterFlag*/, QuickEvalResult* result) {
  result->guardValue[0] = 0;
  result->guardValue[1] = 0;
  // Golds, silvers, knights, lances and pawns: PieceIds 6-39.
  for (int id = 6; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1) continue;
    const int side = OwnerOf(piece.code);
    const PieceListEntry& king = position.pieces[side];
    if (king.file < 1) continue;
    const int behind = (piece.rank - king.rank) * -SideSign(side);
    if (behind < NEAREST_BEHIND || behind > FARTHEST_BEHIND) continue;
    result->guardValue[side] +=
        kNearness[behind - NEAREST_BEHIND][std::abs(piece.file - king.file)] * kGuardWeight[TypeOf(piece.code)];
  }
}

void QuickEvaluate(const Position& position, int shelterFlag, QuickEvalResult* result) {
  const int mover = position.sideToMove;
  for (int side = 0; side < 2; ++side) result->rawSum[side] = SideSum(position, side, shelterFlag != 0);
  GuardValues(position, shelterFlag, result);
  for (int side = 0; side < 2; ++side) {
    result->adjustedSum[side] = result->rawSum[side];
    if (shelterFlag > 0) result->adjustedSum[side] -= ShelterCorrection(result->guardValue[side]);
  }
  result->score = result->rawSum[mover] - result->rawSum[1 - mover];
  result->finalDifference = result->adjustedSum[mover] - result->adjustedSum[1 - mover];
}
