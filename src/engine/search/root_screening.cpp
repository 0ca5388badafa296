// Root move screening: make, evaluate, unmake for every candidate.
#include "engine/search/root_screening.h"

#include "engine/board/make_move.h"
#include "engine/eval/formation_root.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/root_evaluators.h"

int EvalRootForStage(const Position& position, int stage, const MoveRecord* nullMove, const QuickEvalResult* quick) {
  switch (stage) {
    case STAGE_ENDGAME:
      return EvalEndGameRoot(position, nullMove);
    case STAGE_MIDDLE:
      return EvalMiddleGameRoot(position, nullMove, quick);
    default:
      return EvalFormationRoot(position, 0, nullMove, quick);
  }
}

void ScreenRootMoves(Position& position, const MoveRecord* moves, int count, QuickEvalResult* rootQuick,
                     RootScreenValue* out) {
  QuickEvaluate(position, g_gameStage, rootQuick);
  // The evaluators see the screener's null move: from and to file 254,
  // codes 0, so that the drop rules examine the side to move.
  MoveRecord nullMove{};
  nullMove.SetNull();
  for (int i = 0; i < count; ++i) {
    MakeMove(position, moves[i], 0);
    QuickEvalResult quick{};
    QuickEvaluate(position, g_gameStage, &quick);
    const int positional = EvalRootForStage(position, g_gameStage, &nullMove, &quick);
    out[i] = {quick.finalDifference, positional, -quick.finalDifference - positional};
    UnmakeMove(position, moves[i], 0);
  }
}
