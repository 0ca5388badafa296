// The game-record graph's nodes: move nodes leading from one position node
// to the next, position nodes with their outgoing moves (variations) and
// incoming moves (merged transpositions), and the chooser that decides a
// merge. Every position node selects one outgoing and one incoming move.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "charset.h"
#include "engine/service/think_result.h"
#include "records/kifu_piece.h"
#include "records/kifu_position.h"
#include "records/sjis_string.h"

class KifuMoveNode;
class KifuPositionNode;
class KifuPositionTable;

// The most seconds a reader gives a move: a million minutes and 59 seconds,
// far beyond any game, and the most a KIF time field reads back, so that a
// time read from any format writes and reads again as KIF unchanged.
inline constexpr int32_t KIFU_MAX_CONSUMED_TIME = 1000000 * 60 + 59;

// A list of move nodes with a selected entry, grown in fixed steps. The
// capacity is kept beside the count so that growing never writes past the
// array, whatever made the list (a copy reserves exactly what it needs).
class MoveNodeList {
 public:
  // An empty list growing in steps of growStep entries.
  explicit MoveNodeList(int growStep) : step_(growStep) {}
  MoveNodeList(const MoveNodeList&) = delete;
  MoveNodeList& operator=(const MoveNodeList&) = delete;
  ~MoveNodeList() { delete[] entries_; }

  // Entries in the list.
  int Count() const { return count_; }
  // Entries the array holds before it must grow.
  int Capacity() const { return capacity_; }
  // The selected index (0 for an empty list).
  int SelectedIndex() const { return selected_; }
  // The selected entry, or null for an empty list.
  KifuMoveNode* Selected() const { return count_ > 0 ? entries_[selected_] : nullptr; }
  // The entry at index, or null outside the list.
  KifuMoveNode* At(int index) const { return index >= 0 && index < count_ ? entries_[index] : nullptr; }
  // The index of node, or -1.
  int IndexOf(const KifuMoveNode* node) const;
  // Selects index; false (nothing changes) outside the list.
  bool Select(int index);
  // Inserts at index (appends when negative or beyond the count); the
  // selected entry stays selected. Returns the index used.
  int Insert(KifuMoveNode* node, int index);
  // Removes the entry at index, shifting later ones down; the selected entry
  // stays selected, and when it was the one removed the selection keeps its
  // index, or becomes 0 past the end. False outside the list.
  bool RemoveAt(int index);
  // Moves the entry at index `from` to index `to`, shifting those between;
  // the selected entry stays selected.
  void Move(int from, int to);
  // Exchanges two entries; the selection follows the selected entry.
  void Swap(int a, int b);
  // Makes the list hold exactly count null entries (for a copy that fills
  // them by index); any earlier entries are dropped.
  void ResetToNulls(int count);
  // Stores node at index (inside the list).
  void Put(int index, KifuMoveNode* node) { entries_[index] = node; }
  // Sets the selected index without checks (copies only).
  void SetSelectedIndex(int index) { selected_ = index; }
  // Empties the list and frees its array.
  void Clear();

 private:
  bool GrowTo(int capacity);

  KifuMoveNode** entries_ = nullptr;
  int32_t count_ = 0;
  int32_t selected_ = 0;
  int32_t capacity_ = 0;
  int32_t step_;
};

// How AddMove treats a position already in the table: never merge, merge
// into the first candidate, or ask a function that picks an index among the
// candidates (negative or out of range: no merge).
class MergeChooser {
 public:
  using Function = std::function<int(KifuPositionNode* const* candidates, int count)>;

  // No merging.
  MergeChooser() = default;
  // Picks with the function.
  explicit MergeChooser(Function choose) : choose_(std::move(choose)), merges_(true) {}
  // No merging.
  static MergeChooser None() { return MergeChooser(); }
  // Always the first candidate.
  static MergeChooser TakeFirst();
  // The first candidate, where `known` names positions the caller knows to
  // be ancestors (the line it is reading), skipped without a walk.
  static MergeChooser TakeFirst(std::function<bool(const KifuPositionNode*)> known);

  // Whether a merge is considered at all.
  bool Merges() const { return merges_; }
  // The chosen index among count candidates (may be out of range: no merge).
  int Choose(KifuPositionNode* const* candidates, int count) const;
  // Whether only the first candidate matters (candidates after it need not
  // be looked for).
  bool TakesFirst() const { return takesFirst_; }
  // Whether the caller knows the node to be an ancestor of the move's position.
  bool IsKnownAncestor(const KifuPositionNode* node) const { return knownAncestor_ && knownAncestor_(node); }

 private:
  Function choose_;
  std::function<bool(const KifuPositionNode*)> knownAncestor_;
  bool merges_ = false;
  bool takesFirst_ = false;
};

// One move of the graph.
class KifuMoveNode {
 public:
  KifuMove move;                          // the root's is all zero with kind GameStart
  int32_t consumedTime = 0;               // seconds
  ThinkResult thinkResult;                // reset when the node is made
  SjisString comment;
  KifuPositionNode* leftNode = nullptr;     // the position before the move; null for the root
  KifuPositionNode* reachedNode = nullptr;  // the position after it; null only without a table
  SjisString notation;                    // kept by GetNotation

