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

constexpr uint8_t kEmptyCell = 0;
constexpr uint8_t kWallCell = 0xff;

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

struct OracleMove {
  int fromFile, fromRank, toFile, toRank;
  int promote;
  int dropType;  // base type of a drop, 0 for a board move
};

// The board as codes, with the hands, the side to move and the king squares
// (file 0 when a side has no king).
struct Grid {
  uint8_t code[BOARD_SIZE][BOARD_SIZE];
  int8_t hand[2][8];
  int sideToMove;
  int kingFile[2], kingRank[2];

  static Grid From(const Position& position) {
    Grid grid{};
    for (int file = 0; file < BOARD_SIZE; ++file)
      for (int rank = 0; rank < BOARD_SIZE; ++rank) {
        const int id = position.board[file][rank];
        uint8_t& cell = grid.code[file][rank];
        if (!IsOnBoard(file, rank)) cell = kWallCell;
        else if (id >= 0 && id < PIECE_COUNT) cell = position.pieces[id].code;
        if (TypeOf(cell) == KING) {
          grid.kingFile[OwnerOf(cell)] = file;
          grid.kingRank[OwnerOf(cell)] = rank;
        }
      }
    std::memcpy(grid.hand, position.hand, sizeof grid.hand);
    grid.sideToMove = position.sideToMove;
    return grid;
  }

  // The board after the move, the other side to move; the hands are left
  // alone, as only the replies of the other side are asked for.
  Grid After(const OracleMove& move) const {
    Grid after = *this;
    uint8_t moved = static_cast<uint8_t>(OwnerBit(sideToMove) | move.dropType);
    if (move.dropType == 0) {
      moved = static_cast<uint8_t>(code[move.fromFile][move.fromRank] | (move.promote ? PROMOTED_BIT : 0));
      after.code[move.fromFile][move.fromRank] = kEmptyCell;
    }
    after.code[move.toFile][move.toRank] = moved;
    if (TypeOf(moved) == KING) {
      after.kingFile[sideToMove] = move.toFile;
      after.kingRank[sideToMove] = move.toRank;
    }
    after.sideToMove = 1 - sideToMove;
    return after;
  }

  bool IsWall(int file, int rank) const {
    return file < 0 || file >= BOARD_SIZE || rank < 0 || rank >= BOARD_SIZE || code[file][rank] == kWallCell;
  }
  bool IsOwn(int file, int rank, int side) const {
    const uint8_t value = code[file][rank];
    return value != kEmptyCell && value != kWallCell && IsOwnedBy(value, side);
  }
  bool InCheck(int side) const { return kingFile[side] != 0 && IsAttacked(kingFile[side], kingRank[side], 1 - side); }

  // Looks outward from the square for a piece of bySide that reaches it.
  bool IsAttacked(int file, int rank, int bySide) const {
    const int sign = SideSign(bySide);
    for (int df = -1; df <= 1; ++df)
      for (int dr = -1; dr <= 1; ++dr) {
        if (df == 0 && dr == 0) continue;
        for (int distance = 1;; ++distance) {
          const int x = file + df * distance, y = rank + dr * distance;
          if (IsWall(x, y)) break;
          if (code[x][y] == kEmptyCell) continue;
          // The attacker's own step toward the square, in its frame.
          const int type = TypeOf(code[x][y]), towardFile = -df, towardRank = -dr * sign;
          if (IsOwn(x, y, bySide) && ((distance == 1 && StepsBy(type, towardFile, towardRank)) ||
                                      SlidesAlong(type, towardFile, towardRank)))
            return true;
          break;
        }
      }
    for (int df = -1; df <= 1; df += 2) {
      const int x = file - df, y = rank - 2 * sign;
      if (!IsWall(x, y) && IsOwn(x, y, bySide) && TypeOf(code[x][y]) == KNIGHT) return true;
    }
    return false;
  }

  bool HasOwnPawnOnFile(int side, int file) const {
    for (int rank = 1; rank <= 9; ++rank)
      if (IsOwn(file, rank, side) && TypeOf(code[file][rank]) == PAWN) return true;
    return false;
  }
};

template <class Sink>
bool ForEachMove(const Grid& grid, MoveSet set, Sink&& sink);

// A pawn drop that checks the king and leaves it no legal reply.
bool IsPawnDropMate(const Grid& grid, int side, int toFile, int toRank) {
  const int other = 1 - side;
  if (grid.kingFile[other] != toFile || grid.kingRank[other] != toRank + SideSign(side)) return false;
  return ForEachMove(grid.After(OracleMove{0, 0, toFile, toRank, 0, PAWN}), MoveSet::kLegal,
                     [](const OracleMove&) { return false; });
}

