// The list of moves already searched at a node.
#include "engine/search/move_code_list.h"

#include <cstring>

void MoveCodeList::Clear() {
  ++stamp;
  // After the stamp wraps, words written 2^32 clears ago would match again.
  if (stamp == 0) {
    std::memset(quickReject, 0, sizeof quickReject);
    stamp = 1;
  }
  count = 0;
}

bool MoveCodeList::Add(MoveCode code) {
  if (count < 0 || count >= kCapacity) return false;
  codes[count++] = code;
  quickReject[QuickRejectSlot(code)] = stamp;
  return true;
}

bool MoveCodeList::Contains(MoveCode code) const {
  if (quickReject[QuickRejectSlot(code)] != stamp) return false;
  for (int n = 0; n < count; ++n) {
    if (codes[n] == code) return true;
  }
  return false;
}
