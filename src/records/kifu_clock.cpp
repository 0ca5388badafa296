// The clock state machine of the game record's replay. Sums are taken in 64
// bits and kept within 32: move times come from files and may be anything.
#include "records/kifu_clock.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

void KifuClock::Init(int mainSeconds, int byoyomiSeconds, int periodCount) {
  const bool unlimited = mainSeconds == 0 && byoyomiSeconds == 0 && periodCount == 0;
  mainTime = unlimited ? -1 : mainSeconds;
  byoyomi = byoyomiSeconds;
  periods = periodCount;
  lastMove = 0;
  state = unlimited ? CLOCK_UNLIMITED : (mainTime < 1 ? CLOCK_BYOYOMI : CLOCK_MAIN_TIME);
  remaining = unlimited ? 0 : mainTime;
  periodsLeft = periodCount;
}

void KifuClock::RestartForReplay() {
  if (state == CLOCK_UNLIMITED || state == CLOCK_UNLIMITED_OLD) {
    state = CLOCK_UNLIMITED;
    remaining = 0;
  } else {
    state = mainTime > 0 ? CLOCK_MAIN_TIME : CLOCK_BYOYOMI;
    remaining = mainTime;
  }
  lastMove = 0;
  periodsLeft = periods;
}

void KifuClock::Spend(int seconds) {
  if (state == CLOCK_UNLIMITED || state == CLOCK_UNLIMITED_OLD) {
    remaining = Clamp32(int64_t{remaining} + seconds);
    lastMove = seconds;
    return;
  }
  int64_t rest = seconds;
  if (state == CLOCK_MAIN_TIME) {
    if (remaining >= seconds) {
      remaining = Clamp32(int64_t{remaining} - seconds);
      lastMove = seconds;
      return;
    }
    // The main time runs out during the move; the rest is a byoyomi move.
    rest = int64_t{seconds} - remaining;
    state = CLOCK_BYOYOMI;
    remaining = 0;
  }
  if (state != CLOCK_BYOYOMI) {
    lastMove = seconds;
    return;
  }
  if (rest <= byoyomi) {
    remaining = Clamp32(rest);
    lastMove = Clamp32(rest);
    return;
  }
  // Every started minute beyond the byoyomi uses a period; remaining is the
  // time used within the last one.
  const int64_t over = rest - byoyomi;
  const int64_t used = (over + CLOCK_PERIOD_SECONDS - 1) / CLOCK_PERIOD_SECONDS;
  periodsLeft = Clamp32(std::max<int64_t>(int64_t{periodsLeft} - used, 0));
  remaining = Clamp32(over - CLOCK_PERIOD_SECONDS * (used - 1));
  // Nothing reads the last move's time after periods were drawn; it keeps
  // what the move took in byoyomi, as when no period was needed.
  lastMove = Clamp32(rest);
}
