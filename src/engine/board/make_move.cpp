// Make and unmake of engine moves, and the attack history they record. A
// move changes only the attacks of the mover, of the captured piece and of
// the slider rays that reach its from- or to-square; make and unmake take
// those (from the changed square on) off the board as it was and lay them
// again on the board as it becomes, so every attack record stays exactly
// what a recount would give.
#include "engine/board/make_move.h"

#include <bit>
#include <cassert>

#include "engine/board/attack_rays.h"

AttackHistory g_attackHistory;
AttackChangeRecord* g_attackHistoryLists[ATTACK_HISTORY_LAYERS + 1];
int g_attackHistoryDepth;

namespace {

using attack_rays::ApplyPieceAttacks;

constexpr int StepToward(int from, int to) { return (to > from) - (to < from); }
constexpr uint32_t SliderBit(int id) { return id < 32 ? 1u << id : 0u; }

// The change records of layer `depth` when a move there is recorded; none
// outside the 44 layers, so a too-deep recorded move is kept unrecorded
// (by its make and its unmake alike) instead of writing past the history.
AttackChangeRecord* RecordedLayer(int recordFlag, int depth) {
  if (recordFlag != 1 || depth < 0 || depth >= ATTACK_HISTORY_LAYERS) return nullptr;
  return g_attackHistory.layer[depth];
}

// ---------------------------------------------------------------------------
// Rays through the squares of a move

// A slider ray that reaches a square the move changes. Only the ray's rest
// past the first such square (nearest the slider) can change, and it is
// the same set of rays before and after the move.
struct ThroughRay {
  uint8_t id;
  uint8_t side;
  int8_t df, dr;        // unit step from the slider toward the square
  int8_t file, rank;    // the changed square the rest starts from
  bool direct;          // the ray reaches that square directly (else in second line)
  bool fromSquare;      // that square is the move's from-square
};

struct ThroughRays {
  // At most the 8 sliders, each through the from- and the to-square.
  ThroughRay ray[16];
  int count = 0;
};

constexpr int Distance(int fileA, int rankA, int fileB, int rankB) {
  const int files = fileA > fileB ? fileA - fileB : fileB - fileA;
  const int ranks = rankA > rankB ? rankA - rankB : rankB - rankA;
  return files > ranks ? files : ranks;
}

// Adds the rays of the sliders in the sliding sets of (file, rank), highest
// PieceId first, skipping `excluded` ids; a ray already collected through
// the other square keeps the one nearer its slider.
void CollectRaysThrough(const Position& position, int file, int rank, uint32_t excluded, bool isFrom,
                        ThroughRays& rays) {
  const SquareAttackRecord& record = *position.SquareRecord(file, rank);
  uint32_t sliders = (record.slidingSet[0] | record.slidingSet[1]) & ~excluded;
  while (sliders != 0) {
    const int id = std::bit_width(sliders) - 1;
    sliders &= ~(1u << id);
    const PieceListEntry& slider = position.pieces[id];
    const int side = OwnerOf(slider.code);
    assert(IsOnBoard(slider.file, slider.rank) && ((record.slidingSet[side] >> id) & 1));
    const ThroughRay ray = {static_cast<uint8_t>(id),
                            static_cast<uint8_t>(side),
                            static_cast<int8_t>(StepToward(slider.file, file)),
                            static_cast<int8_t>(StepToward(slider.rank, rank)),
                            static_cast<int8_t>(file),
                            static_cast<int8_t>(rank),
                            ((record.directSet[side].low >> id) & 1) != 0,
                            isFrom};
    int known = 0;
    while (known < rays.count &&
           !(rays.ray[known].id == id && rays.ray[known].df == ray.df && rays.ray[known].dr == ray.dr)) {
      ++known;
    }
    if (known == rays.count) {
      assert(rays.count < 16);
      rays.ray[rays.count++] = ray;
    } else if (Distance(slider.file, slider.rank, file, rank) <
               Distance(slider.file, slider.rank, rays.ray[known].file, rays.ray[known].rank)) {
      rays.ray[known] = ray;
    }
  }
}

template <int Sign, class Hook = attack_rays::IgnoreSquare>
void ApplyThroughRay(Position& position, const ThroughRay& ray, AttackChangeRecord* changes, Hook&& hook = {}) {
  attack_rays::ApplyRayBeyond<Sign>(position, ray.side, ray.id, ray.file, ray.rank, ray.df, ray.dr, ray.direct,
                                    changes, hook);
}

// Takes off (Sign -1) or lays again (+1) every collected ray.
template <int Sign>
void ApplyThroughRays(Position& position, const ThroughRays& rays, AttackChangeRecord* changes) {
  for (int n = 0; n < rays.count; ++n) ApplyThroughRay<Sign>(position, rays.ray[n], changes);
}

// ---------------------------------------------------------------------------
// The list of a recorded capture

// Squares that matter for the reply to a capture, linked through the
// layer's change records at the front of the list head. A bit set beside
// the links keeps each square in the list at most once.
class ReplySquareList {
 public:
  ReplySquareList(AttackChangeRecord* layer, AttackChangeRecord** head) : layer_(layer), head_(head) {}

