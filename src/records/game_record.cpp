// The document's record holder: reset, repetition with the continuous-check
// rule, the clock replay along the line, and grafting another line.
#include "records/game_record.h"

#include <algorithm>
#include <vector>

namespace {

// The move before `node` on its line: the selected incoming move of the
// position it leaves; null before the root.
const KifuMoveNode* PreviousMove(const KifuMoveNode* node) {
  return node->leftNode != nullptr ? node->leftNode->incoming.Selected() : nullptr;
}

constexpr bool IsRoot(const KifuMoveNode* node) { return node->leftNode == nullptr; }

}  // namespace

GameRecord::GameRecord()
    : record(new Kifu), currentPosition(new KifuPosition), currentNode(record->Root()) {
  *currentPosition = record->StartNode()->position;
}

GameRecord::~GameRecord() {
  delete record;
  delete currentPosition;
}

void GameRecord::Reset(HandicapFlags flags) {
  record->Reset(flags);
  currentNode = record->Root();
  *currentPosition = record->StartNode()->position;
  modified = 0;
  title.Clear();
}

int GameRecord::CheckRepetition() const {
  if (currentNode == nullptr || IsRoot(currentNode)) return 0;
  KifuPosition walk = *currentPosition;
  KifuPositionKey target;
  walk.ComputeKey(target);
  // The key is read from the side to move, so the turned position with the
  // other side to move shares it: an occurrence needs the same side too.
  const int targetSide = walk.sideToMove;
  // Whether each side was in check in every one of its positions so far;
  // -1 while none of its positions has been seen (counts as true).
  int inCheckThroughout[2] = {-1, -1};
  if (targetSide == 0 || targetSide == 1) inCheckThroughout[targetSide] = walk.IsInCheck(targetSide);
  int occurrences = 1;
  for (const KifuMoveNode* node = currentNode; node != nullptr && !IsRoot(node) && occurrences < 4;
       node = PreviousMove(node)) {
    if (!walk.UndoMove(node->move)) {
      // A marker is no move on the board: the position before it is the
      // same one, not another occurrence. Any other move that can't be taken
      // back ends the walk.
      if (node->move.kind != KifuMoveKind::Ordinary) continue;
      break;  // never reached from a graph's own line: each of its moves was played from the position before it
    }
    const int mover = walk.sideToMove;
    if (inCheckThroughout[mover] != 0) inCheckThroughout[mover] = walk.IsInCheck(mover);
    KifuPositionKey key;
    walk.ComputeKey(key);
    if (key == target && mover == targetSide) ++occurrences;
  }
  if (occurrences < 4) return 0;
  if (inCheckThroughout[0] != 0) return static_cast<int>(KifuMoveKind::RepetitionCheckBySecond);
  if (inCheckThroughout[1] != 0) return static_cast<int>(KifuMoveKind::RepetitionCheckByFirst);
  return static_cast<int>(KifuMoveKind::Repetition);
}

void GameRecord::ReplayClocks(KifuClock clocks[2]) const {
  clocks[0].RestartForReplay();
  clocks[1].RestartForReplay();
  std::vector<const KifuMoveNode*> line;
  for (const KifuMoveNode* node = currentNode; node != nullptr && !IsRoot(node); node = PreviousMove(node)) {
    line.push_back(node);
  }
  std::reverse(line.begin(), line.end());
  // The moving piece's owner bit tells the side, markers included; a marker
  // of the game rather than a player (impasse, repetition) carries no piece
  // and is charged to the side whose turn it was.
  for (const KifuMoveNode* node : line) {
    const KifuPieceCode piece = node->move.piece;
    const int side = piece.IsPiece() ? piece.Side() : (node->leftNode->position.sideToMove == 1 ? 1 : 0);
    clocks[side].Spend(node->consumedTime);
  }
}

bool GameRecord::MergeLine(const KifuMoveNode* other, bool select) {
  if (other == nullptr || currentNode == nullptr || currentNode->reachedNode == nullptr) return false;
  // Check the whole line before adding anything, so that a failure leaves
  // the record and its list as they were: each position of the other line
  // must equal the one the moves give here, and each move must play.
  KifuPosition here = currentNode->reachedNode->position;
  for (const KifuPositionNode* there = other->reachedNode; there != nullptr && there->outgoing.Count() > 0;) {
    const KifuMoveNode* move = there->outgoing.Selected();
    if (!(here == there->position)) return false;
    if (move->move.kind == KifuMoveKind::Ordinary && !here.DoMove(move->move)) return false;
    there = move->reachedNode;
  }

  KifuPositionNode* node = currentNode->reachedNode;
  for (const KifuPositionNode* there = other->reachedNode; there != nullptr && there->outgoing.Count() > 0;) {
    const KifuMoveNode* move = there->outgoing.Selected();
    KifuMoveNode* added = node->AddMove(move->move, move->consumedTime, &move->thinkResult, -1, record->Table(),
                                        MergeChooser::None(), false);
    if (added == nullptr || added->reachedNode == nullptr) break;  // can't happen after the check above
    if (select && node->outgoing.Count() > 1) node->outgoing.Select(node->outgoing.IndexOf(added));
    node = added->reachedNode;
    there = move->reachedNode;
  }
  record->RefreshList(currentNode->reachedNode->ply);
  return true;
}
