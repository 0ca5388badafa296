// Moving through a record: plies along the selected line, branches and
// merged predecessors, promotion of a line to the main line, the walk over
// every continuation, the incoming order before saving, headers, per-move
// data and the observer switches.
#include <cstring>
#include <vector>

#include "app/kifu_list_observer.h"
#include "records/kifu.h"

namespace {

// The move before this one on the selected incoming path, or null.
KifuMoveNode* SelectedPrevious(const KifuMoveNode* node) {
  return node->leftNode != nullptr ? node->leftNode->incoming.Selected() : nullptr;
}

// The move after this one on the selected line, or null.
KifuMoveNode* SelectedNext(const KifuMoveNode* node) {
  return node->reachedNode != nullptr ? node->reachedNode->outgoing.Selected() : nullptr;
}

// A move on the spanning walk: it is the first move reaching its position.
bool IsSpanning(const KifuMoveNode* node) {
  return node->reachedNode == nullptr || node->reachedNode->incoming.At(0) == node;
}

// The first spanning move at or after index of a position's outgoing list.
KifuMoveNode* SpanningFrom(const KifuPositionNode* node, int index) {
  for (int i = index; i < node->outgoing.Count(); ++i) {
    if (IsSpanning(node->outgoing.At(i))) return node->outgoing.At(i);
  }
  return nullptr;
}

// The index a selection step gives: (selected + value) wrapped over count
// with step, else value; -1 when it lies outside the list.
int StepIndex(int selected, int count, int value, bool step) {
  int index = value;
  if (step && count > 0) index = ((selected + value) % count + count) % count;
  return index >= 0 && index < count ? index : -1;
}

}  // namespace

KifuMoveNode* Kifu::FindNodeAtPly(KifuMoveNode* from, int ply) const {
  if (from == nullptr || ply < 0) return from;
  KifuMoveNode* walk = from;
  while (walk->Ply() > ply) {
    KifuMoveNode* previous = SelectedPrevious(walk);
    if (previous == nullptr) break;
    walk = previous;
  }
  while (walk->Ply() < ply) {
    KifuMoveNode* next = SelectedNext(walk);
    if (next == nullptr) break;
    walk = next;
  }
  return walk;
}

KifuMoveNode* Kifu::FindOnSelectedLine(KifuMoveNode* node) const {
  for (KifuMoveNode* walk = root_; walk != nullptr; walk = SelectedNext(walk)) {
    if (walk == node) return node;
  }
  return nullptr;
}

KifuMoveNode* Kifu::PreviousMoveAt(KifuMoveNode* node, int index) const {
  if (node == nullptr || node->leftNode == nullptr) return node;
  KifuMoveNode* previous = node->leftNode->incoming.At(index);
  if (previous == nullptr) previous = node->leftNode->incoming.Selected();
  return previous != nullptr ? previous : node;
}

int Kifu::LineLength() const {
  int length = 0;
  for (KifuMoveNode* walk = SelectedNext(root_); walk != nullptr; walk = SelectedNext(walk)) ++length;
  return length;
}

KifuMoveNode* Kifu::NextNode(KifuMoveNode* node) const {
  if (node == nullptr) return root_;
  if (node->reachedNode != nullptr) {
    KifuMoveNode* child = SpanningFrom(node->reachedNode, 0);
    if (child != nullptr) return child;
  }
  // Up through the first incoming moves (the way the walk came down) to the
  // next spanning sibling.
  for (const KifuMoveNode* walk = node; walk->leftNode != nullptr;) {
    const KifuPositionNode* left = walk->leftNode;
    KifuMoveNode* sibling = SpanningFrom(left, left->outgoing.IndexOf(walk) + 1);
    if (sibling != nullptr) return sibling;
    walk = left->incoming.At(0);
    if (walk == nullptr) break;
  }
  return nullptr;
}

