// Consistency checks of engine positions for tests: every derived table
// against its recount, and equality up to the data a position leaves stale.
#pragma once

#include <string>

#include "engine/board/position.h"

// Empty when board, piece list, hands and stacks agree and the pawn ranks,
// tokin lists, hand totals and attack records equal their recounts;
// otherwise a description of the first difference found.
std::string DescribeInconsistency(const Position& position);

// True when the positions are equal apart from stale data: stack slots above
// the tops, rank and code of pieces in hand, tokin slots beyond the count and
// the order of the tokin lists.
bool SameLivePosition(const Position& a, const Position& b);
