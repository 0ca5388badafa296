// Checking moves of the side to move, for the mate-in-one search.
#pragma once

#include "engine/board/position.h"

// Room for every check: checks are legal moves here, and no position has
// more than 593 of those.
inline constexpr int MAX_CHECK_MOVES = 600;

// Writes the legal checking moves of the side to move into the array (room
// for MAX_CHECK_MOVES), drops first (rook to pawn), then board moves by
// PieceId, links them in array order and returns the head with the count
// (null and 0 when there are none). Direct and discovered checks; no
// non-promoting twin of a pawn, rook or bishop, whose promotion attacks all
// the plain piece does; never a pawn-drop mate nor a move that leaves the
// own king attacked. Both flags cover every piece (flag 1 is the mate search's).
MoveRecord* GenerateChecks(const Position& position, int& count, MoveRecord* array, int flag);
