// Builders of small engine positions for tests.
#include "support/position_builder.h"

#include <cctype>
#include <cstring>

#include "engine/service/hand_lists.h"

PositionBuilder& PositionBuilder::Place(int side, int type, int file, int rank) {
  placed_.push_back({side, type, file, rank});
  return *this;
}

PositionBuilder& PositionBuilder::Hand(int side, int baseType, int count) {
  hand_[side][baseType - 1] = count;
  return *this;
}

PositionBuilder& PositionBuilder::SideToMove(int side) {
  sideToMove_ = side;
  return *this;
}

bool PositionBuilder::Build(Position& out) const {
  std::memset(&out, 0, sizeof out);
  for (int id = 0; id < PIECE_COUNT; ++id) out.pieces[id].file = OUT_OF_PLAY_FILE;
  for (int file = 0; file < BOARD_SIZE; ++file) {
    for (int rank = 0; rank < BOARD_SIZE; ++rank) {
      // The ring of the initial template holds the wall ids; no set-up changes it.
      const int cell = IsOnBoard(file, rank) ? EMPTY_PIECE_ID : g_initialBoardTemplate[file][rank];
      out.board[file][rank] = static_cast<int8_t>(cell);
      if (cell >= FIRST_WALL_ID) out.pieces[cell] = {static_cast<int8_t>(file), static_cast<int8_t>(rank), WALL_CODE};
    }
  }
  bool used[PIECE_COUNT] = {};
  for (const Placed& piece : placed_) {
    const int baseType = piece.type & 0x0f;
    if (!IsOnBoard(piece.file, piece.rank) || baseType < ROOK || baseType > KING) return false;
    if (out.board[piece.file][piece.rank] != EMPTY_PIECE_ID) return false;
    int id = -1;
    if (baseType == KING) {
      if (!used[piece.side]) id = piece.side;
    } else {
      for (int candidate = g_handListStart[baseType]; candidate < g_handListStart[baseType] + g_handListSize[baseType];
           ++candidate) {
        if (!used[candidate]) {
          id = candidate;
          break;
        }
      }
    }
    if (id < 0) return false;
    used[id] = true;
    out.board[piece.file][piece.rank] = static_cast<int8_t>(id);
    out.pieces[id] = {static_cast<int8_t>(piece.file), static_cast<int8_t>(piece.rank),
                      static_cast<PieceCode>(OwnerBit(piece.side) | piece.type)};
  }
  for (int baseType = ROOK; baseType <= PAWN; ++baseType) {
    int free = 0;
    for (int id = g_handListStart[baseType]; id < g_handListStart[baseType] + g_handListSize[baseType]; ++id) {
      free += used[id] ? 0 : 1;
    }
    if (hand_[0][baseType - 1] + hand_[1][baseType - 1] > free) return false;
    out.hand[0][baseType - 1] = static_cast<int8_t>(hand_[0][baseType - 1]);
    out.hand[1][baseType - 1] = static_cast<int8_t>(hand_[1][baseType - 1]);
  }
  out.sideToMove = static_cast<uint8_t>(sideToMove_);
  RebuildHandLists(out);
  RecountPawnFiles(out);
  RecountTokins(out);
  RecountHandTotals(out);
  RecomputeAttacks(out);
  return true;
}

namespace {

int TypeOfLetter(char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'K': return KING;
    case 'R': return ROOK;
    case 'B': return BISHOP;
    case 'G': return GOLD;
    case 'S': return SILVER;
    case 'N': return KNIGHT;
    case 'L': return LANCE;
    case 'P': return PAWN;
    default: return 0;
  }
}

int SideOfLetter(char letter) { return std::isupper(static_cast<unsigned char>(letter)) ? 0 : 1; }

}  // namespace

bool PositionFromSfen(std::string_view text, Position& out) {
  PositionBuilder builder;
  size_t at = 0;
  int rank = 1, file = 9;
  bool promoted = false;
  for (; at < text.size() && text[at] != ' '; ++at) {
    const char c = text[at];
    if (c == '/') {
      if (file != 0 || ++rank > 9) return false;
      file = 9;
    } else if (c >= '1' && c <= '9') {
      file -= c - '0';
      if (file < 0) return false;
    } else if (c == '+') {
      promoted = true;
    } else {
      const int type = TypeOfLetter(c);
      if (type == 0 || file < 1) return false;
      builder.Place(SideOfLetter(c), promoted ? type | PROMOTED_BIT : type, file--, rank);
      promoted = false;
    }
  }
  if (rank != 9 || file != 0) return false;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at >= text.size() || (text[at] != 'b' && text[at] != 'w')) return false;
  builder.SideToMove(text[at++] == 'b' ? 0 : 1);
  while (at < text.size() && text[at] == ' ') ++at;
  int counts[2][8] = {};
  for (int count = 0; at < text.size() && text[at] != ' ' && text[at] != '-'; ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      count = count * 10 + (c - '0');
      continue;
    }
    const int type = TypeOfLetter(c);
    if (type == 0 || type == KING) return false;
    counts[SideOfLetter(c)][type - 1] += count == 0 ? 1 : count;
    count = 0;
  }
  for (int side = 0; side < 2; ++side) {
    for (int type = ROOK; type <= PAWN; ++type) builder.Hand(side, type, counts[side][type - 1]);
  }
  return builder.Build(out);
}
