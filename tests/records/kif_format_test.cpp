// KIF: write-read-write fixed points over random records through a string,
// a file and an armoured file; the hand-checked file; files in
// other programs' styles; and the reader's refusals of hostile input.
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/kif_format.h"
#include "records/kifu.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

constexpr uint32_t kRandomRecords = 600 / KIFU_RUN_SCALE;

std::string WriteToString(const Kifu& kifu, bool crlf = false) { return RecordText(kifu, &Kifu::WriteKif, crlf); }

int ReadFromString(Kifu& kifu, const std::string& text, int merge = 0) {
  MemoryInStream in(text.c_str());
  return kifu.ReadKif(in, merge);
}

// Writes the record through a file stream pair and reads it back.
template <class Out, class In>
int ThroughFile(const Kifu& record, Kifu& back) {
  const std::string path = ProcessTempPath("round_trip.kif");
  Out out;
  if (out.Open(path.c_str()) != 0 || record.WriteKif(out) != 0 || out.Close() != 0) return -1;
  In in;
  const int read = in.Open(path.c_str()) == 0 ? back.ReadKif(in, 0) : -1;
  std::remove(path.c_str());
  return read;
}

// Nine diagram rows: the given first and last rows, empty ones between.
std::string Diagram(const char* rank1, const char* rank9) {
  std::string rows = std::string(rank1) + "\n";
  for (const char* numeral : {"二", "三", "四", "五", "六", "七", "八"}) rows += std::string("| ・ ・ ・ ・ ・ ・ ・ ・ ・|") + numeral + "\n";
  return rows + rank9 + "\n";
}

// Counts the moves of a graph (each move node once).
int CountMoves(const Kifu& kifu) {
  int moves = 0;
  for (KifuMoveNode* node = kifu.NextNode(nullptr); node != nullptr; node = kifu.NextNode(node)) {
    if (node != kifu.Root()) moves += node->reachedNode->incoming.Count();
  }
  return moves;
}

// Writes, reads back and writes again: through a string (how 0), a string
// with CR LF as the clipboard has (1), a file (2) or an armoured file (3).
void ExpectFixedPoint(const Kifu& record, const std::string& context, int how = 0) {
  const std::string written = WriteToString(record);
  Kifu back;
  const int read = how == 0   ? ReadFromString(back, written)
                   : how == 1 ? ReadFromString(back, WriteToString(record, true))
                   : how == 2 ? ThroughFile<FileOutStream, FileInStream>(record, back)
                              : ThroughFile<ArmouredFileOutStream, ArmouredFileInStream>(record, back);
  ASSERT_EQ(read, 0) << context;
  ExpectKifuGraphValid(back);
  ASSERT_FALSE(::testing::Test::HasFailure()) << context;
  ASSERT_EQ(CompareKifu(record, back), "") << context << "\n" << written;
  ASSERT_EQ(WriteToString(back), written) << context;
}

}  // namespace

TEST(KifRoundTrip, RandomRecordsThroughStringFileAndArmouredFile) {
  for (uint32_t seed = 1; seed <= kRandomRecords && !HasFailure(); ++seed) {
    // Fewer records, each of its own size: long lines and bushy graphs too.
    RandomRecordOptions options;
    options.maxMainLine = 10 + static_cast<int>(seed * 37 % 190);
    options.maxBranches = static_cast<int>(seed % 13);
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed, options);
    // As a save does: the first incoming move of a position is the one the
    // writer arrives by, which "同　" is judged against.
    record->SortIncomingByTraversal();
    ExpectFixedPoint(*record, std::to_string(seed), static_cast<int>(seed % 4));
  }
}

