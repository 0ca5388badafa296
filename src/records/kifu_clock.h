// A player's clock as the game record replays it: main time, byoyomi and
// one-minute periods, and the state the consumed times of the moves lead
// to. Times come from the record (seconds per move); nothing here reads a
// wall clock.
#pragma once

#include <cstdint>

// Clock states; 1 is an old form of unlimited and is replayed as 0.
enum KifuClockState : int32_t {
  CLOCK_UNLIMITED = 0,
  CLOCK_UNLIMITED_OLD = 1,
  CLOCK_MAIN_TIME = 2,
  CLOCK_BYOYOMI = 3,
};

// Seconds in one period of extra time.
inline constexpr int32_t CLOCK_PERIOD_SECONDS = 60;

// Seven 32-bit fields; callers keep two in a row, the first player's first.
struct KifuClock {
  int32_t mainTime = -1;     // seconds; -1 unlimited
  int32_t byoyomi = 0;       // seconds allowed per move once the main time is spent
  int32_t periods = 0;       // one-minute periods to draw on in byoyomi
  int32_t lastMove = 0;      // seconds of the last move
  int32_t state = CLOCK_UNLIMITED;
  int32_t remaining = 0;     // main time left (2), total used (0), used within the byoyomi (3)
  int32_t periodsLeft = 0;

  // Sets up the clock: all three 0 means unlimited (main time -1, state 0);
  // else state 3 when there is no main time, 2 when there is.
  void Init(int mainSeconds, int byoyomiSeconds, int periodCount);
  // Back to the start of a game for a replay: state 0 or 1 becomes 0 with
  // nothing used, any other state 2 with the main time (3 without any);
  // last move 0, every period left.
  void RestartForReplay();
  // Charges one move of `seconds` by the state machine: unlimited counts
  // up, main time counts down and spills into byoyomi, byoyomi draws whole
  // periods for what the move takes beyond the byoyomi.
  void Spend(int seconds);
};
static_assert(sizeof(KifuClock) == 7 * sizeof(int32_t));
