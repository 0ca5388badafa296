// SFEN-style texts turned into engine positions for tests.
#include "support/sfen_position.h"

#include <cctype>
#include <vector>

#include "support/position_builder.h"

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
  std::vector<PlacedPiece> onBoard;
  std::vector<HandPieces> inHand;
  int kindCount[9] = {};
  int kings[2] = {};
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
      if (type == 0 || file < 1 || (promoted && (type == GOLD || type == KING))) return false;
      const int side = SideOfLetter(c);
      if (type == KING && ++kings[side] > 1) return false;
      ++kindCount[type];
      onBoard.push_back({side, promoted ? type | PROMOTED_BIT : type, file--, rank});
      promoted = false;
    }
  }
  if (rank != 9 || file != 0 || promoted) return false;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at >= text.size() || (text[at] != 'b' && text[at] != 'w')) return false;
  const int sideToMove = text[at++] == 'b' ? 0 : 1;
  while (at < text.size() && text[at] == ' ') ++at;
  for (int count = 0; at < text.size() && text[at] != ' ' && text[at] != '-'; ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      count = count * 10 + (c - '0');
      if (count > 18) return false;
      continue;
    }
    const int type = TypeOfLetter(c);
    if (type == 0 || type == KING) return false;
    const int pieces = count == 0 ? 1 : count;
    kindCount[type] += pieces;
    inHand.push_back({SideOfLetter(c), type, pieces});
    count = 0;
  }
  for (int type = ROOK; type <= PAWN; ++type) {
    if (kindCount[type] > g_handListSize[type]) return false;
  }
  out = BuildPosition(sideToMove, onBoard, inHand);
  return true;
}
