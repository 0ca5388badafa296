// An independent model of a piece's worth from the root tables, for the
// tests of the evaluators that read it: the defence row of a type and the
// larger of the own-king and enemy-king block entries.
#pragma once

#include "engine/board/position.h"

// Defence row: gold and promoted minors 0, silver 1, knight 2, lance 3,
// pawn 4, horse 5; -1 (none) for rook, bishop, king and dragon.
int ModelDefenceRow(int type);
// Worth of a piece of `owner` with type (code & 0x9f) on a square: with a
// defence row the larger of kingBlock[row + 6 owner][rank - own king rank
// + 8][file distance] and kingBlock[12 + row + 6 owner][enemy king rank -
// rank + 8][file distance]; without one, the piece value.
int ModelRootWorth(const Position& position, int owner, int type, int file, int rank);
