// The game window and its OpenGL context. Headless (the offscreen video driver) the window is
// never shown, but the context is real, so everything still draws. Only the render device's GL
// backend uses the context; the rest of the runner sees the window through these calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Opens the game window (hidden until GameWindow_Show) with an OpenGL 3.3 core context made
// current. False with a reason in error when either cannot be made. Calling it while a window
// is open closes that first.
bool GameWindow_Open(int width, int height, std::string& error);
void GameWindow_Close();
bool GameWindow_IsOpen();
// The id SDL's events carry for the game window; 0 without a window.
uint32_t GameWindow_EventId();
// Shows the window, unless the run is headless. Harmless when already shown. Asked before the
// window is open, the window shows when it opens; caption, swap interval and full screen set
// before it opens are given to it as well.
void GameWindow_Show();
// True when frames are seen: the window has been asked to show and the run is not headless.
bool GameWindow_Visible();
// Full-screen mode (the desktop's resolution, the render area scaled into it). Headless the
// state is kept but nothing changes on any screen.
void GameWindow_SetFullScreen(bool on);
bool GameWindow_FullScreen();
// Size of the window's drawable area in pixels (0 x 0 without a window).
void GameWindow_DrawableSize(int& width, int& height);
// Sets the client size of the window (ignored without a window or for sizes below 1).
void GameWindow_SetSize(int width, int height);
void GameWindow_SetCaption(const std::string& caption);
// Replaces the window's context by a new one, made current (the old one's objects are gone).
// False with a reason when no new context can be made; the window then has none.
bool GameWindow_NewContext(std::string& error);
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
// display mode can be read. After a display-mode change: the mode the game asked for.
bool Platform_DesktopMode(int& width, int& height, int& bitsPerPixel);

// A display mode. In a request, fields of 0 or less are not given (that part does not change).
struct RDisplayMode {
    int w = 0, h = 0, bpp = 0, freq = 0;
};
// The mode of the first display as the game sees it (the desktop's, or the one it changed to).
bool Platform_DisplayGetMode(RDisplayMode& mode);
// Changes to the display's mode that matches the given fields (the others as they are now), or
// with testOnly only tells whether such a mode exists. The changed mode is the one the window uses
// in full screen; the desktop of a windowed game is left alone. Headless runs keep a simulated
// display that changes the same way and touches nothing real.
bool Platform_DisplayChange(const RDisplayMode& request, bool testOnly);
// Back to the display's own mode (at the end of the game and before a device reset).
void Platform_DisplayRestore();
// Headless: replaces the simulated display by one showing `current` and offering `offered`; with
// nothing offered, the default display again (1024 x 768, 32 bits, 60 Hz; the settings' modes).
void Platform_DisplaySimulate(const RDisplayMode& current, const std::vector<RDisplayMode>& offered);
