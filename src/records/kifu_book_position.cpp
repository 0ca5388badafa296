// The record position as the opening book's 45-byte position record, read
// from the side to move: pieces in fixed slot groups, sorted, with the
// promoted bits after them.
#include <algorithm>
#include <iterator>

#include "board_geometry.h"
#include "engine/service/book_position.h"
#include "records/kifu_position.h"

namespace {

// Book slots of each base type: [first, end) by type 0..8.
constexpr int kBookGroupFirst[9] = {0, 22, 18, 14, 10, 6, 4, 2, 0};
constexpr int kBookGroupEnd[9] = {0, 40, 22, 18, 14, 10, 6, 4, 2};
constexpr uint8_t BOOK_EMPTY_SLOT = 255;
constexpr int BOOK_OTHER_SIDE = 128;

// Book square code: 10 x row + column seen from the side to move.
constexpr int BookSquare(int toMove, int file, int rank) {
  return toMove == 0 ? 10 * (rank - 1) + (file - 1) : 10 * (TurnedRank(rank) - 1) + (TurnedFile(file) - 1);
}

struct BookSlots {
  uint8_t codes[40];
  bool promoted[40];
  int next[9];

  BookSlots() {
    std::fill(std::begin(codes), std::end(codes), BOOK_EMPTY_SLOT);
    std::fill(std::begin(promoted), std::end(promoted), false);
    std::copy(std::begin(kBookGroupFirst), std::end(kBookGroupFirst), next);
  }
  // False when the type's group is full (only possible for an invalid position).
  bool Add(int baseType, int code, bool isPromoted) {
    if (baseType < 1 || baseType > KIFU_KING || next[baseType] >= kBookGroupEnd[baseType]) return false;
    codes[next[baseType]] = static_cast<uint8_t>(code);
    promoted[next[baseType]] = isPromoted;
    next[baseType] += 1;
    return true;
  }
  // Selection sort of one group, carrying each slot's promoted bit along.
  void SortGroup(int baseType) {
    for (int i = kBookGroupFirst[baseType]; i < kBookGroupEnd[baseType]; ++i) {
      int smallest = i;
      for (int j = i + 1; j < kBookGroupEnd[baseType]; ++j) {
        if (codes[j] < codes[smallest]) smallest = j;
      }
      std::swap(codes[i], codes[smallest]);
      std::swap(promoted[i], promoted[smallest]);
    }
  }
  // A lone king of the side not to move stands in slot 1, so that the two
  // king slots always mean "own king, other king".
  void PlaceLoneKing() {
    if (codes[1] == BOOK_EMPTY_SLOT && codes[0] != BOOK_EMPTY_SLOT && codes[0] >= BOOK_OTHER_SIDE) {
      codes[1] = codes[0];
      codes[0] = BOOK_EMPTY_SLOT;
    }
  }
};

}  // namespace

bool KifuPosition::ToBookPosition(BookPosition& out) const {
  if (!IsValid()) return false;
  const int toMove = sideToMove;
  BookSlots slots;
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const KifuPieceCode code = board[SquareIndex(file, rank)];
      if (!code.IsPiece()) continue;
      const int square = BookSquare(toMove, file, rank) + (code.Side() != toMove ? BOOK_OTHER_SIDE : 0);
      if (!slots.Add(KifuBaseType(code.Type()), square, code.IsPromoted())) return false;
    }
  }
  for (int type = KIFU_PAWN; type <= KIFU_ROOK; ++type) {
    for (int side = 0; side <= 1; ++side) {
      const int code = 89 - 10 * type + (side != toMove ? BOOK_OTHER_SIDE : 0);
      for (int i = 0; i < hands[side][type]; ++i) {
        if (!slots.Add(type, code, false)) return false;
      }
    }
  }
  slots.PlaceLoneKing();
  for (int type = KIFU_PAWN; type <= KIFU_KING; ++type) slots.SortGroup(type);
  slots.PlaceLoneKing();

  std::copy(std::begin(slots.codes), std::end(slots.codes), out.slots);
  std::fill(std::begin(out.promotedBits), std::end(out.promotedBits), 0);
  for (int slot = 0; slot < 40; ++slot) {
    if (slots.promoted[slot]) out.promotedBits[slot / 8] |= static_cast<uint8_t>(1 << (slot % 8));
  }
  return true;
}
