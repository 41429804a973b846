// Graphics family, window theme: the window's presentation, region and mouse, the display mode,
// the device reset and room transitions.
#include "functions/Function_Graphics.h"

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Transition.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Window.h"
#include "run/IO_Main.h"
#include "run/Run_Main.h"
#include "run/Run_World.h"

#include <algorithm>
#include <cmath>

namespace {

// A screen coordinate: rounded, kept to the range a window system places windows in (NaN and
// numbers beyond it give the nearest end).
int Coord(const RValue& v) {
    const double d = Arg_Real(v);
    if (!(d == d)) return 0;
    return int(std::clamp(std::nearbyint(d), -32768.0, 32767.0));
}

// A size: rounded; the window keeps it to what a window can be.
int Size(const RValue& v) {
    const double d = Arg_Real(v);
    if (!(d == d)) return 0;
    return int(std::clamp(std::nearbyint(d), -1e9, 1e9));
}

void SetBool(RValue& result, bool b) {
    result.SetReal(b ? 1 : 0);
}

// The cursor as a point of the window region (where the game's mouse input has put it).
void RegionMouse(double& x, double& y) {
    x = IO_State().regionX;
    y = IO_State().regionY;
}

// The cursor in client pixels.
void ClientMouse(int& x, int& y) {
    double rx, ry;
    RegionMouse(rx, ry);
    Window_RegionToClient(rx, ry, x, y);
}

// Puts the cursor on a client pixel: the system cursor moves, and the game's mouse is where the
// cursor now is (on the region, and through the views for mouse_x and mouse_y).
void PlaceMouse(int px, int py) {
    int cx, cy, cw, ch;
    Window_GetClient(cx, cy, cw, ch);
    GameWindow_WarpMouse(int(std::clamp<int64_t>(int64_t(cx) + px, INT32_MIN, INT32_MAX)),
                         int(std::clamp<int64_t>(int64_t(cy) + py, INT32_MIN, INT32_MAX)));
    double rx, ry;
    Window_ClientToRegion(px, py, rx, ry);
    IO_State().regionX = rx;
    IO_State().regionY = ry;
    double mx, my;
    IO_UpdateMouse(mx, my);
}

// Puts the cursor on a region point.
void PlaceMouseOnRegion(double x, double y) {
    int px, py;
    Window_RegionToClient(x, y, px, py);
    PlaceMouse(px, py);
}

RDisplayMode CurrentMode() {
    RDisplayMode m;
    Platform_DisplayGetMode(m);
    return m;
}

// A requested part: the argument when it is above 0, else 0 (that part does not change).
int Part(const RValue& v) {
    const int n = Arg_Int(v);
    return n > 0 ? n : 0;
}

// Changes the display mode, then makes the device again; the result is the change's.
void ChangeMode(RValue& result, const RDisplayMode& m) {
    const bool ok = Platform_DisplayChange(m, false);
    // A device that cannot be made again ends the game (its message has been shown).
    if (GR_Device_Exists() && !GR_Device_Reset()) Run_SetStopRequest(kStopAbort);
    result.SetReal(ok ? 1 : 0);
}

} // namespace

QV_FUNCTION(F_DisplayGetWidth) {
    result.SetReal(CurrentMode().w);
}

QV_FUNCTION(F_DisplayGetHeight) {
    result.SetReal(CurrentMode().h);
}

QV_FUNCTION(F_DisplayGetColordepth) {
    result.SetReal(CurrentMode().bpp);
}

QV_FUNCTION(F_DisplayGetFrequency) {
    result.SetReal(CurrentMode().freq);
}

QV_FUNCTION(F_DisplayGetOrientation) {
    result.SetReal(0);
}

QV_FUNCTION(F_DisplaySetSize) {
    ChangeMode(result, RDisplayMode{Part(args[0]), Part(args[1]), 0, 0});
}

QV_FUNCTION(F_DisplaySetColordepth) {
    ChangeMode(result, RDisplayMode{0, 0, Part(args[0]), 0});
}

QV_FUNCTION(F_DisplaySetFrequency) {
    ChangeMode(result, RDisplayMode{0, 0, 0, Part(args[0])});
}

