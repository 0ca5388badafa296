// The separate graph of the text readers and the line they read along.
#include "records/read_graph.h"

ReadGraph::ReadGraph() : root_(new KifuMoveNode), table_(new KifuPositionTable), extra_(new SjisStringList) {
  root_->move = KifuMove(0, 0, 0, 0, 0, 0, 0, KifuMoveKind::GameStart);
  auto* start = new KifuPositionNode;
  start->position.SetStart(HANDICAP_NONE);
  start->incoming.Insert(root_, -1);
  root_->reachedNode = start;
  line_.push_back(root_);
}

ReadGraph::~ReadGraph() {
  if (installed_) return;
  if (entered_) {
    root_->DetachSubtree(table_);
  } else {
    delete root_->reachedNode;  // nothing was added after it yet
  }
  delete root_;
  delete table_;
  delete extra_;
}

void ReadGraph::BeginMoves() {
  KifuPositionNode* start = root_->reachedNode;
  start->position.ComputeKey(start->key);
  table_->Insert(start);
  entered_ = true;
  working_ = start->position;
  line_.assign(1, root_);
}

bool ReadGraph::PlayMove(const KifuMove& move, int seconds) {
  if (working_.IsValidMove(move, 1) == 0) return false;
  KifuPosition after = working_;
  if (!after.DoMove(move)) return false;
  KifuMoveNode* node =
      Current()->reachedNode->AddMove(move, seconds, nullptr, -1, table_, MergeChooser::TakeFirst(), true);
  if (node == nullptr) return false;
  working_ = after;
  line_.push_back(node);
  return true;
}

void ReadGraph::AddMarker(KifuMoveKind kind, KifuPieceCode piece) {
  const KifuMove marker(0, 0, 0, 0, piece, 0, 0, kind);
  Current()->reachedNode->AddMove(marker, 0, nullptr, -1, table_, MergeChooser::None(), true);
}

void ReadGraph::BackTo(int ply) {
  if (ply < 1) return;
  while (Ply() >= ply && working_.UndoMove(Current()->move)) line_.pop_back();
}

void ReadGraph::AppendComment(const char* text) {
  SjisString& comment = Current()->comment;
  if (!comment.IsEmpty()) comment.Append("\r\n");
  comment.Append(text);
}

bool ReadGraph::HasPlayableStart() {
  const KifuPosition& start = StartPosition();
  return start.handicapFlags == HANDICAP_FIRST_KING || start.IsValid();
}

int ReadGraph::Install(Kifu& record, bool merge) {
  installed_ = true;
  return record.Adopt(root_, table_, extra_, names, date, title, event, merge);
}
