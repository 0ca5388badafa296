// The document: it holds the game record, moves the current node as the
// user navigates, edits the record, and opens, saves, copies and pastes it.
// After every command the current node is a live move on the selected line
// and the current position is the one that move reaches.
#pragma once

#include <cstdint>

#include "app/clipboard.h"
#include "charset.h"
#include "records/game_record.h"
#include "records/kifu_piece.h"
#include "records/record_files.h"

class CKRSDoc {
 public:
  // An even game with no moves, not modified; copy and paste go through
  // the clipboard, which must outlive the document.
  explicit CKRSDoc(Clipboard& clipboard) : clipboard_(clipboard) {}
  CKRSDoc(const CKRSDoc&) = delete;
  CKRSDoc& operator=(const CKRSDoc&) = delete;

  // The record, the current node and position, the modified flag, the title.
  const GameRecord& Record() const { return game_; }
  // Whether the record changed since it was last opened or saved.
  bool IsModified() const { return game_.modified != 0; }
  // The ply of the current node (0 at the start).
  int CurrentPly() const;

  // --- navigation (the record does not change)
  // One move on along the selected line; with an index, that variation of
  // the current position is selected first. False when nothing follows (or
  // there is no such variation).
  bool GoForward(int index = -1);
  // One move back; false at the start.
  bool GoBack();
  // To the ply along the selected line; false for a negative ply (nothing
  // moves) and when the line ends before it (the current node is then its
  // last move).
  bool GoToPly(int ply);
  // To the start and to the last move of the selected line.
  void GoToFirst();
  void GoToLast();
  // Selects another variation in place of the current move: (selected +
  // value) wrapped with step, else index value; the current node becomes it.
  // False at the start or for an index outside the variations.
  bool SelectBranch(int value, bool step);

  // --- editing (each sets the modified flag when it changed the record)
  // Adds a move after the current node and goes to it. An ordinary move
  // given by its squares (and promote flag) gets its pieces from the current
  // position and must be legal there; a marker is added as given. False
  // for a move that is not legal, after the end of a game, for anything but
  // a resumption after an interruption, and for a resumption elsewhere.
  // A move already there is only selected.
  bool AddMove(KifuMove move, int consumedTime);
  // Deletes outgoing move index (the selected one when out of range) of the
  // position at ply on the selected line; false when it has none or the
  // line has no such ply (negative, or past its end).
  bool DeleteBranch(int ply, int index);
  // Deletes every move after the position at ply on the selected line;
  // false when nothing follows it or the line has no such ply.
  bool DeleteMovesAfter(int ply);
  // Deletes every move and the start's comment; the headers stay.
  void Clear();
  // Board editing on the current position: the edit given by its squares
  // (board, hands 11 and 12, box 13) gets its pieces, is made, and the box
  // and handicap are recounted; the edited position becomes the start of
  // the record, whose moves are deleted. False, nothing changed, when the
  // edit can't be made.
  bool EditBoard(KifuMove edit);

  // --- files and clipboard
  // Replaces the record with the file's (type 0: by the extension, stored
  // back); on success the view is at the start and the record unmodified.
  // The report, when given, says why a read was refused or stopped early.
  bool Open(const char* path, KifuFileType* type, ReadReport* report = nullptr);
  // Grafts the file's record onto the equal position of this one; the view
  // goes to the start, the title stays, and the record counts as modified
  // when the merge added anything. False, nothing changed, when it fails.
  bool MergeOpen(const char* path, KifuFileType* type, ReadReport* report = nullptr);
  // Writes the whole record; on success the title is the path and the
  // record unmodified.
  bool Save(const char* path, KifuFileType* type);
  // Writes the current position with the headers; flag and title stay.
  bool SavePosition(const char* path, KifuFileType* type);
  // Puts the record (or the current position) on the clipboard in the
  // format (GameRecord::WriteToString's codes); false when not written.
  bool Copy(int format, bool positionOnly);
  // Replaces the record with the clipboard's text; the view is at the
  // start, and the record, which no file holds, counts as modified.
  bool Paste(ReadReport* report = nullptr);

 private:
  // Makes node (a live move on the selected line) the current node.
  void MoveTo(KifuMoveNode* node);
  // After moves were deleted from the position that at reaches: the
  // current node goes back to at when it was among them.
  void FallBackAfterDeletion(KifuMoveNode* at, bool currentWasDeleted);

  GameRecord game_;
  Clipboard& clipboard_;
};
