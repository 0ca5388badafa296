// Perft on the record side's rules: the moves GenerateMoves writes, less
// those leaving the mover's king attacked and the forbidden pawn-drop mates.
// The kifu command's "perft --rules" counts the same way.
#pragma once

#include <cstdint>
#include <vector>

#include "records/kifu_position.h"

// Every pseudo-legal move of the side to move, in generation order.
std::vector<KifuMove> KifuGeneratedMoves(const KifuPosition& position);
// The legal moves of the side to move, in generation order.
std::vector<KifuMove> KifuLegalMoves(const KifuPosition& position);
// Number of legal move sequences of the given depth (1 for depth 0).
uint64_t KifuPerft(const KifuPosition& position, int depth);
