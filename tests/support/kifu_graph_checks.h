// Checks of a record graph for the tests: every structural invariant of a
// Kifu, a text of its shape for comparing copies, and moves by squares.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/kifu.h"

// The move from (fromFile, fromRank) to (toFile, toRank) in the position,
// pieces filled in.
KifuMove KifuMoveIn(const KifuPosition& position, int fromFile, int fromRank, int toFile, int toRank,
                    int promote = 0);

// Plays the moves given by squares (from file, from rank, to file, to rank)
// from the node, selected, merging by the chooser; the last move node, or
// null when one can't be played.
KifuMoveNode* KifuPlayLine(Kifu& kifu, KifuPositionNode* from, std::initializer_list<std::array<int, 4>> squares,
                           const MergeChooser& chooser = MergeChooser::TakeFirst());

// Every position node reached from the start, each once, in the order a
// breadth-first walk meets them.
std::vector<KifuPositionNode*> KifuReachableNodes(const Kifu& kifu);

// Acyclic; links both ways; the table holds every reachable position node
// once, in its key's chain, and nothing else; each position equals the one
// replayed from the start along its selected incoming moves and its ply
// counts them; every move reaches what its left position gives; selections
// inside the lists; counts within capacity; no two outgoing moves alike;
// keys right; traversal marks 0. Returns the number of position nodes.
int ExpectKifuGraphValid(const Kifu& kifu);

// The graph's shape as text: position nodes numbered as a walk meets them,
// with plies, selections, and per move its bytes, time, comment, value,
// variation length, the node it reaches and its incoming index there.
std::string DescribeKifuGraph(const Kifu& kifu);