  bool Contains(int square) const { return (members_[square >> 6] >> (square & 63)) & 1; }

  void Push(int square) {
    assert(!Contains(square));
    AttackChangeRecord* record = &layer_[square];
    record->next = *head_;
    record->previous = nullptr;
    if (*head_ != nullptr) (*head_)->previous = record;
    *head_ = record;
    members_[square >> 6] |= uint64_t{1} << (square & 63);
  }

  // The record's own links are left as they were.
  void Unlink(int square) {
    assert(Contains(square));
    AttackChangeRecord* record = &layer_[square];
    if (record->previous != nullptr) record->previous->next = record->next;
    if (record->next != nullptr) record->next->previous = record->previous;
    if (*head_ == record) *head_ = record->next;
    members_[square >> 6] &= ~(uint64_t{1} << (square & 63));
  }

  // Hooks for the walks of a capture, in the order make calls them.
  // The mover stops attacking a square from the from-square.
  void MoverLost(int file, int rank) { Push(SquareIndex(file, rank)); }
  // The mover attacks a square from the to-square: a lost square is given back.
  void MoverGained(int file, int rank) {
    const int square = SquareIndex(file, rank);
    if (Contains(square)) Unlink(square);
  }
  // An opponent slider's ray reaches a square past the vacated from-square.
  void SliderReachedBeyond(int file, int rank) {
    const int square = SquareIndex(file, rank);
    if (!Contains(square)) Push(square);
  }

 private:
  AttackChangeRecord* layer_;
  AttackChangeRecord** head_;
  uint64_t members_[2] = {0, 0};
};

// Calls the list for the squares an opponent slider's re-laid ray reaches
// beyond the from-square. When the mover was a king the first of them
// already held the slider's attack (the square behind the king).
struct BeyondFromHook {
  ReplySquareList* list;
  bool skipFirst;

