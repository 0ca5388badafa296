// The shogi rules of the game record: move and position validity, check,
// filtered move generation in a fixed order, the forbidden pawn-drop mate,
// completing a move from its squares and judging an impasse declaration.
#include <initializer_list>

#include "records/kifu_position.h"

namespace {

// Movement bits of a type; "forward" is toward the mover's far side.
enum MovementBit : int {
  STEP_FORWARD = 0x1,
  STEP_DIAGONAL_FORWARD = 0x2,
  STEP_SIDEWAYS = 0x4,
  STEP_BACK = 0x8,
  STEP_DIAGONAL_BACK = 0x10,
  KNIGHT_JUMP = 0x20,
  FORWARD_RAY = 0x40,
  ROOK_RAY = 0x80,
  BISHOP_RAY = 0x100,
};
constexpr int kMovementBits[16] = {0,    0x1, 0x41, 0x20, 0x13, 0xF, 0x112, 0x8D,
                                   0x1F, 0xF, 0xF,  0xF,  0xF,  0,   0x11F, 0x9F};

struct StepEntry {
  int bit;
  int fileStep;
  int rankStep;  // for the first player; negated for the second
};
// The generator's step order (the notation reads the generated order).
constexpr StepEntry kSteps[10] = {
    {KNIGHT_JUMP, -1, -2},        {KNIGHT_JUMP, +1, -2},           {STEP_DIAGONAL_FORWARD, -1, -1},
    {STEP_FORWARD, 0, -1},        {STEP_DIAGONAL_FORWARD, +1, -1}, {STEP_SIDEWAYS, -1, 0},
    {STEP_SIDEWAYS, +1, 0},       {STEP_DIAGONAL_BACK, -1, +1},    {STEP_BACK, 0, +1},
    {STEP_DIAGONAL_BACK, +1, +1},
};

constexpr int TypeBit(int type) { return 1 << type; }
constexpr int PROMOTED_SMALL_PIECES = TypeBit(9) | TypeBit(10) | TypeBit(11) | TypeBit(12);
constexpr int PROMOTED_MAJOR_PIECES = TypeBit(KIFU_HORSE) | TypeBit(KIFU_DRAGON);
constexpr int SIDE_ATTACKERS =
    TypeBit(KIFU_GOLD) | TypeBit(KIFU_ROOK) | TypeBit(KIFU_KING) | PROMOTED_SMALL_PIECES | PROMOTED_MAJOR_PIECES;

struct CheckEntry {
  int fileOffset;  // also read negated
  int rankOffset;  // toward the first player's forward side; negated for the second player's king
  int attackers;   // TypeBit set of the attacking types
};
// The squares next to a king (and the two knight squares) with the enemy
// types that attack the king from there.
constexpr CheckEntry kCheckTable[6] = {
    {1, -2, TypeBit(KIFU_KNIGHT)},
    {0, -1, TypeBit(KIFU_PAWN) | TypeBit(KIFU_LANCE) | TypeBit(KIFU_SILVER) | SIDE_ATTACKERS},
    {1, -1,
     TypeBit(KIFU_SILVER) | TypeBit(KIFU_GOLD) | TypeBit(KIFU_BISHOP) | TypeBit(KIFU_KING) | PROMOTED_SMALL_PIECES |
         PROMOTED_MAJOR_PIECES},
    {1, 0, SIDE_ATTACKERS},
    {0, 1, SIDE_ATTACKERS},
    {1, 1, TypeBit(KIFU_SILVER) | TypeBit(KIFU_BISHOP) | TypeBit(KIFU_KING) | PROMOTED_MAJOR_PIECES},
};

constexpr bool OnBoard(int file, int rank) { return file >= 1 && file <= 9 && rank >= 1 && rank <= 9; }
constexpr int Index(int file, int rank) { return KifuPosition::SquareIndex(file, rank); }
// Rank step toward the mover's far side.
constexpr int ForwardStep(int side) { return side == 0 ? -1 : 1; }
// Rank counted from the mover's far side: 1 is the last rank.
constexpr int RankAhead(int side, int rank) { return side == 0 ? rank : 10 - rank; }
constexpr bool InFarZone(int side, int rank) { return RankAhead(side, rank) <= 3; }
constexpr int Sign(int value) { return (value > 0) - (value < 0); }
constexpr int Abs(int value) { return value < 0 ? -value : value; }

// A pawn, lance or knight that could never move again from this rank.
constexpr bool IsDeadRank(int type, int rankAhead) {
  if (rankAhead == 1) return type == KIFU_PAWN || type == KIFU_LANCE || type == KIFU_KNIGHT;
  if (rankAhead == 2) return type == KIFU_KNIGHT;
  return false;
}

// A piece that may promote on this move: unpromoted, not gold or king, and
// starting or ending in the far zone.
constexpr bool CanPromote(int type, int side, int fromRank, int toRank) {
  return type < KIFU_KING && type != KIFU_GOLD && (InFarZone(side, fromRank) || InFarZone(side, toRank));
}

constexpr bool IsAnyFilter(int value) { return value == -1 || value == 255; }
constexpr bool Matches(int filter, int value) { return IsAnyFilter(filter) || filter == value; }

bool HasUnpromotedPawnOnFile(const KifuPosition& position, int side, int file) {
  const KifuPieceCode pawn = KIFU_PAWN | (side << 4);
  for (int rank = 1; rank <= 9; ++rank) {
    if (position.board[Index(file, rank)] == pawn) return true;
  }
  return false;
}

// A destination a piece of side may move to: empty or the other side's piece.
bool IsTarget(KifuPieceCode code, int side) { return code.IsEmpty() || (code.IsPiece() && code.Side() != side); }

struct MoveFilter {
  int fromFile;
  int fromRank;
  int toFile;
  int toRank;
  int pieceType;     // -1 any
  int capturedType;  // -1 any
  int promote;       // -1 any, 0 without, 1 with promotion
  int side;          // 0 or 1
};

// Emits the non-promoting and promoting forms of one board move allowed by
// the filter; false once the visitor asks to stop.
template <class Visit>
bool EmitBoardMove(const MoveFilter& filter, int fromFile, int fromRank, int toFile, int toRank, KifuPieceCode piece,
                   KifuPieceCode target, Visit& visit) {
  const int type = piece.Type();
  // Without promotion unless the piece would be dead there. (Judged by the
  // rank alone: a knight jumping onto file 1 or 9 can still jump inward.)
  if (Matches(filter.promote, 0) && !IsDeadRank(type, RankAhead(filter.side, toRank))) {
    if (!visit(KifuMove(fromFile, fromRank, toFile, toRank, piece, target, 0, KifuMoveKind::Ordinary))) return false;
  }
  if (Matches(filter.promote, 1) && CanPromote(type, filter.side, fromRank, toRank)) {
    if (!visit(KifuMove(fromFile, fromRank, toFile, toRank, piece, target, 1, KifuMoveKind::Ordinary))) return false;
  }
  return true;
}

// Calls visit(move) for every pseudo-legal move matching the filter, in
// the generation order; returns false when visit stopped it. The order:
//  1. drops: type pawn..rook, then to rank 1..9, then to file 1..9;
//  2. board moves: from rank 1..9, then from file 1..9, for each piece
//     a. its steps in kSteps order (knight jumps, forward, sideways, back),
//     b. its rays by direction index 0..8 (file step index % 3 - 1, rank
//        step index / 3 - 1, negated for the second player), each from the
//        second square outward (the first is a step move);
//     each destination without promotion first, then with promotion.
template <class Visit>
bool ForEachMove(const KifuPosition& position, const MoveFilter& filter, Visit&& visit) {
  const int side = filter.side;
  const bool dropsAllowed =
      (IsAnyFilter(filter.fromFile) || filter.fromFile == KIFU_FIRST_HAND_FILE + side) &&
      (IsAnyFilter(filter.capturedType) || filter.capturedType == KIFU_EMPTY || filter.capturedType == KIFU_NO_PIECE) &&
      Matches(filter.promote, 0);
  if (dropsAllowed) {
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      if (!Matches(filter.pieceType, type) || position.hands[side][type] <= 0) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        if (!Matches(filter.toRank, rank) || IsDeadRank(type, RankAhead(side, rank))) continue;
        for (int file = 1; file <= 9; ++file) {
          if (!Matches(filter.toFile, file) || !position.board[Index(file, rank)].IsEmpty()) continue;
          if (type == KIFU_PAWN && HasUnpromotedPawnOnFile(position, side, file)) continue;
          const KifuMove drop(KIFU_FIRST_HAND_FILE + side, type, file, rank, (side << 4) | type, 0, 0,
                              KifuMoveKind::Ordinary);
          if (!visit(drop)) return false;
        }
      }
    }
  }
  if (!IsAnyFilter(filter.fromFile) && (filter.fromFile < 1 || filter.fromFile > 9)) return true;

  for (int fromRank = 1; fromRank <= 9; ++fromRank) {
    if (!Matches(filter.fromRank, fromRank)) continue;
    for (int fromFile = 1; fromFile <= 9; ++fromFile) {
      if (!Matches(filter.fromFile, fromFile)) continue;
      const KifuPieceCode piece = position.board[Index(fromFile, fromRank)];
      if (!piece.IsPiece() || piece.Side() != side || !Matches(filter.pieceType, piece.Type())) continue;
      const int bits = kMovementBits[piece.Type()];
      const int rankSign = side == 0 ? 1 : -1;

      for (const StepEntry& step : kSteps) {
        if ((bits & step.bit) == 0) continue;
        const int toFile = fromFile + step.fileStep;
        const int toRank = fromRank + step.rankStep * rankSign;
        if (!OnBoard(toFile, toRank) || !Matches(filter.toFile, toFile) || !Matches(filter.toRank, toRank)) continue;
        const KifuPieceCode target = position.board[Index(toFile, toRank)];
        if (!IsTarget(target, side) || !Matches(filter.capturedType, target.Type())) continue;
        if (!EmitBoardMove(filter, fromFile, fromRank, toFile, toRank, piece, target, visit)) return false;
      }

      if ((bits & (FORWARD_RAY | ROOK_RAY | BISHOP_RAY)) == 0) continue;
      for (int direction = 0; direction <= 8; ++direction) {
        if (direction == 4) continue;
        const int fileStep = direction % 3 - 1;
        const int rankStep = (direction / 3 - 1) * rankSign;
        const bool diagonal = fileStep != 0 && rankStep != 0;
        const bool used = ((bits & BISHOP_RAY) && diagonal) || ((bits & ROOK_RAY) && !diagonal) ||
                          ((bits & FORWARD_RAY) && fileStep == 0 && rankStep == ForwardStep(side));
        if (!used) continue;
        const int firstFile = fromFile + fileStep, firstRank = fromRank + rankStep;
        if (!OnBoard(firstFile, firstRank) || !position.board[Index(firstFile, firstRank)].IsEmpty()) continue;
        for (int toFile = firstFile + fileStep, toRank = firstRank + rankStep; OnBoard(toFile, toRank);
             toFile += fileStep, toRank += rankStep) {
          const KifuPieceCode target = position.board[Index(toFile, toRank)];
          if (!IsTarget(target, side)) break;
          if (Matches(filter.toFile, toFile) && Matches(filter.toRank, toRank) &&
              Matches(filter.capturedType, target.Type())) {
            if (!EmitBoardMove(filter, fromFile, fromRank, toFile, toRank, piece, target, visit)) return false;
          }
          if (target.IsPiece()) break;
        }
      }
    }
  }
  return true;
}