// Headers, the 13-column move field, both time fields (one of 100 minutes),
// a comment, analysis, a variation that transposes back (label and goto),
// a recapture written "同　" and CR LF: the file checked by hand is read and
// written again byte for byte, so whatever the reader lost or the writer
// changed shows.
TEST(KifWriter, WritesTheHandCheckedFileByteForByte) {
  const std::string expected = std::string(TestDataDir()) + "/kif/hand_checked.kif";
  const std::string path = ProcessTempPath("hand_checked.kif");
  Kifu kifu;
  FileInStream in;
  ASSERT_EQ(in.Open(expected.c_str()) + kifu.ReadKif(in, 0), 0);
  ASSERT_EQ(CountMoves(kifu), 13);
  {
    FileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()) + kifu.WriteKif(out), 0);
  }
  EXPECT_EQ(FileBytes(path), FileBytes(expected));
  std::remove(path.c_str());
  ExpectFixedPoint(kifu, "hand-checked record");
}

TEST(KifWriter, PendingAlternativesBeyondFourThousandAreAllWritten) {
  // Every legal move at each of 150 positions of a line: thousands of
  // alternatives wait on the writer's stack at once.
  Kifu kifu;
  KifuPositionNode* node = kifu.StartNode();
  for (int ply = 0; ply < 150 && node != nullptr; ++ply) {
    KifuMove moves[KIFU_MAX_MOVES];
    const int count = node->position.GenerateMoves(moves, -1, -1, -1, -1, -1, -1, -1, -1);
    KifuPositionNode* next = nullptr;
    for (int index = 0; index < count; ++index) {
      KifuMoveNode* added = node->AddMove(moves[index], 0, nullptr, -1, kifu.Table(), MergeChooser::None(), false);
      if (added != nullptr && next == nullptr && ply % 2 == index % 2) next = added->reachedNode;
    }
    node = next;
  }
  ASSERT_GT(CountMoves(kifu), 4096);
  ExpectFixedPoint(kifu, "wide record");
}

// Hand-made files in the ways other programs write KIF ("#" and "&" lines,
// a "+" after a move with variations, "まで" and "変化：" lines, no line end
// at the end; a mate problem whose box goes to the defender's hand; a
// handicap game with 上手/下手), against their rewrites checked by hand.
// A special move's line: its number, its word padded to 13 columns, and the
// time field twice; the game start has no word.
TEST(KifWriter, SpecialMoveLinesByKind) {
  const struct {
    KifuMoveKind kind;
    std::string word;
  } rows[] = {
      {KifuMoveKind::Mate, "詰み"},         {KifuMoveKind::Resignation, "投了"},   {KifuMoveKind::LossOnTime, "切れ負け"},
      {KifuMoveKind::Loss, "負け"},         {KifuMoveKind::LossByFoul, "反則負け"}, {KifuMoveKind::WinByFoul, "反則勝ち"},
      {KifuMoveKind::Win, "勝ち"},          {KifuMoveKind::Impasse, "持将棋"},     {KifuMoveKind::Repetition, "千日手"},
      {KifuMoveKind::RepetitionCheckBySecond, "千日手"}, {KifuMoveKind::RepetitionCheckByFirst, "千日手"},
      {KifuMoveKind::Interruption, "中断"}, {KifuMoveKind::GameStart, ""},
  };
  const std::string time = "( 0:00/00:00:00)";
  for (const auto& row : rows) {
    Kifu record;
    const KifuMove marker(0, 0, 0, 0, KIFU_KING, 0, 0, row.kind);
    ASSERT_NE(record.AddMove(0, marker, 0, nullptr, -1, MergeChooser::None()), nullptr);
    const std::string line = "\n   1 " + row.word + std::string(13 - row.word.size(), ' ') + time + " " + time + "\n";
    EXPECT_NE(WriteToString(record).find(line), std::string::npos) << static_cast<int>(row.kind) << "\n" << WriteToString(record);
  }
}

