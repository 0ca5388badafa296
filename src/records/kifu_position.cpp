// The record position's set-up with handicaps, comparison, playing and
// taking back moves, board editing, and the edits of the whole position
// (swapping sides, collecting pieces, recounting the box).
#include "records/kifu_position.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "board_geometry.h"

namespace {

constexpr int HAND_COUNT_MAX = 127;  // hands are signed bytes

constexpr int StoreOfFile(int file) { return file - KIFU_FIRST_HAND_FILE; }

// The second player's start rank 1 from file 1 to 9; the first player's
// rank 9 is the same from file 1 to 9.
constexpr int kBackRankTypes[10] = {0,         KIFU_LANCE, KIFU_KNIGHT, KIFU_SILVER, KIFU_GOLD,
                                    KIFU_KING, KIFU_GOLD,  KIFU_SILVER, KIFU_KNIGHT, KIFU_LANCE};

struct HandicapSquare {
  HandicapFlags bit;
  int file;
  int rank;
};
// The square each handicap bit empties (0x800 empties none).
constexpr HandicapSquare kHandicapSquares[] = {
    {HANDICAP_LANCE_11, 1, 1},  {HANDICAP_LANCE_91, 9, 1},  {HANDICAP_KNIGHT_21, 2, 1},  {HANDICAP_KNIGHT_81, 8, 1},
    {HANDICAP_SILVER_31, 3, 1}, {HANDICAP_SILVER_71, 7, 1}, {HANDICAP_GOLD_41, 4, 1},    {HANDICAP_GOLD_61, 6, 1},
    {HANDICAP_BISHOP_22, 2, 2}, {HANDICAP_ROOK_82, 8, 2},   {HANDICAP_FIRST_KING, 5, 9},
};

// What the box says about the handicap, type by type: the flag for one and
// for two pieces of the type in the box (0 where that count means "other").
struct BoxHandicap {
  HandicapFlags one;
  HandicapFlags two;
};
constexpr BoxHandicap kBoxHandicaps[9] = {
    {0, 0},
    {HANDICAP_OTHER, HANDICAP_OTHER},  // any pawn in the box
    {HANDICAP_LANCE_11, HANDICAP_LANCE_11 | HANDICAP_LANCE_91},
    {HANDICAP_KNIGHT_21, HANDICAP_KNIGHT_21 | HANDICAP_KNIGHT_81},
    {HANDICAP_SILVER_31, HANDICAP_SILVER_31 | HANDICAP_SILVER_71},
    {HANDICAP_GOLD_41, HANDICAP_GOLD_41 | HANDICAP_GOLD_61},
    {HANDICAP_BISHOP_22, HANDICAP_OTHER},
    {HANDICAP_ROOK_82, HANDICAP_OTHER},
    {HANDICAP_FIRST_KING, HANDICAP_OTHER},
};

// A move on the board with a plain promote flag: markers (kinds other than
// 0, such as a resignation) are no move on the board, and a promote byte
// other than 0 and 1 would read as a promotion yet compare unequal to it.
constexpr bool IsPlayable(const KifuMove& move) {
  return move.kind == KifuMoveKind::Ordinary && (move.promote == 0 || move.promote == 1);
}

int8_t ClampCount(int count) { return static_cast<int8_t>(std::clamp(count, -128, HAND_COUNT_MAX)); }

}  // namespace

KifuPieceCode KifuPosition::At(int file, int rank) const {
  if (!IsOnBoard(file, rank)) return KIFU_BORDER_CODE;
  return board[SquareIndex(file, rank)];
}

void KifuPosition::SetStart(HandicapFlags flags) {
  for (int rank = 0; rank <= 10; ++rank) {
    for (int file = 0; file <= 10; ++file) {
      board[SquareIndex(file, rank)] = IsOnBoard(file, rank) ? 0 : KIFU_BORDER_CODE;
    }
  }
  for (int file = 1; file <= 9; ++file) {
    board[SquareIndex(file, 1)] = kBackRankTypes[file] | KIFU_SECOND_PLAYER_BIT;
    board[SquareIndex(file, 3)] = KIFU_PAWN | KIFU_SECOND_PLAYER_BIT;
    board[SquareIndex(file, 7)] = KIFU_PAWN;
    board[SquareIndex(file, 9)] = kBackRankTypes[file];
  }
  board[SquareIndex(8, 2)] = KIFU_ROOK | KIFU_SECOND_PLAYER_BIT;
  board[SquareIndex(2, 2)] = KIFU_BISHOP | KIFU_SECOND_PLAYER_BIT;
  board[SquareIndex(8, 8)] = KIFU_BISHOP;
  board[SquareIndex(2, 8)] = KIFU_ROOK;
  std::memset(hands, 0, sizeof hands);
  for (const HandicapSquare& removal : kHandicapSquares) {
    if ((flags & removal.bit) == 0) continue;
    KifuPieceCode& square = board[SquareIndex(removal.file, removal.rank)];
    hands[KIFU_BOX][square.Type()] += 1;
    square = 0;
  }
  handicapFlags = flags;
  // In a handicap game the giver, who holds the second player's pieces, moves first.
  sideToMove = (flags == HANDICAP_NONE || flags == HANDICAP_FIRST_KING) ? 0 : 1;
}

