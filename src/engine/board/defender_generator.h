// Moves and drops that add a defender to one square: nearby golds and
// silvers stepping in, rooks and bishops lining up, knights, the king, a
// fifth-rank pawn's support, drops, and one unmasking bishop step.
#pragma once

#include <cstdint>

#include "engine/board/board_move_generator.h"
#include "engine/board/position.h"

// Steps of a piece near the target square that make it attack the square:
// by relative position (df, dr forward for the side), the gold mover's,
// the silver's and the silver's promoting steps. `count` per list.
struct DefenderSteps {
  int8_t df, dr;
  uint8_t goldCount, silverCount, promotingCount;
  int8_t gold[3][2], silver[3][2], promoting[3][2];
};
inline constexpr int DEFENDER_STEP_POSITIONS = 24;
extern const DefenderSteps g_defenderSteps[DEFENDER_STEP_POSITIONS];

// Writes the side to move's defending moves and drops for (file, rank) in
// nine steps; in first-only mode a safe move ends the board-move steps and
// the first pawn, lance, knight, gold or silver drop returns. `kind` is not
// read. Returns the count.
int GenerateDefenders(const Position& position, int file, int rank, int remainingDepth, int kind, int firstOnly,
                      MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
