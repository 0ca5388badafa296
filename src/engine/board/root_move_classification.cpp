// Root-move categories from opening knowledge, and the formation distance.
// Every square below is seen from the side judged: (f, r) for side 0,
// (10 - f, 10 - r) for side 1.
#include "engine/board/root_move_classification.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The position and one move as the side to move sees them.
struct RelativeMove {
  const Position& position;
  int side;
  int type;  // moving type with promotion bit (code & 0x9f)
  int fromFile, fromRank, toFile, toRank;
  int capturedType;  // 0 for a non-capture

  PieceCode CodeAt(int file, int rank) const {
    return position.PieceCodeAt(RelativeFile(side, file), RelativeRank(side, rank));
  }
  bool Own(int pieceType, int file, int rank) const {
    const PieceCode code = CodeAt(file, rank);
    return IsOwnedBy(code, side) && TypeOf(code) == pieceType;
  }
  bool OwnAny(int file, int rank) const { return IsOwnedBy(CodeAt(file, rank), side); }
  bool Empty(int file, int rank) const { return position.IsEmpty(RelativeFile(side, file), RelativeRank(side, rank)); }
  const SquareAttackRecord& Record(int file, int rank) const {
    return *position.SquareRecord(RelativeFile(side, file), RelativeRank(side, rank));
  }
  int Attackers(int of, int file, int rank) const { return Record(file, rank).directCount[of]; }

  bool From(int pieceType, int file, int rank) const { return type == pieceType && fromFile == file && fromRank == rank; }
  bool Is(int pieceType, int file, int rank, int destFile, int destRank) const {
    return From(pieceType, file, rank) && toFile == destFile && toRank == destRank;
  }
  // To any square of a file (destRank 0) or the given square.
  bool To(int destFile, int destRank) const { return toFile == destFile && (destRank == 0 || toRank == destRank); }
};

// Highest PieceId in a side's direct attacker set of a square (the first in
// attacker order), or -1 for none; `skip` leaves out that many from the top.
int AttackerInOrder(const SquareAttackRecord& record, int side, int skip) {
  for (int id = PIECE_COUNT - 1; id >= 0; --id) {
    const bool present = id >= 32 ? ((record.directSet[side].high >> (id - 32)) & 1) != 0
                                   : ((record.directSet[side].low >> id) & 1) != 0;
    if (present && skip-- == 0) return id;
  }
  return -1;  // never reached: both callers count the attackers first
}

// A silver or bishop stepping back from 7七 to 8八 is safe when nothing of
// the enemy's bears on 7七 beyond the big pieces (ids below 6).
bool RetreatTo88Safe(const RelativeMove& m) {
  const int enemy = 1 - m.side;
  if (m.Attackers(enemy, 7, 7) == 0) return true;
  return AttackerInOrder(m.Record(7, 7), enemy, 0) < 6;
}
bool RetreatTo88(const RelativeMove& m) { return m.Is(SILVER, 7, 7, 8, 8) || m.Is(BISHOP, 7, 7, 8, 8); }

// Rules for every strategy (1-6); 0 when none matched.
int CommonToAll(const RelativeMove& m, bool& matched) {
  matched = true;
  const int fromOffset = std::abs(m.fromFile - 5);
  if (m.type == KING && (fromOffset == 2 || fromOffset == 3) && std::abs(m.toFile - 5) < fromOffset) return 9;
  if (m.type == ROOK && m.toRank == 7 && m.fromRank != 7) return 1;
  if ((m.Own(KING, 2, 8) || m.Own(KING, 1, 8)) && m.Own(SILVER, 2, 7) && m.Is(GOLD, 4, 9, 3, 8)) return -2;
  if ((m.Own(KING, 8, 8) || m.Own(KING, 9, 8)) && m.Own(SILVER, 8, 7) && m.Is(GOLD, 6, 9, 7, 8)) return -2;
  if (m.Own(KING, 2, 8) && m.Empty(3, 8) && m.Attackers(m.side, 3, 8) == 2 && m.Is(GOLD, 4, 9, 3, 8)) return -2;
  if (m.Own(KING, 8, 8) && m.Empty(7, 8) && m.Attackers(m.side, 7, 8) == 2 && m.Is(GOLD, 6, 9, 7, 8)) return -2;
  matched = false;
  return 0;
}

int RangingRookRules(const RelativeMove& m, bool& matched) {
  matched = true;
  if (RetreatTo88(m) && RetreatTo88Safe(m)) return 8;
  if (m.Is(SILVER, 5, 7, 6, 8)) return 4;
  if (m.Is(SILVER, 5, 6, 6, 7)) return 9;
  if ((m.From(GOLD, 3, 9) || m.From(KING, 3, 9)) && (m.To(4, 9) || m.To(4, 8))) return 4;
  if (m.capturedType == PAWN && m.To(8, 6)) return -10;
  if (!m.Own(KING, 1, 9)) {
    if (m.From(SILVER, 3, 8) && m.To(3, 0)) return 10;
    if (m.Is(SILVER, 2, 8, 3, 7)) return 6;
    // Before the king reaches 1九 a gold has one useful move; its other
    // moves end the classification here.
    if (m.type == GOLD) return m.Is(GOLD, 3, 9, 3, 8) ? 4 : 0;
  }
  if (m.From(GOLD, 4, 9) && (m.To(4, 8) || m.To(5, 8))) return 10;
  matched = false;
  return 0;
}

