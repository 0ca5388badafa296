// The top-six lists of attack contributions. Their owners offer, take back and
// change one contribution at a time; a list never re-sums, so what has fallen
// out of it stays out, and removal goes by place.
#include "engine/eval/eval_state.h"

void TopSixInsert(uint16_t* list, int value) {
  if (value <= 0) return;
  int place = 0;
  while (place < TOP_SIX_SIZE && list[place] >= value) ++place;
  if (place == TOP_SIX_SIZE) return;
  for (int i = TOP_SIX_SIZE - 1; i > place; --i) list[i] = list[i - 1];
  list[place] = static_cast<uint16_t>(value);
}

void TopSixRemove(uint16_t* list, int value) {
  if (value <= 0) return;
  // The value is taken to stand at the last place not smaller than it; the
  // sixth place cannot be emptied and keeps its value.
  int place = 0;
  while (place < TOP_SIX_SIZE - 1 && list[place + 1] >= value) ++place;
  if (place == TOP_SIX_SIZE - 1) return;
  for (int i = place; i < TOP_SIX_SIZE - 1; ++i) list[i] = list[i + 1];
}

void TopSixReplace(uint16_t* list, int oldValue, int newValue) {
  if (oldValue <= 0) {
    TopSixInsert(list, newValue);
    return;
  }
  if (newValue <= 0) {
    TopSixRemove(list, oldValue);
    return;
  }
  if (newValue == oldValue) return;
  if (newValue > oldValue) {
    int place = 0;
    while (place < TOP_SIX_SIZE && list[place] >= newValue) ++place;
    if (place == TOP_SIX_SIZE) return;
    // Shift down from the new place until the old value is overwritten (or
    // the last entry falls out).
    int carried = list[place];
    for (int i = place + 1; carried != oldValue && i < TOP_SIX_SIZE; ++i) {
      const int next = list[i];
      list[i] = static_cast<uint16_t>(carried);
      carried = next;
    }
    list[place] = static_cast<uint16_t>(newValue);
    return;
  }
  int place = 0;
  while (place < TOP_SIX_SIZE && list[place] != oldValue) ++place;
  if (place == TOP_SIX_SIZE) return;
  for (; place + 1 < TOP_SIX_SIZE && list[place + 1] > newValue; ++place) list[place] = list[place + 1];
  list[place] = static_cast<uint16_t>(newValue);
}

void TopSixInsert(EvalState& state, int side, int listIndex, int value) {
  TopSixInsert(state.side[side].attackList[listIndex], value);
}
void TopSixRemove(EvalState& state, int side, int listIndex, int value) {
  TopSixRemove(state.side[side].attackList[listIndex], value);
}
void TopSixReplace(EvalState& state, int side, int listIndex, int oldValue, int newValue) {
  TopSixReplace(state.side[side].attackList[listIndex], oldValue, newValue);
}
