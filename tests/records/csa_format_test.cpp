// CSA: write-read-write fixed points over random records, the kinds CSA
// can't keep, the exact layout, the corpus against its KIF twins, files in
// other programs' styles, and one case per mended fault.
#include <cstdlib>
#include <cstring>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "records/kifu.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

#ifdef KIFU_SANITIZED
constexpr uint32_t kRandomRecords = 600;
#else
constexpr uint32_t kRandomRecords = 3000;
#endif

std::string WriteCsaText(const Kifu& kifu) {
  SjisString text;
  StringOutStream out(text, false);
  EXPECT_EQ(kifu.WriteCsa(out), 0);
  return text.Text();
}

int ReadCsaText(Kifu& kifu, const std::string& text, int strict = 0, int merge = 0) {
  MemoryInStream in(text.c_str());
  return kifu.ReadCsa(in, merge, strict);
}

// What CSA keeps of a main line: ordinary moves with their times, then the
// first special move it writes, as the kind it reads back as.
using CsaStep = std::tuple<KifuMove, int>;
std::vector<CsaStep> ExpectedCsaLine(const Kifu& kifu) {
  std::vector<CsaStep> line;
  for (const KifuPositionNode* at = kifu.StartNode(); at->outgoing.Count() > 0; at = at->outgoing.At(0)->reachedNode) {
    const KifuMoveNode* node = at->outgoing.At(0);
    const KifuMoveKind kind = node->move.kind;
    if (kind == KifuMoveKind::Ordinary) {
      line.emplace_back(node->move, node->consumedTime);
      continue;
    }
    if (kind == KifuMoveKind::GameStart || kind == KifuMoveKind::TakeBack || kind == KifuMoveKind::Resumption) continue;
    KifuMoveKind read = KifuMoveKind::Interruption;
    if (kind == KifuMoveKind::Resignation) read = KifuMoveKind::Resignation;
    if (kind >= KifuMoveKind::Repetition && kind <= KifuMoveKind::RepetitionCheckByFirst) read = KifuMoveKind::Repetition;
    line.emplace_back(KifuMove(0, 0, 0, 0, 0, 0, 0, read), 0);
    break;
  }
  return line;
}

Kifu& ReadFile(Kifu& kifu, const std::string& path, int strict = 0) {
  FileInStream in;
  EXPECT_EQ(in.Open(path.c_str()), 0) << path;
  EXPECT_EQ(kifu.ReadCsa(in, 0, strict), 0) << path;
  return kifu;
}

}  // namespace

TEST(CsaRoundTrip, RandomRecordsAreFixedPointsOfWriteAndRead) {
  int exact = 0;
  for (uint32_t seed = 1; seed <= kRandomRecords; ++seed) {
    std::unique_ptr<Kifu> record = BuildRandomRecord(seed);
    const SjisString names[2] = {record->PlayerName(0), record->PlayerName(1)};
    record->ClearHeaders();
    record->PlayerName(0) = names[0];
    record->PlayerName(1) = names[1];
    const std::string written = WriteCsaText(*record);
    Kifu back;
    ASSERT_EQ(ReadCsaText(back, written, static_cast<int>(seed % 2)), 0) << written;
    ExpectKifuGraphValid(back);
    ASSERT_TRUE(back.StartNode()->position == record->StartNode()->position) << written;
    ASSERT_STREQ(back.PlayerName(1).Text(), names[1].Text());
    const std::vector<CsaStep> line = ExpectedCsaLine(*record);
    ASSERT_EQ(ExpectedCsaLine(back), line) << written;
    // The text read back writes itself again; it is the text first written
    // unless a special move was mapped or cut the line.
    const std::string rewritten = WriteCsaText(back);
    Kifu again;
    ASSERT_EQ(ReadCsaText(again, rewritten), 0);
    ASSERT_EQ(WriteCsaText(again), rewritten);
    if (rewritten == written) ++exact;
    if (seed % 50 == 0) {  // through a file: CR LF line ends, read back alike
      const std::string path = ProcessTempPath("round_trip.csa");
      FileOutStream out;
      ASSERT_EQ(out.Open(path.c_str()), 0);
      ASSERT_EQ(record->WriteCsa(out), 0);
      ASSERT_EQ(out.Close(), 0);
      std::string crlf;
      for (char c : written) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
      ASSERT_EQ(FileBytes(path), crlf);
      Kifu fromFile;
      ASSERT_EQ(ExpectedCsaLine(ReadFile(fromFile, path)), line);
    }
  }
  EXPECT_GT(exact, static_cast<int>(kRandomRecords) / 3);
}

