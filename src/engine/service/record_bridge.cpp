// Conversions between the record side and the engine: packed engine moves
// to record moves, and record positions to engine positions with PieceIds
// handed out kind by kind.
#include "engine/service/record_bridge.h"

#include <cstring>

#include "engine/board/hand_lists.h"
#include "records/kifu_movement.h"

namespace {

// Record piece type (1 pawn .. 7 rook, 8 king) of each engine base type
// (1 rook .. 7 pawn, 8 king), and back.
constexpr int kRecordTypeOfEngineType[9] = {0, KIFU_ROOK, KIFU_BISHOP, KIFU_GOLD, KIFU_SILVER,
                                            KIFU_KNIGHT, KIFU_LANCE, KIFU_PAWN, KIFU_KING};
constexpr int kEngineTypeOfRecordBase[9] = {0, PAWN, LANCE, KNIGHT, SILVER, GOLD, BISHOP, ROOK, KING};

// ---------------------------------------------------------------------------
// Move codes

// Exactly one owner bit and a type with promotion that exists (1-8, dragon,
// horse, promoted silver, knight, lance, tokin).
bool IsPieceCode(PieceCode code) {
  if (!IsOwnedBy(code, 0) && !IsOwnedBy(code, 1)) return false;
  const int type = TypeOf(code);
  return (type >= ROOK && type <= KING) || type == DRAGON || type == HORSE || (type >= PRO_SILVER && type <= TOKIN);
}

// Pawn and lance can't stand on the far rank, a knight not on the last two:
// such a piece would never move again (the record's rule, by its type).
constexpr bool IsDeadSquare(int baseType, int side, int rank) {
  return IsDeadEndRank(side, rank, KifuDeadEndRanks(kRecordTypeOfEngineType[baseType]));
}

// Whether the piece can go from one square to the other by its movement,
// read from the record's movement table (the squares in between are not
// known to a code, so slides need only line up).
bool MovementReachesByCode(PieceCode code, int fromFile, int fromRank, int toFile, int toRank) {
  const int recordType = kRecordTypeOfEngineType[BaseTypeOf(code)] + (IsPromoted(code) ? KIFU_PROMOTED_BIT : 0);
  return MovementReaches(recordType, OwnerOf(code), toFile - fromFile, toRank - fromRank);
}

bool IsPossibleDrop(MoveCode code) {
  const PieceCode moving = MoveCodePiece(code);
  if (!IsPieceCode(moving) || IsPromoted(moving) || BaseTypeOf(moving) == KING) return false;
  if (MoveCodeCaptured(code) != 0 || MoveCodePromotes(code)) return false;
  return !IsDeadSquare(BaseTypeOf(moving), OwnerOf(moving), MoveCodeToRank(code));
}

bool IsPossibleBoardMove(MoveCode code) {
  const int fromFile = MoveCodeFromFile(code), fromRank = MoveCodeFromRank(code);
  const int toFile = MoveCodeToFile(code), toRank = MoveCodeToRank(code);
  const PieceCode moving = MoveCodePiece(code);
  const PieceCode captured = MoveCodeCaptured(code);
  if (!IsOnBoard(fromFile, fromRank) || !IsPieceCode(moving)) return false;
  const int side = OwnerOf(moving);
  // Kings are never captured: a king capture is no move of the engine.
  if (captured != 0 && (!IsPieceCode(captured) || OwnerOf(captured) == side || TypeOf(captured) == KING)) {
    return false;
  }
  if (!MovementReachesByCode(moving, fromFile, fromRank, toFile, toRank)) return false;
  const int baseType = BaseTypeOf(moving);
  const bool canPromote = !IsPromoted(moving) && baseType != GOLD && baseType != KING &&
                          (IsPromotionZone(side, fromRank) || IsPromotionZone(side, toRank));
  if (MoveCodePromotes(code)) return canPromote;
  return IsPromoted(moving) || !IsDeadSquare(baseType, side, toRank);
}

// ---------------------------------------------------------------------------
// Positions

// Side 0 before side 1, each side read like a diagram: rank 1 to 9, file 9
// to 1. This gives the even start position (and the handicaps) the same
// PieceIds as SetupInitialPosition, so both set-ups agree byte for byte.
constexpr int kFileScanOrder[9] = {9, 8, 7, 6, 5, 4, 3, 2, 1};

// Zeroes everything, padding included, and lays out the wall ring of the
// initial board with every square empty and every piece out of play. The
// ring is the part of the template that no handicap rewrites.
void SetEmptyBoard(Position& position) {
  std::memset(&position, 0, sizeof position);
  for (int id = 0; id < PIECE_COUNT; ++id) position.pieces[id].file = OUT_OF_PLAY_FILE;
  for (int file = 0; file < BOARD_SIZE; ++file) {
    for (int rank = 0; rank < BOARD_SIZE; ++rank) {
      if (IsOnBoard(file, rank)) {
        position.board[file][rank] = static_cast<int8_t>(EMPTY_PIECE_ID);
        continue;
      }
      const int wallId = g_initialBoardTemplate[file][rank];
      position.board[file][rank] = static_cast<int8_t>(wallId);
      position.pieces[wallId] = {static_cast<int8_t>(file), static_cast<int8_t>(rank), WALL_CODE};
    }
  }
}

void RebuildDerivedTables(Position& position) {
  RebuildHandLists(position);
  RecountPawnFiles(position);
  RecountTokins(position);
  RecountHandTotals(position);
  RecomputeAttacks(position);
}

// Engine code of a record piece code that is a piece (1..31, not type 0/13).
PieceCode EngineCodeOf(KifuPieceCode piece) {
  const int type = piece.Type();
  const bool promoted = type > KIFU_KING;
  const int engineType = kEngineTypeOfRecordBase[KifuBaseType(type)];
  return static_cast<PieceCode>(OwnerBit(piece.Side()) | engineType | (promoted ? PROMOTED_BIT : 0));
}

// Places the record's board pieces, handing out PieceIds kind by kind;
// false at the first piece the engine can't hold.
bool PlaceBoardPieces(Position& position, const KifuPosition& record) {
  int nextId[9];  // by engine base type: the next free PieceId of the kind
  for (int type = ROOK; type <= PAWN; ++type) nextId[type] = g_handListStart[type];
  bool kingPlaced[2] = {false, false};
  bool pawnOnFile[2][10] = {};
  for (int side = 0; side < 2; ++side) {
    for (int rank = 1; rank <= 9; ++rank) {
      for (int file : kFileScanOrder) {
        const KifuPieceCode piece = record.board[KifuPosition::SquareIndex(file, rank)];
        if (piece.IsEmpty()) continue;
        if (!piece.IsPiece()) return false;  // 32..255 on a square
        if (piece.Side() != side) continue;  // the other side's pass places it
        const PieceCode code = EngineCodeOf(piece);
        const int baseType = BaseTypeOf(code);
        if (!IsPromoted(code) && IsDeadSquare(baseType, side, rank)) return false;
        int id;
        if (baseType == KING) {
          // The king of side s is always PieceId s.
          if (kingPlaced[side]) return false;
          kingPlaced[side] = true;
          id = side;
        } else {
          if (nextId[baseType] == g_handListStart[baseType] + g_handListSize[baseType]) return false;
          id = nextId[baseType]++;
        }
        if (TypeOf(code) == PAWN) {
          // The pawn-rank table keeps one pawn per side and file.
          if (pawnOnFile[side][file]) return false;
          pawnOnFile[side][file] = true;
        }
        position.board[file][rank] = static_cast<int8_t>(id);
        position.pieces[id] = {static_cast<int8_t>(file), static_cast<int8_t>(rank), code};
      }
    }
  }
  // Hand pieces take the kind's next ids (RebuildHandLists stacks them), so
  // board and hands together must fit the kind's ids.
  for (int type = ROOK; type <= PAWN; ++type) {
    const int inHand = position.hand[0][type - 1] + position.hand[1][type - 1];
    if (nextId[type] + inHand > g_handListStart[type] + g_handListSize[type]) return false;
  }
  return true;
}

// Copies the two hands; false for a negative count, a king in hand, or a
// count beyond any kind's ids (the box never enters the engine).
bool CopyHands(Position& position, const KifuPosition& record) {
  for (int side = 0; side < 2; ++side) {
    if (record.hands[side][KIFU_KING] != 0) return false;
    for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
      const int count = record.hands[side][type];
      if (count < 0 || count > KIFU_FULL_SET[type]) return false;
      position.hand[side][kEngineTypeOfRecordBase[type] - 1] = static_cast<int8_t>(count);
    }
  }
  return true;
}

}  // namespace