// The label table against a pair of maps: names to values, values to names;
// a name or value already present is refused, an absent one finds nothing.
TEST(LabelTable, MatchesMapsOfNamesAndValues) {
  LabelTable table(7);  // few chains, so that entries share them
  std::map<std::string, intptr_t> byName;
  std::map<intptr_t, std::string> byValue;
  std::mt19937 random(5);
  for (int step = 0; step < 400; ++step) {
    const std::string name = "kyoku" + std::to_string(random() % 60);
    const auto value = static_cast<intptr_t>(random() % 60 + 1) * 4096;
    if (step % 2 == 0) {
      const bool fresh = byName.count(name) == 0;
      EXPECT_EQ(table.Insert(name.c_str(), value), fresh ? 0 : -1) << name;
      if (fresh) byName[name] = value;
    } else {
      const bool fresh = byValue.count(value) == 0;
      EXPECT_EQ(table.InsertByValue(name.c_str(), value), fresh ? 0 : -1) << value;
      if (fresh) byValue[value] = name;
    }
    ASSERT_EQ(table.Count(), static_cast<int>(byName.size() + byValue.size()));
  }
  for (int n = 0; n < 60; ++n) {
    const std::string name = "kyoku" + std::to_string(n);
    EXPECT_EQ(table.Find(name.c_str()), byName.count(name) ? byName[name] : 0) << name;
    const intptr_t value = static_cast<intptr_t>(n + 1) * 4096;
    const char* found = table.FindByValue(value);
    EXPECT_EQ(found == nullptr ? std::string("(none)") : std::string(found),
              byValue.count(value) ? byValue[value] : "(none)")
        << value;
  }
  EXPECT_EQ(table.FindByValue(5), nullptr);
  table.RemoveIf([](intptr_t value) { return value <= 30 * 4096; });
  int kept = 0;
  for (const auto& [name, value] : byName) kept += value > 30 * 4096;
  for (const auto& [value, name] : byValue) kept += value > 30 * 4096;
  EXPECT_EQ(table.Count(), kept);
  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.FindByValue(31 * 4096), nullptr);
}

TEST(KifReader, ReadsOtherProgramsStyles) {
  for (const char* name : {"other_variations", "other_problem", "other_handicap"}) {
    const std::string base = std::string(TestDataDir()) + "/kif/" + name;
    Kifu kifu;
    ASSERT_EQ(ReadFromString(kifu, FileBytes(base + ".kif")), 0) << name;
    EXPECT_EQ(WriteToString(kifu), FileBytes(base + ".written")) << name;
  }
}

// The move section's lines: times (a blank before the minutes, three minute
// digits), values, "*" comments after one that begins with "*", a goto to an
// unknown label, a number too high (ignored), a lower one (a variation) and
// a move that can't be read (the end).
TEST(KifReader, ReadsMoveNumbersValuesCommentsAndTimesAsWritten) {
  const std::string head = "手合割：平手\n手数----指手---------消費時間--\n";
  Kifu kifu;
  ASSERT_EQ(ReadFromString(kifu, head +
                                     "1 ７六歩(77) ( 1:05/)\n*!VAL=-123\n**first\n*dropped\n*#kept\n"
                                     "2 ３四歩(33) (100:07/)\n*!VAL=\n#% goto kyoku9\n"
                                     "3 ２六歩(27)\n4 ８四歩(83)\n5 ２五歩(26)\n7 ８五歩(84)\n"
                                     "3 ６八銀(79)\n4 同　角(22)\n"),
            0);
  const KifuMoveNode* first = kifu.MoveAtPly(1);
  EXPECT_EQ(first->consumedTime, 65);
  EXPECT_EQ(first->thinkResult.value, -123);
  EXPECT_STREQ(first->comment.Text(), "*first\r\n#kept");
  EXPECT_EQ(kifu.MoveAtPly(2)->consumedTime, 6007);
  EXPECT_EQ(kifu.MoveAtPly(2)->thinkResult.value, 0);
  EXPECT_NE(kifu.MoveAtPly(5), nullptr);
  EXPECT_EQ(CountMoves(kifu), 6);  // reading stopped where "同　角" could not be read
  EXPECT_EQ(kifu.MoveAtPly(2)->reachedNode->outgoing.Count(), 2);

  // Numbers past any game saturate instead of overflowing.
  Kifu huge;
  ASSERT_EQ(ReadFromString(huge, head + "1 ７六歩(77) (99999999999999:59/)\n*!VAL=-99999999999\n"
                                        "99999999999999999999 ３四歩(33)\n"),
            0);
  EXPECT_EQ(huge.MoveAtPly(1)->consumedTime, 1000000 * 60 + 59);
  EXPECT_EQ(huge.MoveAtPly(1)->thinkResult.value, -2147483647);
  EXPECT_EQ(CountMoves(huge), 1);

  // A result another program writes ends the line where it stands, with its
  // time and its own comment; a move at its ply is a variation.
  Kifu declared;
  ASSERT_EQ(ReadFromString(declared, head + "1 ７六歩(77)\n2 ３四歩(33)\n3 入玉勝ち ( 0:03/00:00:04)\n*宣言\n"
                                             "変化：3手\n3 ２六歩(27)\n4 ８四歩(83)\n"),
            0);
  ASSERT_EQ(declared.LineLength(), 3);
  EXPECT_EQ(declared.MoveAtPly(3)->move.kind, KifuMoveKind::Win);
  EXPECT_STREQ(declared.MoveAtPly(3)->comment.Text(), "宣言");
  EXPECT_STREQ(declared.MoveAtPly(2)->comment.Text(), "");
  EXPECT_EQ(declared.MoveAtPly(2)->reachedNode->outgoing.Count(), 2);
  EXPECT_EQ(CountMoves(declared), 5);
  EXPECT_NE(WriteToString(declared).find("   3 勝ち "), std::string::npos);
}

