// Pins and the mate test read the attack records: a slider's direct,
// sliding attack on a square says that the line from it is open.
#include "engine/board/king_safety.h"

#include <cstring>

#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"

using namespace movegen;

int LineAttackTest(const Position& position, int enemySide, int kingFile, int kingRank, int pieceFile, int pieceRank,
                   int id, int* rankStep) {
  (void)id;  // the squares say all: the piece is whatever stands on its square
  const int fileDifference = pieceFile - kingFile;
  const int rankDifference = pieceRank - kingRank;
  if (!IsAligned(fileDifference, rankDifference)) return NOT_PINNED;
  const SquareAttackRecord& record = *position.SquareRecord(pieceFile, pieceRank);
  // Only sliders (PieceIds below 32) slide, so the low word holds them all.
  uint32_t sliders = record.directSet[enemySide].low & record.slidingSet[enemySide];
  if (sliders == 0) return NOT_PINNED;
  const int df = Sign(fileDifference);
  const int dr = Sign(rankDifference);
  for (int file = kingFile + df, rank = kingRank + dr; file != pieceFile || rank != pieceRank; file += df, rank += dr) {
    if (!position.IsEmpty(file, rank)) return NOT_PINNED;
  }
  while (sliders != 0) {
    const int slider = 31 - std::countl_zero(sliders);
    sliders &= ~(1u << slider);
    const PieceListEntry& entry = position.pieces[slider];
    const int beyondFile = entry.file - pieceFile;
    const int beyondRank = entry.rank - pieceRank;
    if (IsAligned(beyondFile, beyondRank) && Sign(beyondFile) == df && Sign(beyondRank) == dr) {
      if (rankStep != nullptr) *rankStep = dr;
      return df;
    }
  }
  return NOT_PINNED;
}

bool IsKingAttacked(const Position& position, int side) {
  const PieceListEntry& king = position.pieces[side];
  return IsOnBoard(king.file, king.rank) && position.AttackCount(side ^ 1, king.file, king.rank) > 0;
}

namespace {

// Whether a non-king piece of the side that attacks the square directly can
// move there without uncovering its king.
bool HasUnpinnedMover(const Position& position, int side, int file, int rank, int kingFile, int kingRank) {
  uint64_t attackers = DirectAttackers(position, side, file, rank);
  while (attackers != 0) {
    const int id = PopHighest(attackers);
    if (TypeOf(position.pieces[id].code) == KING) continue;
    const PieceListEntry& entry = position.pieces[id];
    if (LineAttackTest(position, side ^ 1, kingFile, kingRank, entry.file, entry.rank, id, nullptr) == NOT_PINNED) {
      return true;
    }
  }
  return false;
}

// Whether the pawn drop answers the check without mating the enemy king
// (a mating pawn drop is forbidden).
bool IsPawnDropLegal(const Position& position, int side, int file, int rank) {
  const PieceListEntry& enemyKing = position.pieces[side ^ 1];
  if (enemyKing.file != file || enemyKing.rank != rank + SideSign(side)) return true;
  // Rare (a pawn drop onto the square in front of the enemy king), so a
  // copy keeps the caller's position const; local, as the test may recurse.
  Position scratch;
  std::memcpy(&scratch, &position, sizeof scratch);
  MoveRecord drop{};
  WriteDrop(scratch, drop, side, PAWN, file, rank);
  MakeMove(scratch, drop, 0);
  const int answered = HasEvasion(scratch);
  UnmakeMove(scratch, drop, 0);
  return answered != 0;
}

bool HasInterposingDrop(const Position& position, int side, int file, int rank) {
  for (int type = ROOK; type <= PAWN; ++type) {
    if (position.hand[side][type - 1] <= 0 || !IsDropAllowed(position, side, type, file, rank)) continue;
    if (type != PAWN || IsPawnDropLegal(position, side, file, rank)) return true;
  }
  return false;
}

}  // namespace

int HasEvasion(const Position& position) {
  const int side = position.sideToMove;
  const int enemy = side ^ 1;
  const PieceListEntry& king = position.pieces[side];
  if (!IsOnBoard(king.file, king.rank)) return 1;
  const SquareAttackRecord& kingRecord = *position.SquareRecord(king.file, king.rank);
  const int checkers = kingRecord.directCount[enemy];
  if (checkers == 0) return 1;
  // The square behind the king on a checking line counts as attacked, so a
  // flight square the enemy does not attack directly is safe.
  for (const Step& step : kKingSteps) {
    const int file = king.file + step.df;
    const int rank = king.rank + step.dr;
    if (!IsBlockedFor(position, side, file, rank) && position.AttackCount(enemy, file, rank) == 0) return 1;
  }
  // Two or more checkers: only the king could answer.
  if (checkers >= 2) return 0;
  uint64_t checkerSet = DirectAttackers(kingRecord, enemy);
  const PieceListEntry& checker = position.pieces[PopHighest(checkerSet)];
  // A pinned piece never answers another piece's check, so unpinned movers suffice.
  if (HasUnpinnedMover(position, side, checker.file, checker.rank, king.file, king.rank)) return 1;
  const int df = Sign(checker.file - king.file);
  const int dr = Sign(checker.rank - king.rank);
  if (!IsAligned(checker.file - king.file, checker.rank - king.rank)) return 0;
  for (int file = king.file + df, rank = king.rank + dr; file != checker.file || rank != checker.rank;
       file += df, rank += dr) {
    if (HasUnpinnedMover(position, side, file, rank, king.file, king.rank)) return 1;
    if (HasInterposingDrop(position, side, file, rank)) return 1;
  }
  return 0;
}
