// A game record: the graph from the root move through its position nodes,
// the header texts, the table of position nodes, and the kifu list observer
// it keeps informed. Building and deleting (kifu.cpp), navigation, selection
// and headers (kifu_navigation.cpp), the list text (kifu_list_text.cpp).
#pragma once

#include <cstdint>

#include "charset.h"
#include "records/kifu_graph.h"
#include "records/kifu_position_table.h"
#include "records/read_report.h"
#include "records/sjis_string.h"
#include "records/sjis_string_list.h"

class InStream;
class KifuListObserver;
class OutStream;

// For readers building a graph apart: a new root (kind GameStart) reaching a
// new position node of start (ply 0, its key), entered into table.
KifuMoveNode* NewKifuGraph(const KifuPosition& start, KifuPositionTable* table);
// Frees a graph that belongs to no record, from its root, and its table
// (either may be null).
void FreeKifuGraph(KifuMoveNode* root, KifuPositionTable* table);

class Kifu {
 public:
  // The even start position, no moves, empty headers, no observer,
  // notifications off, display ply -1.
  Kifu();
  // A deep copy of the graph (merges and incoming indices kept) and the
  // headers; no observer, notifications off.
  Kifu(const Kifu& other);
  Kifu& operator=(const Kifu&) = delete;
  ~Kifu();

  // --- building (kifu.cpp)
  // Clears the moves, starts from the handicap's position, clears the
  // headers; while notifying rebuilds the list and selects line 0.
  void Reset(HandicapFlags flags);
  // Deletes every move after the start and the root's comment; while
  // notifying rebuilds the list and selects line 0. True.
  bool ClearMoves();
  // Replaces the start position; false when the start has moves.
  bool SetStartPosition(const KifuPosition& position);
  // Installs a graph a reader built (this record takes root, table and
  // extraHeaders whatever the result). Without merge it replaces the graph
  // and headers (names[0] first player, names[1] second); with merge it
  // grafts the new graph onto the equal position of this graph, or returns
  // -1 (nothing changed) when there is none. 0 on success.
  int Adopt(KifuMoveNode* root, KifuPositionTable* table, SjisStringList* extraHeaders, const SjisString names[2],
            const SjisString& date, const SjisString& title, const SjisString& event, bool merge);
  // Adds a move at the position reached at ply on the selected line
  // (selected), and rebuilds the list from ply; null when the line is
  // shorter or the move can't be played.
  KifuMoveNode* AddMove(int ply, const KifuMove& move, int time, const ThinkResult* tr, int insertIndex,
                        const MergeChooser& chooser);
  // Deletes outgoing move index (the selected one when out of range) of the
  // position at ply; false when there is no such move.
  bool DeleteBranch(int ply, int index);
  // The move on the selected line whose reached position has ply `ply`
  // (the root for 0), or null when the line ends first.
  KifuMoveNode* MoveAtPly(int ply) const;
  // Selects outgoing index 0 everywhere along the line from the root,
  // with the incoming selections and plies that follow.
  void SelectFirstMoves();
  // Empties the five header texts and the extra headers.
  void ClearHeaders();

  // --- access
  // The root move (kind GameStart); it reaches the start position node.
  KifuMoveNode* Root() const { return root_; }
  // The start position node.
  KifuPositionNode* StartNode() const { return root_->reachedNode; }
  // The table of position nodes.
  KifuPositionTable* Table() const { return table_; }
  // The extra headers, key at an even index and its value after it.
  const SjisStringList& ExtraHeaders() const { return *extraHeaders_; }
  // Player names by side (0 first player), date, title and event.
  SjisString& PlayerName(int side) { return names_[side & 1]; }
  const SjisString& PlayerName(int side) const { return names_[side & 1]; }
  SjisString& Date() { return date_; }
  const SjisString& Date() const { return date_; }
  SjisString& Title() { return title_; }
  const SjisString& Title() const { return title_; }
  SjisString& Event() { return event_; }
  const SjisString& Event() const { return event_; }
  // The attached observer, or null.
  KifuListObserver* Observer() const { return observer_; }
  // Whether observer calls happen (an observer attached and notify on).
  bool IsNotifying() const { return observer_ != nullptr && notify_; }
  // The last ply the list shows; negative: the whole line, and navigation
  // does not rebuild the list.
  int DisplayPly() const { return displayPly_; }
  void SetDisplayPly(int ply) { displayPly_ = ply; }

  // --- navigation and selection (kifu_navigation.cpp)
  // The node at ply walking from `from` back through selected incoming moves
  // or forward along selected outgoing ones (stopping at the line's end);
  // from itself for a negative ply or its own.
  KifuMoveNode* FindNodeAtPly(KifuMoveNode* from, int ply) const;
  // The node when it lies on the selected line from the root, else null.
  KifuMoveNode* FindOnSelectedLine(KifuMoveNode* node) const;
  // Incoming move index of the node's left position, else its selected one;
  // the root gives itself.
  KifuMoveNode* PreviousMoveAt(KifuMoveNode* node, int index) const;
  // Moves along the selected line.
  int LineLength() const;
  // Depth-first preorder over the moves that are incoming entry 0 of the
  // position they reach (null starts at the root; null at the end), so
  // each position's continuation is visited once.
  KifuMoveNode* NextNode(KifuMoveNode* node) const;
  // Selects an outgoing move at ply: (selected + value) wrapped with step,
  // else index value; then the line, plies and list follow. False, and
  // nothing changed, for an index outside the list or a ply off the line.
  bool SelectBranch(int ply, int value, bool step);
  // Selects an incoming move of the position at ply the same way, and the
  // line from the root through it; false for an index outside the list or
  // a ply off the line.
  bool SelectMergeSource(int ply, int value, bool step);
  // Moves each selected outgoing move of the selected line to index 0.
  void PromoteLineToMain();
  // The node at ply as FindNodeAtPly; while notifying the list follows.
  KifuMoveNode* GoToPly(KifuMoveNode* from, int ply);
  // Outgoing move index of the node's reached position, else the selected
  // one, else the node; while notifying the list follows.
  KifuMoveNode* GoForward(KifuMoveNode* node, int index);
  // Incoming move index of the node's left position, else the selected one,
  // else the node; while notifying the list follows.
  KifuMoveNode* GoBack(KifuMoveNode* node, int index);
  // Gives every position's incoming moves the order of first arrival in a
  // depth-first walk from the root.
  void SortIncomingByTraversal();
  // Sets every traversal mark to 0.
  void ClearMarks() const;

