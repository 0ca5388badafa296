// The mate-in-one pre-test against a model of its neighbour rule written
// from the rule, with the cover masks typed in as the rule gives them: for
// a piece of a kind standing on neighbour k of the enemy king, the
// neighbours it takes away.
#include <cstdint>

#include <gtest/gtest.h>

#include "engine/board/mate_in_one.h"
#include "support/generator_checks.h"
#include "support/playout.h"
#include "support/position_builder.h"

namespace {

constexpr uint8_t kCover[10][8] = {
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

int Kind(int type) {
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

bool InZone(int side, int rank) { return side == 0 ? rank <= 3 : rank >= 7; }

// The neighbours in the attacker's frame: 0 beyond the king, 4 on the
// attacker's side of it, the rest in turn.
constexpr int kStep[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};

struct Neighbour {
  int file, rank;
  bool wall, defender;
  const SquareAttackRecord* record;
};

// The neighbour rule; `escape` is set to the escape mask.
bool ModelNeighbourMate(const Position& p, int& escape) {
  const int s = p.sideToMove, o = s ^ 1;
  const int forward = s == 0 ? -1 : 1;
  const int kf = p.pieces[o].file, kr = p.pieces[o].rank;
  Neighbour n[8];
  escape = 0;
  for (int k = 0; k < 8; ++k) {
    n[k].file = kf + kStep[k][0];
    n[k].rank = kr + kStep[k][1] * forward;
    n[k].wall = n[k].file < 1 || n[k].file > 9 || n[k].rank < 1 || n[k].rank > 9;
    n[k].record = n[k].wall ? nullptr : p.SquareRecord(n[k].file, n[k].rank);
    n[k].defender = !n[k].wall && !p.IsEmpty(n[k].file, n[k].rank) && IsOwnedBy(p.PieceCodeAt(n[k].file, n[k].rank), o);
    if (n[k].wall || n[k].defender || n[k].record->directCount[s] > 0) escape |= 1 << k;
  }
  for (int k = 0; k < 8; ++k) {
    if (n[k].wall || n[k].defender) continue;
    const SquareAttackRecord& r = *n[k].record;
    const int attackers = r.directCount[s] + r.xrayCount[s];
    if (attackers < 1 || r.directCount[o] >= 2) continue;
    if (p.IsEmpty(n[k].file, n[k].rank)) {
      for (const int type : {GOLD, ROOK, BISHOP, SILVER, LANCE}) {
        if (p.hand[s][type - 1] > 0 && (kCover[Kind(type)][k] | escape) == 0xff) return true;
      }
    }
    if (attackers < 2) continue;
    const uint64_t direct = uint64_t{r.directSet[s].high} << 32 | r.directSet[s].low;
    for (int id = 0; id < 64; ++id) {
      if ((direct >> id & 1) == 0) continue;
      int type = TypeOf(p.pieces[id].code);
      if ((type == ROOK || type == BISHOP || type == SILVER || type == KNIGHT || type == LANCE || type == PAWN) &&
          (InZone(s, p.pieces[id].rank) || InZone(s, n[k].rank))) {
        type |= PROMOTED_BIT;
      }
      if ((kCover[Kind(type)][k] | escape) == 0xff) return true;
    }
  }
  return false;
}

// Wherever the king has a flight (the knight patterns need none), the
// pre-test answers as the neighbour rule does.
TEST(MateInOnePretest, NeighbourRuleWithTheCoverMasks) {
  int compared = 0, mates = 0;
  const auto compare = [&](Position& position) {
    if (!IsOnBoard(position.pieces[position.sideToMove ^ 1].file, position.pieces[position.sideToMove ^ 1].rank)) {
      return;
    }
    int escape = 0;
    const bool expected = ModelNeighbourMate(position, escape);
    if (escape == 0xff) return;
    ++compared;
    mates += expected ? 1 : 0;
    ASSERT_EQ(MateInOnePretest(position), expected ? 1 : 0) << std::hex << escape;
  };
  ForEachSamplePosition(SampleCount(5000), 1700, compare);
  ForEachPositionInCheck(SampleCount(1000), 1600, compare);
  // Crowds of random pieces round the king, with pieces in hand, reach
  // the masks that games seldom do.
  PlayoutRandom random{33};
  constexpr int kTypes[] = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN, DRAGON, HORSE, TOKIN, PRO_SILVER};
  constexpr int kLimit[8] = {2, 2, 4, 4, 4, 4, 18, 0};  // by base type 1-7
  for (int n = 0; n < SampleCount(60000); ++n) {
    const int side = random.Below(2);
    const int kf = 1 + random.Below(9), kr = 1 + random.Below(9);
    // The attacker's king two files or ranks away half of the time.
    int sf = kf <= 5 ? 9 : 1, sr = kr <= 5 ? 9 : 1;
    if (random.Below(2) == 0) {
      sf = kf + (kf <= 5 ? 2 : -2);
      sr = kr - 2 + random.Below(5);
      if (sr < 1 || sr > 9) sr = kr;
    }
    std::vector<PlacedPiece> pieces = {{side ^ 1, KING, kf, kr}, {side, KING, sf, sr}};
    int used[8] = {};
    for (int count = 3 + random.Below(8); count > 0; --count) {
      const int type = kTypes[random.Below(11)];
      const int file = kf - 2 + random.Below(5), rank = kr - 2 + random.Below(5);
      bool free = file >= 1 && file <= 9 && rank >= 1 && rank <= 9;
      for (const PlacedPiece& q : pieces) free = free && (q.file != file || q.rank != rank);
      if (!free || used[(type & 7) - 1] >= kLimit[(type & 7) - 1]) continue;
      ++used[(type & 7) - 1];
      pieces.push_back({random.Below(2), type, file, rank});
    }
    std::vector<HandPieces> hand;
    for (const int type : {GOLD, ROOK, BISHOP, SILVER, LANCE}) {
      if (random.Below(4) == 0 && used[type - 1] < kLimit[type - 1]) hand.push_back({side, type, 1});
    }
    Position position = BuildPosition(side, pieces, hand);
    compare(position);
  }
  EXPECT_GT(mates, 0);
  EXPECT_GT(compared, mates);
}

}  // namespace
