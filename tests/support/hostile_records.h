// Records built to make a careless reader slow: a long KIF line with a
// label after every move and a goto back to an equal position, and a KI2
// line with many variations that rejoin it. Both are kings walking back and
// forth, so that every fourth position repeats.
#pragma once

#include <string>

// A KIF text of `moves` moves (a multiple of 4), each followed by a label
// line and, from the fourth on, a goto to the equal position four moves
// back (a cycle the reader must refuse).
std::string HostileGotoKif(int moves);
// A KI2 text of `moves` moves (a multiple of 4) and, from the end back to
// the start, a three-move variation at every fourth move that rejoins the
// line at an equal position.
std::string HostileVariationKi2(int moves);
