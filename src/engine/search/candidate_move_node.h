// One node of the search's doubly linked candidate lists: the move, its
// ordering value, three words the search keeps per candidate, and the links.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

struct CandidateMoveNode {
  MoveRecord* move;
  int32_t value;  // ordering value, written by ScoreCandidateMoves
  int32_t searchWords[3];
  CandidateMoveNode* next;
  CandidateMoveNode* prev;
};
