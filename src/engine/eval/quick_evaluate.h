// The small material, piece-square and king-shelter evaluator the root
// screening runs on the root and on every screened candidate.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

struct QuickEvalResult {
  int32_t score;            // raw sum of the side to move minus the other's
  int32_t rawSum[2];        // by side
  int32_t finalDifference;  // adjusted sum of the side to move minus the other's
  int32_t adjustedSum[2];   // raw sums less the shelter correction
  double guardValue[2];     // how closely golds, silvers and minors guard each king
};

// Fills the result; a non-zero shelterFlag (the game stage) values guards by
// their king-relative blocks, a positive one also corrects by the guard values.
void QuickEvaluate(const Position& position, int shelterFlag, QuickEvalResult* result);
// The guard values of both sides into the result.
void GuardValues(const Position& position, int shelterFlag, QuickEvalResult* result);