TEST(CsaWriter, WritesTheLayoutByteForByteAndCleansHeaderFields) {
  Kifu kifu;
  kifu.PlayerName(0).Assign("Sen,te");
  kifu.PlayerName(1).Assign("Go\r\nte");
  kifu.Date().Assign("2026/12/06");
  kifu.Title().Assign("表題,\n");
  kifu.Event().Assign("棋戦");
  kifu.SetHeader("場所", "東京,将棋会館");
  KifuPositionNode* at = kifu.StartNode();
  for (const auto& [from, to, promote, seconds] :
       std::vector<std::array<int, 4>>{{77, 76, 0, 12}, {33, 34, 0, 0}, {88, 22, 1, 3}, {31, 22, 0, 45}, {116, 45, 0, 1}}) {
    KifuMoveNode* node = at->AddMove(KifuMoveIn(at->position, from / 10, from % 10, to / 10, to % 10, promote),
                                     seconds, nullptr, -1, kifu.Table(), MergeChooser::None(), true);
    at = node->reachedNode;
  }
  at->AddMove(KifuMove(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, KifuMoveKind::Resignation), 9, nullptr,
              -1, kifu.Table(), MergeChooser::None(), true);
  const std::string rows =
      "P1-KY-KE-GI-KI-OU-KI-GI-KE-KY\nP2 * -HI *  *  *  *  * -KA * \nP3-FU-FU-FU-FU-FU-FU-FU-FU-FU\n"
      "P4 *  *  *  *  *  *  *  *  * \nP5 *  *  *  *  *  *  *  *  * \nP6 *  *  *  *  *  *  *  *  * \n"
      "P7+FU+FU+FU+FU+FU+FU+FU+FU+FU\nP8 * +KA *  *  *  *  * +HI * \nP9+KY+KE+GI+KI+OU+KI+GI+KE+KY\n+\n";
  const std::string header =
      "'=== CSA-Format Kifu File\n'===   generated by QX-SHOGI\n'=== Game Date:2026/12/06\n'=== Title:表題\n"
      "'=== Kisen:棋戦\n'=== 場所：東京将棋会館\nN+Sente\nN-Gote\n";
  EXPECT_EQ(WriteCsaText(kifu), header + rows +
                                    "+7776FU,T12,'\n-3334FU,T0,'\n+8822UM,T3,'\n-3122GI,T45,'\n+0045KA,T1,'\n%TORYO\n");

  SjisString text;
  StringOutStream out(text, true);
  ASSERT_EQ(kifu.WriteCsaPosition(out, at->position), 0);
  std::string position = text.Text();
  std::erase(position, '\r');
  EXPECT_EQ(position, header.substr(0, 30) + header.substr(31) +
                          "P1-KY-KE-GI-KI-OU-KI * -KE-KY\nP2 * -HI *  *  *  *  * -GI * \nP3-FU-FU-FU-FU-FU-FU * -FU-FU\n"
                          "P4 *  *  *  *  *  * -FU *  * \nP5 *  *  *  *  * +KA *  *  * \nP6 *  * +FU *  *  *  *  *  * \n"
                          "P7+FU+FU * +FU+FU+FU+FU+FU+FU\nP8 *  *  *  *  *  *  * +HI * \nP9+KY+KE+GI+KI+OU+KI+GI+KE+KY\n"
                          "P-00KA\n-\n");
  // Names and headers come back without their commas and line ends.
  Kifu back;
  ASSERT_EQ(ReadCsaText(back, WriteCsaText(kifu), 1), 0);
  EXPECT_STREQ(back.PlayerName(0).Text(), "Sente");
  EXPECT_STREQ(back.PlayerName(1).Text(), "Gote");
}

