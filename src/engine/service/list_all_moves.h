// The developer's all-moves list: a think set up on a copy of the position
// as the search root does, and every move the engine considers there,
// ranked by its move-ordering value.
#pragma once

#include "engine/board/move_generators.h"
#include "engine/board/position.h"
#include "engine/search/think_setup.h"

struct ListedMove {
  MoveRecord move;  // links cleared
  int value;        // move-ordering value
  int gain;         // positional gain (0 for a drop)
};

struct AllMovesList {
  ThinkSetup setup;
  int count;
  ListedMove moves[MAX_GENERATED_MOVES];  // by value, descending; ties in generation order
  int kingAttackCount;                    // moves the king-attack generator proposes at depth 1
};

// Fills the list for the side to move: every legal move (GenerateLegalMoves),
// scored and sorted. The caller's position is
// not changed; the evaluation tables are those of the think set up. -1 for
// a position without both kings.
int ListAllMoves(const Position& position, const ThinkRequest& request, AllMovesList& out);
