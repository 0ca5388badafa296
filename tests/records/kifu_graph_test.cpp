// The record graph: invariants over long random editing runs with
// transposing lines, the merge rules, deletion of merged positions, copies
// and grafts, and walks over very deep records.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "records/kifu.h"
#include "support/kifu_graph_checks.h"
#include "support/kifu_perft.h"

namespace {

#ifdef KIFU_SANITIZED
constexpr int RANDOM_RUNS = 150;
constexpr int DEEP_PLIES = 20000;
#else
constexpr int RANDOM_RUNS = 1000;
constexpr int DEEP_PLIES = 100000;
#endif

// Plays the moves given by squares from the node, each merging into the
// first equal position; the last move node.
KifuMoveNode* PlayLine(Kifu& kifu, KifuPositionNode* from, std::initializer_list<std::array<int, 4>> squares,
                       const MergeChooser& chooser = MergeChooser::TakeFirst()) {
  KifuMoveNode* move = nullptr;
  for (const auto& s : squares) {
    move = from->AddMove(KifuMoveIn(from->position, s[0], s[1], s[2], s[3]), 0, nullptr, -1, kifu.Table(), chooser,
                         true);
    if (move == nullptr) return nullptr;
    from = move->reachedNode;
  }
  return move;
}

// A few moves of pawns, silvers and golds that transpose into each other
// and walk back to earlier positions; now and then any legal move.
KifuMove RandomTransposingMove(const KifuPosition& position, std::mt19937& random) {
  static const int kSquares[][4] = {{7, 7, 7, 6}, {2, 7, 2, 6}, {3, 9, 4, 8}, {4, 8, 3, 9}, {6, 9, 5, 8},
                                    {5, 8, 6, 9}, {3, 3, 3, 4}, {8, 3, 8, 4}, {7, 1, 6, 2}, {6, 2, 7, 1},
                                    {4, 1, 5, 2}, {5, 2, 4, 1}, {9, 7, 9, 6}, {1, 3, 1, 4}};
  const std::vector<KifuMove> legal = KifuLegalMoves(position);
  std::vector<KifuMove> pool;
  for (const KifuMove& move : legal) {
    for (const auto& s : kSquares) {
      if (move.fromFile == s[0] && move.fromRank == s[1] && move.toFile == s[2] && move.toRank == s[3]) {
        pool.push_back(move);
      }
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
          ExpectSameKifuGraph(*kifu, *copy);
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

TEST(KifuGraph, TranspositionMergesAndSurvivesDeletionOfItsFirstLine) {
  Kifu kifu;
  KifuMoveNode* first = PlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}});
  PlayLine(kifu, first->reachedNode, {{8, 3, 8, 4}});
  KifuMoveNode* second = PlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  KifuPositionNode* merged = first->reachedNode;
  ASSERT_EQ(second->reachedNode, merged);
  EXPECT_EQ(merged->incoming.Count(), 2);
  EXPECT_EQ(merged->incoming.Selected(), second);
  EXPECT_EQ(merged->outgoing.Count(), 1);
  EXPECT_EQ(kifu.Table()->Count(), 7);
  const Kifu copy(kifu);
  ExpectSameKifuGraph(kifu, copy);

  kifu.StartNode()->DeleteBranch(0, kifu.Table());
  EXPECT_EQ(merged->incoming.Count(), 1);
  EXPECT_EQ(merged->outgoing.Count(), 1);
  EXPECT_EQ(kifu.Table()->Count(), 5);
  ExpectKifuGraphValid(kifu);
}

TEST(KifuGraph, AddingTheSameMoveReturnsItsNode) {
  Kifu kifu;
  KifuMoveNode* a = PlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}});
  PlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}});
  EXPECT_EQ(kifu.StartNode()->outgoing.SelectedIndex(), 1);
  EXPECT_EQ(PlayLine(kifu, kifu.StartNode(), {{7, 7, 7, 6}}), a);
  EXPECT_EQ(kifu.StartNode()->outgoing.SelectedIndex(), 0);
  EXPECT_EQ(kifu.StartNode()->outgoing.Count(), 2);
}

TEST(KifuGraph, ARepetitionIsNeverMergedIntoItsOwnPath) {
  Kifu kifu;
  KifuMoveNode* back = PlayLine(kifu, kifu.StartNode(), {{3, 9, 4, 8}, {7, 1, 6, 2}, {4, 8, 3, 9}, {6, 2, 7, 1}});
  ASSERT_NE(back, nullptr);
  EXPECT_NE(back->reachedNode, kifu.StartNode());
  EXPECT_TRUE(back->reachedNode->position == kifu.StartNode()->position);
  EXPECT_TRUE(back->leftNode->WouldMakeCycle(kifu.StartNode()));
  EXPECT_FALSE(kifu.StartNode()->WouldMakeCycle(back->leftNode));
  ExpectKifuGraphValid(kifu);
}

