// The evaluation parameters of a think: built from the constant base tables,
// split and scaled by fixed factors, the line weights eased by how far the
// sides have developed and the silver grid bent by the castle rules. Also
// the play styles and the value lookups in the root tables.
#include "engine/eval/eval_params.h"

#include <cstdlib>
#include <cstring>

#include "engine/board/root_move_classification.h"
#include "engine/eval/eval_params_tables.h"
#include "engine/eval/king_relative_tables.h"
#include "engine/eval/piece_square_table.h"

EvalParams g_evalParams;
int32_t g_yaguraStrategyFlag;

const PlayStyle g_playStyles[PLAY_STYLE_COUNT] = {{"標準"}, {"強引"}, {"慎重"}};

int PlayStyleCount() { return PLAY_STYLE_COUNT; }

const char* GetPlayStyleName(int word) {
  const int index = word & 15;
  // Only 0-2 are styles; anything else reads as the standard style rather
  // than past the table.
  return g_playStyles[index < PLAY_STYLE_COUNT ? index : 0].name;
}

namespace {

using namespace eval_tables;

constexpr int MirroredOffset(int offset) { return KING_OFFSET_COUNT - 1 - offset; }
constexpr int CASTLE_LEFT_MINO = SENKEI_HIDARI_MINO;
constexpr int CASTLE_IBI_ANAGUMA = SENKEI_IBI_ANAGUMA;

void BuildHandValues(EvalParams* params) {
  std::memcpy(params->handValue, kHandValue, sizeof params->handValue);
  for (int kind = 1; kind < HAND_KIND_COUNT; ++kind) {
    for (int ordinal = 0; ordinal < HAND_ORDINAL_COUNT; ++ordinal) {
      const int value = kHandSplitBase[kind][ordinal];
      const int attack = static_cast<int>(value * kHandSplitFactor[kind]);
      params->handSplit[kind][ordinal] = {attack, value - attack};
    }
  }
}

void BuildKingTables(EvalParams* params) {
  for (int row = 0; row < KING_DEFENCE_ROWS; ++row) {
    for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset) {
      for (int d = 0; d < FILE_DISTANCE_COUNT; ++d) {
        int side0 = kKingDefenceBase[row][offset][d];
        int side1 = kKingDefenceBase[row][MirroredOffset(offset)][d];
        if (row == 2) {
          side0 = side0 * KNIGHT_DEFENCE_PERCENT / 100;
          side1 = side1 * KNIGHT_DEFENCE_PERCENT / 100;
        }
        params->kingDefenceTable[0][row][offset][d] = side0;
        params->kingDefenceTable[1][row][offset][d] = side1;
      }
    }
  }
  for (int side = 0; side < 2; ++side) {
    for (int row = 0; row < 6; ++row) {
      for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset) {
        const int source = side == 0 ? offset : MirroredOffset(offset);
        const int dy = std::abs(offset - 8);
        for (int d = 0; d < FILE_DISTANCE_COUNT; ++d) {
          const int value = kKingAttackBase[row][source][d] * 87 / 100;
          if (row >= KING_ATTACK_ROWS) {
            params->kingApproachTable[side][row - KING_ATTACK_ROWS][offset][d] = value;
          } else if (dy + d == 0) {
            params->kingAttackTable[side][row][offset][d][0] = value / 2;
            params->kingAttackTable[side][row][offset][d][1] = value / 2;
          } else {
            params->kingAttackTable[side][row][offset][d][0] = value * d / (dy + d);
            params->kingAttackTable[side][row][offset][d][1] = value * dy / (dy + d);
          }
        }
      }
    }
  }
}

// L1 once both sides are developed (formation distance 16 or more), eased
// linearly toward L0 below that.
void BuildLineWeights(EvalParams* params, const Position& position) {
  for (int i = 0; i < 9; ++i) params->lineWeight[i] = kLineWeightDeveloped[i];
  params->lineWeight[9] = LINE_OPEN_DEVELOPED;
  const int distance0 = FormationDistance(position, 0, 1);
  const int distance1 = FormationDistance(position, 1, 1);
  const int n = distance0 > distance1 ? distance0 : distance1;
  if (n < 16) {
    const double t = n * 0.0625;
    for (int i = 0; i < 9; ++i) {
      params->lineWeight[i] = static_cast<int>(kLineWeightUndeveloped[i] * (1 - t) + kLineWeightDeveloped[i] * t);
    }
    params->lineWeight[9] = static_cast<int>(LINE_OPEN_UNDEVELOPED * (1 - t) + LINE_OPEN_DEVELOPED * t);
  }
}

void BuildSideGrids(EvalParams* params, const SenkeiId pair[2]) {
  for (int side = 0; side < 2; ++side) {
    const bool leftCastle = pair[side] == CASTLE_LEFT_MINO || pair[side] == CASTLE_IBI_ANAGUMA;
    const int (&table)[10][10] = kCastleTable[leftCastle ? 1 : 0];
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        params->sideGridWeight[side][file][rank] =
            side == 0 ? table[TurnedFile(file)][TurnedRank(rank)] : table[file][rank];
      }
    }
  }
}

}  // namespace

void SetupEvalParameters(EvalParams* params, const Position& position, const SenkeiId pair[2]) {
  // Every field is rebuilt; clearing first keeps the unused slots (kind 0,
  // grid index 0) zero and makes two builds byte-identical.
  std::memset(params, 0, sizeof *params);
  BuildHandValues(params);
  std::memcpy(params->pieceValue, kPieceValue, sizeof params->pieceValue);
  BuildKingTables(params);
  std::memcpy(params->openFileWeight, kOpenFileWeight, sizeof params->openFileWeight);
  std::memcpy(params->openFileScale, kOpenFileScale, sizeof params->openFileScale);
  for (int i = 0; i < 9; ++i) {
    for (int j = 0; j < 9; ++j) {
      params->kingSquareValue[0][j][i] = kKingTable[i][j];
      params->kingSquareValue[1][j][8 - i] = kKingTable[i][j];
    }
  }
  BuildLineWeights(params, position);
  BuildSideGrids(params, pair);
  ApplyCastleFormationRules(params->sideGridWeight, position, pair, false, STAGE_OPENING);
  for (int rank = 1; rank <= 9; ++rank) {
    params->sideRankWeight[0][rank] = kSideRankBase[9 - rank];
    params->sideRankWeight[1][rank] = kSideRankBase[rank - 1];
  }
  std::memcpy(params->handCountPenalty, kHandCountPenalty, sizeof params->handCountPenalty);
  params->valid = 1;
}

int InitEvalParams(const Position& position, const SenkeiId pair[2]) {
  BuildEvalTables(STAGE_OPENING, pair);
  ApplyStrategyToEvalTables(position, STAGE_OPENING, pair);
  SetupEvalParameters(&g_evalParams, position, pair);
  BuildKingRelativeTables(g_evalParams);
  g_yaguraStrategyFlag = (pair[0] == SENKEI_I_YAGURA || pair[1] == SENKEI_I_YAGURA) ? 1 : 0;
  return g_yaguraStrategyFlag;
}
