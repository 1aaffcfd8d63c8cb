#include "effect/random.h"

namespace {

uint32_t state = 0;

}  // namespace

void SeedRandom(uint32_t seed) {
    state = seed;
}

int32_t RandomRaw() {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
}

double Random01() {
    return RandomRaw() * (1.0 / 32768.0);
}

uint32_t GetRandomState() {
    return state;
}