// Every move of side, with all filters open.
MoveFilter AllMovesOf(int side) { return MoveFilter{-1, -1, -1, -1, -1, -1, -1, side}; }

// Whether side has a move capturing the other side's king.
bool AttacksKing(const KifuPosition& position, int side) {
  MoveFilter filter = AllMovesOf(side);
  filter.capturedType = KIFU_KING;
  return !ForEachMove(position, filter, [](const KifuMove&) { return false; });
}

// Whether playing move leaves side's king unattacked.
bool LeavesKingSafe(const KifuPosition& position, const KifuMove& move, int side) {
  KifuPosition after = position;
  if (!after.DoMove(move)) return false;
  return !after.IsInCheck(side);
}

// Whether side's board piece on from can reach the destination by its type's
// movement (rays need the squares between empty); the promotion class is
// the caller's.
bool ReachesByMovement(const KifuPosition& position, int side, int type, int fromFile, int fromRank, int toFile,
                       int toRank) {
  const int df = Abs(toFile - fromFile);
  const int dr = (toRank - fromRank) * (side == 0 ? 1 : -1);  // forward is negative
  if (df == 0 && dr == 0) return false;
  const int bits = kMovementBits[type];
  if ((bits & STEP_FORWARD) && df == 0 && dr == -1) return true;
  if ((bits & STEP_DIAGONAL_FORWARD) && df == 1 && dr == -1) return true;
  if ((bits & STEP_SIDEWAYS) && df == 1 && dr == 0) return true;
  if ((bits & STEP_BACK) && df == 0 && dr == 1) return true;
  if ((bits & STEP_DIAGONAL_BACK) && df == 1 && dr == 1) return true;
  if ((bits & KNIGHT_JUMP) && df == 1 && dr == -2) return true;
  const bool byRay = ((bits & FORWARD_RAY) && df == 0 && dr < -1) || ((bits & ROOK_RAY) && (df == 0 || dr == 0)) ||
                     ((bits & BISHOP_RAY) && df == Abs(dr));
  if (!byRay) return false;
  const int fileStep = Sign(toFile - fromFile), rankStep = Sign(toRank - fromRank);
  for (int file = fromFile + fileStep, rank = fromRank + rankStep; file != toFile || rank != toRank;
       file += fileStep, rank += rankStep) {
    if (!position.board[Index(file, rank)].IsEmpty()) return false;
  }
  return true;
}

