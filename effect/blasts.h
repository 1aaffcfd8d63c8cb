// The blast scheduler and compositor: forty blasts, each waiting a random number of ticks and
// then playing one sequence of the FrameBank at a random place and size, drawn additively onto
// the screen-sized back buffer on every tick.
#pragma once

#include <cstdint>

#include "image/dib_image.h"
#include "image/quad_blit.h"

constexpr int32_t BlastCount = 40;

// The size of the saver window, set by the shell before the window is created.
extern int16_t ScreenWidth;
extern int16_t ScreenHeight;

// The back buffer, ScreenWidth x ScreenHeight at 24 bits, created and destroyed by the shell.
extern DibImage ScreenBuffer;

// The slots, as parallel arrays indexed by slot number.
struct BlastSlots {
    int32_t x[BlastCount];
    int32_t y[BlastCount];
    // The drawn square has half side trunc(scale * 96).
    double scale[BlastCount];
    int32_t sequence[BlastCount];
    // The frame to draw; while negative, the ticks still to wait.
    int32_t frameCounter[BlastCount];
};
extern BlastSlots Blasts;

// Every frame is drawn through this quad: the whole 193 x 193 frame, the far corners one past
// its last column and row.
constexpr Quad FrameQuad{{{0, 0}, {193, 0}, {193, 193}, {0, 193}}};

// Five draws from the generator, for slot 0..BlastCount - 1.
void RespawnBlast(int32_t slot);
// The square a slot is drawn onto, around its centre, with half side BlastHalfSide(slot):
// trunc(scale * 96), 76 to 172 pixels.
Quad BlastSquare(int32_t slot);
int32_t BlastHalfSide(int32_t slot);

// RespawnBlast for every slot in order: 200 draws.
void InitBlasts();

// The portable half of a tick: clear the ScreenBuffer, draw every playing blast, advance all of
// them and respawn those that played their last frame. The shell presents the buffer after it.
// The clear covers only what the last tick drew where that is known; the buffer must then hold
// what that tick left.
void ComposeTick();
// The next tick clears the whole buffer: for whoever writes into the ScreenBuffer other than
// through ComposeTick (or gives it a store of the same size at the same address).
void ForgetDrawnArea();

// What the saver window's creation runs before it starts its timer, in this order: seed the
// generator from the clock, create the ScreenBuffer at ScreenWidth x ScreenHeight, build the
// frames, init the blasts.
void StartEffect();
