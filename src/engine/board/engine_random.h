// The engine's random numbers: one 32-bit linear congruential generator
// shared by the strategy choice, the opening book and the problem composer.
#pragma once

#include <cstdint>

// Sets the generator's state.
void SetRandomSeed(uint32_t seed);
// Advances the state (seed * 1664525 + 0x10001 modulo 2^32) and returns it.
uint32_t NextRandom();
// The current state.
uint32_t GetRandomSeed();
