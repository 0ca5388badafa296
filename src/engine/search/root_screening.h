// Root move screening: a first value for every root candidate from the
// quick evaluation and the positional evaluator of the game stage, taken
// on the position after the move.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/quick_evaluate.h"

// The parts of a candidate's starting value, all from the mover's view.
struct RootScreenValue {
  int quickDifference;  // final difference of the quick evaluation after the move (opponent's view)
  int positional;       // the stage's evaluator after the move (opponent's view)
  int value;            // -quickDifference - positional
};

// The stage's evaluator on a position: EvalEndGameRoot for stage 2,
// EvalMiddleGameRoot for 1, EvalFormationRoot otherwise (with square 0).
int EvalRootForStage(const Position& position, int stage, const MoveRecord* nullMove, const QuickEvalResult* quick);
// Quick-evaluates the root into rootQuick, then makes each move, values it
// into out[i] by g_gameStage and takes it back. The tables of the think
// must be built for g_gameStage. The position ends as it was, but for what
// unmake leaves free (in-hand stack slots above the tops, rank and code of
// pieces in hand, tokin-list order), which nothing reads.
void ScreenRootMoves(Position& position, const MoveRecord* moves, int count, QuickEvalResult* rootQuick,
                     RootScreenValue* out);
