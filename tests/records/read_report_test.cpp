// What the readers report: why a record is refused, where a read stops
// (the moves before it kept), the mended forms other programs write, and
// the hostile records read in linear time.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "records/game_record.h"
#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/record_files.h"
#include "support/hostile_records.h"
#include "support/kifu_graph_checks.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

using Reader = std::function<int(Kifu&, InStream&, ReadReport*)>;
const Reader kReadKif = [](Kifu& k, InStream& in, ReadReport* r) { return k.ReadKif(in, 0, r); };
const Reader kReadKi2 = [](Kifu& k, InStream& in, ReadReport* r) { return k.ReadKi2(in, false, r); };
const Reader kReadCsa = [](Kifu& k, InStream& in, ReadReport* r) { return k.ReadCsa(in, 0, 1, r); };
const Reader kReadRvq = [](Kifu& k, InStream& in, ReadReport* r) { return k.ReadRvq(in, false, r); };

int ReadText(const Reader& read, Kifu& kifu, const std::string& text, ReadReport* report) {
  MemoryInStream in(text.c_str());
  return read(kifu, in, report);
}

// An RVQ board of nine kings on the first rank.
std::string NineKings() {
  std::string board;
  for (int at = 0; at < 81; ++at) board += at < 9 ? " OU" : " --";
  return board;
}

std::vector<KifuMove> MainLine(Kifu& kifu) {
  kifu.SelectFirstMoves();
  std::vector<KifuMove> moves;
  for (int ply = 1; ply <= kifu.LineLength(); ++ply) moves.push_back(kifu.MoveAtPly(ply)->move);
  return moves;
}

// Every refusal reason once: the reader, the text, the problem, the line at
// fault (0: none) and words the reason must hold.
TEST(ReadReport, EachRefusalNamesItsReason) {
  const std::string header = "手合割：平手\n";
  const struct {
    const Reader& read;
    std::string text;
    ReadProblem problem;
    int line;
    const char* words;
  } cases[] = {
      {kReadKif, header + "先手：甲\n", ReadProblem::NoMovesLine, 0, "手数----指手--"},
      {kReadKif, "先手：甲\n手合割：九枚落ち\n", ReadProblem::UnknownHandicap, 2, "handicap"},
      {kReadKif, "|v香v桂|\n", ReadProblem::BadDiagramRow, 1, "diagram"},
      {kReadKif, header + "先手の持駒：玉\n", ReadProblem::BadHand, 2, "hand"},
      {kReadKif, header + "先手の持駒：歩\n手数----指手--\n", ReadProblem::InvalidStart, 0, "more 歩 than the 18"},
      {kReadCsa, "P+57FU56FU\nP-51OU\n+\n", ReadProblem::InvalidStart, 0,
       "two unpromoted pawns of the first player on file 5: the start position is not valid"},
      {kReadCsa, "P+59OU58OU\nP-51OU\n+\n", ReadProblem::InvalidStart, 0, "two kings of the first player"},
      {kReadCsa, "P+59OU\n+\n", ReadProblem::InvalidStart, 0, "the second player has no king"},
      {kReadCsa, "P+59OU11KE\nP-51OU\n+\n", ReadProblem::InvalidStart, 0, "on 1一 can never move"},
      {kReadCsa, "P+59OU52KI\nP-51OU\n+\n", ReadProblem::InvalidStart, 0, "the second player, not to move, is in check"},
      {kReadCsa, "N+a\nXYZ\n", ReadProblem::NotThisFormat, 2, "format"},
      {kReadRvq, "<ban>" + std::string(81, 'x') + "</ban>", ReadProblem::NotThisFormat, 0, "format"},
      {kReadRvq, "<ban>" + NineKings() + "</ban>", ReadProblem::InvalidStart, 0, "more 玉 than the 2"},
  };
  for (const auto& c : cases) {
    Kifu kifu;
    const std::string before = DescribeKifuGraph(kifu);
    ReadReport report;
    EXPECT_EQ(ReadText(c.read, kifu, c.text, &report), -1) << c.text;
    EXPECT_EQ(report.problem, c.problem) << c.text;
    EXPECT_EQ(report.line, c.line) << c.text;
    EXPECT_NE(report.reason.find(c.words), std::string::npos) << report.reason;
    EXPECT_EQ(DescribeKifuGraph(kifu), before);
  }
  // Stops: the move is kept out and named, the record keeps what came before.
  for (const auto& [move, problem, words] :
       {std::tuple{"   2 ７六歩(77)", ReadProblem::ImpossibleMove, "no such piece on 7七"},
        std::tuple{"   2 ７六XX(77)", ReadProblem::UnreadableMove, "unreadable"},
        std::tuple{"   2 ５五角打", ReadProblem::ImpossibleMove, "no 角 in hand"}}) {
    Kifu kifu;
    ReadReport report;
    const std::string text = header + "手数----指手--\n   1 ７六歩(77)\n" + move + "\n   3 ２六歩(27)\n";
    ASSERT_EQ(ReadText(kReadKif, kifu, text, &report), 0);
    EXPECT_EQ(std::tuple(report.problem, report.line, report.text, report.Stopped()),
              std::tuple(problem, 4, std::string(move), true));
    EXPECT_NE(report.reason.find(words), std::string::npos) << report.reason;
    EXPECT_EQ(MainLine(kifu).size(), 1u);
  }
  // Encodings, through the dispatch: a byte-order mark, NUL bytes.
  Kifu kifu;
  ReadReport report;
  EXPECT_EQ(ReadKifuText(("\xEF\xBB\xBF" + header + "手数----指手--\n").c_str(), kifu, &report), -1);
  EXPECT_EQ(report.problem, ReadProblem::Utf8Text);
  const std::string path = ProcessTempPath("utf16.kif");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite("\xFF\xFE\x4B\x00\x49\x00", 1, 6, file);
  std::fclose(file);
  EXPECT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_KIF, kifu, false, &report), -1);
  EXPECT_EQ(report.problem, ReadProblem::UnknownEncoding);
  std::remove(path.c_str());
}

