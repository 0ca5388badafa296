// The record graph: invariants over long random editing runs with
// transposing lines, the merge rules, deletion of merged positions, copies
// and grafts, and walks over very deep records.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "records/kifu.h"
#include "support/kifu_builder.h"
#include "support/kifu_graph_checks.h"
#include "support/kifu_perft.h"
#include "support/random_record.h"

namespace {

constexpr int RANDOM_RUNS = 2000 / KIFU_RUN_SCALE;
constexpr int DEEP_PLIES = 100000 / KIFU_RUN_SCALE;

// A few moves of pawns, silvers and golds that transpose into each other
// and walk back to earlier positions; now and then any legal move.
KifuMove RandomTransposingMove(const KifuPosition& position, std::mt19937& random) {
  static const int kSquares[][4] = {{7, 7, 7, 6}, {2, 7, 2, 6}, {3, 9, 4, 8}, {4, 8, 3, 9}, {6, 9, 5, 8},
                                    {5, 8, 6, 9}, {3, 3, 3, 4}, {8, 3, 8, 4}, {7, 1, 6, 2}, {6, 2, 7, 1},
                                    {4, 1, 5, 2}, {5, 2, 4, 1}, {9, 7, 9, 6}, {1, 3, 1, 4}};
  const std::vector<KifuMove> legal = KifuLegalMoves(position);
  std::vector<KifuMove> pool;
  for (const auto& s : kSquares) {
    for (const KifuMove& m : legal) {
      if (m.fromFile == s[0] && m.fromRank == s[1] && m.toFile == s[2] && m.toRank == s[3]) pool.push_back(m);
    }
  }
  if (pool.empty() || random() % 20 == 0) pool = legal;
  return pool.empty() ? KifuMove() : pool[random() % pool.size()];
}

// A random position node of the record.
KifuPositionNode* RandomNode(const Kifu& kifu, std::mt19937& random) {
  KifuPositionNode* node = kifu.StartNode();
  for (int steps = static_cast<int>(random() % 12); steps > 0 && node->outgoing.Count() > 0; --steps) {
    node = node->outgoing.At(static_cast<int>(random() % static_cast<unsigned>(node->outgoing.Count())))->reachedNode;
  }
  return node;
}

// Adds a few random moves along a random line, merging or not.
void GrowRandomly(Kifu& kifu, std::mt19937& random) {
  KifuPositionNode* node = RandomNode(kifu, random);
  const MergeChooser chooser = random() % 4 == 0 ? MergeChooser::None() : MergeChooser::TakeFirst();
  for (int i = static_cast<int>(random() % 10); i >= 0 && node != nullptr; --i) {
    const KifuMove move = RandomTransposingMove(node->position, random);
    if (move.piece.Code() == 0) return;
    KifuMoveNode* added = node->AddMove(move, static_cast<int>(random() % 100), nullptr,
                                        static_cast<int>(random() % 3) - 1, kifu.Table(), chooser, random() % 2 == 0);
    ASSERT_NE(added, nullptr);
    node = added->reachedNode;
  }
}

// The order in which a depth-first walk in outgoing order first meets each
// move at the position it reaches, descending on first arrival only.
void CollectArrivals(KifuPositionNode* node, std::map<KifuPositionNode*, std::vector<KifuMoveNode*>>& arrivals) {
  for (int i = 0; i < node->outgoing.Count(); ++i) {
    KifuMoveNode* move = node->outgoing.At(i);
    auto& list = arrivals[move->reachedNode];
    list.push_back(move);
    if (list.size() == 1) CollectArrivals(move->reachedNode, arrivals);
  }
}

void ExpectIncomingInArrivalOrder(Kifu& kifu) {
  std::map<KifuPositionNode*, std::vector<KifuMoveNode*>> arrivals;
  CollectArrivals(kifu.StartNode(), arrivals);
  kifu.SortIncomingByTraversal();
  for (const auto& [node, moves] : arrivals) {
    ASSERT_EQ(node->incoming.Count(), static_cast<int>(moves.size()));
    for (int i = 0; i < node->incoming.Count(); ++i) EXPECT_EQ(node->incoming.At(i), moves[i]);
  }
}

}  // namespace

