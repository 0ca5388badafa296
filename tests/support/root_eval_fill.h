// Root tables of a think filled with random values from a seed, side 1's
// turned from side 0's (as the builders lay them out), with the evaluation
// parameters and piece-square tables of eval_params_fill: a position and
// its turned mirror then weigh the same, and no term hides behind a zero.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// Fills g_evalParams, the active piece-square table, the root tables,
// RootLineWeight and the castle grid; the yagura flag of the grid and
// g_yaguraStrategyFlag are set to `yagura`.
void FillRandomRootTables(uint64_t seed, bool yagura);
// The position turned by 180 degrees with owners and the side to move
// swapped, keeping every PieceId but the kings' (which trade ids), so that
// the evaluators meet the pieces in the same order.
Position TurnedKeepingIds(const Position& position);
