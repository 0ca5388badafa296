// The search's per-node record, as far as the evaluation needs it: one
// EvalState, built in place with flags 0; the root's is filled by
// EvaluateFull, every child's by EvaluateMoveDelta from its parent's.
#pragma once

#include "engine/eval/eval_state.h"

struct NodeState {
  EvalState eval;
};
