// The effect's random generator: one 32-bit linear congruential state whose draws are scaled to
// doubles k / 32768. The order of draws is part of the effect's algorithms.
#pragma once

#include <cstdint>

void SeedRandom(uint32_t seed);
// One raw draw, 0..32767.
int32_t RandomRaw();
// One raw draw divided by 32768: 0 is possible, 1 is not.
double Random01();

// The generator's state, for tests and tools that must compare or restore it.
uint32_t GetRandomState();
