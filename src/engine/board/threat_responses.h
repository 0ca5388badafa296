// Replies to threats: to the opponent's moves in the null-move search's
// principal variation (escapes, sidesteps, defenders, batteries,
// interpositions, pieces that lose their protector) and to the attacks the
// opponent's last recorded move created (defenders and escapes), plus room
// for the king.
#pragma once

#include "engine/board/board_move_generator.h"
#include "engine/board/position.h"
#include "engine/search/move_code.h"

inline constexpr uint32_t DEFENDING_MOVE_STAMP_OFFSET = 1975;

// threats[0] is the number of codes that follow; codes 0, 2, 4, ... are the
// opponent's threats, code 1 the side's reply between the first two. Every
// answer, duplicates removed (list order not kept). Remaining depth is
// depthLimit - ply.
int GenerateThreatResponses(const Position& position, const MoveCode* threats, int ply, int depthLimit,
                            MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
// Moves of the own piece on (file, rank) away from it, never onto the
// excluded square (0, 0 for none) where the piece's rule tests it; in
// first-only mode 1 once a move reaches an unattacked square.
int GeneratePieceEscapes(const Position& position, int file, int rank, int remainingDepth, int firstOnly,
                         int excludedFile, int excludedRank, MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
// The own bishop on (file, rank) leaves the diagonal of the enemy bishop on
// (enemyFile, enemyRank) along its other diagonal.
int GenerateBishopSidesteps(const Position& position, int file, int rank, int enemyFile, int enemyRank,
                            int remainingDepth, int firstOnly, MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
// Rooks and bishops moving behind an own attacker of (file, rank) on its line.
int GenerateBatteryMoves(const Position& position, int file, int rank, MoveRecord* out,
                         int capacity = MAX_GENERATED_MOVES);
// Every move of each own piece that the piece on (file, rank), taken as the
// side's, would protect.
int GenerateMovesOfProtectedPieces(const Position& position, int file, int rank, MoveRecord* out,
                                   int capacity = MAX_GENERATED_MOVES);
// Defenders and interpositions for the squares the last recorded move
// (layer g_attackHistoryDepth - 1) made worse; writtenCount receives the
// count before duplicates are removed. Nothing at history depth 0.
int GenerateDefendingMoves(const Position& position, int& writtenCount, int remainingDepth, MoveRecord* out,
                           int capacity = MAX_GENERATED_MOVES);
// First-only escapes of the own pieces the last recorded move attacked and
// that would lose material, then, above depth 2, room for the king.
int GenerateEscapesOfAttackedPieces(const Position& position, int remainingDepth, int excludedFile, int excludedRank,
                                    MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
// King steps to safe empty neighbours and silvers or knights making room,
// when a neighbour of the king is empty and not held by the side.
int GenerateKingRoomMoves(const Position& position, MoveRecord* out, int capacity = MAX_GENERATED_MOVES);
