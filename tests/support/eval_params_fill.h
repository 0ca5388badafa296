// Evaluation parameters and piece-square tables filled with random values
// from a seed, side 1's turned from side 0's so that a position and its
// turned mirror weigh the same: an oracle-friendly stand-in for the tuned
// tables, which hides no term behind a zero.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/eval/eval_params.h"
#include "engine/eval/piece_square_table.h"

// Fills every table the evaluation reads, rebuilds the king-relative tables
// from them and points the active table at `table`.
void FillRandomEvalParams(uint64_t seed, EvalParams& params, PieceSquareTable& table);

// Sum of (i + 1) x value over a table of ints in memory order: a changed,
// lost or moved value shows.
template <class Table>
long long Checksum(const Table& table) {
  const int* values = reinterpret_cast<const int*>(&table);
  long long sum = 0;
  for (size_t i = 0; i < sizeof table / sizeof(int); ++i) sum += static_cast<long long>(i + 1) * values[i];
  return sum;
}
