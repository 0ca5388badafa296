// Position nodes of the record graph: adding moves with merged
// transpositions, deleting branches, the ancestor test, grafting another
// graph, and keeping plies equal to the selected incoming paths. Every walk
// keeps its own stack, so deep records don't exhaust the call stack, and
// visits each node once, so records full of transpositions stay linear.
#include <atomic>
#include <cstring>
#include <functional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "records/kifu_graph.h"
#include "records/kifu_position_table.h"

namespace {

// Takes a move off its reached node's incoming list without renumbering.
// True when the reached node is left without incoming moves.
bool Unlink(KifuMoveNode* move) {
  KifuPositionNode* reached = move->reachedNode;
  if (reached == nullptr) return false;
  reached->incoming.RemoveAt(reached->incoming.IndexOf(move));
  move->reachedNode = nullptr;
  return reached->incoming.Count() == 0;
}

// The ply a node should have: its selected incoming move's left ply + 1.
int ExpectedPly(const KifuPositionNode* node) {
  const KifuMoveNode* via = node->incoming.Selected();
  return via != nullptr && via->leftNode != nullptr ? via->leftNode->ply + 1 : node->ply;
}

// Deletes the given move nodes and every position node only they reach,
// with its continuations; merged positions that survive get their plies
// renumbered when their selected incoming move was among the deleted.
void DeleteMoves(std::vector<KifuMoveNode*> moves, KifuPositionTable* table) {
  std::vector<KifuPositionNode*> orphans;
  std::unordered_set<KifuPositionNode*> survivors;
  while (!moves.empty() || !orphans.empty()) {
    while (!moves.empty()) {
      KifuMoveNode* move = moves.back();
      moves.pop_back();
      KifuPositionNode* reached = move->reachedNode;
      if (Unlink(move)) {
        orphans.push_back(reached);
        survivors.erase(reached);
      } else if (reached != nullptr) {
        survivors.insert(reached);
      }
      delete move;
    }
    if (!orphans.empty()) {
      KifuPositionNode* orphan = orphans.back();
      orphans.pop_back();
      for (int i = 0; i < orphan->outgoing.Count(); ++i) moves.push_back(orphan->outgoing.At(i));
      orphan->outgoing.Clear();
      if (table != nullptr) table->Remove(orphan);
      delete orphan;
    }
  }
  for (KifuPositionNode* survivor : survivors) {
    if (survivor->ply != ExpectedPly(survivor)) survivor->RenumberPlies();
  }
}

// Numbers the ancestor walks, so that a node's stamp tells whether this
// walk met it already without a set to clear.
std::atomic<uint64_t> g_walkCount{0};

}  // namespace

void KifuPositionNode::RenumberPlies() {
  ply = ExpectedPly(this);
  std::vector<KifuPositionNode*> pending{this};
  while (!pending.empty()) {
    KifuPositionNode* walk = pending.back();
    pending.pop_back();
    for (int i = 0; i < walk->outgoing.Count(); ++i) {
      KifuMoveNode* move = walk->outgoing.At(i);
      KifuPositionNode* next = move->reachedNode;
      // Selected incoming moves form a tree, so each node is reached once;
      // a node whose ply is already right has a consistent subtree.
      if (next == nullptr || next->incoming.Selected() != move || next->ply == walk->ply + 1) continue;
      next->ply = walk->ply + 1;
      pending.push_back(next);
    }
  }
}

KifuMoveNode* KifuPositionNode::AddMove(const KifuMove& move, int time, const ThinkResult* tr, int insertIndex,
                                        KifuPositionTable* table, const MergeChooser& chooser, bool select) {
  for (int i = 0; i < outgoing.Count(); ++i) {
    KifuMoveNode* existing = outgoing.At(i);
    if (existing->move == move) {
      if (select) outgoing.Select(i);
      return existing;
    }
  }
  // A marker is no move on the board: it reaches the same position. An
  // ordinary move that can't be played would give a node whose position
  // isn't the one its line leads to, so it is refused before anything changes.
  const bool isMarker = move.kind != KifuMoveKind::Ordinary;
  KifuPosition played = position;
  if (table != nullptr && !isMarker && !played.DoMove(move)) return nullptr;

  auto* node = new KifuMoveNode;
  node->move = move;
  node->consumedTime = time;
  if (tr != nullptr) node->thinkResult = *tr;
  node->leftNode = this;
  const int index = outgoing.Insert(node, insertIndex);
  if (select) outgoing.Select(index);
  if (table == nullptr) return node;

  KifuPositionKey playedKey;
  played.ComputeKey(playedKey);
  if (chooser.Merges() && !isMarker) {
    // Only equal positions merge (equal keys alone are not enough), and
    // never into this node or an ancestor, which would close a cycle.
    std::vector<KifuPositionNode*> candidates;
    for (KifuPositionNode* walk = table->Find(playedKey, played); walk != nullptr && walk->key == playedKey;
         walk = walk->chainNext) {
      if (!(walk->position == played) || chooser.IsKnownAncestor(walk) || WouldMakeCycle(walk)) continue;
      candidates.push_back(walk);
      // The first candidate is all a first-taking chooser looks at.
      if (chooser.TakesFirst()) break;
    }
    const int count = static_cast<int>(candidates.size());
    const int chosen = count > 0 ? chooser.Choose(candidates.data(), count) : -1;
    if (chosen >= 0 && chosen < count) {
      KifuPositionNode* target = candidates[chosen];
      node->reachedNode = target;
      target->incoming.Select(target->incoming.Insert(node, -1));
      if (target->ply != ply + 1) target->RenumberPlies();
      target->RaiseDepthBound(depthBound + 1);
      return node;
    }
  }
  auto* reached = new KifuPositionNode;
  reached->ply = ply + 1;
  reached->depthBound = depthBound + 1;
  reached->position = played;
  reached->key = playedKey;
  reached->incoming.Insert(node, -1);
  node->reachedNode = reached;
  table->Insert(reached);
  return node;
}

