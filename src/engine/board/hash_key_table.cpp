// The fixed 64-bit Zobrist table of the record side and the book keys: its
// values drawn at compile time from a seeded stream, and the start-up fill.
#include "engine/board/hash_key_table.h"

#include <array>

#include "engine/board/key_table_generator.h"

namespace {

// Seed of the hash-key stream: the ASCII bytes of "KIFUHASH". Book files
// store keys made from this table, so the seed, the draw order and the
// redraw rule are frozen; the tests hold their checksum.
constexpr uint64_t HASH_KEY_SEED = 0x4b49465548415348ULL;

// Entry 0 is given; the stream fills entries 1 onward.
constexpr HashKey FIRST_HASH_KEY = {0xc1bda102u, 0x509b9fbeu};

constexpr uint64_t Fingerprint(const HashKey& key) { return static_cast<uint64_t>(key.second) << 32 | key.first; }

// One draw per entry in index order: the low half becomes the first word,
// the high half the second. A draw of zero or of a key already in the table
// is discarded and the next draw taken for the same entry.
constexpr std::array<HashKey, HASH_KEY_TABLE_SIZE> DrawHashKeyTable() {
  std::array<HashKey, HASH_KEY_TABLE_SIZE> table{};
  DrawnKeyIndex<8192> drawn;
  static_assert(8192 >= 2 * HASH_KEY_TABLE_SIZE);
  table[0] = FIRST_HASH_KEY;
  drawn.InsertIfNew(table.data(), 0, Fingerprint(table[0]));
  SplitMix64 stream{HASH_KEY_SEED};
  for (int index = 1; index < HASH_KEY_TABLE_SIZE;) {
    const uint64_t value = stream.Next();
    table[index] = {LowWord(value), HighWord(value)};
    if (value != 0 && drawn.InsertIfNew(table.data(), index, value)) ++index;
  }
  return table;
}

constexpr std::array<HashKey, HASH_KEY_TABLE_SIZE> HASH_KEY_VALUES = DrawHashKeyTable();
static_assert(HASH_KEY_VALUES[0] == FIRST_HASH_KEY);

// Fills the table before main, so record code may key positions without
// calling InitHashKeyTable. Code that keys a position from another file's
// static initialiser must call InitHashKeyTable itself (the order of such
// initialisers across files is unspecified).
struct HashKeyTableFiller {
  HashKeyTableFiller() { InitHashKeyTable(); }
};
const HashKeyTableFiller g_hashKeyTableFiller;

}  // namespace

HashKey g_hashKeyTable[HASH_KEY_TABLE_SIZE];

void InitHashKeyTable() {
  for (int index = 0; index < HASH_KEY_TABLE_SIZE; ++index) g_hashKeyTable[index] = HASH_KEY_VALUES[index];
}
