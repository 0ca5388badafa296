// Invariant checks and a shape text of record graphs.
#include "support/kifu_graph_checks.h"

#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <vector>

KifuMove KifuMoveIn(const KifuPosition& position, int fromFile, int fromRank, int toFile, int toRank, int promote) {
  KifuMove move(fromFile, fromRank, toFile, toRank, 0, 0, promote, KifuMoveKind::Ordinary);
  EXPECT_TRUE(position.CompleteMove(move)) << fromFile << fromRank << toFile << toRank;
  move.promote = static_cast<uint8_t>(promote);
  return move;
}

KifuMoveNode* KifuPlayLine(Kifu& kifu, KifuPositionNode* from, std::initializer_list<std::array<int, 4>> squares,
                           const MergeChooser& chooser) {
  KifuMoveNode* move = nullptr;
  for (const auto& s : squares) {
    move = from->AddMove(KifuMoveIn(from->position, s[0], s[1], s[2], s[3]), 0, nullptr, -1, kifu.Table(), chooser,
                         true);
    if (move == nullptr) return nullptr;
    from = move->reachedNode;
  }
  return move;
}

std::vector<KifuPositionNode*> KifuReachableNodes(const Kifu& kifu) {
  std::vector<KifuPositionNode*> order{kifu.StartNode()};
  std::set<const KifuPositionNode*> seen{kifu.StartNode()};
  for (size_t i = 0; i < order.size(); ++i) {
    for (int j = 0; j < order[i]->outgoing.Count(); ++j) {
      KifuPositionNode* next = order[i]->outgoing.At(j)->reachedNode;
      if (next != nullptr && seen.insert(next).second) order.push_back(next);
    }
  }
  return order;
}

namespace {

// The position and ply replayed from the start along selected incoming moves.
void ExpectReplayed(const Kifu& kifu, const KifuPositionNode* node) {
  std::vector<const KifuMoveNode*> path;
  for (const KifuMoveNode* move = node->incoming.Selected(); move->leftNode != nullptr;
       move = move->leftNode->incoming.Selected()) {
    path.push_back(move);
  }
  KifuPosition replayed = kifu.StartNode()->position;
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    EXPECT_TRUE((*it)->move.kind != KifuMoveKind::Ordinary || replayed.DoMove((*it)->move));
  }
  EXPECT_TRUE(replayed == node->position) << "ply " << node->ply;
  EXPECT_EQ(node->ply, static_cast<int>(path.size()));
}

}  // namespace

int ExpectKifuGraphValid(const Kifu& kifu) {
  const std::vector<KifuPositionNode*> nodes = KifuReachableNodes(kifu);
  std::multiset<const KifuPositionNode*> inTable;
  for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
    for (const KifuPositionNode* node = kifu.Table()->Head(chain); node != nullptr; node = node->chainNext) {
      inTable.insert(node);
      EXPECT_EQ(KifuPositionTable::ChainOf(node->key), chain);
      EXPECT_TRUE(node->chainNext == nullptr || node->chainNext->chainPrev == node);
    }
  }
  EXPECT_EQ(inTable.size(), nodes.size());
  EXPECT_EQ(kifu.Table()->Count(), static_cast<int>(nodes.size()));
  EXPECT_EQ(kifu.StartNode()->incoming.At(0), kifu.Root());
  std::map<const KifuPositionNode*, int> parentsLeft;
  for (const KifuPositionNode* node : nodes) {
    EXPECT_EQ(inTable.count(node), 1u);
    EXPECT_EQ(node->traversalMark, 0u);
    KifuPositionKey key;
    node->position.ComputeKey(key);
    EXPECT_EQ(key, node->key);
    EXPECT_GE(node->incoming.Count(), 1);
    for (const MoveNodeList* list : {&node->outgoing, &node->incoming}) {
      EXPECT_LE(list->Count(), list->Capacity());
      EXPECT_TRUE(list->SelectedIndex() == 0 || list->SelectedIndex() < list->Count());
    }
    for (int i = 0; i < node->incoming.Count(); ++i) {
      const KifuMoveNode* move = node->incoming.At(i);
      EXPECT_EQ(move->reachedNode, node);
      EXPECT_TRUE(move->leftNode == nullptr || move->leftNode->outgoing.IndexOf(move) >= 0);
    }
    for (int i = 0; i < node->outgoing.Count(); ++i) {
      const KifuMoveNode* move = node->outgoing.At(i);
      EXPECT_EQ(move->leftNode, node);
      for (int j = 0; j < i; ++j) EXPECT_FALSE(node->outgoing.At(j)->move == move->move);
      EXPECT_GE(move->reachedNode->incoming.IndexOf(move), 0);
      KifuPosition played = node->position;
      EXPECT_TRUE(move->move.kind != KifuMoveKind::Ordinary || played.DoMove(move->move));
      EXPECT_TRUE(played == move->reachedNode->position);
      parentsLeft[move->reachedNode] += 1;
    }
  }
  // Acyclic: taking off nodes whose parents are all taken uses every node.
  std::vector<const KifuPositionNode*> ready{kifu.StartNode()};
  size_t ordered = 0;
  for (; !ready.empty(); ++ordered) {
    const KifuPositionNode* node = ready.back();
    ready.pop_back();
    for (int i = 0; i < node->outgoing.Count(); ++i) {
      if (--parentsLeft[node->outgoing.At(i)->reachedNode] == 0) ready.push_back(node->outgoing.At(i)->reachedNode);
    }
  }
  EXPECT_EQ(ordered, nodes.size()) << "the graph has a cycle";
  if (ordered == nodes.size()) {
    for (const KifuPositionNode* node : nodes) ExpectReplayed(kifu, node);
  }
  return static_cast<int>(nodes.size());
}

std::string DescribeKifuGraph(const Kifu& kifu) {
  std::map<const KifuPositionNode*, size_t> ids;
  const std::vector<KifuPositionNode*> nodes = KifuReachableNodes(kifu);
  for (const KifuPositionNode* node : nodes) ids.emplace(node, ids.size());
  std::ostringstream out;
  for (const KifuPositionNode* node : nodes) {
    out << "ply " << node->ply << " select " << node->outgoing.SelectedIndex() << '/' << node->incoming.SelectedIndex()
        << " in " << node->incoming.Count() << '\n';
    for (int i = 0; i < node->outgoing.Count(); ++i) {
      const KifuMoveNode* move = node->outgoing.At(i);
      uint64_t bytes = 0;
      std::memcpy(&bytes, &move->move, sizeof move->move);
      out << bytes << ' ' << move->consumedTime << ' ' << move->comment.Text() << ' ' << move->thinkResult.value
          << ' ' << move->thinkResult.pv.size() << " -> " << ids[move->reachedNode] << '@'
          << move->reachedNode->incoming.IndexOf(move) << '\n';
    }
  }
  return out.str();
}