void KifuPosition::CopyFrom(const KifuPosition& other) { *this = other; }

bool KifuPosition::operator==(const KifuPosition& other) const {
  return std::memcmp(board, other.board, sizeof board) == 0 && std::memcmp(hands, other.hands, sizeof hands) == 0 &&
         sideToMove == other.sideToMove;
}

int KifuPosition::HandCount(int side, int type) const {
  if (side < 0 || side > KIFU_BOX || type < 0 || type > KIFU_KING) return 0;
  return hands[side][type];
}

bool KifuPosition::DoMove(const KifuMove& move) {
  // IsValidMove also checks the move's piece bytes against the board and
  // the hand, so that a stale or forged move can't create or lose a piece.
  if (!IsPlayable(move) || IsValidMove(move, 1) == 0) return false;
  const KifuPieceCode piece = move.piece;
  const int side = piece.Side();
  const KifuPieceCode captured = move.captured;
  const bool captures = captured.IsPiece();
  const int capturedType = KifuBaseType(captured.Type());
  if (captures && hands[side][capturedType] >= HAND_COUNT_MAX) return false;

  if (move.IsDrop()) {
    hands[side][move.fromRank] -= 1;
  } else {
    board[SquareIndex(move.fromFile, move.fromRank)] = 0;
  }
  const bool promotes = move.promote != 0 && (piece.Type() & 7) != 0;
  board[SquareIndex(move.toFile, move.toRank)] = promotes ? piece.Code() | KIFU_PROMOTED_BIT : piece.Code();
  if (captures) hands[side][capturedType] += 1;
  sideToMove = 1 - side;
  return true;
}

bool KifuPosition::UndoMove(const KifuMove& move) {
  const KifuPieceCode piece = move.piece;
  if (!piece.IsPiece() || !IsPlayable(move)) return false;
  const int side = piece.Side();
  // Only the side that has just moved can take a move back.
  if (sideToMove != 1 - side) return false;
  const int type = piece.Type();
  const bool isDrop = move.IsDrop();
  if (isDrop) {
    if (move.fromFile != KIFU_FIRST_HAND_FILE + side || move.fromRank != type) return false;
    if (type > KIFU_ROOK || hands[side][type] >= HAND_COUNT_MAX) return false;
  } else {
    // The piece goes back to its source, which must be an empty square.
    if (!IsOnBoard(move.fromFile, move.fromRank)) return false;
    if (!board[SquareIndex(move.fromFile, move.fromRank)].IsEmpty()) return false;
  }
  if (!IsOnBoard(move.toFile, move.toRank)) return false;
  const bool promoted = move.promote != 0 && (type & 7) != 0;
  const uint8_t placed = promoted ? piece.Code() | KIFU_PROMOTED_BIT : piece.Code();
  if (board[SquareIndex(move.toFile, move.toRank)].Code() != placed) return false;
  const KifuPieceCode captured = move.captured;
  const bool captures = captured.IsPiece();
  const int capturedType = KifuBaseType(captured.Type());
  if (captures) {
    if (captured.Side() == side || hands[side][capturedType] < 1) return false;
  } else if (captured.Code() != 0) {
    // A played move captures 0 on an empty square; any other byte (13, a
    // lone side bit, a border code) was never on the board.
    return false;
  }

  board[SquareIndex(move.toFile, move.toRank)] = captured;
  if (captures) hands[side][capturedType] -= 1;
  if (isDrop) {
    hands[side][type] += 1;
  } else {
    board[SquareIndex(move.fromFile, move.fromRank)] = piece;
  }
  sideToMove = side;
  return true;
}

