// KI2: every corpus game reads to the main line and start of its KIF twin;
// write-read-write is a fixed point over random records with variations;
// the layout of the writer and the reader's refusals.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/record_stream.h"
#include "support/kifu_builder.h"
#include "support/kifu_perft.h"
#include "support/test_paths.h"

namespace {

#if defined(KIFU_SANITIZED)
constexpr int SCALE = 4;
#else
constexpr int SCALE = 1;
#endif

std::vector<std::string> CorpusGames() {
  std::vector<std::string> games;
  if (DIR* dir = opendir(CorpusDir())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ki2") == 0) games.push_back(name.substr(0, name.size() - 4));
    }
    closedir(dir);
  }
  std::sort(games.begin(), games.end());
  return games;
}

// The main line: the first continuation of every position from the start.
std::vector<KifuMove> MainLine(const Kifu& record) {
  std::vector<KifuMove> line;
  for (const KifuPositionNode* at = record.StartNode(); at != nullptr && at->outgoing.Count() > 0;) {
    const KifuMoveNode* next = at->outgoing.At(0);
    line.push_back(next->move);
    at = next->reachedNode;
    if (next->move.kind != KifuMoveKind::Ordinary) break;
  }
  return line;
}

// The moves of every line in depth-first order, variations in list order.
void CollectTree(const KifuPositionNode* at, std::vector<KifuMove>& moves, int depth = 0) {
  if (at == nullptr || depth > 2000) return;
  for (int i = 0; i < at->outgoing.Count(); ++i) {
    moves.push_back(at->outgoing.At(i)->move);
    CollectTree(at->outgoing.At(i)->reachedNode, moves, depth + 1);
  }
  moves.push_back(KifuMove());  // end of this position's continuations
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
  const std::vector<std::string> games = CorpusGames();
  if (games.empty()) GTEST_SKIP() << "no corpus at " << CorpusDir();
  for (const std::string& game : games) {
    const std::string base = std::string(CorpusDir()) + "/" + game;
    Kifu fromKif, fromKi2;
    FileInStream kif, ki2;
    ASSERT_EQ(kif.Open((base + ".kif").c_str()), 0);
    ASSERT_EQ(ki2.Open((base + ".ki2").c_str()), 0);
    ASSERT_EQ(fromKif.ReadKif(kif, 0), 0) << game;
    ASSERT_EQ(fromKi2.ReadKi2(ki2, false), 0) << game;
    EXPECT_TRUE(fromKi2.StartNode()->position == fromKif.StartNode()->position) << game;
    EXPECT_EQ(fromKi2.StartNode()->position.handicapFlags, fromKif.StartNode()->position.handicapFlags) << game;
    std::vector<KifuMove> kifLine = MainLine(fromKif), ki2Line = MainLine(fromKi2);
    EXPECT_EQ(kifLine, ki2Line) << game;
    // The variations before any まで line are read too: the same tree.
    std::vector<KifuMove> kifTree, ki2Tree;
    CollectTree(fromKif.StartNode(), kifTree);
    CollectTree(fromKi2.StartNode(), ki2Tree);
    if (game[0] == 'g') EXPECT_EQ(kifTree, ki2Tree) << game;
    EXPECT_EQ(fromKi2.PlayerName(0).Text(), std::string(fromKif.PlayerName(0).Text())) << game;
  }
}

// A random record: a line from a random start, then branches from random
// plies of the selected line, each played on; sometimes a marker ends it.
void BuildRandomRecord(Kifu& record, std::mt19937& random) {
  record.Reset(KIFU_KNOWN_HANDICAPS[random() % std::size(KIFU_KNOWN_HANDICAPS)]);
  for (int branch = 0, branches = static_cast<int>(random() % 4); branch <= branches; ++branch) {
    int ply = branch == 0 ? 0 : static_cast<int>(random() % (record.LineLength() + 1));
    for (int plies = static_cast<int>(random() % 60); plies > 0; --plies, ++ply) {
      const KifuMoveNode* at = record.MoveAtPly(ply);
      if (at == nullptr || at->reachedNode == nullptr) break;
      const std::vector<KifuMove> legal = KifuLegalMoves(at->reachedNode->position);
      if (legal.empty()) break;
      const int seconds = static_cast<int>(random() % 100);
      if (record.AddMove(ply, legal[random() % legal.size()], seconds, nullptr, -1, MergeChooser::None()) == nullptr) {
        break;
      }
    }
  }
  if (random() % 2 == 0) {
    const int ply = record.LineLength();
    const KifuMoveNode* at = record.MoveAtPly(ply);
    if (at != nullptr && at->reachedNode != nullptr) {
      const int side = at->reachedNode->position.sideToMove;
      const auto kind = static_cast<KifuMoveKind>(1 + random() % 15);
      record.AddMove(ply, KifuMove(0, 0, 0, 0, side * 16 + KIFU_KING, 0, 0, kind), 0, nullptr, -1,
                     MergeChooser::None());
    }
  }
  const char* const names[] = {"", "羽生", "Player 1", "△名人", "先手：x"};
  record.PlayerName(0).Assign(names[random() % std::size(names)]);
  record.PlayerName(1).Assign(names[random() % std::size(names)]);
  if (random() % 2 == 0) record.Event().Assign("順位戦");
  if (random() % 2 == 0) record.SetHeader("場所", "東京");
}

// Writing, reading and writing again gives the same text, and the selected
// line comes back move for move (markers of a draw have no winner to read,
// so the second text drops them and is the fixed point from there on).
TEST(Ki2Property, WriteReadWriteIsAFixedPoint) {
  std::mt19937 random(1112);
  for (int round = 0; round < 1500 / SCALE; ++round) {
    Kifu record;
    BuildRandomRecord(record, random);
    const std::string first = Ki2Text(record);
    Kifu again;
    ASSERT_EQ(ReadKi2Text(again, first), 0) << first;
    const std::string second = Ki2Text(again);
    if (first.find("引き分け") == std::string::npos) EXPECT_TRUE(first == second) << round << "\n" << first << "\n----\n" << second;
    Kifu third;
    ASSERT_EQ(ReadKi2Text(third, second), 0);
    EXPECT_TRUE(Ki2Text(third) == second) << round;
    EXPECT_TRUE(again.StartNode()->position == record.StartNode()->position);
  }
}

}  // namespace