TEST(KifuGraph, OnlyEqualPositionsMerge) {
  // The start position with the second player to move shares the key of the
  // start (keys are seen from the side to move) but is another position.
  Kifu kifu;
  KifuMoveNode* back = PlayLine(kifu, kifu.StartNode(), {{3, 9, 4, 8}, {7, 1, 6, 2}, {4, 8, 3, 9}});
  auto twin = std::make_unique<KifuPositionNode>();
  twin->position = kifu.StartNode()->position;
  twin->position.sideToMove = 1;
  twin->position.ComputeKey(twin->key);
  ASSERT_EQ(twin->key, kifu.StartNode()->key);
  kifu.Table()->Insert(twin.get());
  KifuMoveNode* home = PlayLine(kifu, back->reachedNode, {{6, 2, 7, 1}});
  EXPECT_NE(home->reachedNode, twin.get());
  EXPECT_EQ(twin->incoming.Count(), 0);
  EXPECT_EQ(kifu.Table()->Find(twin->position), twin.get());
  // Taking the head of a two-node chain off leaves the other findable.
  EXPECT_EQ(kifu.Table()->Remove(kifu.StartNode()), 0);
  EXPECT_EQ(kifu.Table()->Find(twin->position), twin.get());
  EXPECT_EQ(kifu.Table()->Remove(kifu.StartNode()), -1);
  kifu.Table()->Insert(kifu.StartNode());
  EXPECT_EQ(kifu.Table()->Remove(twin.get()), 0);
}

TEST(KifuGraph, ACopiedListGrowsPastWhatTheCopyReserved) {
  // Five second-player pawn moves each ending one line: five moves reach the
  // final position, one more than the copy reserves.
  const int first[5][4] = {{1, 7, 1, 6}, {2, 7, 2, 6}, {3, 7, 3, 6}, {7, 7, 7, 6}, {9, 7, 9, 6}};
  const int second[5][4] = {{1, 3, 1, 4}, {2, 3, 2, 4}, {3, 3, 3, 4}, {7, 3, 7, 4}, {9, 3, 9, 4}};
  auto playLine = [&](Kifu& kifu, int last) {
    KifuPositionNode* node = kifu.StartNode();
    KifuMoveNode* move = nullptr;
    for (int i = 0; i < 5; ++i) {
      const int* f = first[i];
      const int* s = second[i == 4 ? last : (i >= last ? i + 1 : i)];
      move = PlayLine(kifu, node, {{f[0], f[1], f[2], f[3]}, {s[0], s[1], s[2], s[3]}});
      node = move->reachedNode;
    }
    return move;
  };
  Kifu kifu;
  for (int last = 0; last < 4; ++last) playLine(kifu, last);
  Kifu copy(kifu);
  KifuPositionNode* merged = playLine(copy, 0)->reachedNode;
  EXPECT_EQ(merged->incoming.Count(), 4);
  EXPECT_EQ(merged->incoming.Capacity(), 4);
  EXPECT_EQ(playLine(copy, 4)->reachedNode, merged);
  EXPECT_EQ(merged->incoming.Count(), 5);
  ExpectKifuGraphValid(copy);
}

TEST(KifuGraph, DeletingTheSelectedWayIntoAMergedPositionRenumbersItsPlies) {
  // The merged position is entered in 4 plies and, after silvers walk out
  // and back, in 8; the later way is selected, then deleted.
  Kifu kifu;
  KifuMoveNode* shortWay = PlayLine(kifu, kifu.StartNode(), {{2, 7, 2, 6}, {7, 1, 6, 2}, {2, 6, 2, 5}, {6, 2, 7, 1}});
  PlayLine(kifu, shortWay->reachedNode, {{7, 7, 7, 6}});
  KifuMoveNode* detour = PlayLine(kifu, kifu.StartNode(),
                                  {{3, 9, 4, 8}, {7, 1, 6, 2}, {4, 8, 3, 9}, {6, 2, 7, 1}, {2, 7, 2, 6}, {7, 1, 6, 2},
                                   {2, 6, 2, 5}},
                                  MergeChooser());
  KifuPositionNode* merged = shortWay->reachedNode;
  ASSERT_EQ(PlayLine(kifu, detour->reachedNode, {{6, 2, 7, 1}})->reachedNode, merged);
  EXPECT_EQ(merged->ply, 8);
  EXPECT_EQ(merged->outgoing.At(0)->reachedNode->ply, 9);
  ExpectKifuGraphValid(kifu);
  kifu.StartNode()->DeleteBranch(1, kifu.Table());
  EXPECT_EQ(merged->incoming.Selected(), shortWay);
  EXPECT_EQ(merged->ply, 4);
  EXPECT_EQ(merged->outgoing.At(0)->reachedNode->ply, 5);
  ExpectKifuGraphValid(kifu);
}

