// Evaluation parameters and piece-square tables filled with random values
// from a seed, side 1's turned from side 0's so that a position and its
// turned mirror weigh the same: an oracle-friendly stand-in for the tuned
// tables, which hides no term behind a zero.
#pragma once

#include <cstdint>

#include "engine/eval/eval_params.h"
#include "engine/eval/piece_square_table.h"

// Fills every table the evaluation reads, rebuilds the king-relative tables
// from them and points the active table at `table`.
void FillRandomEvalParams(uint64_t seed, EvalParams& params, PieceSquareTable& table);
