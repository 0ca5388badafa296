// The set-up half of a think at the search root: both sides' strategies,
// the game stage, the evaluation parameters and root tables, the generation
// stamps, the root's full evaluation and the attack history; the root
// list's filter and order; and the table restore that ends the think.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/senkei.h"
#include "engine/search/candidate_move_node.h"
#include "engine/search/node_state.h"

// What the game tells the think about the engine's side.
struct ThinkRequest {
  int engineSide;
  SenkeiMask allowed;    // the game's allowed ids for the engine's side
  SenkeiId current;      // the engine side's id so far
  SenkeiMask preferred;  // ids to choose first
};

// What the set-up decided.
struct ThinkSetup {
  SenkeiId senkei[2];  // by side
  GameStage stage;
};

// Whether both kings stand on the board: the king-relative tables need them.
bool HasBothKings(const Position& position);
// Runs the set-up in the root's order and fills out; -1, with nothing
// changed, for a position without both kings on the board.
int BeginThink(const Position& position, const ThinkRequest& request, NodeState& root, ThinkSetup& out);
// The part of the set-up after the decisions: the stage into g_gameStage,
// parameters and tables for the pair, the stamps, the root's full
// evaluation and the attack history.
void PrepareThink(const Position& position, const ThinkSetup& setup, NodeState& root);
// Drops the root moves that only put a piece back after the last two game
// moves, only when two or more moves were generated and both game moves
// exist (neither missing nor the null move); returns the head, null with a
// count of 0 when every move went (the list feeds the mate checks only).
MoveRecord* FilterRootList(MoveRecord* head, int& count, const MoveRecord* last, const MoveRecord* previous);
// Values the root candidates for the position and sorts them; returns the new first node.
CandidateMoveNode* OrderRootList(const Position& position, CandidateMoveNode* first);
// Ends the think: the engine side's table rows go back as they were saved.
void EndThink(const ThinkRequest& request);
