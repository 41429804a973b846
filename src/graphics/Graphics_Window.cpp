// The window's presentation state, the region and the mouse mappings.
#include "graphics/Graphics_Window.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Device.h"
#include "platform/Platform_Window.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Window sizes computed from a scale are kept to what a window can be.
constexpr int kMaxClient = 16384;
constexpr int kViews = 32;

struct RWindow {
    bool fullScreen = false, showBorder = true, showIcons = true, sizeable = true;
    int savedX = 100, savedY = 100, savedW = 640, savedH = 480;
    int regionW = 640, regionH = 480;
    double scale = 1;
    bool applying = false;
    int32_t colour = 0;
};
RWindow g_w;

struct RViewMap {
    bool recorded = false;
    double vx = 0, vy = 0, vw = 0, vh = 0, px = 0, py = 0, pw = 0, ph = 0, angle = 0;
};
RViewMap g_views[kViews];

// Rounded half to even, kept inside the 32-bit range (NaN gives 0).
int Round(double v) {
    if (!(v == v)) return 0;
    return int(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0));
}

int ClientSize(double v) {
    return std::clamp(Round(v), 1, kMaxClient);
}

void ScreenSize(int& w, int& h) {
    RDisplayMode m;
    if (!Platform_DisplayGetMode(m)) m = RDisplayMode{1024, 768, 32, 60};
    w = m.w;
    h = m.h;
}

// The region at the fixed scale, in client pixels.
void ScaledRegion(int& g, int& k) {
    g = ClientSize(g_w.regionW * g_w.scale);
    k = ClientSize(g_w.regionH * g_w.scale);
}

// The smallest client size the user may drag the window to: the scaled region at a fixed scale.
void ApplyMinSize() {
    int g = 0, k = 0;
    if (g_w.scale > 0 && !g_w.applying) ScaledRegion(g, k);
    GameWindow_SetMinClientSize(g, k);
}

// The client geometry as it is now becomes the saved one (not in full screen, not while the
// window is being changed).
void SaveGeometry() {
    if (g_w.fullScreen || g_w.applying) return;
    int x, y, w, h;
    GameWindow_GetClientRect(x, y, w, h);
    g_w.savedX = x;
    g_w.savedY = y;
    g_w.savedW = w;
    g_w.savedH = h;
}

// Shows the state: full screen over the whole screen, or the style with the client area at the
// saved position and size. Any size is accepted while this runs.
void Apply() {
    g_w.applying = true;
    ApplyMinSize();
    GameWindow_SetStyle(g_w.showBorder, g_w.sizeable, g_w.showIcons);
    GameWindow_SetFullScreen(g_w.fullScreen);
    if (!g_w.fullScreen) GameWindow_SetClientRect(g_w.savedX, g_w.savedY, g_w.savedW, g_w.savedH);
    g_w.applying = false;
    ApplyMinSize();
}

// After a new region size or scale: the window at least as large as the scaled region (exactly
// that when asked to adapt), then painted again.
void AdaptWindow(bool adaptWindow) {
    if (g_w.scale > 0) {
        int g, k;
        ScaledRegion(g, k);
        if (adaptWindow)
            Window_SetSize(g, k);
        else if (g_w.savedW < g || g_w.savedH < k)
            Window_SetSize(std::max(g_w.savedW, g), std::max(g_w.savedH, k));
    }
    ApplyMinSize();
    Window_Paint();
}

// The user resized the window.
void OnResized() {
    SaveGeometry();
    Window_Paint();
}

// The scale that fits the region into the client area (negative scales), or the scale itself.
double FitScale(int cw, int ch) {
    if (g_w.scale >= 0) return g_w.scale;
    return std::min(double(cw) / g_w.regionW, double(ch) / g_w.regionH);
}

void ClientSizeNow(int& cw, int& ch) {
    int x, y;
    GameWindow_GetClientRect(x, y, cw, ch);
}

} // namespace

void Window_Start() {
    GameWindow_ResetState();
    g_w = RWindow();
    Window_UnrecordViews();
    GameWindow_SetHandlers(Window_Paint, OnResized);
    g_w.regionW = g_w.regionH = 8;
    g_w.scale = opt_scale / 100.0;
    Window_SetSizeable(opt_sizeable);
    Window_SetStayOnTop(opt_stayontop);
    Window_SetColor(opt_windowcolor);
    Window_SetShowBorder(!opt_noborder);
    Window_SetShowIcons(!opt_nobuttons);
    Window_SetFullScreen(opt_fullscreen);
}

