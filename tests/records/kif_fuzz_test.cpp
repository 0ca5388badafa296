// Mutation fuzz of the KIF reader: corpus, sample and written records with
// bytes flipped, lines cut, duplicated, dropped and reordered, and label and
// goto lines injected. A failed read leaves the record as it was; a
// successful one leaves a sound graph that writes and reads again.
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

#ifdef KIFU_SANITIZED
constexpr int kCases = 3000;
#else
constexpr int kCases = 6000;
#endif

std::string WriteToString(const Kifu& kifu) {
  SjisString text;
  StringOutStream out(text, false);
  kifu.WriteKif(out);
  return text.Text();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

std::string Mutate(const std::string& seed, std::mt19937& random) {
  std::vector<std::string> lines = SplitLines(seed);
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(random() % n); };
  static const char* const kInjected[] = {"#% label kyoku1\n", "#% goto kyoku1\n", "#% label kyoku2\n",
                                          "#% goto kyoku2\n",  "#% label  \n",     "#% goto\tkyoku1\n",
                                          "#--separator--\n",  "*!VAL=99999999999\n", "*!PV=\n"};
  for (int count = 1 + static_cast<int>(pick(4)); count > 0 && !lines.empty(); --count) {
    const size_t line = pick(lines.size());
    switch (pick(7)) {
      case 0: {  // flip a byte
        std::string& text = lines[line];
        if (!text.empty()) text[pick(text.size())] = static_cast<char>(random());
        break;
      }
      case 1:  // cut a line short
        lines[line].resize(pick(lines[line].size() + 1));
        break;
      case 2:
        lines.insert(lines.begin() + static_cast<long>(line), lines[line]);
        break;
      case 3:
        std::swap(lines[line], lines[pick(lines.size())]);
        break;
      case 4:
        lines.erase(lines.begin() + static_cast<long>(line));
        break;
      case 5:  // a move number out of turn
        lines[line] = std::to_string(pick(12)) + " " + lines[line];
        break;
      default:
        lines.insert(lines.begin() + static_cast<long>(line), kInjected[pick(std::size(kInjected))]);
        break;
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

}  // namespace

TEST(KifFuzz, MutatedRecordsNeverBreakTheRecordOrItsGraph) {
  std::vector<std::string> seeds;
  for (const std::string& folder : {std::string(CorpusDir()), std::string(TestDataDir()) + "/kif",
                                    std::string(TestDataDir()) + "/../../samples"}) {
    for (const std::string& path : FilesWithExtension(folder, ".kif")) seeds.push_back(FileBytes(path));
  }
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed * 7919);
    record->SortIncomingByTraversal();
    seeds.push_back(WriteToString(*record));
  }

  std::mt19937 random(20261206);
  int read = 0;
  for (int index = 0; index < kCases; ++index) {
    const std::string text = Mutate(seeds[static_cast<size_t>(index) % seeds.size()], random);
    Kifu kifu;
    MemoryInStream first("手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n");
    ASSERT_EQ(kifu.ReadKif(first, 0), 0);
    const std::string before = WriteToString(kifu);
    MemoryInStream in(text.c_str());
    const int merge = index % 5 == 0 ? 1 : 0;
    if (kifu.ReadKif(in, merge) != 0) {
      ASSERT_EQ(WriteToString(kifu), before) << text;
      continue;
    }
    ++read;
    ExpectKifuGraphValid(kifu);
    ASSERT_FALSE(::testing::Test::HasFailure()) << text;
    kifu.SortIncomingByTraversal();
    const std::string written = WriteToString(kifu);
    Kifu again;
    MemoryInStream back(written.c_str());
    ASSERT_EQ(again.ReadKif(back, 0), 0) << written;
    ExpectKifuGraphValid(again);
    ASSERT_FALSE(::testing::Test::HasFailure()) << written;
  }
  // Most mutations leave a readable record; the property must not be vacuous.
  EXPECT_GT(read, kCases / 2);
}
