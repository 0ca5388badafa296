// Set-up of the engine position from the initial board and the handicaps,
// the recounts that rebuild its derived tables, the from-scratch attack
// computation, and the move record's setters.
#include "engine/board/position.h"

#include <cstring>

#include "engine/board/attack_rays.h"
#include "engine/board/hand_lists.h"

void MoveRecord::Set(int fromFileValue, int fromRankValue, int toFileValue, int toRankValue, PieceId moving,
                     PieceCode movingCode, PieceId captured, PieceCode capturedCodeValue, int promoteFlag) {
  fromFile = static_cast<int8_t>(fromFileValue);
  fromRank = static_cast<int8_t>(fromRankValue);
  toFile = static_cast<int8_t>(toFileValue);
  toRank = static_cast<int8_t>(toRankValue);
  pieceId = moving;
  capturedId = captured;
  pieceCode = movingCode;
  capturedCode = capturedCodeValue;
  promote = static_cast<uint8_t>(promoteFlag);
}

void MoveRecord::SetDrop(int toFileValue, int toRankValue, PieceId moving, PieceCode movingCode) {
  fromFile = 0;
  fromRank = 0;  // a drop's packed code carries from rank 0
  toFile = static_cast<int8_t>(toFileValue);
  toRank = static_cast<int8_t>(toRankValue);
  pieceId = moving;
  capturedId = EMPTY_PIECE_ID;
  pieceCode = movingCode;
  capturedCode = 0;
  promote = 0;
}

void MoveRecord::SetNull() {
  fromFile = static_cast<int8_t>(NULL_MOVE_FILE);
  toFile = static_cast<int8_t>(NULL_MOVE_FILE);
  pieceId = EMPTY_PIECE_ID;
  capturedId = EMPTY_PIECE_ID;
  pieceCode = 0;
  capturedCode = 0;
  promote = 0;
}

namespace {

// The six cells a handicap may empty, with the PieceId each holds in the
// even game.
struct HandicapCell {
  int file, rank;
  PieceId id;
};
constexpr HandicapCell kHandicapCells[6] = {
    {8, 2, 3},   // rook
    {2, 2, 5},   // bishop
    {1, 1, 21},  // lance
    {9, 1, 20},  // lance
    {2, 1, 17},  // knight
    {8, 1, 16},  // knight
};

// Per handicap 0-7, bit n set when cell n of kHandicapCells is emptied.
constexpr uint8_t kHandicapRemovals[8] = {
    0x00,  // 平手
    0x04,  // 香落ち: lance 1-1
    0x02,  // 角落ち
    0x01,  // 飛車落ち
    0x05,  // 飛香落ち: rook and lance 1-1
    0x03,  // 二枚落ち: rook and bishop
    0x0f,  // 四枚落ち: rook, bishop and both lances
    0x3f,  // 六枚落ち: and both knights
};

// Side 1's set-up occupies ranks 1-3; ranks 0-5 of the template belong to it.
constexpr PieceCode InitialOwnerBit(int rank) { return rank <= 5 ? OwnerBit(1) : OwnerBit(0); }

// Rows 1-9 by d = -4 .. 4 (index d + 4); row 0 unused.
constexpr int8_t kSideRelativeTable[10][9] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, -1, -3, -5, -7, -9, -10},
    {0, 0, 0, -1, -3, -5, -7, -9, -10},
    {0, 0, 0, -1, -3, -5, -7, -9, -10},
    {0, 0, 0, -1, -3, -5, -7, -9, -10},
    {-15, -5, -3, -5, -3, -5, -7, -9, -10},
    {-54, -43, -33, -22, -7, 4, -10, -22, -37},
    {-58, -50, -40, -29, -16, -7, -27, -35, -52},
    {-66, -55, -48, -42, -27, -15, -37, -47, -61},
    {-78, -61, -57, -62, -48, -43, -50, -65, -75},
};

}  // namespace

