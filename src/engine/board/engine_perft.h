// Legal moves with the engine's own generator: GenerateAllMoves with the
// non-promoting twins it leaves out, made legal by the own king's safety
// and the pawn-drop-mate rule; and the legal-move tree size, what
// `kifu perft` counts.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// Writes every legal move of the side to move into `moves` (room for
// MAX_GENERATED_MOVES) and returns the count; generator order, each
// omitted twin right after its promoting move. Made and unmade in place:
// the position comes back unchanged.
int GenerateLegalMoves(Position& position, MoveRecord* moves);

// Number of legal move sequences of the given depth (1 for depth 0). The
// position is made and unmade in place and comes back unchanged.
uint64_t EnginePerft(Position& position, int depth);
