// Strategy re-decision: at the start of every think each side's strategy id
// is kept, refined or abandoned from the position, by mask tests, a small
// family of fixed-square classifiers and the engine's random choice.
// Squares in the rules are seen from the deciding side.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/senkei.h"

// ---------------------------------------------------------------------------
// Masks

// Whether the id (1-22) is in the mask.
constexpr bool HasSenkei(SenkeiMask mask, SenkeiId id) { return (mask & SenkeiBit(id)) != 0; }
// Puts the id into the mask.
constexpr void AddSenkei(SenkeiMask& mask, SenkeiId id) { mask |= SenkeiBit(id); }
// The mask without the id.
constexpr SenkeiMask RemoveSenkei(SenkeiMask mask, SenkeiId id) { return mask & ~SenkeiBit(id); }
// The mask with the id.
constexpr SenkeiMask WithSenkei(SenkeiMask mask, SenkeiId id) { return mask | SenkeiBit(id); }

// Group tests: true when any id of the group is in the mask.
bool MaskHasStaticRook(SenkeiMask mask);     // 1, 2, 10, 21, 18
bool MaskHasRangingRook(SenkeiMask mask);    // 3, 9, 4, 11
bool MaskHasAiFuri(SenkeiMask mask);         // 6
bool MaskHasAntiRanging(SenkeiMask mask);    // 5, 7, 8, 22
bool MaskHasHandicapUpper(SenkeiMask mask);  // 12, 14, 16
bool MaskHasHandicapLower(SenkeiMask mask);  // 13, 15
// Whether the mask's ids belong to one camp (static, ranging or 相振り, an
// anti-ranging part only when none of those is there); false when empty.
bool SingleCampMask(SenkeiMask mask);

// ---------------------------------------------------------------------------
// Decision

// The side's strategy id for this think, from the allowed ids, its current
// id and the preferred ids (the other side's call passes 0, 0, 0).
SenkeiId ReconsiderStrategy(const Position& position, int side, SenkeiMask allowed, SenkeiId current,
                            SenkeiMask preferred);
// The allowed ids still consistent with the position, or 0 when the set contradicts it.
SenkeiMask PositionSenkeiMask(const Position& position, int side, SenkeiMask allowed);
// One id of mask (of mask AND preferred when that is not empty) chosen by one
// draw of the engine random generator; 0, without a draw, for an empty mask.
SenkeiId RandomPick(SenkeiMask mask, SenkeiMask preferred);
// Rook class of the side: 0 static, 1 ranging, 2 central.
int RookClass(const Position& position, int side);

// ---------------------------------------------------------------------------
// Classifiers

SenkeiId ClassifyStaticVsStatic(const Position& position, int side, SenkeiMask preferred);
SenkeiId ClassifyStaticVsRanging(const Position& position, int side, SenkeiMask preferred);
SenkeiId ClassifyRangingVsStatic(const Position& position, int side);
// Draws one random number, which it discards, and returns 6.
SenkeiId ClassifyRangingVsRanging(const Position& position, int side);
// What stands in the way of a left-corner anaguma: 0 nothing, else a code (1, 2, 4, 5, 100).
int AnagumaObstacle(const Position& position, int side);
// The same for the right-corner (ranging-rook) anaguma: 0, 1, 2 or 100.
int RangingAnagumaObstacle(const Position& position, int side);
// The castle the side has built (3, 7, 9 or 8), or 0.
SenkeiId DetectCastle(const Position& position, int side);
// The side's king on files 1-4 (its right half) or 6-9 (its left half).
bool KingOnRightHalf(const Position& position, int side);
bool KingOnLeftHalf(const Position& position, int side);
