// The per-node evaluation record the search carries down the tree: per-side
// attack terms with their top-six lists, king defence, reserve and material,
// all in 16-bit words that wrap, so that a child copies it in a few moves.
#pragma once

#include <cstdint>
#include <utility>

// A compressed value and the per-node addend added after the compression.
struct EvalValuePair {
  int16_t value = 0;
  int16_t addend = 0;
};

inline constexpr int TOP_SIX_SIZE = 6;
inline constexpr int ATTACK_LIST_COUNT = 4;
// Which list of a side's attack contributions against the enemy king: by the
// piece's file (higher than the king's, or not) and rank (likewise).
inline constexpr int FILE_LIST_HIGHER = 0;
inline constexpr int FILE_LIST_LOWER_OR_EQUAL = 1;
inline constexpr int RANK_LIST_HIGHER = 2;
inline constexpr int RANK_LIST_LOWER_OR_EQUAL = 3;

struct EvalSideTerms {
  uint16_t attackList[ATTACK_LIST_COUNT][TOP_SIX_SIZE] = {};
  int16_t attackSum = 0;      // major pieces, approach values, hand, open files
  int16_t enemyKingTerm = 0;  // per-node terms only; cleared for every child
  uint32_t openFileAccumulator = 0;
};

inline constexpr uint32_t EVAL_FLAG_ENEMY_KING_TERM = 0x10;
inline constexpr uint32_t EVAL_FLAG_PATTERN_TERM = 0x20;

struct EvalState {
  uint32_t flags = 0;
  EvalSideTerms side[2];
  EvalValuePair defence[2];
  int16_t reserveValue[2] = {};
  EvalValuePair material[2];
};
static_assert(sizeof(EvalValuePair) == 4);
static_assert(sizeof(EvalSideTerms) == 56);

// The one way every evaluator changes a 16-bit word: modulo 2^16, never
// widened nor saturated.
inline void AddToWord(int16_t& word, int delta) { word = static_cast<int16_t>(static_cast<uint16_t>(word + delta)); }

// Top-six lists: the six largest positive values offered, descending, 0 in
// unfilled places. Values of 0 or less are never stored. Inline: the
// incremental update calls them for every attack contribution it moves.

// Puts the value in its place; the sixth entry falls out.
inline void TopSixInsert(uint16_t* list, int value) {
  if (value <= 0) return;
  int place = 0;
  while (place < TOP_SIX_SIZE && list[place] >= value) ++place;
  // The value goes in and the entries from its place on each move one down,
  // carried through a register: a loop of moves would become a library call.
  uint16_t carried = static_cast<uint16_t>(value);
  for (int i = place; i < TOP_SIX_SIZE; ++i) std::swap(carried, list[i]);
}

// Removes by place, not by equality: the first place whose successor is
// smaller than the value; nothing when the value is not above the sixth entry.
// The sixth place cannot be emptied and keeps its value.
inline void TopSixRemove(uint16_t* list, int value) {
  if (value <= 0) return;
  // The value is taken to stand at the last place not smaller than it.
  int place = 0;
  while (place < TOP_SIX_SIZE - 1 && list[place + 1] >= value) ++place;
  // The entries after it move one up, carried from the sixth, which stays.
  uint16_t carried = list[TOP_SIX_SIZE - 1];
  for (int i = TOP_SIX_SIZE - 2; i >= place; --i) std::swap(carried, list[i]);
}

// Changes one contribution from oldValue to newValue.
inline void TopSixReplace(uint16_t* list, int oldValue, int newValue) {
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

// The same, on one attack list of a side of the state.
inline void TopSixInsert(EvalState& state, int side, int listIndex, int value) {
  TopSixInsert(state.side[side].attackList[listIndex], value);
}
inline void TopSixRemove(EvalState& state, int side, int listIndex, int value) {
  TopSixRemove(state.side[side].attackList[listIndex], value);
}
inline void TopSixReplace(EvalState& state, int side, int listIndex, int oldValue, int newValue) {
  TopSixReplace(state.side[side].attackList[listIndex], oldValue, newValue);
}