// A source square names file and rank 1..9: "(06)" is no drop of the
// bishop in hand (only "打" is), so reading stops before it.
TEST(KifReader, StopsAtASourceSquareOffTheBoard) {
  const std::string game = "手合割：平手\n手数----指手---------消費時間--\n"
                           "1 ７六歩(77)\n2 ３四歩(33)\n3 ２二角成(88)\n4 同　銀(31)\n";
  const std::pair<const char*, int> cases[] = {
      {"5 ５五角打\n", 5}, {"5 ５五角(06)\n", 4}, {"5 ５五角(00)\n", 4}, {"5 ５五角(60)\n", 4}, {"5 ５五角(6)\n", 4}};
  for (const auto& [line, moves] : cases) {
    Kifu kifu;
    ASSERT_EQ(ReadFromString(kifu, game + line), 0) << line;
    EXPECT_EQ(CountMoves(kifu), moves) << line;
  }
}

// What follows a move on its line: a time field read to its ")" (anything
// after it), or none begun. A field cut or changed, text before it or a
// second move (lines run together) is named at that line, the move kept;
// so is a variation's first move numbered other than its header says.
// Cut at every byte, the line's move is held once its text is whole.
TEST(KifReader, NamesAMoveLineNotReadToItsEnd) {
  const std::string head = "手数----指手---------消費時間--\n   1 ７六歩(77)\n   2 ３四歩(33)\n";  // line 4: move 3
  const std::string line = "   3 ２六歩(27)   ( 0:03/00:00:19)+";
  const size_t moveEnd = line.find(')') + 1, timeOpen = line.find('(', moveEnd), timeEnd = line.find(')', timeOpen) + 1;
  KifuMoveKind thirdKind = KifuMoveKind::Ordinary;
  const auto read = [&head, &thirdKind](const std::string& moves, ReadReport& report) {
    Kifu kifu;
    MemoryInStream in((head + moves).c_str());
    EXPECT_EQ(kifu.ReadKif(in, 0, &report), 0) << moves;
    if (kifu.LineLength() != 3) return -kifu.LineLength();
    thirdKind = kifu.MoveAtPly(3)->move.kind;
    return kifu.MoveAtPly(3)->consumedTime;
  };
  for (size_t cut = 0; cut <= line.size(); ++cut) {
    ReadReport report;
    const int time = read(line.substr(0, cut), report);
    const bool named = (cut > 3 && cut < moveEnd) || (cut > timeOpen && cut < timeEnd);
    EXPECT_EQ(std::pair(report.Stopped(), report.at), std::pair(named, named ? 4 : 0)) << cut;
    // Unnamed, the time is the one written, or 0 when none was begun.
    if (cut < moveEnd || !named) {
      EXPECT_EQ(time, cut < moveEnd ? -2 : cut >= timeEnd ? 3 : 0) << cut;
    }
  }
  const struct {
    std::string moves;
    int named;
    int seconds = -1;  // move 3's time, when checked
    KifuMoveKind kind = KifuMoveKind::Ordinary;  // and its kind
  } changed[] = {
      {"   3 ２六歩(27)   (0:03)", 4}, {"   3 ２六歩(27)   ( 0:0x/00:00:19)", 4}, {"   3 ２六歩(27) x ( 0:03/00:00:19)", 4},
      {"   3 ２六歩(27)   ( 0:03/00:00:19)\r   4 ８四歩(83)", 4}, {"   3 ２六歩(27)\n( 0:03/00:00:19)+", 5},
      {"   3 ２六歩(27)\n  0:03/00:00:19)", 5}, {"   3 投了   ( 0:0", 4}, {"   3 ２六歩(27)\r  4 投了", 4},
      // A variation begins with the move its header names: another number means its first line was lost.
      {"   3 ２六歩(27)\n変化：3手\n   3 ７八銀(79)", 0}, {"   3 ２六歩(27)\n変化：2手\n*c\n   3 ７八銀(79)", 7},
      {"   3 ２六歩(27)\n変化：2手\n   5 hello\n   2 ８四歩(83)", 0},
      // Time fields in the shapes other programs write, and damage inside one that would read as another time.
      {"   3 ２六歩(27)   ( 0:16/00:00:16)", 0, 16}, {"   3 ２六歩(27)   (00:16/00:00:16)", 0, 16},
      {"   3 ２六歩(27)   (00:16 / 00:00:16)", 0, 16}, {"   3 ２六歩(27)   ( 0:16/0:00:16)", 0, 16},
      {"   3 ２六歩(27)   ( 0:2 0/00:00:20)", 4}, {"   3 ２六歩(27)   ( )0:20/00:00:20)", 4},
      {"   3 ２六歩(27)   (0 0:20/00:00:20)", 4}, {"   3 ２六歩(27)   ( 0 :28/00:00:28)", 4},
      {"   3 ２六歩(27)   ( 0:16/00:00:16)" + std::string(200, ' ') + "( 0:16/00:00:16)", 0, 16},
      {"   3 ２六歩(27)\n変化：  2手\n   3 ７八銀(79)", 6},
      // Results other programs write, read as the nearest the record has.
      {"   3 入玉勝ち     ( 0:16/00:00:16)", 0, 16, KifuMoveKind::Win},
      {"   3 トライ       ( 0:16/00:00:16)", 0, 16, KifuMoveKind::Win},
      {"   3 不戦勝       ( 0:16/00:00:16)", 0, 16, KifuMoveKind::Win},
      {"   3 不戦敗       ( 0:16/00:00:16)", 0, 16, KifuMoveKind::Loss},
      {"   3 最大手数     ( 0:16/00:00:16)", 0, 16, KifuMoveKind::Impasse},
      {"   3 不詰         ( 0:16/00:00:16)", 0, 16, KifuMoveKind::Interruption},
      {"   3 封じ手       (25:00/04:07:00)", 0, 1500, KifuMoveKind::Interruption}};
  for (const auto& [moves, named, seconds, kind] : changed) {
    ReadReport report;
    thirdKind = KifuMoveKind::Ordinary;
    const int time = read(moves + "\n", report);
    EXPECT_EQ(std::pair(report.Stopped(), report.at), std::pair(named > 0, named)) << moves;
    if (seconds >= 0) {
      EXPECT_EQ(std::pair(time, thirdKind), std::pair(seconds, kind)) << moves;
    }
  }
  // A variation header's number is read from "変化：" lines only.
  for (const auto& [header, ply] :
       {std::pair{"変化：12手", 12}, {"変化：   3手", 3}, {"変化：　3手", 3}, {"変化：", 0}, {"手数：12手", 0}, {"", 0}}) {
    EXPECT_EQ(VariationHeaderPly(header), ply) << header;
  }
}

