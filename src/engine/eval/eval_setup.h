// The per-think set-up of the root tables: the piece-square table of the
// stage, the stage tables, the root line weights and the castle grid, with
// the grid's accessors.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/senkei.h"

// Rebuilds every root table for the position, stage and strategies.
void InitEvalTables(const Position& position, GameStage stage, const SenkeiId pair[2]);
// Selects the active piece-square table and points g_activeRootEvalTables at the tables.
void SelectRootEvalTables();
// Presets RootLineWeight and the table after it to -99999; returns -99999.
int ResetRootLineWeights();
// Hand-total penalty n: 0, 5, 115, 155, then 180 (n 0..19).
int HandTotalPenalty(int n);
// Castle grid entry (plane x 10 + file) x 10 + rank.
int CastleGridGet(int plane, int file, int rank);
void CastleGridSet(int plane, int file, int rank, int value);
void CastleGridAdd(int plane, int file, int rank, int value);
// Whether either strategy is 居矢倉.
bool IsYaguraPair(const Position& position, const SenkeiId pair[2]);
