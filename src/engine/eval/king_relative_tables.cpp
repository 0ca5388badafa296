// The king-relative tables: each entry is the value function's own result
// for a representative type of its kind, so that a reader cannot tell a
// table read from the computation.
#include "engine/eval/king_relative_tables.h"

#include <cstring>

#include "engine/eval/eval_tables.h"

KingRelativeTables g_kingRelativeTables;

namespace {

// One type per kind, in kind order.
constexpr int kDefenceKindType[DEFENCE_KIND_COUNT] = {GOLD, SILVER, KNIGHT, LANCE, PAWN, HORSE};
constexpr int kApproachKindType[APPROACH_KIND_COUNT] = {KNIGHT, PAWN};
constexpr int kAttackKindType[ATTACK_KIND_COUNT] = {GOLD, TOKIN, SILVER};

KingValueKinds MakeValueKinds() {
  KingValueKinds kinds{};
  for (int type = 0; type < TYPE_TABLE_SIZE; ++type) {
    kinds.defence[type] = DefenceRow[type];
    // Only knights and pawns carry an approach value on the board (a
    // horse's is flat).
    kinds.approach[type] = type == KNIGHT || type == PAWN ? ApproachRow[type] : NO_KIND;
    kinds.attack[type] = AttackRow[type];
  }
  return kinds;
}

KingPieceRows MakePieceRows(const KingValueKinds& byType) {
  KingPieceRows rows{};
  for (int side = 0; side < 2; ++side)
    for (int code = 0; code < 256; ++code) {
      const PieceCode pieceCode = static_cast<PieceCode>(code);
      const int type = TypeOf(pieceCode);
      const bool known = type < TYPE_TABLE_SIZE;
      const bool own = known && IsOwnedBy(pieceCode, side), enemy = known && IsOwnedBy(pieceCode, 1 - side);
      int row = ZERO_ROW;
      if (own && byType.defence[type] != NO_KIND) row = byType.defence[type];
      if (enemy && byType.approach[type] != NO_KIND) row = FIRST_APPROACH_ROW + byType.approach[type];
      const int attackKind = enemy ? byType.attack[type] : NO_KIND;
      rows.byCode[side][code] = {enemy ? APPROACH_LANE_FACTOR : DEFENCE_LANE_FACTOR,
                                 attackKind != NO_KIND ? ~uint64_t{0} : 0,
                                 static_cast<int16_t>(row * SQUARE_SLOT_COUNT), static_cast<int8_t>(attackKind)};
    }
  return rows;
}

int16_t AsWord(int value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); }

void BuildBlock(const EvalParams& params, int side, int kingFile, int kingRank, KingRelativeBlock& block) {
  std::memset(&block, 0, sizeof block);
  const int enemy = 1 - side;
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int slot = SquareIndex(file, rank);
      for (int kind = 0; kind < DEFENCE_KIND_COUNT; ++kind)
        block.pieceValue[kind][slot] =
            AsWord(AdjustedDefenceValue(params, side, kDefenceKindType[kind], kingFile, kingRank, file, rank));
      for (int kind = 0; kind < APPROACH_KIND_COUNT; ++kind)
        block.pieceValue[FIRST_APPROACH_ROW + kind][slot] =
            AsWord(KingApproachValue(params, enemy, kApproachKindType[kind], kingFile, kingRank, file, rank));
      for (int kind = 0; kind < ATTACK_KIND_COUNT; ++kind)
        block.attack[kind][slot] =
            KingAttackParts(params, enemy, kAttackKindType[kind], kingFile, kingRank, file, rank);
    }
}

}  // namespace

const KingValueKinds g_kingValueKinds = MakeValueKinds();
const KingPieceRows g_kingPieceRows = MakePieceRows(g_kingValueKinds);

void BuildKingRelativeTables(const EvalParams& params) {
  for (int side = 0; side < 2; ++side)
    for (int kingFile = 1; kingFile <= 9; ++kingFile)
      for (int kingRank = 1; kingRank <= 9; ++kingRank)
        BuildBlock(params, side, kingFile, kingRank, g_kingRelativeTables.block[side][SquareIndex(kingFile, kingRank)]);
}
