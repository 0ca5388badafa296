// Strategy-dependent piece-square tables: the table object and the active
// pointer the evaluators read, its construction from the base diagrams for
// a stage and the two sides' strategies, the per-think strategy adjustment,
// and the per-root-move adjustment with its save and restore.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/eval/game_stage.h"
#include "engine/eval/senkei.h"

inline constexpr int PIECE_ROW_COUNT = 9;  // rook, bishop, gold, silver, knight, lance, pawn, king, dragon/horse
inline constexpr int BASE_TABLE_COUNT = 22;
enum PieceSquareRow : int {
  ROW_ROOK = 0, ROW_BISHOP = 1, ROW_GOLD = 2, ROW_SILVER = 3, ROW_KNIGHT = 4,
  ROW_LANCE = 5, ROW_PAWN = 6, ROW_KING = 7, ROW_PROMOTED_MAJOR = 8,
};

// Row of a PieceCode without owner bits: promoted minors share the gold row,
// dragon and horse row 8; -1 for codes with no row.
extern const int g_pieceSquareRow[TYPE_TABLE_SIZE];

// Rows 0-8 side 0, 9-17 side 1; inside a row SquareIndex(file, rank).
struct PieceSquareTable {
  uint32_t buildCount;  // raised by every build
  int value[2 * PIECE_ROW_COUNT][SQUARE_COUNT];

  int& At(int row, int side, int file, int rank) { return value[row + PIECE_ROW_COUNT * side][SquareIndex(file, rank)]; }
  int At(int row, int side, int file, int rank) const {
    return value[row + PIECE_ROW_COUNT * side][SquareIndex(file, rank)];
  }
};

// The table every evaluator reads; set only by SelectEvalTable.
extern PieceSquareTable* g_activePieceSquareTable;

// Base diagrams seen from side 0: [base index][stage][row][rank - 1][9 - file].
extern const int (&g_basePieceSquare)[BASE_TABLE_COUNT][GAME_STAGE_COUNT][PIECE_ROW_COUNT][9][9];

// One side's nine rows saved before a root move's adjustment, and the odd
// code of the rule that saved them (0 = nothing saved).
extern int g_savedSideRows[PIECE_ROW_COUNT][SQUARE_COUNT];
extern int g_tableModified;

// Points g_activePieceSquareTable at the table instance.
void SelectEvalTable();
// Fills the table instance for the stage and both sides' ids, then selects it.
void BuildEvalTables(GameStage stage, const SenkeiId pair[2]);
// Fills a table from the base diagrams; side 1's diagram is turned by 180 degrees.
void FillPieceSquareTable(PieceSquareTable* table, GameStage stage, const SenkeiId pair[2]);
// Base-table index of an id; ids without tables of their own get their
// nearest family's (never out of the table).
int SenkeiBaseIndex(SenkeiId id);
// The side-0 base value of a piece code on a square; 0 for a code with no row.
int BaseSquareValue(SenkeiId id, GameStage stage, PieceCode code, int file, int rank);
// The entry of the code's row for the side and square; nullptr for a code with no row.
int* TableEntry(PieceSquareTable* table, int side, PieceCode code, int file, int rank);

// Per-think strategy adjustment of the active table for both sides.
void ApplyStrategyToEvalTables(const Position& position, GameStage stage, const SenkeiId pair[2]);
// Temporary adjustment for one root move already made (the mover is the
// side not to move); saves the mover's rows first when a rule fires.
void AdjustTablesForMove(const Position& position, const MoveRecord& move, GameStage stage, SenkeiId moverId);
// Copies the side's nine rows of the active table into g_savedSideRows.
void SaveEvalTableSide(int side);
// Puts the saved rows back into the side's rows when something was saved.
void RestoreEvalTableSide(int side);
// Whether a quiet root move (already made) loosens the mover's castle.
bool WeakensFormation(const Position& position, const MoveRecord& move, const SenkeiId pair[2]);
