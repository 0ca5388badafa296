// Deep copy of the record graph. Each source position node records its copy
// in its traversal mark, so a merged position is copied once and every move
// reaching it reaches the one copy, at the same incoming index.
#include <vector>

#include "records/kifu_graph.h"
#include "records/kifu_position_table.h"

namespace {

class GraphCopier {
 public:
  explicit GraphCopier(KifuPositionTable* table) : table_(table) {}

  // Copies a move (and what it reaches), leaving newLeft.
  KifuMoveNode* CopyMove(const KifuMoveNode* source, KifuPositionNode* newLeft) {
    auto* copy = new KifuMoveNode;
    copy->move = source->move;
    copy->consumedTime = source->consumedTime;
    copy->thinkResult = source->thinkResult;
    copy->comment = source->comment;
    copy->leftNode = newLeft;
    const KifuPositionNode* reached = source->reachedNode;
    if (reached != nullptr) {
      auto* target = reinterpret_cast<KifuPositionNode*>(reached->traversalMark);
      if (target == nullptr) target = CopyPosition(reached);
      copy->reachedNode = target;
      const int index = reached->incoming.IndexOf(source);
      if (index >= 0) target->incoming.Put(index, copy);
    }
    return copy;
  }

  // Copies a position node; its outgoing moves are copied by Run.
  KifuPositionNode* CopyPosition(const KifuPositionNode* source) {
    auto* copy = new KifuPositionNode;
    copy->ply = source->ply;
    copy->depthBound = source->depthBound;
    copy->key = source->key;
    copy->position = source->position;
    if (table_ != nullptr) table_->Insert(copy);
    const_cast<KifuPositionNode*>(source)->traversalMark = reinterpret_cast<uintptr_t>(copy);
    copy->outgoing.ResetToNulls(source->outgoing.Count());
    copy->outgoing.SetSelectedIndex(source->outgoing.SelectedIndex());
    copy->incoming.ResetToNulls(source->incoming.Count());
    copy->incoming.SetSelectedIndex(source->incoming.SelectedIndex());
    copied_.emplace_back(source, copy);
    pending_.push_back({source, copy, 0});
    return copy;
  }

  // Copies the outgoing moves of every position copied so far, depth first
  // in outgoing order, then tidies up.
  void Run() {
    while (!pending_.empty()) {
      Frame& frame = pending_.back();
      if (frame.next >= frame.source->outgoing.Count()) {
        pending_.pop_back();
        continue;
      }
      const int index = frame.next++;
      KifuPositionNode* copy = frame.copy;
      copy->outgoing.Put(index, CopyMove(frame.source->outgoing.At(index), copy));
    }
    Finish();
  }

 private:
  struct Frame {
    const KifuPositionNode* source;
    KifuPositionNode* copy;
    int next;
  };

  // Moves that reach a copied position from outside the copied part have
  // no copy: their empty slots are closed up. The source marks go back to 0.
  void Finish() {
    for (auto& [source, copy] : copied_) {
      const_cast<KifuPositionNode*>(source)->traversalMark = 0;
      for (int i = copy->incoming.Count() - 1; i >= 0; --i) {
        if (copy->incoming.At(i) == nullptr) copy->incoming.RemoveAt(i);
      }
    }
  }

  KifuPositionTable* table_;
  std::vector<std::pair<const KifuPositionNode*, KifuPositionNode*>> copied_;
  std::vector<Frame> pending_;
};

}  // namespace

KifuMoveNode* KifuMoveNode::CopySubtree(KifuPositionNode* newLeft, KifuPositionTable* table) const {
  GraphCopier copier(table);
  KifuMoveNode* copy = copier.CopyMove(this, newLeft);
  copier.Run();
  // The copied bounds keep their order among themselves; the move into the
  // copy may need them higher.
  if (copy->reachedNode != nullptr && newLeft != nullptr) copy->reachedNode->RaiseDepthBound(newLeft->depthBound + 1);
  return copy;
}

KifuPositionNode* KifuPositionNode::CopySubtree(KifuPositionTable* table) const {
  GraphCopier copier(table);
  KifuPositionNode* copy = copier.CopyPosition(this);
  copier.Run();
  return copy;
}
