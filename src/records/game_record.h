// What the document holds of a game: the record graph, the position and
// move the user is looking at, a modified flag and a title; starting a game
// from a handicap, detecting repetitions, replaying the clocks along the
// line and grafting another record's line onto the current position.
#pragma once

#include <cstdint>

#include "charset.h"
#include "records/kifu.h"
#include "records/kifu_clock.h"
#include "records/kifu_position.h"
#include "records/record_files.h"
#include "records/sjis_string.h"

class GameRecord {
 public:
  Kifu* record;                  // owned
  KifuPosition* currentPosition;  // owned copy of the position after currentNode
  KifuMoveNode* currentNode;     // the move the user is looking at; the root at the start
  uint8_t modified = 0;          // set by the document after each change, cleared by Reset, load and save
  SjisString title;
  int32_t documentWord = 0;      // kept for the document; no operation here reads it

  // A new record at the even start, the root as current node.
  GameRecord();
  GameRecord(const GameRecord&) = delete;
  GameRecord& operator=(const GameRecord&) = delete;
  ~GameRecord();

  // Starts the record again from the handicap's start position: current
  // node the root, modified flag and title cleared.
  void Reset(HandicapFlags flags);
  // Walks the line back from the current position: 0, or at a fourth
  // occurrence of the current position (same key, same side to move)
  // RepetitionCheckBySecond (10) when the first player was in check in each
  // of its positions on the way, RepetitionCheckByFirst (11) when the
  // second was, else Repetition (9). Markers on the line are stepped over.
  int CheckRepetition() const;
  // Replays both clocks (first player's at [0]) along the line from the root
  // to the current node, each move charged to the side that played it.
  void ReplayClocks(KifuClock clocks[2]) const;
  // Adds other's selected line from its reached position on after the
  // current node (appended, not merged; with select each added move becomes
  // the selected one), then rebuilds the list from the current ply. False,
  // and nothing added, when the positions along the two lines differ or a
  // move of the other line can't be played here.
  bool MergeLine(const KifuMoveNode* other, bool select);

  // --- files and clipboard (record_files.cpp)
  // Reads a file of the type (0: detected from the extension and stored
  // back), replacing the record or merged into it; on success the view
  // goes to the start, the title becomes the path and the modified flag is
  // cleared. False, and the record unchanged, when the path, the file or
  // the read fails, or a merge finds no equal start. The report, when
  // given, says why a read refused or where it stopped (a read that stopped
  // early still loads the moves before it).
  bool Load(const char* path, KifuFileType* type, bool merge, ReadReport* report = nullptr);
  // Writes the whole record to the file. The old file is replaced only
  // when every write and the close succeeded (through a temporary file in
  // its folder); a type without writer is refused before anything is
  // touched. On success the title becomes the path and the flag is cleared.
  bool Save(const char* path, KifuFileType* type);
  // Writes the current position with the record's headers, as Save does
  // but leaving the title and flag alone.
  bool SavePosition(const char* path, KifuFileType* type);
  // Appends the record (or the current position) to text with CR LF line
  // ends: 1 KIF, 3 CSA, 4 RVQ, any other code KI2 (positionOnly: 2 the KI2
  // position, and codes past 4 the whole KI2 record). True when written.
  bool WriteToString(SjisString& text, int format, bool positionOnly) const;
  // Reads pasted text with the first reader that accepts it: KIF,
  // Japanese-notation text, RVQ, strict CSA, KI2. On success as Load with
  // an empty title; false and the record unchanged when none does. The
  // report as for Load.
  bool LoadFromText(const SjisString& text, ReadReport* report = nullptr);
  // Empties the comment of every move of the record, merged moves included.
  void ClearComments();

 private:
  // After a load or paste: the view at the record's start, list and
  // observer following, the modified flag cleared.
  void ShowStart();
};
