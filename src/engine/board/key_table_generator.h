// The deterministic source of the fixed key tables: a splitmix64 stream and
// an index of the entries drawn so far, so that a table can be drawn at
// compile time with every entry distinct (a repeat is redrawn).
#pragma once

#include <array>
#include <cstdint>

// Sebastiano Vigna's splitmix64: every output is a bijective mix of a
// counter, so one stream never repeats a 64-bit value within 2^64 draws.
struct SplitMix64 {
  uint64_t state;

  constexpr uint64_t Next() {
    state += 0x9e3779b97f4a7c15ULL;
    uint64_t mixed = state;
    mixed = (mixed ^ (mixed >> 30)) * 0xbf58476d1ce4e5b9ULL;
    mixed = (mixed ^ (mixed >> 27)) * 0x94d049bb133111ebULL;
    return mixed ^ (mixed >> 31);
  }
};

constexpr uint32_t LowWord(uint64_t value) { return static_cast<uint32_t>(value); }
constexpr uint32_t HighWord(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

// Open-addressing set of table indices, keyed by a fingerprint of the entry
// (equal entries must give equal fingerprints). A linear scan of every
// earlier entry would cost millions of steps per table at compile time.
template <int Capacity>
class DrawnKeyIndex {
  static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

 public:
  constexpr DrawnKeyIndex() { slot_.fill(-1); }

  // Records entries[index] unless an equal entry is already recorded;
  // returns whether it was new. The set must never fill up.
  template <typename Entry>
  constexpr bool InsertIfNew(const Entry* entries, int index, uint64_t fingerprint) {
    uint64_t position = (fingerprint ^ (fingerprint >> 32)) & (Capacity - 1);
    while (slot_[position] >= 0) {
      if (entries[slot_[position]] == entries[index]) return false;
      position = (position + 1) & (Capacity - 1);
    }
    slot_[position] = index;
    ++size_;
    return true;
  }
  constexpr int Size() const { return size_; }

 private:
  std::array<int, Capacity> slot_{};
  int size_ = 0;
};