TEST(KifuGraph, RandomEditingKeepsEveryInvariant) {
  std::mt19937 random(20261206);
  int merges = 0;
  for (int run = 0; run < RANDOM_RUNS; ++run) {
    auto kifu = std::make_unique<Kifu>();
    for (int step = 0; step < 30; ++step) {
      switch (random() % 9) {
        case 0: {  // delete a branch somewhere
          KifuPositionNode* node = RandomNode(*kifu, random);
          node->DeleteBranch(static_cast<int>(random() % 3) - 1, kifu->Table());
          break;
        }
        case 1: {  // copy, check the copy, and go on with it
          auto copy = std::make_unique<Kifu>(*kifu);
          EXPECT_EQ(DescribeKifuGraph(*kifu), DescribeKifuGraph(*copy));
          kifu = std::move(copy);
          break;
        }
        case 2: {  // a record read apart, grafted onto an equal position or replacing all
          Kifu other;
          other.SetStartPosition(RandomNode(*kifu, random)->position);
          for (int i = 0; i < 3; ++i) GrowRandomly(other, random);
          auto* table = new KifuPositionTable;
          KifuMoveNode* root = other.Root()->CopySubtree(nullptr, table);
          const SjisString names[2];
          const bool merge = random() % 4 != 0;
          EXPECT_EQ(kifu->Adopt(root, table, new SjisStringList, names, {}, {}, {}, merge), 0);
          break;
        }
        case 3:
          kifu->SelectBranch(static_cast<int>(random() % 6), static_cast<int>(random() % 5) - 2, true);
          break;
        case 4:
          kifu->SelectMergeSource(static_cast<int>(random() % 8), static_cast<int>(random() % 3) - 1, true);
          break;
        case 5:
          ExpectIncomingInArrivalOrder(*kifu);
          break;
        default:
          GrowRandomly(*kifu, random);
      }
      const int nodes = ExpectKifuGraphValid(*kifu);
      int moves = 0;
      for (KifuMoveNode* node = kifu->NextNode(nullptr); node != nullptr; node = kifu->NextNode(node)) ++moves;
      EXPECT_EQ(moves, nodes) << "the spanning walk enters every position once";
      if (::testing::Test::HasFailure()) return;
    }
    for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
      for (auto* node = kifu->Table()->Head(chain); node != nullptr; node = node->chainNext) {
        merges += node->incoming.Count() > 1;
      }
    }
  }
  EXPECT_GT(merges, RANDOM_RUNS / 4) << "the runs must reach merged positions";
}

TEST(KifuGraph, OnlyEqualPositionsNotOnTheirOwnPathMerge) {
  // Silvers out and back: the start position again, which is an ancestor.
  Kifu kifu;
  KifuMoveNode* back = KifuPlayLine(kifu, kifu.StartNode(), {{3, 9, 4, 8}, {7, 1, 6, 2}, {4, 8, 3, 9}});
  EXPECT_TRUE(back->reachedNode->WouldMakeCycle(kifu.StartNode()));
  EXPECT_FALSE(kifu.StartNode()->WouldMakeCycle(back->reachedNode));
  // The start with the other side to move shares the start's key (keys are
  // seen from the side to move) but is another position.
  KifuPositionNode twin;
  twin.position.sideToMove = 1;
  twin.position.ComputeKey(twin.key);
  ASSERT_EQ(twin.key, kifu.StartNode()->key);
  kifu.Table()->Insert(&twin);
  EXPECT_EQ(kifu.Table()->Find(twin.position), &twin);
  EXPECT_EQ(kifu.Table()->Find(kifu.StartNode()->position), kifu.StartNode());
  KifuMoveNode* home = KifuPlayLine(kifu, back->reachedNode, {{6, 2, 7, 1}});
  EXPECT_NE(home->reachedNode, kifu.StartNode());
  EXPECT_EQ(twin.incoming.Count(), 0);
  EXPECT_EQ(kifu.Table()->Remove(&twin), 0);
  ExpectKifuGraphValid(kifu);
}

