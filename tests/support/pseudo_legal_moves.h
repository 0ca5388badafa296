// A plain move generator for tests and benchmarks that reads only the board,
// hands and piece list (never the attack records), and yields the moves that
// leave the own king attacked too, which make and unmake must also handle.
#pragma once

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