int StaticVsRangingRules(const RelativeMove& m, bool& matched) {
  matched = true;
  if (m.From(GOLD, 6, 9) && m.To(5, 0)) return 15;
  if (m.Is(GOLD, 5, 8, 4, 8)) return 5;
  if (m.Is(SILVER, 5, 7, 4, 8)) return 5;
  matched = false;
  return 0;
}

// Ids 1 and 2 after their own rules.
int YaguraCommon(const RelativeMove& m) {
  if (m.Is(KING, 7, 8, 7, 9)) return 9;
  if (m.Is(GOLD, 7, 8, 6, 7)) return 6;
  if (m.From(GOLD, 6, 9) && (m.To(5, 8) || m.To(6, 8))) return 8;
  if (m.From(SILVER, 4, 8) && m.toRank == 9) return 10;
  if (m.Is(GOLD, 4, 9, 5, 9)) return 1;
  return 0;
}

int IYagura(const RelativeMove& m) {
  if (m.Is(GOLD, 6, 9, 5, 8)) return 15;
  if (m.Is(GOLD, 6, 8, 5, 8)) return 5;
  if (m.Is(GOLD, 7, 8, 6, 7)) return 10;
  if (m.Is(SILVER, 4, 7, 3, 8)) return 5;
  if (m.Is(SILVER, 4, 8, 5, 9)) return 5;
  if (m.From(ROOK, 2, 9) && m.To(2, 0)) return 5;
  if (m.From(PAWN, 3, 6) && m.Own(SILVER, 3, 7) && m.Own(BISHOP, 7, 9) && m.Attackers(m.side, 3, 5) == 2) {
    const int second = AttackerInOrder(m.Record(3, 5), m.side, 1);
    if (second == 4 || second == 5) return -9;
  }
  if (m.Own(KNIGHT, 3, 7) && m.Is(m.type, 4, 6, 4, 5)) {
    if (m.Own(KING, 8, 8)) return -10;
    if (m.Own(KING, 7, 9)) return -3;
  }
  if (m.Own(PAWN, 3, 7) && m.fromRank == 8 && m.To(3, 8)) return 5;
  if (m.type == ROOK && m.To(2, 9)) return 1;
  if (m.Is(SILVER, 7, 7, 6, 8)) return 10;
  if (m.Is(BISHOP, 8, 8, 7, 9) && m.OwnAny(6, 8)) return 2;
  if (m.Own(PAWN, 3, 7) && m.type == BISHOP && IsHomeDiagonalSquare(m.side, RelativeFile(m.side, m.fromFile),
                                                                   RelativeRank(m.side, m.fromRank)) &&
      m.Empty(4, 6)) {
    return 1;
  }
  if (m.Own(BISHOP, 7, 9) && !m.Empty(6, 8) && m.fromFile == 6 && m.fromRank == 8) return -1;
  return YaguraCommon(m);
}

int ShikenMino(const RelativeMove& m) {
  if (m.Is(SILVER, 3, 8, 4, 7)) return 1;
  if (m.Is(PAWN, 3, 7, 3, 6) && m.Own(KING, 2, 8) && m.Own(PAWN, 4, 7) && m.Own(PAWN, 2, 7) && m.Empty(4, 6) &&
      m.Empty(2, 6)) {
    return 2;
  }
  if (m.From(SILVER, 3, 9) && m.To(3, 0) && m.Own(KING, 2, 8) && m.Own(GOLD, 4, 9)) return -2;
  return 0;
}

int AiFuriKinMuso(const RelativeMove& m) {
  if (RetreatTo88(m) && RetreatTo88Safe(m)) return 12;
  if (m.Is(GOLD, 4, 8, 4, 9) || m.Is(GOLD, 5, 8, 5, 9) || m.Is(GOLD, 3, 8, 4, 7) || m.Is(GOLD, 3, 8, 4, 8) ||
      m.Is(KING, 3, 8, 3, 9)) {
    return 6;
  }
  if (m.Own(KING, 1, 9) && m.Empty(2, 8)) return 8;
  return 0;
}

int HidariMino(const RelativeMove& m) {
  if (m.From(SILVER, 7, 9) && m.To(6, 0)) return 20;
  if (m.Is(KING, 8, 8, 8, 7)) return 7;
  if (m.Is(BISHOP, 7, 7, 8, 8)) return 7;
  if ((m.Own(KING, 8, 7) || m.Own(KING, 8, 8) || m.Own(KING, 9, 8)) && m.Own(SILVER, 7, 9) && m.Own(GOLD, 6, 9) &&
      m.From(SILVER, 7, 9) && m.To(7, 0)) {
    return -2;
  }
  return 0;
}

