// CSA reading and writing speed over long games (main lines of 120 to 200
// moves with times): records per second and bytes per second of CSA text.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/random_record.h"

namespace {

constexpr size_t kRecords = 16;

const std::vector<std::unique_ptr<Kifu>>& LongRecords() {
  static const std::vector<std::unique_ptr<Kifu>> records = [] {
    RandomRecordOptions options;
    options.maxMainLine = 200;
    std::vector<std::unique_ptr<Kifu>> result;
    for (uint32_t seed = 1; result.size() < kRecords; ++seed) {
      std::unique_ptr<Kifu> record = BuildRandomRecord(seed, options);
      if (record->LineLength() >= 120) result.push_back(std::move(record));
    }
    return result;
  }();
  return records;
}

void BM_CsaWrite(benchmark::State& state) {
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const auto& record : LongRecords()) bytes += static_cast<int64_t>(RecordText(*record, &Kifu::WriteCsa).size());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kRecords));
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CsaWrite)->Unit(benchmark::kMillisecond);

void BM_CsaRead(benchmark::State& state) {
  std::vector<std::string> texts;
  for (const auto& record : LongRecords()) texts.push_back(RecordText(*record, &Kifu::WriteCsa));
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      Kifu kifu;
      MemoryInStream in(text.c_str());
      benchmark::DoNotOptimize(kifu.ReadCsa(in, 0, 0));
      bytes += static_cast<int64_t>(text.size());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kRecords));
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CsaRead)->Unit(benchmark::kMillisecond);

}  // namespace

