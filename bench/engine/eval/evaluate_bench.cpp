// Full against incremental evaluation over the same positions: every
// position reached in deterministic random games, scored from scratch by
// EvaluateFull and from its parent's state by EvaluateMoveDelta.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/evaluate_delta.h"
#include "engine/eval/evaluate_full.h"
#include "support/playout.h"

namespace {

// A position after a move, with the move and the state of the position before it.
struct Step {
  Position after;
  MoveRecord move;
  EvalState parent;
};

// 24 games of up to 160 plies from the even and handicap starts, scored
// with the tuned tables of the even start.
const std::vector<Step>& TheSteps() {
  static const std::vector<Step> steps = [] {
    std::vector<Step> built;
    Position start{};
    SetupHandicap(start, HANDICAP_EVEN);
    const SenkeiId pair[2] = {0, 0};
    InitEvalParams(start, pair);
    for (int game = 0; game < 24; ++game) {
      Position position{};
      SetupHandicap(position, game % 8);
      PlayoutEvents events;
      PlayRandomGame(
          position, 3100 + game, 160,
          [&](Position& current, const MoveRecord& move) {
            Step step{};
            EvaluateFull(current, &step.parent);
            step.move = move;
            MakeMove(current, move, 0);
            g_attackHistoryDepth = 0;
            step.after = current;
            built.push_back(step);
            return true;
          },
          events);
    }
    return built;
  }();
  return steps;
}

// A search scores a position that make-move has just written, from the
// state of the node above: both are in the cache. So the steps are taken in
// batches of 16 consecutive ones; each batch is scored once untimed, which
// brings it there, then 8 times timed. Otherwise the first touch of the
// 3.5 KB stored for each step would be measured, not the evaluation.
constexpr size_t BATCH = 16;
constexpr int PASSES = 8;

// With argument 1 only the positions reached by moves other than king
// moves: a king move re-derives every king-relative contribution, which
// costs several times another move.
const std::vector<Step>& StepsFor(const benchmark::State& state) {
  static const std::vector<Step> withoutKingMoves = [] {
    std::vector<Step> kept;
    for (const Step& step : TheSteps())
      if (TypeOf(step.move.pieceCode) != KING) kept.push_back(step);
    return kept;
  }();
  return state.range(0) == 1 ? withoutKingMoves : TheSteps();
}

// <chrono> does not build with the Shift-JIS execution character set.
double Seconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Score>
void ScoreInBatches(benchmark::State& state, Score score) {
  const std::vector<Step>& steps = StepsFor(state);
  EvalState result;
  const auto scoreRange = [&](size_t first, size_t last) {
    for (size_t i = first; i < last; ++i) {
      score(steps[i], result);
      benchmark::DoNotOptimize(result);
    }
  };
  for (auto _ : state) {
    double timed = 0;
    for (size_t first = 0; first < steps.size(); first += BATCH) {
      const size_t last = std::min(steps.size(), first + BATCH);
      scoreRange(first, last);
      const double start = Seconds();
      for (int pass = 0; pass < PASSES; ++pass) scoreRange(first, last);
      timed += Seconds() - start;
    }
    state.SetIterationTime(timed);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * steps.size() * PASSES));
}

void BM_EvaluateFull(benchmark::State& state) {
  ScoreInBatches(state, [](const Step& step, EvalState& result) { EvaluateFull(step.after, &result); });
}
BENCHMARK(BM_EvaluateFull)->Arg(0)->Arg(1)->UseManualTime();

void BM_EvaluateMoveDelta(benchmark::State& state) {
  ScoreInBatches(state, [](const Step& step, EvalState& result) {
    EvaluateMoveDelta(step.move, step.after, step.parent, &result);
  });
}
BENCHMARK(BM_EvaluateMoveDelta)->Arg(0)->Arg(1)->UseManualTime();

}  // namespace
