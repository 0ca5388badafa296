// What the readers report: why a record is refused, where a read stops
// (the moves before it kept), the mended forms other programs write, and
// the hostile records read in linear time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
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

// The rest of a stream's text, for the readers that take a whole text.
std::string Rest(InStream& in) {
  std::string text;
  char buffer[4096];
  for (int got; (got = in.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
  return text;
}
// A paste, which tries every reader, and a .ki2 file.
const Reader kPaste = [](Kifu& k, InStream& in, ReadReport* r) { return ReadKifuText(Rest(in).c_str(), k, r); };
const Reader kKi2File = [](Kifu& k, InStream& in, ReadReport* r) {
  const std::string path = ProcessTempPath("read.ki2");
  const int read = WriteFileBytes(path, Rest(in)) ? ReadKifuFile(path.c_str(), KIFU_FILE_KI2, k, false, r) : -2;
  std::remove(path.c_str());
  return read;
};

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
      // Lines that end in CR alone, whatever the first line holds, as a file and pasted.
      {kKi2File, "開始日時：2020/01/01\r先手：甲\r▲７六歩 △３四歩\r", ReadProblem::CrLineEnds, 0, "CR alone"},
      {kPaste, "先手：甲\r▲７六歩 △３四歩\r", ReadProblem::CrLineEnds, 0, "CR LF or LF"},
      {kPaste, "手合割：平手\r手数----指手--\r1 ７六歩(77)", ReadProblem::CrLineEnds, 0, "CR alone"},
      {kKi2File, "手合割：平手\r", ReadProblem::CrLineEnds, 0, "CR alone"},
  };
  for (const auto& c : cases) {
    Kifu kifu;
    const std::string before = DescribeKifuGraph(kifu);
    ReadReport report;
    EXPECT_EQ(ReadText(c.read, kifu, c.text, &report), -1) << c.text;
    EXPECT_EQ(report.problem, c.problem) << c.text;
    EXPECT_EQ(report.at, c.line) << c.text;
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
    EXPECT_EQ(std::tuple(report.problem, report.at, report.text, report.Stopped()),
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

// Lines of moves a reader passes over: the first is named with its line and
// reason, the rest counted beside it, and the read counts as incomplete;
// what the record holds is what it held before these reports existed.
TEST(ReadReport, SkippedLinesAreNamedAndCounted) {
  const std::string kif = "手合割：平手\n手数----指手--\n   1 ７六歩(77)\n   2 ３四歩(33)\n";
  const std::string ki2 = "手合割：平手\n先手：甲\n";
  const struct {
    const Reader& read;
    std::string text;
    int line;  // 0: nothing reported
    const char* text_at_line;
    const char* reason;
    int more;
    size_t moves;  // ordinary moves and markers of the line read
  } cases[] = {
      // Swapped KIF lines: 4 before 3, then 5 and 6 after 3 are all above the next move.
      {kReadKif, kif + "   4 ８四歩(83)\n   3 ２六歩(27)\n   5 ２五歩(26)\n   6 ８五歩(84)\n", 5, "   4 ８四歩(83)",
       "move 4 where 3 was expected", 2, 3},
      {kReadKif, kif + "   9 投了\n", 5, "   9 投了", "move 9 where 3 was expected", 0, 2},
      {kReadKif, kif + "   5 待った\n", 5, "   5 待った", "move 5 where 3 was expected", 0, 2},
      {kReadKif, kif + "x   3 ２六歩(27)\n", 5, "x   3 ２六歩(27)", "text before the move number", 0, 2},
      // A move whose number was damaged, wherever the move stands.
      {kReadKif, kif + "１３ ２六歩(27)\n   3 ２六歩(27)\n", 5, "１３ ２六歩(27)", "a move without a readable move number", 0, 3},
      {kReadKif, kif + "  15x２六歩(27)\n", 5, "  15x２六歩(27)", "move 15 where 3 was expected", 0, 2},
      {kReadKif, kif + "ｱ２六歩(27)\n", 5, "ｱ２六歩(27)", "a move without a readable move number", 0, 2},
      // A numbered line with a move's time field, whose move text was damaged past reading.
      {kReadKif, kif + "   4烽U二金打     ( 0:00/00:00:00)\n", 5, "   4烽U二金打     ( 0:00/00:00:00)",
       "a line numbered 4, whose move can't be read, where move 3 was expected", 0, 2},
      // Lines without a number, or whose text is no move, stay silent.
      {kReadKif, kif + "変化：3手\nまで2手で後手の勝ち\n*   7 ２六歩(27)\n   5 hello\n  10\n備考：２六歩(27)\n", 0, "", "", 0, 2},
      // A bookmark names a position, whatever its name reads like.
      {kReadKif, kif + "&７六歩(77)\n&   3 ２六歩(27)\n   3 ２六歩(27)\n", 0, "", "", 0, 3},
      // Results other programs write, which the record has no kind for, are passed over: a variation after one is read.
      {kReadKif, kif + "   3 入玉勝ち   ( 0:03/00:00:04)\n変化：3手\n   3 ２六歩(27)\n", 0, "", "", 0, 3},
      {kReadKif, kif + "   3 不詰\n変化：3手\n   3 ２六歩(27)\n", 0, "", "", 0, 3},
      {kReadKi2, ki2 + "▲７六歩 xx △３四歩\n△８四歩\n", 3, "▲７六歩 xx △３四歩", "'xx △３四歩' after the last move read",
       0, 2},
      {kReadKi2, ki2 + "▲７六歩(00:12) △３四歩(00:05)\n", 3, "▲７六歩(00:12) △３四歩(00:05)",
       "'△３四歩(00:05)' after the last move read", 0, 1},
      {kReadKi2, ki2 + "▲７六歩 (00:12)\n△３四歩\n", 0, "", "", 0, 2},
      // "#" lines are comments among the moves too; "&" lines bookmarks.
      {kReadKi2, ki2 + "▲７六歩\n#コメント\n  #▲２六歩\n&▲２六歩\n△３四歩\n", 0, "", "", 0, 2},
      // A result line holds no side mark: "まで" put before a move line hides it.
      {kReadKi2, ki2 + "▲７六歩\nまで△３四歩 ▲２六歩\n", 4, "まで△３四歩 ▲２六歩", "moves on a result line, which are not read",
       0, 1},
      {kReadKi2, ki2 + "まで▲７六歩\n△３四歩\n", 3, "まで▲７六歩", "moves on a result line, which are not read", 1, 0},
      {kReadKi2, ki2 + "▲７六歩\nxx △３四歩\n△８四歩\n", 4, "xx △３四歩", "moves on a line that does not begin with ▲ or △",
       0, 2},
      // Passed over by the header reader, before the first move.
      {kReadKi2, ki2 + "x ▲７六歩\n▲２六歩\n", 3, "x ▲７六歩", "moves on a line that does not begin with ▲ or △", 0, 1},
      // Moves after the result, before any variation, are the game's own.
      {kReadKi2, ki2 + "▲７六歩\nまで1手で先手の勝ち\n△３四歩\n*△８四歩\n\n変化：1手\n▲２六歩\n", 5, "△３四歩",
       "moves after the result line", 0, 2},
      {kReadCsa, "PI\n+\n+7776FU\nx-3334FU\n-3334FU\n%TORYO\n+2726FU\n'+2625FU\n", 4, "x-3334FU",
       "a move after other text", 1, 3},
      // A second record after "/" is named once, however many moves it holds.
      {kReadCsa, "PI\n+\n+7776FU\n/\n-3334FU\n+2726FU\n-8384FU\n", 5, "-3334FU",
       "another record after the \"/\" line, which is not read", 0, 1},
      // A handicap game whose upper hand's moves are marked "▽", and a title line first, as a file and pasted.
      {kKi2File, "手合割：角落ち\n▽３四歩 ▲７六歩\n▽８四歩\n", 0, "", "", 0, 3},
      {kPaste, "手合割：角落ち\n▽３四歩 ▲７六歩\n▽８四歩\n", 0, "", "", 0, 3},
      {kPaste, "第３局　横歩取り８五飛\n▲７六歩 △３四歩\n", 0, "", "", 0, 2},
      // A stray CR inside a line of LF text ends no line, and refuses nothing.
      {kKi2File, "先手：甲\r乙\n▲７六歩 △３四歩\r\n", 0, "", "", 0, 2},
      // Side marks before names, first and among the keys; variations after the result.
      {kKi2File, "▽森内 ▲羽生\n手合割：平手\n▽後手：森内俊之\n▲羽生善治　△森内俊之\n▲７六歩 △３四歩\n", 0, "", "", 0, 2},
      {kPaste, "▽森内 ▲羽生\n手合割：平手\n▽後手：森内俊之\n▲羽生善治　△森内俊之\n▲７六歩 △３四歩\n", 0, "", "", 0, 2},
      {kReadKi2, ki2 + "▲７六歩\nまで1手で先手の勝ち\n\n変化：1手\n▲２六歩\n\n変化：1手\nx ▲５六歩\n", 10, "x ▲５六歩",
       "moves on a line that does not begin with ▲ or △", 0, 2},
      // A variation header without its number is named, and its moves join no other line.
      {kReadKi2, ki2 + "▲７六歩\nまで1手で先手の勝ち\n変化：x手\n△３四歩\n", 5, "変化：x手",
       "a variation header whose move number can't be read, and the variation after it", 1, 2},
      {kReadKi2, ki2 + "▲７六歩\n変化：x手\n#▲２六歩\n△３四歩\n", 4, "変化：x手",
       "a variation header whose move number can't be read, and the variation after it", 1, 1},
  };
  for (const auto& c : cases) {
    Kifu kifu;
    ReadReport report;
    ASSERT_EQ(ReadText(c.read, kifu, c.text, &report), 0) << c.text;
    EXPECT_EQ(std::tuple(report.Stopped(), report.lineSkipped, report.movesDropped), std::tuple(c.line > 0, c.line > 0, false))
        << c.text;
    if (c.line > 0) {
      EXPECT_EQ(std::tuple(report.problem, report.at, report.text, report.reason, report.moreSkipped),
                std::tuple(ReadProblem::SkippedLine, c.line, std::string(c.text_at_line), std::string(c.reason), c.more))
          << c.text;
    }
    EXPECT_EQ(MainLine(kifu).size(), c.moves) << c.text;
  }
  // A stop after a skipped line keeps the skipped line as the problem.
  Kifu kifu;
  ReadReport report;
  ASSERT_EQ(ReadText(kReadKif, kifu, kif + "   4 ８四歩(83)\n   3 ７六歩(77)\n   4 ８四歩(83)\n", &report), 0);
  EXPECT_EQ(std::tuple(report.at, report.lineSkipped, report.movesDropped, report.moreSkipped),
            std::tuple(5, true, true, 0));
  EXPECT_EQ(report.reason, "move 4 where 3 was expected");
  EXPECT_EQ(MainLine(kifu).size(), 2u);
}

// A NUL byte refuses a file wherever it stands, and the line is named.
TEST(ReadReport, NulBytesRefuseTheFileAtTheirLine) {
  const std::string path = ProcessTempPath("nul.kif");
  std::string text = "手合割：平手\n手数----指手--\n";
  for (int ply = 1; ply <= 400; ++ply) text += ply % 2 == 1 ? "   1 ７六歩(77)\n" : "   2 ３四歩(33)\n";
  ASSERT_GT(text.size(), 4096u);
  for (const int line : {1, 300}) {
    std::string withNul;
    int at = 1;
    for (size_t start = 0; start < text.size(); ++at) {
      const size_t end = text.find('\n', start) + 1;
      std::string piece = text.substr(start, end - start);
      if (at == line || at == 350) piece.insert(2, 1, '\0');  // the first is named
      withNul += piece;
      start = end;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(withNul.data(), 1, withNul.size(), file);
    std::fclose(file);
    Kifu kifu;
    ReadReport report;
    EXPECT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_KIF, kifu, false, &report), -1);
    EXPECT_EQ(std::tuple(report.problem, report.at), std::tuple(ReadProblem::UnknownEncoding, line));
    EXPECT_EQ(kifu.LineLength(), 0);
  }
  // The file's last byte too.
  ASSERT_TRUE(WriteFileBytes(path, text + std::string(1, '\0')));
  Kifu kifu;
  ReadReport report;
  EXPECT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_KIF, kifu, false, &report), -1);
  EXPECT_EQ(std::tuple(report.problem, report.at),
            std::tuple(ReadProblem::UnknownEncoding, static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1));
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

// A report set without words of its own gives its problem's reason: none
// for no problem, and for every other problem one of its own.
TEST(ReadReport, EveryProblemHasAReasonOfItsOwn) {
  std::set<std::string> reasons;
  for (int code = static_cast<int>(ReadProblem::None); code <= static_cast<int>(ReadProblem::CrLineEnds); ++code) {
    ReadReport report;
    report.Set(static_cast<ReadProblem>(code), 3, SjisString("line"), nullptr);
    EXPECT_EQ(report.reason.empty(), code == static_cast<int>(ReadProblem::None)) << code;
    reasons.insert(report.reason);
  }
  EXPECT_EQ(reasons.size(), static_cast<size_t>(ReadProblem::CrLineEnds) + 1);
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
