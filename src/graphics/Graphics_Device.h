// The render device: the backend chosen once at start (`gl`, or `null` when QUARVEL_RENDER=null),
// the render states the game can change (kept here and applied again whenever the device is
// made), the render area, views and the frame cycle, and reading the screen back.
#pragma once

#include "graphics/Graphics_Backend.h"

#include <cstdint>
#include <string>
#include <vector>

class TBitmap32;

// Starts the device with a render area of w x h (limited to what the window can show). flags:
// bit 0 synchronises presents with the vertical blank. On failure the device message has been
// shown and false is returned. The backend's name is traced. The GL device itself is made on its
// first real use (GR_Device_Make makes it at once); when it cannot be made then, the device
// message is shown and drawing does nothing from there on.
bool GR_Device_Init(int w, int h, int flags);
// Makes the device now if it is not made yet. When it cannot be made its message has been shown,
// the device is gone and false is returned.
bool GR_Device_Make();
void GR_Device_Done();
// Makes the device again, as after losing it: textures keep their handles and pixels, every
// render state is applied again, the render area is cleared to black. False without a device;
// when the device cannot be made again its message has been shown and the device is gone.
bool GR_Device_Reset();
// Asks for a reset at the end of the step (after the frame is presented); the display gets its
// own mode back first. GR_Device_TakeResetRequest tells whether one was asked and clears it.
void GR_Device_RequestReset();
bool GR_Device_TakeResetRequest();
// The anti-aliasing samples a reset is asked for (0, 2, 4 or 8). Recorded only: the device draws
// without multisampling, so that every pixel stays the exact one the drawing rules name.
void GR_Device_SetMultisample(int samples);
int GR_Device_GetMultisample();
// Number of resets done since the device was made.
int GR_Device_ResetCount();
bool GR_Device_Exists();
// Name of the running backend ("gl", "null"); "" without a device.
std::string GR_Device_Name();

// Frame cycle. End_Frame presents the render area (and writes it to the capture folder when
// QUARVEL_CAPTURE is set); Refresh presents the last frame again.
bool GR_Device_Start_Frame();
void GR_Device_End_Frame();
void GR_Device_Refresh();
// Presents the render area again as it is, in the window region's place with the margins painted
// in the window colour (after the window changed); nothing is captured.
void GR_Device_Repaint();

void GR_Device_SetSize(int w, int h);
void GR_Device_GetSize(int& w, int& h);
void GR_Device_SetViewport(int x, int y, int w, int h);
// The 2D camera over the world rectangle (x, y, w, h) rotated by angle degrees, shown in the
// current viewport. Whole world coordinates land on pixel centres.
void GR_Device_SetView(double x, double y, double w, double h, double angle);
// The world rectangle the current view shows (its bounding box when rotated).
void GR_Device_VisibleArea(double& left, double& top, double& right, double& bottom);
// Maps a world point through the current view to render-area pixels.
void GR_Device_WorldToScreen(double x, double y, double& sx, double& sy);

void GR_Device_SetBlend(int src, int dest);
void GR_Device_SetBlendMode(int mode);
void GR_Device_SetInterpolation(bool b);
bool GR_Device_GetInterpolation();
void GR_Device_SetTextureBlending(bool b);
void GR_Device_SetRepeat(bool b);
bool GR_Device_GetRepeat();
void GR_Device_SetSynchronization(bool b);
bool GR_Device_GetSynchronization();
// The address mode textured primitives use: quads leave clamp, texture_set_repeat sets it.
void GR_Device_SetAddressWrap(bool wrap);
bool GR_Device_GetAddressWrap();

// Draws into the texture tex (made with GR_Texture_Create_Empty as a render target) from now on,
// or with -1 into the render area again. False when tex cannot be drawn into.
bool GR_Device_SetTarget(int tex);

// Clears the current viewport to 0xAARRGGBB.
void GR_Device_Clear(uint32_t argb);
// Sends vertices; texture -1 (or a handle that does not exist) draws untextured.
void GR_Device_Draw(EPrimitive kind, int texture, const RVertex* v, int n);

// Part of the render area (clipped to it) as a bitmap with the pixels as drawn; false when the
// clipped rectangle is empty or cannot be read.
bool GR_Device_GrabScreen(int x, int y, int w, int h, TBitmap32& out);
// Game colour 0x00BBGGRR of one render-area pixel; 0 when it cannot be read.
int32_t GR_Device_GetPixel(int x, int y);

// The backend itself (null without a device): the texture table creates textures through it.
IRenderBackend* GR_Device_Backend();
