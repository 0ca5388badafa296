// KIF reading and writing speed over long records with branches, comments,
// analysis lines and merged transpositions: records per second and bytes
// per second (the KIF text's size).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/random_record.h"

namespace {

constexpr int kRecords = 16;

// Long games: main lines of up to 200 moves and up to a dozen variations.
const std::vector<std::string>& LongRecordTexts() {
  static const std::vector<std::string> texts = [] {
    RandomRecordOptions options;
    options.maxMainLine = 200;
    options.maxBranches = 12;
    std::vector<std::string> result;
    for (uint32_t seed = 1; result.size() < kRecords; ++seed) {
      std::unique_ptr<Kifu> record = BuildRandomRecord(seed, options);
      record->SortIncomingByTraversal();
      if (record->LineLength() >= 120) result.push_back(RecordText(*record, &Kifu::WriteKif));
    }
    return result;
  }();
  return texts;
}

size_t TotalBytes(const std::vector<std::string>& texts) {
  size_t bytes = 0;
  for (const std::string& text : texts) bytes += text.size();
  return bytes;
}

void BM_KifRead(benchmark::State& state) {
  const std::vector<std::string>& texts = LongRecordTexts();
  for (auto _ : state) {
    for (const std::string& text : texts) {
      Kifu kifu;
      MemoryInStream in(text.c_str());
      benchmark::DoNotOptimize(kifu.ReadKif(in, 0));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(TotalBytes(texts)));
}
BENCHMARK(BM_KifRead)->Unit(benchmark::kMillisecond);

void BM_KifWrite(benchmark::State& state) {
  const std::vector<std::string>& texts = LongRecordTexts();
  std::vector<std::unique_ptr<Kifu>> records;
  for (const std::string& text : texts) {
    records.push_back(std::make_unique<Kifu>());
    MemoryInStream in(text.c_str());
    records.back()->ReadKif(in, 0);
  }
  for (auto _ : state) {
    for (const auto& record : records) {
      SjisString out;
      StringOutStream stream(out, false);
      record->WriteKif(stream);
      benchmark::DoNotOptimize(out.Length());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(TotalBytes(texts)));
}
BENCHMARK(BM_KifWrite)->Unit(benchmark::kMillisecond);

// One game of 200 moves without variations, comments on about every fifth
// move and analysis on about every third.
void BM_KifReadOneGameOf200Moves(benchmark::State& state) {
  RandomRecordOptions options;
  options.maxMainLine = 200;
  options.maxBranches = 0;
  std::string text;
  for (uint32_t seed = 1; text.empty(); ++seed) {
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed, options);
    if (record->LineLength() >= 200) text = RecordText(*record, &Kifu::WriteKif);
  }
  for (auto _ : state) {
    Kifu kifu;
    MemoryInStream in(text.c_str());
    benchmark::DoNotOptimize(kifu.ReadKif(in, 0));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_KifReadOneGameOf200Moves)->Unit(benchmark::kMicrosecond);

}  // namespace
