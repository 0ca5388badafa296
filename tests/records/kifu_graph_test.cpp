// The record graph: invariants over long random editing runs with
// transposing lines, the merge rules, deletion of merged positions, copies
// and grafts, and walks over very deep records.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

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

// Moving an entry shifts those between and keeps the selected entry
// selected; a move from or to outside the list, or onto itself, changes
// nothing, and a node not in the list has no index.
TEST(MoveNodeList, MovesKeepTheSelectionAndRefuseIndicesOutsideTheList) {
  KifuMoveNode nodes[4], stranger;
  MoveNodeList list(2);
  for (KifuMoveNode& node : nodes) list.Insert(&node, -1);
  ASSERT_TRUE(list.Select(1));
  const auto order = [&] {
    std::vector<int> indices;
    for (int i = 0; i < list.Count(); ++i) indices.push_back(static_cast<int>(list.At(i) - nodes));
    return indices;
  };
  list.Move(3, 0);
  EXPECT_EQ(order(), (std::vector<int>{3, 0, 1, 2}));
  EXPECT_EQ(list.Selected(), &nodes[1]);
  list.Move(0, 2);
  EXPECT_EQ(order(), (std::vector<int>{0, 1, 3, 2}));
  EXPECT_EQ(list.Selected(), &nodes[1]);
  for (const auto& [from, to] : {std::pair{2, 2}, {-1, 0}, {0, -1}, {4, 0}, {0, 4}}) {
    list.Move(from, to);
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 3, 2})) << from << " to " << to;
  }
  EXPECT_EQ(list.IndexOf(&nodes[3]), 2);
  EXPECT_EQ(list.IndexOf(&stranger), -1);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
}

// A reader's graph without a table, or whose root reaches no position, is
// refused and freed (the record takes it whatever the result), and the
// record stays as it was.
TEST(KifuGraph, AdoptRefusesAGraphWithoutTableOrStart) {
  Kifu kifu;
  KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}});
  const KifuMoveNode* first = kifu.MoveAtPly(1);
  const SjisString names[2], none;
  EXPECT_EQ(kifu.Adopt(nullptr, new KifuPositionTable, new SjisStringList, names, none, none, none, false), -1);
  EXPECT_EQ(kifu.Adopt(new KifuMoveNode, nullptr, new SjisStringList, names, none, none, none, false), -1);
  EXPECT_EQ(kifu.Adopt(new KifuMoveNode, new KifuPositionTable, nullptr, names, none, none, none, true), -1);
  EXPECT_EQ(kifu.LineLength(), 2);
  EXPECT_EQ(kifu.MoveAtPly(1), first);
  ExpectKifuGraphValid(kifu);
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

// Here: 7六歩 (comment A, 3 s) 3四歩 (C) 2六歩. Grafted: 7六歩 (B) with 3四歩
// (C) and the variation 8四歩 (42 s, value 123), and 2六歩 (D) 3四歩 7六歩
// 8四歩, which transposes into here's third position. Every move comes in
// appended and unselected, an existing move keeps its time and gains a
// differing comment, the transposition merges and brings its continuation.
TEST(KifuGraph, GraftingAppendsEveryMoveAndJoinsDifferingComments) {
  Kifu here;
  KifuMoveNode* pawn76 = KifuPlayLine(here, here.StartNode(), {{7, 7, 7, 6}});
  KifuMoveNode* pawn34 = KifuPlayLine(here, pawn76->reachedNode, {{3, 3, 3, 4}});
  KifuMoveNode* pawn26 = KifuPlayLine(here, pawn34->reachedNode, {{2, 7, 2, 6}});
  pawn76->comment.Assign("A");
  pawn76->consumedTime = 3;
  pawn34->comment.Assign("C");
  Kifu other;
  KifuMoveNode* source76 = KifuPlayLine(other, other.StartNode(), {{7, 7, 7, 6}});
  source76->comment.Assign("B");
  source76->consumedTime = 11;
  KifuPlayLine(other, source76->reachedNode, {{3, 3, 3, 4}})->comment.Assign("C");
  KifuMoveNode* source84 = KifuPlayLine(other, source76->reachedNode, {{8, 3, 8, 4}});
  source84->consumedTime = 42;
  source84->thinkResult.value = 123;
  source84->thinkResult.pv = {0x1234};
  KifuMoveNode* source26 = KifuPlayLine(other, other.StartNode(), {{2, 7, 2, 6}});
  source26->comment.Assign("D");
  KifuPlayLine(other, source26->reachedNode, {{3, 3, 3, 4}, {7, 7, 7, 6}, {8, 3, 8, 4}});
  const std::string otherBefore = DescribeKifuGraph(other);

  here.StartNode()->GraftFrom(other.StartNode(), here.Table());
  EXPECT_EQ(DescribeKifuGraph(other), otherBefore);
  EXPECT_EQ(ExpectKifuGraphValid(here), 8) << "four positions here, three new by 2六歩 and one by each 8四歩";
  const MoveNodeList& fromStart = here.StartNode()->outgoing;
  ASSERT_EQ(fromStart.Count(), 2);
  EXPECT_EQ(fromStart.At(0), pawn76);
  EXPECT_EQ(fromStart.SelectedIndex(), 0);
  EXPECT_STREQ(pawn76->comment.Text(), "AB");
  EXPECT_EQ(pawn76->consumedTime, 3);
  const MoveNodeList& afterPawn76 = pawn76->reachedNode->outgoing;
  ASSERT_EQ(afterPawn76.Count(), 2);
  EXPECT_EQ(afterPawn76.At(0), pawn34);
  EXPECT_EQ(afterPawn76.SelectedIndex(), 0);
  EXPECT_STREQ(pawn34->comment.Text(), "C") << "an equal comment is not repeated";
  const KifuMoveNode* grafted84 = afterPawn76.At(1);
  EXPECT_EQ(grafted84->move.toFile * 10 + grafted84->move.toRank, 84);
  EXPECT_EQ(grafted84->consumedTime, 42);
  EXPECT_EQ(grafted84->thinkResult.value, 123);
  EXPECT_EQ(grafted84->thinkResult.pv, source84->thinkResult.pv);
  const KifuMoveNode* grafted26 = fromStart.At(1);
  EXPECT_STREQ(grafted26->comment.Text(), "D");
  const KifuPositionNode* merged = pawn26->reachedNode;
  ASSERT_EQ(merged->incoming.Count(), 2);
  EXPECT_EQ(merged->incoming.At(1)->leftNode->incoming.Selected()->leftNode, grafted26->reachedNode);
  ASSERT_EQ(merged->outgoing.Count(), 1);
  EXPECT_EQ(merged->outgoing.At(0)->move.fromFile * 10 + merged->outgoing.At(0)->move.toRank, 84);
}