  // --- headers and per-move data (kifu_navigation.cpp)
  // The value of a header key (先手/下手, 後手/上手, 対局日, 表題, 棋戦, or an
  // extra key), or null.
  const char* GetHeader(const char* key) const;
  // Sets an extra header; false for a null or empty key.
  bool SetHeader(const char* key, const char* value);
  // Sets the comment of the move at ply (trailing blanks cut); false when
  // there is no move or nothing changes.
  bool SetComment(int ply, const char* text);
  // Sets a node's time; false when it is not on the selected line.
  bool SetConsumedTime(KifuMoveNode* node, int seconds);
  // Sets every move's time; true when the graph has a move.
  bool SetAllConsumedTimes(int seconds);
  // Resets the think result of every ordinary move of the selected line.
  void ResetLineThinkResults();
  // Clears value and predicted reply of the moves played with side to move,
  // along the selected line up to its first marker.
  void ClearSideEvaluations(int side);

  // --- observer (kifu_navigation.cpp)
  // Attaches an observer and switches notifications on (null detaches).
  void SetObserver(KifuListObserver* observer);
  // Notifications on (rebuilding the list) or off; off without an observer.
  void EnableNotify(bool on);
  // Selects the list line ply.
  void NotifyPly(int ply);

  // --- list text (kifu_list_text.cpp)
  // Sends the lines of the selected line from fromPly on to the observer.
  void RefreshList(int fromPly);

  // Every reader takes an optional report, which it fills with why it
  // refused the text or where it stopped reading (ReadReport).
  // --- KIF text (kif_writer.cpp, kif_reader.cpp)
  // Writes the whole record as KIF; 0.
  int WriteKif(OutStream& out) const;
  // Writes the headers with `position` as the start and no moves; 0.
  int WriteKifPosition(OutStream& out, const KifuPosition& position) const;
  // Reads a KIF text from the stream into a new graph and installs it
  // (merge: grafted onto the equal position of this record); 0, or -1 with
  // the record unchanged.
  int ReadKif(InStream& in, int merge, ReadReport* report = nullptr);
  // --- KI2 and Japanese-notation text (ki2_writer.cpp, ki2_reader.cpp, japanese_text_reader.cpp)
  // Writes the header block and the selected line in relative notation, six
  // moves a line, and the result line when it ends in a marker; 0.
  int WriteKi2(OutStream& out) const;
  // Writes the header block for the position, with no moves; 0.
  int WriteKi2Position(OutStream& out, const KifuPosition& position) const;
  // Reads a KI2 text with its 変化 variations and installs it (grafted at
  // the equal position with merge); 0, or -1 and the record unchanged when
  // the header fails or nothing of the text is KI2.
  int ReadKi2(InStream& in, bool merge, ReadReport* report = nullptr);
  // Reads a Japanese-notation text (header, board diagram, hands, one move
  // phrase a line) and installs it; 0, or -1 and the record unchanged when
  // the header, board or hands fail.
  int ReadJapaneseNotation(InStream& in, bool merge, ReadReport* report = nullptr);

  // --- CSA text (csa_writer.cpp, csa_reader.cpp)
  // Writes the names, start position and main line as CSA; 0, or -1 when a
  // write failed.
  int WriteCsa(OutStream& out) const;
  // Writes the header lines and `position` with no moves; 0, or -1 when a
  // write failed.
  int WriteCsaPosition(OutStream& out, const KifuPosition& position) const;
  // Reads a CSA text into a new one-line graph and installs it (merge as
  // ReadKif; strict: an unknown header line fails); 0, or -1 with the
  // record unchanged.
  int ReadCsa(InStream& in, int merge, int strict, ReadReport* report = nullptr);

  // --- RVQ text (rvq_format.cpp)
  // Writes the header comments, the names, the start position block and
  // the main line (first continuations) between "$" lines; 0, or -1 when a
  // write failed.
  int WriteRvq(OutStream& out) const;
  // Writes the header comments, the names and `position`'s block; 0 or -1.
  int WriteRvqPosition(OutStream& out, const KifuPosition& position) const;
  // Reads the position block of an RVQ text as the start of a record with
  // no moves and installs it; 0, or -1 with the record unchanged.
  int ReadRvq(InStream& in, bool merge, ReadReport* report = nullptr);

  // --- old binary record (old_native_reader.cpp)
  // Reads a .krs record (bytes as stored, no line-end translation) and
  // installs it; 0, or -1 with the record unchanged.
  int ReadOldNative(InStream& in, bool merge, ReadReport* report = nullptr);

 private:
  void FollowNavigation(int oldPly, int newPly);
  void SelectLineFrom(KifuPositionNode* node);

  KifuMoveNode* root_ = nullptr;
  KifuListObserver* observer_ = nullptr;
  bool notify_ = false;
  int32_t displayPly_ = -1;
  SjisString names_[2];
  SjisString date_;
  SjisString title_;
  SjisString event_;
  SjisStringList* extraHeaders_ = nullptr;
  KifuPositionTable* table_ = nullptr;
};
