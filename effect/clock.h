// The millisecond clock, as a seam: the Windows shell points it at timeGetTime, tests and tools
// at clocks of their own, so that a given clock reproduces every frame exactly.
#pragma once

#include <cstdint>

using MillisecondClock = uint32_t (*)();

// Installs the clock that ReadMillisecondClock calls; null restores the default, a monotonic
// millisecond count of the standard library.
void SetMillisecondClock(MillisecondClock clock);
uint32_t ReadMillisecondClock();