  KifuMoveNode() = default;
  KifuMoveNode(const KifuMoveNode&) = delete;
  KifuMoveNode& operator=(const KifuMoveNode&) = delete;

  // A copy of this node and everything after it, leaving newLeft, with its
  // positions in table; a position already copied (recorded in the source's
  // traversal mark) is reached again, so merges stay merged. The copy takes
  // the same index in its reached node's incoming list.
  KifuMoveNode* CopySubtree(KifuPositionNode* newLeft, KifuPositionTable* table) const;
  // For a root: takes it off its reached node and deletes everything after
  // that position, and the position itself when nothing else reaches it.
  void DetachSubtree(KifuPositionTable* table);
  // The move's notation in its left position (with the previous move's
  // destination), kept in `notation`; "== 対局開始 ==" for the root.
  SjisString& GetNotation();
  // The same text in one string shared by every caller (overwritten by the
  // next call).
  SjisString& GetNotationStatic() const;
  // The ply of the move: that of the position it reaches (one past the
  // position it leaves while it reaches none).
  int Ply() const;

 private:
  void WriteNotation(SjisString& out) const;
};

// One position of the graph.
class KifuPositionNode {
 public:
  static constexpr int OUTGOING_STEP = 8;
  static constexpr int INCOMING_STEP = 4;

  MoveNodeList outgoing{OUTGOING_STEP};  // variation order; index 0 the main continuation
  MoveNodeList incoming{INCOMING_STEP};  // the moves that reach this position
  KifuPositionNode* chainNext = nullptr;  // hash chain of the position table
  KifuPositionNode* chainPrev = nullptr;
  int32_t ply = 0;                        // moves from the root along the selected incoming moves
  KifuPositionKey key;
  KifuPosition position;
  uintptr_t traversalMark = 0;            // 0 at rest; the copy during a copy, a counter while sorting
  // Above the bound of every position a move leads here from, so that an
  // ancestor always has a lower bound: a cycle test stops where the bounds
  // fall to the candidate's instead of walking back to the root.
  int32_t depthBound = 0;
  uint64_t walkStamp = 0;                 // the last ancestor walk that met this node

  KifuPositionNode() = default;
  KifuPositionNode(const KifuPositionNode&) = delete;
  KifuPositionNode& operator=(const KifuPositionNode&) = delete;

  // Adds a move from this position and returns its node: an outgoing move
  // with the same eight bytes is returned as it is (selected with select);
  // else a new node (think result copied from tr, or reset) inserted at
  // insertIndex (appended when negative or beyond the count). Without a
  // table it reaches no position. With one, the move is played; with a
  // merging chooser, an equal position elsewhere in the graph that is not
  // this node or an ancestor may be chosen and reached (the new node becomes
  // its selected incoming move), else a new position node is made and
  // entered. A marker (kind other than Ordinary) reaches a new copy of this
  // position and never merges. Null, and nothing changed, for an ordinary
  // move that can't be played here.
  KifuMoveNode* AddMove(const KifuMove& move, int time, const ThinkResult* tr, int insertIndex,
                        KifuPositionTable* table, const MergeChooser& chooser, bool select);
  // Deletes the outgoing move at index (the selected one when out of range)
  // with everything only it reaches, and removes it from the list.
  void DeleteBranch(int index, KifuPositionTable* table);
  // Deletes every outgoing move; positions no other move reaches are
  // deleted with their continuations, merged ones survive.
  void DeleteSubtrees(KifuPositionTable* table);
  // Deletes the outgoing move nodes (not what they reach) and frees the list.
  void DeleteOutgoing();
  // Removes the outgoing entry at index without deleting it; false outside.
  bool RemoveOutgoingAt(int index);
  // Removes node from the incoming list; false when it is not there. When
  // the selection moves to another incoming move, the plies are renumbered.
  bool RemoveIncoming(KifuMoveNode* node);
  // Whether candidate is this node or an ancestor of it through incoming
  // moves. Only ancestors whose depth bound lies above the candidate's are
  // visited, each once.
  bool WouldMakeCycle(const KifuPositionNode* candidate) const;
  // Raises the depth bound to at least `minimum`, and those below it as far
  // as they must rise to stay above it (after a move reaches this node).
  void RaiseDepthBound(int32_t minimum);
  // Adds every move of other's graph here (appended, not selected, merging
  // into the first equal position), joining differing comments; each pair
  // of positions is grafted once.
  void GraftFrom(const KifuPositionNode* other, KifuPositionTable* table);
  // A copy of this node and its continuations, entered into table (the
  // traversal marks of the source graph must be 0 before the first call).
  KifuPositionNode* CopySubtree(KifuPositionTable* table) const;
  // Sets the ply of every node whose selected incoming move leads from this
  // node, and so on down, to its left node's ply + 1.
  void RenumberPlies();
};
