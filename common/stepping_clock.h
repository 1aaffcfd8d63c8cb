// A reproducible millisecond clock for the programs that drive the effect: the i-th read returns
// START + i * STEP, so that the same START:STEP gives the same frames in every program.
#pragma once

#include <cstdint>
#include <string>

// "START:STEP", each 0..UINT32_MAX, or false.
bool ParseClockOption(const std::string& text, uint32_t* start, uint32_t* step);

// Points the effect's clock seam at the stepping clock, its first read returning start.
void InstallSteppingClock(uint32_t start, uint32_t step);
// Reads of the stepping clock since InstallSteppingClock.
uint32_t SteppingClockReads();
