// The full evaluation and the king-relative value functions: every piece's
// material, piece-square value, king defence, attack-list entries and fixed
// attack and reserve values, the hands and the open-file term.
#include "engine/eval/evaluate_full.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "engine/eval/eval_tables.h"
#include "engine/eval/piece_square_table.h"

namespace {

constexpr int EDGE_FILE_DEFENCE = 40;
constexpr int FAR_RANK_DEFENCE = 20;
constexpr int SILVER_EDGE_RANK_DEFENCE = 40;
constexpr int KNIGHT_EDGE_FILE_DEFENCE = 120;
constexpr int OPEN_FILE_CAP = 320;

bool IsEdgeFile(int file) { return file == 1 || file == 9; }

bool IsGoldLike(int type) {
  return type == GOLD || type == PRO_SILVER || type == PRO_KNIGHT || type == PRO_LANCE || type == TOKIN;
}

// Averages toward a nearer entry the tables give an edge king: a king on
// file 1 or 9 sees every other file one step nearer.
int TowardEdgeFile(int value, int nearer) { return nearer > value ? (value + nearer) / 2 : value; }
bool EdgeKingFileApplies(int kingFile, int file) { return (kingFile == 1 && file > 1) || (kingFile == 9 && file < 9); }

int KingFile(const Position& position, int side) { return position.pieces[side].file; }
int KingRank(const Position& position, int side) { return position.pieces[side].rank; }

}  // namespace

int PieceValue(const EvalParams& params, int type) { return params.pieceValue[type]; }
int KingSquareValue(const EvalParams& params, int side, int file, int rank) {
  // Filled from 0 (file 1 at index 0): read with the same base, low 16 bits.
  return static_cast<int16_t>(params.kingSquareValue[side][file - 1][rank - 1]);
}
int HandValue(const EvalParams& params, int type, int index) { return params.handValue[type][index]; }
int HandAttackValue(const EvalParams& params, int type, int index) { return params.handSplit[type][index].handAttackValue; }
int HandReserveValue(const EvalParams& params, int type, int index) { return params.handSplit[type][index].handReserveValue; }
int HandCountPenalty(const EvalParams& params, int count) { return params.handCountPenalty[count]; }
int OpenFileWeight(const EvalParams& params, int enemyKingFile, int file) {
  return params.openFileWeight[std::abs(enemyKingFile - file)];
}
int OpenFileScale(const EvalParams& params, int pawnsInHand) { return params.openFileScale[pawnsInHand]; }

int PieceSquareValue(int type, int side, int file, int rank) {
  return g_activePieceSquareTable->At(g_pieceSquareRow[type], side, file, rank);
}

int KingDefenceValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank) {
  const int row = DefenceRow[type];
  int distance = std::abs(kingFile - file);
  if (distance > 0 && IsEdgeFile(kingFile)) distance -= 1;
  const int fileClass = KingFileClassOf(kingFile, file);  // of the true files
  const int value = params.kingDefenceTable[side][row][rank - kingRank + 8][distance];
  return ((16384 - FileClassWeight[row][fileClass] * FileDistanceWeight[distance]) * value) >> 14;
}

int KingAttackValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank,
                    int part) {
  const int row = AttackRow[type];
  const int distance = std::abs(kingFile - file);
  const auto entry = [&](int asKingRank, int atDistance) {
    return params.kingAttackTable[side][row][asKingRank - rank + 8][atDistance][part];
  };
  int value = entry(kingRank, distance);
  if (EdgeKingFileApplies(kingFile, file)) value = TowardEdgeFile(value, entry(kingRank, distance - 1));
  // A king on an edge rank is valued as if one rank in; on rank 9 whatever
  // the piece's rank (an asymmetry of the design, kept).
  if (kingRank == 1 && rank > 1)
    value = TowardEdgeFile(value, entry(2, distance));
  else if (kingRank == 9)
    value = TowardEdgeFile(value, entry(8, distance));
  return value;
}

int KingApproachValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file, int rank) {
  const int row = ApproachRow[type];
  const int distance = std::abs(kingFile - file);
  const auto entry = [&](int asKingRank, int atDistance) {
    return params.kingApproachTable[side][row][asKingRank - rank + 8][atDistance];
  };
  int value = entry(kingRank, distance);
  if (EdgeKingFileApplies(kingFile, file)) value = TowardEdgeFile(value, entry(kingRank, distance - 1));
  if (kingRank == 1 && rank > 1) value = TowardEdgeFile(value, entry(2, distance));
  // Toward rank 8 the average is taken whether it raises the value or not.
  if (kingRank == 9 && rank < 9) value = (value + entry(8, distance)) / 2;
  return value;
}

int AdjustedDefenceValue(const EvalParams& params, int side, int type, int kingFile, int kingRank, int file,
                         int rank) {
  int value = KingDefenceValue(params, side, type, kingFile, kingRank, file, rank);
  if (IsGoldLike(type)) {
    if (IsEdgeFile(file)) value -= EDGE_FILE_DEFENCE;
    if (RelativeRank(side, rank) == 1) value -= FAR_RANK_DEFENCE;
  } else if (type == SILVER) {
    if (IsEdgeFile(file)) value -= EDGE_FILE_DEFENCE;
    if (rank == 1 || rank == 9) value -= SILVER_EDGE_RANK_DEFENCE;
  } else if (type == KNIGHT) {
    if (IsEdgeFile(file)) value -= KNIGHT_EDGE_FILE_DEFENCE;
  }
  return value;
}

int FileListOf(int file, int kingFile) { return file > kingFile ? FILE_LIST_HIGHER : FILE_LIST_LOWER_OR_EQUAL; }
int RankListOf(int rank, int kingRank) { return rank > kingRank ? RANK_LIST_HIGHER : RANK_LIST_LOWER_OR_EQUAL; }

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
  const int filePart = KingAttackValue(params, side, type, enemyKingFile, enemyKingRank, file, rank, 0);
  const int rankPart = KingAttackValue(params, side, type, enemyKingFile, enemyKingRank, file, rank, 1);
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

KingSquares KingSquaresOf(const Position& position) {
  return {{KingFile(position, 0), KingFile(position, 1)}, {KingRank(position, 0), KingRank(position, 1)}};
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
  for (int part = 0; part < 2; ++part) {
    const int oldValue = KingAttackValue(params, side, oldType, oldKingFile, oldKingRank, oldFile, oldRank, part);
    const int newValue = KingAttackValue(params, side, newType, newKingFile, newKingRank, newFile, newRank, part);
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
  const auto defenceShift = [&](int type, int file, int rank) {
    AddToWord(state->defence[side].value, KingDefenceValue(params, side, type, newFile, newRank, file, rank) -
                                              KingDefenceValue(params, side, type, oldFile, oldRank, file, rank));
  };
  const PieceCode ownHorse = static_cast<PieceCode>(OwnerBit(side) | HORSE);
  for (int id = 4; id <= 5; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file >= 1 && piece.code == ownHorse) defenceShift(HORSE, piece.file, piece.rank);
  }
  for (int id = 6; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1) continue;
    const int type = EvalTypeOf(piece.code);
    if (OwnerOf(piece.code) == side) {
      defenceShift(type, piece.file, piece.rank);
    } else if (AttackRow[type] != NO_ROW) {
      ReplaceAttackParts(params, *state, other, type, piece.file, piece.rank, oldFile, oldRank, type, piece.file,
                         piece.rank, newFile, newRank);
    } else if (type == KNIGHT || type == PAWN) {
      AddAttackSum(*state, other, KingApproachValue(params, other, type, newFile, newRank, piece.file, piece.rank) -
                                      KingApproachValue(params, other, type, oldFile, oldRank, piece.file, piece.rank));
    }
  }
  if (newFile != oldFile) {
    SubOpenFileTerm(params, *state, other, HandCountOf(position, other, PAWN));
    SumOpenFileAccumulator(position, params, *state, other, newFile);
    AddOpenFileTerm(params, *state, other, HandCountOf(position, other, PAWN));
  }
}
