// Legal moves by the record rules: a generated move is legal when the rules
// let it be played, it leaves the mover's king unattacked and it is no
// pawn-drop mate. The filter the game flow, the tests and `kifu perft` share.
#pragma once

#include <cstdint>

#include "records/kifu_position.h"

// Plays a generated move on a copy of the position into `after`; false when
// the rules refuse it or it is not legal.
bool PlayLegalRecordMove(const KifuPosition& position, const KifuMove& move, KifuPosition& after);
// Number of legal move sequences of the given depth (1 for depth 0).
uint64_t RecordPerft(const KifuPosition& position, int depth);
