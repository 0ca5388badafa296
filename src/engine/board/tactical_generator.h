// Line tactics of the node search: moves that open an own rook's, bishop's
// or lance's line onto a valuable enemy piece, and golds and silvers sent
// against a rook on its fourth rank. The output is not de-duplicated.
#pragma once

#include "engine/board/board_move_generator.h"
#include "engine/board/position.h"

// Writes the line-tactic moves of the side to move in four patterns; while
// g_forcingMoveFilter is set a move also needs IsForcingMove (with `depth`)
// or a target on a changed square. Returns the count.
int GenerateTacticalMoves(const Position& position, const MoveRecord* line, int depth, MoveRecord* out,
                          int capacity = MAX_GENERATED_MOVES);