constexpr int CAN_NOT_PROMOTE = 1;
constexpr int MUST_PROMOTE = 2;
constexpr int MAY_PROMOTE = 3;

int ValidDrop(const KifuPosition& position, const KifuMove& move, int side, int strict) {
  const int type = move.piece.Type();
  // The piece must come from its owner's hand, which must hold one of it.
  if (move.fromFile != KIFU_FIRST_HAND_FILE + side || type != move.fromRank) return 0;
  if (position.hands[side][type] < 1) return 0;
  if (!move.captured.IsEmpty() || !position.board[Index(move.toFile, move.toRank)].IsEmpty()) return 0;
  if (strict && move.promote) return 0;
  if (IsDeadRank(type, RankAhead(side, move.toRank))) return 0;
  if (type == KIFU_PAWN && HasUnpromotedPawnOnFile(position, side, move.toFile)) return 0;
  return CAN_NOT_PROMOTE;
}

int ImpassePoints(int type) { return (type & 7) >= KIFU_BISHOP ? 5 : (type == KIFU_KING ? 0 : 1); }

}  // namespace

int KifuPosition::IsValidMove(const KifuMove& move, int strict) const {
  const int side = sideToMove;
  if (side != 0 && side != 1) return 0;
  const KifuPieceCode piece = move.piece;
  if (!piece.IsPiece() || piece.Side() != side) return 0;
  if (!OnBoard(move.toFile, move.toRank)) return 0;
  if (move.IsDrop()) {
    if (move.fromRank < KIFU_PAWN || move.fromRank > KIFU_ROOK) return 0;
    return ValidDrop(*this, move, side, strict);
  }
  if (!OnBoard(move.fromFile, move.fromRank)) return 0;

  // The piece bytes must be the board's: a move made for another position
  // would otherwise create or lose pieces when played.
  if (board[Index(move.fromFile, move.fromRank)] != piece) return 0;
  const KifuPieceCode target = board[Index(move.toFile, move.toRank)];
  const KifuPieceCode captured = move.captured;
  if (target.IsEmpty()) {
    if (!captured.IsEmpty()) return 0;
  } else if (!target.IsPiece() || captured != target || captured.Side() == side) {
    return 0;
  }

  const int type = piece.Type();
  int promotionClass = CAN_NOT_PROMOTE;
  if (CanPromote(type, side, move.fromRank, move.toRank)) {
    promotionClass = IsDeadRank(type, RankAhead(side, move.toRank)) ? MUST_PROMOTE : MAY_PROMOTE;
  }
  if (strict && promotionClass == CAN_NOT_PROMOTE && move.promote) return 0;
  if (strict && promotionClass == MUST_PROMOTE && !move.promote) return 0;
  if (!ReachesByMovement(*this, side, type, move.fromFile, move.fromRank, move.toFile, move.toRank)) return 0;
  return promotionClass;
}

