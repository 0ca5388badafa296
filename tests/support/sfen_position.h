// Engine positions for tests from an SFEN-style text, laid out by the
// piece-list builder (independently of the engine's set-up code).
#pragma once

#include <string_view>

#include "charset.h"
#include "engine/board/position.h"

// Board ranks 1-9 separated by '/', files 9 to 1 within a rank, upper case
// for side 0, '+' before a promoted piece, digits for empty runs; then 'b'
// (side 0 to move) or 'w'; then the hands ("-" or e.g. "2Pg"). Letters:
// K R B G S N L P. False, with `out` untouched, for a malformed text, a
// second king of a side or more pieces of a kind than the game has.
bool PositionFromSfen(std::string_view text, Position& out);
