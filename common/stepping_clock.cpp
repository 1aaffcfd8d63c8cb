#include "common/stepping_clock.h"

#include "common/number_text.h"
#include "effect/clock.h"

namespace {

uint32_t clockStart = 0;
uint32_t clockStep = 0;
uint32_t clockReads = 0;

uint32_t SteppingClock() {
    return clockStart + clockReads++ * clockStep;
}

}  // namespace

bool ParseClockOption(const std::string& text, uint32_t* start, uint32_t* step) {
    int64_t a = 0;
    int64_t b = 0;
    if (!ParsePair(text, ':', 0, UINT32_MAX, &a, &b)) {
        return false;
    }
    *start = static_cast<uint32_t>(a);
    *step = static_cast<uint32_t>(b);
    return true;
}

void InstallSteppingClock(uint32_t start, uint32_t step) {
    clockStart = start;
    clockStep = step;
    clockReads = 0;
    SetMillisecondClock(SteppingClock);
}

uint32_t SteppingClockReads() {
    return clockReads;
}