void SetupHandicap(Position& position, int handicap) {
  // A value outside 0-7 leaves the template as it is.
  if (handicap >= 0 && handicap <= 7) {
    for (int cell = 0; cell < 6; ++cell) {
      const HandicapCell& handicapCell = kHandicapCells[cell];
      const bool removed = (kHandicapRemovals[handicap] >> cell) & 1;
      g_initialBoardTemplate[handicapCell.file][handicapCell.rank] = removed ? EMPTY_PIECE_ID : handicapCell.id;
    }
  }
  SetupInitialPosition(position);
  if (handicap != HANDICAP_EVEN) position.sideToMove = 1;
}

void SetupInitialPosition(Position& position) {
  // Zero everything, padding and stale slots included, so that two set-ups
  // of the same board compare equal byte for byte.
  std::memset(&position, 0, sizeof position);
  for (int id = 0; id < PIECE_COUNT; ++id) position.pieces[id].file = OUT_OF_PLAY_FILE;
  position.pieces[EMPTY_PIECE_ID] = {0, 0, 0};
  for (int file = 0; file < BOARD_SIZE; ++file) {
    for (int rank = 0; rank < BOARD_SIZE; ++rank) {
      const int id = g_initialBoardTemplate[file][rank];
      position.board[file][rank] = static_cast<int8_t>(id);
      PieceListEntry& entry = position.pieces[id];
      if (id >= FIRST_WALL_ID) {
        entry = {static_cast<int8_t>(file), static_cast<int8_t>(rank), WALL_CODE};
      } else if (id < PIECE_COUNT) {
        entry = {static_cast<int8_t>(file), static_cast<int8_t>(rank),
                 static_cast<PieceCode>(InitialOwnerBit(rank) | g_pieceIdBaseCode[id])};
      }
    }
  }
  position.sideToMove = 0;
  RebuildHandLists(position);
  RecountPawnFiles(position);
  RecountTokins(position);
  RecountHandTotals(position);
  RecomputeAttacks(position);
}

void RecountPawnFiles(Position& position) {
  std::memset(position.pawnRank, 0, sizeof position.pawnRank);
  for (int id = 22; id < PIECE_COUNT; ++id) {
    const PieceListEntry& entry = position.pieces[id];
    if (!IsOnBoard(entry.file, entry.rank) || IsPromoted(entry.code)) continue;
    position.pawnRank[OwnerOf(entry.code)][entry.file] = entry.rank;
  }
}

void RecountTokins(Position& position) {
  position.tokins[0].count = 0;
  position.tokins[1].count = 0;
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      const PieceCode code = position.pieces[id].code;
      if (id >= PIECE_COUNT || TypeOf(code) != TOKIN) continue;
      TokinList& list = position.tokins[OwnerOf(code)];
      // 18 pawns exist in all, so a full list means a corrupt board; skip
      // rather than write past the end.
      if (list.count < 18) list.ids[list.count++] = static_cast<uint32_t>(id);
    }
  }
}

void RecountHandTotals(Position& position) {
  for (int side = 0; side < 2; ++side) {
    int total = 0;
    for (int type = ROOK; type <= LANCE; ++type) total += position.hand[side][type - 1];
    position.handTotal[side] = static_cast<uint32_t>(total);
  }
}

void RecomputeAttacks(Position& position) {
  std::memset(position.attacks, 0, sizeof position.attacks);
  for (int id = 0; id < PIECE_COUNT; ++id) AddPieceAttacks(position, id);
}

void AddPieceAttacks(Position& position, int id) {
  const PieceListEntry& entry = position.pieces[id];
  if (!IsOnBoard(entry.file, entry.rank)) return;
  attack_rays::ApplyPieceAttacks<+1>(position, id, entry.code, entry.file, entry.rank, nullptr);
}

int SideRelativeTableValue(int side, int type, int row, int rank) {
  if (type == KNIGHT) return 0;
  const int d = (rank - 5) * SideSign(side);
  return kSideRelativeTable[type < KNIGHT ? row : 10 - row][d + 4];
}

int Position::HandStackTop(int side, int baseType) const {
  if (hand[side][baseType - 1] <= 0) return -1;
  return handStack[g_handListStart[baseType] + HandStackHeight(baseType) - 1];
}
