// The piece-square table instance, its construction from the base diagrams,
// and the save and restore of one side's rows around a root move.
#include "engine/eval/piece_square_table.h"

#include <cassert>
#include <cstring>

namespace {

PieceSquareTable g_pieceSquareTable{};

// Ids without diagrams of their own read their nearest family's:
// 4 攻向飛車, 11 筋違い角 and 17 力戦中飛車 the ranging rook with a Mino
// castle (3); 13 and 15, the handicap takers, the static rook's Yagura (1);
// 19 振り穴３八金 the ranging anaguma (9); 20 玉頭位取り the static rook's
// left Mino against a ranging rook (7); 22 ミレニアム the static rook's
// anaguma (8); 23-30, no strategy, undecided (0); 31 真矢倉 Yagura (1).
constexpr int kBaseIndex[SENKEI_NAME_COUNT] = {
    0, 1, 2, 3, 3, 5, 6, 7, 8, 9, 10, 3, 12, 1, 14, 1, 16, 3, 18, 9, 7, 21, 8,  // 0-22
    0, 0, 0, 0, 0, 0, 0, 0,                                                       // 23-30
    1,                                                                            // 31
};

}  // namespace

//                                             0   R  B  G  S  N  L  P  K   9-16 unused           +R +B 19 +S +N +L +P
const int g_pieceSquareRow[TYPE_TABLE_SIZE] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, -1, -1, -1, -1, -1, -1, -1, -1,
                                               8,  8, -1, 2, 2, 2, 2};

PieceSquareTable* g_activePieceSquareTable = &g_pieceSquareTable;
int g_savedSideRows[PIECE_ROW_COUNT][SQUARE_COUNT];
int g_tableModified = 0;

namespace {
int g_savedSide = 0;  // whose rows g_savedSideRows holds
}  // namespace

void SelectEvalTable() { g_activePieceSquareTable = &g_pieceSquareTable; }

int SenkeiBaseIndex(SenkeiId id) { return id >= 0 && id < SENKEI_NAME_COUNT ? kBaseIndex[id] : 0; }

void FillPieceSquareTable(PieceSquareTable* table, GameStage stage, const SenkeiId pair[2]) {
  assert(stage >= 0 && stage < GAME_STAGE_COUNT);
  const auto& side0 = g_basePieceSquare[SenkeiBaseIndex(pair[0])][stage];
  const auto& side1 = g_basePieceSquare[SenkeiBaseIndex(pair[1])][stage];
  for (int row = 0; row < PIECE_ROW_COUNT; ++row) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        table->At(row, 0, file, rank) = side0[row][rank - 1][9 - file];
        table->At(row, 1, file, rank) = side1[row][9 - rank][file - 1];  // the diagram turned
      }
    }
  }
  ++table->buildCount;
}

void BuildEvalTables(GameStage stage, const SenkeiId pair[2]) {
  FillPieceSquareTable(&g_pieceSquareTable, stage, pair);
  SelectEvalTable();
}

int BaseSquareValue(SenkeiId id, GameStage stage, PieceCode code, int file, int rank) {
  const int row = g_pieceSquareRow[TypeOf(code)];
  if (row < 0) return 0;
  return g_basePieceSquare[SenkeiBaseIndex(id)][stage][row][rank - 1][9 - file];
}

int* TableEntry(PieceSquareTable* table, int side, PieceCode code, int file, int rank) {
  const int type = TypeOf(code);
  const int row = type < TYPE_TABLE_SIZE ? g_pieceSquareRow[type] : -1;
  if (row < 0) return nullptr;
  return &table->At(row, side, file, rank);
}

void SaveEvalTableSide(int side) {
  std::memcpy(g_savedSideRows, g_activePieceSquareTable->value[PIECE_ROW_COUNT * side], sizeof g_savedSideRows);
  g_savedSide = side;
}

// The rows go back to the side they were taken from, whatever side the
// caller names: restoring one side's rows over the other's would corrupt
// both tables for the rest of the think.
void RestoreEvalTableSide(int /*side*/) {
  if (g_tableModified == 0) return;
  std::memcpy(g_activePieceSquareTable->value[PIECE_ROW_COUNT * g_savedSide], g_savedSideRows,
              sizeof g_savedSideRows);
  g_tableModified = 0;
}
