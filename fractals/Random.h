#pragma once
// The program-wide pseudo-random generator: a linear congruential sequence
// with multiplier 0x08088405 and increment 1 over one 32-bit seed.

#include <cstdint>

extern uint32_t RandomSeed;

// RandomSeed := milliseconds since midnight, UTC.
void SeedRandom();

// A whole number from 0 to n - 1 (n > 0); advances the seed first.
inline int32_t Random(int32_t n)
{
    RandomSeed = RandomSeed * 134775813u + 1u;
    return static_cast<int32_t>((static_cast<uint64_t>(RandomSeed) * static_cast<uint32_t>(n)) >> 32);
}
