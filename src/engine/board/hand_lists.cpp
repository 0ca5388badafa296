// Rebuilding of the engine position's in-hand stacks from its hand counts,
// used after a position is assembled square by square.
#include "engine/board/hand_lists.h"

namespace {

// Stack order of the types, as the position's stacks are laid out.
constexpr int kStackTypes[8] = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN, KING};

}  // namespace

void RebuildHandLists(Position& position) {
  for (int type : kStackTypes) {
    const int start = g_handListStart[type];
    const int size = g_handListSize[type];
    // The king slot of the hand counts stays 0, so kings off the board end
    // up out of play.
    const int total = position.hand[0][type - 1] + position.hand[1][type - 1];
    int written = 0;
    // A type's ids are consecutive and its stack group starts at its lowest id.
    for (int id = start; id < start + size; ++id) {
      PieceListEntry& entry = position.pieces[id];
      if (entry.file >= 1 && entry.file <= 9) continue;
      if (written < total) {
        position.handStack[start + written++] = static_cast<PieceId>(id);
        // Stacked pieces are in hand: file 0 tells every reader so.
        entry.file = IN_HAND_FILE;
      } else {
        entry.file = OUT_OF_PLAY_FILE;
      }
    }
  }
}
