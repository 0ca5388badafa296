// Mutation fuzz of the KIF, KI2, Japanese-notation and CSA readers: corpus,
// sample, hand-made and written records with bytes flipped, lines cut,
// doubled, dropped and moved, and the tokens each reader looks for
// injected. A failed read leaves the record as it was; a successful one
// leaves a valid start and a sound graph, and for KIF and CSA a text that
// reads back (CSA: to the same position and moves).
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

using Reader = std::function<int(Kifu&, const std::string&, int index)>;

template <class Read>
Reader ReaderOf(Read read) {
  return [read](Kifu& kifu, const std::string& text, int index) {
    MemoryInStream in(text.c_str());
    return read(kifu, in, index);
  };
}

std::vector<std::string> FileSeeds(const std::vector<std::string>& folders, const char* extension) {
  std::vector<std::string> seeds;
  for (const std::string& folder : folders) {
    for (const std::string& path : FilesWithExtension(folder, extension)) seeds.push_back(FileBytes(path));
  }
  return seeds;
}

std::vector<std::string> WrittenSeeds(uint32_t step, int (Kifu::*write)(OutStream&) const) {
  std::vector<std::string> seeds;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed * step);
    record->SortIncomingByTraversal();
    seeds.push_back(RecordText(*record, write));
  }
  return seeds;
}

// Reads `cases` mutants of the seeds into a record holding `first`; the
// writer that gives back a successful read's text (none: null); index -1
// reads without merging.
void Fuzz(std::vector<std::string> seeds, const std::vector<std::string>& tokens, const Reader& read,
          const std::string& first, int cases, int (Kifu::*write)(OutStream&) const, int minimumRead) {
  std::mt19937 random(20261206);
  int accepted = 0;
  for (int index = 0; index < cases; ++index) {
    const std::string text = MutateRecordText(seeds[static_cast<size_t>(index) % seeds.size()], random, tokens);
    Kifu kifu;
    ASSERT_EQ(read(kifu, first, -1), 0);
    const std::string before = RecordText(kifu, &Kifu::WriteKif);
    if (read(kifu, text, index) != 0) {
      ASSERT_EQ(RecordText(kifu, &Kifu::WriteKif), before) << text;
      continue;
    }
    ++accepted;
    ExpectKifuGraphValid(kifu);
    if (write == &Kifu::WriteCsa) {
      ASSERT_TRUE(kifu.StartNode()->position.IsValid()) << text;
    }
    ASSERT_FALSE(::testing::Test::HasFailure()) << text;
    if (write == nullptr) continue;
    kifu.SortIncomingByTraversal();
    const std::string written = RecordText(kifu, write);
    Kifu again;
    ASSERT_EQ(read(again, written, -1), 0) << written;
    ExpectKifuGraphValid(again);
    if (write == &Kifu::WriteCsa) {  // from the position on: a name ending in a lone lead byte gains a line end
      const std::string rewritten = RecordText(again, write);
      ASSERT_EQ(rewritten.substr(rewritten.find("\nP")), written.substr(written.find("\nP"))) << text;
    }
    ASSERT_FALSE(::testing::Test::HasFailure()) << written;
  }
  // Most mutants must read, or the properties above hold vacuously.
  EXPECT_GT(accepted, minimumRead) << accepted;
}

}  // namespace

TEST(RecordFuzz, Kif) {
  std::vector<std::string> seeds = FileSeeds(
      {CorpusDir(), std::string(TestDataDir()) + "/kif", std::string(TestDataDir()) + "/../../samples"}, ".kif");
  for (const std::string& text : WrittenSeeds(7919, &Kifu::WriteKif)) seeds.push_back(text);
  const std::vector<std::string> tokens = {"#% label kyoku1\n", "#% goto kyoku1\n", "#% label kyoku2\n",
                                           "#% goto kyoku2\n",  "#% label  \n",     "#% goto\tkyoku1\n",
                                           "#--separator--\n",  "*!VAL=99999999999\n", "*!PV=\n", "7 ", "0 "};
  const Reader read = ReaderOf([](Kifu& kifu, MemoryInStream& in, int index) { return kifu.ReadKif(in, index % 5 == 0); });
  Fuzz(seeds, tokens, read, "手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n", 6000 / KIFU_RUN_SCALE,
       &Kifu::WriteKif, 3000 / KIFU_RUN_SCALE);
}

TEST(RecordFuzz, Ki2AndJapaneseText) {
  std::vector<std::string> seeds;
  for (const char* game : {"g0001", "g0004", "h0003", "h0008", "t0000", "t0002"}) {
    seeds.push_back(FileBytes(std::string(CorpusDir()) + "/" + game + ".ki2"));
  }
  for (const std::string& text : WrittenSeeds(3, &Kifu::WriteKi2)) seeds.push_back(text);
  const std::string board =
      "手合割：平手\n先手：a\n\n|v香v桂v銀v金v玉v金v銀v桂v香|一\n| ・v飛 ・ ・ ・ ・ ・v角 ・|二\n"
      ":&&&&&&&&&\n:\n:\n:\n:$$$$$$$$$\n: 8     < \n:(,04@40,(\n先手持駒：なし\n後手持駒：なし\n\n"
      "▲７六歩\n△３四歩(00:10)\n*c\n変化：2手\n△８四歩\n投了\n";
  seeds.push_back(board);
  const std::vector<std::string> tokens = {"▲", "△", "▽", "同　", "十", "変化：", "まで", "負け",
                                           "：", "|",  ":",  "\n",   "(",  "打",     "\x81"};
  const Reader read = ReaderOf([](Kifu& kifu, MemoryInStream& in, int index) {
    return index % 2 == 0 ? kifu.ReadKi2(in, index % 8 == 2) : kifu.ReadJapaneseNotation(in, index % 8 == 3);
  });
  Fuzz(seeds, tokens, read, board, 12000 / KIFU_RUN_SCALE, nullptr, 1200 / KIFU_RUN_SCALE);
}

TEST(RecordFuzz, Csa) {
  std::vector<std::string> seeds = FileSeeds({CorpusDir(), std::string(TestDataDir()) + "/csa"}, ".csa");
  for (const std::string& text : WrittenSeeds(104729, &Kifu::WriteCsa)) seeds.push_back(text);
  const std::vector<std::string> tokens = {
      "PI\n", "PI82HI22KA99KY\n", "P-00AL\n", "P+00AL\n", "P+00FU00\n", "P+00TO\n", "P5 * +OU+OU\n", "P+55OU\n", "-\n",
      "+\n", "%KACHI\n", "%TORYO\n", "T99999999999\n", "'a,+7776FU\n", "$X:a,b\n", "V2.2\n", "N+a,b\n", "-0055KI\n"};
  const Reader read = ReaderOf(
      [](Kifu& kifu, MemoryInStream& in, int index) { return kifu.ReadCsa(in, index % 7 == 0, index % 3 == 0 || index < 0); });
  Fuzz(seeds, tokens, read, "PI\n+\n+7776FU\n-3334FU\n", 8000 / KIFU_RUN_SCALE, &Kifu::WriteCsa, 4000 / KIFU_RUN_SCALE);
}
