// The full evaluation and the king-relative value functions: every piece's
// material, piece-square value, king defence, attack-list entries and fixed
// attack and reserve values, the hands and the open-file term.
#include "engine/eval/evaluate_full.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdlib>

#include "engine/eval/eval_tables.h"
#include "engine/eval/piece_square_table.h"

namespace {

constexpr int OPEN_FILE_CAP = 320;



}  // namespace


void AddOpenFileTerm(const EvalParams& params, EvalState& state, int side, int pawnsInHand) {
  const int capped = static_cast<int>(std::min<uint32_t>(state.side[side].openFileAccumulator, OPEN_FILE_CAP));
  AddAttackSum(state, side, capped * OpenFileScale(params, pawnsInHand) >> 8);
}

void SubOpenFileTerm(const EvalParams& params, EvalState& state, int side, int pawnsInHand) {
  const int capped = static_cast<int>(std::min<uint32_t>(state.side[side].openFileAccumulator, OPEN_FILE_CAP));
  SubAttackSum(state, side, capped * OpenFileScale(params, pawnsInHand) >> 8);
}

void SumOpenFileAccumulator(const Position& position, const EvalParams& params, EvalState& state, int side,
                            int enemyKingFile) {
  ClearOpenFileAccumulator(state, side);
  for (int file = 1; file <= 9; ++file)
    if (position.PawnRankOnFile(side, file) == 0)
      AddOpenFileAccumulator(state, side, OpenFileWeight(params, enemyKingFile, file));
}

void ApplyBoardTerms(const EvalParams& params, EvalState& state, int side, int type, int file, int rank,
                     const KingSquares& kings, int sign) {
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
      AddAttackSum(state, side,
                   sign * KingApproachValue(params, side, type, enemyKingFile, enemyKingRank, file, rank));
      break;
    default:
      break;
  }
  AddToWord(state.defence[side].value,
            sign * AdjustedDefenceValue(params, side, type, ownKingFile, ownKingRank, file, rank));
  if (AttackRow[type] == NO_ROW) return;
  const AttackParts parts = KingAttackParts(params, side, type, enemyKingFile, enemyKingRank, file, rank);
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

void ReplaceAttackParts(const EvalParams& params, EvalState& state, int side, int oldType, int oldFile, int oldRank,
                        int oldKingFile, int oldKingRank, int newType, int newFile, int newRank, int newKingFile,
                        int newKingRank) {
  const AttackParts oldParts = KingAttackParts(params, side, oldType, oldKingFile, oldKingRank, oldFile, oldRank);
  const AttackParts newParts = KingAttackParts(params, side, newType, newKingFile, newKingRank, newFile, newRank);
  for (int part = 0; part < 2; ++part) {
    const int oldValue = oldParts.part[part], newValue = newParts.part[part];
    const int oldList = part == 0 ? FileListOf(oldFile, oldKingFile) : RankListOf(oldRank, oldKingRank);
    const int newList = part == 0 ? FileListOf(newFile, newKingFile) : RankListOf(newRank, newKingRank);
    if (oldList == newList) {
      TopSixReplace(state, side, oldList, oldValue, newValue);
    } else {
      TopSixRemove(state, side, oldList, oldValue);
      TopSixInsert(state, side, newList, newValue);
    }
  }
}

void EvalKingMoveUpdate(const Position& position, int side, int oldFile, int oldRank, int newFile, int newRank,
                        EvalState* state) {
  const EvalParams& params = g_evalParams;
  const int other = 1 - side;
  int defence = 0;  // added to the 16-bit word once, which wraps the same
  const auto defenceShift = [&](int type, int file, int rank) {
    defence += KingDefenceValue(params, side, type, newFile, newRank, file, rank) -
               KingDefenceValue(params, side, type, oldFile, oldRank, file, rank);
  };
  const PieceCode ownHorse = static_cast<PieceCode>(OwnerBit(side) | HORSE);
  for (int id = 4; id <= 5; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file >= 1 && piece.code == ownHorse) defenceShift(HORSE, piece.file, piece.rank);
  }
  // Sorted first into the three kinds of update, without a branch per piece,
  // so that each loop below runs over its own pieces only.
  uint64_t ownPieces = 0, enemyAttackers = 0, enemyApproachers = 0;
  for (int id = 6; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    const int type = EvalTypeOf(piece.code);
    const uint64_t onBoard = piece.file >= 1, own = (piece.code & OwnerBit(side)) != 0;
    const uint64_t attacker = AttackRow[type] != NO_ROW, approacher = type == KNIGHT || type == PAWN;
    ownPieces |= (onBoard & own) << id;
    enemyAttackers |= (onBoard & (own ^ 1) & attacker) << id;
    enemyApproachers |= (onBoard & (own ^ 1) & approacher) << id;
  }
  for (; ownPieces != 0; ownPieces &= ownPieces - 1) {
    const PieceListEntry& piece = position.pieces[std::countr_zero(ownPieces)];
    defenceShift(EvalTypeOf(piece.code), piece.file, piece.rank);
  }
  for (; enemyAttackers != 0; enemyAttackers &= enemyAttackers - 1) {
    const PieceListEntry& piece = position.pieces[std::countr_zero(enemyAttackers)];
    const int type = EvalTypeOf(piece.code);
    ReplaceAttackParts(params, *state, other, type, piece.file, piece.rank, oldFile, oldRank, type, piece.file,
                       piece.rank, newFile, newRank);
  }
  int approach = 0;
  for (; enemyApproachers != 0; enemyApproachers &= enemyApproachers - 1) {
    const PieceListEntry& piece = position.pieces[std::countr_zero(enemyApproachers)];
    const int type = EvalTypeOf(piece.code);
    approach += KingApproachValue(params, other, type, newFile, newRank, piece.file, piece.rank) -
                KingApproachValue(params, other, type, oldFile, oldRank, piece.file, piece.rank);
  }
  AddAttackSum(*state, other, approach);
  AddToWord(state->defence[side].value, defence);
  if (newFile != oldFile) {
    SubOpenFileTerm(params, *state, other, HandCountOf(position, other, PAWN));
    SumOpenFileAccumulator(position, params, *state, other, newFile);
    AddOpenFileTerm(params, *state, other, HandCountOf(position, other, PAWN));
  }
}
