// Legal moves and perft by the record rules: the moves GenerateMoves writes,
// less those leaving the mover's king attacked and the forbidden pawn-drop
// mates. What `kifu perft --rules` counts.
#pragma once

#include <cstdint>

#include "records/kifu_position.h"

// Plays a generated move on a copy of the position into `after`; false when
// the rules refuse it or it is not legal.
bool PlayLegalRecordMove(const KifuPosition& position, const KifuMove& move, KifuPosition& after);
// Number of legal move sequences of the given depth (1 for depth 0).
uint64_t RecordPerft(const KifuPosition& position, int depth);
