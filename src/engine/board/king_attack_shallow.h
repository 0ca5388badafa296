// The shallow king-attack generator of the last plies: promotions,
// captures, checks next to the enemy king, line drops and line moves
// against it, each guarded by an exchange floor; plus the small ray and
// attacker-set helpers the evaluation shares.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_code_list.h"

// Exchange floor of the promotions and captures, by g_gameStage.
extern const int g_checkGainThreshold[3];

// Writes the moves at out and returns their number. `last` is the
// opponent's last move, `prev` the side's own previous move; `line` is not
// read. With a non-zero key every move passes IsThreatMove.
int GenerateKingAttackMovesShallow(const Position& position, const MoveRecord* line, const MoveRecord* last,
                                   const MoveRecord* prev, uint32_t key, const MoveCodeList& done, MoveRecord* out);

// Whether the PieceId (below 32) is in the low word of the side's direct attacker set.
bool IsAttackerBitSet(const SquareAttackRecord& record, int side, int id);
// Bits 4-7 plus bits 0-3 of the value.
constexpr int NibbleSum(uint32_t value) { return static_cast<int>(((value >> 4) & 0xf) + (value & 0xf)); }
// PieceId of the first non-empty cell from (file, rank) along the step,
// wall cells included (ids 41 and above).
int FirstPieceIdOnRay(const Position& position, int file, int rank, int fileStep, int rankStep);
// The piece-list entry of that PieceId.
const PieceListEntry& FirstPieceOnRay(const Position& position, int file, int rank, int fileStep, int rankStep);
