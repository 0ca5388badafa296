// The opening root evaluator: the shared blocks in their opening form, then
// the rules of its own, in a fixed order.
#include "engine/eval/formation_root.h"

#include <cassert>

#include "engine/eval/eval_cells.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_eval_blocks.h"
#include "engine/eval/side_view.h"

using namespace eval_cells;
using root_eval::Accumulators;
using root_eval::FORM_OPENING;

namespace root_eval {

// A bishop in hand against the enemy's rook on its third square from the
// side's view, which nothing of the side guards.
void BishopDrop(const Position& position, Accumulators& acc) {
  const int side = position.sideToMove;
  const int square = 5 + 2 * SideSign(side);  // 3三 for side 0, 7七 for side 1
  if (position.hand[side][BISHOP - 1] >= 1 && IsPieceAt(position, 1 - side, ROOK, square, square) &&
      position.AttackCount(side, square, square) == 0) {
    acc.activity[side] += 100;
  }
}

// A silver dropped diagonally behind a gold would fork it with the side's rook.
void SilverForks(const Position& position, bool nullMove, Accumulators& acc) {
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (!OnBoard(gold)) continue;
    const int side = OwnerOf(gold.code), back = -SideSign(side);
    const bool examined = nullMove ? side == position.sideToMove : side != position.sideToMove;
    if (position.hand[1 - side][SILVER - 1] < 1 || !examined) continue;
    const int f = gold.file, r = gold.rank;
    for (int df = -1; df <= 1; df += 2) {
      if (!EmptyAt(position, f + df, r + back) || position.AttackCount(side, f + df, r + back) != 0) continue;
      const auto rookOn = [&](int file, int rank) { return IsPieceAt(position, side, ROOK, file, rank); };
      if (rookOn(f, r + 2 * back) || rookOn(f + 2 * df, r) || rookOn(f + 2 * df, r + 2 * back)) {
        acc.activity[side] -= 20;
      }
    }
  }
}

// A king on its second rank near the edge wants the back-rank square
// towards the centre guarded by more than itself.
void KingOnSecondRank(const Position& position, Accumulators& acc) {
  for (int side = 0; side < 2; ++side) {
    const PieceListEntry& king = position.pieces[side];
    if (!OnBoard(king) || RelativeRank(side, king.rank) != 8 || (king.file >= 4 && king.file <= 6)) continue;
    const int file = king.file <= 3 ? king.file + 1 : king.file - 1, rank = BackRank(side);
    if (position.IsEmpty(file, rank) && position.AttackCount(side, file, rank) == 1) acc.activity[side] -= 7;
  }
}

// Two defenders stacked diagonally towards the king's file guard each other
// poorly.
void GoldBesideKingLine(const Position& position, Accumulators& acc) {
  for (int id = 6; id <= 9; ++id) {
    const PieceListEntry& gold = position.pieces[id];
    if (!OnBoard(gold)) continue;
    const int side = OwnerOf(gold.code);
    const PieceListEntry& king = position.pieces[side];
    if (!OnBoard(king) || gold.file == king.file) continue;
    const int file = gold.file + (king.file > gold.file ? 1 : -1), rank = gold.rank - SideSign(side);
    const PieceCode code = CodeAt(position, file, rank);
    const int type = TypeOf(code);
    if (IsOwnedBy(code, side) && (type == GOLD || type == SILVER || type == PRO_SILVER)) acc.activity[side] -= 9;
  }
}

