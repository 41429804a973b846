// Graphics start and stop: the render device, the textures of every background, sprite and font,
// and the first frame begun.
#pragma once

#include "platform/Platform_Window.h"

// The display mode the settings ask for at start (fields not asked for are 0).
RDisplayMode Graphics_RequestedMode();
// Changes the display mode when the settings ask for it (or, on a display that is neither 16 nor
// 32 bits deep, after the player agreed to switch), then starts the device, which is made on its
// first real use. False when the device cannot start (its message has been shown) or the player
// refused to switch.
bool Graphics_Start();
// As Graphics_Start with the device made at once: a game shows a frame from its first room on, so
// a device that cannot be made fails the start with its message.
bool Graphics_StartForGame();
// Frees the textures and the device, and gives the display its own mode back; the resources'
// texture handles become -1.
void Graphics_Stop();