// UTF-8 text without a mark is named as such when the readers refuse it,
// and the refused load keeps the record.
TEST(ReadReport, GameRecordLoadNamesUnmarkedUtf8) {
  const std::string path = ProcessTempPath("utf8.kif");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  const std::string bytes = reinterpret_cast<const char*>(u8"手合割：平手\n手数----指手--\n   1 ７六歩(77)\n");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  GameRecord game;
  ASSERT_TRUE(game.LoadFromText(SjisString("手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 ８四歩(83)\n")));
  KifuFileType type = KIFU_FILE_DETECT;
  ReadReport report;
  EXPECT_FALSE(game.Load(path.c_str(), &type, false, &report));
  EXPECT_EQ(report.problem, ReadProblem::Utf8Text);
  EXPECT_EQ(game.record->LineLength(), 2);
  std::remove(path.c_str());
}

TEST(ReadReport, LabelKeyShiftsAPartialChunkToItsPlace) {
  EXPECT_EQ(LabelTable::LabelKey("kyoku1"), 0x6b0c5e6bu);
  EXPECT_EQ(LabelTable::LabelKey("kyok"), 0x6b796f6bu);
  EXPECT_EQ(LabelTable::LabelKey(""), 0u);
}

// Other programs write the moves line without its time column and 同
// without its blank; both read as the usual form does.
TEST(ReadReport, ShortMovesLineAndSameSquareWithoutBlankReadAsUsual) {
  const std::string usual =
      "手合割：平手\n手数----指手---------消費時間--\n   1 ７六歩(77)   ( 0:01/00:00:01)\n"
      "   2 ３四歩(33)   ( 0:02/00:00:02)\n   3 ２二角成(88) ( 0:03/00:00:04)\n   4 同　銀(31)   ( 0:04/00:00:06)\n";
  const std::string other = "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 ３四歩(33)\n   3 ２二角成(88)\n"
                            "   4 同銀(31)\n";
  Kifu a, b;
  ReadReport report;
  ASSERT_EQ(ReadText(kReadKif, a, usual, nullptr), 0);
  ASSERT_EQ(ReadText(kReadKif, b, other, &report), 0);
  EXPECT_FALSE(report.Stopped()) << report.reason;
  const std::vector<KifuMove> usualMoves = MainLine(a), otherMoves = MainLine(b);
  EXPECT_EQ(otherMoves.size(), 4u);
  EXPECT_TRUE(usualMoves == otherMoves);
}

// Built small: both read right, and fast (their speed is measured in
// bench/records/hostile_read_bench).
TEST(ReadReport, HostileRecordsReadCorrectly) {
  constexpr int kMoves = 2000;
  Kifu gotos;
  ReadReport report;
  ASSERT_EQ(ReadText(kReadKif, gotos, HostileGotoKif(kMoves), &report), 0);
  EXPECT_FALSE(report.Stopped());
  // Every goto names an ancestor: refused, the line stays whole.
  EXPECT_EQ(MainLine(gotos).size(), static_cast<size_t>(kMoves));
  EXPECT_EQ(ExpectKifuGraphValid(gotos), kMoves + 1);

  Kifu variations;
  ASSERT_EQ(ReadText(kReadKi2, variations, HostileVariationKi2(kMoves), &report), 0);
  EXPECT_FALSE(report.Stopped());
  EXPECT_EQ(MainLine(variations).size(), static_cast<size_t>(kMoves));
  ExpectKifuGraphValid(variations);
  // Each variation rejoined the line: three moves from every fourth position.
  const KifuPositionNode* start = variations.StartNode();
  ASSERT_EQ(start->outgoing.Count(), 2);
  const KifuPositionNode* rejoined = start->outgoing.At(1)->reachedNode->outgoing.At(0)->reachedNode->outgoing.At(0)->reachedNode;
  EXPECT_GT(rejoined->incoming.Count(), 1);
}

}  // namespace
