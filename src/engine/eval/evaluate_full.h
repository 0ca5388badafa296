// Full evaluation: EvaluateFull (the state from scratch, once per think at
// the root) and the state helpers it shares with the incremental update;
// the value functions are in king_relative_values.h.
#pragma once

#include <algorithm>

#include "engine/board/position.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_state.h"
#include "engine/eval/king_relative_values.h"

// Evaluation type of a piece: its code without the owner bits.
constexpr int EvalTypeOf(PieceCode code) { return TypeOf(code); }
// Whether the square lies in the side's enemy camp (its promotion zone).
constexpr bool InEnemyCamp(int side, int rank) { return IsPromotionZone(side, rank); }

// Pieces of a base type in the side's hand.
inline int HandCountOf(const Position& position, int side, int type) { return position.hand[side][type - 1]; }

// Zeroes one side's attack terms.
inline void ClearSideTerms(EvalSideTerms& terms) { terms = EvalSideTerms{}; }
inline void AddAttackSum(EvalState& state, int side, int value) { AddToWord(state.side[side].attackSum, value); }
inline void SubAttackSum(EvalState& state, int side, int value) { AddToWord(state.side[side].attackSum, -value); }
inline void AddMaterial(EvalState& state, int side, int value) { AddToWord(state.material[side].value, value); }
// The open-file term of the side with its accumulator and pawns in hand,
// added to or taken from its attackSum.
// Inline: every pawn move, pawn capture and king move changes the term.
inline constexpr int OPEN_FILE_CAP = 320;
inline int OpenFileTermOf(const EvalParams& params, const EvalState& state, int side, int pawnsInHand) {
  const int capped = static_cast<int>(std::min<uint32_t>(state.side[side].openFileAccumulator, OPEN_FILE_CAP));
  return capped * OpenFileScale(params, pawnsInHand) >> 8;
}
inline void AddOpenFileTerm(const EvalParams& params, EvalState& state, int side, int pawnsInHand) {
  AddAttackSum(state, side, OpenFileTermOf(params, state, side, pawnsInHand));
}
inline void SubOpenFileTerm(const EvalParams& params, EvalState& state, int side, int pawnsInHand) {
  SubAttackSum(state, side, OpenFileTermOf(params, state, side, pawnsInHand));
}
// The accumulator re-summed against the enemy king's file over the side's pawnless files.
void SumOpenFileAccumulator(const Position& position, const EvalParams& params, EvalState& state, int side,
                            int enemyKingFile);

// Shared with the incremental evaluation.
struct KingSquares {
  int file[2];
  int rank[2];
};
inline KingSquares KingSquaresOf(const Position& position) {
  return {{position.pieces[0].file, position.pieces[1].file}, {position.pieces[0].rank, position.pieces[1].rank}};
}

// The king-relative values of a piece of the side computed from the
// parameters, given the king it is valued against: its defence of its own
// king, its attack parts and approach value against the enemy king. The
// incremental update reads the same values from tables (TabledKingValues,
// which know their kings) through the same interface.
struct ComputedKingValues {
  const EvalParams& params;
  int Defence(int side, int type, int kingFile, int kingRank, int file, int rank) const {
    return AdjustedDefenceValue(params, side, type, kingFile, kingRank, file, rank);
  }
  AttackParts Attack(int side, int type, int kingFile, int kingRank, int file, int rank) const {
    return KingAttackParts(params, side, type, kingFile, kingRank, file, rank);
  }
  int Approach(int side, int type, int kingFile, int kingRank, int file, int rank) const {
    return KingApproachValue(params, side, type, kingFile, kingRank, file, rank);
  }
};

// Adds (sign +1) or takes away (sign -1) a board piece's contributions other
// than material: defence, attack-list entries, attackSum and reserve, with
// the king-relative values from `values` for the kings on `kings`. Always
// inlined: each caller's value source then lives in registers.
template <typename KingValues>
[[gnu::always_inline]] inline void ApplyBoardTermsWith(const EvalParams& params, EvalState& state, int side, int type,
                                                       int file, int rank, const KingSquares& kings,
                                                       const KingValues& values, int sign) {
  const int ownKingFile = kings.file[side], ownKingRank = kings.rank[side];
  const int enemyKingFile = kings.file[1 - side], enemyKingRank = kings.rank[1 - side];
  const bool inCamp = InEnemyCamp(side, rank);
  switch (type) {
    case ROOK:
      AddAttackSum(state, side, sign * (inCamp ? 650 : 150));
      AddToWord(state.reserveValue[side], sign * (inCamp ? 100 : 400));
      return;
    case BISHOP:
      AddAttackSum(state, side, sign * (inCamp ? 200 : 100));
      AddToWord(state.reserveValue[side], sign * 400);
      return;
    case DRAGON:
      AddAttackSum(state, side, sign * 750);
      AddToWord(state.reserveValue[side], sign * 135);
      return;
    case KING:
      AddToWord(state.defence[side].value, sign * KingSquareValue(params, side, file, rank));
      return;
    case HORSE:
      AddAttackSum(state, side, sign * 300);
      break;
    case KNIGHT:
    case PAWN:
      AddAttackSum(state, side, sign * values.Approach(side, type, enemyKingFile, enemyKingRank, file, rank));
      break;
    default:
      break;
  }
  AddToWord(state.defence[side].value, sign * values.Defence(side, type, ownKingFile, ownKingRank, file, rank));
  if (AttackRow[type] == NO_ROW) return;
  const AttackParts parts = values.Attack(side, type, enemyKingFile, enemyKingRank, file, rank);
  const int filePart = parts.part[0], rankPart = parts.part[1];
  uint16_t* fileList = state.side[side].attackList[FileListOf(file, enemyKingFile)];
  uint16_t* rankList = state.side[side].attackList[RankListOf(rank, enemyKingRank)];
  if (sign > 0) {
    TopSixInsert(fileList, filePart);
    TopSixInsert(rankList, rankPart);
  } else {
    TopSixRemove(fileList, filePart);
    TopSixRemove(rankList, rankPart);
  }
}
// The same with the values computed from the parameters.
void ApplyBoardTerms(const EvalParams& params, EvalState& state, int side, int type, int file, int rank,
                     const KingSquares& kings, int sign);
// Builds the whole state from the position; leaves flags as they are.
void EvaluateFull(const Position& position, EvalState* state);
