// The engine's linear congruential generator. The seed is set on the user
// interface's thread and drawn on the engine's, so the state is atomic and
// every draw one compare-and-swap: no draw is lost or torn, and the sequence
// stays exactly seed * 1664525 + 0x10001 modulo 2^32.
#include "engine/board/engine_random.h"

#include <atomic>

namespace {

std::atomic<uint32_t> g_randomSeed{0};

constexpr uint32_t Step(uint32_t seed) { return seed * 1664525u + 0x10001u; }
static_assert(Step(0) == 0x00010001u && Step(0x00010001u) == 0x6627660Eu);

}  // namespace

void SetRandomSeed(uint32_t seed) { g_randomSeed.store(seed, std::memory_order_relaxed); }

uint32_t NextRandom() {
  uint32_t current = g_randomSeed.load(std::memory_order_relaxed);
  while (!g_randomSeed.compare_exchange_weak(current, Step(current), std::memory_order_relaxed)) {
  }
  return Step(current);
}

uint32_t GetRandomSeed() { return g_randomSeed.load(std::memory_order_relaxed); }
