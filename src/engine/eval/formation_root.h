// The opening root evaluator: formations rather than attacks, with the
// shared root blocks at opening weights, drop threats, the king's second
// rank and the yagura rules. Side to move's score minus the other side's.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/quick_evaluate.h"

// silverSquare must be 0 (the screener's only value); the move decides whose
// golds and knights the drop rules examine (the null move: the side to
// move's); the quick result is not read.
int EvalFormationRoot(const Position& position, int silverSquare, const MoveRecord* move, const QuickEvalResult* quick);
