// Formation adjusters: per-think nudges of the active piece-square table
// that draw one side toward the next move of its castle and attack plan.
// Squares in the rules are seen from the adjusted side.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/senkei.h"

// The family adjusters (every ranging-rook id; every static-vs-ranging id).
void AdjustRangingRook(const Position& position, GameStage stage, int side);
void AdjustStaticVsRanging(const Position& position, GameStage stage, int side);
// The strategy adjusters, one per id that has one.
void AdjustUndecided(const Position& position, int side, GameStage stage, const SenkeiId pair[2]);  // 0
void AdjustIYagura(const Position& position, int side);                                           // 1
void AdjustShikenMino(const Position& position, GameStage stage, int side);                        // 3
void AdjustFunaKyusen(const Position& position, GameStage stage, int side);                        // 5
void AdjustAiFuriKinMuso(const Position& position, GameStage stage, int side);                     // 6
void AdjustHidariMino(const Position& position, GameStage stage, int side);                        // 7
void AdjustIbiAnaguma(const Position& position, GameStage stage, int side);                        // 8
void AdjustNakaZumai(const Position& position, int side);                                          // 10

// Helpers the rules share: the king's lean toward its left (1) or right (-1),
// a truncated blend of two values, the king's wing (-1 left, 0 centre, +1
// right) and a file mirrored on demand.
double KingLean(const Position& position, int side);
int Blend(double t, int a, int b);
int KingSide(const Position& position, int side);
int MirrorFile(bool flag, int file);
