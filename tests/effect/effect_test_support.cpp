#include "effect_test_support.h"

namespace {

bool pinnedFramesInBank = false;

}  // namespace

void UsePinnedFrameBank() {
    if (pinnedFramesInBank) {
        return;
    }
    InstallSteppingClock(PinnedClockStart, PinnedClockStep);
    SeedRandom(ReadMillisecondClock());
    BuildExplosionFrames();
    pinnedFramesInBank = true;
}

void ForgetFrameBank() {
    pinnedFramesInBank = false;
}