TEST(KifuGraph, ListsKeepTheSelectedEntryAcrossInsertAndRemove) {
  KifuMoveNode nodes[4];
  MoveNodeList list(2);
  for (KifuMoveNode& node : nodes) list.Insert(&node, -1);
  EXPECT_EQ(list.Capacity(), 4);
  list.Select(2);
  list.Insert(&nodes[3], 0);
  EXPECT_EQ(list.Selected(), &nodes[2]);
  list.RemoveAt(1);
  EXPECT_EQ(list.Selected(), &nodes[2]);
  list.RemoveAt(list.SelectedIndex());
  EXPECT_EQ(list.Selected(), &nodes[3]) << "the next entry takes the removed one's place";
  list.RemoveAt(list.Count() - 1);
  list.RemoveAt(list.Count() - 1);
  EXPECT_EQ(list.SelectedIndex(), 0);
}

TEST(Kifu, StartPositionAndAdoption) {
  Kifu kifu;
  KifuPosition handicap;
  handicap.SetStart(HANDICAP_BISHOP_22);
  EXPECT_TRUE(kifu.SetStartPosition(handicap));
  EXPECT_EQ(kifu.Table()->Find(handicap), kifu.StartNode());
  ASSERT_NE(kifu.AddMove(0, KifuMoveIn(handicap, 3, 3, 3, 4), 5, nullptr, -1, MergeChooser()), nullptr);
  EXPECT_FALSE(kifu.SetStartPosition(KifuPosition()));
  EXPECT_EQ(kifu.AddMove(0, KifuMoveIn(KifuPosition(), 7, 7, 7, 6), 0, nullptr, -1, MergeChooser()), nullptr)
      << "a move the position can't play is refused";

  // A graph read from elsewhere: merged where its start is found, refused
  // (and freed) where it isn't.
  Kifu read;
  PlayLine(read, read.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}});
  const SjisString names[2] = {SjisString("A"), SjisString("B")};
  auto adopt = [&](bool merge) {
    auto* table = new KifuPositionTable;
    return kifu.Adopt(read.Root()->CopySubtree(nullptr, table), table, new SjisStringList, names, SjisString("d"),
                      SjisString("t"), SjisString("e"), merge);
  };
  EXPECT_EQ(adopt(true), -1);
  EXPECT_EQ(kifu.Table()->Count(), 2);
  EXPECT_EQ(adopt(false), 0);
  EXPECT_STREQ(kifu.GetHeader("後手"), "B");
  ExpectSameKifuGraph(kifu, read);
  kifu.SelectBranch(0, 0, false);
  read.Root()->reachedNode->outgoing.At(0)->comment.Assign("c");
  PlayLine(read, read.StartNode(), {{2, 7, 2, 6}});
  EXPECT_EQ(adopt(true), 0);
  EXPECT_EQ(kifu.StartNode()->outgoing.Count(), 2);
  EXPECT_STREQ(kifu.StartNode()->outgoing.At(0)->comment.Text(), "c");
  kifu.StartNode()->outgoing.At(0)->comment.Assign("x");
  EXPECT_EQ(adopt(true), 0);
  EXPECT_STREQ(kifu.StartNode()->outgoing.At(0)->comment.Text(), "xc") << "a differing comment is joined";
  ExpectKifuGraphValid(kifu);
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
  EXPECT_EQ(copy.Table()->Count(), DEEP_PLIES + 1);
  EXPECT_EQ(copy.LineLength(), DEEP_PLIES);
  int visited = 0;
  for (KifuMoveNode* walk = copy.NextNode(nullptr); walk != nullptr; walk = copy.NextNode(walk)) ++visited;
  EXPECT_EQ(visited, DEEP_PLIES + 1);
  copy.SortIncomingByTraversal();
  EXPECT_TRUE(copy.SelectMergeSource(DEEP_PLIES, 0, false));
  EXPECT_TRUE(copy.ClearMoves());
  EXPECT_EQ(copy.Table()->Count(), 1);
}

TEST(KifuGraph, GraftingMeetsAMergedPositionOnce) {
  // Through a merged position the source is met twice; grafting it twice
  // would join its comment a second time.
  Kifu source;
  KifuMoveNode* first = PlayLine(source, source.StartNode(), {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}});
  PlayLine(source, source.StartNode(), {{2, 7, 2, 6}, {3, 3, 3, 4}, {7, 7, 7, 6}});
  PlayLine(source, first->reachedNode, {{8, 3, 8, 4}})->comment.Assign("c");
  Kifu kifu(source);
  KifuMoveNode* continuation = kifu.MoveAtPly(3)->reachedNode->outgoing.At(0);
  continuation->comment.Assign("x");
  kifu.StartNode()->GraftFrom(source.StartNode(), kifu.Table());
  EXPECT_STREQ(continuation->comment.Text(), "xc");
  EXPECT_EQ(kifu.Table()->Count(), source.Table()->Count());
}
