// The game stage the evaluation tables are built for: opening, middle game
// or endgame. Decided per think by the evaluation set-up.
#pragma once

using GameStage = int;

inline constexpr GameStage STAGE_OPENING = 0;  // 序盤
inline constexpr GameStage STAGE_MIDDLE = 1;   // 中盤
inline constexpr GameStage STAGE_ENDGAME = 2;  // 終盤
inline constexpr int GAME_STAGE_COUNT = 3;
