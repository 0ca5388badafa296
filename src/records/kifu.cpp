// A game record's life: construction from the start position, the deep
// copy, resetting, installing a graph a reader built, adding and deleting
// moves at a ply of the selected line, and the selection of first moves.
#include "records/kifu.h"

#include "app/kifu_list_observer.h"

namespace {

// Enters the position after the node's selected move through that move, so
// that along the selected line the incoming selections and plies agree with
// the outgoing ones; the next position, or null at the line's end.
KifuPositionNode* EnterSelected(KifuPositionNode* node) {
  KifuMoveNode* move = node->outgoing.Selected();
  if (move == nullptr || move->reachedNode == nullptr) return nullptr;
  KifuPositionNode* next = move->reachedNode;
  next->incoming.Select(next->incoming.IndexOf(move));
  if (next->ply != node->ply + 1) next->RenumberPlies();
  return next;
}

}  // namespace

KifuMoveNode* NewKifuGraph(const KifuPosition& start, KifuPositionTable* table) {
  auto* root = new KifuMoveNode;
  root->move.kind = KifuMoveKind::GameStart;
  auto* node = new KifuPositionNode;
  node->position = start;
  node->position.ComputeKey(node->key);
  node->incoming.Insert(root, -1);
  root->reachedNode = node;
  if (table != nullptr) table->Insert(node);
  return root;
}

void FreeKifuGraph(KifuMoveNode* root, KifuPositionTable* table) {
  if (root != nullptr) {
    root->DetachSubtree(table);
    delete root;
  }
  delete table;
}

Kifu::Kifu()
    : root_(NewKifuGraph(KifuPosition(), nullptr)), extraHeaders_(new SjisStringList), table_(new KifuPositionTable) {
  table_->Insert(StartNode());
}

Kifu::Kifu(const Kifu& other)
    : root_(nullptr),
      names_{other.names_[0], other.names_[1]},
      date_(other.date_),
      title_(other.title_),
      event_(other.event_),
      extraHeaders_(new SjisStringList(*other.extraHeaders_)),
      table_(new KifuPositionTable) {
  other.ClearMarks();
  root_ = other.root_->CopySubtree(nullptr, table_);
}

Kifu::~Kifu() {
  notify_ = false;
  FreeKifuGraph(root_, table_);
  delete extraHeaders_;
}

void Kifu::Reset(HandicapFlags flags) {
  const bool notifying = notify_;
  notify_ = false;  // one rebuild at the end instead of one per step
  ClearMoves();
  KifuPosition start;
  start.SetStart(flags);
  SetStartPosition(start);
  ClearHeaders();
  notify_ = notifying;
  if (IsNotifying()) {
    RefreshList(0);
    observer_->SetCurrent(0);
  }
}

bool Kifu::ClearMoves() {
  StartNode()->DeleteSubtrees(table_);
  root_->comment.Clear();
  if (IsNotifying()) {
    RefreshList(0);
    observer_->SetCurrent(0);
  }
  return true;
}

bool Kifu::SetStartPosition(const KifuPosition& position) {
  KifuPositionNode* start = StartNode();
  if (start->outgoing.Count() > 0) return false;
  start->position = position;
  table_->Clear();
  start->position.ComputeKey(start->key);
  table_->Insert(start);
  return true;
}

int Kifu::Adopt(KifuMoveNode* root, KifuPositionTable* table, SjisStringList* extraHeaders, const SjisString names[2],
                const SjisString& date, const SjisString& title, const SjisString& event, bool merge) {
  if (root == nullptr || table == nullptr || root->reachedNode == nullptr) {
    FreeKifuGraph(root, table);
    delete extraHeaders;
    return -1;
  }
  if (!merge) {
    FreeKifuGraph(root_, table_);
    delete extraHeaders_;
    root_ = root;
    table_ = table;
    extraHeaders_ = extraHeaders != nullptr ? extraHeaders : new SjisStringList;
    if (names != nullptr) {
      names_[0] = names[0];
      names_[1] = names[1];
    }
    date_ = date;
    title_ = title;
    event_ = event;
    SelectFirstMoves();
    return 0;
  }
  delete extraHeaders;
  KifuPositionNode* here = table_->FindNode(root->reachedNode);
  if (here != nullptr) here->GraftFrom(root->reachedNode, table_);
  FreeKifuGraph(root, table);
  if (here == nullptr) return -1;
  SelectFirstMoves();
  return 0;
}

KifuMoveNode* Kifu::AddMove(int ply, const KifuMove& move, int time, const ThinkResult* tr, int insertIndex,
                            const MergeChooser& chooser) {
  KifuMoveNode* at = MoveAtPly(ply);
  if (at == nullptr || at->reachedNode == nullptr) return nullptr;
  KifuMoveNode* added = at->reachedNode->AddMove(move, time, tr, insertIndex, table_, chooser, true);
  if (added == nullptr) return nullptr;
  SelectLineFrom(at->reachedNode);
  if (IsNotifying()) RefreshList(ply);
  return added;
}

bool Kifu::DeleteBranch(int ply, int index) {
  KifuMoveNode* at = MoveAtPly(ply);
  if (at == nullptr || at->reachedNode == nullptr || at->reachedNode->outgoing.Count() == 0) return false;
  at->reachedNode->DeleteBranch(index, table_);
  SelectLineFrom(at->reachedNode);
  if (IsNotifying()) RefreshList(0);
  return true;
}

KifuMoveNode* Kifu::MoveAtPly(int ply) const {
  KifuMoveNode* walk = root_;
  while (walk->reachedNode != nullptr && walk->reachedNode->ply < ply) {
    KifuMoveNode* next = walk->reachedNode->outgoing.Selected();
    if (next == nullptr) return nullptr;
    walk = next;
  }
  return walk->reachedNode != nullptr ? walk : nullptr;
}

void Kifu::SelectLineFrom(KifuPositionNode* node) {
  while (node != nullptr) node = EnterSelected(node);
}

void Kifu::SelectFirstMoves() {
  for (KifuPositionNode* node = StartNode(); node != nullptr; node = EnterSelected(node)) node->outgoing.Select(0);
}

void Kifu::ClearHeaders() {
  names_[0].Clear();
  names_[1].Clear();
  date_.Clear();
  title_.Clear();
  event_.Clear();
  extraHeaders_->Clear();
}
