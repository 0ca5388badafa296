// The result of one engine think as the game record keeps it in every move
// node: value, annotation, strategy bits, predicted reply, the principal
// variation as packed engine moves and as text, and the status words.
#pragma once

#include <cstdint>
#include <vector>

#include "charset.h"
#include "engine/search/move_code.h"
#include "records/sjis_string.h"

// The value of a think result that holds no value.
inline constexpr int32_t THINK_NO_VALUE = 32767;

// Words the engine service keeps in a think result that the record side
// copies whole and never reads. Four: room for the service's own figures
// (depth, nodes and the like) without the record layout changing.
inline constexpr int THINK_SERVICE_WORDS = 4;

class ThinkResult {
 public:
  int32_t value = THINK_NO_VALUE;        // the engine's value; THINK_NO_VALUE = none
  int32_t annotation = 0;                // MoveAnnotation code (records/kifu_list_text.h)
  int32_t strategyBits = 0;              // strategy bit set of the think
  MoveCode predictedReply = 0;           // the reply the engine expected
  std::vector<MoveCode> pv;              // principal variation, packed engine moves
  SjisString pvText;                     // the variation as text, when read from a file
  int32_t status = 0;                    // MoveMarker: 1 book move, 5 mate
  int32_t shownWithNextMove = 0;         // non-zero: the list shows this reading on the next move's line
  int32_t serviceWords[THINK_SERVICE_WORDS] = {};  // copied, never interpreted

  // A reset result (value THINK_NO_VALUE, everything else empty).
  ThinkResult() = default;
  // Deep copies: the variation list and its text are the copy's own.
  ThinkResult(const ThinkResult&) = default;
  ThinkResult& operator=(const ThinkResult&) = default;
  ThinkResult(ThinkResult&&) noexcept = default;
  ThinkResult& operator=(ThinkResult&&) noexcept = default;

  // Value THINK_NO_VALUE; annotation, strategy bits, predicted reply, the
  // variation (list and text) and the status words cleared.
  void Reset();
  // Frees the variation's text and list, leaving the list empty.
  void FreeBuffers();
};
