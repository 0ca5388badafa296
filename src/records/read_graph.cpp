// The separate graph of the text readers and the line they read along.
#include "records/read_graph.h"

namespace {

uint64_t KeyBits(const KifuPositionKey& key) { return static_cast<uint64_t>(key.first) << 32 | key.second; }

int CountOf(const std::unordered_map<uint64_t, int>& counts, uint64_t key) {
  const auto found = counts.find(key);
  return found == counts.end() ? 0 : found->second;
}

}  // namespace

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
  tableKeys_ = {{KeyBits(start->key), 1}};
  onLine_ = {{start, 1}};
  lineKeys_ = tableKeys_;
}

bool ReadGraph::PlayMove(const KifuMove& move, int seconds) {
  if (working_.IsValidMove(move, 1) == 0) return false;
  KifuPosition after = working_;
  if (!after.DoMove(move)) return false;
  KifuPositionKey key;
  after.ComputeKey(key);
  const uint64_t bits = KeyBits(key);
  const bool onlyOnLine = CountOf(tableKeys_, bits) == CountOf(lineKeys_, bits);
  const int tableCount = table_->Count();
  KifuMoveNode* node = Current()->reachedNode->AddMove(
      move, seconds, nullptr, -1, table_, onlyOnLine ? MergeChooser::None() : MergeChooser::TakeFirst([this](const KifuPositionNode* position) {
        return onLine_.count(position) != 0;
      }), true);
  if (node == nullptr) return false;
  if (table_->Count() > tableCount) ++tableKeys_[KeyBits(node->reachedNode->key)];
  working_ = after;
  line_.push_back(node);
  ++lineKeys_[KeyBits(node->reachedNode->key)];
  ++onLine_[node->reachedNode];
  return true;
}

KifuMoveNode* ReadGraph::AddMarker(KifuMoveKind kind, KifuPieceCode piece) {
  const KifuMove marker(0, 0, 0, 0, piece, 0, 0, kind);
  const int tableCount = table_->Count();
  KifuMoveNode* node = Current()->reachedNode->AddMove(marker, 0, nullptr, -1, table_, MergeChooser::None(), true);
  if (node != nullptr && table_->Count() > tableCount) ++tableKeys_[KeyBits(node->reachedNode->key)];
  return node;
}

void ReadGraph::BackTo(int ply) {
  if (ply < 1) return;
  while (Ply() >= ply && working_.UndoMove(Current()->move)) {
    --lineKeys_[KeyBits(Current()->reachedNode->key)];
    if (const auto found = onLine_.find(Current()->reachedNode); found != onLine_.end() && --found->second == 0) {
      onLine_.erase(found);
    }
    line_.pop_back();
  }
}

void ReadGraph::AppendComment(const char* text, KifuMoveNode* node) {
  SjisString& comment = (node != nullptr ? node : Current())->comment;
  if (!comment.IsEmpty()) comment.Append("\r\n");
  comment.Append(text);
}

bool ReadGraph::HasPlayableStart(ReadReport* report) { return CheckReadStart(StartPosition(), report); }

int ReadGraph::Install(Kifu& record, bool merge) {
  installed_ = true;
  return record.Adopt(root_, table_, extra_, names, date, title, event, merge);
}
