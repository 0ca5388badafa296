// What a search node asks of the engine around its own loop: the silver it
// just advanced, the follow-up key it filters under, its static score, the
// null move it plays itself, and the depth limit of recorded makes.
#pragma once

#include <cstdint>

#include "engine/board/make_move.h"
#include "engine/board/position.h"
#include "engine/board/position_key.h"
#include "engine/eval/eval_state.h"

// 16 x file + rank of the silver that the node's move (the one before it,
// after a null move) advanced one rank straight forward into the middle, or 0.
int AdvancedSilverSquare();
// Sets g_forcingMoveFilter for the node at g_ply from the exchange its line
// ends with (depth: the node's remaining depth) and returns it; 0 for none.
uint32_t SetNodeFollowUpKey(const Position& position, int depth);
// The node's static score for the side to move: adds the enemy-king and
// pattern terms to the state unless both are in it already, then blends.
int NodeStaticScore(const Position& position, int advancedSilverSquare, const MoveRecord& nodeMove, EvalState& state);
// NodeStaticScore blended with the side to move's tokins pressing.
int NodeStaticScoreTokinAware(const Position& position, int advancedSilverSquare, const MoveRecord& nodeMove,
                              EvalState& state);

// What a null move overwrote, for its undo.
struct NullMoveUndo {
  MoveRecord lineRecord;
};
// Passes: the side to move flips, the key with it, g_ply rises and the line
// record there holds the null move. false, with nothing changed, when the
// line has no room for another ply.
bool MakeNullMove(Position& position, PositionKey& key, int handSide, NullMoveUndo& undo);
// Takes the null move back: side, key, ply and line record as they were.
void UnmakeNullMove(Position& position, PositionKey& key, int handSide, const NullMoveUndo& undo);
// Whether a make with recording still has an attack-history layer; ask before making.
bool CanMakeRecordedMove();
// The changed-square list of the last recorded make; nullptr when it changed
// nothing, or when no make is standing.
const AttackChangeRecord* LastRecordedMoveList();
