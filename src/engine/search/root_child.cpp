// The root child step. The order matters: the child's material reads the
// table at the move's squares, so the adjustment must be in place first,
// and no earlier root move's may be.
#include "engine/search/root_child.h"

#include "engine/eval/evaluate_delta.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/piece_square_table.h"

bool EnterRootChild(const Position& position, const MoveRecord& move, const SenkeiId pair[2], const EvalState& root,
                    EvalState& child) {
  // The move is made: the mover is the side not to move.
  const int mover = 1 - position.sideToMove;
  RestoreEvalTableSide(mover);
  if (g_gameStage < STAGE_ENDGAME) AdjustTablesForMove(position, move, g_gameStage, pair[mover]);
  EvaluateMoveDelta(move, position, root, &child);
  return WeakensFormation(position, move, pair);
}
