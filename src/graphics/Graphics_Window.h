// The game window's presentation: full screen, border, caption buttons, sizeable, stay on top,
// colour, cursor, caption, position and size; the window region (the logical size of the render
// area and the scale that fits it into the client area); the margins painted around it; the
// limits of user resizing; the mouse mapped between the screen, the client area, the region and
// the room through the views as last drawn. The system window itself is Platform_Window's.
#pragma once

#include <cstdint>
#include <string>

// The region's place in a client area of cw x ch pixels.
struct RRegionPlace {
    int x = 0, y = 0, w = 0, h = 0;
};

// At graphics start: the initial state, the window's paint and resize handlers, the region 8 x 8,
// the scale from the settings, then sizeable, stay on top, colour, border, caption buttons and
// full screen from the settings, in that order.
void Window_Start();
// At room start: the region, the window and the render area take w x h when the region has
// another size (the window then takes its default size, centred); at game start the window
// becomes visible and takes the cursor the settings ask for.
void Window_SizeForRoom(int w, int h, bool gameStart);

void Window_SetVisible(bool b);
bool Window_GetVisible();
void Window_SetFullScreen(bool b);
bool Window_GetFullScreen();
void Window_SetShowBorder(bool b);
bool Window_GetShowBorder();
void Window_SetShowIcons(bool b);
bool Window_GetShowIcons();
void Window_SetSizeable(bool b);
bool Window_GetSizeable();
void Window_SetStayOnTop(bool b);
bool Window_GetStayOnTop();
void Window_SetCaption(const std::string& caption);
std::string Window_GetCaption();
// Also sets the show-cursor setting: true unless the cursor is none (-1).
void Window_SetCursor(int cursor);
int Window_GetCursor();
// The colour 0x00BBGGRR of the margins around the region (and of cleared view backgrounds).
void Window_SetColor(int32_t colour);
int32_t Window_GetColor();

void Window_SetPosition(int x, int y);
void Window_SetSize(int w, int h);
void Window_SetRectangle(int x, int y, int w, int h);
void Window_Center();
void Window_Default();
// The client area on the screen (the whole screen in full screen).
void Window_GetClient(int& x, int& y, int& w, int& h);

void Window_SetRegionSize(int w, int h, bool adaptWindow);
void Window_GetRegionSize(int& w, int& h);
// Scale > 0 a fixed factor, 0 stretched over the client area, < 0 the largest aspect-keeping fit.
void Window_SetRegionScale(double scale, bool adaptWindow);
double Window_GetRegionScale();

// The region's place in a client area of cw x ch pixels.
RRegionPlace Window_RegionPlace(int cw, int ch);
// Presents the last frame again with the margins painted (the window's paint handler).
void Window_Paint();

// A point of the client area on the region, and a region point in the client area.
void Window_ClientToRegion(double px, double py, double& x, double& y);
void Window_RegionToClient(double x, double y, int& px, int& py);

// The views as last drawn: view v (0..31) shows the room rectangle (vx, vy, vw, vh) in the region
// rectangle (px, py, pw, ph), turned by angle degrees.
void Window_RecordView(int v, double vx, double vy, double vw, double vh, double px, double py, double pw,
                       double ph, double angle);
void Window_UnrecordView(int v);
void Window_UnrecordViews();
// A region point in the room through view v (unchanged when v is not recorded or shows nothing).
void Window_ViewToRoom(int v, double x, double y, double& rx, double& ry);
// A room point in the region through view v, rounded; false when v is not recorded or its view
// has no size.
bool Window_RoomToRegion(int v, double x, double y, double& rx, double& ry);
// A region point in the room through the views: the highest-numbered recorded view whose room
// rectangle holds the result, else the lowest-numbered recorded view, else the region point.
void Window_ViewsToRoom(double x, double y, double& rx, double& ry);
// The lowest-numbered recorded view; -1 when none is.
int Window_FirstRecordedView();