  void operator()(int file, int rank) {
    if (skipFirst) {
      skipFirst = false;
      return;
    }
    list->SliderReachedBeyond(file, rank);
  }
};

// ---------------------------------------------------------------------------
// Derived tables

void AppendTokin(TokinList& list, int id) {
  assert(list.count < 18);
  list.ids[list.count++] = static_cast<uint32_t>(id);
}

// The first entry holding the id takes the list's last entry.
void RemoveTokin(TokinList& list, int id) {
  for (uint32_t n = 0; n < list.count; ++n) {
    if (list.ids[n] == static_cast<uint32_t>(id)) {
      list.ids[n] = list.ids[--list.count];
      return;
    }
  }
  // Never reached: every tokin on the board is in its owner's list.
  assert(false && "tokin not in its owner's list");
}

// A piece goes into the side's hand, on top of its type's stack.
void PutInHand(Position& position, int side, int id, PieceCode code) {
  const int baseType = BaseTypeOf(code);
  position.pieces[id].file = IN_HAND_FILE;
  ++position.hand[side][baseType - 1];
  const int top = position.HandStackHeight(baseType) - 1;
  assert(top < g_handListSize[baseType]);
  position.handStack[g_handListStart[baseType] + top] = static_cast<PieceId>(id);
}

// ---------------------------------------------------------------------------
// Board moves

void MakeBoardMove(Position& position, const MoveRecord& move, AttackChangeRecord* changes, ReplySquareList* list) {
  const int side = OwnerOf(move.pieceCode);
  const int other = side ^ 1;
  const int id = move.pieceId;
  const int captured = move.capturedId;
  const bool capture = captured != EMPTY_PIECE_ID;
  const int fromFile = move.fromFile, fromRank = move.fromRank;
  const int toFile = move.toFile, toRank = move.toRank;
  const PieceCode oldCode = move.pieceCode;
  const PieceCode newCode = move.promote ? static_cast<PieceCode>(oldCode | PROMOTED_BIT) : oldCode;
  assert(position.board[fromFile][fromRank] == id && position.pieces[id].code == oldCode);
  assert(position.board[toFile][toRank] == captured);
  assert(!capture || (position.pieces[captured].code == move.capturedCode && OwnerOf(move.capturedCode) == other &&
                      TypeOf(move.capturedCode) != KING));

  ThroughRays rays;
  const uint32_t excluded = SliderBit(id) | (capture ? SliderBit(captured) : 0u);
  CollectRaysThrough(position, fromFile, fromRank, excluded, true, rays);
  CollectRaysThrough(position, toFile, toRank, excluded, false, rays);

  // Off the board as it is.
  ApplyThroughRays<-1>(position, rays, changes);
  if (capture) ApplyPieceAttacks<-1>(position, captured, move.capturedCode, toFile, toRank, changes);
  ApplyPieceAttacks<-1>(position, id, oldCode, fromFile, fromRank, changes, [list](int file, int rank) {
    if (list != nullptr) list->MoverLost(file, rank);
  });

  position.board[fromFile][fromRank] = static_cast<int8_t>(EMPTY_PIECE_ID);
  position.board[toFile][toRank] = static_cast<int8_t>(id);
  position.pieces[id] = {static_cast<int8_t>(toFile), static_cast<int8_t>(toRank), newCode};
  if (TypeOf(oldCode) == PAWN) {
    if (move.promote) {
      position.pawnRank[side][toFile] = 0;
      AppendTokin(position.tokins[side], id);
    } else {
      position.pawnRank[side][toFile] = static_cast<int8_t>(toRank);
    }
  }
  if (capture) {
    const int capturedType = TypeOf(move.capturedCode);
    if (capturedType == PAWN) {
      position.pawnRank[other][toFile] = 0;
    } else if (capturedType == TOKIN) {
      RemoveTokin(position.tokins[other], captured);
    } else {
      ++position.handTotal[side];
    }
    PutInHand(position, side, captured, move.capturedCode);
  }

  // Laid again on the board as it has become.
  ApplyPieceAttacks<+1>(position, id, newCode, toFile, toRank, changes, [list](int file, int rank) {
    if (list != nullptr) list->MoverGained(file, rank);
  });
  for (int n = 0; n < rays.count; ++n) {
    const ThroughRay& ray = rays.ray[n];
    if (list != nullptr && ray.side == other && ray.fromSquare && ray.direct) {
      ApplyThroughRay<+1>(position, ray, changes, BeyondFromHook{list, TypeOf(oldCode) == KING});
    } else {
      ApplyThroughRay<+1>(position, ray, changes);
    }
  }
}

void UnmakeBoardMove(Position& position, const MoveRecord& move, AttackChangeRecord* changes) {
  const int side = OwnerOf(move.pieceCode);
  const int other = side ^ 1;
  const int id = move.pieceId;
  const int captured = move.capturedId;
  const bool capture = captured != EMPTY_PIECE_ID;
  const int fromFile = move.fromFile, fromRank = move.fromRank;
  const int toFile = move.toFile, toRank = move.toRank;
  const PieceCode oldCode = move.pieceCode;
  const PieceCode newCode = position.pieces[id].code;
  assert(position.board[toFile][toRank] == id && position.board[fromFile][fromRank] == EMPTY_PIECE_ID);
  assert(newCode == (move.promote ? (oldCode | PROMOTED_BIT) : oldCode));

  ThroughRays rays;
  const uint32_t excluded = SliderBit(id) | (capture ? SliderBit(captured) : 0u);
  CollectRaysThrough(position, fromFile, fromRank, excluded, true, rays);
  CollectRaysThrough(position, toFile, toRank, excluded, false, rays);

  ApplyThroughRays<-1>(position, rays, changes);
  ApplyPieceAttacks<-1>(position, id, newCode, toFile, toRank, changes);

  position.board[fromFile][fromRank] = static_cast<int8_t>(id);
  position.board[toFile][toRank] = static_cast<int8_t>(captured);
  position.pieces[id] = {static_cast<int8_t>(fromFile), static_cast<int8_t>(fromRank), oldCode};
  if (TypeOf(oldCode) == PAWN) {
    position.pawnRank[side][fromFile] = static_cast<int8_t>(fromRank);
    if (move.promote) RemoveTokin(position.tokins[side], id);
  }
  if (capture) {
    const int baseType = BaseTypeOf(move.capturedCode);
    assert(position.handStack[g_handListStart[baseType] + position.HandStackHeight(baseType) - 1] == captured);
    position.pieces[captured] = {static_cast<int8_t>(toFile), static_cast<int8_t>(toRank), move.capturedCode};
    --position.hand[side][baseType - 1];
    const int capturedType = TypeOf(move.capturedCode);
    if (capturedType == PAWN) {
      position.pawnRank[other][toFile] = static_cast<int8_t>(toRank);
    } else if (capturedType == TOKIN) {
      AppendTokin(position.tokins[other], captured);
    } else {
      --position.handTotal[side];
    }
    ApplyPieceAttacks<+1>(position, captured, move.capturedCode, toFile, toRank, changes);
  }

  ApplyPieceAttacks<+1>(position, id, oldCode, fromFile, fromRank, changes);
  ApplyThroughRays<+1>(position, rays, changes);
}

// ---------------------------------------------------------------------------
// Drops

void MakeDrop(Position& position, const MoveRecord& move, AttackChangeRecord* changes) {
  const int side = OwnerOf(move.pieceCode);
  const int id = move.pieceId;
  const int toFile = move.toFile, toRank = move.toRank;
  const PieceCode code = move.pieceCode;
  const int baseType = BaseTypeOf(code);
  assert(position.board[toFile][toRank] == EMPTY_PIECE_ID && position.pieces[id].file == IN_HAND_FILE);
  assert(position.hand[side][baseType - 1] > 0);
  // The dropped piece is the top of its type's stack; the falling count
  // moves the top down, so the stack itself is not written.
  assert(position.handStack[g_handListStart[baseType] + position.HandStackHeight(baseType) - 1] == id);

  ThroughRays rays;
  CollectRaysThrough(position, toFile, toRank, SliderBit(id), false, rays);
  ApplyThroughRays<-1>(position, rays, changes);

  position.board[toFile][toRank] = static_cast<int8_t>(id);
  position.pieces[id] = {static_cast<int8_t>(toFile), static_cast<int8_t>(toRank), code};
  --position.hand[side][baseType - 1];
  if (baseType == PAWN) {
    position.pawnRank[side][toFile] = static_cast<int8_t>(toRank);
  } else {
    --position.handTotal[side];
  }

  ApplyPieceAttacks<+1>(position, id, code, toFile, toRank, changes);
  ApplyThroughRays<+1>(position, rays, changes);
}

void UnmakeDrop(Position& position, const MoveRecord& move, AttackChangeRecord* changes) {
  const int side = OwnerOf(move.pieceCode);
  const int id = move.pieceId;
  const int toFile = move.toFile, toRank = move.toRank;
  const PieceCode code = move.pieceCode;
  const int baseType = BaseTypeOf(code);
  assert(position.board[toFile][toRank] == id);

  ThroughRays rays;
  CollectRaysThrough(position, toFile, toRank, SliderBit(id), false, rays);
  ApplyThroughRays<-1>(position, rays, changes);
  ApplyPieceAttacks<-1>(position, id, code, toFile, toRank, changes);

  position.board[toFile][toRank] = static_cast<int8_t>(EMPTY_PIECE_ID);
  PutInHand(position, side, id, code);
  if (baseType == PAWN) {
    position.pawnRank[side][toFile] = 0;
  } else {
    ++position.handTotal[side];
  }

  ApplyThroughRays<+1>(position, rays, changes);
}

}  // namespace

