// The one walk that writes attacks into the square records: a piece's step
// attacks and a slider's ray, applied with sign +1 (add) or -1 (remove).
// Removal walks the same path on the same board as the add did, so it is exact.
#pragma once

#include <cassert>
#include <cstdint>

#include "engine/board/make_move.h"
#include "engine/board/position.h"

namespace attack_rays {

// Hook called with (file, rank) for every square a walk changes, in walk
// order; the default does nothing.
struct IgnoreSquare {
  void operator()(int, int) const {}
};

// DirectionId of an absolute unit step as seen by `side` (rank steps are
// counted forward for the side), the index into a type's continuations.
inline int SideDirectionId(int side, int df, int dr) {
  return g_directionIndex[DirectionIndexSlot(df, dr * SideSign(side))];
}

template <int Sign>
inline void EditCount(uint8_t& count) {
  assert(Sign > 0 || count > 0);
  count = static_cast<uint8_t>(count + Sign);
}

template <int Sign>
inline void EditBit(uint32_t& set, uint32_t bit) {
  // An attack is added only where it is absent and removed only where present.
  assert(((set & bit) != 0) == (Sign < 0));
  if constexpr (Sign > 0) {
    set |= bit;
  } else {
    set &= ~bit;
  }
}

template <int Sign>
inline void EditDirect(SquareAttackRecord& record, int side, int id) {
  EditCount<Sign>(record.directCount[side]);
  if (id < 32) {
    EditBit<Sign>(record.directSet[side].low, 1u << id);
  } else {
    EditBit<Sign>(record.directSet[side].high, 1u << (id - 32));
  }
}

template <int Sign>
inline void EditXray(SquareAttackRecord& record, int side, uint32_t bit) {
  EditCount<Sign>(record.xrayCount[side]);
  EditBit<Sign>(record.xraySet[side], bit);
}

template <int Sign>
inline void EditChange(AttackChangeRecord* changes, int square, int side) {
  if (changes != nullptr) changes[square].change[side] = static_cast<int8_t>(changes[square].change[side] + Sign);
}

// Square (file, rank) on the board gains (Sign +1) or loses (-1) the attack
// of piece `id`: direct or in second line, with or without the sliding bit.
template <int Sign, class Hook>
inline void EditAttackOn(Position& position, int side, int id, int file, int rank, bool direct, bool sliding,
                         AttackChangeRecord* changes, Hook& hook) {
  const int square = SquareIndex(file, rank);
  SquareAttackRecord& record = position.attacks[square];
  if (direct) {
    EditDirect<Sign>(record, side, id);
  } else {
    EditXray<Sign>(record, side, 1u << id);
  }
  if (sliding) EditBit<Sign>(record.slidingSet[side], 1u << id);
  EditChange<Sign>(changes, square, side);
  hook(file, rank);
}

// The square right after (file, rank) in the step gets (or loses) an attack
// without the sliding bit: beyond an own piece that moves one step that way
// (second line), or behind an enemy king (direct), so the king cannot step
// back along the line.
template <int Sign, class Hook>
inline void EditSquareBeyond(Position& position, int side, int id, int file, int rank, int df, int dr, bool direct,
                             AttackChangeRecord* changes, Hook& hook) {
  file += df;
  rank += dr;
  if (position.board[file][rank] >= FIRST_WALL_ID) return;
  EditAttackOn<Sign>(position, side, id, file, rank, direct, false, changes, hook);
}

// Applies the rest of the ray of slider `id` of `side` that has reached
// (file, rank) in direct or second-line mode, from what stands there on: an
// empty square lets it on; an enemy piece stops it; an own piece that moves
// on along the line switches it to second line, one that moves one step
// that way gives the square beyond. Only this rest depends on the square's
// content, so a move re-applies just the rest past a square it changes.
template <int Sign, class Hook = IgnoreSquare>
inline void ApplyRayBeyond(Position& position, int side, int id, int file, int rank, int df, int dr, bool direct,
                           AttackChangeRecord* changes, Hook&& hook = {}) {
  assert(id >= 0 && id < 32);
  for (;;) {
    const int cell = position.board[file][rank];
    if (cell != EMPTY_PIECE_ID) {
      const PieceCode code = position.pieces[cell].code;
      if (!IsOwnedBy(code, side)) {
        if (direct && TypeOf(code) == KING) {
          EditSquareBeyond<Sign>(position, side, id, file, rank, df, dr, true, changes, hook);
        }
        return;
      }
      const int continuation = g_pieceMoveTable[TypeOf(code)].slot[SideDirectionId(side, df, dr)].continuation;
      if (continuation != 2) {
        if (continuation == 1) EditSquareBeyond<Sign>(position, side, id, file, rank, df, dr, false, changes, hook);
        return;
      }
      direct = false;
    }
    file += df;
    rank += dr;
    if (position.board[file][rank] >= FIRST_WALL_ID) return;
    EditAttackOn<Sign>(position, side, id, file, rank, direct, true, changes, hook);
  }
}

// Applies the whole ray of slider `id` of `side` that starts after
// (file, rank) in the absolute unit step (df, dr), in direct mode or in
// second line from its first square.
template <int Sign, class Hook = IgnoreSquare>
inline void ApplyRay(Position& position, int side, int id, int file, int rank, int df, int dr, bool direct,
                     AttackChangeRecord* changes, Hook&& hook = {}) {
  assert(id >= 0 && id < 32);
  file += df;
  rank += dr;
  if (position.board[file][rank] >= FIRST_WALL_ID) return;
  EditAttackOn<Sign>(position, side, id, file, rank, direct, true, changes, hook);
  ApplyRayBeyond<Sign>(position, side, id, file, rank, df, dr, direct, changes, hook);
}

// Applies all attacks of piece `id` with `code` standing on (file, rank):
// moves in table order, step targets direct whatever stands there, slides
// by ApplyRay. The board around the square decides the rays, not the
// piece list, so the caller may apply a piece before or after moving it.
template <int Sign, class Hook = IgnoreSquare>
inline void ApplyPieceAttacks(Position& position, int id, PieceCode code, int file, int rank,
                              AttackChangeRecord* changes, Hook&& hook = {}) {
  assert(TypeOf(code) < TYPE_TABLE_SIZE);
  const int side = OwnerOf(code);
  const int forward = SideSign(side);
  const PieceMoves& moves = g_pieceMoveTable[TypeOf(code)];
  for (int n = 0; n < moves.count; ++n) {
    const PieceMoveSlot& move = moves.slot[n];
    const int df = move.df;
    const int dr = move.dr * forward;
    if (move.slides) {
      ApplyRay<Sign>(position, side, id, file, rank, df, dr, true, changes, hook);
      continue;
    }
    const int targetFile = file + df;
    const int targetRank = rank + dr;
    // A knight's jump from rank 1 or 9 reaches past the one-cell wall ring.
    if (!IsOnBoard(targetFile, targetRank)) continue;
    EditAttackOn<Sign>(position, side, id, targetFile, targetRank, true, false, changes, hook);
  }
}

}  // namespace attack_rays
