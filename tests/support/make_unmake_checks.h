// Checks of make and unmake shared by the make/unmake tests: a recorded make
// and its unmake against the oracle's copy-apply, a recount, the position
// keys and the attack history.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "charset.h"
#include "engine/board/position.h"

// The move as "7-7>7-6+" or "drop on 5-5", with its piece id.
std::string DescribeMove(const MoveRecord& move);

// The layer of a recorded make: each side's change on each square is the net
// change of its direct plus second-line count; a capture lists, once each,
// the squares the mover stopped attacking and those newly reached by an
// enemy slider that attacked the from-square directly; other moves list none.
::testing::AssertionResult LayerDescribesMove(const Position& before, const Position& after, const MoveRecord& move,
                                              int layer);
// Every change counter of the layers at and above the depth is zero.
::testing::AssertionResult HistoryClearFromDepth();

// Makes the move recorded at the current depth: the position must equal the
// oracle's copy-apply, keep its pieces consistent, its records a recount,
// the keys updated by the move the full keys of either hand side, and the
// layer must describe the move. Then unmakes it: position and depth must be
// back, the layers above clear.
::testing::AssertionResult CheckRecordedMakeAndUnmake(Position& position, const MoveRecord& move);