TEST(CsaWriter, SpecialMovesByKindAndWhatTheyReadBackAs) {
  const struct {
    KifuMoveKind kind;
    const char* line;  // null: nothing written
    KifuMoveKind readAs;
  } kCases[] = {
      {KifuMoveKind::Mate, "%CHUDAN,'tsumi", KifuMoveKind::Interruption},
      {KifuMoveKind::Resignation, "%TORYO", KifuMoveKind::Resignation},
      {KifuMoveKind::LossOnTime, "%CHUDAN,'timeout", KifuMoveKind::Interruption},
      {KifuMoveKind::Loss, "%CHUDAN,'lose", KifuMoveKind::Interruption},
      {KifuMoveKind::LossByFoul, "%CHUDAN,'lose(foul)", KifuMoveKind::Interruption},
      {KifuMoveKind::WinByFoul, "%CHUDAN,'win(foul)", KifuMoveKind::Interruption},
      {KifuMoveKind::Win, "%CHUDAN,'win", KifuMoveKind::Interruption},
      {KifuMoveKind::Impasse, "%CHUDAN,'jishogi", KifuMoveKind::Interruption},
      {KifuMoveKind::Repetition, "%SENNICHITE,'draw", KifuMoveKind::Repetition},
      {KifuMoveKind::RepetitionCheckBySecond, "%SENNICHITE,'sente win", KifuMoveKind::Repetition},
      {KifuMoveKind::RepetitionCheckByFirst, "%SENNICHITE,'gote win", KifuMoveKind::Repetition},
      {KifuMoveKind::TakeBack, nullptr, KifuMoveKind::Ordinary},
      {KifuMoveKind::Interruption, "%CHUDAN", KifuMoveKind::Interruption},
      {KifuMoveKind::Resumption, nullptr, KifuMoveKind::Ordinary},
  };
  for (const auto& test : kCases) {
    Kifu kifu;
    KifuPositionNode* at = KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}})->reachedNode;
    at = at->AddMove(KifuMove(0, 0, 0, 0, KIFU_KING + KIFU_SECOND_PLAYER_BIT, 0, 0, test.kind), 5, nullptr, -1,
                     kifu.Table(), MergeChooser::None(), true)->reachedNode;
    // The writer goes on after a special move; the reader stops at the first "%".
    KifuPlayLine(kifu, at, {{3, 3, 3, 4}});
    const std::string written = WriteCsaText(kifu);
    const std::string moves = written.substr(written.find("+7776FU,T0,'\n") + 13);
    EXPECT_EQ(moves, test.line == nullptr ? "-3334FU,T0,'\n" : test.line + std::string("\n-3334FU,T0,'\n"));
    Kifu back;
    ASSERT_EQ(ReadCsaText(back, written), 0);
    const KifuMoveNode* last = back.MoveAtPly(back.LineLength());
    EXPECT_EQ(back.LineLength(), 2);
    EXPECT_EQ(last->move.kind, test.readAs) << written;
  }
}

// The writer's promotion names the types that promote: a gold or king
// flagged as promoting (no rule lets it) is still written as itself.
TEST(CsaWriter, GoldAndKingNeverWriteAPromotedName) {
  Kifu kifu;
  KifuMoveNode* king = KifuPlayLine(kifu, kifu.StartNode(), {{6, 9, 5, 8}, {4, 1, 5, 2}, {5, 9, 6, 9}});
  king->move.promote = 1;
  king->leftNode->incoming.At(0)->move.promote = 1;
  kifu.MoveAtPly(1)->move.promote = 1;
  const std::string written = WriteCsaText(kifu);
  EXPECT_NE(written.find("+6958KI,T0,'\n-4152KI,T0,'\n+5969OU,T0,'\n"), std::string::npos) << written;
}

TEST(CsaCorpus, EveryFileReadsToTheMainLineAndStartOfItsKif) {
  const std::vector<std::string> paths = FilesWithExtension(CorpusDir(), ".csa");
  if (paths.empty()) GTEST_SKIP() << "no corpus at " << CorpusDir();
  for (const std::string& path : paths) {
    Kifu csa, kif;
    ReadFile(csa, path);
    FileInStream in;
    ASSERT_EQ(in.Open((path.substr(0, path.size() - 4) + ".kif").c_str()), 0);
    ASSERT_EQ(kif.ReadKif(in, 0), 0) << path;
    ExpectKifuGraphValid(csa);
    EXPECT_TRUE(csa.StartNode()->position == kif.StartNode()->position) << path;
    EXPECT_EQ(csa.StartNode()->position.handicapFlags, kif.StartNode()->position.handicapFlags) << path;
    EXPECT_EQ(ExpectedCsaLine(csa), ExpectedCsaLine(kif)) << path;
    EXPECT_STREQ(csa.PlayerName(0).Text(), kif.PlayerName(0).Text()) << path;
    Kifu back;
    ASSERT_EQ(ReadCsaText(back, WriteCsaText(csa), 1), 0) << path;
    EXPECT_EQ(ExpectedCsaLine(back), ExpectedCsaLine(csa)) << path;
  }
}

