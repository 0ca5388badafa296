// Board geometry shared by the record side and the engine. Both number
// files and ranks 1-9 with a wall ring at 0 and 10, and side 0 (the first
// player) moves toward rank 1; these are the one place that says so.
#pragma once

// A real square, not the wall ring and not beyond it.
constexpr bool IsOnBoard(int file, int rank) { return file >= 1 && file <= 9 && rank >= 1 && rank <= 9; }

// Rank step of one move forward: -1 for side 0, +1 for side 1.
constexpr int SideSign(int side) { return 2 * side - 1; }

// The rank as the side sees it: 1 is the far edge (the enemy's back rank),
// 9 the side's own back rank.
constexpr int RelativeRank(int side, int rank) { return side == 0 ? rank : 10 - rank; }
// The file as the side sees it: file 1 on the side's right. With
// RelativeRank it names a square "seen from a side" (an involution).
constexpr int RelativeFile(int side, int file) { return side == 0 ? file : 10 - file; }

// The three far ranks, where a piece may promote.
constexpr bool IsPromotionZone(int side, int rank) {
  const int relative = RelativeRank(side, rank);
  return relative >= 1 && relative <= 3;
}

// A square turned by 180 degrees: what side 1 sees where side 0 sees (file, rank).
constexpr int TurnedFile(int file) { return 10 - file; }
constexpr int TurnedRank(int rank) { return 10 - rank; }

// A piece that only moves forward and could never move again from this
// rank: pawns and lances on the last rank (farRanks 1), knights on the last
// two (farRanks 2).
constexpr bool IsDeadEndRank(int side, int rank, int farRanks) { return RelativeRank(side, rank) <= farRanks; }

static_assert(RelativeRank(1, 7) == 3 && IsPromotionZone(1, 7) && !IsPromotionZone(0, 4));
static_assert(!IsOnBoard(0, 5) && !IsOnBoard(5, 10) && IsOnBoard(9, 1));
