// The pattern term of the static score: shapes seen on the whole board once
// per node (hanging golds, tokins and advanced pawns near the enemy king,
// king-zone safety, boxed kings, rook files, bishop diagonals, pawns,
// silvers, knights, golds and the yagura castle list).
#pragma once

#include "engine/board/position.h"
#include "engine/eval/eval_state.h"

// Adds the term to the state's defence addends, enemy-king words and
// material addends (16-bit, wrapping) and sets flags bit 0x20. The side
// not in turn (the node move's mover; the side to move after a null move)
// loses a tempo of 600. advancedSilverSquare is 16 x file + rank of a silver
// the node move advanced into the middle, or 0.
void EvalPatternTerm(const Position& position, int advancedSilverSquare, const MoveRecord* nodeMove, EvalState* state);
