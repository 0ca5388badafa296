// CSA: write-read-write fixed points over random records, the kinds CSA
// can't keep, the layout against hand-checked files (tests/data/csa),
// other programs' files and the reader's cases (a row or more per mended
// fault). The corpus is in ki2_format_test, the fuzz in record_fuzz_test.
#include <cstring>
#include <tuple>

#include <gtest/gtest.h>

#include "records/csa_token.h"
#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {


std::string WriteCsaText(const Kifu& kifu) { return RecordText(kifu, &Kifu::WriteCsa); }

int ReadCsaText(Kifu& kifu, const std::string& text, int strict = 0, int merge = 0, ReadReport* report = nullptr) {
  MemoryInStream in(text.c_str());
  return kifu.ReadCsa(in, merge, strict, report);
}

std::string DataFile(const char* name) { return std::string(TestDataDir()) + "/csa/" + name; }

// What CSA keeps of the main line: ordinary moves with their times, up to
// the first special move written, as the kind it reads back as.
std::vector<std::pair<KifuMove, int>> CsaLine(const Kifu& kifu) {
  std::vector<std::pair<KifuMove, int>> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode) {
    const KifuMoveNode* node = at->outgoing.At(0);
    const KifuMoveKind kind = node->move.kind;
    if (kind == KifuMoveKind::Ordinary) line.emplace_back(node->move, node->consumedTime);
    if (kind == KifuMoveKind::Ordinary || kind == KifuMoveKind::TakeBack || kind == KifuMoveKind::Resumption) continue;
    const bool repetition = kind >= KifuMoveKind::Repetition && kind <= KifuMoveKind::RepetitionCheckByFirst;
    const KifuMoveKind read = repetition ? KifuMoveKind::Repetition : KifuMoveKind::Interruption;
    line.emplace_back(KifuMove(0, 0, 0, 0, 0, 0, 0, kind == KifuMoveKind::Resignation ? kind : read), 0);
    break;
  }
  return line;
}

// A stream that fails once `room` bytes are used.
class FullOutStream : public OutStream {
 public:
  explicit FullOutStream(int room) : room_(room) {}
  int WriteString(const char* text) override { return (room_ -= static_cast<int>(std::strlen(text))) < 0 ? -1 : 0; }
  int WriteChar(char) override { return --room_ < 0 ? -1 : 0; }

 private:
  int room_;
};

}  // namespace

// The hand-checked files; commas and line ends leave the header fields.
TEST(CsaWriter, WritesTheLayoutByteForByte) {
  Kifu kifu;
  ASSERT_EQ(ReadCsaText(kifu, "PI\n+\n+7776FU,T12\n-3334FU\n+8822UM,T3\n-3122GI,T45\n+0045KA,T1\n%TORYO"), 0);
  kifu.PlayerName(0).Assign("Sen,te");
  kifu.PlayerName(1).Assign("Go\r\nte");
  kifu.Date().Assign("2026/12/06");
  kifu.Title().Assign("表題,\n");
  kifu.Event().Assign("棋戦");
  kifu.SetHeader("場所", "東京,将棋会館");
  EXPECT_EQ(WriteCsaText(kifu), FileBytes(DataFile("layout.written")));
  SjisString text;
  StringOutStream out(text, false);
  ASSERT_EQ(kifu.WriteCsaPosition(out, kifu.MoveAtPly(5)->reachedNode->position), 0);
  EXPECT_EQ(text.Text(), FileBytes(DataFile("layout_position.written")));
  Kifu back;
  ASSERT_EQ(ReadCsaText(back, WriteCsaText(kifu), 1), 0);
  EXPECT_STREQ(back.PlayerName(1).Text(), "Gote");
  // A lone lead byte carries no line end with it: the rest stays in the name
  // instead of becoming a move line.
  kifu.PlayerName(1).Assign("Go\x81\n+5756FU");
  ASSERT_EQ(ReadCsaText(back, WriteCsaText(kifu), 1), 0);
  EXPECT_STREQ(back.PlayerName(1).Text(), "Go\x81+5756FU");
  EXPECT_EQ(CsaLine(back), CsaLine(kifu));
}

