// The per-node evaluation record the search carries down the tree: per-side
// attack terms with their top-six lists, king defence, reserve and material,
// all in 16-bit words that wrap, so that a child copies it in a few moves.
#pragma once

#include <cstdint>

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
// unfilled places. Values of 0 or less are never stored.
// Puts the value in its place; the sixth entry falls out.
void TopSixInsert(uint16_t* list, int value);
// Removes by place, not by equality: the first place whose successor is
// smaller than the value; nothing when the value is not above the sixth entry.
void TopSixRemove(uint16_t* list, int value);
// Changes one contribution from oldValue to newValue.
void TopSixReplace(uint16_t* list, int oldValue, int newValue);
void TopSixInsert(EvalState& state, int side, int listIndex, int value);
void TopSixRemove(EvalState& state, int side, int listIndex, int value);
void TopSixReplace(EvalState& state, int side, int listIndex, int oldValue, int newValue);
