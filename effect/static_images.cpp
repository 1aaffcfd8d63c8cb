// All images of static storage duration live in this one file, so that their order is fixed:
// the back buffer is constructed first and the frames after it, from the first to the last,
// and they are destroyed in the reverse order.
#include "effect/blasts.h"
#include "effect/explosion_frames.h"

DibImage ScreenBuffer;
DibImage FrameBank[FrameBankSize];
