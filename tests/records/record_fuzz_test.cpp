// Mutation fuzz of the KIF, KI2, Japanese-notation and CSA readers over
// corpus, sample, hand-made and written records, with the tokens each
// reader looks for injected; what KIF and CSA read writes and reads back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/kifu.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

using Write = int (Kifu::*)(OutStream&) const;

std::vector<std::string> FileSeeds(const std::vector<std::string>& folders, const char* extension) {
  std::vector<std::string> seeds;
  for (const std::string& folder : folders) {
    for (const std::string& path : FilesWithExtension(folder, extension)) seeds.push_back(FileBytes(path));
  }
  EXPECT_GT(seeds.size(), 20u) << "the corpus is missing";
  return seeds;
}

void AddWrittenSeeds(std::vector<std::string>& seeds, uint32_t step, Write write) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed * step);
    record->SortIncomingByTraversal();
    seeds.push_back(RecordText(*record, write));
  }
}

template <class Read>
RecordTextReader ReaderOf(Read read) {
  return [read](Kifu& kifu, const std::string& text, int index) {
    MemoryInStream in(text.c_str());
    return read(kifu, in, index);
  };
}

// What was read starts from a valid position and writes a text that reads
// back as a sound graph and, written again, is a fixed point of writing and
// reading (the first write may still change: a comment "!PV=" reads back as
// analysis, a CSA name ending in a lone lead byte gains a line end).
std::function<void(Kifu&, const std::string&)> WritesBack(const RecordTextReader& read, Write write) {
  return [read, write](Kifu& kifu, const std::string&) {
    EXPECT_TRUE(kifu.StartNode()->position.IsValid());
    kifu.SortIncomingByTraversal();
    std::string written = RecordText(kifu, write);
    for (int pass = 0; pass < 2; ++pass) {
      Kifu again;
      ASSERT_EQ(read(again, written, -1), 0) << written;
      ExpectKifuGraphValid(again);
      const std::string rewritten = RecordText(again, write);
      if (pass == 1) {
        EXPECT_EQ(rewritten, written);
      }
      written = rewritten;
    }
  };
}

}  // namespace

TEST(RecordFuzz, Kif) {
  std::vector<std::string> seeds = FileSeeds(
      {CorpusDir(), std::string(TestDataDir()) + "/kif", std::string(TestDataDir()) + "/../../samples"}, ".kif");
  AddWrittenSeeds(seeds, 7919, &Kifu::WriteKif);
  const std::vector<std::string> tokens = {"#% label kyoku1\n", "#% goto kyoku1\n", "#% label kyoku2\n",
                                           "#% goto kyoku2\n",  "#% label  \n",     "#% goto\tkyoku1\n",
                                           "#--separator--\n",  "*!VAL=99999999999\n", "*!PV=\n", "7 ", "0 "};
  const RecordTextReader read =
      ReaderOf([](Kifu& kifu, MemoryInStream& in, int index) { return kifu.ReadKif(in, index % 5 == 0); });
  const int cases = 3000 / KIFU_RUN_SCALE;
  EXPECT_GT(FuzzRecordReader(seeds, tokens, cases, read, "手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n",
                             WritesBack(read, &Kifu::WriteKif)),
            cases / 2);
}

TEST(RecordFuzz, Ki2AndJapaneseText) {
  std::vector<std::string> seeds;
  for (const char* game : {"g0001", "g0004", "h0003", "h0008", "t0000", "t0002"}) {
    seeds.push_back(FileBytes(std::string(CorpusDir()) + "/" + game + ".ki2"));
    ASSERT_FALSE(seeds.back().empty()) << game;
  }
  AddWrittenSeeds(seeds, 3, &Kifu::WriteKi2);
  const std::string board =
      "手合割：平手\n先手：a\n\n|v香v桂v銀v金v玉v金v銀v桂v香|一\n| ・v飛 ・ ・ ・ ・ ・v角 ・|二\n"
      ":&&&&&&&&&\n:\n:\n:\n:$$$$$$$$$\n: 8     < \n:(,04@40,(\n先手持駒：なし\n後手持駒：なし\n\n"
      "▲７六歩\n△３四歩(00:10)\n*c\n変化：2手\n△８四歩\n投了\n";
  seeds.push_back(board);
  const std::vector<std::string> tokens = {"▲", "△", "▽", "同　", "十", "変化：", "まで", "負け",
                                           "：", "|",  ":",  "\n",   "(",  "打",     "\x81"};
  const RecordTextReader read = ReaderOf([](Kifu& kifu, MemoryInStream& in, int index) {
    return index % 2 == 0 ? kifu.ReadKi2(in, index % 8 == 2) : kifu.ReadJapaneseNotation(in, index % 8 == 3);
  });
  const int cases = 12000 / KIFU_RUN_SCALE;
  const auto validStart = [](Kifu& kifu, const std::string&) { EXPECT_TRUE(kifu.StartNode()->position.IsValid()); };
  EXPECT_GT(FuzzRecordReader(seeds, tokens, cases, read, board, validStart), cases / 10);
}

TEST(RecordFuzz, Csa) {
  std::vector<std::string> seeds = FileSeeds({CorpusDir(), std::string(TestDataDir()) + "/csa"}, ".csa");
  AddWrittenSeeds(seeds, 104729, &Kifu::WriteCsa);
  const std::vector<std::string> tokens = {
      "PI\n", "PI82HI22KA99KY\n", "P-00AL\n", "P+00AL\n", "P+00FU00\n", "P+00TO\n", "P5 * +OU+OU\n", "P+55OU\n", "-\n",
      "+\n", "%KACHI\n", "%TORYO\n", "T99999999999\n", "'a,+7776FU\n", "$X:a,b\n", "V2.2\n", "N+a,b\n", "-0055KI\n"};
  const RecordTextReader read = ReaderOf(
      [](Kifu& kifu, MemoryInStream& in, int index) { return kifu.ReadCsa(in, index % 7 == 0, index % 3 == 0 || index < 0); });
  const int cases = 4000 / KIFU_RUN_SCALE;
  EXPECT_GT(FuzzRecordReader(seeds, tokens, cases, read, "PI\n+\n+7776FU\n-3334FU\n", WritesBack(read, &Kifu::WriteCsa)),
            cases / 2);
}
