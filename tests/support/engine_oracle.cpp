// The oracle works on a plain grid of piece codes with its own movement
// definitions, so that neither the engine's movement table nor its attack
// records nor its generators can hide a fault from the tests.
#include "support/engine_oracle.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>
#include <string>

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
  static const Movement kGoldLike{{{0, 1}, {1, 1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}}, {}};
  static const Movement kNothing{};
  static const Movement kTable[] = {
      kNothing,
      {{}, {{1, 0}, {-1, 0}, {0, 1}, {0, -1}}},                                          // rook
      {{}, {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}},                                        // bishop
      kGoldLike,                                                                         // gold
      {{{0, 1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}}, {}},                                // silver
      {{{1, 2}, {-1, 2}}, {}},                                                           // knight
      {{}, {{0, 1}}},                                                                    // lance
      {{{0, 1}}, {}},                                                                    // pawn
      {{{0, 1}, {1, 1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}, {1, -1}, {-1, -1}}, {}},      // king
  };
  static const Movement kDragon{{{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}, {{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
  static const Movement kHorse{{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}, {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}};
  if (type >= 1 && type <= 8) return kTable[type];
  if (type == DRAGON) return kDragon;
  if (type == HORSE) return kHorse;
  if (type >= PRO_SILVER && type <= TOKIN) return kGoldLike;
  return kNothing;
}

bool StepsBy(int type, int df, int dr) {
  for (const Step& step : MovementOf(type).steps)
    if (step.df == df && step.dr == dr) return true;
  return false;
}

bool SlidesAlong(int type, int df, int dr) {
  for (const Step& step : MovementOf(type).slides)
    if (step.df == df && step.dr == dr) return true;
  return false;
}

// How a piece continues along a direction: 0 not at all, 1 one step, 2 sliding.
int ContinuationOf(int type, int df, int dr) {
  if (SlidesAlong(type, df, dr)) return 2;
  return StepsBy(type, df, dr) ? 1 : 0;
}

// Rank as seen by the side: 1 is the far rank.
int RelativeRank(int side, int rank) { return side == 0 ? rank : 10 - rank; }

bool CanPromoteType(int type) { return type != GOLD && type != KING && type >= ROOK && type <= PAWN; }

// Pawns and lances on the last rank and knights on the last two could never move again.
bool IsDeadEnd(int baseType, int side, int rank) {
  const int relative = RelativeRank(side, rank);
  if (baseType == PAWN || baseType == LANCE) return relative == 1;
  if (baseType == KNIGHT) return relative <= 2;
  return false;
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
  int hand[2][8];
  int sideToMove;
  int kingFile[2], kingRank[2];

  static Grid From(const Position& position) {
    Grid grid{};
    for (int file = 0; file < BOARD_SIZE; ++file)
      for (int rank = 0; rank < BOARD_SIZE; ++rank) {
        const int id = position.board[file][rank];
        if (!IsOnBoard(file, rank)) grid.code[file][rank] = kWallCell;
        else if (id >= 0 && id < PIECE_COUNT) grid.code[file][rank] = position.pieces[id].code;
        else grid.code[file][rank] = kEmptyCell;
      }
    for (int side = 0; side < 2; ++side)
      for (int type = 0; type < 8; ++type) grid.hand[side][type] = position.hand[side][type];
    grid.sideToMove = position.sideToMove;
    for (int side = 0; side < 2; ++side) grid.FindKing(side, grid.kingFile[side], grid.kingRank[side]);
    return grid;
  }

  bool IsWall(int file, int rank) const {
    return file < 0 || file >= BOARD_SIZE || rank < 0 || rank >= BOARD_SIZE || code[file][rank] == kWallCell;
  }
  bool IsOwn(int file, int rank, int side) const {
    const uint8_t value = code[file][rank];
    return value != kEmptyCell && value != kWallCell && IsOwnedBy(value, side);
  }

  bool FindKing(int side, int& foundFile, int& foundRank) const {
    foundFile = foundRank = 0;
    for (int file = 1; file <= 9; ++file)
      for (int rank = 1; rank <= 9; ++rank)
        if (IsOwn(file, rank, side) && TypeOf(code[file][rank]) == KING) {
          foundFile = file;
          foundRank = rank;
          return true;
        }
    return false;
  }

  // Looks outward from the square for a piece of bySide that reaches it.
  bool IsAttacked(int file, int rank, int bySide) const {
    const int sign = SideSign(bySide);
    for (int df = -1; df <= 1; ++df)
      for (int dr = -1; dr <= 1; ++dr) {
        if (df == 0 && dr == 0) continue;
        for (int distance = 1;; ++distance) {
          const int x = file + df * distance, y = rank + dr * distance;
          if (IsWall(x, y)) break;
          const uint8_t value = code[x][y];
          if (value == kEmptyCell) continue;
          if (IsOwnedBy(value, bySide)) {
            // The attacker's own step toward the square, in its frame.
            const int towardFile = -df, towardRank = -dr * sign;
            const int type = TypeOf(value);
            if ((distance == 1 && StepsBy(type, towardFile, towardRank)) || SlidesAlong(type, towardFile, towardRank))
              return true;
          }
          break;
        }
      }
    for (int df = -1; df <= 1; df += 2) {
      const int x = file - df, y = rank - 2 * sign;
      if (IsWall(x, y)) continue;
      const uint8_t value = code[x][y];
      if (value != kEmptyCell && IsOwnedBy(value, bySide) && TypeOf(value) == KNIGHT) return true;
    }
    return false;
  }

  bool HasOwnPawnOnFile(int side, int file) const {
    for (int rank = 1; rank <= 9; ++rank)
      if (IsOwn(file, rank, side) && TypeOf(code[file][rank]) == PAWN) return true;
    return false;
  }
};

// Plays the move on the grid and says whether the mover's king is then safe;
// the grid is restored before returning.
bool LeavesKingSafe(Grid& grid, const OracleMove& move, int side) {
  uint8_t savedFrom = 0;
  const uint8_t savedTo = grid.code[move.toFile][move.toRank];
  if (move.dropType != 0) {
    grid.code[move.toFile][move.toRank] = static_cast<uint8_t>(OwnerBit(side) | move.dropType);
  } else {
    savedFrom = grid.code[move.fromFile][move.fromRank];
    grid.code[move.fromFile][move.fromRank] = kEmptyCell;
    grid.code[move.toFile][move.toRank] = static_cast<uint8_t>(savedFrom | (move.promote ? PROMOTED_BIT : 0));
  }
  const bool kingMoves = move.dropType == 0 && TypeOf(savedFrom) == KING;
  const int kingFile = kingMoves ? move.toFile : grid.kingFile[side];
  const int kingRank = kingMoves ? move.toRank : grid.kingRank[side];
  const bool safe = kingFile == 0 || !grid.IsAttacked(kingFile, kingRank, 1 - side);
  grid.code[move.toFile][move.toRank] = savedTo;
  if (move.dropType == 0) grid.code[move.fromFile][move.fromRank] = savedFrom;
  return safe;
}

template <class Sink>
bool ForEachLegalMove(Grid& grid, Sink&& sink);

// A pawn drop that checks the king and leaves it no legal reply.
bool IsPawnDropMate(Grid& grid, int side, int toFile, int toRank) {
  const int other = 1 - side;
  if (grid.kingFile[other] != toFile || grid.kingRank[other] != toRank + SideSign(side)) return false;
  grid.code[toFile][toRank] = static_cast<uint8_t>(OwnerBit(side) | PAWN);
  grid.hand[side][PAWN - 1] -= 1;
  grid.sideToMove = other;
  bool hasReply = false;
  ForEachLegalMove(grid, [&](const OracleMove&) {
    hasReply = true;
    return false;
  });
  grid.sideToMove = side;
  grid.hand[side][PAWN - 1] += 1;
  grid.code[toFile][toRank] = kEmptyCell;
  return !hasReply;
}

// Calls sink for each legal move of grid.sideToMove until it returns false;
// returns false when stopped.
template <class Sink>
bool ForEachLegalMove(Grid& grid, Sink&& sink) {
  const int side = grid.sideToMove;
  const int sign = SideSign(side);
  // A drop adds a piece and opens no line, so it can only matter to the own
  // king when that king already stands in check.
  const bool inCheck = grid.kingFile[side] != 0 && grid.IsAttacked(grid.kingFile[side], grid.kingRank[side], 1 - side);
  auto offer = [&](OracleMove move) {
    const bool mustTest = move.dropType == 0 || inCheck;
    return (mustTest && !LeavesKingSafe(grid, move, side)) || sink(move);
  };
  auto offerBoardMove = [&](int fromFile, int fromRank, int toFile, int toRank, int type) {
    const int baseType = type & 0x0f;
    OracleMove move{fromFile, fromRank, toFile, toRank, 0, 0};
    const bool inZone = RelativeRank(side, fromRank) <= 3 || RelativeRank(side, toRank) <= 3;
    if (CanPromoteType(type) && inZone) {
      move.promote = 1;
      if (!offer(move)) return false;
      move.promote = 0;
      if (IsDeadEnd(baseType, side, toRank)) return true;
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
      for (const Step& step : movement.slides) {
        for (int x = file + step.df, y = rank + step.dr * sign; !grid.IsWall(x, y) && !grid.IsOwn(x, y, side);
             x += step.df, y += step.dr * sign) {
          if (!offerBoardMove(file, rank, x, y, type)) return false;
          if (grid.code[x][y] != kEmptyCell) break;
        }
      }
    }

  for (int type = ROOK; type <= PAWN; ++type) {
    if (grid.hand[side][type - 1] <= 0) continue;
    for (int file = 1; file <= 9; ++file) {
      if (type == PAWN && grid.HasOwnPawnOnFile(side, file)) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        if (grid.code[file][rank] != kEmptyCell || IsDeadEnd(type, side, rank)) continue;
        if (type == PAWN && IsPawnDropMate(grid, side, file, rank)) continue;
        if (!offer(OracleMove{0, 0, file, rank, 0, type})) return false;
      }
    }
  }
  return true;
}

MoveRecord ToMoveRecord(const Position& position, const OracleMove& move) {
  MoveRecord record{};
  const int side = position.sideToMove;
  if (move.dropType != 0) {
    const int type = move.dropType;
    const int top = g_handListStart[type] + position.hand[0][type - 1] + position.hand[1][type - 1] - 1;
    record.SetDrop(move.toFile, move.toRank, position.handStack[top], static_cast<PieceCode>(OwnerBit(side) | type));
    return record;
  }
  const int moving = position.board[move.fromFile][move.fromRank];
  const int captured = position.board[move.toFile][move.toRank];
  const PieceCode capturedCode = captured == EMPTY_PIECE_ID ? 0 : position.pieces[captured].code;
  record.Set(move.fromFile, move.fromRank, move.toFile, move.toRank, static_cast<PieceId>(moving),
             position.pieces[moving].code, static_cast<PieceId>(captured), capturedCode, move.promote);
  return record;
}

// One attack of a piece on a square, in the given mode.
enum class AttackMode { kDirect, kSecondLine };

void AddAttack(SquareAttackRecord& record, int side, int id, AttackMode mode, bool slidingBit) {
  if (mode == AttackMode::kDirect) {
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
    if (IsOnBoard(x, y)) AddAttack(*position.SquareRecord(x, y), side, id, AttackMode::kDirect, false);
  }
  for (const Step& step : movement.slides) {
    AttackMode mode = AttackMode::kDirect;
    for (int x = file + step.df, y = rank + step.dr * sign; IsOnBoard(x, y); x += step.df, y += step.dr * sign) {
      AddAttack(*position.SquareRecord(x, y), side, id, mode, true);
      const int occupant = position.board[x][y];
      if (occupant == EMPTY_PIECE_ID) continue;
      const PieceCode occupantCode = position.pieces[occupant].code;
      const int beyondFile = x + step.df, beyondRank = y + step.dr * sign;
      if (!IsOwnedBy(occupantCode, side)) {
        // The king may not step back along the line that checks it.
        if (mode == AttackMode::kDirect && TypeOf(occupantCode) == KING && IsOnBoard(beyondFile, beyondRank))
          AddAttack(*position.SquareRecord(beyondFile, beyondRank), side, id, AttackMode::kDirect, false);
        break;
      }
      const int continuation = ContinuationOf(TypeOf(occupantCode), step.df, step.dr);
      if (continuation == 0) break;
      if (continuation == 1) {
        if (IsOnBoard(beyondFile, beyondRank))
          AddAttack(*position.SquareRecord(beyondFile, beyondRank), side, id, AttackMode::kSecondLine, false);
        break;
      }
      mode = AttackMode::kSecondLine;
    }
  }
}

std::string SquareName(int index) { return std::to_string(index / 9 + 1) + "-" + std::to_string(index % 9 + 1); }

std::string DescribeRecord(const SquareAttackRecord& record) {
  std::ostringstream text;
  text << std::hex;
  for (int side = 0; side < 2; ++side)
    text << " side " << side << ": direct " << int{record.directCount[side]} << " {" << record.directSet[side].high
         << ":" << record.directSet[side].low << "} second " << int{record.xrayCount[side]} << " {"
         << record.xraySet[side] << "} sliding {" << record.slidingSet[side] << "}";
  return text.str();
}

bool SameRecord(const SquareAttackRecord& a, const SquareAttackRecord& b) {
  for (int side = 0; side < 2; ++side)
    if (a.directCount[side] != b.directCount[side] || a.xrayCount[side] != b.xrayCount[side] ||
        a.directSet[side].high != b.directSet[side].high || a.directSet[side].low != b.directSet[side].low ||
        a.xraySet[side] != b.xraySet[side] || a.slidingSet[side] != b.slidingSet[side])
      return false;
  return true;
}

// The first `count` ids of a tokin list in ascending order, the rest zero.
std::array<uint32_t, 18> SortedTokins(const TokinList& list) {
  std::array<uint32_t, 18> ids{};
  const uint32_t count = std::min<uint32_t>(list.count, 18);
  std::copy(list.ids, list.ids + count, ids.begin());
  std::sort(ids.begin(), ids.begin() + count);
  return ids;
}

}  // namespace

std::vector<MoveRecord> OracleLegalMoves(const Position& position) {
  Grid grid = Grid::From(position);
  std::vector<MoveRecord> moves;
  ForEachLegalMove(grid, [&](const OracleMove& move) {
    moves.push_back(ToMoveRecord(position, move));
    return true;
  });
  return moves;
}

bool OracleIsSquareAttacked(const Position& position, int file, int rank, int bySide) {
  return Grid::From(position).IsAttacked(file, rank, bySide);
}

bool OracleInCheck(const Position& position, int side) {
  const Grid grid = Grid::From(position);
  int kingFile = 0, kingRank = 0;
  return grid.FindKing(side, kingFile, kingRank) && grid.IsAttacked(kingFile, kingRank, 1 - side);
}

void OracleApplyMove(const Position& before, const MoveRecord& move, Position& after) {
  after = before;
  const int side = before.sideToMove, other = 1 - side;
  const int id = move.pieceId;
  const int toFile = move.toFile, toRank = move.toRank;
  if (move.IsDrop()) {
    const int type = BaseTypeOf(move.pieceCode);
    after.hand[side][type - 1] = static_cast<int8_t>(after.hand[side][type - 1] - 1);
    after.pieces[id] = {static_cast<int8_t>(toFile), static_cast<int8_t>(toRank), move.pieceCode};
    after.board[toFile][toRank] = static_cast<int8_t>(id);
    if (type == PAWN) after.pawnRank[side][toFile] = static_cast<int8_t>(toRank);
    else after.handTotal[side] -= 1;
  } else {
    const int captured = before.board[toFile][toRank];
    if (captured != EMPTY_PIECE_ID) {
      const PieceCode capturedCode = before.pieces[captured].code;
      const int baseType = BaseTypeOf(capturedCode);
      after.pieces[captured].file = IN_HAND_FILE;
      after.hand[side][baseType - 1] = static_cast<int8_t>(after.hand[side][baseType - 1] + 1);
      after.handStack[g_handListStart[baseType] + after.hand[0][baseType - 1] + after.hand[1][baseType - 1] - 1] =
          static_cast<PieceId>(captured);
      if (TypeOf(capturedCode) == PAWN) {
        after.pawnRank[other][toFile] = 0;
      } else if (TypeOf(capturedCode) == TOKIN) {
        TokinList& list = after.tokins[other];
        for (uint32_t i = 0; i < list.count; ++i)
          if (list.ids[i] == static_cast<uint32_t>(captured)) {
            list.ids[i] = list.ids[--list.count];
            break;
          }
      } else {
        after.handTotal[side] += 1;
      }
    }
    const PieceCode movingCode = before.pieces[id].code;
    const PieceCode newCode = static_cast<PieceCode>(movingCode | (move.promote ? PROMOTED_BIT : 0));
    if (TypeOf(movingCode) == PAWN) {
      after.pawnRank[side][move.fromFile] = 0;
      if (move.promote) after.tokins[side].ids[after.tokins[side].count++] = static_cast<uint32_t>(id);
      else after.pawnRank[side][toFile] = static_cast<int8_t>(toRank);
    }
    after.board[move.fromFile][move.fromRank] = EMPTY_PIECE_ID;
    after.board[toFile][toRank] = static_cast<int8_t>(id);
    after.pieces[id] = {static_cast<int8_t>(toFile), static_cast<int8_t>(toRank), newCode};
  }
  after.sideToMove = static_cast<uint8_t>(other);
  OracleComputeAttacks(after);
}

void OracleComputeAttacks(Position& position) {
  std::memset(position.attacks, 0, sizeof position.attacks);
  for (int file = 1; file <= 9; ++file)
    for (int rank = 1; rank <= 9; ++rank) {
      const int id = position.board[file][rank];
      if (id >= 0 && id < PIECE_COUNT) AddOracleAttacksOf(position, id, file, rank);
    }
}

uint64_t OraclePerft(const Position& position, int depth) {
  if (depth <= 0) return 1;
  const std::vector<MoveRecord> moves = OracleLegalMoves(position);
  if (depth == 1) return moves.size();
  uint64_t leaves = 0;
  Position child;
  for (const MoveRecord& move : moves) {
    OracleApplyMove(position, move, child);
    leaves += OraclePerft(child, depth - 1);
  }
  return leaves;
}

::testing::AssertionResult SameAttackRecords(const Position& actual, const Position& expected) {
  for (int index = 0; index < SQUARE_COUNT; ++index)
    if (!SameRecord(actual.attacks[index], expected.attacks[index]))
      return ::testing::AssertionFailure() << "attack record of square " << SquareName(index) << " differs\n  actual:  "
                                           << DescribeRecord(actual.attacks[index]) << "\n  expected:"
                                           << DescribeRecord(expected.attacks[index]);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EquivalentPositions(const Position& actual, const Position& expected) {
  auto fail = [] { return ::testing::AssertionFailure(); };
  if (actual.sideToMove != expected.sideToMove)
    return fail() << "side to move " << int{actual.sideToMove} << " vs " << int{expected.sideToMove};
  for (int id = 0; id < PIECE_LIST_SIZE; ++id) {
    const PieceListEntry& a = actual.pieces[id];
    const PieceListEntry& b = expected.pieces[id];
    const bool inHand = a.file == IN_HAND_FILE && b.file == IN_HAND_FILE && id < PIECE_COUNT;
    if (a.file != b.file || (!inHand && (a.rank != b.rank || a.code != b.code)))
      return fail() << "piece " << id << ": (" << int{a.file} << ", " << int{a.rank} << ", 0x" << std::hex
                    << int{a.code} << ") vs (" << std::dec << int{b.file} << ", " << int{b.rank} << ", 0x" << std::hex
                    << int{b.code} << ")";
  }
  for (int side = 0; side < 2; ++side)
    for (int type = 0; type < 8; ++type)
      if (actual.hand[side][type] != expected.hand[side][type])
        return fail() << "hand of side " << side << " type " << type + 1 << ": " << int{actual.hand[side][type]}
                      << " vs " << int{expected.hand[side][type]};
  for (int type = ROOK; type <= KING; ++type) {
    const int inHand = expected.hand[0][type - 1] + expected.hand[1][type - 1];
    for (int slot = 0; slot < inHand && slot < g_handListSize[type]; ++slot) {
      const int index = g_handListStart[type] + slot;
      if (actual.handStack[index] != expected.handStack[index])
        return fail() << "in-hand stack slot " << index << ": " << int{actual.handStack[index]} << " vs "
                      << int{expected.handStack[index]};
    }
  }
  for (int file = 0; file < BOARD_SIZE; ++file)
    for (int rank = 0; rank < BOARD_SIZE; ++rank)
      if (actual.board[file][rank] != expected.board[file][rank])
        return fail() << "board at " << file << "-" << rank << ": " << int{actual.board[file][rank]} << " vs "
                      << int{expected.board[file][rank]};
  if (::testing::AssertionResult attacks = SameAttackRecords(actual, expected); !attacks) return attacks;
  for (int side = 0; side < 2; ++side) {
    if (actual.tokins[side].count != expected.tokins[side].count ||
        SortedTokins(actual.tokins[side]) != SortedTokins(expected.tokins[side]))
      return fail() << "tokin list of side " << side << " differs (counts " << actual.tokins[side].count << " vs "
                    << expected.tokins[side].count << ")";
    for (int file = 0; file < 10; ++file)
      if (actual.pawnRank[side][file] != expected.pawnRank[side][file])
        return fail() << "pawn rank of side " << side << " file " << file << ": " << int{actual.pawnRank[side][file]}
                      << " vs " << int{expected.pawnRank[side][file]};
    if (actual.handTotal[side] != expected.handTotal[side])
      return fail() << "hand total of side " << side << ": " << actual.handTotal[side] << " vs "
                    << expected.handTotal[side];
  }
  return ::testing::AssertionSuccess();
}