bool KifuPosition::EditMove(const KifuMove& move) {
  const int fromFile = move.fromFile, fromRank = move.fromRank;
  const int toFile = move.toFile, toRank = move.toRank;
  const bool fromBoard = IsOnBoard(fromFile, fromRank);
  const bool fromStore = IsKifuStoreFile(fromFile) && fromRank >= 1 && fromRank <= KIFU_KING;
  const bool toBoard = IsOnBoard(toFile, toRank);
  const bool toStore = IsKifuStoreFile(toFile) && toRank >= 1 && toRank <= KIFU_KING;
  if (!(fromBoard || fromStore) || !(toBoard || toStore)) return false;
  const KifuPieceCode piece = move.piece;
  if (piece.Type() == KIFU_KING && (toFile == KIFU_FIRST_HAND_FILE || toFile == KIFU_SECOND_HAND_FILE)) {
    return false;
  }
  if (fromStore && fromFile == toFile) return false;

  if (fromBoard && fromFile == toFile && fromRank == toRank) {
    // In place: a gold or king changes owner; any other piece cycles
    // unpromoted, promoted, the other side's unpromoted and promoted.
    if (move.promote == 0) return false;
    KifuPieceCode& square = board[SquareIndex(fromFile, fromRank)];
    if (!square.IsPiece()) return false;
    const int step = (square.Type() == KIFU_GOLD || square.Type() == KIFU_KING) ? 16 : 8;
    square = (square.Code() + step) & 31;
    return true;
  }

  // The move's bytes must be what stands there: the piece at its source, the
  // displaced piece (or 0) at a board destination, nothing displaced from a
  // hand or the box, and a store's slot of the piece's own type. Anything
  // else would create, lose or overwrite a piece.
  const KifuPieceCode displaced = move.captured;
  if (!piece.IsPiece()) return false;
  const int pieceType = KifuBaseType(piece.Type());
  if (fromBoard ? board[SquareIndex(fromFile, fromRank)] != piece : pieceType != fromRank) return false;
  if (toBoard) {
    const KifuPieceCode target = board[SquareIndex(toFile, toRank)];
    if (displaced.Code() != 0 && (!target.IsPiece() || displaced != target)) return false;
    if (displaced.Code() == 0 && !target.IsEmpty()) return false;
  } else if (displaced.Code() != 0 || toRank != pieceType) {
    return false;
  }
  if (fromStore) {
    const int store = StoreOfFile(fromFile);
    if (hands[store][fromRank] < 1) return false;  // never below zero
    if (displaced.IsPiece()) {
      const int displacedType = KifuBaseType(displaced.Type());
      if (displacedType == KIFU_KING && store != KIFU_BOX) return false;
      if (displacedType != fromRank && hands[store][displacedType] >= HAND_COUNT_MAX) return false;
    }
  }
  if (toStore && hands[StoreOfFile(toFile)][toRank] >= HAND_COUNT_MAX) return false;

  if (fromStore) {
    const int store = StoreOfFile(fromFile);
    hands[store][fromRank] -= 1;
    if (displaced.IsPiece()) hands[store][KifuBaseType(displaced.Type())] += 1;
  } else {
    board[SquareIndex(fromFile, fromRank)] = displaced;
  }
  if (toStore) {
    hands[StoreOfFile(toFile)][toRank] += 1;
  } else {
    board[SquareIndex(toFile, toRank)] = piece;
  }
  return true;
}

void KifuPosition::SwapSides() {
  // Each square swaps with its turned partner once (5五 is its own partner).
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const int here = SquareIndex(file, rank);
      const int there = SquareIndex(TurnedFile(file), TurnedRank(rank));
      if (here < there) std::swap(board[here], board[there]);
    }
  }
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      KifuPieceCode& square = board[SquareIndex(file, rank)];
      if (square.Code() >= 1 && square.Code() <= 31) square = square.Code() ^ KIFU_SECOND_PLAYER_BIT;
    }
  }
  for (int type = 1; type <= KIFU_KING; ++type) std::swap(hands[0][type], hands[1][type]);
}

bool KifuPosition::CollectBoardPieces(int side) {
  if (side < 0 || side > KIFU_BOX) return false;
  int counts[9];
  for (int type = 0; type <= KIFU_KING; ++type) counts[type] = hands[side][type];
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (code.IsPiece() && code.Type() != KIFU_KING) counts[KifuBaseType(code.Type())] += 1;
    }
  }
  for (int count : counts) {
    if (count > HAND_COUNT_MAX) return false;  // would not fit the hand's byte
  }
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      KifuPieceCode& code = board[SquareIndex(file, rank)];
      if (code.IsPiece() && code.Type() != KIFU_KING) code = 0;
    }
  }
  for (int type = 0; type <= KIFU_KING; ++type) hands[side][type] = static_cast<int8_t>(counts[type]);
  return true;
}

bool KifuPosition::GatherHands(int side) {
  if (side != 0 && side != 1) return false;
  const int other = 1 - side;
  for (int type = 1; type <= KIFU_ROOK; ++type) {
    // A negative count would eat into the gathering hand's pieces.
    if (hands[side][type] < 0 || hands[other][type] < 0) return false;
    if (hands[side][type] + hands[other][type] > HAND_COUNT_MAX) return false;
  }
  for (int type = 1; type <= KIFU_ROOK; ++type) {
    hands[side][type] = static_cast<int8_t>(hands[side][type] + hands[other][type]);
    hands[other][type] = 0;
  }
  return true;
}

void KifuPosition::UpdateBoxAndHandicap() {
  int counted[9] = {};
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (code.IsPiece()) counted[KifuBaseType(code.Type())] += 1;
    }
  }
  HandicapFlags flags = 0;
  for (int type = 1; type <= KIFU_KING; ++type) {
    const int inBox = KIFU_FULL_SET[type] - hands[0][type] - hands[1][type] - counted[type];
    hands[KIFU_BOX][type] = ClampCount(inBox);
    if (inBox == 0) continue;
    if (inBox == 1) {
      flags |= kBoxHandicaps[type].one;
    } else if (inBox == 2) {
      flags |= kBoxHandicaps[type].two;
    } else {
      flags |= HANDICAP_OTHER;
    }
  }
  const bool known = std::find(std::begin(KIFU_KNOWN_HANDICAPS), std::end(KIFU_KNOWN_HANDICAPS), flags) !=
                     std::end(KIFU_KNOWN_HANDICAPS);
  handicapFlags = known ? flags : HANDICAP_OTHER;
}
