// The Japanese-notation text reader: both board forms give the start they
// draw, the body reads phrases, results, comments and variations, and every
// header, board or hand fault refuses the text with the record unchanged.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"

namespace {

const std::string kPipeBoard =
    "|v香v桂v銀v金v玉v金v銀v桂v香|一\n"
    "| ・v飛 ・ ・ ・ ・ ・v角 ・|二\n"
    "|v歩v歩v歩v歩v歩v歩v歩v歩v歩|三\n"
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|四\n"
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五\n"
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六\n"
    "| 歩 歩 歩 歩 歩 歩 歩 歩 歩|七\n"
    "| ・ 角 ・ ・ ・ ・ ・ 飛 ・|八\n"
    "| 香 桂 銀 金 玉 金 銀 桂 香|九\n";
// The same start in the compact form: one byte a square, 0x20 + kind x 4,
// + 2 for the second player's pieces.
const std::string kCompactBoard = ":*.26B62.*\n: >     : \n:&&&&&&&&&\n:\n:\n:\n:$$$$$$$$$\n: 8     < \n:(,04@40,(\n";
const std::string kHands = "先手持駒：なし\n後手持駒：なし\n";

int Read(Kifu& record, const std::string& text, ReadReport* report = nullptr) {
  MemoryInStream in(text.c_str());
  return record.ReadJapaneseNotation(in, false, report);
}

TEST(JapaneseText, ReadsBothBoardFormsAndTheBody) {
  for (const std::string& board : {kPipeBoard, kCompactBoard}) {
    Kifu record;
    const std::string text = "手合割：平手\n先手：羽生\n後手：谷川\n場所：東京\n\n" + board + kHands +
                             "\n▲７六歩\n# a remark\n△３四歩 (00:05)\n*good\n投了\nMAKE\n▲２六歩\n変化：2手\n"
                             "|△８四歩\n△８五歩\n";
    ASSERT_EQ(Read(record, text), 0);
    EXPECT_TRUE(record.StartNode()->position == KifuStartPosition());
    EXPECT_STREQ(record.PlayerName(0).Text(), "羽生");
    EXPECT_STREQ(record.GetHeader("場所"), "東京");
    const KifuPositionNode* afterOne = record.MoveAtPly(1)->reachedNode;
    ASSERT_EQ(afterOne->outgoing.Count(), 2);  // △３四歩, then the variation's △８四歩
    const KifuMoveNode* second = afterOne->outgoing.At(0);
    EXPECT_EQ(second->consumedTime, 5);
    EXPECT_STREQ(second->comment.Text(), "good");
    // 投了 is the first player's; the next move goes on from the same position.
    const KifuPositionNode* afterTwo = second->reachedNode;
    ASSERT_EQ(afterTwo->outgoing.Count(), 2);
    EXPECT_EQ(afterTwo->outgoing.At(0)->move, KifuMove(0, 0, 0, 0, KIFU_KING, 0, 0, KifuMoveKind::Resignation));
    EXPECT_EQ(afterTwo->outgoing.At(1)->move, KifuOrdinaryMove(2, 7, 2, 6, KIFU_PAWN, 0));
    // A phrase of the player not to move ends the body (△８五歩 after △８四歩).
    EXPECT_EQ(afterOne->outgoing.At(1)->reachedNode->outgoing.Count(), 0);
  }
}

// Each header key fills its own field, both names of a key alike; any
// other key is kept as an extra header.
TEST(JapaneseText, HeaderKeysFillNamesDateTitleAndEvent) {
  using Field = const SjisString& (*)(const Kifu&);
  const Field first = [](const Kifu& k) -> const SjisString& { return k.PlayerName(0); };
  const Field second = [](const Kifu& k) -> const SjisString& { return k.PlayerName(1); };
  const Field date = [](const Kifu& k) -> const SjisString& { return k.Date(); };
  const Field title = [](const Kifu& k) -> const SjisString& { return k.Title(); };
  const Field event = [](const Kifu& k) -> const SjisString& { return k.Event(); };
  const std::pair<const char*, Field> keys[] = {{"先手", first},   {"下手", first},     {"後手", second},
                                                {"上手", second},  {"対局日", date},    {"開始日付", date},
                                                {"表題", title},   {"棋戦", event}};
  const Field fields[] = {first, second, date, title, event};
  for (const auto& [key, field] : keys) {
    Kifu record;
    ASSERT_EQ(Read(record, "手合割：平手\n" + std::string(key) + "：値\n\n" + kPipeBoard + kHands + "\n▲７六歩\n"), 0)
        << key;
    for (const Field other : fields) EXPECT_STREQ(other(record).Text(), other == field ? "値" : "") << key;
  }
  Kifu record;
  ASSERT_EQ(Read(record, "手合割：平手\n開始日時：値\n\n" + kPipeBoard + kHands + "\n▲７六歩\n"), 0);
  EXPECT_STREQ(record.Date().Text(), "");
  EXPECT_STREQ(record.GetHeader("開始日時"), "値");
}

// One phrase a line: a second phrase on it, a line beginning with ▽, or a
// mark behind other text is passed over and reported; the first such line is
// named, the others counted. A damaged line is named itself (the body's
// first line is 15), at the end or before other moves: an unclosed "(",
// a line whose mark was damaged, a text cut inside a double-byte character.
TEST(JapaneseText, ReportsPhrasesItPassesOver) {
  Kifu record;
  ReadReport report;
  const std::string text = "手合割：平手\n\n" + kPipeBoard + kHands +
                           "\n▲７六歩 △３四歩\n△３四歩 (00:05)\n▽８四歩\nxx▲２六歩\n▲２六歩\n";
  MemoryInStream in(text.c_str());
  ASSERT_EQ(record.ReadJapaneseNotation(in, false, &report), 0);
  EXPECT_EQ(record.LineLength(), 3);
  EXPECT_TRUE(report.Stopped());
  EXPECT_FALSE(report.movesDropped);
  EXPECT_EQ(std::tuple(report.problem, report.at, report.text, report.reason, report.moreSkipped),
            std::tuple(ReadProblem::SkippedLine, 15, std::string("▲７六歩 △３四歩"),
                       std::string("'△３四歩' after the last move read"), 2));
  const struct {
    const char* body;
    int moves, stop;  // stop: the line named, 0 for a complete read
  } damaged[] = {
      {"▲７六歩 ( △３四歩\n", 1, 15},        {"▲７六歩 ( △３四歩\n▲２六歩\n", 1, 15},
      {"▲７六歩 (△３四歩)\n", 1, 15},        {"▲７六歩\n▼３四歩\n", 1, 16},
      {"▲７六歩\n▼３四歩\n▲２六歩\n", 1, 16}, {"▲７六歩\n*よい\x8e", 1, 16},
      {"▲５八\x8b", 1, 15},                   {"▲７六歩\n*ｱｲｳ", 1, 0},
      {"▲７六歩\nまで△３四歩\n", 1, 16},     {"▲７六歩\n#コメント\n△３四歩\n", 2, 0},
  };
  for (const auto& [body, moves, stop] : damaged) {
    Kifu read;
    ReadReport bodyReport;
    ASSERT_EQ(Read(read, "手合割：平手\n\n" + kPipeBoard + kHands + "\n" + body, &bodyReport), 0) << body;
    EXPECT_EQ(read.LineLength(), moves) << body;
    EXPECT_EQ(bodyReport.Stopped() ? bodyReport.at : 0, stop) << body << ": " << bodyReport.reason;
  }
}

// Leading blanks, ASCII or full-width, then "|" bytes before a body line's
// mark are passed over.
TEST(JapaneseText, BlanksAndBarsBeforeTheMarkArePassedOver) {
  Kifu record;
  const std::string text = "手合割：平手\n\n" + kPipeBoard + kHands + "\n　▲７六歩\n 　|△３四歩\n||▲２六歩\n";
  ASSERT_EQ(Read(record, text), 0);
  ASSERT_EQ(record.LineLength(), 3);
  EXPECT_EQ(record.MoveAtPly(1)->move, KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0));
  EXPECT_EQ(record.MoveAtPly(2)->move, KifuOrdinaryMove(3, 3, 3, 4, KIFU_PAWN + KIFU_SECOND_PLAYER_BIT, 0));
  EXPECT_EQ(record.MoveAtPly(3)->move, KifuOrdinaryMove(2, 7, 2, 6, KIFU_PAWN, 0));
}

