// The sanitizer build is where the library's assertions run: a build
// option that drops them again fails to compile here, and a plainly broken
// move (taking a king) stops make-move in every build that keeps them.
#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "support/position_builder.h"

#if defined(KIFU_SANITIZED) && defined(NDEBUG)
#error "the sanitizer build must keep assertions: NDEBUG is defined"
#endif

namespace {

#ifndef NDEBUG
TEST(Assertions, StopAMoveThatTakesTheKing) {
  // Side 1's king stands open to side 0's rook: a position no game reaches.
  Position position = BuildPosition(0, {{0, KING, 5, 9}, {1, KING, 5, 1}, {0, ROOK, 5, 5}});
  const MoveRecord take = MoveOn(position, 5, 5, 5, 1);
  EXPECT_DEATH(MakeMove(position, take, 0), "TypeOf\\(move.capturedCode\\) != KING");
}
#endif

}  // namespace
