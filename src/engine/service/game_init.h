// The engine's per-game strategy set-up: each side's allowed strategy ids
// from the strategy the player chose for it, handed to every think.
#pragma once

#include "engine/eval/senkei.h"

// The strategy choice of a side for a game.
enum StrategyChoice : int {
  STRATEGY_ANY = 0,           // every strategy
  STRATEGY_STATIC_ROOK = 1,   // 居飛車
  STRATEGY_RANGING_ROOK = 2,  // 振飛車
  STRATEGY_YAGURA = 3,        // 矢倉
};

// Both sides' strategy state of a game.
struct GameStrategies {
  SenkeiMask allowed[2];
  SenkeiId current[2];  // undecided at the start
};

// The allowed mask of a choice; every strategy for a value outside the enum.
SenkeiMask AllowedSenkeiMask(int choice);
// Sets each side's allowed mask by its choice and its strategy to undecided.
void GameInit(GameStrategies& game, int firstChoice, int secondChoice);