// The handicap comes from the box; a start that is no standard one needs
// その他. Every fault of header, board and hands: -1 and the record unchanged.
TEST(JapaneseTextMend, ReadsHandicapsAndRefusesFaultyStarts) {
  std::string noRook = kPipeBoard, noPawn = kPipeBoard;
  noRook.replace(noRook.find("v飛"), 3, " ・");
  noPawn.replace(noPawn.find(" 歩"), 3, " ・");
  Kifu record;
  ASSERT_EQ(Read(record, "手合割：平手\n\n" + noRook + kHands + "\n"), 0);
  EXPECT_EQ(record.StartNode()->position.handicapFlags, 0x200);
  ASSERT_EQ(Read(record, "手合割：その他\n後手番\n\n" + noPawn + "先手持駒：歩\n後手持駒：なし\n\n△３四歩\n"), 0);
  EXPECT_EQ(record.LineLength(), 1);
  const std::string faulty[] = {
      "",
      "https://example.com/kifu\n",
      "手合割：平手\n\n" + noPawn + kHands + "\n",                     // a pawn in the box is no handicap
      "\n|v香v桂v銀v金v玉v金v銀v桂 \n" + kPipeBoard.substr(32) + kHands + "\n",  // a row too short
      "\n:*.26B62.J\n" + kPipeBoard.substr(32) + kHands + "\n",        // past 0x43, though a promoted lance
      "\n" + kPipeBoard + "先手持駒：歩百\n後手持駒：なし\n\n",        // more pawns than a set
  };
  for (const std::string& text : faulty) {
    EXPECT_EQ(Read(record, text), -1) << text;
    EXPECT_EQ(record.LineLength(), 1);
  }
}

}  // namespace
