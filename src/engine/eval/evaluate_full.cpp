// The full evaluation and the king-relative value functions: every piece's
// material, piece-square value, king defence, attack-list entries and fixed
// attack and reserve values, the hands and the open-file term.
#include "engine/eval/evaluate_full.h"

#include <cassert>

#include "engine/eval/eval_tables.h"
#include "engine/eval/piece_square_table.h"

void SumOpenFileAccumulator(const Position& position, const EvalParams& params, EvalState& state, int side,
                            int enemyKingFile) {
  // Without a branch per file: which files hold a pawn follows no pattern.
  uint32_t sum = 0;
  for (int file = 1; file <= 9; ++file)
    sum += static_cast<uint32_t>(OpenFileWeight(params, enemyKingFile, file)) *
           static_cast<uint32_t>(position.PawnRankOnFile(side, file) == 0);
  state.side[side].openFileAccumulator = sum;
}

// Kept out of line: the full evaluation's loop calls it once per piece.
[[gnu::noinline]] void ApplyBoardTerms(const EvalParams& params, EvalState& state, int side, int type, int file,
                                       int rank, const KingSquares& kings, int sign) {
  ApplyBoardTermsWith(params, state, side, type, file, rank, kings, ComputedKingValues{params}, sign);
}

void EvaluateFull(const Position& position, EvalState* state) {
  const EvalParams& params = g_evalParams;
  const KingSquares kings = KingSquaresOf(position);
  assert(IsOnBoard(kings.file[0], kings.rank[0]) && IsOnBoard(kings.file[1], kings.rank[1]));
  for (int side = 0; side < 2; ++side) {
    ClearSideTerms(state->side[side]);
    state->defence[side] = EvalValuePair{};
    state->reserveValue[side] = 0;
    state->material[side] = EvalValuePair{};
    const int tokins = static_cast<int>(position.tokins[side].count);
    for (int i = 0; i < tokins; ++i) AddMaterial(*state, side, -TokinCrowding[i]);
  }
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1) continue;
    const int side = OwnerOf(piece.code), type = EvalTypeOf(piece.code);
    AddMaterial(*state, side, (type == KING ? 0 : PieceValue(params, type)) +
                                  PieceSquareValue(type, side, piece.file, piece.rank));
    ApplyBoardTerms(params, *state, side, type, piece.file, piece.rank, kings, +1);
  }
  for (int side = 0; side < 2; ++side) {
    const auto addHand = [&](int type) {
      for (int i = 0; i < HandCountOf(position, side, type); ++i) {
        AddMaterial(*state, side, HandValue(params, type, i));
        AddAttackSum(*state, side, HandAttackValue(params, type, i));
        AddToWord(state->reserveValue[side], HandReserveValue(params, type, i));
      }
    };
    for (int type = ROOK; type <= LANCE; ++type) addHand(type);
    for (int i = 1; i < static_cast<int>(position.handTotal[side]); ++i)
      SubAttackSum(*state, side, HandCountPenalty(params, i));
    addHand(PAWN);
    SumOpenFileAccumulator(position, params, *state, side, kings.file[1 - side]);
    AddOpenFileTerm(params, *state, side, HandCountOf(position, side, PAWN));
  }
}

