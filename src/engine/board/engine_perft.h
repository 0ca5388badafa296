// Legal-move tree size with the engine's own generator: GenerateAllMoves
// with the non-promoting twins it leaves out, made legal by the own king's
// safety and the pawn-drop-mate rule. What `kifu perft` counts.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// Number of legal move sequences of the given depth (1 for depth 0). The
// position is made and unmade in place and comes back unchanged.
uint64_t EnginePerft(Position& position, int depth);