// Every kind's line (none for take-back and resumption); the writer goes on
// after it, the reader stops there with the kind CSA keeps.
TEST(CsaWriter, SpecialMovesByKind) {
  const char* const kLines[] = {"", "%CHUDAN,'tsumi", "%TORYO", "%CHUDAN,'timeout", "%CHUDAN,'lose",
                                "%CHUDAN,'lose(foul)", "%CHUDAN,'win(foul)", "%CHUDAN,'win", "%CHUDAN,'jishogi",
                                "%SENNICHITE,'draw", "%SENNICHITE,'sente win", "%SENNICHITE,'gote win", "", "",
                                "%CHUDAN", ""};
  for (int kind = 1; kind < 16; ++kind) {
    if (kind == static_cast<int>(KifuMoveKind::GameStart)) continue;
    Kifu kifu, back;
    const KifuMove special(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, static_cast<KifuMoveKind>(kind));
    KifuPositionNode* at = KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}})->reachedNode;
    KifuPlayLine(kifu, at->AddMove(special, 9, nullptr, 0, kifu.Table(), {}, true)->reachedNode, {{3, 3, 3, 4}});
    const std::string written = WriteCsaText(kifu);
    EXPECT_EQ(written.substr(written.find("+7776FU,T0,'\n") + 13),
              (*kLines[kind] == '\0' ? "" : kLines[kind] + std::string("\n")) + "-3334FU,T0,'\n");
    ASSERT_EQ(ReadCsaText(back, written), 0);
    EXPECT_EQ(CsaLine(back), CsaLine(kifu)) << written;
    EXPECT_EQ(back.LineLength(), 2);
  }
}

// A gold or king flagged as promoting (no rule lets it) is written as itself;
// a failed write is reported.
TEST(CsaWriter, NamesOnlyPromotableTypesPromotedAndReportsFailedWrites) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{6, 9, 5, 8}, {5, 1, 4, 2}});
  for (int ply = 1; ply <= 2; ++ply) kifu.MoveAtPly(ply)->move.promote = 1;
  const int size = static_cast<int>(WriteCsaText(kifu).size());
  EXPECT_NE(WriteCsaText(kifu).find("+6958KI,T0,'\n-5142OU,T0,'\n"), std::string::npos);
  FullOutStream full(size - 5), position(300), roomy(size);
  EXPECT_EQ(kifu.WriteCsa(full), -1);
  EXPECT_EQ(kifu.WriteCsaPosition(position, kifu.StartNode()->position), -1);
  EXPECT_EQ(kifu.WriteCsa(roomy), 0);
}

// Files as other programs write them, read when loading and when pasting,
// against their hand-checked rewrites: version line, "$" headers, comments
// holding commas, PI removals, placements on an empty board with 00AL,
// times on their own lines and after commas, mixed-case letters, %TORYO,
// %CHUDAN, %KACHI (passed over) and %SENNICHITE.
TEST(CsaReader, ReadsOtherProgramsFilesAlsoWhenPasted) {
  for (const char* name : {"handicap_pi", "tsume_al", "rows_sennichite"}) {
    for (int strict = 0; strict <= 1; ++strict) {
      Kifu kifu;
      ASSERT_EQ(ReadCsaText(kifu, FileBytes(DataFile(name) + ".csa"), strict), 0) << name;
      EXPECT_EQ(WriteCsaText(kifu), FileBytes(DataFile(name) + ".written")) << name;
    }
  }
}

// Move and "%" tokens against the even start, first player to move: a
// board move takes its piece from the square and promotes when the token
// names the promoted type of it; a drop names a hand type, pawn to rook;
// anything else is refused and the move left as it was.
TEST(CsaToken, ParsesMoveAndResultTokensAgainstThePosition) {
  const KifuPosition start = KifuStartPosition();
  const int S = KIFU_SECOND_PLAYER_BIT;
  const KifuMove untouched(1, 2, 3, 4, KIFU_GOLD, 0, 1, KifuMoveKind::Ordinary);
  const auto result = [](KifuMoveKind kind) { return KifuMove(0, 0, 0, 0, KIFU_KING, 0, 0, kind); };
  const std::pair<const char*, KifuMove> cases[] = {
      {"+7776FU", KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0)},
      {"+7776TO", KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0, 1)},
      {"+8822KA", KifuOrdinaryMove(8, 8, 2, 2, KIFU_BISHOP, S | KIFU_BISHOP)},
      {"+8822UM", KifuOrdinaryMove(8, 8, 2, 2, KIFU_BISHOP, S | KIFU_BISHOP, 1)},
      {"-3334FU", KifuOrdinaryMove(3, 3, 3, 4, S | KIFU_PAWN, 0)},
      {"+0055FU", KifuMove(KIFU_FIRST_HAND_FILE, KIFU_PAWN, 5, 5, KIFU_PAWN, 0, 0, KifuMoveKind::Ordinary)},
      {"+0055HI", KifuMove(KIFU_FIRST_HAND_FILE, KIFU_ROOK, 5, 5, KIFU_ROOK, 0, 0, KifuMoveKind::Ordinary)},
      {"-0055KE", KifuMove(KIFU_SECOND_HAND_FILE, KIFU_KNIGHT, 5, 5, S | KIFU_KNIGHT, 0, 0, KifuMoveKind::Ordinary)},
      {"%TORYO", result(KifuMoveKind::Resignation)},
      {"%CHUDAN", result(KifuMoveKind::Interruption)},
      {"%SENNICHITE", result(KifuMoveKind::Repetition)},
      // Refused: the wrong type or side on the square, an own piece taken,
      // a drop of a king or a promoted piece, a half-given source, no
      // destination, an unknown word.
      {"+7776KY", untouched}, {"+3334FU", untouched}, {"+6959KI", untouched}, {"+5556FU", untouched},
      {"+0055OU", untouched}, {"+0055TO", untouched}, {"+0055UM", untouched}, {"+0055RY", untouched},
      {"+0555FU", untouched}, {"+5055FU", untouched}, {"+7770FU", untouched}, {"+77", untouched},
      {"%KACHI", untouched}, {"%", untouched}};
  for (const auto& [text, expected] : cases) {
    KifuMove move = untouched;
    EXPECT_EQ(ParseCsaSpecialMove(SjisString(text), start, move), !(expected == untouched)) << text;
    EXPECT_EQ(move, expected) << text;
  }
}

