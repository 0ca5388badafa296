// Incremental evaluation: the child's EvalState from the parent's after one
// move, touching only the moving, dropped and captured pieces (and, for a
// king move, the king-relative contributions); and the enemy-king term, a
// per-node term computed at most once per node.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_state.h"

// The child's state from the parent's; the position is the one after the
// move. Never re-evaluates from scratch.
void EvaluateMoveDelta(const MoveRecord& move, const Position& position, const EvalState& parent, EvalState* child);
// Re-derives the king-relative contributions after the king of the side
// moved from old to new; the position already shows the move.
void EvalKingMoveUpdate(const Position& position, int side, int oldFile, int oldRank, int newFile, int newRank,
                        EvalState* state);
// Adds the rook, bishop and lance pressure on the enemy kings to both
// sides' enemyKingTerm, once: sets flag 0x10 and does nothing when it is set.
void EvalEnemyKingTerm(const Position& position, EvalState* state);
// Subtracts from the side's material value.
inline void SubMaterial(EvalState& state, int side, int value) { AddToWord(state.material[side].value, -value); }
