// One side's view of the position and of the active piece-square table:
// every square named in the strategy rules is seen from the side (as written
// for side 0, turned by 180 degrees for side 1). Internal to the evaluation.
#pragma once

#include <cassert>

#include "engine/board/position.h"
#include "engine/eval/piece_square_table.h"

// Whether the piece is in the side's direct attacker set of a real square.
inline bool AttackedByPiece(const Position& position, int side, int file, int rank, int id) {
  const SquareAttackRecord* record = position.SquareRecord(file, rank);
  return id >= 32 ? ((record->directSet[side].high >> (id - 32)) & 1) != 0
                  : ((record->directSet[side].low >> id) & 1) != 0;
}

struct SideView {
  const Position& position;
  int side;

  int File(int file) const { return RelativeFile(side, file); }
  int Rank(int rank) const { return RelativeRank(side, rank); }
  int Enemy() const { return 1 - side; }

  PieceCode CodeAt(int file, int rank) const { return position.PieceCodeAt(File(file), Rank(rank)); }
  bool Empty(int file, int rank) const { return position.IsEmpty(File(file), Rank(rank)); }
  // A piece of the side (or of the enemy) of exactly this type, promotion included.
  bool Own(int type, int file, int rank) const { return IsPiece(side, type, file, rank); }
  bool EnemyOn(int type, int file, int rank) const { return IsPiece(Enemy(), type, file, rank); }
  bool OwnAny(int file, int rank) const { return IsOwnedBy(CodeAt(file, rank), side); }
  // The king's file and rank as the side sees them; 0 when it is off the board.
  int KingFile(int of) const {
    const PieceListEntry& king = position.pieces[of];
    return king.file >= 1 ? RelativeFile(side, king.file) : 0;
  }
  int KingRank(int of) const {
    const PieceListEntry& king = position.pieces[of];
    return king.file >= 1 ? RelativeRank(side, king.rank) : 0;
  }
  int DirectAttackers(int of, int file, int rank) const { return position.AttackCount(of, File(file), Rank(rank)); }
  int HandCount(int of, int baseType) const { return position.hand[of][baseType - 1]; }

  // Entries of the side's own rows and of the opponent's rows at a square seen from the side.
  int& Value(int type, int file, int rank) const { return Entry(side, type, file, rank); }
  int& EnemyValue(int type, int file, int rank) const { return Entry(Enemy(), type, file, rank); }
  void Add(int type, int file, int rank, int amount) const { Value(type, file, rank) += amount; }
  void AddEnemy(int type, int file, int rank, int amount) const { EnemyValue(type, file, rank) += amount; }
  void Set(int type, int file, int rank, int value) const { Value(type, file, rank) = value; }

 private:
  bool IsPiece(int owner, int type, int file, int rank) const {
    const PieceCode code = CodeAt(file, rank);
    return IsOwnedBy(code, owner) && TypeOf(code) == type;
  }
  int& Entry(int owner, int type, int file, int rank) const {
    int* entry = TableEntry(g_activePieceSquareTable, owner, static_cast<PieceCode>(type), File(file), Rank(rank));
    assert(entry != nullptr);
    return *entry;
  }
};