bool KifuPosition::IsValid() const {
  if (sideToMove != 0 && sideToMove != 1) return false;
  // Every count within the full set: a negative count could hide a surplus
  // elsewhere from the sum.
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    int total = 0;
    for (int store = 0; store <= KIFU_BOX; ++store) {
      if (hands[store][type] < 0 || hands[store][type] > KIFU_FULL_SET[type]) return false;
      total += hands[store][type];
    }
    if (total > KIFU_FULL_SET[type]) return false;
  }
  if (hands[0][KIFU_KING] != 0 || hands[1][KIFU_KING] != 0) return false;
  if (hands[KIFU_BOX][KIFU_KING] < 0 || hands[KIFU_BOX][KIFU_KING] > KIFU_FULL_SET[KIFU_KING]) return false;

  int kings[2] = {0, 0};
  int used[9] = {};
  bool pawnOnFile[2][10] = {};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[Index(file, rank)];
      if (code.IsEmpty()) continue;
      if (!code.IsPiece()) return false;  // a border or out-of-range byte on a square
      const int side = code.Side(), type = code.Type();
      if (type == KIFU_KING) {
        if (++kings[side] > 1) return false;
        continue;
      }
      if (type == KIFU_PAWN) {
        if (pawnOnFile[side][file]) return false;
        pawnOnFile[side][file] = true;
      }
      if (IsDeadRank(type, RankAhead(side, rank))) return false;
      const int base = KifuBaseType(type);
      used[base] += 1;
      if (used[base] + hands[0][base] + hands[1][base] + hands[KIFU_BOX][base] > KIFU_FULL_SET[base]) return false;
    }
  }
  // Without the first player's king (a handicap) any king set-up is allowed.
  if (handicapFlags == HANDICAP_FIRST_KING) return true;
  if (kings[0] != 1 || kings[1] != 1) return false;
  return !(AttacksKing(*this, 0) && AttacksKing(*this, 1));
}

