// How the record's pieces move: the movement bits of each type, the step
// table in the generator's order, the ray directions, and the check table
// derived from them. The generator, the move test and the check test all
// read this one description.
#pragma once

#include "board_geometry.h"
#include "records/kifu_piece.h"

// Movement bits of a type; "forward" is toward the mover's far side.
enum MovementBit : int {
  STEP_FORWARD = 0x1,
  STEP_DIAGONAL_FORWARD = 0x2,
  STEP_SIDEWAYS = 0x4,
  STEP_BACK = 0x8,
  STEP_DIAGONAL_BACK = 0x10,
  KNIGHT_JUMP = 0x20,
  FORWARD_RAY = 0x40,
  ROOK_RAY = 0x80,
  BISHOP_RAY = 0x100,
};
inline constexpr int ANY_RAY = FORWARD_RAY | ROOK_RAY | BISHOP_RAY;
inline constexpr int SMALL_PROMOTED_MOVES = STEP_FORWARD | STEP_DIAGONAL_FORWARD | STEP_SIDEWAYS | STEP_BACK;
inline constexpr int KING_MOVES = SMALL_PROMOTED_MOVES | STEP_DIAGONAL_BACK;

// By type 0..15; gold and the promoted small pieces move alike, the
// promoted majors add the king's steps to their rays.
inline constexpr int kMovementBits[16] = {
    0,                                        // empty
    STEP_FORWARD,                             // pawn
    STEP_FORWARD | FORWARD_RAY,               // lance
    KNIGHT_JUMP,                              // knight
    STEP_FORWARD | STEP_DIAGONAL_FORWARD | STEP_DIAGONAL_BACK,  // silver
    SMALL_PROMOTED_MOVES,                     // gold
    STEP_DIAGONAL_FORWARD | STEP_DIAGONAL_BACK | BISHOP_RAY,    // bishop
    STEP_FORWARD | STEP_SIDEWAYS | STEP_BACK | ROOK_RAY,        // rook
    KING_MOVES,                               // king
    SMALL_PROMOTED_MOVES, SMALL_PROMOTED_MOVES, SMALL_PROMOTED_MOVES, SMALL_PROMOTED_MOVES,  // 9-12
    0,                                        // 13, no piece
    KING_MOVES | BISHOP_RAY,                  // horse
    KING_MOVES | ROOK_RAY,                    // dragon
};
static_assert(kMovementBits[KIFU_LANCE] == 0x41 && kMovementBits[KIFU_SILVER] == 0x13 &&
              kMovementBits[KIFU_GOLD] == 0xF && kMovementBits[KIFU_BISHOP] == 0x112 &&
              kMovementBits[KIFU_ROOK] == 0x8D && kMovementBits[KIFU_KING] == 0x1F &&
              kMovementBits[KIFU_HORSE] == 0x11F && kMovementBits[KIFU_DRAGON] == 0x9F);

struct KifuStep {
  int bit;
  int fileStep;
  int rankStep;  // for the first player; negated for the second
};
// The generator's step order (the notation reads the generated order).
inline constexpr KifuStep kSteps[10] = {
    {KNIGHT_JUMP, -1, -2},   {KNIGHT_JUMP, +1, -2},           {STEP_DIAGONAL_FORWARD, -1, -1},
    {STEP_FORWARD, 0, -1},   {STEP_DIAGONAL_FORWARD, +1, -1}, {STEP_SIDEWAYS, -1, 0},
    {STEP_SIDEWAYS, +1, 0},  {STEP_DIAGONAL_BACK, -1, +1},    {STEP_BACK, 0, +1},
    {STEP_DIAGONAL_BACK, +1, +1},
};

// Rank step of a step-table entry for the side.
constexpr int StepRank(const KifuStep& step, int side) { return -step.rankStep * SideSign(side); }

// Whether a type with these bits slides along the unit direction (fileStep,
// rankStep) given in board ranks: bishops diagonally, rooks straight,
// lances straight forward.
constexpr bool SlidesAlong(int bits, int fileStep, int rankStep, int side) {
  const bool diagonal = fileStep != 0 && rankStep != 0;
  return ((bits & BISHOP_RAY) && diagonal) || ((bits & ROOK_RAY) && !diagonal) ||
         ((bits & FORWARD_RAY) && fileStep == 0 && rankStep == SideSign(side));
}

// Whether a type with these bits steps by (df, dr) in board files and ranks.
constexpr bool StepsBy(int bits, int df, int dr, int side) {
  for (const KifuStep& step : kSteps) {
    if ((bits & step.bit) && df == step.fileStep && dr == StepRank(step, side)) return true;
  }
  return false;
}

// Whether a type's movement takes it by (df, dr) in board files and ranks
// on an empty board: a step, or a slide along a line (the squares between
// are the caller's to check).
constexpr bool MovementReaches(int type, int side, int df, int dr) {
  if (df == 0 && dr == 0) return false;
  const int bits = kMovementBits[type & 15];
  if (StepsBy(bits, df, dr, side)) return true;
  const bool onLine = df == 0 || dr == 0 || df == dr || df == -dr;
  return onLine && SlidesAlong(bits, (df > 0) - (df < 0), (dr > 0) - (dr < 0), side);
}

// A pawn, lance or knight that could never move again from this rank.
constexpr bool IsKifuDeadEnd(int type, int side, int rank) {
  return IsDeadEndRank(side, rank, KifuDeadEndRanks(type));
}

// A piece that may promote on this move: unpromoted, not gold or king, and
// starting or ending in the far zone.
constexpr bool CanPromote(int type, int side, int fromRank, int toRank) {
  return IsKifuPromotableType(type) && (IsPromotionZone(side, fromRank) || IsPromotionZone(side, toRank));
}
