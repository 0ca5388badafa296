// Old binary records built from their layout.
#include "support/old_native_bytes.h"

void PutLittleEndian(std::string &bytes, size_t at, int64_t value, int count) {
  for (int i = 0; i < count; ++i)
    bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::string OldNativeMoveRecord(const KifuMove &move, int result, int seconds) {
  std::string record(16, '\0');
  const int fields[] = {
      move.fromFile,     move.fromRank,        move.toFile,  move.toRank,
      move.piece.Code(), move.captured.Code(), move.promote, result};
  for (int at = 0; at < 8; ++at)
    record[static_cast<size_t>(at)] = static_cast<char>(fields[at]);
  PutLittleEndian(record, 8, seconds, 2);
  return record;
}

std::string OldNativeGameBytes(const KifuPosition &stored,
                               const std::vector<KifuMove> &moves, int n,
                               const std::string &extra) {
  std::string bytes(kOldNativeHeaderBytes, '\0'), records;
  for (size_t at = 0; at < moves.size(); ++at) {
    records += OldNativeMoveRecord(
        moves[at], 0, at + 1 == moves.size() ? 0xFFFF : static_cast<int>(at));
  }
  PutLittleEndian(bytes, 42, stored.sideToMove, 2);
  for (int row = 1; row <= 9; ++row) {
    for (int file = 1; file <= 9; ++file)
      bytes[46 + 16 * row + file] =
          static_cast<char>(stored.At(file, row).Code());
    for (int store = 0; store < 3 && row <= 8; ++store)
      bytes[46 + 16 * row + 11 + store] = stored.hands[store][row];
  }
  PutLittleEndian(bytes, kOldNativeStoredPlyAt, n, 4);
  PutLittleEndian(bytes, kOldNativeRecordCountAt,
                  static_cast<int64_t>((records.size() + extra.size()) / 16),
                  4);
  return bytes + records + extra;
}