bool Kifu::SelectBranch(int ply, int value, bool step) {
  // A negative ply names no position; MoveAtPly would take it for the start.
  if (ply < 0) return false;
  KifuMoveNode* at = MoveAtPly(ply);
  if (at == nullptr || at->reachedNode == nullptr) return false;
  KifuPositionNode* node = at->reachedNode;
  const int index = StepIndex(node->outgoing.SelectedIndex(), node->outgoing.Count(), value, step);
  if (index < 0) return false;
  node->outgoing.Select(index);
  SelectLineFrom(node);
  if (IsNotifying()) RefreshList(ply);
  return true;
}

bool Kifu::SelectMergeSource(int ply, int value, bool step) {
  if (ply < 0) return false;
  KifuMoveNode* at = MoveAtPly(ply);
  if (at == nullptr || at->reachedNode == nullptr) return false;
  KifuPositionNode* node = at->reachedNode;
  const int index = StepIndex(node->incoming.SelectedIndex(), node->incoming.Count(), value, step);
  if (index < 0) return false;
  node->incoming.Select(index);
  // The line from the root now runs through the chosen move: each position
  // behind it selects the move walked back through.
  for (KifuMoveNode* walk = node->incoming.Selected(); walk->leftNode != nullptr;) {
    KifuPositionNode* left = walk->leftNode;
    left->outgoing.Select(left->outgoing.IndexOf(walk));
    walk = left->incoming.Selected();
    if (walk == nullptr) break;
  }
  SelectLineFrom(StartNode());
  if (IsNotifying()) RefreshList(0);
  return true;
}

void Kifu::PromoteLineToMain() {
  for (KifuPositionNode* node = StartNode(); node != nullptr;) {
    if (node->outgoing.SelectedIndex() > 0) node->outgoing.Move(node->outgoing.SelectedIndex(), 0);
    KifuMoveNode* move = node->outgoing.Selected();
    node = move != nullptr ? move->reachedNode : nullptr;
  }
}

void Kifu::FollowNavigation(int oldPly, int newPly) {
  if (!IsNotifying()) return;
  if (displayPly_ >= 0) RefreshList(oldPly < newPly ? oldPly : newPly);
  observer_->SetCurrent(newPly);
}

KifuMoveNode* Kifu::GoToPly(KifuMoveNode* from, int ply) {
  if (from == nullptr) return nullptr;
  KifuMoveNode* to = FindNodeAtPly(from, ply);
  FollowNavigation(from->Ply(), to->Ply());
  return to;
}

KifuMoveNode* Kifu::GoForward(KifuMoveNode* node, int index) {
  if (node == nullptr) return nullptr;
  KifuMoveNode* to = nullptr;
  if (node->reachedNode != nullptr) {
    to = node->reachedNode->outgoing.At(index);
    if (to == nullptr) to = node->reachedNode->outgoing.Selected();
  }
  if (to == nullptr) to = node;
  FollowNavigation(node->Ply(), to->Ply());
  return to;
}

KifuMoveNode* Kifu::GoBack(KifuMoveNode* node, int index) {
  if (node == nullptr) return nullptr;
  KifuMoveNode* to = PreviousMoveAt(node, index);
  FollowNavigation(node->Ply(), to->Ply());
  return to;
}

void Kifu::ClearMarks() const {
  for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
    for (KifuPositionNode* node = table_->Head(chain); node != nullptr; node = node->chainNext) {
      node->traversalMark = 0;
    }
  }
}

void Kifu::SortIncomingByTraversal() {
  ClearMarks();
  struct Frame {
    KifuPositionNode* node;
    int next;
  };
  // The mark counts the arrivals: the n-th arriving move goes to index n.
  auto arrive = [](KifuMoveNode* move) {
    KifuPositionNode* node = move->reachedNode;
    const int slot = static_cast<int>(node->traversalMark++);
    node->incoming.Swap(node->incoming.IndexOf(move), slot);
    return slot == 0;
  };
  std::vector<Frame> stack;
  if (arrive(root_)) stack.push_back({StartNode(), 0});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next >= frame.node->outgoing.Count()) {
      stack.pop_back();
      continue;
    }
    KifuMoveNode* move = frame.node->outgoing.At(frame.next++);
    if (move->reachedNode != nullptr && arrive(move)) stack.push_back({move->reachedNode, 0});
  }
  ClearMarks();
}