TEST(KifuGraph, ListsGrowPastWhatACopyReservedAndKeepTheirSelection) {
  Kifu kifu;
  for (int file : {1, 2, 3}) KifuPlayLine(kifu, kifu.StartNode(), {{file, 7, file, 6}});
  Kifu copy(kifu);
  ASSERT_EQ(copy.StartNode()->outgoing.Capacity(), 3);
  KifuPlayLine(copy, copy.StartNode(), {{9, 7, 9, 6}});
  MoveNodeList& list = copy.StartNode()->outgoing;
  EXPECT_EQ(list.Count(), 4);
  EXPECT_GE(list.Capacity(), 4);
  KifuMoveNode* selected = list.At(1);
  list.Select(1);
  list.Insert(list.At(3), 0);
  EXPECT_EQ(list.Selected(), selected);
  list.RemoveAt(0);
  EXPECT_EQ(list.Selected(), selected);
  list.RemoveAt(1);
  KifuMoveNode* next = list.At(1);
  EXPECT_EQ(list.Selected(), next) << "the next entry takes the removed one's place";
  list.Insert(selected, 1);  // back in place (so that the copy frees it), before the selected entry
  EXPECT_EQ(list.Selected(), next);
  ExpectKifuGraphValid(copy);
}

TEST(Kifu, StartPositionAndMoveRefusals) {
  Kifu kifu;
  KifuPosition handicap;
  handicap.SetStart(HANDICAP_BISHOP_22);
  EXPECT_TRUE(kifu.SetStartPosition(handicap));
  ASSERT_NE(kifu.AddMove(0, KifuMoveIn(handicap, 3, 3, 3, 4), 5, nullptr, -1, MergeChooser()), nullptr);
  EXPECT_FALSE(kifu.SetStartPosition(KifuPosition()));
  EXPECT_EQ(kifu.AddMove(1, KifuMoveIn(KifuPosition(), 8, 3, 8, 4), 0, nullptr, -1, MergeChooser()), nullptr)
      << "a move the position can't play is refused";
}

TEST(KifuGraph, DeepRecordsAreWalkedWithoutRecursion) {
  // Silvers walking out and back: a line far deeper than any call stack.
  Kifu kifu;
  KifuPositionNode* node = kifu.StartNode();
  const int squares[4][4] = {{3, 9, 4, 8}, {7, 1, 6, 2}, {4, 8, 3, 9}, {6, 2, 7, 1}};
  for (int ply = 0; ply < DEEP_PLIES; ++ply) {
    const int* s = squares[ply % 4];
    node = node->AddMove(KifuMoveIn(node->position, s[0], s[1], s[2], s[3]), 1, nullptr, -1, kifu.Table(),
                         MergeChooser(), true)
               ->reachedNode;
  }
  EXPECT_FALSE(kifu.StartNode()->WouldMakeCycle(node));
  Kifu copy(kifu);
  EXPECT_EQ(copy.LineLength(), DEEP_PLIES);
  int visited = 0;
  for (KifuMoveNode* walk = copy.NextNode(nullptr); walk != nullptr; walk = copy.NextNode(walk)) ++visited;
  EXPECT_EQ(visited, DEEP_PLIES + 1);
  copy.SortIncomingByTraversal();
  EXPECT_TRUE(copy.SelectMergeSource(DEEP_PLIES, 0, false));
  EXPECT_TRUE(copy.ClearMoves());
  EXPECT_EQ(copy.Table()->Count(), 1);
}

// A position copied with its continuations: merges stay merged, the moves
// into the copied part from outside it are left behind, the source keeps
// its marks at 0.
TEST(KifuGraph, CopiedPositionsKeepTheirMergesAndNoPredecessor) {
  RandomRecordOptions options;
  options.headers = options.comments = false;
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    const std::unique_ptr<Kifu> source = BuildRandomRecord(seed, options);
    const std::string before = DescribeKifuGraph(*source);
    const std::vector<KifuPositionNode*> nodes = KifuReachableNodes(*source);
    for (KifuPositionNode* from : {nodes.front(), nodes[nodes.size() / 2]}) {
      auto* table = new KifuPositionTable;
      KifuPositionNode* copy = from->CopySubtree(table);
      EXPECT_EQ(copy->incoming.Count(), 0);
      EXPECT_EQ(DescribeKifuGraph(*source), before);
      auto* root = new KifuMoveNode;
      root->move.kind = KifuMoveKind::GameStart;
      root->reachedNode = copy;
      copy->incoming.Insert(root, 0);
      if (from == nodes.front()) {
        Kifu copied;
        const SjisString names[2];
        ASSERT_EQ(copied.Adopt(root, table, new SjisStringList, names, {}, {}, {}, false), 0);
        EXPECT_EQ(CompareKifu(*source, copied), "") << seed;
        ExpectKifuGraphValid(copied);
        continue;
      }
      root->DetachSubtree(table);  // takes every copied position out of the table
      EXPECT_EQ(table->Count(), 0);
      delete root;
      delete table;
    }
  }
}
