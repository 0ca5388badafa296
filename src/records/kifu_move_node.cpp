// Move nodes of the record graph: the lists that hold them in a position
// node, the merge chooser, and a move's notation in its position.
#include <cstring>

#include "records/kifu_graph.h"

int MoveNodeList::IndexOf(const KifuMoveNode* node) const {
  for (int i = 0; i < count_; ++i) {
    if (entries_[i] == node) return i;
  }
  return -1;
}

bool MoveNodeList::Select(int index) {
  if (index < 0 || index >= count_) return false;
  selected_ = index;
  return true;
}

bool MoveNodeList::GrowTo(int capacity) {
  auto* grown = new KifuMoveNode*[capacity];
  for (int i = 0; i < count_; ++i) grown[i] = entries_[i];
  delete[] entries_;
  entries_ = grown;
  capacity_ = capacity;
  return true;
}

int MoveNodeList::Insert(KifuMoveNode* node, int index) {
  if (count_ == capacity_) GrowTo(count_ + step_);
  if (index < 0 || index > count_) index = count_;
  for (int i = count_; i > index; --i) entries_[i] = entries_[i - 1];
  entries_[index] = node;
  // The selected entry moved up one when the new one went before it.
  if (count_ > 0 && index <= selected_) ++selected_;
  ++count_;
  return index;
}

bool MoveNodeList::RemoveAt(int index) {
  if (index < 0 || index >= count_) return false;
  for (int i = index; i + 1 < count_; ++i) entries_[i] = entries_[i + 1];
  --count_;
  if (index < selected_) --selected_;
  if (selected_ >= count_) selected_ = 0;
  return true;
}

void MoveNodeList::Move(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= count_ || to >= count_) return;
  KifuMoveNode* selectedNode = entries_[selected_];
  KifuMoveNode* moving = entries_[from];
  if (from > to) {
    for (int i = from; i > to; --i) entries_[i] = entries_[i - 1];
  } else {
    for (int i = from; i < to; ++i) entries_[i] = entries_[i + 1];
  }
  entries_[to] = moving;
  selected_ = IndexOf(selectedNode);
}

void MoveNodeList::Swap(int a, int b) {
  if (a == b || a < 0 || b < 0 || a >= count_ || b >= count_) return;
  KifuMoveNode* held = entries_[a];
  entries_[a] = entries_[b];
  entries_[b] = held;
  if (selected_ == a) {
    selected_ = b;
  } else if (selected_ == b) {
    selected_ = a;
  }
}

void MoveNodeList::ResetToNulls(int count) {
  Clear();
  if (count <= 0) return;
  GrowTo(count);
  for (int i = 0; i < count; ++i) entries_[i] = nullptr;
  count_ = count;
}

void MoveNodeList::Clear() {
  delete[] entries_;
  entries_ = nullptr;
  count_ = 0;
  selected_ = 0;
  capacity_ = 0;
}

MergeChooser MergeChooser::TakeFirst() { return TakeFirst(nullptr); }

MergeChooser MergeChooser::TakeFirst(std::function<bool(const KifuPositionNode*)> known) {
  MergeChooser chooser([](KifuPositionNode* const*, int) { return 0; });
  chooser.takesFirst_ = true;
  chooser.knownAncestor_ = std::move(known);
  return chooser;
}

int MergeChooser::Choose(KifuPositionNode* const* candidates, int count) const {
  if (!merges_ || count <= 0) return -1;
  return choose_ ? choose_(candidates, count) : 0;
}

int KifuMoveNode::Ply() const {
  if (reachedNode != nullptr) return reachedNode->ply;
  return leftNode != nullptr ? leftNode->ply + 1 : 0;
}

void KifuMoveNode::WriteNotation(SjisString& out) const {
  if (leftNode == nullptr) {
    move.FormatText(0, 0, out, 0);
    return;
  }
  // "同　" refers to the destination of the move that led here.
  const KifuMoveNode* previous = leftNode->incoming.Selected();
  const int prevFile = previous != nullptr ? previous->move.toFile : 0;
  const int prevRank = previous != nullptr ? previous->move.toRank : 0;
  leftNode->position.MoveNotation(move, prevFile, prevRank, out);
}

SjisString& KifuMoveNode::GetNotation() {
  WriteNotation(notation);
  return notation;
}

SjisString& KifuMoveNode::GetNotationStatic() const {
  static SjisString shared;
  WriteNotation(shared);
  return shared;
}
