// KI2: every corpus game reads to the main line and start of its KIF twin;
// write-read-write is a fixed point over random records with variations;
// the layout of the writer and the reader's refusals.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

#if defined(KIFU_SANITIZED)
constexpr int SCALE = 4;
#else
constexpr int SCALE = 1;
#endif

// The ordinary moves along the first (or the selected) continuations from
// the start, up to the first marker.
std::vector<KifuMove> Line(const Kifu& record, bool selected) {
  std::vector<KifuMove> line;
  for (const KifuPositionNode* at = record.StartNode(); at != nullptr;) {
    const KifuMoveNode* next = selected ? at->outgoing.Selected() : at->outgoing.At(0);
    if (next == nullptr || next->move.kind != KifuMoveKind::Ordinary) break;
    line.push_back(next->move);
    at = next->reachedNode;
  }
  return line;
}

// Every move of the graph depth-first, variations in list order, with an
// empty move closing each position's continuations.
void CollectTree(const KifuPositionNode* at, std::vector<KifuMove>& moves) {
  for (int i = 0; at != nullptr && i < at->outgoing.Count(); ++i) {
    moves.push_back(at->outgoing.At(i)->move);
    CollectTree(at->outgoing.At(i)->reachedNode, moves);
  }
  moves.push_back(KifuMove());
}

std::string Ki2Text(const Kifu& record) {
  SjisString text;
  StringOutStream out(text, false);
  record.WriteKi2(out);
  return text.Text();
}

int ReadKi2Text(Kifu& record, const std::string& text, bool merge = false) {
  MemoryInStream in(text.c_str());
  return record.ReadKi2(in, merge);
}

TEST(Ki2Corpus, EveryGameReadsAsItsKifTwin) {
  const std::vector<std::string> games = FilesWithExtension(CorpusDir(), ".ki2");
  if (games.empty()) GTEST_SKIP() << "no corpus at " << CorpusDir();
  for (const std::string& path : games) {
    const std::string base = path.substr(0, path.size() - 4), game = base.substr(base.rfind('/') + 1);
    Kifu fromKif, fromKi2;
    FileInStream kif, ki2;
    ASSERT_EQ(kif.Open((base + ".kif").c_str()), 0);
    ASSERT_EQ(ki2.Open((base + ".ki2").c_str()), 0);
    ASSERT_EQ(fromKif.ReadKif(kif, 0), 0) << game;
    ASSERT_EQ(fromKi2.ReadKi2(ki2, false), 0) << game;
    EXPECT_TRUE(fromKi2.StartNode()->position == fromKif.StartNode()->position) << game;
    EXPECT_EQ(Line(fromKif, false), Line(fromKi2, false)) << game;
    // Games without a まで line have their variations read too: the same tree.
    std::vector<KifuMove> kifTree, ki2Tree;
    CollectTree(fromKif.StartNode(), kifTree);
    CollectTree(fromKi2.StartNode(), ki2Tree);
    if (game[0] == 'g') {
      EXPECT_EQ(kifTree, ki2Tree) << game;
    }
  }
}

// Writing, reading and writing again gives the same text, and the selected
// line comes back move for move (markers of a draw have no winner to read,
// so the second text drops them and is the fixed point from there on).
TEST(Ki2Property, WriteReadWriteIsAFixedPoint) {
  RandomRecordOptions options;
  options.comments = options.analysis = false;
  for (uint32_t seed = 1; seed <= 2000 / SCALE; ++seed) {
    const std::unique_ptr<Kifu> record = BuildRandomRecord(seed, options);
    const std::string first = Ki2Text(*record);
    Kifu again;
    ASSERT_EQ(ReadKi2Text(again, first), 0) << seed;
    ExpectKifuGraphValid(again);
    EXPECT_TRUE(again.StartNode()->position == record->StartNode()->position) << seed;
    EXPECT_EQ(Line(*record, true), Line(again, false)) << seed;
    const std::string second = Ki2Text(again);
    if (first.find("引き分け") == std::string::npos) {
      EXPECT_TRUE(first == second) << seed;
    }
    Kifu third;
    ASSERT_EQ(ReadKi2Text(third, second), 0);
    EXPECT_TRUE(Ki2Text(third) == second) << seed;
  }
}

// Plays the phrases on the record's selected line, one AddMove each.
void Play(Kifu& record, std::initializer_list<KifuMove> moves) {
  for (const KifuMove& move : moves) {
    ASSERT_NE(record.AddMove(record.LineLength(), move, 0, nullptr, -1, MergeChooser::None()), nullptr);
  }
}

TEST(Ki2Writer, LaysOutSixMovesALineAndTheResult) {
  Kifu record;
  EXPECT_EQ(Ki2Text(record), "手合割：平手　　\n先手：\n後手：\n\n");  // no moves: the header only
  Play(record, {KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0), KifuOrdinaryMove(3, 3, 3, 4, 17, 0),
                KifuOrdinaryMove(2, 7, 2, 6, KIFU_PAWN, 0), KifuOrdinaryMove(8, 3, 8, 4, 17, 0),
                KifuOrdinaryMove(2, 6, 2, 5, KIFU_PAWN, 0), KifuOrdinaryMove(8, 4, 8, 5, 17, 0)});
  const std::string sixMoves = "手合割：平手　　\n先手：\n後手：\n\n"
                               "▲７六歩    △３四歩    ▲２六歩    △８四歩    ▲２五歩    △８五歩\n";
  EXPECT_EQ(Ki2Text(record), sixMoves);
  Play(record, {KifuOrdinaryMove(8, 8, 2, 2, KIFU_BISHOP, 22, 1)});
  Play(record, {KifuMove(0, 0, 0, 0, 24, 0, 0, KifuMoveKind::Resignation)});
  EXPECT_EQ(Ki2Text(record), sixMoves + "▲２二角成  \n\nまで7手で先手の勝ち\n");
  record.Reset(0x300);
  record.PlayerName(0).Assign("a\r\n▲７六歩");  // no line of its own in the file
  Play(record, {KifuMove(0, 0, 0, 0, 24, 0, 0, KifuMoveKind::Interruption)});
  EXPECT_EQ(Ki2Text(record), "手合割：二枚落ち\n下手：a  ▲７六歩\n上手：\n\n\nまで0手で引き分け\n");
  SjisString position;
  StringOutStream out(position, false);
  record.WriteKi2Position(out, KifuStartPosition());  // the given position, no moves
  EXPECT_STREQ(position.Text(), "手合割：平手　　\n先手：a  ▲７六歩\n後手：\n\n");
}