void Window_SizeForRoom(int w, int h, bool gameStart) {
    if (w != g_w.regionW || h != g_w.regionH) {
        Window_SetRegionSize(w, h, true);
        Window_Default();
    }
    GR_Device_SetSize(w, h);
    if (gameStart) {
        GameWindow_SetVisible(true);
        GameWindow_SetCursor(opt_showcursor ? 0 : -1);
    }
}

void Window_SetVisible(bool b) {
    GameWindow_SetVisible(b);
    SaveGeometry();
}

bool Window_GetVisible() {
    return GameWindow_GetVisible();
}

void Window_SetFullScreen(bool b) {
    if (b == g_w.fullScreen) return;
    SaveGeometry();
    g_w.fullScreen = b;
    Apply();
}

bool Window_GetFullScreen() {
    return g_w.fullScreen;
}

void Window_SetShowBorder(bool b) {
    SaveGeometry();
    g_w.showBorder = b;
    Apply();
}

bool Window_GetShowBorder() {
    return g_w.showBorder;
}

void Window_SetShowIcons(bool b) {
    SaveGeometry();
    g_w.showIcons = b;
    Apply();
}

bool Window_GetShowIcons() {
    return g_w.showIcons;
}

void Window_SetSizeable(bool b) {
    SaveGeometry();
    g_w.sizeable = b;
    Apply();
}

bool Window_GetSizeable() {
    return g_w.sizeable;
}

void Window_SetStayOnTop(bool b) {
    GameWindow_SetStayOnTop(b);
}

bool Window_GetStayOnTop() {
    return GameWindow_StayOnTop();
}

void Window_SetCaption(const std::string& caption) {
    GameWindow_SetCaption(caption);
}

std::string Window_GetCaption() {
    return GameWindow_Caption();
}

void Window_SetCursor(int cursor) {
    GameWindow_SetCursor(cursor);
    opt_showcursor = cursor != -1;
}

int Window_GetCursor() {
    return GameWindow_Cursor();
}

void Window_SetColor(int32_t colour) {
    g_w.colour = colour & 0xFFFFFF;
    Window_Paint();
}

int32_t Window_GetColor() {
    return g_w.colour;
}

void Window_SetPosition(int x, int y) {
    SaveGeometry();
    g_w.savedX = x;
    g_w.savedY = y;
    Apply();
}

void Window_SetSize(int w, int h) {
    SaveGeometry();
    if (g_w.scale > 0) {
        ScaledRegion(g_w.savedW, g_w.savedH);
    } else {
        g_w.savedW = std::clamp(w, 1, kMaxClient);
        g_w.savedH = std::clamp(h, 1, kMaxClient);
    }
    Apply();
}

void Window_SetRectangle(int x, int y, int w, int h) {
    SaveGeometry();
    g_w.savedX = x;
    g_w.savedY = y;
    if (g_w.scale > 0) {
        ScaledRegion(g_w.savedW, g_w.savedH);
    } else {
        g_w.savedW = std::clamp(w, 1, kMaxClient);
        g_w.savedH = std::clamp(h, 1, kMaxClient);
    }
    Apply();
}

void Window_Center() {
    int sw, sh, x, y, w, h;
    ScreenSize(sw, sh);
    GameWindow_GetClientRect(x, y, w, h);
    Window_SetPosition((sw - w) / 2, (sh - h) / 2);
}

void Window_Default() {
    int a = g_w.regionW, b = g_w.regionH;
    if (g_w.scale > 0) ScaledRegion(a, b);
    int sw, sh;
    ScreenSize(sw, sh);
    Window_SetRectangle((sw - a) / 2, (sh - b) / 2, a, b);
}

void Window_GetClient(int& x, int& y, int& w, int& h) {
    GameWindow_GetClientRect(x, y, w, h);
}

void Window_SetRegionSize(int w, int h, bool adaptWindow) {
    if (w > 0) g_w.regionW = std::min(w, kMaxClient);
    if (h > 0) g_w.regionH = std::min(h, kMaxClient);
    AdaptWindow(adaptWindow);
}

void Window_GetRegionSize(int& w, int& h) {
    w = g_w.regionW;
    h = g_w.regionH;
}

void Window_SetRegionScale(double scale, bool adaptWindow) {
    // A scale that is no number keeps the one there is.
    if (std::isfinite(scale)) g_w.scale = scale;
    AdaptWindow(adaptWindow);
}

double Window_GetRegionScale() {
    return g_w.scale;
}

RRegionPlace Window_RegionPlace(int cw, int ch) {
    if (g_w.scale == 0) return RRegionPlace{0, 0, cw, ch};
    const double s = FitScale(cw, ch);
    RRegionPlace p;
    p.w = Round(g_w.regionW * s);
    p.h = Round(g_w.regionH * s);
    p.x = int((int64_t(cw) - p.w) / 2);
    p.y = int((int64_t(ch) - p.h) / 2);
    return p;
}

