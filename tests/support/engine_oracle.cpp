// The oracle works on a plain grid of piece codes with its own movement
// definitions, so that neither the engine's movement table nor its attack
// records nor its set-up can hide a fault from the tests.
#include "support/engine_oracle.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>

#include "support/position_builder.h"

namespace {

struct Step {
  int df, dr;  // dr counted forward for the owner
};

// How each kind moves, written out again here rather than read from the
// engine's table.
struct Movement {
  std::vector<Step> steps;
  std::vector<Step> slides;
};

const Movement& MovementOf(int type) {
  static const std::vector<Step> kOrthogonal{{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  static const std::vector<Step> kDiagonal{{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  static const Movement kGoldLike{{{0, 1}, {1, 1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}}, {}};
  static const Movement kTable[] = {
      {},
      {{}, kOrthogonal},                                                             // rook
      {{}, kDiagonal},                                                               // bishop
      kGoldLike,                                                                     // gold
      {{{0, 1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}}, {}},                            // silver
      {{{1, 2}, {-1, 2}}, {}},                                                       // knight
      {{}, {{0, 1}}},                                                                // lance
      {{{0, 1}}, {}},                                                                // pawn
      {{{0, 1}, {1, 1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}, {1, -1}, {-1, -1}}, {}},  // king
  };
  static const Movement kDragon{kDiagonal, kOrthogonal};
  static const Movement kHorse{kOrthogonal, kDiagonal};
  if (type >= 1 && type <= 8) return kTable[type];
  if (type == DRAGON) return kDragon;
  if (type == HORSE) return kHorse;
  if (type >= PRO_SILVER && type <= TOKIN) return kGoldLike;
  return kTable[0];
}

bool Contains(const std::vector<Step>& steps, int df, int dr) {
  return std::any_of(steps.begin(), steps.end(), [&](const Step& step) { return step.df == df && step.dr == dr; });
}
bool StepsBy(int type, int df, int dr) { return Contains(MovementOf(type).steps, df, dr); }
bool SlidesAlong(int type, int df, int dr) { return Contains(MovementOf(type).slides, df, dr); }

// Pawns and lances on the last rank and knights on the last two could never move again.
bool IsDeadEnd(int baseType, int side, int rank) {
  return IsDeadEndRank(side, rank, (baseType == PAWN || baseType == LANCE) ? 1 : (baseType == KNIGHT ? 2 : 0));
}

bool IsOwn(const Position& position, int file, int rank, int side) {
  const int id = position.board[file][rank];
  return id >= 0 && id < PIECE_COUNT && IsOwnedBy(position.pieces[id].code, side);
}

// Calls visit(x, y, step, sliding, distance) for each board square the piece
// reaches from (file, rank) on an empty board: a step's one square, a slide's
// squares outward until visit returns false. Steps are in the owner's frame.
template <class Visit>
void ForEachReach(PieceCode code, int file, int rank, Visit&& visit) {
  const int sign = SideSign(OwnerOf(code));
  const Movement& movement = MovementOf(TypeOf(code));
  for (const Step& step : movement.steps) {
    const int x = file + step.df, y = rank + step.dr * sign;
    if (IsOnBoard(x, y)) visit(x, y, step, false, 1);
  }
  for (const Step& step : movement.slides) {
    int x = file + step.df, y = rank + step.dr * sign;
    for (int distance = 1; IsOnBoard(x, y) && visit(x, y, step, true, distance); ++distance)
      x += step.df, y += step.dr * sign;
  }
}

// The square of the side's king, file 0 when it has none on the board.
std::pair<int, int> KingSquare(const Position& position, int side) {
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank)
      if (IsOwn(position, file, rank, side) && TypeOf(position.PieceCodeAt(file, rank)) == KING) return {file, rank};
  return {0, 0};
}

// Whether the side's king stands attacked in a position whose records the
// oracle has recounted.
bool KingAttacked(const Position& recounted, int side) {
  const auto [file, rank] = KingSquare(recounted, side);
  return file != 0 && recounted.SquareRecord(file, rank)->directCount[1 - side] > 0;
}

template <class Sink>
bool ForEachMove(const Position& position, MoveSet set, Sink&& sink);

// A pawn drop that checks the king and leaves it no legal reply.
bool IsPawnDropMate(const Position& position, const MoveRecord& drop) {
  const int aheadFile = drop.toFile, aheadRank = drop.toRank + SideSign(position.sideToMove);
  if (!IsOwn(position, aheadFile, aheadRank, 1 - position.sideToMove) ||
      TypeOf(position.PieceCodeAt(aheadFile, aheadRank)) != KING)
    return false;
  Position after;
  OracleApplyMove(position, drop, after);
  return KingAttacked(after, after.sideToMove) &&
         ForEachMove(after, MoveSet::kLegal, [](const MoveRecord&) { return false; });
}

// Calls sink for each move of the side to move until it returns false;
// returns false when stopped.
template <class Sink>
bool ForEachMove(const Position& position, MoveSet set, Sink&& sink) {
  const int side = position.sideToMove;
  const bool kingSafe = set != MoveSet::kPseudoLegal;
  Position recounted, after;
  std::memcpy(&recounted, &position, sizeof recounted);
  OracleRecount(recounted);
  const bool inCheck = KingAttacked(recounted, side);
  bool stopped = false;
  const auto [kingFile, kingRank] = KingSquare(position, side);
  auto onKingLine = [&](int file, int rank) {
    const int df = file - kingFile, dr = rank - kingRank;
    return df == 0 || dr == 0 || df == dr || df == -dr;
  };
  // Out of check, only the king itself or a piece on one of its lines can
  // expose it; in check, a drop off the king's lines blocks nothing.
  auto leavesKingAttacked = [&](const MoveRecord& move) {
    if (move.IsDrop() ? !inCheck
                      : !inCheck && TypeOf(move.pieceCode) != KING && !onKingLine(move.fromFile, move.fromRank))
      return false;
    if (move.IsDrop() && !onKingLine(move.toFile, move.toRank)) return true;
    OracleApplyMove(position, move, after);
    return KingAttacked(after, side);
  };
  auto offer = [&](const MoveRecord& move) {
    if (kingSafe && leavesKingAttacked(move)) return true;
    stopped = !sink(move);
    return !stopped;
  };
  auto offerBoardMove = [&](int fromFile, int fromRank, int toFile, int toRank, int type) {
    const bool canPromote = type != GOLD && type >= ROOK && type <= PAWN;
    if (canPromote && (IsPromotionZone(side, fromRank) || IsPromotionZone(side, toRank))) {
      if (!offer(MoveOn(position, fromFile, fromRank, toFile, toRank, 1)) || IsDeadEnd(type, side, toRank)) return;
    }
    offer(MoveOn(position, fromFile, fromRank, toFile, toRank, 0));
  };

  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      if (!IsOwn(position, file, rank, side)) continue;
      const PieceCode code = position.PieceCodeAt(file, rank);
      ForEachReach(code, file, rank, [&](int x, int y, Step, bool, int) {
        if (stopped || IsOwn(position, x, y, side)) return false;
        offerBoardMove(file, rank, x, y, TypeOf(code));
        return position.IsEmpty(x, y);
      });
      if (stopped) return false;
    }

  for (int type = ROOK; type <= PAWN; ++type) {
    if (position.hand[side][type - 1] <= 0) continue;
    for (int file = 1; file <= 9; ++file) {
      if (type == PAWN && recounted.pawnRank[side][file] != 0) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        if (!position.IsEmpty(file, rank) || IsDeadEnd(type, side, rank)) continue;
        const MoveRecord drop = MoveOn(position, 0, type, file, rank);
        if (set == MoveSet::kLegal && type == PAWN && IsPawnDropMate(position, drop)) continue;
        if (!offer(drop)) return false;
      }
    }
  }
  return true;
}

// One attack of a piece on a square: direct or second-line, with or without
// the sliding bit.
void AddAttack(Position& position, int file, int rank, int side, int id, bool direct, bool slidingBit) {
  SquareAttackRecord& record = *position.SquareRecord(file, rank);
  if (direct) {
    record.directCount[side] = static_cast<uint8_t>(record.directCount[side] + 1);
    if (id >= 32) record.directSet[side].high |= 1u << (id - 32);
    else record.directSet[side].low |= 1u << id;
  } else {
    record.xrayCount[side] = static_cast<uint8_t>(record.xrayCount[side] + 1);
    record.xraySet[side] |= 1u << id;
  }
  if (slidingBit) record.slidingSet[side] |= 1u << id;
}

void AddOracleAttacksOf(Position& position, int id, int file, int rank) {
  const PieceCode code = position.pieces[id].code;
  const int side = OwnerOf(code);
  const int sign = SideSign(side);
  bool direct = true;
  ForEachReach(code, file, rank, [&](int x, int y, Step step, bool sliding, int distance) {
    if (distance == 1) direct = true;
    AddAttack(position, x, y, side, id, direct, sliding);
    const int occupant = position.board[x][y];
    if (!sliding || occupant == EMPTY_PIECE_ID) return true;
    const PieceCode occupantCode = position.pieces[occupant].code;
    const int beyondFile = x + step.df, beyondRank = y + step.dr * sign;
    const bool beyondOnBoard = IsOnBoard(beyondFile, beyondRank);
    if (!IsOwnedBy(occupantCode, side)) {
      // The king may not step back along the line that checks it.
      if (direct && TypeOf(occupantCode) == KING && beyondOnBoard)
        AddAttack(position, beyondFile, beyondRank, side, id, true, false);
      return false;
    }
    // An own piece: the ray goes on in second line as far as that piece moves along it.
    if (SlidesAlong(TypeOf(occupantCode), step.df, step.dr)) {
      direct = false;
      return true;
    }
    if (StepsBy(TypeOf(occupantCode), step.df, step.dr) && beyondOnBoard)
      AddAttack(position, beyondFile, beyondRank, side, id, false, false);
    return false;
  });
}

std::string DescribeRecord(const SquareAttackRecord& record) {
  std::ostringstream text;
  text << std::hex;
  for (int side = 0; side < 2; ++side)
    text << " side " << side << ": direct " << int{record.directCount[side]} << " {" << record.directSet[side].high
         << ":" << record.directSet[side].low << "} second " << int{record.xrayCount[side]} << " {"
         << record.xraySet[side] << "} sliding {" << record.slidingSet[side] << "}";
  return text.str();
}

// A copy without what an unmake may leave behind, so that equal positions
// compare equal field by field.
Position WithoutStaleData(const Position& position) {
  Position clean;
  std::memcpy(&clean, &position, sizeof clean);
  for (int type = ROOK; type <= KING; ++type)
    for (int slot = clean.hand[0][type - 1] + clean.hand[1][type - 1]; slot < g_handListSize[type]; ++slot)
      clean.handStack[g_handListStart[type] + slot] = 0;
  for (int id = 0; id < PIECE_COUNT; ++id)
    if (clean.pieces[id].file == IN_HAND_FILE) clean.pieces[id] = {IN_HAND_FILE, 0, 0};
  for (TokinList& list : clean.tokins) {
    const uint32_t count = std::min<uint32_t>(list.count, 18);
    std::sort(list.ids, list.ids + count);
    std::fill(list.ids + count, list.ids + 18, 0u);
  }
  return clean;
}

// Index of the first differing element (for a two-dimensional array, the
// first index), or -1.
template <class T, size_t N>
int FirstDifference(const T (&a)[N], const T (&b)[N]) {
  for (size_t index = 0; index < N; ++index)
    if (std::memcmp(&a[index], &b[index], sizeof(T)) != 0) return static_cast<int>(index);
  return -1;
}

}  // namespace

std::vector<MoveRecord> OracleMoves(const Position& position, MoveSet set) {
  std::vector<MoveRecord> moves;
  ForEachMove(position, set, [&](const MoveRecord& move) {
    moves.push_back(move);
    return true;
  });
  return moves;
}

bool OracleInCheck(const Position& position, int side) {
  Position recounted;
  std::memcpy(&recounted, &position, sizeof recounted);
  OracleRecount(recounted);
  return KingAttacked(recounted, side);
}

void OracleApplyMove(const Position& before, const MoveRecord& move, Position& after) {
  std::memcpy(&after, &before, sizeof after);
  const int side = before.sideToMove;
  if (move.IsDrop()) {
    after.hand[side][BaseTypeOf(move.pieceCode) - 1] -= 1;
  } else {
    after.board[move.fromFile][move.fromRank] = EMPTY_PIECE_ID;
    const int captured = before.board[move.toFile][move.toRank];
    if (captured != EMPTY_PIECE_ID) {
      // The captured piece goes on top of its type's in-hand stack.
      const int type = BaseTypeOf(before.pieces[captured].code);
      after.pieces[captured].file = IN_HAND_FILE;
      after.hand[side][type - 1] += 1;
      after.handStack[g_handListStart[type] + after.hand[0][type - 1] + after.hand[1][type - 1] - 1] =
          static_cast<PieceId>(captured);
    }
  }
  after.board[move.toFile][move.toRank] = static_cast<int8_t>(move.pieceId);
  after.pieces[move.pieceId] = {move.toFile, move.toRank,
                                static_cast<PieceCode>(move.pieceCode | (move.promote ? PROMOTED_BIT : 0))};
  after.sideToMove = static_cast<uint8_t>(1 - side);
  OracleRecount(after);
}

void OracleRecount(Position& position) {
  std::memset(position.pawnRank, 0, sizeof position.pawnRank);
  std::memset(position.attacks, 0, sizeof position.attacks);
  position.tokins[0].count = position.tokins[1].count = 0;
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      if (id < 0 || id >= PIECE_COUNT) continue;
      const PieceCode code = position.pieces[id].code;
      if (TypeOf(code) == PAWN) position.pawnRank[OwnerOf(code)][file] = static_cast<int8_t>(rank);
      TokinList& tokins = position.tokins[OwnerOf(code)];
      if (TypeOf(code) == TOKIN) tokins.ids[tokins.count++] = static_cast<uint32_t>(id);
      AddOracleAttacksOf(position, id, file, rank);
    }
  for (int side = 0; side < 2; ++side) {
    position.handTotal[side] = 0;
    for (int type = ROOK; type <= LANCE; ++type) position.handTotal[side] += position.hand[side][type - 1];
  }
}

