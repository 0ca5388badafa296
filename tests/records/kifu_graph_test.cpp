// The record graph: invariants over long random editing runs with
// transposing lines, the merge rules, deletion of merged positions, copies
// and grafts, and walks over very deep records.
#include <gtest/gtest.h>

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

}  // namespace

TEST(KifuGraph, RandomEditingKeepsEveryInvariant) {
  std::mt19937 random(20261206);
  int merges = 0;
  for (int run = 0; run < RANDOM_RUNS; ++run) {
    auto kifu = std::make_unique<Kifu>();
    for (int step = 0; step < 30; ++step) {
      switch (random() % 8) {
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
