// Builds engine positions from piece lists with the oracle's own attack
// computation, so that rule cases do not lean on the code under test.
#include "support/position_builder.h"

#include <cassert>

#include "support/engine_oracle.h"

namespace {

// The lowest unused PieceId of the base type, or -1 when the kind is used up.
int TakeId(bool (&used)[PIECE_COUNT], int baseType, int side) {
  if (baseType == KING) {
    if (used[side]) return -1;
    used[side] = true;
    return side;
  }
  for (int id = 2; id < PIECE_COUNT; ++id)
    if (!used[id] && g_pieceIdBaseCode[id] == baseType) {
      used[id] = true;
      return id;
    }
  return -1;
}

}  // namespace

Position BuildPosition(int sideToMove, const std::vector<PlacedPiece>& onBoard,
                       const std::vector<HandPieces>& inHand) {
  Position position{};
  position.sideToMove = static_cast<uint8_t>(sideToMove);
  for (int file = 0; file < BOARD_SIZE; ++file)
    for (int rank = 0; rank < BOARD_SIZE; ++rank) {
      if (IsOnBoard(file, rank)) {
        position.board[file][rank] = EMPTY_PIECE_ID;
        continue;
      }
      // The wall ids are those of the set-up template's ring.
      const int wall = g_initialBoardTemplate[file][rank];
      position.board[file][rank] = static_cast<int8_t>(wall);
      position.pieces[wall] = {static_cast<int8_t>(file), static_cast<int8_t>(rank), WALL_CODE};
    }
  for (int id = 0; id < PIECE_COUNT; ++id) position.pieces[id].file = OUT_OF_PLAY_FILE;

  bool used[PIECE_COUNT] = {};
  for (const PlacedPiece& piece : onBoard) {
    const int id = TakeId(used, piece.type & 0x0f, piece.side);
    assert(id >= 0 && IsOnBoard(piece.file, piece.rank) && position.board[piece.file][piece.rank] == EMPTY_PIECE_ID);
    const PieceCode code = static_cast<PieceCode>(OwnerBit(piece.side) | piece.type);
    position.pieces[id] = {static_cast<int8_t>(piece.file), static_cast<int8_t>(piece.rank), code};
    position.board[piece.file][piece.rank] = static_cast<int8_t>(id);
    if (TypeOf(code) == PAWN) position.pawnRank[piece.side][piece.file] = static_cast<int8_t>(piece.rank);
    if (TypeOf(code) == TOKIN) {
      TokinList& list = position.tokins[piece.side];
      list.ids[list.count++] = static_cast<uint32_t>(id);
    }
  }
  for (const HandPieces& pieces : inHand)
    for (int n = 0; n < pieces.count; ++n) {
      const int id = TakeId(used, pieces.type, pieces.side);
      assert(id >= 0);
      int8_t& count = position.hand[pieces.side][pieces.type - 1];
      const int slot = g_handListStart[pieces.type] + position.hand[0][pieces.type - 1] +
                       position.hand[1][pieces.type - 1];
      count = static_cast<int8_t>(count + 1);
      position.handStack[slot] = static_cast<PieceId>(id);
      position.pieces[id] = {IN_HAND_FILE, 0, static_cast<PieceCode>(OwnerBit(pieces.side) | pieces.type)};
      if (pieces.type != PAWN) position.handTotal[pieces.side] += 1;
    }
  OracleComputeAttacks(position);
  return position;
}
