// The king-attack generator of the selective search: checks and drops next
// to the enemy king, drops that attack enemy pieces, batteries and camp
// drops (proposed into a stamped dedupe table first), and the attacking
// board moves of every own piece; plus the tests its proposers share.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_code_list.h"

// The generation-stamped table of proposed attacking drops, one global
// instance shared by the generator and its proposers. A slot "is set" when
// it holds the current stamp, so a call never clears what older calls left.
struct AttackMoveStamps {
  // Slots per (piece, destination, promotion flag).
  enum Slot : int {
    kProposed = 0,
    kTwice = 1,        // proposed at least twice (or counted so at once)
    kTagKing = 4,      // at the king, its pieces and own batteries
    kTagNeighbour = 5,  // next to the king
    kTagCamp = 6,      // in the enemy camp
    kTagPawnVariant = 7,
    kWeak = 8,         // proposed once, by a rule that marks weak proposals
  };
  static constexpr int kSlotCount = 9;
  static constexpr int kNoTag = 0;
  static constexpr int kCandidateCapacity = PIECE_COUNT * SQUARE_COUNT * 2;

  struct Candidate {
    uint32_t pieceId, file, rank, promote;
  };

  uint32_t stamp;
  uint32_t slots[PIECE_COUNT][9][9][2][kSlotCount];  // [id][file - 1][rank - 1][promote][slot]
  uint32_t count;
  Candidate candidates[kCandidateCapacity];

  // A proposal: the first one sets the proposed slot and its tag and
  // appends a candidate; a repeat sets the twice slot and clears the weak one.
  void Mark(int id, int file, int rank, int promote, int tag);
  // The weak form: a first proposal is also marked weak; a repeat sets the
  // twice slot only when its tag is kTagKing and that tag is set, and
  // always clears the weak slot.
  void MarkWeak(int id, int file, int rank, int promote, int tag);
  // A first proposal counted as two at once (tag kNoTag for none); a repeat as Mark.
  void MarkTwice(int id, int file, int rank, int promote, int tag);
  // Whether the slot holds the current stamp.
  bool IsMarked(int id, int file, int rank, int promote, int slot) const {
    return slots[id][file - 1][rank - 1][promote][slot] == stamp;
  }

 private:
  uint32_t* Group(int id, int file, int rank, int promote) { return slots[id][file - 1][rank - 1][promote]; }
  // Appends a candidate with its first slots set; false when it was proposed before.
  bool First(uint32_t* group, int id, int file, int rank, int promote, int tag);
};
static_assert(sizeof(AttackMoveStamps::slots) == 233280);

extern AttackMoveStamps g_attackMoveStamps;

// Slots to 0 and no candidates: at the start of every think and benchmark.
void ClearAttackMoveStamps();
// ClearAttackMoveStamps and stamp 1: once at start-up.
void InitAttackMoveStamps();
// Starts a generator call: a stamp newer than every slot (the search
// generation + 1975 unless an earlier call already used that much) and no candidates.
void BeginAttackMoveStamps();

// Drop thresholds [g_gameStage][depth], depth clamped to the table.
inline constexpr int DROP_THRESHOLD_DEPTHS = 40;
extern const int g_dropThreshold[3][DROP_THRESHOLD_DEPTHS];
int DropThreshold(int depth);

// The attacking moves of the side to move at a selective node, written at
// out; `line` is the search's record of the opponent's last move (line[-1]
// the side's own previous move), `key` the follow-up key, `done` the moves
// already searched. Below depth 1 the shallow variant answers. The out
// array must hold every board move of the side plus one drop per proposal
// group (kCandidateCapacity at most): the search passes its move buffer.
int GenerateKingAttackMoves(const Position& position, const MoveRecord* line, int depth, uint32_t key,
                            const MoveCodeList& done, MoveRecord* out);

// Whether the side's highest-id direct attacker taking a piece of `code` on
// (file, rank) has an exchange value above the threshold; false without one.
bool CaptureGainExceeds(const Position& position, int side, PieceCode code, int file, int rank, int threshold);
// Hand and board worth the side gains by dropping `placed` on (file, rank)
// to win the piece `taken` that stands there.
int DropTradeGain(const Position& position, int side, PieceCode placed, int file, int rank, PieceCode taken);
// Whether a pawn dropped to attack the empty camp square (file, rank) is
// worth its place in hand at this depth.
bool IsCampPawnDropWorth(const Position& position, int side, int depth, int file, int rank);
// The side attacks the square directly, or the enemy does not.
bool IsCampDropSquareUsable(const Position& position, int side, int depth, int file, int rank);
// Empty enemy-camp squares the enemy does not hold: no enemy direct
// attacker, or one while the side has one.
int SafeCampSquareCount(const Position& position, int side);
// The larger king-relative worth of a piece of `type` of the side on the
// square (the plain piece value in the opening).
int KingRelativeWorth(const Position& position, int side, int type, int file, int rank);
