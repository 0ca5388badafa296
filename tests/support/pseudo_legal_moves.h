// A plain move generator for tests and benchmarks that reads only the board,
// hands and piece list (never the attack records), and deterministic random
// games played with it.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// Room a caller gives GeneratePseudoLegalMoves.
inline constexpr int MAX_PSEUDO_LEGAL_MOVES = 2048;

// Every board move and drop of the side to move by the movement rules:
// promotion optional into, within or out of the zone and forced where the
// piece would have no further move; drops on empty squares except where the
// piece could never move and pawns on a file with an own unpromoted pawn.
// Moves may leave the own king attacked; captures of a king are left out.
int GeneratePseudoLegalMoves(const Position& position, MoveRecord* moves);

// After a make: whether the side that moved left its own king attacked
// (reads the attack records).
bool MoverKingAttacked(const Position& position);

// Reproducible 64-bit random numbers.
class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform enough in 0 .. bound - 1 for tests.
  int Below(int bound) { return static_cast<int>(Next() % static_cast<uint64_t>(bound)); }

 private:
  uint64_t state_;
};

// Plays up to maxPlies random legal moves on the position (made with record
// flag 0 and left on it), writing them to playedMoves; returns how many.
// Stops early when the side to move has no legal move.
int PlayRandomGame(Position& position, uint64_t seed, int maxPlies, MoveRecord* playedMoves);