bool KifuPosition::IsInCheck(int side) const {
  if (side != 0 && side != 1) return false;
  const KifuPieceCode king = (side << 4) + KIFU_KING;
  int kingFile = 0, kingRank = 0;
  for (int rank = 1; rank <= 9 && kingFile == 0; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      if (board[Index(file, rank)] == king) {
        kingFile = file;
        kingRank = rank;
        break;
      }
    }
  }
  if (kingFile == 0) return false;
  const int enemy = 1 - side;
  const int rankSign = side == 0 ? 1 : -1;
  // Only squares on the board are read: the border's 255 would otherwise
  // pass for a second-player promoted rook.
  auto enemyTypeAt = [&](int file, int rank) {
    if (!OnBoard(file, rank)) return -1;
    const KifuPieceCode code = board[Index(file, rank)];
    return (code.IsPiece() && code.Side() == enemy) ? code.Type() : -1;
  };
  for (const CheckEntry& entry : kCheckTable) {
    for (int fileSign : {1, -1}) {
      const int type = enemyTypeAt(kingFile + entry.fileOffset * fileSign, kingRank + entry.rankOffset * rankSign);
      if (type >= 0 && (entry.attackers & TypeBit(type))) return true;
      if (entry.fileOffset == 0) break;
    }
  }
  for (int fileStep = -1; fileStep <= 1; ++fileStep) {
    for (int rankStep = -1; rankStep <= 1; ++rankStep) {
      if (fileStep == 0 && rankStep == 0) continue;
      int file = kingFile + fileStep, rank = kingRank + rankStep;
      while (OnBoard(file, rank) && board[Index(file, rank)].IsEmpty()) {
        file += fileStep;
        rank += rankStep;
      }
      const int type = enemyTypeAt(file, rank);
      if (type < 0) continue;
      const bool diagonal = fileStep != 0 && rankStep != 0;
      if (diagonal && (type == KIFU_BISHOP || type == KIFU_HORSE)) return true;
      if (!diagonal && (type == KIFU_ROOK || type == KIFU_DRAGON)) return true;
      if (type == KIFU_LANCE && fileStep == 0 && rankStep == ForwardStep(side)) return true;
    }
  }
  return false;
}

int KifuPosition::GenerateMoves(KifuMove* out, int fromFile, int fromRank, int toFile, int toRank, KifuPieceCode piece,
                                KifuPieceCode captured, int promote, int side) const {
  if (out == nullptr) return 0;
  if (side != 0 && side != 1) side = sideToMove;
  if (side != 0 && side != 1) return 0;
  const MoveFilter filter{fromFile,
                          fromRank,
                          toFile,
                          toRank,
                          piece.Value() == -1 ? -1 : piece.Type(),
                          captured.Value() == -1 ? -1 : captured.Type(),
                          promote,
                          side};
  int count = 0;
  ForEachMove(*this, filter, [&](const KifuMove& move) {
    out[count++] = move;
    return count < KIFU_MAX_MOVES;  // the callers' arrays hold this many
  });
  return count;
}

