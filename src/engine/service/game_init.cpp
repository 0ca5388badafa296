// Allowed strategy masks by the player's choice.
#include "engine/service/game_init.h"

namespace {

// The 矢倉 mask keeps the book's bit 30 (真矢倉) as the game gives it; the
// re-decision cuts every mask to the real ids.
constexpr SenkeiMask kAllowedMasks[] = {ALL_SENKEI_MASK, 0x8FAD3, 0x5F92C, 0x4000F801};

}  // namespace

SenkeiMask AllowedSenkeiMask(int choice) {
  return choice >= STRATEGY_ANY && choice <= STRATEGY_YAGURA ? kAllowedMasks[choice] : ALL_SENKEI_MASK;
}

void GameInit(GameStrategies& game, int firstChoice, int secondChoice) {
  game.allowed[0] = AllowedSenkeiMask(firstChoice);
  game.allowed[1] = AllowedSenkeiMask(secondChoice);
  game.current[0] = SENKEI_UNDECIDED;
  game.current[1] = SENKEI_UNDECIDED;
}
