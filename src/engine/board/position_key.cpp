// Position keys: the fixed table of board triples drawn at compile time, the
// full and incremental key computations and the hand-dominance matches.
#include "engine/board/position_key.h"

#include <cassert>

#include "engine/board/key_table_generator.h"

namespace {

// Seed of the position-key stream: the ASCII bytes of "KIFU-POS". Every key
// the engine stores lives only in memory, but the tests freeze the table so
// that a change of seed or draw order is a deliberate one.
constexpr uint64_t POSITION_KEY_SEED = 0x4b4946552d504f53ULL;

constexpr uint64_t Fingerprint(const PositionKey& entry) {
  const uint64_t boardWords = static_cast<uint64_t>(entry.word[1]) << 32 | entry.word[0];
  return boardWords ^ (static_cast<uint64_t>(entry.word[2]) * 0x9e3779b97f4a7c15ULL);
}

// Entry by entry in index order, two draws each: the first gives word 0
// (low half) and word 1 (high half), the second its top ten bits to word 2.
// A triple that is all zero or equal to an earlier one is drawn again.
constexpr std::array<PositionKey, POSITION_KEY_TABLE_SIZE> DrawPositionKeyTable() {
  std::array<PositionKey, POSITION_KEY_TABLE_SIZE> table{};
  DrawnKeyIndex<8192> drawn;
  static_assert(8192 >= 2 * POSITION_KEY_TABLE_SIZE);
  SplitMix64 stream{POSITION_KEY_SEED};
  for (int index = 0; index < POSITION_KEY_TABLE_SIZE;) {
    const uint64_t boardWords = stream.Next();
    const uint64_t thirdWord = stream.Next();
    PositionKey& entry = table[index];
    entry = {{LowWord(boardWords), HighWord(boardWords), HighWord(thirdWord) & POSITION_KEY_BOARD_BITS}};
    const bool allZero = entry.word[0] == 0 && entry.word[1] == 0 && entry.word[2] == 0;
    if (!allZero && drawn.InsertIfNew(table.data(), index, Fingerprint(entry))) ++index;
  }
  return table;
}

constexpr bool TableKeepsItsConstraints(const std::array<PositionKey, POSITION_KEY_TABLE_SIZE>& table) {
  DrawnKeyIndex<8192> seen;
  for (int index = 0; index < POSITION_KEY_TABLE_SIZE; ++index) {
    const PositionKey& entry = table[index];
    if ((entry.word[2] & ~POSITION_KEY_BOARD_BITS) != 0) return false;
    if (entry.word[0] == 0 && entry.word[1] == 0 && entry.word[2] == 0) return false;
    if (!seen.InsertIfNew(table.data(), index, Fingerprint(entry))) return false;
  }
  return true;
}

// Hand counters packed rook first, pawn last (pawn in the low bits).
constexpr int HAND_PACK_ORDER[7] = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};
constexpr int HAND_PACK_SHIFT[7] = {2, 2, 3, 3, 3, 3, 5};

// Field order of the dominance tests: from the pawn field upward.
constexpr int MATCH_FIELD_ORDER[7] = {PAWN, LANCE, KNIGHT, SILVER, GOLD, BISHOP, ROOK};

void XorEntry(PositionKey& key, int owner, int kind, int file, int rank) {
  assert(owner == 0 || owner == 1);
  assert(kind >= 1 && kind < POSITION_KEY_KINDS);
  assert(IsOnBoard(file, rank));
  const PositionKey& entry = g_positionKeyTable[PositionKeyIndex(owner, kind, SquareIndex(file, rank))];
  key.word[0] ^= entry.word[0];
  key.word[1] ^= entry.word[1];
  key.word[2] ^= entry.word[2];
}

// Hand counter step of a piece's base type; 0 for the king and for codes
// whose low nibble is no base type, so the index stays inside the table.
uint32_t HandIncrement(PieceCode code) {
  const int type = code & 0x0f;
  return type <= KING ? HAND_FIELD_INCREMENT[type] : 0;
}

}  // namespace

// Declared extern in the header, so this constant has external linkage.
constexpr std::array<PositionKey, POSITION_KEY_TABLE_SIZE> g_positionKeyTable = DrawPositionKeyTable();
static_assert(TableKeepsItsConstraints(g_positionKeyTable));

void ComputePositionKey(const Position& position, int handSide, PositionKey& out) {
  PositionKey key = {{0, 0, 0}};
  for (int file = 1; file <= 9; ++file) {
    for (int rank = 1; rank <= 9; ++rank) {
      if (position.IsEmpty(file, rank)) continue;
      const PieceCode code = position.PieceCodeAt(file, rank);
      XorEntry(key, OwnerOf(code), PositionKeyKind(code), file, rank);
    }
  }
  uint32_t packedHand = 0;
  for (int field = 0; field < 7; ++field) {
    const int count = position.hand[handSide][HAND_PACK_ORDER[field] - 1];
    packedHand = (packedHand << HAND_PACK_SHIFT[field]) + static_cast<uint32_t>(count);
  }
  key.word[2] += position.sideToMove * POSITION_KEY_SIDE_BIT + packedHand;
  out = key;
}

void UpdatePositionKey(PositionKey& key, int handSide, const MoveRecord& move) {
  key.word[2] ^= POSITION_KEY_SIDE_BIT;
  if (move.IsNull()) return;

  int kind = PositionKeyKind(move.pieceCode);
  const int owner = OwnerOf(move.pieceCode);
  if (move.IsDrop()) {
    if (owner == handSide) key.word[2] -= HandIncrement(move.pieceCode);
  } else {
    XorEntry(key, owner, kind, move.fromFile, move.fromRank);
    if (move.promote) {
      assert(!IsPromoted(move.pieceCode));
      kind += 8;
    }
    if (move.IsCapture()) {
      XorEntry(key, owner ^ 1, PositionKeyKind(move.capturedCode), move.toFile, move.toRank);
      if (owner == handSide) key.word[2] += HandIncrement(move.capturedCode);
    }
  }
  XorEntry(key, owner, kind, move.toFile, move.toRank);
}

int MatchPositionKeyAtLeast(const PositionKey& a, const PositionKey& b) {
  if (a.word[0] != b.word[0] || a.word[1] != b.word[1]) return 0;
  if (a.word[2] == b.word[2]) return 3;
  if (((a.word[2] ^ b.word[2]) & POSITION_KEY_BOARD_BITS) != 0) return 0;
  for (int type : MATCH_FIELD_ORDER) {
    if ((a.word[2] & HAND_FIELD_MASK[type]) < (b.word[2] & HAND_FIELD_MASK[type])) return 0;
  }
  return 1;
}

int MatchPositionKey(const PositionKey& a, const PositionKey& b) {
  if (a.word[0] != b.word[0] || a.word[1] != b.word[1]) return 0;
  if (a.word[2] == b.word[2]) return 3;
  if (((a.word[2] ^ b.word[2]) & POSITION_KEY_BOARD_BITS) != 0) return 0;
  int verdict = 0;  // 1 a's hand ahead so far, 2 b's
  for (int type : MATCH_FIELD_ORDER) {
    const uint32_t fieldA = a.word[2] & HAND_FIELD_MASK[type];
    const uint32_t fieldB = b.word[2] & HAND_FIELD_MASK[type];
    if (fieldA > fieldB) {
      if (verdict == 2) return 0;
      verdict = 1;
    } else if (fieldA < fieldB) {
      if (verdict == 1) return 0;
      verdict = 2;
    }
  }
  return verdict;
}