// Taking moves off a position without deleting what they reach: a merged
// position keeps its other way in; an entry taken out of the list can be
// put back whole; the selection falls to 0 when its index leaves the list.
TEST(KifuGraph, OutgoingMovesRemovedOrDeletedAlone) {
  Kifu kifu;
  KifuMoveNode* first = KifuPlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}});
  KifuMoveNode* second = KifuPlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  KifuPositionNode* merged = first->reachedNode;
  ASSERT_EQ(second->reachedNode, merged);
  KifuPositionNode* beforeSecond = second->leftNode;
  beforeSecond->DeleteOutgoing();
  EXPECT_EQ(beforeSecond->outgoing.Count(), 0);
  EXPECT_EQ(beforeSecond->outgoing.Capacity(), 0) << "the list is freed";
  ASSERT_EQ(merged->incoming.Count(), 1);
  EXPECT_EQ(merged->incoming.Selected(), first);
  EXPECT_EQ(ExpectKifuGraphValid(kifu), 6);

  MoveNodeList& fromStart = kifu.StartNode()->outgoing;
  KifuPlayLine(kifu, kifu.StartNode(), {{9, 7, 9, 6}});
  ASSERT_EQ(fromStart.Count(), 3);
  ASSERT_EQ(fromStart.SelectedIndex(), 2);
  KifuMoveNode* last = fromStart.At(2);
  EXPECT_FALSE(kifu.StartNode()->RemoveOutgoingAt(3));
  EXPECT_FALSE(kifu.StartNode()->RemoveOutgoingAt(-1));
  EXPECT_TRUE(kifu.StartNode()->RemoveOutgoingAt(2));
  EXPECT_EQ(fromStart.Count(), 2);
  EXPECT_EQ(fromStart.SelectedIndex(), 0);
  EXPECT_EQ(last->reachedNode->incoming.Selected(), last) << "the move itself is left whole";
  fromStart.Insert(last, -1);
  EXPECT_EQ(ExpectKifuGraphValid(kifu), 7);
  KifuMoveNode* middle = fromStart.At(1);
  EXPECT_TRUE(kifu.StartNode()->RemoveOutgoingAt(1));
  EXPECT_EQ(fromStart.SelectedIndex(), 0);
  EXPECT_EQ(fromStart.At(1), last);
  fromStart.Insert(middle, 1);
  EXPECT_EQ(ExpectKifuGraphValid(kifu), 7);

  // Without a table a move reaches no position; its ply is one past its left position's.
  KifuMoveNode* loose =
      merged->AddMove(KifuMoveIn(merged->position, 9, 3, 9, 4), 0, nullptr, -1, nullptr, MergeChooser(), false);
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->reachedNode, nullptr);
  EXPECT_EQ(loose->Ply(), 4);
  merged->DeleteBranch(merged->outgoing.IndexOf(loose), kifu.Table());
  EXPECT_EQ(ExpectKifuGraphValid(kifu), 7);
}
