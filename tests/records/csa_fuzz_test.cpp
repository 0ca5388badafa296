// Mutation fuzz of the CSA reader: corpus, hand-made and written records
// with bytes flipped, lines cut, duplicated, dropped and swapped, and CSA
// statements injected. A failed read leaves the record as it was; a
// successful one leaves a valid start and a sound one-line graph that
// writes and reads again to the same text.
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
constexpr int kCases = 8000;
#endif

std::string WriteCsaText(const Kifu& kifu) {
  SjisString text;
  StringOutStream out(text, false);
  kifu.WriteCsa(out);
  return text.Text();
}

std::string Mutate(const std::string& seed, std::mt19937& random) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < seed.size();) {
    const size_t end = std::min(seed.find('\n', at), seed.size() - 1);
    lines.push_back(seed.substr(at, end - at + 1));
    at = end + 1;
  }
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(random() % n); };
  static const char* const kInjected[] = {"PI\n", "PI82HI22KA99KY\n", "P-00AL\n", "P+00AL\n", "P+00FU00\n", "P+00TO\n",
                                          "P5 * +OU+OU\n", "P+55OU\n", "-\n", "+\n", "%KACHI\n", "%TORYO\n",
                                          "T99999999999\n", "'a,+7776FU\n", "$X:a,b\n", "V2.2\n", "N+a,b\n",
                                          "+5958OU,T1\n", "-0055KI\n"};
  for (int count = 1 + static_cast<int>(pick(4)); count > 0 && !lines.empty(); --count) {
    const size_t line = pick(lines.size());
    switch (pick(6)) {
      case 0: {
        std::string& text = lines[line];
        if (!text.empty()) text[pick(text.size())] = static_cast<char>(random());
        break;
      }
      case 1: lines[line].resize(pick(lines[line].size() + 1)); break;
      case 2: lines.insert(lines.begin() + static_cast<long>(line), lines[line]); break;
      case 3: std::swap(lines[line], lines[pick(lines.size())]); break;
      case 4: lines.erase(lines.begin() + static_cast<long>(line)); break;
      default: lines.insert(lines.begin() + static_cast<long>(line), kInjected[pick(std::size(kInjected))]); break;
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

}  // namespace

TEST(CsaFuzz, MutatedRecordsNeverBreakTheRecordOrItsGraph) {
  std::vector<std::string> seeds;
  for (const std::string& folder : {std::string(CorpusDir()), std::string(TestDataDir()) + "/csa"}) {
    for (const std::string& path : FilesWithExtension(folder, ".csa")) seeds.push_back(FileBytes(path));
  }
  for (uint32_t seed = 1; seed <= 20; ++seed) seeds.push_back(WriteCsaText(*BuildRandomRecord(seed * 104729)));

  std::mt19937 random(20261207);
  int read = 0;
  for (int index = 0; index < kCases; ++index) {
    const std::string text = Mutate(seeds[static_cast<size_t>(index) % seeds.size()], random);
    Kifu kifu;
    MemoryInStream first("PI\n+\n+7776FU\n-3334FU\n");
    ASSERT_EQ(kifu.ReadCsa(first, 0, 0), 0);
    const std::string before = WriteCsaText(kifu);
    MemoryInStream in(text.c_str());
    if (kifu.ReadCsa(in, index % 7 == 0 ? 1 : 0, index % 3 == 0 ? 1 : 0) != 0) {
      ASSERT_EQ(WriteCsaText(kifu), before) << text;
      continue;
    }
    ++read;
    ExpectKifuGraphValid(kifu);
    ASSERT_TRUE(kifu.StartNode()->position.IsValid()) << text;
    ASSERT_FALSE(::testing::Test::HasFailure()) << text;
    const std::string written = WriteCsaText(kifu);
    Kifu again;
    MemoryInStream back(written.c_str());
    ASSERT_EQ(again.ReadCsa(back, 0, 1), 0) << written;
    ASSERT_EQ(WriteCsaText(again), written) << text;
  }
  EXPECT_GT(read, kCases / 2);
}