int EngineMoveToUi(MoveCode code, KifuMove& out) {
  if (code < 0) return -1;  // NULL_MOVE_CODE and every other negative word
  const int toFile = MoveCodeToFile(code), toRank = MoveCodeToRank(code);
  if (!IsOnBoard(toFile, toRank)) return -1;
  const bool isDrop = MoveCodeFromFile(code) == 0 && MoveCodeFromRank(code) == 0;
  if (isDrop ? !IsPossibleDrop(code) : !IsPossibleBoardMove(code)) return -1;
  const PieceCode moving = MoveCodePiece(code);
  if (isDrop) {
    out.Set(KIFU_FIRST_HAND_FILE + OwnerOf(moving), kRecordTypeOfEngineType[BaseTypeOf(moving)], toFile, toRank, 0,
            0, 0, KifuMoveKind::Ordinary);
  } else {
    out.Set(MoveCodeFromFile(code), MoveCodeFromRank(code), toFile, toRank, 0, 0, MoveCodePromotes(code) ? 1 : 0,
            KifuMoveKind::Ordinary);
  }
  return 0;
}

int KifuPositionToEngine(Position& position, const KifuPosition& record) {
  // Built on an empty board rather than on the initial position: the shared
  // template may hold a handicap, and nothing of it must survive the refill.
  SetEmptyBoard(position);
  const bool sideToMoveValid = record.sideToMove == 0 || record.sideToMove == 1;
  // The side that has just moved can't be in check: the engine would capture a king.
  if (!sideToMoveValid || !CopyHands(position, record) || !PlaceBoardPieces(position, record) ||
      record.IsInCheck(1 - record.sideToMove)) {
    SetEmptyBoard(position);
    RebuildDerivedTables(position);
    return -1;
  }
  position.sideToMove = static_cast<uint8_t>(record.sideToMove);
  RebuildDerivedTables(position);
  return 0;
}
