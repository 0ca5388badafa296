// Records built to make a careless reader slow: a long KIF line with a
// goto after every move back to an equal position, and a KI2
// line with many variations that rejoin it. Both are kings walking back and
// forth, so that every fourth position repeats.
#pragma once

#include <string>

// A KIF text of `moves` moves (a multiple of 4): the position after the
// fourth is labelled, and every later move is followed by a goto to it
// (every fourth one names an equal position, an ancestor: a cycle the
// reader must refuse).
std::string HostileGotoKif(int moves);
// A KI2 text of `moves` moves (a multiple of 4) and, from the end back to
// the start, a three-move variation at every fourth move that rejoins the
// line at an equal position.
std::string HostileVariationKi2(int moves);