QV_FUNCTION(F_DisplaySetAll) {
    ChangeMode(result, RDisplayMode{Part(args[0]), Part(args[1]), Part(args[3]), Part(args[2])});
}

QV_FUNCTION(F_DisplayTestAll) {
    const RDisplayMode m{Part(args[0]), Part(args[1]), Part(args[3]), Part(args[2])};
    result.SetReal(Platform_DisplayChange(m, true) ? 1 : 0);
}

QV_FUNCTION(F_DisplayReset) {
    const double aa = argc > 0 ? std::floor(Arg_Real(args[0])) : 0;
    GR_Device_SetMultisample(aa == 2 || aa == 4 || aa == 8 ? int(aa) : 0);
    GR_Device_RequestReset();
}

QV_FUNCTION(F_DisplayMouseGetX) {
    int cx, cy, cw, ch, px, py;
    Window_GetClient(cx, cy, cw, ch);
    ClientMouse(px, py);
    result.SetReal(double(cx) + px);
}

QV_FUNCTION(F_DisplayMouseGetY) {
    int cx, cy, cw, ch, px, py;
    Window_GetClient(cx, cy, cw, ch);
    ClientMouse(px, py);
    result.SetReal(double(cy) + py);
}

QV_FUNCTION(F_DisplayMouseSet) {
    int cx, cy, cw, ch;
    Window_GetClient(cx, cy, cw, ch);
    PlaceMouse(Coord(args[0]) - cx, Coord(args[1]) - cy);
}

QV_FUNCTION(F_WindowSetVisible) {
    Window_SetVisible(Arg_Bool(args[0]));
}

QV_FUNCTION(F_WindowGetVisible) {
    SetBool(result, Window_GetVisible());
}

QV_FUNCTION(F_WindowSetFullscreen) {
    Window_SetFullScreen(Arg_Bool(args[0]));
}

QV_FUNCTION(F_WindowGetFullscreen) {
    SetBool(result, Window_GetFullScreen());
}

QV_FUNCTION(F_WindowSetShowborder) {
    Window_SetShowBorder(Arg_Bool(args[0]));
}

QV_FUNCTION(F_WindowGetShowborder) {
    SetBool(result, Window_GetShowBorder());
}

QV_FUNCTION(F_WindowSetShowicons) {
    Window_SetShowIcons(Arg_Bool(args[0]));
}

QV_FUNCTION(F_WindowGetShowicons) {
    SetBool(result, Window_GetShowIcons());
}

QV_FUNCTION(F_WindowSetStayontop) {
    Window_SetStayOnTop(Arg_Bool(args[0]));
}

QV_FUNCTION(F_WindowGetStayontop) {
    SetBool(result, Window_GetStayOnTop());
}

QV_FUNCTION(F_WindowSetSizeable) {
    Window_SetSizeable(Arg_Bool(args[0]));
}

QV_FUNCTION(F_WindowGetSizeable) {
    SetBool(result, Window_GetSizeable());
}

QV_FUNCTION(F_WindowSetCaption) {
    Window_SetCaption(std::string(Arg_String(args[0])));
}

QV_FUNCTION(F_WindowGetCaption) {
    result.SetString(Window_GetCaption());
}

QV_FUNCTION(F_WindowSetCursor) {
    Window_SetCursor(Arg_Int(args[0]));
}

QV_FUNCTION(F_WindowGetCursor) {
    result.SetReal(Window_GetCursor());
}

QV_FUNCTION(F_WindowSetColor) {
    Window_SetColor(Arg_Colour(args[0]));
}

QV_FUNCTION(F_WindowGetColor) {
    result.SetReal(Window_GetColor());
}

QV_FUNCTION(F_WindowSetPosition) {
    Window_SetPosition(Coord(args[0]), Coord(args[1]));
}

QV_FUNCTION(F_WindowSetSize) {
    Window_SetSize(Size(args[0]), Size(args[1]));
}

QV_FUNCTION(F_WindowSetRectangle) {
    Window_SetRectangle(Coord(args[0]), Coord(args[1]), Size(args[2]), Size(args[3]));
}