// Calls sink for each move of grid.sideToMove until it returns false;
// returns false when stopped.
template <class Sink>
bool ForEachMove(const Grid& grid, MoveSet set, Sink&& sink) {
  const int side = grid.sideToMove;
  const int sign = SideSign(side);
  const bool legalOnly = set == MoveSet::kLegal;
  // A drop adds a piece and opens no line, so it can only matter to the own
  // king when that king already stands in check.
  const bool inCheck = grid.InCheck(side);
  auto offer = [&](OracleMove move) {
    const bool mustTest = legalOnly && (move.dropType == 0 || inCheck);
    return (mustTest && grid.After(move).InCheck(side)) || sink(move);
  };
  auto offerBoardMove = [&](int fromFile, int fromRank, int toFile, int toRank, int type) {
    OracleMove move{fromFile, fromRank, toFile, toRank, 0, 0};
    const bool canPromote = type != GOLD && type >= ROOK && type <= PAWN;
    if (canPromote && (IsPromotionZone(side, fromRank) || IsPromotionZone(side, toRank))) {
      move.promote = 1;
      if (!offer(move)) return false;
      move.promote = 0;
      if (IsDeadEnd(type, side, toRank)) return true;
    }
    return offer(move);
  };

  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      if (!grid.IsOwn(file, rank, side)) continue;
      const int type = TypeOf(grid.code[file][rank]);
      const Movement& movement = MovementOf(type);
      for (const Step& step : movement.steps) {
        const int x = file + step.df, y = rank + step.dr * sign;
        if (grid.IsWall(x, y) || grid.IsOwn(x, y, side)) continue;
        if (!offerBoardMove(file, rank, x, y, type)) return false;
      }
      for (const Step& step : movement.slides)
        for (int x = file + step.df, y = rank + step.dr * sign; !grid.IsWall(x, y) && !grid.IsOwn(x, y, side);
             x += step.df, y += step.dr * sign) {
          if (!offerBoardMove(file, rank, x, y, type)) return false;
          if (grid.code[x][y] != kEmptyCell) break;
        }
    }

  for (int type = ROOK; type <= PAWN; ++type) {
    if (grid.hand[side][type - 1] <= 0) continue;
    for (int file = 1; file <= 9; ++file) {
      if (type == PAWN && grid.HasOwnPawnOnFile(side, file)) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        if (grid.code[file][rank] != kEmptyCell || IsDeadEnd(type, side, rank)) continue;
        if (legalOnly && type == PAWN && IsPawnDropMate(grid, side, file, rank)) continue;
        if (!offer(OracleMove{0, 0, file, rank, 0, type})) return false;
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
  const Movement& movement = MovementOf(TypeOf(code));
  for (const Step& step : movement.steps) {
    const int x = file + step.df, y = rank + step.dr * sign;
    if (IsOnBoard(x, y)) AddAttack(position, x, y, side, id, true, false);
  }
  for (const Step& step : movement.slides) {
    bool direct = true;
    for (int x = file + step.df, y = rank + step.dr * sign; IsOnBoard(x, y); x += step.df, y += step.dr * sign) {
      AddAttack(position, x, y, side, id, direct, true);
      const int occupant = position.board[x][y];
      if (occupant == EMPTY_PIECE_ID) continue;
      const PieceCode occupantCode = position.pieces[occupant].code;
      const int beyondFile = x + step.df, beyondRank = y + step.dr * sign;
      const bool beyondOnBoard = IsOnBoard(beyondFile, beyondRank);
      if (!IsOwnedBy(occupantCode, side)) {
        // The king may not step back along the line that checks it.
        if (direct && TypeOf(occupantCode) == KING && beyondOnBoard)
          AddAttack(position, beyondFile, beyondRank, side, id, true, false);
        break;
      }
      // An own piece: the ray goes on in second line as far as that piece moves along it.
      if (SlidesAlong(TypeOf(occupantCode), step.df, step.dr)) {
        direct = false;
        continue;
      }
      if (StepsBy(TypeOf(occupantCode), step.df, step.dr) && beyondOnBoard)
        AddAttack(position, beyondFile, beyondRank, side, id, false, false);
      break;
    }
  }
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
  Grid grid = Grid::From(position);
  std::vector<MoveRecord> moves;
  ForEachMove(grid, set, [&](const OracleMove& move) {
    moves.push_back(move.dropType != 0 ? MoveOn(position, 0, move.dropType, move.toFile, move.toRank)
                                       : MoveOn(position, move.fromFile, move.fromRank, move.toFile, move.toRank,
                                                move.promote));
    return true;
  });
  return moves;
}

bool OracleInCheck(const Position& position, int side) { return Grid::From(position).InCheck(side); }

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
