// The game window and its OpenGL context. Headless (the offscreen video driver) the window is
// never shown, but the context is real, so everything still draws. Only the render device's GL
// backend uses the context; the rest of the runner sees the window through these calls.
#pragma once

#include <cstdint>
#include <string>

// Opens the game window (hidden until GameWindow_Show) with an OpenGL 3.3 core context made
// current. False with a reason in error when either cannot be made. Calling it while a window
// is open closes that first.
bool GameWindow_Open(int width, int height, std::string& error);
void GameWindow_Close();
bool GameWindow_IsOpen();
// The id SDL's events carry for the game window; 0 without a window.
uint32_t GameWindow_EventId();
// Shows the window, unless the run is headless. Harmless when already shown.
void GameWindow_Show();
// Full-screen mode (the desktop's resolution, the render area scaled into it). Headless the
// state is kept but nothing changes on any screen.
void GameWindow_SetFullScreen(bool on);
bool GameWindow_FullScreen();
// Size of the window's drawable area in pixels (0 x 0 without a window).
void GameWindow_DrawableSize(int& width, int& height);
// Sets the client size of the window (ignored without a window or for sizes below 1).
void GameWindow_SetSize(int width, int height);
void GameWindow_SetCaption(const std::string& caption);
// Makes the window's context current again (another window's context may have been current).
void GameWindow_MakeCurrent();
// Presents the window's back buffer. Swap interval 1 waits for the vertical blank, 0 does not.
void GameWindow_Swap();
void GameWindow_SetSwapInterval(bool vsync);
// Blocks until the next vertical blank where the display tells its refresh rate: sleeps to the
// next multiple of the frame period. Without a display, returns at once.
void GameWindow_WaitVerticalBlank();

// The largest render area the window can show: the desktop's size, or with no desktop to show
// it on (headless) 8192 x 8192.
void GameWindow_MaxClientSize(int& width, int& height);

// Size and colour depth (bits per pixel) of the desktop of the first display; false when no
// display mode can be read.
bool Platform_DesktopMode(int& width, int& height, int& bitsPerPixel);
