// Invariant and equality checks of record graphs.
#include "support/kifu_graph_checks.h"

#include <cstring>
#include <map>
#include <set>
#include <vector>

KifuMove KifuMoveIn(const KifuPosition& position, int fromFile, int fromRank, int toFile, int toRank, int promote) {
  KifuMove move(fromFile, fromRank, toFile, toRank, 0, 0, promote, KifuMoveKind::Ordinary);
  EXPECT_TRUE(position.CompleteMove(move)) << fromFile << fromRank << toFile << toRank;
  move.promote = static_cast<uint8_t>(promote);
  return move;
}

namespace {

// Every position node reached from the root, in the order first met.
std::vector<const KifuPositionNode*> ReachableNodes(const Kifu& kifu) {
  std::vector<const KifuPositionNode*> order{kifu.StartNode()};
  std::set<const KifuPositionNode*> seen{kifu.StartNode()};
  for (size_t i = 0; i < order.size(); ++i) {
    for (int j = 0; j < order[i]->outgoing.Count(); ++j) {
      const KifuPositionNode* next = order[i]->outgoing.At(j)->reachedNode;
      if (next != nullptr && seen.insert(next).second) order.push_back(next);
    }
  }
  return order;
}

void ExpectListValid(const MoveNodeList& list) {
  EXPECT_LE(list.Count(), list.Capacity());
  EXPECT_GE(list.SelectedIndex(), 0);
  EXPECT_TRUE(list.Count() == 0 ? list.SelectedIndex() == 0 : list.SelectedIndex() < list.Count());
}

// The position and ply replayed from the start along selected incoming moves.
void ExpectReplayed(const Kifu& kifu, const KifuPositionNode* node) {
  std::vector<const KifuMoveNode*> path;
  for (const KifuMoveNode* move = node->incoming.Selected(); move != nullptr && move->leftNode != nullptr;
       move = move->leftNode->incoming.Selected()) {
    path.push_back(move);
    ASSERT_LE(path.size(), 100000u) << "selected incoming moves run in a circle";
  }
  KifuPosition replayed = kifu.StartNode()->position;
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    if ((*it)->move.kind == KifuMoveKind::Ordinary) {
      ASSERT_TRUE(replayed.DoMove((*it)->move));
    }
  }
  EXPECT_TRUE(replayed == node->position) << "ply " << node->ply;
  EXPECT_EQ(node->ply, static_cast<int>(path.size()));
}

}  // namespace

