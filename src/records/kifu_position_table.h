// The record graph's table of position nodes by key: 997 chains, each kept
// sorted by key, through which transposed positions are found and merged.
#pragma once

#include "charset.h"
#include "records/kifu_position.h"

class KifuPositionNode;

class KifuPositionTable {
 public:
  static constexpr int CHAIN_COUNT = 997;

  // All chains empty.
  KifuPositionTable() = default;
  KifuPositionTable(const KifuPositionTable&) = delete;
  KifuPositionTable& operator=(const KifuPositionTable&) = delete;

  // The chain a key belongs to: (second XOR first) modulo 997.
  static int ChainOf(const KifuPositionKey& key);
  // Links the node into its chain after every node of lower or equal key.
  void Insert(KifuPositionNode* node);
  // Unlinks the node; 0, or -1 when it is not linked into this table's
  // chain (never inserted, or removed already).
  int Remove(KifuPositionNode* node);
  // The first node with the node's key and an equal position.
  KifuPositionNode* FindNode(const KifuPositionNode* node) const;
  // The first node holding an equal position (computes its key).
  KifuPositionNode* Find(const KifuPosition& position) const;
  // The first node with the key and an equal position.
  KifuPositionNode* Find(const KifuPositionKey& key, const KifuPosition& position) const;
  // Empties every chain and resets the chain links of the nodes it held.
  void Clear();
  // The first node of a chain (0..996), or null.
  KifuPositionNode* Head(int chain) const { return heads_[chain]; }
  // Nodes in the table.
  int Count() const { return count_; }

 private:
  KifuPositionNode* heads_[CHAIN_COUNT] = {};
  // The last node of each chain: a node whose key is not below it is
  // appended at once, so that long runs of one key (a line walking back
  // and forth) don't make every insertion walk the run.
  KifuPositionNode* tails_[CHAIN_COUNT] = {};
  int count_ = 0;
};
