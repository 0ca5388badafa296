// The king-relative value functions and the parameter accessors of the
// evaluation, inline: the full evaluation, the incremental update and the
// king-move update call them in their inner loops.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstdlib>

#include "engine/board/position.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_state.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/piece_square_table.h"

namespace eval_detail {

inline constexpr int EDGE_FILE_DEFENCE = 40;
inline constexpr int FAR_RANK_DEFENCE = 20;
inline constexpr int SILVER_EDGE_RANK_DEFENCE = 40;
inline constexpr int KNIGHT_EDGE_FILE_DEFENCE = 120;

inline bool IsEdgeFile(int file) { return file == 1 || file == 9; }

inline bool IsGoldLike(int type) {
  return type == GOLD || type == PRO_SILVER || type == PRO_KNIGHT || type == PRO_LANCE || type == TOKIN;
}

// The mean of the value and an entry one step nearer the board's middle,
// when that entry is larger; a king on file 1 or 9 sees every other file
// one step nearer.
inline int AverageIfLarger(int value, int nearer) { return nearer > value ? (value + nearer) / 2 : value; }
inline bool EdgeKingFileApplies(int kingFile, int file) { return (kingFile == 1 && file > 1) || (kingFile == 9 && file < 9); }

}  // namespace eval_detail

// The material value of a board piece by evaluation type.
inline int PieceValue(const EvalParams& params, int type) { return params.pieceValue[type]; }
// The king's square value of the side (low 16 bits of the entry).
inline int KingSquareValue(const EvalParams& params, int side, int file, int rank) {
  // Filled from 0 (file 1 at index 0): read with the same base, low 16 bits.
  return static_cast<int16_t>(params.kingSquareValue[side][file - 1][rank - 1]);
}
// Values of the index-th piece (from 0) of a base type in hand.
inline int HandValue(const EvalParams& params, int type, int index) { return params.handValue[type][index]; }
inline int HandAttackValue(const EvalParams& params, int type, int index) { return params.handSplit[type][index].handAttackValue; }
inline int HandReserveValue(const EvalParams& params, int type, int index) { return params.handSplit[type][index].handReserveValue; }
// Penalty of the count-th piece other than pawns in hand.
inline int HandCountPenalty(const EvalParams& params, int count) { return params.handCountPenalty[count]; }
// Open-file weight of a file by its distance from the enemy king's file.
inline int OpenFileWeight(const EvalParams& params, int enemyKingFile, int file) {
  return params.openFileWeight[std::abs(enemyKingFile - file)];
}
// Scale of the open-file term by the pawns in hand.
inline int OpenFileScale(const EvalParams& params, int pawnsInHand) { return params.openFileScale[pawnsInHand]; }

// The piece-square value of an evaluation type for the side on the square.
inline int PieceSquareValue(int type, int side, int file, int rank) {
  return g_activePieceSquareTable->At(g_pieceSquareRow[type], side, file, rank);
}

// King-defence value of a piece of the side against its own king.
inline int KingDefenceValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank) {
  const int row = DefenceRow[type];
  assert(row != NO_ROW);
  int distance = std::abs(kingFile - file);
  if (distance > 0 && eval_detail::IsEdgeFile(kingFile)) distance -= 1;
  const int fileClass = KingFileClassOf(kingFile, file);  // of the true files
  const int value = params.kingDefenceTable[side][row][rank - kingRank + 8][distance];
  return ((16384 - FileClassWeight[row][fileClass] * FileDistanceWeight[distance]) * value) >> 14;
}

// Both parts of a gold-like piece's or silver's attack on the enemy king:
// [0] the file part, [1] the rank part.
struct AttackParts {
  int part[2];
};
inline AttackParts KingAttackParts(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file,
                                   int rank) {
  assert(AttackRow[type] != NO_ROW);
  const auto& rows = params.kingAttackTable[side][AttackRow[type]];
  const int distance = std::abs(kingFile - file);
  AttackParts parts{};
  for (int part = 0; part < 2; ++part) {
    const auto entry = [&](int asKingRank, int atDistance) { return rows[asKingRank - rank + 8][atDistance][part]; };
    int value = entry(kingRank, distance);
    if (eval_detail::EdgeKingFileApplies(kingFile, file))
      value = eval_detail::AverageIfLarger(value, entry(kingRank, distance - 1));
    // A king on an edge rank is valued as if one rank in; on rank 9 whatever
    // the piece's rank (an asymmetry of the design, kept).
    if (kingRank == 1 && rank > 1)
      value = eval_detail::AverageIfLarger(value, entry(2, distance));
    else if (kingRank == 9)
      value = eval_detail::AverageIfLarger(value, entry(8, distance));
    parts.part[part] = value;
  }
  return parts;
}
// File part (0) or rank part (1) of the attack on the enemy king.
inline int KingAttackValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank,
                           int part) {
  return KingAttackParts(params, side, type, kingFile, kingRank, file, rank).part[part];
}

// Approach value of a knight, pawn or horse to the enemy king.
inline int KingApproachValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank) {
  const int row = ApproachRow[type];
  assert(row != NO_ROW);
  const int distance = std::abs(kingFile - file);
  const auto entry = [&](int asKingRank, int atDistance) {
    return params.kingApproachTable[side][row][asKingRank - rank + 8][atDistance];
  };
  int value = entry(kingRank, distance);
  if (eval_detail::EdgeKingFileApplies(kingFile, file)) value = eval_detail::AverageIfLarger(value, entry(kingRank, distance - 1));
  if (kingRank == 1 && rank > 1) value = eval_detail::AverageIfLarger(value, entry(2, distance));
  // Toward rank 8 the average is taken whether it raises the value or not.
  if (kingRank == 9 && rank < 9) value = (value + entry(8, distance)) / 2;
  return value;
}

// KingDefenceValue with the fixed edge adjustments EvaluateFull applies by type.
inline int AdjustedDefenceValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file,
                         int rank) {
  int value = KingDefenceValue(params, side, type, kingFile, kingRank, file, rank);
  if (eval_detail::IsGoldLike(type)) {
    if (eval_detail::IsEdgeFile(file)) value -= eval_detail::EDGE_FILE_DEFENCE;
    if (RelativeRank(side, rank) == 1) value -= eval_detail::FAR_RANK_DEFENCE;
  } else if (type == SILVER) {
    if (eval_detail::IsEdgeFile(file)) value -= eval_detail::EDGE_FILE_DEFENCE;
    if (rank == 1 || rank == 9) value -= eval_detail::SILVER_EDGE_RANK_DEFENCE;
  } else if (type == KNIGHT) {
    if (eval_detail::IsEdgeFile(file)) value -= eval_detail::KNIGHT_EDGE_FILE_DEFENCE;
  }
  return value;
}

// The attack list a piece's file part (FileListOf) or rank part (RankListOf) goes to.
inline int FileListOf(int file, int kingFile) { return file > kingFile ? FILE_LIST_HIGHER : FILE_LIST_LOWER_OR_EQUAL; }
inline int RankListOf(int rank, int kingRank) { return rank > kingRank ? RANK_LIST_HIGHER : RANK_LIST_LOWER_OR_EQUAL; }