// Texts and what reading them gives: a failure (-1, the record kept), or
// the length of the line read and a part of the record written back. Only
// a real CSA element makes a text CSA; pasting (strict) refuses unknown
// header lines but takes V2.2 and "$" lines; a comment line holds commas;
// reading stops at the first move refused; PI takes removals; placements
// alone start from an empty board; 00AL gives the rest; hand groups are
// bounded by their end and by the full set. A token passed over that may
// be a damaged move (a result word the format lacks, a time that is no
// number, which changes no time) is named by its own line, and so is a
// second side-to-move line; a bare "T" is 0 and a fraction of a second is
// dropped. The time after a result passed over changes no move's time;
// "/" ends the record, and another one after it is named.
TEST(CsaReader, ReadsOrRefusesTexts) {
  const std::string moves = "PI\n+\n+7776FU\n%KACHI\n-3334FU,T4\n", kings = "P+59OU\nP-51OU\n";
  const std::string king = "P9 *  *  *  * +OU *  *  *  * \n";
  std::string pawns[20] = {};
  for (int count = 1; count < 20; ++count) pawns[count] = pawns[count - 1] + "00FU";
  const struct {
    std::string text;
    int strict, line;
    std::string shows{};
    int named = -1;  // the line the report names, 0 for none; -1: not looked at
  } kCases[] = {
      {"Nice", 0, -1}, {"+hello", 0, -1}, {"-1", 0, -1}, {"%KACHI", 0, -1}, {"Time\nT12", 0, -1}, {"N\nPX", 0, -1},
      {"V2.2\n$EVENT:x", 1, -1}, {"Xyz\nPI", 1, -1}, {"X1\nPI", 1, -1}, {"Vx\nPI", 1, -1}, {"$NOCOLON\nPI", 1, -1}, {"Xyz\nPI", 0, 0}, {"N+a", 1, 0, "N+a\n"},
      {"-", 1, 0, "\n-\n"}, {"+7776FU", 1, 1}, {"%TORYO", 1, 1, "%TORYO"}, {"V2.2\n$EVENT:a,b\nPI", 1, 0},
      {"'a, b\nPI\n+\n+7776FU,'x,-3334FU\n-8384FU", 1, 2, "-8384FU"}, {std::string(400000, ',') + "PI\n+\n+7776FU", 0, 1},
      {moves + "+7775FU\n+2726FU", 0, 2, "-3334FU,T4,'\n"}, {moves + "+2725FU\n+2726FU", 0, 2},
      {moves + "-4132KI\n+2726FU", 0, 2}, {moves + "+8822HI\n+2726FU", 0, 2}, {moves + "+2726FUx\n+2726FU", 0, 2},
      {moves + "+2726FU,T9", 0, 3, "+2726FU,T9,'"}, {moves + "+2726FU,T99999999999", 0, 3, "+2726FU,T60000059,'"},
      {"PI82KA\n-", 0, 0, "P2 * -HI *  *  *  *  * -KA * \n"},
      {"PI82HI11KY\n-", 0, 0, "P1-KY-KE-GI-KI-OU-KI-GI-KE * \nP2 *  *  *  *  *  *  * -KA * \n"},
      {kings + "P+00FU00F\n+", 0, 0, "P8 *  *  *  *  *  *  *  *  * \n" + king + "P+00FU\n+\n"},
      {kings + "P+" + pawns[19], 0, 0, "P+" + pawns[18] + "\n+\n"}, {kings + "P+00TO00OU00FU", 0, 0, king + "+\n"},
      {kings + "P+00FU\nP-00AL", 0, 0, "P+00FU\nP-" + pawns[17] + "\nP-00KY00KY00KY00KY\n"},
      {"P-00AL\n" + kings, 0, 0, "P-" + pawns[18] + "\n"},
      // A group on file 0 or rank 0 alone fits neither form: the token ends there.
      {kings + "P+00FU05KI00FU\nP+50KI00FU\n+", 0, 0, king + "P+00FU\n+\n"},
      {moves + "T12x", 0, 2, "-3334FU,T4,'", 6}, {moves + "T", 0, 2, "-3334FU,T0,'", 0},
      {moves + "T12.345", 0, 2, "-3334FU,T12,'", 0}, {moves + "T1.2.3", 0, 2, "-3334FU,T4,'", 6},
      {moves + "%TORYX\n+2726FU", 0, 3, "", 6}, {moves + "x2726FU\nT9\n-8384FU", 0, 2, "-3334FU,T4,'", 6},
      // The first move, damaged before the header ends.
      {"PI\n+\nP+7776FU\n-3334FU", 0, 1, "", 3}, {"PI\n+\nx7776FU\n-3334FU", 0, 1, "", 3},
      // A second side line, as the first move cut after its sign leaves: the last one counts, as always.
      {"PI\n+\n'c\n+", 0, 0, "", 4}, {"PI\n+\n-\n-3334FU", 0, 1, "", 3},
      // The time written after a result the record has no kind for is the result's, not the last move's.
      {moves + "%TIME_UP\nT7", 0, 2, "-3334FU,T4,'", 0}, {moves + "%KACHI,T7", 0, 2, "-3334FU,T4,'", 0},
      {moves + "%+ILLEGAL_ACTION\nT7\n/", 0, 2, "-3334FU,T4,'", 0},
      // "/" ends a record, with or without a result, before any move too; a
      // record after it is not read, and named where it begins.
      {moves + "/\n'end", 0, 2, "-3334FU,T4,'", 0}, {moves + "%TORYO\n/", 0, 3, "%TORYO", 0}, {"PI\n+\n/", 1, 0, "", 0},
      {moves + "/\nN+next\n+2726FU", 0, 2, "", 7}, {moves + "%TORYO\n/\n\n+2726FU", 0, 3, "", 9},
  };
  for (const auto& test : kCases) {
    Kifu kifu;
    ASSERT_EQ(ReadCsaText(kifu, "PI\n+\n+5948OU,T3"), 0);
    const std::string before = WriteCsaText(kifu);
    ReadReport report;
    ASSERT_EQ(ReadCsaText(kifu, test.text, test.strict, 0, &report), test.line < 0 ? -1 : 0) << test.text;
    if (test.named >= 0) {
      EXPECT_EQ(report.Stopped() ? report.at : 0, test.named) << test.text;
    }
    EXPECT_EQ(test.line < 0 ? WriteCsaText(kifu) : before, before) << test.text;
    EXPECT_EQ(kifu.LineLength(), test.line < 0 ? 1 : test.line) << test.text;
    EXPECT_NE(WriteCsaText(kifu).find(test.shows), std::string::npos) << test.text << "\n" << WriteCsaText(kifu);
  }
  // A move line with a mark before it, as the last line and in mid-game.
  for (const char* mark : {"%", "T", "P", "N", "$", "x", "+"}) {
    for (const char* after : {"", "\n-8384FU"}) {
      Kifu kifu;
      ReadReport report;
      ASSERT_EQ(ReadCsaText(kifu, moves + mark + "+2726FU" + after, 0, 0, &report), 0) << mark << after;
      EXPECT_EQ(std::tuple(kifu.LineLength(), report.Stopped(), report.at), std::tuple(2, true, 6)) << mark << after;
    }
  }
  Kifu huge, back;  // a saturated time is one a KIF time field reads back
  ASSERT_EQ(ReadCsaText(huge, "PI\n+\n+7776FU,T99999999999"), 0);
  SjisString kif;
  StringOutStream kifOut(kif, false);
  huge.WriteKif(kifOut);
  MemoryInStream kifIn(kif.Text());
  ASSERT_EQ(back.ReadKif(kifIn, 0), 0);
  EXPECT_EQ(back.MoveAtPly(1)->consumedTime, huge.MoveAtPly(1)->consumedTime);
  Kifu kifu;  // a merge whose start is not in the record fails and says so
  EXPECT_EQ(ReadCsaText(kifu, "PI82HI\n-\n-3334FU", 0, 1), -1);
  EXPECT_EQ(ReadCsaText(kifu, "PI\n+\n+2726FU", 0, 1), 0);
}

