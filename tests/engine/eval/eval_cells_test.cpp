// Border-safe cell reads over sample positions: every cell from two past the
// wall ring to two past the far side, read against a model that looks at
// the board array only for real squares and calls everything else the wall.
#include "engine/eval/eval_cells.h"

#include <gtest/gtest.h>

#include "support/generator_checks.h"

namespace {

bool ModelOnBoard(int file, int rank) { return file >= 1 && file <= 9 && rank >= 1 && rank <= 9; }

PieceCode ModelCode(const Position& position, int file, int rank) {
  return ModelOnBoard(file, rank) ? position.pieces[position.board[file][rank]].code : WALL_CODE;
}

TEST(EvalCells, ReadsAgreeWithTheBoardAndTheBorderIsTheWall) {
  int checked = 0;
  ForEachSamplePosition(SampleCount(120), 33, [&](Position& position) {
    ++checked;
    for (int file = -2; file <= 12; ++file) {
      for (int rank = -2; rank <= 12; ++rank) {
        const bool onBoard = ModelOnBoard(file, rank);
        const PieceCode code = ModelCode(position, file, rank);
        ASSERT_EQ(eval_cells::CodeAt(position, file, rank), code) << file << "," << rank;
        ASSERT_EQ(eval_cells::EmptyAt(position, file, rank), onBoard && code == 0) << file << "," << rank;
        for (int side = 0; side < 2; ++side) {
          // The wall holds a piece of both sides but is nobody's piece of a type.
          const bool holds = !onBoard || (code != 0 && OwnerOf(code) == side);
          EXPECT_EQ(eval_cells::HoldsPieceOf(position, side, file, rank), holds);
          for (int type : {ROOK, GOLD, PAWN, KING, DRAGON, TOKIN}) {
            const bool piece = onBoard && code != 0 && OwnerOf(code) == side && (code & 0x9f) == type;
            EXPECT_EQ(eval_cells::IsPieceAt(position, side, type, file, rank), piece);
          }
          const int control =
              onBoard ? position.attacks[9 * (file - 1) + rank - 1].directCount[side] +
                            position.attacks[9 * (file - 1) + rank - 1].xrayCount[side]
                      : 0;
          EXPECT_EQ(eval_cells::ControlAt(position, side, file, rank), control);
        }
      }
    }
    for (int side = 0; side < 2; ++side) {
      for (int file = 1; file <= 9; ++file) {
        int pawn = 0;
        for (int rank = 1; rank <= 9; ++rank) {
          const PieceCode code = ModelCode(position, file, rank);
          if (code == (OwnerBit(side) | PAWN)) pawn = rank;
        }
        for (int rank = 1; rank <= 9; ++rank) {
          // Side 0 advances toward rank 1, side 1 toward rank 9.
          const bool ahead = pawn != 0 && (side == 0 ? rank < pawn : rank > pawn);
          EXPECT_EQ(eval_cells::AheadOfOwnPawn(position, side, file, rank), ahead) << side << " " << file << rank;
        }
      }
    }
    // Rays from every square in the eight directions and the two knight
    // leaps' directions stop at the first piece or the wall.
    for (int file = 1; file <= 9; ++file) {
      for (int rank = 1; rank <= 9; ++rank) {
        for (int df = -1; df <= 1; ++df) {
          for (int dr = -1; dr <= 1; ++dr) {
            if (df == 0 && dr == 0) continue;
            int f = file + df;
            int r = rank + dr;
            int steps = 1;
            while (ModelOnBoard(f, r) && ModelCode(position, f, r) == 0) f += df, r += dr, ++steps;
            const eval_cells::RayHit hit = eval_cells::FirstOnRay(position, file, rank, df, dr);
            ASSERT_EQ(hit.file, f) << file << rank << " " << df << dr;
            ASSERT_EQ(hit.rank, r) << file << rank << " " << df << dr;
            EXPECT_EQ(hit.steps, steps);
            EXPECT_EQ(hit.IsWall(), !ModelOnBoard(f, r));
            EXPECT_EQ(hit.code, ModelCode(position, f, r));
          }
        }
      }
    }
  });
  EXPECT_GT(checked, 0);
}

TEST(EvalCells, ClampAndOnBoardEntries) {
  struct Case {
    int value, low, high, expected;
  };
  for (const Case& c : {Case{5, 1, 9, 5}, Case{0, 1, 9, 1}, Case{1, 1, 9, 1}, Case{9, 1, 9, 9}, Case{12, 1, 9, 9},
                        Case{-4, -3, 3, -3}}) {
    EXPECT_EQ(eval_cells::Clamp(c.value, c.low, c.high), c.expected) << c.value;
  }
  struct EntryCase {
    int file, rank;
    bool onBoard;
  };
  for (const EntryCase& c : {EntryCase{1, 1, true}, EntryCase{9, 9, true}, EntryCase{5, 0, false},
                             EntryCase{0, 5, false}, EntryCase{10, 5, false}, EntryCase{5, 10, false},
                             EntryCase{-1, -1, false}}) {
    const PieceListEntry entry{static_cast<int8_t>(c.file), static_cast<int8_t>(c.rank), 0};
    EXPECT_EQ(eval_cells::OnBoard(entry), c.onBoard) << c.file << "," << c.rank;
  }
}

}  // namespace
