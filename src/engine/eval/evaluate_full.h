// Full evaluation: the king-relative value functions, the accessors of the
// evaluation parameters the state is built from, EvaluateFull (the state
// from scratch, once per think at the root) and EvalKingMoveUpdate (every
// king-relative contribution re-derived after a king move).
#pragma once

#include "engine/board/position.h"
#include "engine/eval/eval_params.h"
#include "engine/eval/eval_state.h"

// Evaluation type of a piece: its code without the owner bits.
constexpr int EvalTypeOf(PieceCode code) { return TypeOf(code); }
// Whether the square lies in the side's enemy camp (its promotion zone).
constexpr bool InEnemyCamp(int side, int rank) { return IsPromotionZone(side, rank); }

// King-defence value of a piece of the side against its own king.
int KingDefenceValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank);
// File part (0) or rank part (1) of a gold-like piece's or silver's attack
// on the enemy king.
int KingAttackValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank,
                    int part);
// Approach value of a knight, pawn or horse to the enemy king.
int KingApproachValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank);
// KingDefenceValue with the fixed edge adjustments EvaluateFull applies by type.
int AdjustedDefenceValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file,
                         int rank);

// Pieces of a base type in the side's hand.
inline int HandCountOf(const Position& position, int side, int type) { return position.hand[side][type - 1]; }
// Values of the index-th piece (from 0) of a base type in hand.
int HandValue(const EvalParams& params, int type, int index);
int HandAttackValue(const EvalParams& params, int type, int index);
int HandReserveValue(const EvalParams& params, int type, int index);
// Penalty of the count-th piece other than pawns in hand.
int HandCountPenalty(const EvalParams& params, int count);
// Open-file weight of a file by its distance from the enemy king's file.
int OpenFileWeight(const EvalParams& params, int enemyKingFile, int file);
// Scale of the open-file term by the pawns in hand.
int OpenFileScale(const EvalParams& params, int pawnsInHand);

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

// The piece-square value of an evaluation type for the side on the square.
int PieceSquareValue(int type, int side, int file, int rank);

// The material value of a board piece by evaluation type.
int PieceValue(const EvalParams& params, int type);
// The king's square value of the side (low 16 bits of the entry).
int KingSquareValue(const EvalParams& params, int side, int file, int rank);

// Shared with the incremental evaluation.
struct KingSquares {
  int file[2];
  int rank[2];
};
KingSquares KingSquaresOf(const Position& position);
// The attack list a piece's file part (FileListOf) or rank part (RankListOf) goes to.
int FileListOf(int file, int kingFile);
int RankListOf(int rank, int kingRank);
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
