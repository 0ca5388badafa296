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
};
