// The table of position nodes: 997 chains sorted by key, nodes of equal key
// in the order they came.
#include "records/kifu_position_table.h"

#include "records/kifu_graph.h"

namespace {

// Keys order by their second word, then their first.
bool KeyBelow(const KifuPositionKey& a, const KifuPositionKey& b) {
  return a.second != b.second ? a.second < b.second : a.first < b.first;
}

}  // namespace

int KifuPositionTable::ChainOf(const KifuPositionKey& key) {
  return static_cast<int>((key.second ^ key.first) % static_cast<uint32_t>(CHAIN_COUNT));
}

void KifuPositionTable::Insert(KifuPositionNode* node) {
  const int chain = ChainOf(node->key);
  KifuPositionNode* before = tails_[chain];
  if (before != nullptr && KeyBelow(node->key, before->key)) {
    before = nullptr;
    for (KifuPositionNode* walk = heads_[chain]; walk != nullptr && !KeyBelow(node->key, walk->key);
         walk = walk->chainNext) {
      before = walk;
    }
  }
  node->chainPrev = before;
  node->chainNext = before != nullptr ? before->chainNext : heads_[chain];
  if (node->chainNext != nullptr) {
    node->chainNext->chainPrev = node;
  } else {
    tails_[chain] = node;
  }
  if (before != nullptr) {
    before->chainNext = node;
  } else {
    heads_[chain] = node;
  }
  ++count_;
}

int KifuPositionTable::Remove(KifuPositionNode* node) {
  const int chain = ChainOf(node->key);
  // A linked node is its predecessor's successor or its chain's head; a node
  // never inserted or already removed has no links. Checking the links
  // instead of walking keeps removal constant in long runs of one key.
  const bool linked = node->chainPrev != nullptr ? node->chainPrev->chainNext == node : heads_[chain] == node;
  if (!linked) return -1;
  if (node->chainPrev != nullptr) {
    node->chainPrev->chainNext = node->chainNext;
  } else {
    heads_[chain] = node->chainNext;
  }
  if (node->chainNext != nullptr) {
    node->chainNext->chainPrev = node->chainPrev;
  } else {
    tails_[chain] = node->chainPrev;
  }
  node->chainNext = nullptr;
  node->chainPrev = nullptr;
  --count_;
  return 0;
}

KifuPositionNode* KifuPositionTable::Find(const KifuPositionKey& key, const KifuPosition& position) const {
  for (KifuPositionNode* walk = heads_[ChainOf(key)]; walk != nullptr && !KeyBelow(key, walk->key);
       walk = walk->chainNext) {
    if (walk->key == key && walk->position == position) return walk;
  }
  return nullptr;
}

KifuPositionNode* KifuPositionTable::FindNode(const KifuPositionNode* node) const {
  return Find(node->key, node->position);
}

KifuPositionNode* KifuPositionTable::Find(const KifuPosition& position) const {
  KifuPositionKey key;
  position.ComputeKey(key);
  return Find(key, position);
}

void KifuPositionTable::Clear() {
  for (KifuPositionNode*& head : heads_) {
    KifuPositionNode* walk = head;
    while (walk != nullptr) {
      KifuPositionNode* next = walk->chainNext;
      walk->chainNext = nullptr;
      walk->chainPrev = nullptr;
      walk = next;
    }
    head = nullptr;
  }
  for (KifuPositionNode*& tail : tails_) tail = nullptr;
  count_ = 0;
}