void KifuPositionNode::DeleteBranch(int index, KifuPositionTable* table) {
  if (outgoing.Count() == 0) return;
  if (index < 0 || index >= outgoing.Count()) index = outgoing.SelectedIndex();
  KifuMoveNode* move = outgoing.At(index);
  RemoveOutgoingAt(index);
  DeleteMoves({move}, table);
}

void KifuPositionNode::DeleteSubtrees(KifuPositionTable* table) {
  std::vector<KifuMoveNode*> moves;
  for (int i = 0; i < outgoing.Count(); ++i) moves.push_back(outgoing.At(i));
  outgoing.Clear();
  DeleteMoves(std::move(moves), table);
}

void KifuPositionNode::DeleteOutgoing() {
  // The reached nodes lose these moves from their incoming lists, so that no
  // list keeps a pointer to a deleted node; the caller owns what they were.
  for (int i = 0; i < outgoing.Count(); ++i) {
    KifuMoveNode* move = outgoing.At(i);
    Unlink(move);
    delete move;
  }
  outgoing.Clear();
}

bool KifuPositionNode::RemoveOutgoingAt(int index) { return outgoing.RemoveAt(index); }

bool KifuPositionNode::RemoveIncoming(KifuMoveNode* node) {
  const KifuMoveNode* selectedBefore = incoming.Selected();
  if (!incoming.RemoveAt(incoming.IndexOf(node))) return false;
  if (incoming.Selected() != selectedBefore && ply != ExpectedPly(this)) RenumberPlies();
  return true;
}

bool KifuPositionNode::WouldMakeCycle(const KifuPositionNode* candidate) const {
  if (candidate == this) return true;
  if (candidate == nullptr || candidate->depthBound >= depthBound) return false;
  const uint64_t stamp = ++g_walkCount;
  std::vector<const KifuPositionNode*> pending{this};
  while (!pending.empty()) {
    const KifuPositionNode* walk = pending.back();
    pending.pop_back();
    for (int i = 0; i < walk->incoming.Count(); ++i) {
      KifuPositionNode* left = walk->incoming.At(i)->leftNode;
      if (left == candidate) return true;
      // Below the candidate's bound no node has it as an ancestor.
      if (left == nullptr || left->depthBound <= candidate->depthBound || left->walkStamp == stamp) continue;
      left->walkStamp = stamp;
      pending.push_back(left);
    }
  }
  return false;
}

void KifuPositionNode::RaiseDepthBound(int32_t minimum) {
  if (depthBound >= minimum) return;
  depthBound = minimum;
  std::vector<KifuPositionNode*> pending{this};
  while (!pending.empty()) {
    const KifuPositionNode* walk = pending.back();
    pending.pop_back();
    for (int i = 0; i < walk->outgoing.Count(); ++i) {
      KifuPositionNode* next = walk->outgoing.At(i)->reachedNode;
      if (next == nullptr || next->depthBound > walk->depthBound) continue;
      next->depthBound = walk->depthBound + 1;
      pending.push_back(next);
    }
  }
}

void KifuPositionNode::GraftFrom(const KifuPositionNode* other, KifuPositionTable* table) {
  struct Frame {
    KifuPositionNode* here;
    const KifuPositionNode* source;
    int next;
  };
  // A pair already grafted is not grafted again: through merged positions
  // the same pair is met once per path, and a second pass would append the
  // comments a second time.
  struct PairHash {
    size_t operator()(const std::pair<const void*, const void*>& pair) const {
      return std::hash<const void*>()(pair.first) * 31 + std::hash<const void*>()(pair.second);
    }
  };
  std::unordered_set<std::pair<const void*, const void*>, PairHash> grafted;
  auto firstVisit = [&grafted](const KifuPositionNode* here, const KifuPositionNode* source) {
    return grafted.insert({here, source}).second;
  };
  std::vector<Frame> stack{{this, other, 0}};
  firstVisit(this, other);
  const MergeChooser takeFirst = MergeChooser::TakeFirst();
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next >= frame.source->outgoing.Count()) {
      stack.pop_back();
      continue;
    }
    const KifuMoveNode* sourceMove = frame.source->outgoing.At(frame.next++);
    KifuPositionNode* here = frame.here;
    KifuMoveNode* added = here->AddMove(sourceMove->move, sourceMove->consumedTime, &sourceMove->thinkResult, -1,
                                        table, takeFirst, false);
    if (added == nullptr) continue;
    if (std::strcmp(added->comment.Text(), sourceMove->comment.Text()) != 0) added->comment.Append(sourceMove->comment);
    if (added->reachedNode != nullptr && sourceMove->reachedNode != nullptr &&
        firstVisit(added->reachedNode, sourceMove->reachedNode)) {
      stack.push_back({added->reachedNode, sourceMove->reachedNode, 0});
    }
  }
}

void KifuMoveNode::DetachSubtree(KifuPositionTable* table) {
  KifuPositionNode* reached = reachedNode;
  if (reached == nullptr) return;
  const bool orphaned = Unlink(this);
  reached->DeleteSubtrees(table);
  if (orphaned) {
    if (table != nullptr) table->Remove(reached);
    delete reached;
  }
}
