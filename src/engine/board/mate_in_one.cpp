// The tests read only the attack records, board, piece list and hands;
// FindMateInOne alone makes moves, and takes each one back.
#include "engine/board/mate_in_one.h"

#include <initializer_list>

#include "engine/board/check_generator.h"
#include "engine/board/king_safety.h"
#include "engine/board/make_move.h"
#include "engine/board/move_gen_helpers.h"
#include "engine/board/move_generators.h"

using namespace movegen;

const uint8_t g_mateCoverMask[10][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},                          // king and others
    {0x92, 0, 0x4a, 0, 0x29, 0, 0xa4, 0},              // rook
    {0, 0x20, 0, 0x80, 0, 0x02, 0, 0x08},              // bishop
    {0x82, 0x05, 0x0b, 0x14, 0x7c, 0x50, 0xb1, 0x41},  // gold and promoted minors
    {0x44, 0, 0x13, 0x14, 0x44, 0x50, 0x91, 0},        // silver
    {0, 0, 0, 0, 0, 0, 0, 0},                          // knight
    {0, 0, 0, 0, 0x01, 0, 0, 0},                       // lance
    {0, 0, 0, 0, 0, 0, 0, 0},                          // pawn
    {0xd6, 0x8d, 0x5b, 0x36, 0x6d, 0xd8, 0xb5, 0x63},  // dragon
    {0xc6, 0x25, 0x1b, 0x94, 0x6c, 0x52, 0xb1, 0x49},  // horse
};

namespace {

int CoverKind(int type) {
  switch (type) {
    case ROOK: return 1;
    case BISHOP: return 2;
    case GOLD: case PRO_SILVER: case PRO_KNIGHT: case PRO_LANCE: case TOKIN: return 3;
    case SILVER: return 4;
    case KNIGHT: return 5;
    case LANCE: return 6;
    case PAWN: return 7;
    case DRAGON: return 8;
    case HORSE: return 9;
    default: return 0;
  }
}

// The attacker s, the defender o and the king square in s's frame.
struct KingView {
  explicit KingView(const Position& position)
      : side(position.sideToMove),
        forward(SideSign(side)),
        kingFile(position.pieces[side ^ 1].file),
        kingRank(position.pieces[side ^ 1].rank) {}
  bool HasKing() const { return IsOnBoard(kingFile, kingRank); }
  int NeighbourFile(int k) const { return kingFile + kKingSteps[k].df; }
  int NeighbourRank(int k) const { return kingRank + kKingSteps[k].dr * forward; }

