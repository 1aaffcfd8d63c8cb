#include "effect/clock.h"

#include <chrono>

namespace {

uint32_t SteadyMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

MillisecondClock installedClock = SteadyMilliseconds;

}  // namespace

void SetMillisecondClock(MillisecondClock clock) {
    installedClock = clock != nullptr ? clock : SteadyMilliseconds;
}

uint32_t ReadMillisecondClock() {
    return installedClock();
}