int ExpectKifuGraphValid(const Kifu& kifu) {
  const std::vector<const KifuPositionNode*> nodes = ReachableNodes(kifu);
  const std::set<const KifuPositionNode*> reachable(nodes.begin(), nodes.end());
  // Table: each reachable node exactly once, in the chain of its key, sorted.
  std::multiset<const KifuPositionNode*> inTable;
  const KifuPositionTable& table = *kifu.Table();
  for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
    const KifuPositionNode* previous = nullptr;
    for (const KifuPositionNode* node = table.Head(chain); node != nullptr; node = node->chainNext) {
      inTable.insert(node);
      EXPECT_EQ(KifuPositionTable::ChainOf(node->key), chain);
      EXPECT_EQ(node->chainPrev, previous);
      if (previous != nullptr) {
        EXPECT_TRUE(previous->key.second < node->key.second ||
                    (previous->key.second == node->key.second && previous->key.first <= node->key.first));
      }
      previous = node;
    }
  }
  EXPECT_EQ(inTable.size(), reachable.size());
  EXPECT_EQ(table.Count(), static_cast<int>(reachable.size()));
  for (const KifuPositionNode* node : nodes) EXPECT_EQ(inTable.count(node), 1u);

  EXPECT_EQ(kifu.StartNode()->incoming.Count(), 1);
  EXPECT_EQ(kifu.StartNode()->incoming.At(0), kifu.Root());
  std::map<const KifuPositionNode*, int> unfinishedParents;
  for (const KifuPositionNode* node : nodes) {
    ExpectListValid(node->outgoing);
    ExpectListValid(node->incoming);
    EXPECT_EQ(node->traversalMark, 0u);
    KifuPositionKey key;
    node->position.ComputeKey(key);
    EXPECT_EQ(key, node->key);
    EXPECT_TRUE(node == kifu.StartNode() || node->incoming.Count() >= 1);
    for (int i = 0; i < node->incoming.Count(); ++i) {
      const KifuMoveNode* move = node->incoming.At(i);
      EXPECT_EQ(move->reachedNode, node);
      EXPECT_EQ(node->incoming.IndexOf(move), i);
      if (move->leftNode != nullptr) {
        EXPECT_TRUE(reachable.count(move->leftNode));
        EXPECT_GE(move->leftNode->outgoing.IndexOf(move), 0);
      }
    }
    for (int i = 0; i < node->outgoing.Count(); ++i) {
      const KifuMoveNode* move = node->outgoing.At(i);
      EXPECT_EQ(move->leftNode, node);
      for (int j = 0; j < i; ++j) EXPECT_FALSE(node->outgoing.At(j)->move == move->move);
      EXPECT_NE(move->reachedNode, nullptr);
      if (move->reachedNode == nullptr) return 0;
      EXPECT_GE(move->reachedNode->incoming.IndexOf(move), 0);
      KifuPosition played = node->position;
      EXPECT_TRUE(move->move.kind != KifuMoveKind::Ordinary || played.DoMove(move->move));
      EXPECT_TRUE(played == move->reachedNode->position);
    }
    unfinishedParents[node] = 0;
  }
  // Acyclic: Kahn's order over the position nodes uses every node.
  for (const KifuPositionNode* node : nodes) {
    for (int i = 0; i < node->outgoing.Count(); ++i) unfinishedParents[node->outgoing.At(i)->reachedNode] += 1;
  }
  std::vector<const KifuPositionNode*> ready{kifu.StartNode()};
  size_t ordered = 0;
  while (!ready.empty()) {
    const KifuPositionNode* node = ready.back();
    ready.pop_back();
    ++ordered;
    for (int i = 0; i < node->outgoing.Count(); ++i) {
      if (--unfinishedParents[node->outgoing.At(i)->reachedNode] == 0) ready.push_back(node->outgoing.At(i)->reachedNode);
    }
  }
  EXPECT_EQ(ordered, nodes.size()) << "the graph has a cycle";
  if (ordered != nodes.size()) return static_cast<int>(nodes.size());
  for (const KifuPositionNode* node : nodes) ExpectReplayed(kifu, node);
  return static_cast<int>(nodes.size());
}

void ExpectSameKifuGraph(const Kifu& a, const Kifu& b) {
  std::map<const KifuPositionNode*, const KifuPositionNode*> pairs{{a.StartNode(), b.StartNode()}};
  std::vector<std::pair<const KifuPositionNode*, const KifuPositionNode*>> pending{{a.StartNode(), b.StartNode()}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    ASSERT_NE(x, y);
    EXPECT_TRUE(x->position == y->position);
    EXPECT_EQ(x->ply, y->ply);
    ASSERT_EQ(x->outgoing.Count(), y->outgoing.Count());
    EXPECT_EQ(x->outgoing.SelectedIndex(), y->outgoing.SelectedIndex());
    ASSERT_EQ(x->incoming.Count(), y->incoming.Count());
    EXPECT_EQ(x->incoming.SelectedIndex(), y->incoming.SelectedIndex());
    for (int i = 0; i < x->outgoing.Count(); ++i) {
      const KifuMoveNode* mx = x->outgoing.At(i);
      const KifuMoveNode* my = y->outgoing.At(i);
      EXPECT_TRUE(mx->move == my->move);
      EXPECT_EQ(mx->consumedTime, my->consumedTime);
      EXPECT_STREQ(mx->comment.Text(), my->comment.Text());
      EXPECT_EQ(mx->thinkResult.value, my->thinkResult.value);
      EXPECT_EQ(mx->thinkResult.pv, my->thinkResult.pv);
      EXPECT_EQ(mx->reachedNode->incoming.IndexOf(mx), my->reachedNode->incoming.IndexOf(my));
      auto [it, fresh] = pairs.emplace(mx->reachedNode, my->reachedNode);
      EXPECT_EQ(it->second, my->reachedNode) << "a merge was not kept";
      if (fresh) pending.emplace_back(mx->reachedNode, my->reachedNode);
    }
  }
  EXPECT_EQ(a.Table()->Count(), b.Table()->Count());
}
