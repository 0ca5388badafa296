// The search state that the move generators and tests read: the shared
// move buffer, the current line of moves by ply, the node and generation
// counters and the follow-up key of the current node.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// Room of the shared move buffer: a full move list at each of the deepest
// lines the search keeps.
inline constexpr int MOVE_BUFFER_SIZE = 65536;
// Plies of the current line.
inline constexpr int MAX_LINE_PLY = 128;

extern MoveRecord g_moveBuffer[MOVE_BUFFER_SIZE];
// Index of the first free record of g_moveBuffer.
extern int g_moveBufferTop;
// The current search ply.
extern int g_ply;
// g_lineMoves[ply] is the move that led to the node at that ply; the
// generators also read g_lineMoves[ply - 1], so index -1 exists and holds
// the null move.
extern MoveRecord* const g_lineMoves;
// Nodes searched; the stamps of some generators' duplicate tables derive from it.
extern uint32_t g_nodeCount;
// Raised by the node search before it generates attacking moves; 0 at each think.
extern uint32_t g_searchGeneration;
// Follow-up key of the current node, 0 for none: while set, generators keep
// only the moves the forcing test accepts.
extern uint32_t g_forcingMoveFilter;

// Clears the line (every record the null move, including the one before
// ply 0), the buffer top, the ply and the counters.
void ResetSearchGlobals();