// The fixed-square rules of yagura games, written for side 0 and read
// through the side's view for side 1.
int CastleListAmount(const Position& position, int side, int rookFile, int chosenSilverRank, bool patternForm) {
  const SideView view{position, side};
  const auto silver = [&](int f, int r) { return view.Own(SILVER, f, r); };
  const auto pawn = [&](int f, int r) { return view.Own(PAWN, f, r); };
  const auto knight = [&](int f, int r) { return view.Own(KNIGHT, f, r); };
  const auto bishop = [&](int f, int r) { return view.Own(BISHOP, f, r); };
  const auto gold = [&](int f, int r) { return view.Own(GOLD, f, r); };
  const int kingFile = view.KingFile(side), kingRank = view.KingRank(side);
  const int rookFileSeen = RelativeFile(side, rookFile);
  int amount = 0;
  if (kingRank >= 5) {
    const int rank = kingRank - 2;
    for (int file = kingFile - 1; file <= kingFile + 1; ++file) {
      if (file < 1 || file > 9) continue;
      const int absFile = RelativeFile(side, file), absRank = RelativeRank(side, rank);
      if (HoldsPieceOf(position, 1 - side, absFile, absRank) || position.AttackCount(side, absFile, absRank) != 0)
        continue;
      if (file == kingFile && pawn(file, rank)) continue;
      amount -= 5;
    }
  }
  if (kingFile < 7) {
    if (rookFileSeen == 3) amount -= 5;
    if (silver(4, 6)) amount -= 5;
  }
  if ((silver(6, 8) || silver(7, 9) || silver(5, 7)) && (silver(3, 7) || silver(4, 6))) amount -= 5;
  // The pattern term reads "no silver" (rank 0) as rank 0 for both sides,
  // which side 1's turned test (rank below 4) accepts; the opening
  // evaluator counts no silver as no silver.
  const int silverRho = chosenSilverRank == 0 && !patternForm ? 0 : RelativeRank(side, chosenSilverRank);
  if (knight(2, 5) && silverRho >= 7) amount -= 12;
  // The knight rule with a pawn on 2五 belongs to the same shape as the
  // bishop rule: it needs the pawn on 4七 and the silver on 4六 too.
  if (pawn(4, 7) && silver(4, 6)) {
    if (bishop(2, 6)) amount -= 13;
    if ((knight(3, 7) || knight(2, 9)) && pawn(2, 5)) amount -= 8;
  }
  if (silver(3, 7) && pawn(4, 6)) amount -= 5;
  if (rookFileSeen > 4) {
    if (silver(3, 7) || silver(2, 6)) amount -= 5;
    if (pawn(2, 5)) amount -= 3;
  }
  if ((bishop(5, 9) || bishop(4, 8)) && (silver(3, 7) || silver(2, 6) || knight(3, 7))) amount -= 15;
  if (((kingFile == 7 && kingRank == 9) || (kingFile == 8 && kingRank == 8)) && !silver(6, 8) && gold(4, 9))
    amount -= 5;
  if (bishop(3, 7) && silver(2, 6)) {
    amount -= 6;
  } else if ((bishop(6, 8) || bishop(7, 9)) && view.OwnAny(5, 7)) {
    amount -= view.OwnAny(5, 6) ? 10 : 5;
  }
  if (bishop(4, 6) && knight(3, 7) && silver(4, 8)) amount -= pawn(1, 7) ? 13 : pawn(1, 6) ? 10 : 5;
  if (silver(8, 6) && (gold(5, 8) || gold(4, 9))) amount -= 5;
  if (silver(3, 6) && pawn(3, 7) && knight(2, 9)) amount -= 9;
  if (patternForm && silver(3, 6) && knight(3, 7)) amount += 5;
  if (pawn(6, 5) && !knight(7, 7) && !silver(6, 6)) amount -= 7;
  return amount;
}

}  // namespace root_eval

int EvalFormationRoot(const Position& position, int silverSquare, const MoveRecord* move,
                      const QuickEvalResult* /*quick*/) {
  // Only the search's pattern term limits a just-advanced silver; the
  // screener never names one here.
  assert(silverSquare == 0);
  (void)silverSquare;
  const bool nullMove = move == nullptr || move->IsNull();
  Accumulators acc;
  root_eval::RookSummary rooks;
  int chosenSilverRank[2] = {0, 0};
  root_eval::RookLines(position, FORM_OPENING, acc, &rooks);
  root_eval::BishopsMiddleForm(position, FORM_OPENING, acc);
  root_eval::PawnChainClasses(position, FORM_OPENING, acc);
  root_eval::AttackingSilver(position, FORM_OPENING, acc, chosenSilverRank);
  root_eval::KnightPawns(position, FORM_OPENING, nullMove, acc);
  root_eval::BishopDrop(position, acc);
  root_eval::SilverForks(position, nullMove, acc);
  root_eval::KingOnSecondRank(position, acc);
  root_eval::GoldBesideKingLine(position, acc);
  const bool yaguraFlag = CastleGridGet(2, 0, 0) != 0;
  if (!rooks.activeRook && rooks.rookFile[0] != 0 && rooks.rookFile[1] != 0 && yaguraFlag) {
    for (int side = 0; side < 2; ++side)
      acc.activity[side] +=
          root_eval::CastleListAmount(position, side, rooks.rookFile[side], chosenSilverRank[side], false);
  }
  return root_eval::SideToMoveDifference(position, acc);
}
