// Resetting and freeing a think result.
#include "engine/service/think_result.h"

void ThinkResult::Reset() {
  value = THINK_NO_VALUE;
  annotation = 0;
  strategyBits = 0;
  predictedReply = 0;
  // The text is the stored form of the same variation: a cleared variation
  // must not keep showing its old reading in the list.
  FreeBuffers();
  status = 0;
  shownWithNextMove = 0;
}

void ThinkResult::FreeBuffers() {
  std::vector<MoveCode>().swap(pv);
  pvText.Clear();
}
