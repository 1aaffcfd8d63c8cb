// The explosion effect written literally, step by step as its algorithms read: the synthesis
// pixel by pixel through SetPixel and AddPixel, the compose tick pixel by pixel through the
// literal blit. The production code (effect/) is tested and benchmarked against it.
//
// The reference keeps its state in what the caller passes in, so that it can run beside the
// production globals; it shares only the effect's random generator and millisecond clock.
#pragma once

#include <cstdint>

#include "effect/blasts.h"
#include "effect/explosion_frames.h"
#include "image/dib_image.h"

struct ReferenceHeatGrids {
    int32_t heat[HeatCells];
    int32_t next[HeatCells];
};

// What one synthesis consumed, counted as it ran.
struct ReferenceSynthesisCounts {
    int32_t draws = 0;
    int32_t acceptedClusterCandidates = 0;
};

double ReferenceDistance(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
ReferenceSynthesisCounts ReferenceSynthesizeHeatGrid(ReferenceHeatGrids& grids);
void ReferenceDiffuseAndPaint(ReferenceHeatGrids& grids, DibImage& frame, int32_t cx, int32_t cy);
// Fills frames[0 .. FrameBankSize - 1].
void ReferenceBuildExplosionFrames(ReferenceHeatGrids& grids, DibImage* frames);

// The blast state of one compose: the slots and the screen size they are respawned within.
void ReferenceRespawnBlast(BlastSlots& slots, int32_t slot, int16_t width, int16_t height);
void ReferenceInitBlasts(BlastSlots& slots, int16_t width, int16_t height);
// Clears buffer over width x height, draws every playing slot with frames[sequence * 30 +
// frame] through the literal blit, and advances and respawns the slots.
void ReferenceComposeTick(DibImage& buffer, int16_t width, int16_t height, BlastSlots& slots,
                          const DibImage* frames);
