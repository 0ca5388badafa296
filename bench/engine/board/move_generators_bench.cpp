// Perft 5 of the even start with the engine's generator against the record
// rules' perft 5, in the same run.
#include <benchmark/benchmark.h>

#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "records/kifu_legal_moves.h"
#include "records/kifu_position.h"

namespace {

constexpr uint64_t kPerft5 = 19861490;

void BM_EnginePerft5(benchmark::State& state) {
  static Position position;
  SetupHandicap(position, HANDICAP_EVEN);
  InitAttackHistory();
  for (auto _ : state) {
    const uint64_t nodes = EnginePerft(position, 5);
    if (nodes != kPerft5) state.SkipWithError("wrong perft count");
    benchmark::DoNotOptimize(nodes);
  }
  state.counters["leaves/s"] =
      benchmark::Counter(static_cast<double>(kPerft5), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_EnginePerft5)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RecordRulesPerft5(benchmark::State& state) {
  KifuPosition position;
  position.SetStart(0);
  for (auto _ : state) {
    const uint64_t nodes = RecordPerft(position, 5);
    if (nodes != kPerft5) state.SkipWithError("wrong perft count");
    benchmark::DoNotOptimize(nodes);
  }
  state.counters["leaves/s"] =
      benchmark::Counter(static_cast<double>(kPerft5), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RecordRulesPerft5)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
