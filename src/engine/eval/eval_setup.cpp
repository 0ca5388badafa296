// The per-think set-up of the root tables: builders in a fixed order, then
// the castle blocks copied into the castle grid and its third plane (two
// rank rows and the yagura flag). Also the root tables' storage and the
// start-up preset of the root line weights.
#include "engine/eval/eval_setup.h"

#include "engine/eval/eval_params.h"
#include "engine/eval/eval_params_tables.h"
#include "engine/eval/piece_square_table.h"

RootEvalTables g_rootEvalTables;
RootEvalTables* g_activeRootEvalTables = &g_rootEvalTables;

int RootLineWeight[ROOT_LINE_WEIGHT_SIZE];
// Kept beside the line weights and preset with them; nothing reads it yet.
int g_rootLineWeightTail[26];

namespace {

using namespace eval_tables;

// Before main: nothing may read built-looking line weights before a think.
const int kRootLineWeightsPreset = ResetRootLineWeights();

constexpr int CASTLE_FLAG_INDEX = 200;
constexpr int CASTLE_ROW_REVERSED = 202;
constexpr int CASTLE_ROW_STORED = 212;

int* CastleGridFlat() { return &g_rootEvalTables.castleGrid[0][0][0]; }

// Block index m = stage + 2k, k = 1 for the left-side castles.
int CastleBlockIndex(GameStage stage, SenkeiId id) {
  const int left = (id == SENKEI_HIDARI_MINO || id == SENKEI_IBI_ANAGUMA) ? 1 : 0;
  return stage + 2 * left;
}

void CopyCastleBlocks(GameStage stage, const SenkeiId pair[2]) {
  const int (&block0)[10][10] = kCastleBlock[CastleBlockIndex(stage, pair[0])];
  const int (&block1)[10][10] = kCastleBlock[CastleBlockIndex(stage, pair[1])];
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      CastleGridSet(0, file, rank, block0[TurnedFile(file)][TurnedRank(rank)]);
      CastleGridSet(1, file, rank, block1[file][rank]);
    }
  }
}

}  // namespace

int ResetRootLineWeights() {
  for (int& entry : RootLineWeight) entry = -99999;
  for (int& entry : g_rootLineWeightTail) entry = -99999;
  return -99999;
}

void SelectRootEvalTables() {
  SelectEvalTable();
  g_activeRootEvalTables = &g_rootEvalTables;
}

int HandTotalPenalty(int n) {
  // Twenty pieces other than pawns exist; clamp so no count reads past.
  if (n < 0) return 0;
  return kHandTotalPenalty[n < 20 ? n : 19];
}

int CastleGridGet(int plane, int file, int rank) { return CastleGridFlat()[(plane * 10 + file) * 10 + rank]; }
void CastleGridSet(int plane, int file, int rank, int value) {
  CastleGridFlat()[(plane * 10 + file) * 10 + rank] = value;
}
void CastleGridAdd(int plane, int file, int rank, int value) {
  CastleGridFlat()[(plane * 10 + file) * 10 + rank] += value;
}

bool IsYaguraPair(const Position& /*position*/, const SenkeiId pair[2]) {
  return pair[0] == SENKEI_I_YAGURA || pair[1] == SENKEI_I_YAGURA;
}

void InitEvalTables(const Position& position, GameStage stage, const SenkeiId pair[2]) {
  BuildEvalTables(stage, pair);
  ApplyStrategyToEvalTables(position, stage, pair);
  SelectRootEvalTables();
  BuildStageTables(position, stage, &g_rootEvalTables);
  BuildRootLineWeights(position, stage, pair);
  CopyCastleBlocks(stage, pair);
  ScoreCastleFormation(position, stage, pair);
  int* flat = CastleGridFlat();
  for (int i = 0; i < 9; ++i) {
    flat[CASTLE_ROW_REVERSED + i] = kCastleRankRow[8 - i];
    flat[CASTLE_ROW_STORED + i] = kCastleRankRow[i];
  }
  flat[CASTLE_FLAG_INDEX] = 0;
  if (stage == STAGE_OPENING && IsYaguraPair(position, pair)) flat[CASTLE_FLAG_INDEX] = 1;
}
