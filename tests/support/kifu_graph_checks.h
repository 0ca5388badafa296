// Checks of a record graph for the tests: every structural invariant of a
// Kifu, the equality of a copy, and moves given by their squares.
#pragma once

#include <gtest/gtest.h>

#include "records/kifu.h"

// The move from (fromFile, fromRank) to (toFile, toRank) in the position,
// pieces filled in; a drop has from file 11 or 12 and the type as rank.
KifuMove KifuMoveIn(const KifuPosition& position, int fromFile, int fromRank, int toFile, int toRank,
                    int promote = 0);

// Acyclic; links both ways; the table holds every reachable position node
// once and nothing else; each position equals the one replayed from the
// start along its selected incoming moves and its ply counts them; every
// move reaches what its left position played gives; selections inside the
// lists; counts within capacity; no two outgoing moves alike; keys right;
// traversal marks 0. Returns the number of position nodes.
int ExpectKifuGraphValid(const Kifu& kifu);

// Same shape: position nodes paired through the walk, with the same moves,
// comments, times, values, selections and incoming order.
void ExpectSameKifuGraph(const Kifu& a, const Kifu& b);
