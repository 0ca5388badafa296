// Move lists by the record rules for the tests; the legality filter and
// perft are the record rules' own (records/kifu_legal_moves.h).
#pragma once

#include <cstdint>
#include <vector>

#include "records/kifu_legal_moves.h"
#include "records/kifu_position.h"

// Every pseudo-legal move of the side to move, in generation order.
std::vector<KifuMove> KifuGeneratedMoves(const KifuPosition& position);
// The legal moves of the side to move, in generation order.
std::vector<KifuMove> KifuLegalMoves(const KifuPosition& position);
