// One side's view of the board over sample positions: side 1 sees the board
// turned by 180 degrees, the piece-by-piece attack test agrees in number
// with the square's direct count, and the kings read as the side sees them.
#include "engine/eval/side_view.h"

#include <gtest/gtest.h>

#include "support/generator_checks.h"

namespace {

TEST(SideView, TurnedForSideOneAndAttackersCountedByPiece) {
  int checked = 0;
  ForEachSamplePosition(SampleCount(100), 61, [&](Position& position) {
    ++checked;
    for (int side = 0; side < 2; ++side) {
      const SideView view{position, side};
      EXPECT_EQ(view.Enemy(), 1 - side);
      for (int of = 0; of < 2; ++of) {
        const PieceListEntry& king = position.pieces[of];
        EXPECT_EQ(view.KingFile(of), side == 0 ? king.file : 10 - king.file);
        EXPECT_EQ(view.KingRank(of), side == 0 ? king.rank : 10 - king.rank);
      }
      for (int file = 1; file <= 9; ++file) {
        for (int rank = 1; rank <= 9; ++rank) {
          const int f = side == 0 ? file : 10 - file, r = side == 0 ? rank : 10 - rank;
          const PieceCode code = position.pieces[position.board[f][r]].code;
          ASSERT_EQ(view.CodeAt(file, rank), code);
          EXPECT_EQ(view.Empty(file, rank), code == 0);
          EXPECT_EQ(view.OwnAny(file, rank), code != 0 && OwnerOf(code) == side);
          if (code != 0) {
            EXPECT_EQ(view.Own(TypeOf(code), file, rank), OwnerOf(code) == side);
            EXPECT_EQ(view.EnemyOn(TypeOf(code), file, rank), OwnerOf(code) != side);
          }
          EXPECT_EQ(view.DirectAttackers(1 - side, file, rank),
                    position.attacks[9 * (f - 1) + r - 1].directCount[1 - side]);
          // Every direct attacker is a piece on the board, and there are as
          // many as the square's count says.
          int attackers = 0;
          for (int id = 0; id < PIECE_COUNT; ++id) {
            if (!AttackedByPiece(position, side, file, rank, id)) continue;
            ++attackers;
            EXPECT_GE(position.pieces[id].file, 1) << "id " << id;
            EXPECT_EQ(OwnerOf(position.pieces[id].code), side) << "id " << id;
          }
          ASSERT_EQ(attackers, position.attacks[9 * (file - 1) + rank - 1].directCount[side]) << file << rank;
        }
      }
    }
  });
  EXPECT_GT(checked, 0);
}

}  // namespace