// ---------------------------------------------------------------------------
// Public operations

void InitAttackHistory() {
  for (auto& layer : g_attackHistory.layer) {
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        AttackChangeRecord& record = layer[SquareIndex(file, rank)];
        record.change[0] = 0;
        record.change[1] = 0;
        record.file = static_cast<uint8_t>(file);
        record.rank = static_cast<uint8_t>(rank);
      }
    }
  }
  g_attackHistoryDepth = 0;
}

void MakeMove(Position& position, const MoveRecord& move, int recordFlag) {
  assert(!move.IsNull());
  assert(OwnerOf(move.pieceCode) == position.sideToMove);
  const int depth = g_attackHistoryDepth;
  AttackChangeRecord* changes = RecordedLayer(recordFlag, depth);
  if (changes != nullptr) g_attackHistoryLists[depth + 1] = nullptr;
  if (move.IsDrop()) {
    MakeDrop(position, move, changes);
  } else if (changes != nullptr && move.IsCapture()) {
    ReplySquareList list(changes, &g_attackHistoryLists[depth + 1]);
    MakeBoardMove(position, move, changes, &list);
  } else {
    MakeBoardMove(position, move, changes, nullptr);
  }
  g_attackHistoryDepth = depth + 1;
  position.sideToMove = static_cast<uint8_t>(OwnerOf(move.pieceCode) ^ 1);
}

