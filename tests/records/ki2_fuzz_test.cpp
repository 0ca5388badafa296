// Mutation fuzz of the KI2 and Japanese-notation readers: corpus games,
// written records and a text record, cut, flipped and spliced with the
// tokens the readers look for. Every read ends; a refused one leaves the
// record as it was, an accepted one leaves a sound graph.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

#if defined(KIFU_SANITIZED)
constexpr int MUTANTS = 5000;
#else
constexpr int MUTANTS = 12000;
#endif

std::string WriteText(const Kifu& record, bool kif) {
  SjisString text;
  StringOutStream out(text, false);
  kif ? record.WriteKif(out) : record.WriteKi2(out);
  return text.Text();
}

std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  for (const char* game : {"g0001", "g0004", "h0003", "h0008", "t0000", "t0002"}) {
    seeds.push_back(FileBytes(std::string(CorpusDir()) + "/" + game + ".ki2"));
  }
  for (uint32_t seed : {3u, 8u, 21u}) seeds.push_back(WriteText(*BuildRandomRecord(seed), false));
  seeds.push_back(
      "手合割：平手\n先手：a\n\n|v香v桂v銀v金v玉v金v銀v桂v香|一\n| ・v飛 ・ ・ ・ ・ ・v角 ・|二\n"
      ":&&&&&&&&&\n:\n:\n:\n:$$$$$$$$$\n: 8     < \n:(,04@40,(\n先手持駒：なし\n後手持駒：なし\n\n"
      "▲７六歩\n△３四歩(00:10)\n*c\n変化：2手\n△８四歩\n投了\n");
  return seeds;
}

const char* const kTokens[] = {"▲", "△", "▽", "同　", "十", "変化：", "まで", "負け", "：", "|", ":", "\n", "(", "打", "\x81"};

std::string Mutate(std::string text, std::mt19937& random) {
  for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
    const size_t at = text.empty() ? 0 : random() % (text.size() + 1);
    const int kind = static_cast<int>(random() % 5);
    if (kind == 0) text.resize(at);
    if (kind == 1 && at < text.size()) text[at] = static_cast<char>(random() % 255 + 1);
    if (kind == 2) text.erase(at, random() % 16);
    if (kind == 3) text.insert(at, kTokens[random() % std::size(kTokens)]);
    if (kind == 4) text.insert(at, text.substr(random() % (text.size() + 1), random() % 40));
  }
  return text;
}

TEST(Ki2Fuzz, MutatedTextsReadSafely) {
  const std::vector<std::string> seeds = Seeds();
  std::mt19937 random(17112);
  Kifu record;
  {
    MemoryInStream in(seeds.back().c_str());
    ASSERT_EQ(record.ReadJapaneseNotation(in, false), 0);
  }
  int accepted = 0;
  for (int mutant = 0; mutant < MUTANTS; ++mutant) {
    const std::string text = Mutate(seeds[random() % seeds.size()], random);
    const std::string before = WriteText(record, true);
    MemoryInStream in(text.c_str());
    const bool merge = random() % 4 == 0;
    const int result = mutant % 2 == 0 ? record.ReadKi2(in, merge) : record.ReadJapaneseNotation(in, merge);
    if (result != 0) {
      ASSERT_EQ(WriteText(record, true), before) << text;
    } else {
      ++accepted;
      ExpectKifuGraphValid(record);
      ASSERT_FALSE(HasFailure()) << text;
    }
  }
  EXPECT_GT(accepted, MUTANTS / 10);
}

}  // namespace
