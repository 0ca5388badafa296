// Whether an enemy bishop can get away from an attacking drop, on diagrams
// worked by hand: the horse's extra orthogonal flight, and the rook drop
// that leaves a bishop in the corner of the camp no square.
#include <gtest/gtest.h>

#include "engine/board/attack_drop_proposers.h"
#include "engine/board/king_attack_generator.h"
#include "support/position_builder.h"

namespace {

// Side 1's bishop on 5-5 hemmed in on its diagonals by its own golds and
// silvers; with `covered`, side 0 attacks every orthogonal neighbour.
Position HemmedBishop(int type, bool covered) {
  std::vector<PlacedPiece> pieces = {{0, KING, 9, 9}, {1, KING, 1, 1}, {1, type, 5, 5}, {1, GOLD, 4, 4},
                                     {1, GOLD, 6, 4}, {1, SILVER, 4, 6}, {1, SILVER, 6, 6}};
  if (covered) {
    // 5-4 by the rook, 6-5 by the silver, 5-6 by the gold, 4-5 by the knight.
    pieces.insert(pieces.end(), {{0, ROOK, 5, 2}, {0, SILVER, 7, 6}, {0, GOLD, 5, 7}, {0, KNIGHT, 3, 7}});
  }
  return BuildPosition(0, pieces);
}

TEST(BishopHasEscape, AHorseAlsoStepsOrthogonally) {
  const struct {
    const char* what;
    int type;
    bool covered, escape;
  } cases[] = {
      {"horse with open neighbours", HORSE, false, true},
      {"bishop with the same neighbours", BISHOP, false, false},
      {"horse with every neighbour attacked", HORSE, true, false},
  };
  for (const auto& c : cases) {
    const Position position = HemmedBishop(c.type, c.covered);
    for (int direction = 4; direction < 8; ++direction) {
      EXPECT_EQ(BishopHasEscape(position, 1, c.type == HORSE, 5, 5, direction), c.escape) << c.what << direction;
    }
  }
}

// Side 1's bishop on 3-1: one diagonal ends at side 0's silver on 4-2, which
// the gold on 4-3 guards; the other runs over 2-2 to 1-3, which the pawn on
// 1-4 attacks. A rook dropped where it sees 2-2 (2-1 beside the bishop, 3-2
// below it) traps the bishop and counts twice; one on 1-1 or 3-3 does not.
TEST(ProposeBishopTrapRookDrops, ATrappingDropCountsTwice) {
  const Position position = BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 9, 1}, {1, BISHOP, 3, 1}, {0, SILVER, 4, 2},
                                              {0, GOLD, 4, 3}, {0, PAWN, 1, 4}}, {{0, ROOK, 1}});
  const PieceCode bishop = position.PieceCodeAt(3, 1);
  const struct {
    int file, rank;
    bool trapped;
  } drops[] = {{2, 1, true}, {3, 2, true}, {1, 1, false}, {3, 3, false}};
  InitAttackMoveStamps();
  BeginAttackMoveStamps();
  MoveRecord none[2]{};
  none[0].SetNull();
  none[1].SetNull();
  ProposeBishopTrapRookDrops(position, 3, 3, 1, position.PieceIdAt(3, 1), bishop, &none[1], &none[0],
                             AttackMoveStamps::kTagKing);
  const int rook = position.HandStackTop(0, ROOK);
  for (const auto& q : drops) {
    EXPECT_EQ(IsBishopTrappedByRookDrop(position, 0, 3, 1, bishop, q.file, q.rank), q.trapped) << q.file << q.rank;
    EXPECT_TRUE(g_attackMoveStamps.IsMarked(rook, q.file, q.rank, 0, AttackMoveStamps::kProposed)) << q.file << q.rank;
    EXPECT_EQ(g_attackMoveStamps.IsMarked(rook, q.file, q.rank, 0, AttackMoveStamps::kTwice), q.trapped)
        << q.file << q.rank;
  }
  EXPECT_EQ(g_attackMoveStamps.count, 4u);
}

// Rook drops behind side 0's pawn on 5-5, the enemy gold on 4-8 covering 5-8
// and 5-9. 5-6 has an empty, unattacked square
// behind it (a farther drop is possible): weak. 5-7 has none: counted twice at
// once, unless the enemy can cut the file with a pawn dropped on 5-3, which
// makes it weak too. 5-8 and 5-9 are attacked: not proposed.
TEST(ProposeRookDropBehind, WeakWhereAFartherDropOrAPawnCutIsPossible) {
  for (const bool enemyPawnInHand : {false, true}) {
    std::vector<HandPieces> hands = {{0, ROOK, 1}};
    if (enemyPawnInHand) hands.push_back({1, PAWN, 1});
    const Position position =
        BuildPosition(0, {{0, KING, 9, 9}, {1, KING, 1, 1}, {0, PAWN, 5, 5}, {1, GOLD, 4, 8}}, hands);
    InitAttackMoveStamps();
    BeginAttackMoveStamps();
    MoveRecord none[2]{};
    none[0].SetNull();
    none[1].SetNull();
    ProposeRookDropBehind(position, 0, 3, 5, 5, &none[1], &none[0]);
    const int rook = position.HandStackTop(0, ROOK);
    const struct {
      int rank;
      bool proposed, weak;
    } squares[] = {{6, true, true}, {7, true, enemyPawnInHand}, {8, false, false}, {9, false, false}};
    for (const auto& q : squares) {
      SCOPED_TRACE(testing::Message() << "5-" << q.rank << (enemyPawnInHand ? ", pawn in hand" : ""));
      EXPECT_EQ(g_attackMoveStamps.IsMarked(rook, 5, q.rank, 0, AttackMoveStamps::kProposed), q.proposed);
      EXPECT_EQ(g_attackMoveStamps.IsMarked(rook, 5, q.rank, 0, AttackMoveStamps::kWeak), q.weak);
      EXPECT_EQ(g_attackMoveStamps.IsMarked(rook, 5, q.rank, 0, AttackMoveStamps::kTagKing), q.weak);
      EXPECT_EQ(g_attackMoveStamps.IsMarked(rook, 5, q.rank, 0, AttackMoveStamps::kTwice), q.proposed && !q.weak);
    }
  }
}

}  // namespace