void UnmakeMove(Position& position, const MoveRecord& move, int recordFlag) {
  const int depth = --g_attackHistoryDepth;
  AttackChangeRecord* changes = RecordedLayer(recordFlag, depth);
  if (move.IsDrop()) {
    UnmakeDrop(position, move, changes);
  } else {
    UnmakeBoardMove(position, move, changes);
  }
  position.sideToMove = static_cast<uint8_t>(OwnerOf(move.pieceCode));
}

int RemoveAttackerBit(Position& position, int side, int file, int rank, int id) {
  SquareAttackRecord& record = *position.SquareRecord(file, rank);
  const uint32_t bit = SliderBit(id);
  if (record.directSet[side].low & bit) {
    record.directSet[side].low &= ~bit;
    --record.directCount[side];
  } else if (record.xraySet[side] & bit) {
    record.xraySet[side] &= ~bit;
    --record.xrayCount[side];
  } else {
    return 1;
  }
  record.slidingSet[side] &= ~bit;
  return 0;
}

void AddSlidingRay(Position& position, int side, int file, int rank, int df, int dr, int startMode, int id,
                   int recordFlag) {
  attack_rays::ApplyRay<+1>(position, side, id, file, rank, df, dr, startMode == 0,
               RecordedLayer(recordFlag, g_attackHistoryDepth));
}

// Removes exactly what AddSlidingRay added from the same square, reading
// the start mode from the first square: the path is walked again on the
// same board, so nothing past the ray's end is touched.
void RemoveSlidingRay(Position& position, int side, int file, int rank, int df, int dr, int id, int recordFlag) {
  const int firstFile = file + df, firstRank = rank + dr;
  if (position.board[firstFile][firstRank] >= FIRST_WALL_ID) return;
  const SquareAttackRecord& first = *position.SquareRecord(firstFile, firstRank);
  const uint32_t bit = SliderBit(id);
  bool direct;
  if (first.directSet[side].low & bit) {
    direct = true;
  } else if (first.xraySet[side] & bit) {
    direct = false;
  } else {
    return;
  }
  attack_rays::ApplyRay<-1>(position, side, id, file, rank, df, dr, direct, RecordedLayer(recordFlag, g_attackHistoryDepth));
}