QV_FUNCTION(F_WindowCenter) {
    Window_Center();
}

QV_FUNCTION(F_WindowDefault) {
    Window_Default();
}

QV_FUNCTION(F_WindowGetX) {
    int x, y, w, h;
    Window_GetClient(x, y, w, h);
    result.SetReal(x);
}

QV_FUNCTION(F_WindowGetY) {
    int x, y, w, h;
    Window_GetClient(x, y, w, h);
    result.SetReal(y);
}

QV_FUNCTION(F_WindowGetWidth) {
    int x, y, w, h;
    Window_GetClient(x, y, w, h);
    result.SetReal(w);
}

QV_FUNCTION(F_WindowGetHeight) {
    int x, y, w, h;
    Window_GetClient(x, y, w, h);
    result.SetReal(h);
}

QV_FUNCTION(F_WindowSetRegionSize) {
    Window_SetRegionSize(Size(args[0]), Size(args[1]), Arg_Bool(args[2]));
}

QV_FUNCTION(F_WindowGetRegionWidth) {
    int w, h;
    Window_GetRegionSize(w, h);
    result.SetReal(w);
}

QV_FUNCTION(F_WindowGetRegionHeight) {
    int w, h;
    Window_GetRegionSize(w, h);
    result.SetReal(h);
}

QV_FUNCTION(F_WindowSetRegionScale) {
    Window_SetRegionScale(Arg_Real(args[0]), Arg_Bool(args[1]));
}

QV_FUNCTION(F_WindowGetRegionScale) {
    result.SetReal(Window_GetRegionScale());
}

QV_FUNCTION(F_WindowMouseGetX) {
    int x, y;
    ClientMouse(x, y);
    result.SetReal(x);
}

QV_FUNCTION(F_WindowMouseGetY) {
    int x, y;
    ClientMouse(x, y);
    result.SetReal(y);
}

QV_FUNCTION(F_WindowMouseSet) {
    PlaceMouse(Coord(args[0]), Coord(args[1]));
}

QV_FUNCTION(F_WindowViewMouseGetX) {
    double x, y, rx, ry;
    RegionMouse(x, y);
    Window_ViewToRoom(Arg_Int(args[0]), x, y, rx, ry);
    result.SetReal(rx);
}

QV_FUNCTION(F_WindowViewMouseGetY) {
    double x, y, rx, ry;
    RegionMouse(x, y);
    Window_ViewToRoom(Arg_Int(args[0]), x, y, rx, ry);
    result.SetReal(ry);
}

QV_FUNCTION(F_WindowViewMouseSet) {
    double x, y;
    if (Window_RoomToRegion(Arg_Int(args[0]), Arg_Real(args[1]), Arg_Real(args[2]), x, y))
        PlaceMouseOnRegion(x, y);
}

QV_FUNCTION(F_WindowViewsMouseGetX) {
    double x, y, rx, ry;
    RegionMouse(x, y);
    Window_ViewsToRoom(x, y, rx, ry);
    result.SetReal(rx);
}

QV_FUNCTION(F_WindowViewsMouseGetY) {
    double x, y, rx, ry;
    RegionMouse(x, y);
    Window_ViewsToRoom(x, y, rx, ry);
    result.SetReal(ry);
}

QV_FUNCTION(F_WindowViewsMouseSet) {
    const int v = Window_FirstRecordedView();
    double x = Arg_Real(args[0]), y = Arg_Real(args[1]);
    if (v >= 0 && !Window_RoomToRegion(v, x, y, x, y)) return;
    PlaceMouseOnRegion(x, y);
}

QV_FUNCTION(F_WindowHandle) {
    result.SetReal(double(GameWindow_Handle()));
}

QV_FUNCTION(F_TransitionDefine) {
    result.SetReal(Transition_Define(Arg_Int(args[0]), std::string(Arg_String(args[1]))) ? 1 : 0);
}

QV_FUNCTION(F_TransitionExists) {
    result.SetReal(Transition_Exists(Arg_Int(args[0])) ? 1 : 0);
}
