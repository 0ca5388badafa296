// Rebuilding of the engine position's in-hand stacks from its hand counts.
#pragma once

#include "engine/board/position.h"

// For each base type (rook, bishop, gold, silver, knight, lance, pawn, king)
// stacks the type's off-board PieceIds, in ascending order, up to both
// sides' hand count of the type and marks them in hand (file 0); every
// further off-board id of the type is out of play (file -1).
void RebuildHandLists(Position& position);