int IbiAnaguma(const RelativeMove& m) {
  if (m.From(GOLD, 6, 9) && m.To(6, 0)) return 12;
  if (m.Is(GOLD, 6, 9, 7, 8)) return 4;
  if (m.From(GOLD, 7, 9) && m.To(6, 0)) return 12;
  if (m.Is(SILVER, 5, 7, 6, 8)) return 10;
  if (m.Is(BISHOP, 7, 7, 8, 8)) return 10;
  if (m.Is(KING, 8, 8, 9, 9)) return -1;
  if (m.Own(KING, 9, 9) && m.Is(SILVER, 7, 9, 8, 8)) return -1;
  return 0;
}

int FuriAnaguma(const RelativeMove& m) {
  if (m.Is(GOLD, 4, 8, 4, 9) || m.Is(GOLD, 5, 8, 5, 9)) return 8;
  if (m.Is(GOLD, 4, 9, 3, 8)) return 2;
  return 0;
}

}  // namespace

int IsHomeDiagonalSquare(int side, int file, int rank) {
  const int f = RelativeFile(side, file);
  const int r = RelativeRank(side, rank);
  return (f == 7 && r == 9) || (f == 6 && r == 8) || (f == 5 && r == 7) ? 1 : 0;
}

int ClassifyRootMove(const Position& position, const MoveRecord& move, SenkeiId id) {
  if (move.IsNull()) return 0;
  const int side = position.sideToMove;
  const int type = TypeOf(move.pieceCode);
  const int toFile = RelativeFile(side, move.toFile);
  const int toRank = RelativeRank(side, move.toRank);
  if (move.IsDrop()) return type == PAWN && toFile == 5 && toRank == 7 ? 10 : 0;
  const RelativeMove m{position, side, type, RelativeFile(side, move.fromFile), RelativeRank(side, move.fromRank),
                       toFile, toRank, move.IsCapture() ? TypeOf(move.capturedCode) : 0};
  bool matched = false;
  int category = CommonToAll(m, matched);
  if (matched) return category;
  if (IsRangingRookSenkei(id)) {
    category = RangingRookRules(m, matched);
  } else if (IsStaticVsRangingSenkei(id)) {
    category = StaticVsRangingRules(m, matched);
  }
  if (matched) return category;
  switch (id) {
    case SENKEI_I_YAGURA: return IYagura(m);
    case SENKEI_KAKU_GAWARI: return YaguraCommon(m);
    case SENKEI_SHIKEN_MINO: return ShikenMino(m);
    case SENKEI_FUNA_KYUSEN: return m.Is(SILVER, 5, 7, 6, 8) || m.Is(SILVER, 6, 8, 7, 9) ? 7 : 0;
    case SENKEI_AI_FURI_KIN_MUSO: return AiFuriKinMuso(m);
    case SENKEI_HIDARI_MINO: return HidariMino(m);
    case SENKEI_IBI_ANAGUMA: return IbiAnaguma(m);
    case SENKEI_FURI_ANAGUMA:
    case SENKEI_FURI_ANA_38_GOLD: return FuriAnaguma(m);
    default: return 0;
  }
}

int FormationDistance(const Position& position, int side, int flag) {
  auto chebyshev = [](int file, int rank, int toFile, int toRank) {
    return std::max(std::abs(file - toFile), std::abs(rank - toRank));
  };
  int sum = 0;
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& piece = position.pieces[id];
    if (piece.file < 1 || !IsOwnedBy(piece.code, side)) continue;
    const int f = RelativeFile(side, piece.file);
    const int r = RelativeRank(side, piece.rank);
    switch (BaseTypeOf(piece.code)) {
      case ROOK:
        if (flag == 0) sum += 2 - (f == 2) - (r == 8);
        break;
      case BISHOP: sum += f == 8 && r == 8 ? 0 : 1; break;
      case GOLD: sum += std::min(chebyshev(f, r, 4, 9), chebyshev(f, r, 6, 9)); break;
      case SILVER: sum += std::min(chebyshev(f, r, 3, 9), chebyshev(f, r, 7, 9)); break;
      case KNIGHT:
        if (flag == 0) {
          const int back = std::abs(r - 9) / 2;
          sum += std::min(std::max(std::abs(f - 2), back), std::max(std::abs(f - 8), back));
        }
        break;
      case LANCE: sum += (f == 1 || f == 9) && r == 9 ? 0 : 1; break;
      case PAWN: sum += std::abs(r - 7); break;
      case KING: sum += chebyshev(f, r, 5, 9); break;
      default: break;  // never reached: every base type is named above
    }
  }
  if (flag == 0) {
    for (int slot = 0; slot < 8; ++slot) sum += 2 * position.hand[side][slot];
  }
  return sum;
}
