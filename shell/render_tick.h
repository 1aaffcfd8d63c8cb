// One tick of the effect: compose the back buffer, then present all of it on the device.
#pragma once

#include <windows.h>

void RenderTick(HDC hdc);
