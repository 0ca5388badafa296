// Random evaluation parameters for the evaluation tests.
#include "support/eval_params_fill.h"

#include <cstdlib>
#include <cstring>

#include "engine/eval/king_relative_tables.h"
#include "support/playout.h"

void FillRandomEvalParams(uint64_t seed, EvalParams& params, PieceSquareTable& table) {
  PlayoutRandom random{seed};
  const auto draw = [&](int low, int high) { return low + random.Below(high - low + 1); };
  std::memset(&params, 0, sizeof params);
  for (int kind = 1; kind < HAND_KIND_COUNT; ++kind)
    for (int i = 0; i < HAND_ORDINAL_COUNT; ++i)
      params.handValue[kind][i] = draw(0, 1300), params.handSplit[kind][i] = {draw(0, 900), draw(0, 500)};
  for (int type = 1; type < TYPE_TABLE_SIZE; ++type) params.pieceValue[type] = type == KING ? 1000000 : draw(50, 1300);
  for (int offset = 0; offset < KING_OFFSET_COUNT; ++offset)
    for (int distance = 0; distance < FILE_DISTANCE_COUNT; ++distance) {
      // King-relative attack entries fall to 0 away from the king, as the
      // tuned tables do, so that the attack lists rarely overflow.
      const int turned = KING_OFFSET_COUNT - 1 - offset, near = distance <= 4 && std::abs(offset - 8) <= 5;
      for (int row = 0; row < KING_DEFENCE_ROWS; ++row)
        params.kingDefenceTable[0][row][offset][distance] = params.kingDefenceTable[1][row][turned][distance] =
            draw(0, 800);
      for (int row = 0; row < KING_ATTACK_ROWS; ++row) {
        for (int part = 0; part < 2; ++part)
          params.kingAttackTable[0][row][offset][distance][part] =
              params.kingAttackTable[1][row][turned][distance][part] = near * draw(-20, 700);
        params.kingApproachTable[0][row][offset][distance] = params.kingApproachTable[1][row][turned][distance] =
            near * draw(-50, 200);
      }
    }
  for (int& weight : params.openFileWeight) weight = draw(0, 256);
  for (int& scale : params.openFileScale) scale = draw(0, 170);
  for (int n = 1; n < 20; ++n) params.handCountPenalty[n] = draw(0, 100);  // none before the second piece
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      params.kingSquareValue[0][file - 1][rank - 1] = params.kingSquareValue[1][9 - file][9 - rank] =
          draw(-1500, 1500);
      for (int row = 0; row < PIECE_ROW_COUNT; ++row)
        table.At(row, 0, file, rank) = table.At(row, 1, TurnedFile(file), TurnedRank(rank)) = draw(-300, 300);
    }
  params.valid = 1;
  BuildKingRelativeTables(params);
  g_activePieceSquareTable = &table;
}
