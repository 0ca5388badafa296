// Border-safe reads of the board for the pattern term and the root
// evaluators: any cell, the wall ring and beyond included, can be asked for
// its code, its owner and its attack counts. Internal to the evaluation.
#pragma once

#include <algorithm>
#include <cstdlib>

#include "engine/board/king_attack_shallow.h"
#include "engine/board/position.h"

namespace eval_cells {

// The code of a cell; the wall ring and anything past it read as the wall.
inline PieceCode CodeAt(const Position& position, int file, int rank) {
  return IsOnBoard(file, rank) ? position.PieceCodeAt(file, rank) : WALL_CODE;
}
inline bool EmptyAt(const Position& position, int file, int rank) {
  return IsOnBoard(file, rank) && position.IsEmpty(file, rank);
}
// "Holds a piece of the side" as these evaluators ask it: a wall cell holds
// a piece of both sides, so a test that a square holds no piece of a side
// fails at the border and the walks stop there.
inline bool HoldsPieceOf(const Position& position, int side, int file, int rank) {
  return (CodeAt(position, file, rank) & OwnerBit(side)) != 0;
}
// A real piece of the side with exactly this type (promotion included).
inline bool IsPieceAt(const Position& position, int side, int type, int file, int rank) {
  const PieceCode code = CodeAt(position, file, rank);
  return IsOwnedBy(code, side) && TypeOf(code) == type;
}
// Direct plus second-line attackers; 0 off the board.
inline int ControlAt(const Position& position, int side, int file, int rank) {
  return IsOnBoard(file, rank) ? position.AttackCountWithXray(side, file, rank) : 0;
}
// The side's pawn on the file stands behind the square (the piece is ahead
// of its pawn).
inline bool AheadOfOwnPawn(const Position& position, int side, int file, int rank) {
  const int pawn = position.PawnRankOnFile(side, file);
  return pawn != 0 && RelativeRank(side, rank) < RelativeRank(side, pawn);
}
inline bool OnBoard(const PieceListEntry& entry) { return IsOnBoard(entry.file, entry.rank); }
inline int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

// The first occupied cell (a piece or the wall) from (file, rank) along a
// step, the start excluded; the start must be a board square.
struct RayHit {
  int file;
  int rank;
  int steps;
  PieceCode code;
  bool IsWall() const { return !IsOnBoard(file, rank); }
};
inline RayHit FirstOnRay(const Position& position, int file, int rank, int fileStep, int rankStep) {
  // Wall cells carry their own coordinates in the piece list.
  const PieceListEntry& first = FirstPieceOnRay(position, file, rank, fileStep, rankStep);
  const int steps = std::max(std::abs(first.file - file), std::abs(first.rank - rank));
  return RayHit{first.file, first.rank, steps, first.code};
}

}  // namespace eval_cells
