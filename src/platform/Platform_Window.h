// The game window and its OpenGL context. Headless (the offscreen video driver) the window is
// never shown, but the context is real, so everything still draws. Only the render device's GL
// backend uses the context; the rest of the runner sees the window through these calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Opens the game window with an OpenGL 3.3 core context made current, showing the window state
// below (position, size, style, caption...; hidden while not visible). width x height is the
// client size when no client rectangle has been set yet. False with a reason in error when
// either cannot be made. Calling it while a window is open closes that first.
bool GameWindow_Open(int width, int height, std::string& error);
void GameWindow_Close();
bool GameWindow_IsOpen();
// The id SDL's events carry for the game window; 0 without a window.
uint32_t GameWindow_EventId();
// Size of the window's drawable area in pixels (0 x 0 without a window).
void GameWindow_DrawableSize(int& width, int& height);

// The window state. It is kept whether or not a system window exists: an open window shows it,
// and a window opened later takes it over. Headless runs keep the same state and answer from it
// (a simulated window on the simulated display) but never show a window or change a screen.
// Back to the initial state: hidden, windowed at (100, 100) with 640 x 480 client pixels, with
// border, sizeable, caption buttons, not on top, caption "", default cursor, no minimum size.
void GameWindow_ResetState();
// Shows or hides the window (headless: only the state).
void GameWindow_SetVisible(bool on);
bool GameWindow_GetVisible();
// The same as GameWindow_SetVisible(true).
void GameWindow_Show();
// True when frames are seen: the window is to be shown and the run is not headless.
bool GameWindow_Visible();
// Full screen: the window covers the whole screen without border; the windowed client rectangle
// is kept for leaving it.
void GameWindow_SetFullScreen(bool on);
bool GameWindow_FullScreen();
// The windowed client area in screen pixels (sizes below 1 become 1).
void GameWindow_SetClientRect(int x, int y, int w, int h);
// The client area as it is now: the whole screen in full screen, else the windowed one (moved or
// resized by the user where a system window is shown).
void GameWindow_GetClientRect(int& x, int& y, int& w, int& h);
// Border and caption buttons: no border at all, or a border that lets the user resize the window
// or not; caption buttons shown or not (the system may keep them).
void GameWindow_SetStyle(bool border, bool sizeable, bool icons);
void GameWindow_SetStayOnTop(bool on);
bool GameWindow_StayOnTop();
void GameWindow_SetCaption(const std::string& caption);
std::string GameWindow_Caption();
// The cursor over the window, by the runner's cursor numbers (0 default, -1 none, -2 arrow, -3
// cross, -4 beam, ...); numbers without a shape of their own show the default one.
void GameWindow_SetCursor(int cursor);
int GameWindow_Cursor();
// The smallest client size the user may drag the window to (0 x 0: any).
void GameWindow_SetMinClientSize(int w, int h);
// Moves the cursor to a screen position (headless: nothing real moves).
void GameWindow_WarpMouse(int screenX, int screenY);
// The system's handle of the window as a number (an X11 window id, or SDL's window id on other
// video drivers); the simulated window of headless runs has handle 1, and 0 means no window.
int64_t GameWindow_Handle();
// Called when the window must be painted again, and after the user resized the window.
void GameWindow_SetHandlers(std::function<void()> paint, std::function<void()> resized);

// What the system window itself reports, for checking that the state reached it.
struct RSystemWindow {
    int x = 0, y = 0, w = 0, h = 0, minW = 0, minH = 0;
    bool shown = false, bordered = false, resizable = false, onTop = false, fullScreen = false;
    std::string title;
};
// False without a system window.
bool GameWindow_SystemReport(RSystemWindow& out);

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