  int side;
  int forward;
  int kingFile;
  int kingRank;
};

// Bit k set when neighbour k is no flight square: a defender's piece, the
// wall, or a square the attacker attacks directly.
int EscapeMask(const Position& position, const KingView& view) {
  int mask = 0;
  for (int k = 0; k < 8; ++k) {
    const int file = view.NeighbourFile(k);
    const int rank = view.NeighbourRank(k);
    if (IsBlockedFor(position, view.side ^ 1, file, rank) || position.AttackCountAt(view.side, file, rank) > 0) {
      mask |= 1 << k;
    }
  }
  return mask;
}

bool KnightPatternMates(const Position& position, const KingView& view) {
  const int defender = view.side ^ 1;
  const int rank = view.kingRank - 2 * view.forward;
  const int relative = (5 - view.kingRank) * view.forward;
  if (relative < 3 && position.hand[view.side][KNIGHT - 1] > 0) {
    for (const int file : {view.kingFile - 1, view.kingFile + 1}) {
      if (IsOnBoard(file, rank) && position.IsEmpty(file, rank) && position.AttackCount(defender, file, rank) == 0) {
        return true;
      }
    }
  }
  if (relative < 1) {
    for (const int file : {view.kingFile - 1, view.kingFile + 1}) {
      if (!IsOnBoard(file, rank) || position.AttackCount(defender, file, rank) > 0) continue;
      uint64_t attackers = DirectAttackers(position, view.side, file, rank);
      while (attackers != 0) {
        if (TypeOf(position.pieces[PopHighest(attackers)].code) == KNIGHT) return true;
      }
    }
  }
  return false;
}

bool NeighbourPatternMates(const Position& position, const KingView& view, int mask, int k) {
  static constexpr int kDropOrder[5] = {GOLD, ROOK, BISHOP, SILVER, LANCE};
  const int file = view.NeighbourFile(k);
  const int rank = view.NeighbourRank(k);
  const int side = view.side;
  if (IsBlockedFor(position, side ^ 1, file, rank)) return false;
  const int attackers = position.AttackCountWithXray(side, file, rank);
  if (attackers < 1 || position.AttackCount(side ^ 1, file, rank) >= 2) return false;
  if (position.IsEmpty(file, rank)) {
    for (const int type : kDropOrder) {
      if (position.hand[side][type - 1] > 0 && (g_mateCoverMask[CoverKind(type)][k] | mask) == 0xff) return true;
    }
  }
  if (attackers < 2) return false;
  uint64_t direct = DirectAttackers(position, side, file, rank);
  while (direct != 0) {
    const PieceListEntry& piece = position.pieces[PopHighest(direct)];
    int type = TypeOf(piece.code);
    const bool canPromote = !IsPromoted(piece.code) && type != GOLD && type != KING;
    if (canPromote && (IsPromotionZone(side, piece.rank) || IsPromotionZone(side, rank))) type |= PROMOTED_BIT;
    if ((g_mateCoverMask[CoverKind(type)][k] | mask) == 0xff) return true;
  }
  return false;
}

bool IsAdjacent(int file, int rank, int kingFile, int kingRank) {
  const int df = file - kingFile;
  const int dr = rank - kingRank;
  return (df != 0 || dr != 0) && df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// A neighbour of the king (line number d) it could flee to: no defender's
// piece, no wall, no direct attacker of the side giving check.
bool IsFreeNeighbour(const Position& position, const KingView& view, int d) {
  const int file = view.kingFile + kLineDirections[d].df;
  const int rank = view.kingRank + kLineDirections[d].dr;
  return !IsBlockedFor(position, view.side ^ 1, file, rank) && position.AttackCount(view.side, file, rank) == 0;
}

// Whether the king obviously answers a checking drop: it takes the
// undefended piece, or steps off the line of a distant slider or away from
// a knight.
int DropAnswered(const Position& position, const KingView& view, const MoveRecord& check) {
  const int file = check.toFile;
  const int rank = check.toRank;
  if (position.AttackCount(view.side, file, rank) == 0 && IsAdjacent(file, rank, view.kingFile, view.kingRank)) {
    return 1;
  }
  switch (BaseTypeOf(check.pieceCode)) {
    case ROOK: {
      const int df = file - view.kingFile;
      const int dr = rank - view.kingRank;
      if (df == 1 || df == -1 || dr == 1 || dr == -1) return 0;
      [[fallthrough]];
    }
    case BISHOP:
    case LANCE: {
      const int line = LineToward(view.kingFile - file, view.kingRank - rank);
      for (int d = 0; d < 8; ++d) {
        if (d != line && d != OppositeLine(line) && IsFreeNeighbour(position, view, d)) return 1;
      }
      return 0;
    }
    case KNIGHT:
      for (int d = 0; d < 8; ++d) {
        if (IsFreeNeighbour(position, view, d)) return 1;
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int MateInOnePretest(const Position& position) {
  const KingView view(position);
  if (!view.HasKing()) return 0;
  const int mask = EscapeMask(position, view);
  if (mask == 0xff && KnightPatternMates(position, view)) return 1;
  for (int k = 0; k < 8; ++k) {
    if (NeighbourPatternMates(position, view, mask, k)) return 1;
  }
  return 0;
}

int KingCanAnswerCheck(const Position& position, const MoveRecord& check) {
  const KingView view(position);
  if (!view.HasKing()) return 0;
  if (check.IsDrop()) return DropAnswered(position, view, check);
  return position.AttackCount(view.side, check.toFile, check.toRank) == 1 &&
                 position.AttackCount(view.side, check.fromFile, check.fromRank) == 0 &&
                 IsAdjacent(check.toFile, check.toRank, view.kingFile, view.kingRank)
             ? 1
             : 0;
}

MoveRecord* FilterMateCandidateChecks(const Position& position, MoveRecord* head, int& count) {
  const KingView view(position);
  if (!view.HasKing()) return head;
  for (MoveRecord* node = head; node != nullptr;) {
    MoveRecord* next = node->next;
    bool answered;
    if (node->IsDrop()) {
      answered = DropAnswered(position, view, *node) != 0;
    } else {
      answered = position.AttackCountWithXray(view.side, node->toFile, node->toRank) == 1 &&
                 IsAdjacent(node->toFile, node->toRank, view.kingFile, view.kingRank);
    }
    if (answered) {
      head = UnlinkMove(node, head);
      --count;
    }
    node = next;
  }
  return head;
}

int FindMateInOne(Position& position, MoveCode& out) {
  if (MateInOnePretest(position) == 0) return 0;
  MoveRecord checks[MAX_CHECK_MOVES];
  int count = 0;
  MoveRecord* head = GenerateChecks(position, count, checks, 1);
  if (head == nullptr) return 0;
  head = FilterMateCandidateChecks(position, head, count);
  for (MoveRecord* check = head; check != nullptr; check = check->next) {
    MakeMove(position, *check, 0);
    const int answered = HasEvasion(position);
    UnmakeMove(position, *check, 0);
    if (answered == 0) {
      out = ToMoveCode(*check);
      return 1;
    }
  }
  return 0;
}

int KingEscapeQuickTest(const Position& position) {
  const KingView view(position);
  if (!view.HasKing()) return 0;
  const int side = view.side;
  const int kf = view.kingFile;
  const int kr = view.kingRank;
  // SideSign of the attacker: kr - ss is the square on its side of the king.
  const int ss = view.forward;
  struct Neighbour {
    int file, rank;
    uint8_t checkingTypes;  // bit per base type whose drop there checks
  };
  constexpr auto Bits = [](std::initializer_list<int> types) {
    int bits = 0;
    for (const int type : types) bits |= 1 << type;
    return static_cast<uint8_t>(bits);
  };
  const uint8_t beside = Bits({GOLD, ROOK});
  const uint8_t diagonalNear = Bits({BISHOP, GOLD, SILVER});
  const uint8_t diagonalFar = Bits({BISHOP, SILVER});
  const Neighbour neighbours[8] = {
      {kf - 1, kr, beside},
      {kf, kr - ss, Bits({PAWN, LANCE, GOLD, SILVER, ROOK})},
      {kf + 1, kr, beside},
      {kf, kr + ss, Bits({ROOK, GOLD})},
      {kf - 1, kr - ss, diagonalNear},
      {kf + 1, kr - ss, diagonalNear},
      {kf + 1, kr + ss, diagonalFar},
      {kf - 1, kr + ss, diagonalFar},
  };
  for (const Neighbour& neighbour : neighbours) {
    if (!IsOnBoard(neighbour.file, neighbour.rank)) continue;
    if (position.AttackCountWithXray(side ^ 1, neighbour.file, neighbour.rank) >
        position.AttackCountWithXray(side, neighbour.file, neighbour.rank)) {
      continue;
    }
    if (IsOwnPiece(position, side ^ 1, neighbour.file, neighbour.rank)) return 1;
    if (!position.IsEmpty(neighbour.file, neighbour.rank)) continue;
    for (int type = ROOK; type <= PAWN; ++type) {
      if ((neighbour.checkingTypes >> type & 1) && position.hand[side][type - 1] > 0) return 1;
    }
  }
  return 0;
}
