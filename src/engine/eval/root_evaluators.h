// The root-screening evaluators of the middle game and the endgame: scores
// of the position after a root candidate, the side to move's minus the
// other side's, from the tables of the current think.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/quick_evaluate.h"

// Endgame (stage 2): rook lines, bishops and horses by the enemy king,
// undefended golds, tokins, king zone, edge and hemmed kings, escape square.
// The move is not read.
int EvalEndGameRoot(const Position& position, const MoveRecord* move);
// Middle game (stage 1): rook lines, bishop diagonals, pawn chains, the
// attacking silver, knight pawns, undefended golds, tokins, king zone,
// escape square. Neither the move nor the quick result is read.
int EvalMiddleGameRoot(const Position& position, const MoveRecord* move, const QuickEvalResult* quick);