// A lone lead byte before a line end or a blank is not the start of a
// double-byte character: the line end and blank are cut, and the text
// writes and reads back the same.
TEST(KifReader, LoneLeadBytesAtLineEndsKeepNoLineEnd) {
  Kifu kifu;
  ASSERT_EQ(ReadFromString(kifu, "手数----指手---------消費時間--\n1 ７六歩(77)\n*note\x82\r\n*!PV=▲\x82 \n"
                                 "2 ３四歩(33)\n*\x9f\t\n"),
            0);
  EXPECT_STREQ(kifu.MoveAtPly(1)->comment.Text(), "note\x82");
  EXPECT_STREQ(kifu.MoveAtPly(1)->thinkResult.pvText.Text(), "▲\x82");
  EXPECT_STREQ(kifu.MoveAtPly(2)->comment.Text(), "\x9f");
  ExpectFixedPoint(kifu, "lone lead bytes");
}

// Mended faults of the reader.
TEST(KifReader, RefusesHostileGotoLines) {
  const std::string head = "手数----指手---------消費時間--\n";
  const struct {
    const char* body;
    int movesKept;
  } cases[] = {
      {"#% label a\n#% goto a\n1 ７六歩(77)\n", 1},                               // at the root
      {"1 ７六歩(77)\n#% label a\n#% goto a\n", 1},                               // onto itself
      {"#% label a\n1 ７六歩(77)\n2 ３四歩(33)\n#% goto a\n", 2},                 // a different position
      // the same position again further down the line: a cycle
      {"1 ７六歩(77)\n#% label a\n2 ４二銀(31)\n3 ６八銀(79)\n4 ３一銀(42)\n5 ７九銀(68)\n#% goto a\n", 5},
      // a position below the one the move would leave, deleted with it
      {"1 ７六歩(77)\n2 ４二銀(31)\n3 ６八銀(79)\n4 ３一銀(42)\n5 ７九銀(68)\n#% label a\n"
       "1 ７六歩(77)\n#% goto a\n",
       5},
  };
  for (const auto& hostile : cases) {
    Kifu kifu;
    ASSERT_EQ(ReadFromString(kifu, head + hostile.body), 0) << hostile.body;
    ExpectKifuGraphValid(kifu);
    EXPECT_EQ(CountMoves(kifu), hostile.movesKept) << hostile.body;
  }
  // A label whose node was deleted by a goto is forgotten: the second goto
  // would otherwise join freed memory.
  Kifu kifu;
  ASSERT_EQ(ReadFromString(kifu, head +
                                     "1 ７六歩(77)\n2 ３四歩(33)\n3 ２六歩(27)\n#% label m\n"
                                     "1 ２六歩(27)\n2 ３四歩(33)\n3 ７六歩(77)\n#% label gone\n#% goto m\n"
                                     "1 ５六歩(57)\n#% goto gone\n"),
            0);
  ExpectKifuGraphValid(kifu);
  EXPECT_EQ(CountMoves(kifu), 7);
  EXPECT_EQ(kifu.StartNode()->outgoing.At(0)->reachedNode->outgoing.At(0)->reachedNode->outgoing.At(0)
                ->reachedNode->incoming.Count(),
            2);
}

