// The root's step into the child of one root move: the piece-square table
// as this move alone adjusts it, and the child's evaluation state.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/eval_state.h"
#include "engine/eval/senkei.h"

// Call after the root move is made: puts back the mover's rows that the
// previous root move adjusted, adjusts them for this move while g_gameStage
// is below 2 (the mover's id from pair), then scores the child from the
// root's state. Returns whether the move loosens the mover's castle, read on
// the table the child is scored with.
bool EnterRootChild(const Position& position, const MoveRecord& move, const SenkeiId pair[2], const EvalState& root,
                    EvalState& child);
