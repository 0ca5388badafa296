// The captures of the quiescence and node searches, straight from the
// attack records: worthwhile captures at the leaves, captures on the
// squares the last move changed, captures and moves onto one square, the
// recapture of the piece that just moved, and the short-range captures of
// one piece. Each writes from out[0] on and returns the count.
#pragma once

#include "engine/board/position.h"

// A capture passes when its value is strictly greater than this entry:
// [g_gameStage][min(level, 3)].
extern const int g_captureGainThreshold[3][4];

// Captures worth searching at a leaf (kings never captured), promoting
// pawn pushes, and rook pushes to the second or third rank. `line` is not read.
int GenerateCaptures(const Position& position, const MoveRecord* line, int level, MoveRecord* out);
// Captures and promotions on the squares of the current changed-square list.
int GenerateCapturesOnChangedSquares(const Position& position, int level, MoveRecord* out);
// Captures of the piece on (file, rank), cheapest attacker first, stopping
// at an exchange worse than -400; *bestValue gets the best value seen.
int GenerateCapturesOnSquare(const Position& position, int file, int rank, MoveRecord* out, int* bestValue);
// The capture of the piece that just made `justMade` by the side's first
// direct attacker of its square: 1, or 0 when nothing attacks it.
int GenerateRecaptures(const Position& position, const MoveRecord& justMade, MoveRecord* out);
// Moves of the side's direct attackers onto (file, rank), stopping at an
// exchange worse than -400, filtered by IsForcingMove (level `extra`)
// while g_forcingMoveFilter is set.
int GenerateMovesToSquare(const Position& position, const MoveRecord* line, int file, int rank, int extra,
                          MoveRecord* out);
// Short-range captures of the gold, silver, knight or pawn on (file, rank).
int GeneratePieceMoves(const Position& position, int file, int rank, MoveRecord* out);
// What the side to move gains when its piece `id` takes the undefended
// piece on (file, rank): the mover's change of worth plus the taken piece.
int UndefendedCaptureValue(const Position& position, int id, int file, int rank);