// 不成 keeps the piece unpromoted; a merge read joins transpositions, a
// plain read keeps them apart; a goto that leaves a position with moves of
// its own deletes it with everything below, and forgets the labels there.
TEST(KifReader, NonPromotionTranspositionsAndGotoOverAPositionWithMoves) {
  const std::string head = "手数----指手---------消費時間--\n";
  Kifu kifu;
  ASSERT_EQ(ReadFromString(kifu, head + "1 ７六歩(77)\n2 ３四歩(33)\n3 ２二角不成(88)\n"), 0);
  EXPECT_EQ(kifu.MoveAtPly(3)->move, KifuOrdinaryMove(8, 8, 2, 2, KIFU_BISHOP, KIFU_BISHOP + KIFU_SECOND_PLAYER_BIT));

  const std::string lineA = "1 ７六歩(77)\n2 ３四歩(33)\n3 ２六歩(27)\n4 ８四歩(83)\n";
  const std::string lineB = "1 ２六歩(27)\n2 ８四歩(83)\n3 ７六歩(77)\n4 ３四歩(33)\n";
  for (const int merge : {0, 1}) {
    Kifu fresh;
    ASSERT_EQ(ReadFromString(fresh, head + lineA + lineB, merge), 0);
    const KifuPositionNode* start = fresh.StartNode();
    ASSERT_EQ(start->outgoing.Count(), 2);
    const KifuPositionNode* ends[2];
    for (int line = 0; line < 2; ++line) {
      const KifuPositionNode* at = start->outgoing.At(line)->reachedNode;
      for (int ply = 2; ply <= 4; ++ply) at = at->outgoing.At(0)->reachedNode;
      ends[line] = at;
    }
    EXPECT_EQ(ends[0] == ends[1], merge == 1) << merge;
    EXPECT_EQ(ends[0]->incoming.Count(), merge == 1 ? 2 : 1) << merge;
  }

  // Line B is labelled t; line A's end R gets a fifth move and the labels r
  // and s. Line A's fourth move read again, then sent to t, leaves R without
  // a move reaching it: R and ５六歩 go, and the gotos to r and s are ignored.
  ASSERT_EQ(ReadFromString(kifu, head + lineB + "#% label t\n" + lineA + "#% label r\n5 ５六歩(57)\n#% label s\n" +
                                     "4 ８四歩(83)\n#% goto t\n#% goto r\n#% goto s\n"),
            0);
  ExpectKifuGraphValid(kifu);
  EXPECT_EQ(CountMoves(kifu), 8);
  const KifuPositionNode* t = kifu.StartNode()->outgoing.At(0)->reachedNode;
  for (int ply = 2; ply <= 4; ++ply) t = t->outgoing.At(0)->reachedNode;
  EXPECT_EQ(t->incoming.Count(), 2);
  EXPECT_EQ(t->outgoing.Count(), 0);
}

