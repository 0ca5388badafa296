// The graph a text reader builds apart from the record, and the line it is
// reading along: the parts Kifu::Adopt installs at the end, all freed when
// the reader fails or stops before installing them.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "charset.h"
#include "records/kifu.h"

class ReadGraph {
 public:
  // A root move of kind GameStart reaching a position node with the even
  // start, an empty table, empty headers and extra list.
  ReadGraph();
  ReadGraph(const ReadGraph&) = delete;
  ReadGraph& operator=(const ReadGraph&) = delete;
  // Frees whatever was not installed.
  ~ReadGraph();

  KifuMoveNode* Root() const { return root_; }
  // The start position the header sets up.
  KifuPosition& StartPosition() { return root_->reachedNode->position; }
  SjisStringList& ExtraHeaders() { return *extra_; }
  SjisString names[2];
  SjisString date;
  SjisString title;
  SjisString event;

  // Keys the start position and enters it in the table; the line read is
  // the root and the working position a copy of the start.
  void BeginMoves();
  // The position after the moves of the line read.
  const KifuPosition& Working() const { return working_; }
  // The last move of the line read (the root before the first move).
  KifuMoveNode* Current() const { return line_.back(); }
  // Moves on the line read.
  int Ply() const { return static_cast<int>(line_.size()) - 1; }
  // Adds an ordinary move after the current one (appended, selected,
  // merging into an equal position of the table) and steps onto it; false
  // and nothing added when the rules refuse it.
  bool PlayMove(const KifuMove& move, int seconds);
  // Adds a marker of the kind after the current move (appended, selected)
  // with the moving-piece byte given and returns it (null when it can't be
  // added); the line read stays where it is.
  KifuMoveNode* AddMarker(KifuMoveKind kind, KifuPieceCode piece);
  // Takes moves back until the line read has fewer than `ply` moves, so
  // the next move is added at that ply. Nothing for ply < 1.
  void BackTo(int ply);
  // Appends a comment line to the comment of `node`, the current move when
  // null ("\r\n" between lines).
  void AppendComment(const char* text, KifuMoveNode* node = nullptr);
  // Whether the start can be played from: a valid position (which lets a
  // mate problem, flags 0x400, place the kings as it likes); the report,
  // when given, names the rule it breaks.
  bool HasPlayableStart(ReadReport* report = nullptr);
  // Hands everything to record.Adopt; its result: -1 when a merge found no
  // equal position (the record is then unchanged).
  int Install(Kifu& record, bool merge);

 private:
  KifuMoveNode* root_;
  KifuPositionTable* table_;
  SjisStringList* extra_;
  KifuPosition working_;
  // The moves from the root to the current one: stepping back follows the
  // way the reader came, also through positions that merged.
  std::vector<KifuMoveNode*> line_;
  // Position nodes of the table and of the line read, counted by key. When
  // every node of a key lies on the line, the equal positions are all
  // ancestors, where no merge may go, and the merge search is skipped: a
  // long line that keeps repeating positions would otherwise walk back
  // over the whole line at every move.
  std::unordered_map<uint64_t, int> tableKeys_;
  std::unordered_map<uint64_t, int> lineKeys_;
  // The position nodes of the line read, counted: ancestors every merge
  // skips without a walk.
  std::unordered_map<const KifuPositionNode*, int> onLine_;
  bool entered_ = false;
  bool installed_ = false;
};
