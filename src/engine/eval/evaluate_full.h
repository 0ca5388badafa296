// Full evaluation: EvaluateFull (the state from scratch, once per think at
// the root), EvalKingMoveUpdate (every king-relative contribution re-derived
// after a king move) and the state helpers both share with the incremental
// update; the value functions are in king_relative_values.h.
#pragma once

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
inline void ClearOpenFileAccumulator(EvalState& state, int side) { state.side[side].openFileAccumulator = 0; }
inline void AddOpenFileAccumulator(EvalState& state, int side, int weight) {
  state.side[side].openFileAccumulator += static_cast<uint32_t>(weight);
}
// The open-file term of the side with its accumulator and pawns in hand,
// added to or taken from its attackSum.
void AddOpenFileTerm(const EvalParams& params, EvalState& state, int side, int pawnsInHand);
void SubOpenFileTerm(const EvalParams& params, EvalState& state, int side, int pawnsInHand);
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
// Adds (sign +1) or takes away (sign -1) a board piece's contributions other
// than material: defence, attack-list entries, attackSum and reserve.
void ApplyBoardTerms(const EvalParams& params, EvalState& state, int side, int type, int file, int rank,
                     const KingSquares& kings, int sign);
// Moves a piece's two attack parts from its old square, type and enemy king
// to its new ones: replaced within a list, or removed and inserted across.
void ReplaceAttackParts(const EvalParams& params, EvalState& state, int side, int oldType, int oldFile, int oldRank,
                        int oldKingFile, int oldKingRank, int newType, int newFile, int newRank, int newKingFile,
                        int newKingRank);

// Builds the whole state from the position; leaves flags as they are.
void EvaluateFull(const Position& position, EvalState* state);
// Re-derives the king-relative contributions after the king of the side
// moved from old to new; the position already shows the move.
void EvalKingMoveUpdate(const Position& position, int side, int oldFile, int oldRank, int newFile, int newRank,
                        EvalState* state);