::testing::AssertionResult SameAttackRecords(const Position& actual, const Position& expected) {
  for (int index = 0; index < SQUARE_COUNT; ++index)
    if (std::memcmp(&actual.attacks[index], &expected.attacks[index], sizeof(SquareAttackRecord)) != 0)
      return ::testing::AssertionFailure() << "attack record of square " << index / 9 + 1 << "-" << index % 9 + 1
                                           << " differs\n  actual:  " << DescribeRecord(actual.attacks[index])
                                           << "\n  expected:" << DescribeRecord(expected.attacks[index]);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult PiecesConsistent(const Position& position) {
  for (int id = 0; id < PIECE_COUNT; ++id) {
    const PieceListEntry& entry = position.pieces[id];
    if (IsOnBoard(entry.file, entry.rank) && position.board[entry.file][entry.rank] != id)
      return ::testing::AssertionFailure() << "piece " << id << " is not on its square";
  }
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      if (id != EMPTY_PIECE_ID && (id < 0 || id >= PIECE_COUNT || position.pieces[id].file != file))
        return ::testing::AssertionFailure() << "square " << file << "-" << rank << " holds a piece listed elsewhere";
    }
  for (int type = ROOK; type <= PAWN; ++type)
    for (int slot = 0; slot < position.hand[0][type - 1] + position.hand[1][type - 1]; ++slot)
      if (position.pieces[position.handStack[g_handListStart[type] + slot]].file != IN_HAND_FILE)
        return ::testing::AssertionFailure() << "in-hand stack of type " << type << " holds a piece not in hand";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EquivalentPositions(const Position& actual, const Position& expected) {
  const Position a = WithoutStaleData(actual), e = WithoutStaleData(expected);
  if (a.sideToMove != e.sideToMove)
    return ::testing::AssertionFailure() << "side to move " << int{a.sideToMove} << " vs " << int{e.sideToMove};
  if (::testing::AssertionResult attacks = SameAttackRecords(a, e); !attacks) return attacks;
  const std::pair<const char*, int> differences[] = {
      {"piece-list entry of id", FirstDifference(a.pieces, e.pieces)},
      {"hand of side", FirstDifference(a.hand, e.hand)},
      {"in-hand stack slot", FirstDifference(a.handStack, e.handStack)},
      {"board file", FirstDifference(a.board, e.board)},
      {"tokin list of side", FirstDifference(a.tokins, e.tokins)},
      {"pawn ranks of side", FirstDifference(a.pawnRank, e.pawnRank)},
      {"hand total of side", FirstDifference(a.handTotal, e.handTotal)},
  };
  for (const auto& [field, index] : differences)
    if (index >= 0) return ::testing::AssertionFailure() << field << " " << index << " differs";
  return ::testing::AssertionSuccess();
}
