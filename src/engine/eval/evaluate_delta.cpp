// The incremental update of the evaluation state by one move, in the order
// of its parts: drop, board move by moving type, capture; and the lazily
// computed enemy-king term of rooks, bishops and lances.
#include "engine/eval/evaluate_delta.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>

#include "engine/eval/eval_tables.h"
#include "engine/eval/evaluate_full.h"
#include "engine/eval/king_relative_tables.h"

namespace {

// The king-relative values read from the blocks of the two kings.
struct TabledKingValues {
  KingSquares kings;
  const KingRelativeBlock* block[2];  // of each side's king

  explicit TabledKingValues(const KingSquares& squares)
      : kings(squares),
        block{&KingBlockAt(0, squares.file[0], squares.rank[0]), &KingBlockAt(1, squares.file[1], squares.rank[1])} {}
  int Defence(int side, int type, int file, int rank) const {
    return BlockDefence(*block[side], type, SquareIndex(file, rank));
  }
  AttackParts Attack(int side, int type, int file, int rank) const {
    return BlockAttack(*block[1 - side], type, SquareIndex(file, rank));
  }
  int Approach(int side, int type, int file, int rank) const {
    return BlockApproach(*block[1 - side], type, SquareIndex(file, rank));
  }
  // The interface of ComputedKingValues: the kings are those of the blocks.
  int Defence(int side, int type, int /*kingFile*/, int /*kingRank*/, int file, int rank) const {
    return Defence(side, type, file, rank);
  }
  AttackParts Attack(int side, int type, int /*kingFile*/, int /*kingRank*/, int file, int rank) const {
    return Attack(side, type, file, rank);
  }
  int Approach(int side, int type, int /*kingFile*/, int /*kingRank*/, int file, int rank) const {
    return Approach(side, type, file, rank);
  }
};

// Moves one attack part from its old value and list to the new ones:
// replaced within a list, or removed and inserted across.
inline void MoveAttackPart(EvalState& state, int side, int oldValue, int oldList, int newValue, int newList) {
  if (oldList == newList) {
    TopSixReplace(state, side, oldList, oldValue, newValue);
  } else {
    TopSixRemove(state, side, oldList, oldValue);
    TopSixInsert(state, side, newList, newValue);
  }
}
// Both parts of a piece, the file part first.
inline void MoveAttackParts(EvalState& state, int side, const AttackParts& oldParts, int oldFileList,
                            int oldRankList, const AttackParts& newParts, int newFileList, int newRankList) {
  MoveAttackPart(state, side, oldParts.part[0], oldFileList, newParts.part[0], newFileList);
  MoveAttackPart(state, side, oldParts.part[1], oldRankList, newParts.part[1], newRankList);
}

struct MoveContext {
  const EvalParams& params;
  const Position& position;
  EvalState& state;
  int mover;
  TabledKingValues values;  // the kings after the move
};

void AddDefence(MoveContext& c, int side, int value) { AddToWord(c.state.defence[side].value, value); }
void AddReserve(MoveContext& c, int side, int value) { AddToWord(c.state.reserveValue[side], value); }

int DefenceOf(const MoveContext& c, int side, int type, int file, int rank) {
  return c.values.Defence(side, type, file, rank);
}
int ApproachOf(const MoveContext& c, int side, int type, int file, int rank) {
  return c.values.Approach(side, type, file, rank);
}

// The new type's attack parts at the destination (a promotion to a
// gold-like piece from a type that had none).
void InsertAttackParts(MoveContext& c, int type, int file, int rank) {
  const int side = c.mover;
  const AttackParts parts = c.values.Attack(side, type, file, rank);
  TopSixInsert(c.state, side, FileListOf(file, c.values.kings.file[1 - side]), parts.part[0]);
  TopSixInsert(c.state, side, RankListOf(rank, c.values.kings.rank[1 - side]), parts.part[1]);
}

void ChangeOpenFileTerm(MoveContext& c, int side, int pawnsInHand, int accumulatorChange) {
  SubOpenFileTerm(c.params, c.state, side, pawnsInHand);
  c.state.side[side].openFileAccumulator += static_cast<uint32_t>(accumulatorChange);
  AddOpenFileTerm(c.params, c.state, side, pawnsInHand);
}

void RescaleOpenFileTerm(MoveContext& c, int side, int oldPawnsInHand, int newPawnsInHand) {
  SubOpenFileTerm(c.params, c.state, side, oldPawnsInHand);
  AddOpenFileTerm(c.params, c.state, side, newPawnsInHand);
}

void ApplyDrop(MoveContext& c, const MoveRecord& move) {
  const int side = c.mover, type = BaseTypeOf(move.pieceCode), file = move.toFile, rank = move.toRank;
  const int left = HandCountOf(c.position, side, type);  // index of the piece that left the hand
  AddMaterial(c.state, side,
              PieceSquareValue(type, side, file, rank) + PieceValue(c.params, type) - HandValue(c.params, type, left));
  SubAttackSum(c.state, side, HandAttackValue(c.params, type, left));
  AddReserve(c, side, -HandReserveValue(c.params, type, left));
  if (type != PAWN)
    AddAttackSum(c.state, side, HandCountPenalty(c.params, static_cast<int>(c.position.handTotal[side])));
  ApplyBoardTermsWith(c.params, c.state, side, type, file, rank, c.values.kings, c.values, +1);
  if (type == PAWN) {
    SubOpenFileTerm(c.params, c.state, side, left + 1);
    const int weight = OpenFileWeight(c.params, c.values.kings.file[1 - side], file);
    c.state.side[side].openFileAccumulator -= static_cast<uint32_t>(weight);
    AddOpenFileTerm(c.params, c.state, side, left);
  }
}

// The mover's pawn count in hand before this move's capture.
int PawnsInHandBeforeCapture(const MoveContext& c, const MoveRecord& move) {
  const int pawns = HandCountOf(c.position, c.mover, PAWN);
  return move.IsCapture() && BaseTypeOf(move.capturedCode) == PAWN ? pawns - 1 : pawns;
}

void ApplyBoardMove(MoveContext& c, const MoveRecord& move) {
  const int side = c.mover, other = 1 - side;
  const int type = TypeOf(move.pieceCode), newType = move.promote ? type | PROMOTED_BIT : type;
  const int f0 = move.fromFile, r0 = move.fromRank, f1 = move.toFile, r1 = move.toRank;
  AddMaterial(c.state, side,
              PieceSquareValue(newType, side, f1, r1) - PieceSquareValue(type, side, f0, r0) -
                  PieceValue(c.params, type) + PieceValue(c.params, newType));
  const bool fromCamp = InEnemyCamp(side, r0);
  switch (type) {
    case ROOK:
      // Entering or leaving the camp unpromoted keeps the rook's camp values
      // until the next full evaluation: deliberate, it saves the work.
      if (!move.promote) return;
      AddAttackSum(c.state, side, 750 - (fromCamp ? 650 : 150));
      AddReserve(c, side, 135 - (fromCamp ? 100 : 400));
      return;
    case BISHOP:
      if (!move.promote) return;
      AddAttackSum(c.state, side, 300 - (fromCamp ? 200 : 100));
      AddReserve(c, side, -400);
      AddDefence(c, side, DefenceOf(c, side, HORSE, f1, r1));
      return;
    case DRAGON:
      return;
    case HORSE:
      AddDefence(c, side, DefenceOf(c, side, HORSE, f1, r1) - DefenceOf(c, side, HORSE, f0, r0));
      return;
    case KING:
      AddDefence(c, side, KingSquareValue(c.params, side, f1, r1) - KingSquareValue(c.params, side, f0, r0));
      EvalKingMoveUpdate(c.position, side, f0, r0, f1, r1, &c.state);
      return;
    case KNIGHT:
    case LANCE:
    case PAWN:
      if (move.promote) {
        InsertAttackParts(c, newType, f1, r1);
        AddDefence(c, side, DefenceOf(c, side, newType, f1, r1) - DefenceOf(c, side, type, f0, r0));
        if (type != LANCE) SubAttackSum(c.state, side, ApproachOf(c, side, type, f0, r0));
        if (type == PAWN) {
          const int pawns = PawnsInHandBeforeCapture(c, move);
          ChangeOpenFileTerm(c, side, pawns, OpenFileWeight(c.params, c.values.kings.file[other], f0));
          SubMaterial(c.state, side, TokinCrowding[c.position.tokins[side].count - 1]);
        }
      } else {
        if (type != LANCE)
          AddAttackSum(c.state, side, ApproachOf(c, side, type, f1, r1) - ApproachOf(c, side, type, f0, r0));
        AddDefence(c, side, DefenceOf(c, side, type, f1, r1) - DefenceOf(c, side, type, f0, r0));
      }
      return;
    default: {  // gold, silver and the gold-like promoted pieces
      const int kingFile = c.values.kings.file[other], kingRank = c.values.kings.rank[other];
      MoveAttackParts(c.state, side, c.values.Attack(side, type, f0, r0), FileListOf(f0, kingFile),
                      RankListOf(r0, kingRank), c.values.Attack(side, newType, f1, r1), FileListOf(f1, kingFile),
                      RankListOf(r1, kingRank));
      AddDefence(c, side, DefenceOf(c, side, newType, f1, r1) - DefenceOf(c, side, type, f0, r0));
      return;
    }
  }
}

void ApplyCapture(MoveContext& c, const MoveRecord& move) {
  const int side = c.mover, other = 1 - side;
  const int type = TypeOf(move.capturedCode), base = BaseTypeOf(move.capturedCode);
  const int file = move.toFile, rank = move.toRank;
  const int index = HandCountOf(c.position, side, base) - 1;  // the captured piece's place in hand
  if (base <= PAWN) {
    AddMaterial(c.state, side, HandValue(c.params, base, index));
    AddAttackSum(c.state, side, HandAttackValue(c.params, base, index));
    AddReserve(c, side, HandReserveValue(c.params, base, index));
    if (base != PAWN)
      SubAttackSum(c.state, side, HandCountPenalty(c.params, static_cast<int>(c.position.handTotal[side]) - 1));
  }
  SubMaterial(c.state, other, PieceValue(c.params, type) + PieceSquareValue(type, other, file, rank));
  // The parent holds the captured piece's attack on the mover's king as it
  // stood before the move: a capturing king takes them away from its old
  // square, so that nothing of the piece is left in the lists.
  const bool kingMoved = TypeOf(move.pieceCode) == KING;
  if (kingMoved) {
    KingSquares asInParent = c.values.kings;
    asInParent.file[side] = move.fromFile;
    asInParent.rank[side] = move.fromRank;
    ApplyBoardTermsWith(c.params, c.state, other, type, file, rank, asInParent, TabledKingValues(asInParent), -1);
  } else {
    ApplyBoardTermsWith(c.params, c.state, other, type, file, rank, c.values.kings, c.values, -1);
  }
  if (type == PAWN && !(kingMoved && move.fromFile != move.toFile))
    ChangeOpenFileTerm(c, other, HandCountOf(c.position, other, PAWN),
                       OpenFileWeight(c.params, c.values.kings.file[side], file));
  if (base == PAWN) RescaleOpenFileTerm(c, side, index, index + 1);
  if (type == TOKIN) AddMaterial(c.state, other, TokinCrowding[c.position.tokins[other].count]);
}

}  // namespace

