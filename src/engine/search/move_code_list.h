// The search's list of packed moves already searched at a node, with a
// stamped quick-reject table keyed by the move's from square so that most
// lookups answer without scanning the codes.
#pragma once

#include <cstdint>

#include "engine/search/move_code.h"

struct MoveCodeList {
  // Room for every move a position can have (the most legal moves known in
  // any position are 593).
  static constexpr int kCapacity = 600;

  uint32_t stamp;
  uint32_t quickReject[256];  // by the code's low byte (from rank << 4 | from file; 0 for a drop)
  int count;
  MoveCode codes[kCapacity];

  // Empties the list: a new stamp, so no old quick-reject word matches.
  void Clear();
  // Appends the code; returns false and keeps the list when it is full.
  bool Add(MoveCode code);
  // Whether any drop has been added (a list never cleared holds nothing).
  bool HasDrop() const { return count > 0 && quickReject[0] == stamp; }
  // Whether exactly this code has been added.
  bool Contains(MoveCode code) const;
  // Whether the drop of a piece with this code on (file, rank) has been added.
  bool HasDrop(int file, int rank, PieceCode code) const {
    return count > 0 && Contains(PackMoveCode(0, 0, file, rank, code, 0, false));
  }
  // Whether this board move has been added.
  bool Contains(int fromFile, int fromRank, int toFile, int toRank, PieceCode moving, PieceCode captured,
                int promote) const {
    return count > 0 && Contains(PackMoveCode(fromFile, fromRank, toFile, toRank, moving, captured, promote != 0));
  }
};

// The quick-reject slot of a packed move: its from square, 0 for a drop.
constexpr int QuickRejectSlot(MoveCode code) { return code & 0xff; }
