// Moves out of check, straight from the attack records: captures of the
// checker, interpositions on the checking line, then king moves.
#pragma once

#include "engine/board/position.h"

// Writes the check evasions of the side to move (which must be in check)
// from out[0] on and returns their number. `line` is the search's record of
// this ply, handed to IsForcingMove: with a non-zero filter only the moves
// it accepts are written. Pinned pieces never move; interposing drops go
// only onto squares the side already attacks; a rook, bishop or pawn that
// may promote, or a lance reaching its second rank, moves only promoting.
int GenerateCheckEvasions(const Position& position, const MoveRecord* line, int filter, MoveRecord* out);
