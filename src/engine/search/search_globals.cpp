// The search state shared with the move generators.
#include "engine/search/search_globals.h"

namespace {

// One record in front of ply 0, so that the move before the first one reads
// as the null move.
MoveRecord g_lineMoveStore[MAX_LINE_PLY + 1];

// The line starts out as null moves even before the first reset.
[[maybe_unused]] const bool g_lineReady = [] {
  for (MoveRecord& move : g_lineMoveStore) move.SetNull();
  return true;
}();

}  // namespace

MoveRecord g_moveBuffer[MOVE_BUFFER_SIZE];
int g_moveBufferTop = 0;
int g_ply = 0;
MoveRecord* const g_lineMoves = g_lineMoveStore + 1;
uint32_t g_nodeCount = 0;
uint32_t g_searchGeneration = 0;
uint32_t g_forcingMoveFilter = 0;

void ResetSearchGlobals() {
  for (MoveRecord& move : g_lineMoveStore) move.SetNull();
  g_moveBufferTop = 0;
  g_ply = 0;
  g_nodeCount = 0;
  g_searchGeneration = 0;
  g_forcingMoveFilter = 0;
}
