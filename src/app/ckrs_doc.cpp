// The document's commands over its game record: navigation, editing, board
// editing, files and the clipboard. Whatever a command deletes or replaces,
// the current node is left on a live move and the position follows it.
#include "app/ckrs_doc.h"

#include <cstdint>
#include <limits>

#include "records/kifu.h"
#include "records/kifu_graph.h"
#include "records/kifu_legal_moves.h"
#include "records/kifu_position_table.h"

namespace {

// What a merge can change in a record: it only adds moves and appends the
// other file's comment to an equal move's differing one, so the number of
// moves and the comments' total length tell whether it changed anything.
struct MergeMeasure {
  int64_t moves = 0;
  int64_t commentBytes = 0;
  bool operator==(const MergeMeasure&) const = default;
};

MergeMeasure MeasureForMerge(const Kifu& record) {
  MergeMeasure measure;
  const KifuPositionTable& table = *record.Table();
  for (int chain = 0; chain < KifuPositionTable::CHAIN_COUNT; ++chain) {
    for (const KifuPositionNode* node = table.Head(chain); node != nullptr; node = node->chainNext) {
      measure.moves += node->outgoing.Count();
      for (int index = 0; index < node->outgoing.Count(); ++index) {
        measure.commentBytes += node->outgoing.At(index)->comment.Length();
      }
    }
  }
  return measure;
}

// Whether a move of kind next may follow one of kind previous as the
// record formats write lines: play goes on after the start, an ordinary
// move or a resumption; an interruption may only be resumed; nothing
// follows the end of a game, and the start is no move to add.
bool MayFollow(KifuMoveKind previous, KifuMoveKind next) {
  if (next == KifuMoveKind::GameStart) return false;
  switch (previous) {
    case KifuMoveKind::GameStart:
    case KifuMoveKind::Ordinary:
    case KifuMoveKind::Resumption: return next != KifuMoveKind::Resumption;
    case KifuMoveKind::Interruption: return next == KifuMoveKind::Resumption;
    default: return false;
  }
}

}  // namespace

int CKRSDoc::CurrentPly() const { return game_.currentNode->reachedNode->ply; }

void CKRSDoc::MoveTo(KifuMoveNode* node) {
  game_.currentNode = node;
  *game_.currentPosition = node->reachedNode->position;
}

bool CKRSDoc::GoForward(int index) {
  Kifu& record = *game_.record;
  if (index >= 0 && !record.SelectBranch(CurrentPly(), index, false)) return false;
  KifuMoveNode* next = record.GoForward(game_.currentNode, -1);
  if (next == game_.currentNode) return false;
  MoveTo(next);
  return true;
}

bool CKRSDoc::GoBack() {
  KifuMoveNode* previous = game_.record->GoBack(game_.currentNode, -1);
  if (previous == game_.currentNode) return false;
  MoveTo(previous);
  return true;
}

bool CKRSDoc::GoToPly(int ply) {
  if (ply < 0) return false;
  MoveTo(game_.record->GoToPly(game_.currentNode, ply));
  return CurrentPly() == ply;
}

void CKRSDoc::GoToFirst() { GoToPly(0); }

void CKRSDoc::GoToLast() { GoToPly(std::numeric_limits<int>::max()); }

bool CKRSDoc::SelectBranch(int value, bool step) {
  Kifu& record = *game_.record;
  const int ply = CurrentPly();
  if (ply == 0) return false;
  KifuMoveNode* before = record.MoveAtPly(ply - 1);
  if (!record.SelectBranch(ply - 1, value, step)) return false;
  MoveTo(record.GoForward(before, -1));
  return true;
}

bool CKRSDoc::AddMove(KifuMove move, int consumedTime) {
  Kifu& record = *game_.record;
  KifuMoveNode* current = game_.currentNode;
  if (!MayFollow(current->move.kind, move.kind)) return false;
  if (move.kind == KifuMoveKind::Ordinary) {
    KifuPosition after;
    if (!game_.currentPosition->CompleteMove(move) || !PlayLegalRecordMove(*game_.currentPosition, move, after)) {
      return false;
    }
  }
  const MoveNodeList& outgoing = current->reachedNode->outgoing;
  const int movesBefore = outgoing.Count();
  // A played move never merges into another line's position: the line the
  // user plays stays a line of its own.
  if (record.AddMove(CurrentPly(), move, consumedTime, nullptr, -1, MergeChooser::None()) == nullptr) return false;
  if (outgoing.Count() > movesBefore) game_.modified = 1;
  MoveTo(record.GoForward(current, -1));
  return true;
}