void EvalKingMoveUpdate(const Position& position, int side, int oldFile, int oldRank, int newFile, int newRank,
                        EvalState* state) {
  const EvalParams& params = g_evalParams;
  const int other = 1 - side;
  const KingRelativeBlock& before = KingBlockAt(side, oldFile, oldRank);
  const KingRelativeBlock& after = KingBlockAt(side, newFile, newRank);
  // Every piece from the bishops on (rooks and dragons have no king-relative
  // value): each code reads its row without a branch (the side's own pieces
  // their defence, the enemy's their approach, everything else and a piece
  // off the board entries of 0) and sums it in its lane. The sums go to the
  // 16-bit words once, which wrap the same.
  const int16_t* afterValues = &after.pieceValue[0][0];
  const int16_t* beforeValues = &before.pieceValue[0][0];
  const KingPieceRow* rows = g_kingPieceRows.byCode[side];
  int64_t sum = 0;
  uint64_t attackers = 0;
  const auto addPiece = [&](int id) {
    const PieceListEntry& piece = position.pieces[id];
    const KingPieceRow& row = rows[piece.code];
    const ptrdiff_t at = row.valueRowStart + SquareSlotOf(piece);
    sum += (int64_t{afterValues[at]} - int64_t{beforeValues[at]}) * row.laneFactor;
    attackers |= (uint64_t{1} << id) & row.attackerMask;
  };
  constexpr int FIRST_BISHOP_ID = 4, FIRST_PAWN_ID = 22;
  for (int id = FIRST_BISHOP_ID; id < FIRST_PAWN_ID; ++id) addPiece(id);
  // Half the pieces are pawns, many of them in hands: the unpromoted ones on
  // the board are read from each side's pawn files (one a file, rank 0 none),
  // the promoted ones from its tokin list (whose count and ids are bounded,
  // so that not even a corrupt list is read past).
  for (int owner = 0; owner < 2; ++owner) {
    const KingPieceRow& pawnRow = rows[OwnerBit(owner) | PAWN];
    int64_t pawnSum = 0;
    for (int file = 1; file <= 9; ++file) {
      const ptrdiff_t at = pawnRow.valueRowStart + SquareSlotOf(file, position.PawnRankOnFile(owner, file));
      pawnSum += int64_t{afterValues[at]} - int64_t{beforeValues[at]};
    }
    sum += pawnSum * pawnRow.laneFactor;
    const TokinList& tokins = position.tokins[owner];
    for (uint32_t i = 0; i < std::min<uint32_t>(tokins.count, PIECE_COUNT - FIRST_PAWN_ID); ++i)
      addPiece(static_cast<int>(std::min<uint32_t>(tokins.ids[i], PIECE_COUNT - 1)));
  }
  AddToWord(state->defence[side].value, DefenceSumOf(sum));
  AddAttackSum(*state, other, ApproachSumOf(sum));
  // The attack lists depend on the order of their updates: by piece id.
  for (; attackers != 0; attackers &= attackers - 1) {
    const PieceListEntry& piece = position.pieces[std::countr_zero(attackers)];
    const int kind = rows[piece.code].attackKind, slot = SquareSlotOf(piece);
    if (slot == OFF_BOARD_SLOT) continue;  // in a hand: no parts
    MoveAttackParts(*state, other, before.attack[kind][slot], FileListOf(piece.file, oldFile),
                    RankListOf(piece.rank, oldRank), after.attack[kind][slot], FileListOf(piece.file, newFile),
                    RankListOf(piece.rank, newRank));
  }
  if (newFile != oldFile) {
    SubOpenFileTerm(params, *state, other, HandCountOf(position, other, PAWN));
    SumOpenFileAccumulator(position, params, *state, other, newFile);
    AddOpenFileTerm(params, *state, other, HandCountOf(position, other, PAWN));
  }
}

