// The bank of explosion frames, synthesised once at start-up: ten sequences of thirty 193 x 193
// frames, each sequence from one random heat field that an integer diffusion step spreads and
// cools from frame to frame, painted through a fixed fire colour ramp.
#pragma once

#include <cstdint>

#include "image/dib_image.h"
#include "image/quad_blit.h"

constexpr int32_t SequenceCount = 10;
constexpr int32_t FramesPerSequence = 30;
constexpr int32_t FrameSize = 193;
constexpr int32_t FrameBankSize = SequenceCount * FramesPerSequence;
constexpr int32_t HeatCells = FrameSize * FrameSize;

// All heat is deposited around this cell, and only candidates close enough to it are kept.
constexpr int32_t GridCentre = 95;
// The smallest double above 19.2: the cluster deposits' scatter and acceptance radius.
constexpr double ClusterRadius = 19.200000000000003;

// Frame k of sequence s is element s * FramesPerSequence + k.
extern DibImage FrameBank[FrameBankSize];

// Where each row of each frame is lit, for the compositor's blit: made with the frames, which
// never change afterwards.
extern LitExtent FrameLitRows[FrameBankSize][FrameSize];

// Cell (x, y) is element x + FrameSize * y. Used only while BuildExplosionFrames runs.
extern int32_t HeatGrid[HeatCells];
extern int32_t NextHeatGrid[HeatCells];

double Distance(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Whether a deposit candidate at (px, py) lies within radius of the grid centre.
bool IsWithinRadius(int32_t px, int32_t py, double radius);

// Reseeds the generator from the millisecond clock and fills HeatGrid with one new explosion.
void SynthesizeHeatGrid();
// One diffusion step from HeatGrid into NextHeatGrid, painted onto frame with the grid's cell
// (x, y) at pixel (cx - 96 + x, cy - 96 + y); then NextHeatGrid becomes HeatGrid.
void DiffuseAndPaint(DibImage& frame, int32_t cx, int32_t cy);
// Creates and fills all FrameBankSize frames, reading the clock once per sequence, and their
// FrameLitRows.
void BuildExplosionFrames();
// FrameLitRows measured from the frames as they are, for whoever fills the FrameBank otherwise.
void MeasureFrameBank();