// Files as other programs write them: version line, "$" headers, comments
// holding commas, handicaps by PI removals, placements on an empty board
// with 00AL, times on their own lines and after commas, mixed-case letters,
// and %TORYO, %CHUDAN, %KACHI (passed over) and %SENNICHITE.
TEST(CsaReader, ReadsOtherProgramsFilesAlsoWhenPasted) {
  const struct {
    const char* file;
    HandicapFlags flags;
    int side;
    std::array<int, 8> hands[2];
    std::vector<int> times;
    KifuMoveKind last;
  } kFiles[] = {
      {"handicap_pi.csa", HANDICAP_TWO_PIECES, 1, {}, {3, 12, 0, 125, 0}, KifuMoveKind::Resignation},
      {"tsume_al.csa", HANDICAP_FIRST_KING, 0, {{{0, 0, 0, 0, 1, 1}}, {{0, 17, 4, 4, 3, 3, 2, 2}}}, {5, 0},
       KifuMoveKind::Interruption},
      {"rows_sennichite.csa", HANDICAP_NONE, 1, {{{0, 1, 0, 0, 0, 0, 1, 1}}, {}}, {1, 2, 0}, KifuMoveKind::Repetition},
  };
  for (const auto& file : kFiles) {
    for (int strict = 0; strict <= 1; ++strict) {
      Kifu kifu;
      ReadFile(kifu, std::string(TestDataDir()) + "/csa/" + file.file, strict);
      const KifuPosition& start = kifu.StartNode()->position;
      EXPECT_EQ(start.handicapFlags, file.flags) << file.file;
      EXPECT_EQ(start.sideToMove, file.side) << file.file;
      for (int side = 0; side < 2; ++side) {
        for (int type = 1; type < 8; ++type) EXPECT_EQ(start.hands[side][type], file.hands[side][type]) << file.file;
      }
      const std::vector<CsaStep> line = ExpectedCsaLine(kifu);
      std::vector<int> times;
      for (const CsaStep& step : line) times.push_back(std::get<1>(step));
      EXPECT_EQ(times, file.times) << file.file;
      EXPECT_EQ(std::get<0>(line.back()).kind, file.last) << file.file;
    }
  }
  Kifu kifu;
  ReadFile(kifu, std::string(TestDataDir()) + "/csa/handicap_pi.csa");
  EXPECT_STREQ(kifu.PlayerName(0).Text(), "下手");
  EXPECT_TRUE(kifu.StartNode()->position == KifuStartPosition(HANDICAP_TWO_PIECES));
}

// Only a real CSA element makes a text CSA; a failed read keeps the record.
TEST(CsaReader, FailsOnTextWithoutACsaElementAndKeepsTheRecord) {
  for (int strict = 0; strict <= 1; ++strict) {
    for (const char* text : {"", "Nice to meet you", "Perhaps", "+hello", "-1", "%KACHI", "Time\nT12", "N\nPX", "V2.2\n$EVENT:x"}) {
      Kifu kifu;
      ASSERT_EQ(ReadCsaText(kifu, "PI\n+\n+7776FU,T3"), 0);
      const std::string before = WriteCsaText(kifu);
      EXPECT_EQ(ReadCsaText(kifu, text, strict), -1) << text;
      EXPECT_EQ(WriteCsaText(kifu), before) << text;
    }
    for (const char* text : {"N+a", "-", "P+59OU\nP-51OU", "+7776FU", "%TORYO", "V2.2\nPI"}) {
      Kifu kifu;
      EXPECT_EQ(ReadCsaText(kifu, text, strict), 0) << text;
    }
  }
  // Pasting refuses other header lines; loading passes over them.
  Kifu kifu;
  EXPECT_EQ(ReadCsaText(kifu, "Xyz\nPI\n+", 1), -1);
  EXPECT_EQ(ReadCsaText(kifu, "$NOCOLON\nPI\n+", 1), -1);
  EXPECT_EQ(ReadCsaText(kifu, "Xyz\nPI\n+", 0), 0);
}

// A line beginning with "'" is one comment, commas and all; so is the rest
// of a line from a "'" piece on.
TEST(CsaReader, CommentsHoldCommas) {
  Kifu kifu;
  ASSERT_EQ(ReadCsaText(kifu, "'a, b\nPI\n+\n+7776FU,'x,-3334FU\n-8384FU\n$EVENT:a,b", 1), 0);
  ASSERT_EQ(kifu.LineLength(), 2);
  EXPECT_EQ(kifu.MoveAtPly(2)->move.toFile, 8);
}

// Reading stops at the first move that can't be read or played; unknown
// "%" words are passed over.
TEST(CsaReader, StopsAtTheFirstRefusedMove) {
  for (const char* bad : {"+7775FU", "+2725FU", "-4132KI", "+0055FU", "+8822HI", "+2726XX", "+2726FUx", "+27"}) {
    Kifu kifu;
    ASSERT_EQ(ReadCsaText(kifu, std::string("PI\n+\n+7776FU\n%KACHI\n-3334FU,T4\n") + bad + "\n+2726FU\nT9"), 0);
    EXPECT_EQ(kifu.LineLength(), 2) << bad;
    EXPECT_EQ(kifu.MoveAtPly(2)->consumedTime, 4) << bad;
  }
}

