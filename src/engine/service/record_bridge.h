// The engine service's bridge between the game record and the engine: an
// engine move code as a record move, and a record position as an engine
// Position with its piece identities and derived tables.
#pragma once

#include "charset.h"
#include "engine/board/position.h"
#include "engine/search/move_code.h"
#include "records/kifu_piece.h"
#include "records/kifu_position.h"

// Writes the squares and promote flag of the move in the record's encoding
// (a drop from file 11 or 12 with the record type as its rank), pieces 0 and
// kind 0, and returns 0; returns -1 and leaves out untouched for a code that
// is no possible move (the null move, negative codes, squares off the board,
// pieces or promotions no move can have).
int EngineMoveToUi(MoveCode code, KifuMove& out);

// Builds the engine position of a record position and returns 0. Refuses
// with -1 what the engine can't hold: two kings of a side, a king in hand,
// more pieces of a kind than it has PieceIds, negative hand counts, a piece
// that can never move again, two unpromoted pawns of a side on one file, the
// side not to move in check, a side to move other than 0 or 1, or a square
// code that is no piece. After a refusal the position is the empty board
// (walls only, every piece out of play, side 0 to move).
int KifuPositionToEngine(Position& position, const KifuPosition& record);