bool KifuPosition::IsPawnDropMate(const KifuMove& drop) const {
  if (drop.kind != KifuMoveKind::Ordinary || !drop.IsDrop()) return false;
  if (drop.piece != KIFU_PAWN && drop.piece != KIFU_PAWN + KIFU_SECOND_PLAYER_BIT) return false;
  const int dropper = drop.piece.Side();
  const int frontFile = drop.toFile, frontRank = drop.toRank + ForwardStep(dropper);
  if (!OnBoard(frontFile, frontRank)) return false;
  const KifuPieceCode enemyKing = ((1 - dropper) << 4) + KIFU_KING;
  if (board[Index(frontFile, frontRank)] != enemyKing) return false;
  if (sideToMove != 0 && sideToMove != 1) return false;
  // Mate when no reply, pinned pieces' replies included, leaves the king safe.
  const int defender = sideToMove;
  return ForEachMove(*this, AllMovesOf(defender),
                     [&](const KifuMove& reply) { return !LeavesKingSafe(*this, reply, defender); });
}

bool KifuPosition::HasLegalMove() const {
  if (sideToMove != 0 && sideToMove != 1) return false;
  const int side = sideToMove;
  return !ForEachMove(*this, AllMovesOf(side),
                      [&](const KifuMove& move) { return !LeavesKingSafe(*this, move, side); });
}

bool KifuPosition::CompleteMove(KifuMove& move) const {
  KifuPieceCode moving;
  if (move.fromFile >= 10) {
    // From a hand (11, 12) or the box (13); file 10 and beyond 13 are no source.
    if (move.fromFile > KIFU_BOX_FILE || move.fromFile < KIFU_FIRST_HAND_FILE) return false;
    const int type = move.fromRank;
    if (type < KIFU_PAWN || type > KIFU_KING) return false;
    if (hands[move.fromFile - KIFU_FIRST_HAND_FILE][type] < 1) return false;
    moving = type | (move.fromFile == KIFU_SECOND_HAND_FILE ? KIFU_SECOND_PLAYER_BIT : 0);
  } else {
    if (!OnBoard(move.fromFile, move.fromRank)) return false;
    moving = board[Index(move.fromFile, move.fromRank)];
    if (!moving.IsPiece()) return false;
  }
  KifuPieceCode captured = 0;
  int toRank = move.toRank;
  if (move.toFile >= 10) {
    if (move.toFile > KIFU_BOX_FILE || move.toFile < KIFU_FIRST_HAND_FILE) return false;
    toRank = KifuBaseType(moving.Type());
  } else {
    if (!OnBoard(move.toFile, move.toRank)) return false;
    captured = board[Index(move.toFile, move.toRank)];
  }
  move.piece = moving;
  move.captured = captured;
  move.toRank = static_cast<int8_t>(toRank);
  move.kind = KifuMoveKind::Ordinary;
  return true;
}

int KifuPosition::CheckImpasseDeclaration(int threshold, int* points) const {
  int ignored = 0;
  int& total = points != nullptr ? *points : ignored;
  total = -1;
  const int side = sideToMove;
  if (side != 0 && side != 1) return 0;
  const KifuPieceCode king = (side << 4) + KIFU_KING;
  int kingRank = 0;
  for (int rank = 1; rank <= 9 && kingRank == 0; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      if (board[Index(file, rank)] == king) kingRank = rank;
    }
  }
  if (kingRank == 0 || !InFarZone(side, kingRank) || IsInCheck(side)) return 0;

  int piecesInCamp = 0, sum = 0;
  for (int rank = 1; rank <= 9; ++rank) {
    if (!InFarZone(side, rank)) continue;
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[Index(file, rank)];
      if (!code.IsPiece() || code.Side() != side) continue;
      piecesInCamp += 1;
      sum += ImpassePoints(code.Type());
    }
  }
  if (piecesInCamp < 11) return 0;  // the king and at least ten more
  // The second player (the handicap giver in a handicap game) is credited
  // with the pieces the handicap removed.
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    if (hands[side][type] > 0) sum += hands[side][type] * ImpassePoints(type);
    if (side == 1 && hands[KIFU_BOX][type] > 0) sum += hands[KIFU_BOX][type] * ImpassePoints(type);
  }
  total = sum;
  if (sum < threshold) return 0;
  if (54 - sum < threshold) return side == 0 ? 2 : 3;
  if (threshold == 27) return side == 0 ? 1 : 3;
  return 4;
}