// The start as CSA means it: PI with removals, placements alone on an empty
// board, 00AL, hand groups bounded by their end and by the full set.
TEST(CsaReader, ReadsStartPositionsAsCsaMeansThem) {
  const std::string kings = "P+59OU\nP-51OU\n";
  const std::string pawns19 = "P+" + [] { std::string groups; for (int i = 0; i < 19; ++i) groups += "00FU"; return groups; }();
  const struct {
    std::string text;
    int firstPawns, secondPawns, pieces;
  } kCases[] = {
      {"PI82HI11KY\n-", 0, 0, 38},           {"PI82KA\n-", 0, 0, 40},   {kings + "+", 0, 0, 2},
      {kings + "P+00FU00F\n+", 1, 0, 2},     {kings + pawns19, 18, 0, 2}, {kings + "P+00TO00OU00FU", 0, 0, 2},
      {kings + "P+00FU\nP-00AL", 1, 17, 2}, {"P-00AL\n" + kings, 0, 18, 2},
  };
  for (const auto& test : kCases) {
    Kifu kifu;
    ASSERT_EQ(ReadCsaText(kifu, test.text), 0) << test.text;
    const KifuPosition& start = kifu.StartNode()->position;
    int pieces = 0;
    for (int square = 0; square < 121; ++square) pieces += start.board[square].IsPiece() ? 1 : 0;
    EXPECT_EQ(pieces, test.pieces) << test.text;
    EXPECT_EQ(start.hands[0][KIFU_PAWN], test.firstPawns) << test.text;
    EXPECT_EQ(start.hands[1][KIFU_PAWN], test.secondPawns) << test.text;
  }
  Kifu kifu;
  ASSERT_EQ(ReadCsaText(kifu, "PI82HI11KY\n-"), 0);
  EXPECT_EQ(kifu.StartNode()->position.handicapFlags, HANDICAP_ROOK_82 | HANDICAP_LANCE_11);
}

// A stream that fails once `room` bytes are used.
class FullOutStream : public OutStream {
 public:
  explicit FullOutStream(int room) : room_(room) {}
  int WriteString(const char* text) override {
    room_ -= static_cast<int>(std::strlen(text));
    return room_ < 0 ? -1 : 0;
  }
  int WriteChar(char) override { return --room_ < 0 ? -1 : 0; }

 private:
  int room_;
};

TEST(CsaWriter, ReportsAFailedWrite) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}});
  const int size = static_cast<int>(WriteCsaText(kifu).size());
  for (int room : {0, 40, 300, size - 5}) {
    FullOutStream out(room);
    EXPECT_EQ(kifu.WriteCsa(out), -1) << room;
    FullOutStream position(room % 300);
    EXPECT_EQ(kifu.WriteCsaPosition(position, kifu.StartNode()->position), -1) << room;
  }
  FullOutStream roomy(size);
  EXPECT_EQ(kifu.WriteCsa(roomy), 0);
}

// A merge whose start is not in the record fails and says so.
TEST(CsaReader, MergeOntoAMissingStartFails) {
  Kifu kifu;
  ASSERT_EQ(ReadCsaText(kifu, "PI\n+\n+7776FU"), 0);
  EXPECT_EQ(ReadCsaText(kifu, "PI82HI\n-\n-3334FU", 0, 1), -1);
  EXPECT_EQ(ReadCsaText(kifu, "PI\n+\n+2726FU", 0, 1), 0);
  EXPECT_EQ(kifu.StartNode()->outgoing.Count(), 2);
}

TEST(CsaCommand, ConvertsBetweenCsaAndKif) {
  const std::string csa = ProcessTempPath("convert.csa"), kif = ProcessTempPath("convert.kif");
  const std::string source = std::string(TestDataDir()) + "/csa/handicap_pi.csa";
  const std::string kifu = std::string("'") + KifuBinary() + "' convert '";
  ASSERT_EQ(std::system((kifu + source + "' '" + kif + "'").c_str()), 0);
  ASSERT_EQ(std::system((kifu + kif + "' '" + csa + "'").c_str()), 0);
  Kifu original, converted;
  ReadFile(original, source);
  ReadFile(converted, csa);
  EXPECT_EQ(ExpectedCsaLine(converted), ExpectedCsaLine(original));
  EXPECT_TRUE(converted.StartNode()->position == original.StartNode()->position);
  EXPECT_NE(std::system((kifu + kif + "' '" + csa + ".txt' 2>/dev/null").c_str()), 0);
}