// (Moves run together, as in the corpus, are read by the corpus test.)
TEST(Ki2Reader, ReadsVariationsCommentsTimesAndResults) {
  Kifu record;
  // Five moves, then 変化：3手 takes back three and the next phrase is another third move.
  ASSERT_EQ(ReadKi2Text(record, "手合割：平手\n▲７六歩 △３四歩 ▲２六歩 △８四歩 ▲２五歩\n変化：3手\n▲６六歩\n"
                                         "変化：9手\n▽８四歩(00:12) ▲９九香\n*note\nまで4手で後手の勝ち\n▲１六歩\n"),
            0);
  const KifuPositionNode* afterTwo = record.MoveAtPly(2)->reachedNode;
  ASSERT_EQ(afterTwo->outgoing.Count(), 2);
  EXPECT_EQ(afterTwo->outgoing.At(1)->move, KifuOrdinaryMove(6, 7, 6, 6, KIFU_PAWN, 0));
  record.SelectBranch(2, 1, false);
  const KifuMoveNode* fourth = record.MoveAtPly(4);  // 変化 beyond the line: read on after move 3
  EXPECT_EQ(fourth->consumedTime, 12);
  EXPECT_EQ(fourth->move.piece.Code(), 17);  // ▽ is △; the rest after the time is dropped
  EXPECT_STREQ(fourth->comment.Text(), "note");
  EXPECT_EQ(fourth->reachedNode->outgoing.At(0)->move.kind, KifuMoveKind::Resignation);
  EXPECT_EQ(record.LineLength(), 5);  // four moves and the resignation: the line after まで is not read
  // Merging: the line read joins the record at the equal position (here the start).
  ASSERT_EQ(ReadKi2Text(record, "▲１六歩\n", true), 0);
  EXPECT_EQ(record.StartNode()->outgoing.Count(), 2);
}

// Text with nothing of KI2 in it (a pasted address, plain words) is no
// record: -1 and the record as it was.
TEST(Ki2ReaderMend, TextWithoutKi2IsRefused) {
  Kifu record;
  Play(record, {KifuOrdinaryMove(7, 7, 7, 6, KIFU_PAWN, 0)});
  const std::string before = Ki2Text(record);
  for (const char* text : {"", "https://example.com/game?id=1\n", "hello\nworld\n", "*only a comment\n"}) {
    EXPECT_EQ(ReadKi2Text(record, text), -1) << text;
    EXPECT_EQ(Ki2Text(record), before);
  }
  for (const char* text : {"先手：x\n", "▲７六歩\n", "まで0手で後手の勝ち\n"}) EXPECT_EQ(ReadKi2Text(record, text), 0);
}

// A phrase that does not read, or a move that can't be played, ends the
// moves: later phrases would be played on the wrong position.
TEST(Ki2ReaderMend, AFailedPhraseEndsTheMoves) {
  Kifu record;
  ASSERT_EQ(ReadKi2Text(record, "▲７六歩    △５五角\n△３四歩    ▲２六歩\n変化：1手\n▲２六歩\n"), 0);
  EXPECT_EQ(record.LineLength(), 1);
  EXPECT_EQ(record.StartNode()->outgoing.Count(), 1);
  ASSERT_EQ(ReadKi2Text(record, "▲７六歩\n変化：99999999999999999999手\n△３四歩\n"), 0);  // capped, beyond the line
  EXPECT_EQ(record.LineLength(), 2);
}

// kifu convert: .kif to .ki2 keeps the main line, .rvf reads, .rvf can't be
// written (usage, 2), and a text of no format fails (1).
TEST(Ki2Command, ConvertsToAndFromKi2) {
  const auto run = [](const std::string& from, const std::string& to) {
    const std::string line = std::string("'") + KifuBinary() + "' convert '" + from + "' '" + to + "' 2>/dev/null";
    const int raw = std::system(line.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  const std::string first = ProcessTempPath("a.ki2"), second = ProcessTempPath("b.ki2"), url = ProcessTempPath("u.ki2");
  std::ofstream(url, std::ios::binary) << "https://example.com/\n";
  EXPECT_EQ(run(std::string(CorpusDir()) + "/g0003.kif", first), 0);
  EXPECT_EQ(run(first, second), 0);
  EXPECT_EQ(FileBytes(first), FileBytes(second));
  EXPECT_NE(FileBytes(first).find("\r\n"), std::string::npos);  // text-mode line ends
  EXPECT_EQ(run(first, ProcessTempPath("c.rvf")), 2);
  EXPECT_EQ(run(url, ProcessTempPath("c.kif")), 1);
  for (const std::string& path : {first, second, url}) std::remove(path.c_str());
}

}  // namespace