void Window_Paint() {
    GR_Device_Repaint();
}

void Window_ClientToRegion(double px, double py, double& x, double& y) {
    int cw, ch;
    ClientSizeNow(cw, ch);
    const double rw = g_w.regionW, rh = g_w.regionH;
    if (g_w.scale == 0) {
        x = Round(px * rw / std::max(cw, 1));
        y = Round(py * rh / std::max(ch, 1));
        return;
    }
    const double s = FitScale(cw, ch);
    if (s == 0) {
        x = y = 0;
        return;
    }
    const int64_t ox = (int64_t(cw) - Round(rw * s)) / 2, oy = (int64_t(ch) - Round(rh * s)) / 2;
    x = Round((px - double(ox)) / s);
    y = Round((py - double(oy)) / s);
}

void Window_RegionToClient(double x, double y, int& px, int& py) {
    int cw, ch;
    ClientSizeNow(cw, ch);
    const double rw = g_w.regionW, rh = g_w.regionH;
    if (g_w.scale == 0) {
        px = Round(x * cw / rw);
        py = Round(y * ch / rh);
        return;
    }
    const double s = FitScale(cw, ch);
    px = int(std::clamp<int64_t>(int64_t(cw / 2) + Round(x * s) - Round(rw * s) / 2, INT32_MIN, INT32_MAX));
    py = int(std::clamp<int64_t>(int64_t(ch / 2) + Round(y * s) - Round(rh * s) / 2, INT32_MIN, INT32_MAX));
}

void Window_RecordView(int v, double vx, double vy, double vw, double vh, double px, double py, double pw,
                       double ph, double angle) {
    if (v < 0 || v >= kViews) return;
    g_views[v] = RViewMap{true, vx, vy, vw, vh, px, py, pw, ph, angle};
}

void Window_UnrecordView(int v) {
    if (v >= 0 && v < kViews) g_views[v].recorded = false;
}

void Window_UnrecordViews() {
    for (RViewMap& m : g_views) m.recorded = false;
}

void Window_ViewToRoom(int v, double x, double y, double& rx, double& ry) {
    rx = x;
    ry = y;
    if (v < 0 || v >= kViews || !g_views[v].recorded) return;
    const RViewMap& m = g_views[v];
    if (m.pw == 0 || m.ph == 0) return;
    const double d = (x - m.px) * m.vw / m.pw, e = (y - m.py) * m.vh / m.ph;
    if (std::fabs(m.angle) < 0.01) {
        rx = Round(m.vx + d);
        ry = Round(m.vy + e);
        return;
    }
    const double t = -m.angle * std::numbers::pi / 180, dd = d - m.vw / 2, ee = e - m.vh / 2;
    rx = Round(m.vx + m.vw / 2 + dd * std::cos(t) + ee * std::sin(t));
    ry = Round(m.vy + m.vh / 2 - dd * std::sin(t) + ee * std::cos(t));
}

bool Window_RoomToRegion(int v, double x, double y, double& rx, double& ry) {
    if (v < 0 || v >= kViews || !g_views[v].recorded) return false;
    const RViewMap& m = g_views[v];
    if (m.vw == 0 || m.vh == 0) return false;
    const double d = (x - m.vx) * m.pw / m.vw, e = (y - m.vy) * m.ph / m.vh;
    if (std::fabs(m.angle) < 0.01) {
        rx = Round(m.px + d);
        ry = Round(m.py + e);
        return true;
    }
    const double t = m.angle * std::numbers::pi / 180, dd = d - m.pw / 2, ee = e - m.ph / 2;
    rx = Round(m.px + m.pw / 2 + dd * std::cos(t) + ee * std::sin(t));
    ry = Round(m.py + m.ph / 2 - dd * std::sin(t) + ee * std::cos(t));
    return true;
}

void Window_ViewsToRoom(double x, double y, double& rx, double& ry) {
    rx = x;
    ry = y;
    const int first = Window_FirstRecordedView();
    if (first < 0) return;
    for (int k = kViews - 1; k >= 0; --k) {
        const RViewMap& m = g_views[k];
        if (!m.recorded) continue;
        double a, b;
        Window_ViewToRoom(k, x, y, a, b);
        if (m.vx <= a && a < m.vx + m.vw && m.vy <= b && b < m.vy + m.vh) {
            rx = a;
            ry = b;
            return;
        }
    }
    Window_ViewToRoom(first, x, y, rx, ry);
}

int Window_FirstRecordedView() {
    for (int k = 0; k < kViews; ++k)
        if (g_views[k].recorded) return k;
    return -1;
}