void EvaluateMoveDelta(const MoveRecord& move, const Position& position, const EvalState& parent, EvalState* child) {
  *child = parent;
  for (int side = 0; side < 2; ++side) {
    child->side[side].enemyKingTerm = 0;
    child->defence[side].addend = 0;
    child->material[side].addend = 0;
  }
  child->flags = 0;
  MoveContext context{g_evalParams, position, *child, 1 - position.sideToMove, TabledKingValues(KingSquaresOf(position))};
  if (move.IsDrop()) {
    ApplyDrop(context, move);
    return;
  }
  ApplyBoardMove(context, move);
  if (move.IsCapture()) ApplyCapture(context, move);
}

// ---------------------------------------------------------------------------
// The enemy-king term

namespace {

constexpr int OWN_LINE_END_WEIGHT = 80;

// The first cell that is not empty from a square in a step: a piece, or the
// wall (which the rook lines count as the rook owner's own).
struct LineEnd {
  int file;
  int rank;
  bool wall;
  PieceCode code;  // 0 for the wall
};

LineEnd FirstOccupied(const Position& position, int file, int rank, int df, int dr) {
  for (int x = file + df, y = rank + dr;; x += df, y += dr) {
    if (!IsOnBoard(x, y)) return {x, y, true, 0};
    if (!position.IsEmpty(x, y)) return {x, y, false, position.PieceCodeAt(x, y)};
  }
}

int KingDistance(const LineEnd& end, int kingFile, int kingRank) {
  return std::max(std::abs(end.file - kingFile), std::abs(end.rank - kingRank));
}

// How well the target's owner holds its square against the attacker's side,
// 0..3; with the pawn rule a pawn of the owner right behind it adds one.
int SupportClass(const Position& position, int attacker, const LineEnd& target, bool pawnRule) {
  const int owner = 1 - attacker;
  int support = position.AttackCountWithXray(owner, target.file, target.rank) -
                position.AttackCountWithXray(attacker, target.file, target.rank) + 1;
  const int behind = target.rank - SideSign(owner);
  if (pawnRule && IsOnBoard(target.file, behind) && position.PieceCodeAt(target.file, behind) == (OwnerBit(owner) | PAWN))
    support += 1;
  return std::clamp(support, 0, 3);
}

int TargetValue(const int* typeWeight, int support, int distance, PieceCode code) {
  return typeWeight[BaseTypeOf(code)] * TargetSupportWeight[support] * TargetDistanceWeightAt(distance) >> 16;
}

// The last rank-direction value and whose rook gave it, for doubled rooks.
struct RookLineMemory {
  bool doubledRooks = false;
  bool haveValue = false;
  int side = 0;
  int value = 0;
};

void AddRookTerm(const Position& position, int id, int* total, RookLineMemory& memory) {
  const PieceListEntry& rook = position.pieces[id];
  const int side = OwnerOf(rook.code), enemy = 1 - side;
  const int kingFile = position.pieces[enemy].file, kingRank = position.pieces[enemy].rank;
  const bool active = IsPromoted(rook.code) || InEnemyCamp(side, rook.rank);
  const int rankGap = std::abs(rook.rank - kingRank);
  if (active && rankGap <= 3) {
    const int df = rook.file < kingFile ? 1 : -1;
    const LineEnd end = FirstOccupied(position, rook.file, rook.rank, df, 0);
    const int filesToKing = df > 0 ? kingFile - end.file : end.file - kingFile;
    const int rankGroup = rankGap <= 1 ? 0 : rankGap - 1;
    total[side] += RookRankBonusAt(4 * rankGroup + std::max(filesToKing, 0));
  }
  for (int df = -1; df <= 1; df += 2) {
    const LineEnd end = FirstOccupied(position, rook.file, rook.rank, df, 0);
    if (!end.wall && IsOwnedBy(end.code, side) && BaseTypeOf(end.code) == ROOK) memory.doubledRooks = true;
    if (end.wall || !IsOwnedBy(end.code, enemy)) continue;
    const int distance = KingDistance(end, kingFile, kingRank);
    if (distance >= 6) continue;
    int value = TargetValue(LineTargetWeight, SupportClass(position, side, end, true), distance, end.code);
    if (rook.rank == kingRank) {
      const LineEnd beyond = FirstOccupied(position, end.file, end.rank, df, 0);
      if (!beyond.wall && position.PieceIdAt(beyond.file, beyond.rank) == enemy) value *= 2;
    }
    total[side] += value;
    memory = {memory.doubledRooks, true, side, value};
  }
  const int forward = SideSign(side);
  const LineEnd back = FirstOccupied(position, rook.file, rook.rank, 0, -forward);
  if (!back.wall && IsOwnedBy(back.code, enemy) && KingDistance(back, kingFile, kingRank) < 6)
    total[side] += TargetValue(LineTargetWeight, SupportClass(position, side, back, false),
                               KingDistance(back, kingFile, kingRank), back.code);
  const LineEnd ahead = FirstOccupied(position, rook.file, rook.rank, 0, forward);
  const int aheadDistance = KingDistance(ahead, kingFile, kingRank);
  if (aheadDistance >= 6) return;
  if (!ahead.wall && IsOwnedBy(ahead.code, enemy))
    total[side] += TargetValue(ForwardTargetWeight, SupportClass(position, side, ahead, false), aheadDistance,
                               ahead.code);
  else  // an own piece or the wall closes the file: the rook still bears on the king's zone
    total[side] += OWN_LINE_END_WEIGHT * TargetDistanceWeightAt(aheadDistance + 1) >> 8;
}

void AddBishopTerm(const Position& position, int id, int* total) {
  const PieceListEntry& bishop = position.pieces[id];
  const int side = OwnerOf(bishop.code), enemy = 1 - side;
  const int kingFile = position.pieces[enemy].file, kingRank = position.pieces[enemy].rank;
  int nearest = 36, value = 0;
  for (int df = -1; df <= 1; df += 2)
    for (int dr = -1; dr <= 1; dr += 2)
      // Only board squares count toward the nearest square: the walk stops
      // at the border without taking it.
      for (int x = bishop.file + df, y = bishop.rank + dr, steps = 1; IsOnBoard(x, y); x += df, y += dr, ++steps) {
        nearest = std::min(nearest, (x - kingFile) * (x - kingFile) + (y - kingRank) * (y - kingRank));
        if (position.IsEmpty(x, y)) continue;
        const PieceCode code = position.PieceCodeAt(x, y);
        if (IsOwnedBy(code, enemy))
          value += TargetValue(DiagonalTargetWeight, SupportClass(position, side, {x, y, false, code}, true), steps,
                               code);
        break;
      }
  value += BishopProximity[nearest];
  if (!IsPromoted(bishop.code) && !InEnemyCamp(side, bishop.rank)) value >>= 1;
  total[side] += value;
}

void AddLanceTerm(const Position& position, int id, int* total) {
  const PieceListEntry& lance = position.pieces[id];
  const int side = OwnerOf(lance.code), enemy = 1 - side;
  const int kingFile = position.pieces[enemy].file, kingRank = position.pieces[enemy].rank;
  if (std::abs(lance.file - kingFile) > 4) return;
  // The lance stands in for a pawn at the first piece ahead of it, or on
  // the king's rank when its way there is clear.
  const int forward = SideSign(side);
  int reach = kingRank;
  for (int y = lance.rank + forward; RelativeRank(side, y) >= RelativeRank(side, kingRank); y += forward)
    if (!position.IsEmpty(lance.file, y)) {
      reach = y;
      break;
    }
  total[side] += KingApproachValue(g_evalParams, side, PAWN, kingFile, kingRank, lance.file, reach);
}

}  // namespace

void EvalEnemyKingTerm(const Position& position, EvalState* state) {
  if (state->flags & EVAL_FLAG_ENEMY_KING_TERM) return;
  state->flags |= EVAL_FLAG_ENEMY_KING_TERM;
  int total[2] = {0, 0};
  RookLineMemory memory;
  for (int id = 2; id <= 3; ++id)
    if (position.pieces[id].file >= 1) AddRookTerm(position, id, total, memory);
  if (memory.doubledRooks && memory.haveValue) total[memory.side] += memory.value;
  for (int id = 4; id <= 5; ++id)
    if (position.pieces[id].file >= 1) AddBishopTerm(position, id, total);
  for (int id = 18; id <= 21; ++id)
    if (position.pieces[id].file >= 1 && TypeOf(position.pieces[id].code) == LANCE) AddLanceTerm(position, id, total);
  for (int side = 0; side < 2; ++side) AddToWord(state->side[side].enemyKingTerm, total[side]);
}
