// Tests of single moves relative to what the opponent's last move changed
// (forcing and threat tests), the follow-up keys of an exchange just
// played, the line threats added to the changed-square list, and the root
// filter of moves that only put a piece back.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

// Fields of a follow-up key: the answering move's from and to squares in
// nibbles, the type won in the first capture, the file of a quiet pawn move.
constexpr int KeyFromFile(uint32_t key) { return key & 0xf; }
constexpr int KeyFromRank(uint32_t key) { return (key >> 4) & 0xf; }
constexpr int KeyToFile(uint32_t key) { return (key >> 8) & 0xf; }
constexpr int KeyToRank(uint32_t key) { return (key >> 12) & 0xf; }
constexpr int KeyType(uint32_t key) { return (key >> 16) & 0xff; }
constexpr int KeyPawnFile(uint32_t key) { return (key >> 24) & 0xff; }

// Movement class of a PieceCode & 0x9f: bit 0 step forward, 1 forward
// slide, 2 knight jump, 3 diagonal steps, 4 the gold's other steps, 5
// diagonal slides, 6 the rook's other slides.
extern const uint32_t g_movementClassMask[TYPE_TABLE_SIZE];

// Whether the move (or drop, dropFlag 1) of piece `id` to (toFile, toRank)
// creates a threat worth searching under the follow-up key
// g_forcingMoveFilter; `line` is the search's record of this ply, line[-1]
// the one before it. 1 forcing, 0 not.
int IsForcingMove(const Position& position, const MoveRecord* line, int id, int promote, int dropFlag, int toFile,
                  int toRank, int level);
// The lighter test of the shallow king-attack generator: whether the move
// (id -1 for a drop) of a piece with `code` attacks an enemy piece on a
// changed square. 1 or 0.
int IsThreatMove(const Position& position, int id, PieceCode code, int promote, int toFile, int toRank);
// Follow-up key of move `answer` recapturing on the square of move `first`; 0 for none.
uint32_t RecaptureKey(const MoveRecord& first, const MoveRecord& answer);
// RecaptureKey with the drop rule of the node search and, for a board
// move that gives a key, the line threats through its from-square.
uint32_t RecaptureKeyLines(const Position& position, const MoveRecord& first, const MoveRecord& answer, int depth);
// Follow-up key of an exchange four plies back answered through the square
// of the move three plies back; 0 for none.
uint32_t RecaptureKey3(const MoveRecord& fourBack, const MoveRecord& threeBack, const MoveRecord& last);
// Appends to the current changed-square list the squares from (file, rank)
// toward each slider of the side to move that attacks it.
void RecordLineThreats(const Position& position, int file, int rank);
// Whether (file, rank) is on the current changed-square list. 1 or 0.
int IsThreatSquare(int file, int rank);
// Removes from the root list the moves that only put a piece back after the
// last two game moves; lowers count by the number removed, returns the head.
MoveRecord* FilterRootBackMoves(MoveRecord* head, int& count, const MoveRecord* last, const MoveRecord* previous);
