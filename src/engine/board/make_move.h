// Make and unmake of engine moves, in place, keeping every derived table and
// the per-square attack records exact; optionally recording per depth how
// the attack counts changed (the attack history read by the search).
#pragma once

#include <cstdint>

#include "engine/board/position.h"

inline constexpr int ATTACK_HISTORY_LAYERS = 44;

// Net change of each side's direct plus second-line attack count on one
// square caused by the move of one layer, with the links of the layer's list.
struct AttackChangeRecord {
  int8_t change[2];
  uint8_t file;
  uint8_t rank;
  AttackChangeRecord* next;
  AttackChangeRecord* previous;
};

struct AttackHistory {
  AttackChangeRecord layer[ATTACK_HISTORY_LAYERS][SQUARE_COUNT];

  AttackChangeRecord& At(int depth, int file, int rank) { return layer[depth][SquareIndex(file, rank)]; }
};

extern AttackHistory g_attackHistory;
// Head of the list of each make depth; the move that raises the depth from L
// to L+1 writes slot L+1. Slot 0 is never written.
extern AttackChangeRecord* g_attackHistoryLists[ATTACK_HISTORY_LAYERS + 1];
// Raised by every MakeMove and lowered by every UnmakeMove, recorded or not.
extern int g_attackHistoryDepth;

// Sets file and rank of every record, clears the changes and the depth.
void InitAttackHistory();

// Plays the move; with recordFlag 1 also keeps layer g_attackHistoryDepth.
void MakeMove(Position& position, const MoveRecord& move, int recordFlag);
// Takes back the last move made with the same record and the same flag.
void UnmakeMove(Position& position, const MoveRecord& move, int recordFlag);

// Removes a slider's attack on one square (direct set first, then second
// line); returns 0 when it was there, 1 when it was not.
int RemoveAttackerBit(Position& position, int side, int file, int rank, int id);
// Adds one ray of a slider from the square after (file, rank) in the
// absolute step (df, dr); startMode 0 direct, otherwise second line.
void AddSlidingRay(Position& position, int side, int file, int rank, int df, int dr, int startMode, int id,
                   int recordFlag);
// Removes one ray of a slider from the square after (file, rank): exactly
// what AddSlidingRay from there added on the same board, in the mode found
// on the first square.
void RemoveSlidingRay(Position& position, int side, int file, int rank, int df, int dr, int id, int recordFlag);
