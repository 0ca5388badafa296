// Reading the records built to be slow for a careless reader, at 1x, 2x and
// 4x size: a KIF line with a goto after every move, a KI2 line with a
// rejoining variation at every fourth move. Time per read should double
// with the size.
#include <benchmark/benchmark.h>

#include <string>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/hostile_records.h"

namespace {

void ReadAndCheck(benchmark::State& state, const std::string& text, bool kif) {
  for (auto _ : state) {
    auto* kifu = new Kifu;
    MemoryInStream in(text.c_str());
    const int result = kif ? kifu->ReadKif(in, 0) : kifu->ReadKi2(in, false);
    if (result != 0) state.SkipWithError("the record was refused");
    benchmark::DoNotOptimize(kifu->Root());
    // The read is measured, not freeing the record.
    state.PauseTiming();
    delete kifu;
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["moves"] = static_cast<double>(state.range(0));
}

void BM_HostileGotoKif(benchmark::State& state) {
  ReadAndCheck(state, HostileGotoKif(static_cast<int>(state.range(0))), true);
}
BENCHMARK(BM_HostileGotoKif)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);

void BM_HostileVariationKi2(benchmark::State& state) {
  ReadAndCheck(state, HostileVariationKi2(static_cast<int>(state.range(0))), false);
}
BENCHMARK(BM_HostileVariationKi2)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace
