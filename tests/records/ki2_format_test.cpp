// KI2: every corpus game reads in KIF, KI2 and CSA to one start and line;
// the layout of the writer and the reader's refusals.
#include <gtest/gtest.h>


#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "records/game_record.h"
#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/record_files.h"
#include "records/record_stream.h"
#include "records/result_words.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/random_record.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace {

// The ordinary moves along the first continuations from the start, up to
// the first marker.
std::vector<KifuMove> Line(const Kifu& record) {
  std::vector<KifuMove> line;
  for (const KifuPositionNode* at = record.StartNode(); at != nullptr;) {
    const KifuMoveNode* next = at->outgoing.At(0);
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

// Who won the game of the line of first moves: its last marker's player
// (the player to move's) for a win, the other for a loss; -1 for a draw, an
// interruption or no result.
int Winner(const Kifu& record) {
  const KifuPositionNode* at = record.StartNode();
  while (at->outgoing.Count() > 0 && at->outgoing.At(0)->move.kind == KifuMoveKind::Ordinary) {
    at = at->outgoing.At(0)->reachedNode;
  }
  if (at->outgoing.Count() == 0 || !NamesWinner(at->outgoing.At(0)->move.kind)) return -1;
  const KifuMove& result = at->outgoing.At(0)->move;
  return IsWinKind(result.kind) ? result.piece.Side() : 1 - result.piece.Side();
}

std::string Ki2Text(const Kifu& record) { return RecordText(record, &Kifu::WriteKi2); }

int ReadKi2Text(Kifu& record, const std::string& text, bool merge = false, ReadReport* report = nullptr) {
  MemoryInStream in(text.c_str());
  return record.ReadKi2(in, merge, report);
}

// Each game is stored in the three formats by another program: the same
// start (handicap included) and main line from each reader.
TEST(RecordCorpus, EveryGameReadsAlikeInKifKi2AndCsa) {
  const std::vector<std::string> games = FilesWithExtension(CorpusDir(), ".ki2");
  ASSERT_FALSE(games.empty()) << "no corpus at " << CorpusDir();
  for (const std::string& path : games) {
    const std::string base = path.substr(0, path.size() - 4), game = base.substr(base.rfind('/') + 1);
    Kifu fromKif, fromKi2, fromCsa;
    FileInStream kif, ki2, csa;
    ASSERT_EQ(kif.Open((base + ".kif").c_str()) + ki2.Open((base + ".ki2").c_str()) + csa.Open((base + ".csa").c_str()), 0);
    ASSERT_EQ(fromKif.ReadKif(kif, 0), 0) << game;
    ASSERT_EQ(fromKi2.ReadKi2(ki2, false), 0) << game;
    ASSERT_EQ(fromCsa.ReadCsa(csa, 0, 0), 0) << game;
    for (const Kifu* read : {&fromKi2, &fromCsa}) {
      EXPECT_TRUE(read->StartNode()->position == fromKif.StartNode()->position) << game;
      EXPECT_EQ(read->StartNode()->position.handicapFlags, fromKif.StartNode()->position.handicapFlags) << game;
      EXPECT_EQ(Line(*read), Line(fromKif)) << game;
    }
    // Variations are read too, those written after a まで line as well: the same tree.
    std::vector<KifuMove> kifTree, ki2Tree;
    CollectTree(fromKif.StartNode(), kifTree);
    CollectTree(fromKi2.StartNode(), ki2Tree);
    EXPECT_EQ(kifTree, ki2Tree) << game;
    // Written as KI2, whose result line names only the winner, and read
    // back: the same winner, or none.
    Kifu reread;
    ASSERT_EQ(ReadKi2Text(reread, Ki2Text(fromKif)), 0) << game;
    EXPECT_EQ(Winner(reread), Winner(fromKif)) << game;
  }
}

TEST(Ki2Writer, LaysOutSixMovesALineAndTheResult) {
  Kifu record;
  const std::string header = "手合割：平手　　\n先手：\n後手：\n\n";
  EXPECT_EQ(Ki2Text(record), header);  // no moves: the header only
  const std::string six = "▲７六歩    △３四歩    ▲２六歩    △８四歩    ▲２五歩    △８五歩\n";
  ASSERT_EQ(ReadKi2Text(record, six + "▲２二角成\nまで7手で先手の勝ち\n"), 0);
  EXPECT_EQ(Ki2Text(record), header + six + "▲２二角成  \n\nまで7手で先手の勝ち\n");
  record.Reset(0x300);
  record.PlayerName(0).Assign("a\r\n▲７六歩");  // no line of its own in the file
  const KifuMove interruption(0, 0, 0, 0, 24, 0, 0, KifuMoveKind::Interruption);
  ASSERT_NE(record.AddMove(0, interruption, 0, nullptr, -1, MergeChooser::None()), nullptr);
  EXPECT_EQ(Ki2Text(record), "手合割：二枚落ち\n下手：a  ▲７六歩\n上手：\n\n\nまで0手で引き分け\n");
  SjisString position;
  StringOutStream out(position, false);
  record.WriteKi2Position(out, KifuStartPosition());  // the given position, no moves
  EXPECT_STREQ(position.Text(), "手合割：平手　　\n先手：a  ▲７六歩\n後手：\n\n");
}

// The result line names the winner by the marker's kind and owner: the
// other side for a loss, the owner for a win, the side not checking for a
// repetition by continuous check, a draw otherwise.
TEST(Ki2Writer, ResultLineNamesTheWinnerByKind) {
  const char* const first = "まで0手で先手の勝ち\n";
  const char* const second = "まで0手で後手の勝ち\n";
  const char* const draw = "まで0手で引き分け\n";
  const struct {
    KifuMoveKind kind;
    const char* byFirst;
    const char* bySecond;
  } rows[] = {
      {KifuMoveKind::Mate, second, first},          {KifuMoveKind::Resignation, second, first},
      {KifuMoveKind::LossOnTime, second, first},    {KifuMoveKind::Loss, second, first},
      {KifuMoveKind::LossByFoul, second, first},    {KifuMoveKind::WinByFoul, first, second},
      {KifuMoveKind::Win, first, second},           {KifuMoveKind::Impasse, draw, draw},
      {KifuMoveKind::Repetition, draw, draw},       {KifuMoveKind::RepetitionCheckBySecond, first, first},
      {KifuMoveKind::RepetitionCheckByFirst, second, second}, {KifuMoveKind::Interruption, draw, draw},
  };
  for (const auto& row : rows) {
    for (const int side : {0, 1}) {
      Kifu record;
      const KifuMove marker(0, 0, 0, 0, side == 0 ? 8 : 24, 0, 0, row.kind);
      ASSERT_NE(record.AddMove(0, marker, 0, nullptr, -1, MergeChooser::None()), nullptr);
      const std::string text = Ki2Text(record);
      EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), side == 0 ? row.byFirst : row.bySecond)
          << static_cast<int>(row.kind) << " by side " << side;
    }
  }
}

// What texts read to, as our writer's move lines after the header block;
// "-1" when refused, which leaves the record as it was. Text with nothing of
// KI2 in it is refused; a phrase that does not read ends the moves (later
// ones would stand on a wrong position); 変化 beyond the line and the まで
// line's winner, and nothing after まで is read. stop: the line a read
// that is not complete names (0: complete, or refused). A damaged line is
// named itself, at the end of the text or before other moves: an unclosed
// "(" hides no moves, a line whose mark was damaged is read by no rule, and
// a text cut inside a double-byte character is cut short.
TEST(Ki2Reader, ReadsResultsVariationsAndStopsAtAFailedPhrase) {
  const struct {
    const char* text;
    const char* moves;
    int stop;
  } cases[] = {
      {"", "-1", 0},
      {"https://example.com/game?id=1\n", "-1", 0},
      {"hello\nworld\n*only a comment\n", "-1", 0},
      {"先手：x\n", "", 0},
      {"まで0手で後手の勝ち\n", "\nまで0手で後手の勝ち\n", 0},
      {"▲７六歩    △５五角\n△３四歩    ▲２六歩\n", "▲７六歩    \n", 1},
      {"▲７六歩　 △３四歩\n", "▲７六歩    △３四歩    \n", 0},  // a full-width blank, then an ASCII one
      {"▲７六歩\n変化：99999999999999999999手\n▽３四歩(00:12) ▲２六歩\n", "▲７六歩    △３四歩    \n", 3},
      {"▲７六歩\nまで1手で後手の負け\n△３四歩\n", "▲７六歩    \n\nまで1手で先手の勝ち\n", 3},
      {"▲７六歩\nまで1手で先手の勝ち\n", "▲７六歩    \n\nまで1手で先手の勝ち\n", 0},  // a foul by the other side
      {"▲７六歩  ( △３四歩    ▲２六歩\n", "▲７六歩    \n", 1},
      {"▲７六歩  ( △３四歩\n▲２六歩    △８四歩\n", "▲７六歩    \n", 1},
      {"▲７六歩 (△３四歩)\n", "▲７六歩    \n", 1},  // a closed bracket holding a move is no time
      {"▲７六歩    △３四歩\n▼２六歩\n", "▲７六歩    △３四歩    \n", 2},
      {"▲７六歩\n▼３四歩\n▲２六歩\n", "▲７六歩    \n", 2},
      {"先手：x\n▼７六歩\n▲２六歩\n", "▲２六歩    \n", 2},  // before the moves begin
      // Bytes that start no character, a half-width kana, or junk inside the
      // mark ("▲" is 0x81 0xA3) hide no first move line.
      {"先手：x\n\xA0▲７六歩\n△３四歩\n", "", 2},
      {"先手：x\nｱ▲７六歩\n△３四歩\n", "", 2},
      {"先手：x\n\xFD▲７六歩\n△３四歩\n", "", 2},
      {"先手：x\n\x81xx\xA3７六歩\n△３四歩\n", "", 2},
      {"先手：x\n+---------------------------+\n  ９ ８ ７ ６ ５ ４ ３ ２ １\n▲７六歩\n", "▲７六歩    \n", 0},
      {"棋戦：竜王戦\n前期の同竜王戦より\n▲７六歩\n", "▲７六歩    \n", 0},  // words that begin like a phrase
      // Header text naming an opening or the players, with or without a key: no move.
      {"横歩取り８五飛\n▲７六歩\n", "▲７六歩    \n", 0},
      {"第３局　横歩取り８五飛\n手合割：平手\n▲７六歩\n", "▲７六歩    \n", 0},
      {"戦型:横歩取り８五飛\n▲７六歩\n", "▲７六歩    \n", 0},
      {"研究会 同金 の筋\n▲７六歩\n", "▲７六歩    \n", 0},
      {"第７２期名人戦 ▲羽生 △森内\n▲７六歩\n", "▲７六歩    \n", 0},
      {"先手：x\n７六歩 まで\n▲２六歩\n", "▲２六歩    \n", 2},  // a phrase whose mark was lost
      // The upper hand moves first in a handicap game, here marked "▽".
      {"手合割：角落ち\n▽３四歩 ▲７六歩\n▽８四歩\n", "△３四歩    ▲７六歩    △８四歩    \n", 0},
      {"▲７六歩 △３四歩 ▲２六歩 △８四歩\nまで4手で△後手の勝ち\n",
       "▲７六歩    △３四歩    ▲２六歩    △８四歩    \n\nまで4手で後手の勝ち\n", 0},
      {"▲７六歩    △３四歩    ▲５八\x8b", "▲７六歩    △３四歩    ▲５八玉    \n", 1},
      // A result line cut short names no result: 中断, written back as 引き分け.
      {"▲７六歩\nまで1手で先手の勝\x82", "▲７六歩    \n\nまで1手で引き分け\n", 2},
      {"▲７六歩\n*ｱｲｳ", "▲７六歩    \n", 0},  // half-width kana are one byte each: no cut
      // A mark before a name is header text, first or among the keys.
      {"▽後手：森内俊之\n▲７六歩 △３四歩\n", "▲７六歩    △３四歩    \n", 0},
      {"手合割：平手\n▲羽生善治　△森内俊之\n▲７六歩\n", "▲７六歩    \n", 0},
      {"▽森内 ▲羽生\n▲７六歩 △３四歩\n", "▲７六歩    △３四歩    \n", 0},
      {"先手：x\n手数＝3  ▲２六歩  まで\n▲７六歩\n", "▲７六歩    \n", 0},  // a diagram's closing line
      // A first move line damaged after its mark: its file, the rest of its phrase, or the mark itself.
      {"先手：x\n▲xV六歩\n", "", 2},  // "７" is 0x82 0x56
      {"先手：x\n▲０六歩\nまで1手で先手の勝ち\n", "", 2},
      {"先手：x\n▲二金\n△３四歩\n", "", 2},
      {"先手：x\n▲\x82\n*まで3手\n", "", 2},
      {"先手：x\n▲７X歩 △３四歩\n", "", 2},
      {"先手：x\n∥bc｣３二成銀\n", "", 2},  // junk put between the bytes of ▲ (81 61 62 63 A3)
      // A phrase without its mark after two characters, or after prose.
      {"研究７六歩\n▲７六歩\n", "▲７六歩    \n", 1},
      {"研究 ７六歩\n▲７六歩\n", "▲７六歩    \n", 0},
      {"ここで ７六歩 が定跡\n▲７六歩\n", "▲７六歩    \n", 0},
      {"先手：x\n\x88!?x７六歩\n", "", 2},  // a broken character is junk
      {"同竜王戦の棋譜\n▲７六歩\n", "▲７六歩    \n", 0},
      {"７六歩(00:12)\n▲７六歩\n", "▲７六歩    \n", 1},
      // After the result, only a move with its mark is the game's own.
      {"▲７六歩\nまで1手で先手の勝ち\n同歩 なら先手良し\n▲５五　の地点が急所\n", "▲７六歩    \n\nまで1手で先手の勝ち\n", 0},
      {"▲７六歩\nまで1手で先手の勝ち\n次の手は▲２六歩\n", "▲７六歩    \n\nまで1手で先手の勝ち\n", 3},
      // A result line without a winner holds its ply all the same: the variation there stays one.
      {"▲７六歩 △３四歩 ▲２六歩\nまで3手で中断\n\n変化：4手\n△８四歩 ▲２五歩\n",
       "▲７六歩    △３四歩    ▲２六歩    \n\nまで3手で引き分け\n", 0},
      // A variation's first moves on its header's line; a header whose number
      // can't be read is named with its moves, which join no other line.
      {"▲７六歩 △３四歩\n変化：3手▲２六歩 △８四歩\n", "▲７六歩    △３四歩    ▲２六歩    △８四歩    \n", 0},
      {"▲７六歩 △３四歩\n変化：   3手　▲２六歩\n", "▲７六歩    △３四歩    ▲２六歩    \n", 0},
      {"▲７六歩 △３四歩 ▲２六歩\n変化：２手△８四歩\n変化：４2手\n△８四歩 ▲２五歩\n",
       "▲７六歩    △３四歩    ▲２六歩    \n", 2},
      {"▲７六歩 △３四歩\n変化：3手 ２六歩\n", "▲７六歩    △３四歩    \n", 2},
      {"▲７六歩 △３四歩\n変化：3{手\n▲２六歩\n", "▲７六歩    △３四歩    \n", 2},
      // After a result, a variation header damaged or cut short is named at its own line.
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\nまで変化：2手\n△８四歩\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 3},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n変嘉：2手\n△８四歩\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 3},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n変化\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 3},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n変化：2\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 3},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n次の変化は2手目から\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 0},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n参考：3通りの変化\n#：3手\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 0},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n変化 2手\n", "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 3},
      {"▲７六歩 △３四歩\n変化：0手\n▲２六歩\n", "▲７六歩    △３四歩    \n", 2},
      // A result line cut or damaged names no result: 中断, and named.
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n\n変化：2手\n△８四歩 ▲２六歩\nまで\n*感想\n",
       "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 6},
      {"▲７六歩 △３四歩\nまで2手で後手の勝ち\n\n変化：2手\n△８四歩 ▲２六歩\nまで3手で先\n",
       "▲７六歩    △３四歩    \n\nまで2手で後手の勝ち\n", 6},
      {"▲７六歩\nまで1手でx手の勝ち\n", "▲７六歩    \n\nまで1手で引き分け\n", 2},
      {"▲７六歩\nまで1手で勝ち\n", "▲７六歩    \n\nまで1手で引き分け\n", 2},
      {"▲７六歩\nまで1手で羽生の反則負け\n", "▲７六歩    \n\nまで1手で引き分け\n", 2},  // no such player
      {"▲７六歩\nまで1手で先手の入玉(勝ち\n", "▲７六歩    \n\nまで1手で引き分け\n", 2},  // junk after the player
      {"▲７六歩\nまで1手で後手の手番で千日手\n", "▲７六歩    \n\nまで1手で引き分け\n", 2},
      {"先手：A\n後手：B\n▲７六歩\nまで1手でアの勝ち\n", "▲７六歩    \n\nまで1手で引き分け\n", 4},  // ア's second byte is "A"
      {"先手：A\n後手：A\n▲７六歩\nまで1手でAの勝ち\n", "▲７六歩    \n\nまで1手で引き分け\n", 4},
      // A damaged first phrase with words after its piece; "まで" before a phrase without its mark.
      {"先手：x\n▲?八金右\n", "", 2},
      {"▲７六歩\nまで３四歩\n", "▲７六歩    \n", 2},
      {"後手番　\n", "", 0},  // a side line alone: an empty record
  };
  Kifu record;
  for (const auto& [text, moves, stop] : cases) {
    ASSERT_EQ(ReadKi2Text(record, "▲５八玉\n"), 0);
    const std::string before = Ki2Text(record);
    ReadReport report;
    const bool read = ReadKi2Text(record, text, false, &report) == 0;
    const std::string after = Ki2Text(record);
    EXPECT_EQ(read ? after.substr(after.find("\n\n") + 2) : (after == before ? "-1" : "changed"), moves) << text;
    EXPECT_EQ(report.Stopped() ? report.at : 0, stop) << text << ": " << report.reason;
  }
  // Without a winner, the words say which result it is.
  for (const auto& [words, kind] : {std::pair{"千日手", KifuMoveKind::Repetition}, {"持将棋", KifuMoveKind::Impasse},
                                    {"引き分け", KifuMoveKind::Impasse}, {"詰み", KifuMoveKind::Mate},
                                    {"中断", KifuMoveKind::Interruption}, {"", KifuMoveKind::Interruption}}) {
    ASSERT_EQ(ReadKi2Text(record, std::string("▲７六歩\nまで1手で") + words + "\n"), 0);
    ASSERT_EQ(record.LineLength(), 2) << words;
    EXPECT_EQ(record.MoveAtPly(2)->move.kind, kind) << words;
    EXPECT_EQ(record.MoveAtPly(1)->reachedNode->outgoing.Count(), 1) << words;  // that result alone
  }
  // A result line reads as its words say, a marker of the player to move
  // as KIF has it: the kind and side the KIF reader gives the same game
  // ending in the same word (kif), and where the player named can't be the
  // player to move's result of that kind, the opposite kind with the named
  // winner. Two moves of an even game leave 先手 to move; of a handicap
  // game 上手, who moved first; three moves of it 下手.
  const std::string even = "手合割：平手\n", handicap = "手合割：角落ち\n";
  const std::string evenMoves = "▲７六歩 △３四歩\n", handicapMoves = "▽３四歩 ▲７六歩\n";
  const std::string evenKif = "1 ７六歩(77)\n2 ３四歩(33)\n", handicapKif = "1 ３四歩(33)\n2 ７六歩(77)\n";
  const struct {
    const std::string& header;
    std::string moves;  // KI2, then the same as KIF lines
    std::string kifMoves;
    const char* line;
    const char* kif;  // the KIF word that ends the same game, or null
    KifuMoveKind kind;
    int side;  // whose marker: its king's side, 0 for a draw's empty byte
  } results[] = {
      {even, evenMoves, evenKif, "まで2手で先手の入玉勝ち", "入玉勝ち", KifuMoveKind::Win, 0},
      {even, evenMoves, evenKif, "まで2手で後手の入玉勝ち", nullptr, KifuMoveKind::Loss, 0},
      {even, evenMoves, evenKif, "まで2手で先手の宣言勝ち", "宣言勝ち", KifuMoveKind::Win, 0},
      {even, evenMoves, evenKif, "まで2手で時間切れにより後手の勝ち", "切れ負け", KifuMoveKind::LossOnTime, 0},
      {even, evenMoves, evenKif, "まで2手で時間切れにより先手の勝ち", nullptr, KifuMoveKind::Win, 0},
      {even, evenMoves, evenKif, "まで2手で先手の切れ負け", "切れ負け", KifuMoveKind::LossOnTime, 0},
      {even, evenMoves, evenKif, "まで2手で先手の反則負け", "反則負け", KifuMoveKind::LossByFoul, 0},
      {even, evenMoves, evenKif, "まで2手で先手の時間切れ負け", "切れ負け", KifuMoveKind::LossOnTime, 0},
      {even, evenMoves, evenKif, "まで2手で先手の詰み", "詰み", KifuMoveKind::Mate, 0},
      {even, evenMoves, evenKif, "まで2手で先手の投了", "投了", KifuMoveKind::Resignation, 0},
      {even, evenMoves, evenKif, "まで2手で先手の不戦敗", "不戦敗", KifuMoveKind::Loss, 0},
      {even, evenMoves, evenKif, "まで2手で千日手、三度目の千日手", "千日手", KifuMoveKind::Repetition, 0},
      {even, evenMoves, evenKif, "まで2手で後手の反則負け", "反則勝ち", KifuMoveKind::WinByFoul, 0},
      {even, evenMoves, evenKif, "まで2手で先手の反則勝ち", "反則勝ち", KifuMoveKind::WinByFoul, 0},
      {even, evenMoves, evenKif, "まで2手で後手の反則勝ち", "反則負け", KifuMoveKind::LossByFoul, 0},
      {even, evenMoves, evenKif, "まで2手で不戦勝", "不戦勝", KifuMoveKind::Win, 0},
      {even, evenMoves, evenKif, "まで2手で不戦敗", "不戦敗", KifuMoveKind::Loss, 0},
      {even, evenMoves, evenKif, "まで2手でトライ", "トライ", KifuMoveKind::Win, 0},
      {even, evenMoves, evenKif, "まで2手で最大手数", "最大手数", KifuMoveKind::Impasse, 0},
      {even, evenMoves, evenKif, "まで2手詰", "詰み", KifuMoveKind::Mate, 0},
      {even, evenMoves, evenKif, "まで2手で詰", "詰み", KifuMoveKind::Mate, 0},
      {even, evenMoves, evenKif, "まで2手で不詰", "不詰", KifuMoveKind::Interruption, 0},
      {even, evenMoves, evenKif, "まで2手で封じ手", "封じ手", KifuMoveKind::Interruption, 0},
      {even, evenMoves, evenKif, "まで2手で千日手", "千日手", KifuMoveKind::Repetition, 0},
      // Only the winner: the player to move resigned, or won by a foul.
      {even, evenMoves, evenKif, "まで2手で後手の勝ち", "投了", KifuMoveKind::Resignation, 0},
      {even, evenMoves, evenKif, "まで2手で先手の負け", "投了", KifuMoveKind::Resignation, 0},
      {even, evenMoves, evenKif, "まで2手で先手の勝ち", "反則勝ち", KifuMoveKind::WinByFoul, 0},
      {even, evenMoves, evenKif, "まで2手で千日手により後手の勝ち", "投了", KifuMoveKind::Resignation, 0},
      // The players by the names the header gives.
      {"先手：羽生善治\n後手：森内俊之\n", evenMoves, evenKif, "まで2手で森内俊之の勝ち", nullptr,
       KifuMoveKind::Resignation, 0},
      {"先手：善治\n後手：羽生善治\n", evenMoves, evenKif, "まで2手で羽生善治の勝ち", nullptr, KifuMoveKind::Resignation, 0},
      {"先手：手\n後手：x\n", evenMoves, evenKif, "まで2手で中断", "中断", KifuMoveKind::Interruption, 0},
      // A handicap game names its players 下手 and 上手, or 先手 and 後手.
      {handicap, handicapMoves, handicapKif, "まで2手で時間切れにより下手の勝ち", "切れ負け", KifuMoveKind::LossOnTime, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で上手の反則負け", "反則負け", KifuMoveKind::LossByFoul, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で下手の反則負け", "反則勝ち", KifuMoveKind::WinByFoul, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で上手の入玉勝ち", "入玉勝ち", KifuMoveKind::Win, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で下手の入玉勝ち", nullptr, KifuMoveKind::Loss, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で上手の勝ち", "反則勝ち", KifuMoveKind::WinByFoul, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で先手の勝ち", "投了", KifuMoveKind::Resignation, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で不戦敗", "不戦敗", KifuMoveKind::Loss, 1},
      {handicap, handicapMoves, handicapKif, "まで2手で持将棋", "持将棋", KifuMoveKind::Impasse, 0},
      {handicap, handicapMoves + "▽８四歩\n", handicapKif + "3 ８四歩(83)\n", "まで3手で上手の勝ち", "投了",
       KifuMoveKind::Resignation, 0},
      {handicap, handicapMoves + "▽８四歩\n", handicapKif + "3 ８四歩(83)\n", "まで3手で下手の反則負け", "反則負け",
       KifuMoveKind::LossByFoul, 0},
  };
  for (const auto& row : results) {
    const auto ending = [&](const Kifu& kifu) {
      const KifuMoveNode* last = kifu.MoveAtPly(kifu.LineLength());
      return std::pair(last->move.kind, last->move.piece.Side());
    };
    Kifu fromKi2;
    ReadReport report;
    ASSERT_EQ(ReadKi2Text(fromKi2, row.header + row.moves + row.line + "\n", false, &report), 0) << row.line;
    EXPECT_FALSE(report.Stopped()) << row.line << ": " << report.reason;
    EXPECT_EQ(ending(fromKi2), std::pair(row.kind, row.side)) << row.line;
    if (row.kif == nullptr) continue;
    Kifu fromKif;
    const std::string ply = std::to_string(std::count(row.kifMoves.begin(), row.kifMoves.end(), '\n') + 1);
    const std::string kifText = row.header + "手数----指手--\n" + row.kifMoves + ply + " " + row.kif + "\n";
    MemoryInStream kif(kifText.c_str());
    ASSERT_EQ(fromKif.ReadKif(kif, 0), 0) << row.kif;
    EXPECT_EQ(ending(fromKif), ending(fromKi2)) << row.line << " and " << row.kif;
  }

  // 変化：3手 after five moves: the next phrase is another third move.
  ASSERT_EQ(ReadKi2Text(record, "▲７六歩 △３四歩 ▲２六歩 △８四歩 ▲２五歩\n変化：3手\n▲６六歩(01:02)\n*note\n"), 0);
  const KifuMoveNode* third = record.MoveAtPly(2)->reachedNode->outgoing.At(1);
  EXPECT_EQ(third->move, KifuOrdinaryMove(6, 7, 6, 6, KIFU_PAWN, 0));
  EXPECT_EQ(third->consumedTime, 62);
  EXPECT_STREQ(third->comment.Text(), "note");
  ASSERT_EQ(ReadKi2Text(record, "▲１六歩\n", true), 0);  // merged at the equal start
  EXPECT_EQ(record.StartNode()->outgoing.Count(), 2);

  // Variations written after the result, as another library writes them:
  // each goes back along the line read, one branches inside another, one
  // ends with its own result. The same tree as the KIF of that library.
  const std::string ki2 = "手合割：平手\n▲７六歩 △３四歩 ▲２六歩 △８四歩 ▲２五歩\nまで5手で先手の勝ち\n\n"
                          "変化：3手\n▲６六歩 △８四歩 ▲６八銀\n\n変化：   4手\n△３二金 ▲７八金\n\n"
                          "変化：2手\n△８四歩 ▲７八金\nまで3手で先手の勝ち\n";
  const std::string kif = "手合割：平手\n手数----指手---------消費時間--\n"
                          "1 ７六歩(77)\n2 ３四歩(33)\n3 ２六歩(27)\n4 ８四歩(83)\n5 ２五歩(26)\n6 投了\n"
                          "変化：3手\n3 ６六歩(67)\n4 ８四歩(83)\n5 ６八銀(79)\n"
                          "変化：4手\n4 ３二金(41)\n5 ７八金(69)\n"
                          "変化：2手\n2 ８四歩(83)\n3 ７八金(69)\n4 投了\n";
  Kifu fromKif, fromFile, fromPaste;
  MemoryInStream kifIn(kif.c_str());
  ASSERT_EQ(fromKif.ReadKif(kifIn, 0), 0);
  const std::string path = ProcessTempPath("variations.ki2");
  ASSERT_TRUE(WriteFileBytes(path, ki2));
  ReadReport fileReport, pasteReport;
  ASSERT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_KI2, fromFile, false, &fileReport), 0);
  std::remove(path.c_str());
  ASSERT_EQ(ReadKifuText(ki2.c_str(), fromPaste, &pasteReport), 0);
  const auto tree = [](const Kifu& kifu) {
    std::vector<KifuMove> moves;
    CollectTree(kifu.StartNode(), moves);
    return moves;
  };
  EXPECT_EQ(tree(fromKif).size(), 14u + 15);  // 14 moves and results, and the empty move closing each of 15 positions
  EXPECT_EQ(tree(fromFile), tree(fromKif));
  EXPECT_EQ(tree(fromPaste), tree(fromKif));
  EXPECT_FALSE(fileReport.Stopped() || pasteReport.Stopped()) << fileReport.reason << pasteReport.reason;

  // Comments on a move and on the result, as another program writes them:
  // a comment after a result line is the result's, in the main line and in
  // a variation, as the same game's KIF has them.
  const std::string commented = "手合割：平手\n▲７六歩 △３四歩\n*二手目\nまで2手で後手の勝ち\n*投了の感想\n*二行目\n\n"
                                "変化：2手\n△８四歩\nまで2手で先手の勝ち\n*変化の感想\n";
  const std::string commentedKif = "手合割：平手\n手数----指手--\n1 ７六歩(77)\n2 ３四歩(33)\n*二手目\n3 投了\n*投了の感想\n"
                                   "*二行目\n変化：2手\n2 ８四歩(83)\n3 投了\n*変化の感想\n";
  const auto comments = [](const Kifu& kifu) {
    std::vector<std::string> texts;
    const KifuPositionNode* afterFirst = kifu.StartNode()->outgoing.At(0)->reachedNode;
    for (int line = 0; line < afterFirst->outgoing.Count(); ++line) {
      const KifuMoveNode* second = afterFirst->outgoing.At(line);
      texts.push_back(second->comment.Text());
      texts.push_back(second->reachedNode->outgoing.At(0)->comment.Text());
    }
    return texts;
  };
  Kifu commentsFromKif;
  MemoryInStream commentedKifIn(commentedKif.c_str());
  ASSERT_EQ(commentsFromKif.ReadKif(commentedKifIn, 0), 0);
  EXPECT_EQ(comments(commentsFromKif), (std::vector<std::string>{"二手目", "投了の感想\r\n二行目", "", "変化の感想"}));
  ASSERT_TRUE(WriteFileBytes(path, commented));
  ASSERT_EQ(ReadKifuFile(path.c_str(), KIFU_FILE_KI2, fromFile, false, &fileReport), 0);
  std::remove(path.c_str());
  ASSERT_EQ(ReadKifuText(commented.c_str(), fromPaste, &pasteReport), 0);
  EXPECT_EQ(comments(fromFile), comments(commentsFromKif));
  EXPECT_EQ(comments(fromPaste), comments(commentsFromKif));
  EXPECT_FALSE(fileReport.Stopped() || pasteReport.Stopped()) << fileReport.reason << pasteReport.reason;
  // A comment after a damaged variation header is the unread variation's.
  ASSERT_EQ(ReadKi2Text(fromFile, "▲７六歩\nまで1手で先手の勝ち\n*感想\nまで変化：1手\n*注記\n"), 0);
  EXPECT_STREQ(fromFile.MoveAtPly(2)->comment.Text(), "感想");
}

// A side mark before a header key ("▲先手：…") is no part of the key: the
// names reach the players; a key that would begin a line of another kind
// once bared is passed over; and every format written from the record
// reads back whole.
TEST(Ki2Reader, SideMarksBeforeHeaderKeysAreLeftOut) {
  const std::string text = "▲手合割：平手\n▲先手：羽生善治\n△後手：森内俊之\n▽　棋戦：名人戦\n▲△表題：第1局\n"
                           "▲手数----指手--：x\n▲|x：y\n▲:|x：y\n▲*x：y\n▲#x：y\nまで：備考\n▲７六歩 △３四歩\n";
  GameRecord game;
  ASSERT_TRUE(game.LoadFromText(SjisString(text.c_str())));
  EXPECT_STREQ(game.record->PlayerName(0).Text(), "羽生善治");
  EXPECT_STREQ(game.record->PlayerName(1).Text(), "森内俊之");
  EXPECT_STREQ(game.record->Event().Text(), "名人戦");
  EXPECT_STREQ(game.record->Title().Text(), "第1局");
  ASSERT_EQ(game.record->ExtraHeaders().Count(), 2);
  EXPECT_STREQ(game.record->ExtraHeaders().At(0).Text(), "まで");
  for (const char* extension : {".kif", ".ckf", ".ki2", ".csa"}) {
    const std::string saved = ProcessTempPath(std::string("marked") + extension);
    KifuFileType type = KIFU_FILE_DETECT;
    ASSERT_TRUE(game.Save(saved.c_str(), &type)) << extension;
    GameRecord back;
    ReadReport report;
    type = KIFU_FILE_DETECT;
    ASSERT_TRUE(back.Load(saved.c_str(), &type, false, &report)) << extension << ": " << report.reason;
    std::remove(saved.c_str());
    EXPECT_FALSE(report.Stopped()) << extension << ": " << report.reason;
    EXPECT_STREQ(back.record->PlayerName(0).Text(), "羽生善治") << extension;
    EXPECT_EQ(back.record->LineLength(), 2) << extension;
  }
}

// A long line that keeps repeating the start reads in one pass (its equal
// positions are all behind it, where nothing merges), and a transposition
// between later variations still merges.
TEST(Ki2Reader, LongRepeatingLinesReadAndTranspositionsStillMerge) {
  std::string text;
  for (int round = 0; round < 500; ++round) text += "▲５八玉 △５二玉 ▲５九玉 △５一玉\n";
  text += "変化：1手\n▲７六歩 △３四歩 ▲２六歩\n変化：1手\n▲２六歩 △３四歩 ▲７六歩\n";
  Kifu record;
  ASSERT_EQ(ReadKi2Text(record, text), 0);
  EXPECT_EQ(record.LineLength(), 2000);
  EXPECT_EQ(record.StartNode()->incoming.Count(), 1);
  ASSERT_EQ(record.StartNode()->outgoing.Count(), 3);
  const KifuMoveNode* last = record.StartNode()->outgoing.At(2);
  for (int ply = 1; ply < 3; ++ply) last = last->reachedNode->outgoing.At(0);
  EXPECT_EQ(last->reachedNode->incoming.Count(), 2);
  ExpectKifuGraphValid(record);
}

}  // namespace
