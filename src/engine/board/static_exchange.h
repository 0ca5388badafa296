// Static exchange evaluation: what a capture sequence on one square is worth
// when both sides recapture with their cheapest attackers first, valued with
// the root tables and the active piece-square table of the current think.
#pragma once

#include "engine/board/position.h"

// King captures end an exchange with these values.
inline constexpr int EXCHANGE_KING_TAKEN = 1000000;

// Exchange value for side s, whose direct attacker firstCapturer captures
// first on (file, rank) holding a piece of capturedType (code & 0x9f, 0 for
// an empty square); *firstGain gets the balance right after that capture.
// Pieces are valued by their king-relative blocks (middle game, endgame).
int StaticExchange(const Position& position, int side, int capturedType, int file, int rank, int firstCapturer,
                   int* firstGain, int margin);
// The same with plain piece values by type (opening).
int StaticExchangeOpening(const Position& position, int side, int capturedType, int file, int rank,
                          int firstCapturer, int* firstGain, int margin);
// The variant of the current g_gameStage.
int StaticExchangeForStage(const Position& position, int side, int capturedType, int file, int rank,
                           int firstCapturer, int* firstGain, int margin);
// Worth of dropping a piece of the base type from the side's hand on the
// square, less what the enemy wins by taking it; *dropValue gets the worth
// before the enemy's exchange.
int ExchangeValueForEval(const Position& position, int side, int baseType, int file, int rank, int* dropValue);
// The best winning capture of the side to move into out; 1 when one exists.
int FindBestCapture(const Position& position, MoveRecord& out);