const char* Kifu::GetHeader(const char* key) const {
  if (key == nullptr) return nullptr;
  if (std::strcmp(key, "先手") == 0 || std::strcmp(key, "下手") == 0) return names_[0].Text();
  if (std::strcmp(key, "後手") == 0 || std::strcmp(key, "上手") == 0) return names_[1].Text();
  if (std::strcmp(key, "対局日") == 0) return date_.Text();
  if (std::strcmp(key, "表題") == 0) return title_.Text();
  if (std::strcmp(key, "棋戦") == 0) return event_.Text();
  for (int i = 0; i + 1 < extraHeaders_->Count(); i += 2) {
    if (std::strcmp(extraHeaders_->At(i).Text(), key) == 0) return extraHeaders_->At(i + 1).Text();
  }
  return nullptr;
}

bool Kifu::SetHeader(const char* key, const char* value) {
  if (key == nullptr || key[0] == '\0') return false;
  const SjisString newValue(value);
  for (int i = 0; i + 1 < extraHeaders_->Count(); i += 2) {
    if (std::strcmp(extraHeaders_->At(i).Text(), key) != 0) continue;
    // The list only appends: it is rebuilt with the one value replaced.
    SjisStringList rebuilt;
    for (int j = 0; j < extraHeaders_->Count(); ++j) {
      rebuilt.Append(j == i + 1 ? newValue : extraHeaders_->At(j));
    }
    *extraHeaders_ = std::move(rebuilt);
    return true;
  }
  extraHeaders_->Append(SjisString(key));
  extraHeaders_->Append(newValue);
  return true;
}

bool Kifu::SetComment(int ply, const char* text) {
  KifuMoveNode* node = MoveAtPly(ply);
  if (node == nullptr) return false;
  SjisString trimmed(text);
  trimmed.TrimRight();
  if (std::strcmp(trimmed.Text(), node->comment.Text()) == 0) return false;
  node->comment = std::move(trimmed);
  if (IsNotifying()) {
    int marks = node->comment.IsEmpty() ? 0 : KIFU_MARK_COMMENT;
    if (node->leftNode != nullptr && node->leftNode->outgoing.Count() > 1) marks |= KIFU_MARK_BRANCH;
    observer_->SetMark(ply, marks);
  }
  return true;
}

bool Kifu::SetConsumedTime(KifuMoveNode* node, int seconds) {
  if (node == nullptr || FindOnSelectedLine(node) == nullptr) return false;
  node->consumedTime = seconds;
  return true;
}

bool Kifu::SetAllConsumedTimes(int seconds) {
  bool any = false;
  // Every move but the root leaves exactly one position, each in the table.
  for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
    for (KifuPositionNode* node = table_->Head(chain); node != nullptr; node = node->chainNext) {
      for (int i = 0; i < node->outgoing.Count(); ++i) {
        node->outgoing.At(i)->consumedTime = seconds;
        any = true;
      }
    }
  }
  if (IsNotifying()) RefreshList(0);
  return any;
}

void Kifu::ResetLineThinkResults() {
  for (KifuMoveNode* walk = SelectedNext(root_); walk != nullptr; walk = SelectedNext(walk)) {
    if (walk->move.kind == KifuMoveKind::Ordinary) walk->thinkResult.Reset();
  }
}

void Kifu::ClearSideEvaluations(int side) {
  for (KifuMoveNode* walk = SelectedNext(root_); walk != nullptr; walk = SelectedNext(walk)) {
    if (walk->move.kind != KifuMoveKind::Ordinary) return;
    if (walk->leftNode->position.sideToMove != side) continue;
    walk->thinkResult.value = THINK_NO_VALUE;
    walk->thinkResult.predictedReply = 0;
  }
}

void Kifu::SetObserver(KifuListObserver* observer) {
  observer_ = observer;
  notify_ = false;
  if (observer_ != nullptr) EnableNotify(true);
}

void Kifu::EnableNotify(bool on) {
  notify_ = observer_ != nullptr && on;
  if (notify_) RefreshList(0);
}

void Kifu::NotifyPly(int ply) {
  if (IsNotifying()) observer_->SetCurrent(ply);
}