TEST(KifReader, FailsAndKeepsTheRecordOnBadHeadersStartsAndMerges) {
  Kifu kifu;
  ASSERT_EQ(ReadFromString(kifu, "先手：keep\n手数----指手---------消費時間--\n1 ７六歩(77)\n"), 0);
  const std::string before = WriteToString(kifu);
  const std::string failures[] = {
      "",
      "手合割：九枚落ち\n手数----指手---------消費時間--\n",
      "先手の持駒：玉\n手数----指手---------消費時間--\n",  // a king is no hand piece
      "先手の持駒：銀四十\n手数----指手---------消費時間--\n",  // more than the set, saturated
      "▲７六歩\n",
      "| ・ ・|一\n手数----指手---------消費時間--\n",
      // two first-player kings: not a start the rules can play from
      Diagram("| ・ ・ ・ ・ 玉 ・ ・ ・ 玉|一", "| ・ ・ ・ ・v玉 ・ ・ ・ ・|九") + "手数----指手---------消費時間--\n",
      // a mate problem whose defending king already stands in check
      Diagram("| ・ ・ ・ ・ ・ ・ ・v桂v玉|一", "| ・ ・ ・ ・ ・ ・ ・ ・ 飛|九") + "手数----指手---------消費時間--\n",
  };
  for (const std::string& text : failures) {
    EXPECT_EQ(ReadFromString(kifu, text), -1) << text;
    EXPECT_EQ(WriteToString(kifu), before) << text;
  }
  // A merge whose start is nowhere in the record fails; one whose start is
  // there grafts its moves.
  EXPECT_EQ(ReadFromString(kifu, "手合割：角落ち\n手数----指手---------消費時間--\n1 ５二玉(51)\n", 1), -1);
  EXPECT_EQ(WriteToString(kifu), before);
  EXPECT_EQ(ReadFromString(kifu, "手数----指手---------消費時間--\n1 ２六歩(27)\n", 1), 0);
  EXPECT_EQ(kifu.StartNode()->outgoing.Count(), 2);
  EXPECT_STREQ(kifu.PlayerName(0).Text(), "keep");
}
