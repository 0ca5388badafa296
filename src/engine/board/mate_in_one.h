// Mate in one for the side to move: a pattern pre-test from the attack
// records around the enemy king, the quick tests that drop checks the king
// answers at once, the search itself (checks, make, look for an evasion,
// unmake) and a quick test for an attack next to the king the defender
// cannot outnumber.
#pragma once

#include "engine/board/position.h"
#include "engine/search/move_code.h"

// For a piece of a kind on king neighbour k, the neighbour bits it
// attacks. Kinds: 0 king and others, 1 rook, 2 bishop, 3 gold and promoted
// minors, 4 silver, 5 knight, 6 lance, 7 pawn, 8 dragon, 9 horse.
extern const uint8_t g_mateCoverMask[10][8];

// 1 when one of the patterns allows a mate in one, else 0.
int MateInOnePretest(const Position& position);
// For a checking move not yet made: 1 when the king can obviously answer it, else 0.
int KingCanAnswerCheck(const Position& position, const MoveRecord& check);
// Unlinks the checks the king obviously answers, lowering count per
// removal; returns the new head.
MoveRecord* FilterMateCandidateChecks(const Position& position, MoveRecord* head, int& count);
// 1 with the mating move in `out` when the side to move mates in one, else
// 0. Makes and unmakes on the position, which comes back unchanged.
int FindMateInOne(Position& position, MoveCode& out);
// 1 when the side to move has, next to the enemy king on a square the
// defender does not outnumber it on, an enemy piece to take or a checking
// drop; else 0.
int KingEscapeQuickTest(const Position& position);