void CKRSDoc::FallBackAfterDeletion(KifuMoveNode* at, bool currentWasDeleted) {
  if (!currentWasDeleted) return;
  MoveTo(at);
  if (game_.record->IsNotifying()) game_.record->NotifyPly(CurrentPly());
}

bool CKRSDoc::DeleteBranch(int ply, int index) {
  Kifu& record = *game_.record;
  // A negative ply names no position; the record would take it for the
  // start and delete the whole line.
  if (ply < 0) return false;
  KifuMoveNode* at = record.MoveAtPly(ply);
  if (at == nullptr || at->reachedNode->outgoing.Count() == 0) return false;
  const MoveNodeList& outgoing = at->reachedNode->outgoing;
  const KifuMoveNode* doomed = outgoing.At(index) != nullptr ? outgoing.At(index) : outgoing.Selected();
  // The current node lies on the selected line, so it goes with the branch
  // exactly when the line runs through the deleted move. Deciding this
  // before the deletion reads no freed node.
  const int atPly = at->reachedNode->ply;
  const bool currentDeleted = CurrentPly() > atPly && record.MoveAtPly(atPly + 1) == doomed;
  record.DeleteBranch(ply, index);
  game_.modified = 1;
  FallBackAfterDeletion(at, currentDeleted);
  return true;
}

bool CKRSDoc::DeleteMovesAfter(int ply) {
  Kifu& record = *game_.record;
  if (ply < 0) return false;  // as DeleteBranch
  KifuMoveNode* at = record.MoveAtPly(ply);
  if (at == nullptr || at->reachedNode->outgoing.Count() == 0) return false;
  const int atPly = at->reachedNode->ply;
  const bool currentDeleted = CurrentPly() > atPly;
  at->reachedNode->DeleteSubtrees(record.Table());
  if (record.IsNotifying()) record.RefreshList(atPly);
  game_.modified = 1;
  FallBackAfterDeletion(at, currentDeleted);
  return true;
}

void CKRSDoc::Clear() {
  Kifu& record = *game_.record;
  const bool hadAnything = record.StartNode()->outgoing.Count() > 0 || !record.Root()->comment.IsEmpty();
  record.ClearMoves();
  if (hadAnything) game_.modified = 1;
  MoveTo(record.Root());
}

bool CKRSDoc::EditBoard(KifuMove edit) {
  KifuPosition edited = *game_.currentPosition;
  if (!edited.CompleteMove(edit) || !edited.EditMove(edit)) return false;
  edited.UpdateBoxAndHandicap();
  Kifu& record = *game_.record;
  KifuPositionNode* start = record.StartNode();
  // The flags test never decides today: without moves the current position
  // is the start, and an edit that succeeds always changes a square or a hand.
  const bool changed = start->outgoing.Count() > 0 || edited != start->position ||
                       edited.handicapFlags != start->position.handicapFlags;
  // The moves of the old start can't follow a position set up anew.
  start->DeleteSubtrees(record.Table());
  record.SetStartPosition(edited);
  if (record.IsNotifying()) record.RefreshList(0);
  if (changed) game_.modified = 1;
  FallBackAfterDeletion(record.Root(), true);
  return true;
}

bool CKRSDoc::Open(const char* path, KifuFileType* type, ReadReport* report) {
  return game_.Load(path, type, false, report);
}

bool CKRSDoc::MergeOpen(const char* path, KifuFileType* type, ReadReport* report) {
  const MergeMeasure before = MeasureForMerge(*game_.record);
  const bool wasModified = IsModified();
  // The merged file's moves join this document; it does not become that
  // file, so a later save under the title can't overwrite the other file.
  const SjisString title = game_.title;
  if (!game_.Load(path, type, true, report)) return false;
  game_.title = title;
  game_.modified = wasModified || MeasureForMerge(*game_.record) != before ? 1 : 0;
  return true;
}

bool CKRSDoc::Save(const char* path, KifuFileType* type) { return game_.Save(path, type); }

bool CKRSDoc::SavePosition(const char* path, KifuFileType* type) { return game_.SavePosition(path, type); }

bool CKRSDoc::Copy(int format, bool positionOnly) {
  // As a save does: each position's first incoming move becomes the one the
  // writer arrives by, else "同" and the merge labels would be written
  // against another move than the one written before them.
  game_.record->SortIncomingByTraversal();
  SjisString text;
  if (!game_.WriteToString(text, format, positionOnly)) return false;
  clipboard_.SetText(text);
  return true;
}

bool CKRSDoc::Paste(ReadReport* report) {
  if (!game_.LoadFromText(clipboard_.Text(), report)) return false;
  game_.modified = 1;
  return true;
}
