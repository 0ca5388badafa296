// Legal-move filter and perft over the record position's rules.
#include "cli/record_perft.h"

bool PlayLegalRecordMove(const KifuPosition& position, const KifuMove& move, KifuPosition& after) {
  after = position;
  if (!after.DoMove(move)) return false;
  if (after.IsInCheck(move.piece.Side())) return false;
  return !after.IsPawnDropMate(move);
}

uint64_t RecordPerft(const KifuPosition& position, int depth) {
  if (depth <= 0) return 1;
  KifuMove generated[KIFU_MAX_MOVES];
  const int count = position.GenerateMoves(generated, -1, -1, -1, -1, -1, -1, -1, -1);
  uint64_t nodes = 0;
  KifuPosition after;
  for (int i = 0; i < count; ++i) {
    if (PlayLegalRecordMove(position, generated[i], after)) nodes += depth == 1 ? 1 : RecordPerft(after, depth - 1);
  }
  return nodes;
}
