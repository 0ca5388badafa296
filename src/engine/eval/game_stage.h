// The game stage the evaluation tables are built for: opening, middle game
// or endgame. Decided per think by the evaluation set-up.
#pragma once

using GameStage = int;

inline constexpr GameStage STAGE_OPENING = 0;  // 序盤
inline constexpr GameStage STAGE_MIDDLE = 1;   // 中盤
inline constexpr GameStage STAGE_ENDGAME = 2;  // 終盤
inline constexpr int GAME_STAGE_COUNT = 3;

#include "engine/board/position.h"

// The stage of the current think, set by the search root before the set-up.
extern GameStage g_gameStage;
// "序盤", "中盤", "終盤".
extern const char* const g_gameStageNames[GAME_STAGE_COUNT];

// The stage from how far the pieces have advanced, promoted and been taken.
GameStage DetermineGameStage(const Position& position);
