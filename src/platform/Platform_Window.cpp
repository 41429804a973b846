// The game window over SDL2 with an OpenGL 3.3 core context.
#include "platform/Platform_Window.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Library.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <dlfcn.h>
#include <link.h>

namespace {

SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
bool g_shown = false;
bool g_vsync = false;
int g_handler = 0; // the event handler of the open window

// The window state, kept with or without a system window.
struct RWindowState {
    bool placed = false; // a client rectangle has been set
    int x = 100, y = 100, w = 640, h = 480;
    int minW = 0, minH = 0;
    bool visible = false, fullScreen = false;
    bool border = true, sizeable = true, icons = true, onTop = false;
    std::string caption;
    int cursor = 0;
};
RWindowState g_win;
std::function<void()> g_onPaint, g_onResized;
SDL_Cursor* g_cursor = nullptr;

// The display mode the game changed to (the window uses it in full screen).
bool g_modeChanged = false;
SDL_DisplayMode g_mode{};

// The simulated display of headless runs.
struct RSimDisplay {
    bool made = false;
    RDisplayMode initial, current;
    std::vector<RDisplayMode> offered;
};
RSimDisplay g_sim;

RSimDisplay& Simulated() {
    if (g_sim.made) return g_sim;
    g_sim.made = true;
    g_sim.initial = RDisplayMode{1024, 768, 32, 60};
    g_sim.current = g_sim.initial;
    g_sim.offered.clear();
    const int sizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}};
    for (const auto& s : sizes)
        for (int bpp : {16, 32})
            for (int f : {60, 70, 85, 100, 120}) g_sim.offered.push_back(RDisplayMode{s[0], s[1], bpp, f});
    return g_sim;
}

void SetContextAttributes() {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Drawing goes to a framebuffer object of our own; the window needs no depth or stencil.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

int Bpp(uint32_t format) {
    // Pixels of 8 bits per channel occupy 32 bits with or without alpha.
    return int(SDL_BYTESPERPIXEL(format)) * 8;
}

// The offered mode that has every given field of the request and otherwise is closest to the
// current mode; -1 when none has.
int BestMatch(const std::vector<RDisplayMode>& offered, const RDisplayMode& cur, const RDisplayMode& req) {
    int best = -1, bestScore = -1;
    for (size_t k = 0; k < offered.size(); k++) {
        const RDisplayMode& m = offered[k];
        if ((req.w > 0 && m.w != req.w) || (req.h > 0 && m.h != req.h) || (req.bpp > 0 && m.bpp != req.bpp) ||
            (req.freq > 0 && m.freq != req.freq))
            continue;
        const int score = (m.w == cur.w && m.h == cur.h) * 4 + (m.bpp == cur.bpp) * 2 + (m.freq == cur.freq);
        if (score > bestScore) {
            best = int(k);
            bestScore = score;
        }
    }
    return best;
}

// Keeps every library loaded now (the GL driver among them) for the life of the process. Drivers
// unloaded at shutdown leave their process-lifetime caches unattributable to the leak checker,
// and some do not survive being loaded a second time.
void PinLoadedLibraries() {
    static bool pinned = false;
    if (pinned) return;
    pinned = true;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && info->dlpi_name[0])
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

} // namespace

namespace {

bool OnScreen() {
    return g_window && !Platform_IsHeadless();
}

// The system cursor for a cursor number (the arrow for numbers without a shape of their own).
SDL_SystemCursor SystemCursorOf(int cursor) {
    switch (cursor) {
    case -3:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case -4:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case -6:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case -7:
    case -15:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case -8:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case -9:
    case -14:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case -11:
        return SDL_SYSTEM_CURSOR_WAIT;
    case -13:
    case -18:
        return SDL_SYSTEM_CURSOR_NO;
    case -17:
    case -19:
        return SDL_SYSTEM_CURSOR_WAITARROW;
    case -21:
        return SDL_SYSTEM_CURSOR_HAND;
    case -22:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

void ApplyCursor() {
    if (!OnScreen()) return;
    if (g_win.cursor == -1) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_Cursor* c = SDL_CreateSystemCursor(SystemCursorOf(g_win.cursor));
    if (c) SDL_SetCursor(c);
    if (g_cursor) SDL_FreeCursor(g_cursor);
    g_cursor = c;
    SDL_ShowCursor(SDL_ENABLE);
}

void ApplyMinSize() {
    if (!g_window) return;
    // SDL takes no 0 here: 1 x 1 lets the window become as small as the system allows.
    SDL_SetWindowMinimumSize(g_window, g_win.sizeable && g_win.minW > 0 ? g_win.minW : 1,
                             g_win.sizeable && g_win.minH > 0 ? g_win.minH : 1);
}

void ApplyStyle() {
    if (!g_window) return;
    SDL_SetWindowBordered(g_window, g_win.border ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(g_window, g_win.border && g_win.sizeable ? SDL_TRUE : SDL_FALSE);
    ApplyMinSize();
}

void ApplyRect() {
    if (!g_window || g_win.fullScreen) return;
    SDL_SetWindowSize(g_window, g_win.w, g_win.h);
    SDL_SetWindowPosition(g_window, g_win.x, g_win.y);
}

// Window events of the game window: the user moved or resized it, or it must be painted again.
void OnEvent(const void* p) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(p);
    if (e.type != SDL_WINDOWEVENT || !g_window || e.window.windowID != SDL_GetWindowID(g_window)) return;
    switch (e.window.event) {
    case SDL_WINDOWEVENT_MOVED:
        if (!g_win.fullScreen && !Platform_IsHeadless()) {
            g_win.x = e.window.data1;
            g_win.y = e.window.data2;
        }
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (!g_win.fullScreen && !Platform_IsHeadless() && e.window.data1 > 0 && e.window.data2 > 0) {
            g_win.w = e.window.data1;
            g_win.h = e.window.data2;
        }
        if (g_onResized) g_onResized();
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        if (g_onPaint) g_onPaint();
        break;
    default:
        break;
    }
}

} // namespace

bool GameWindow_Open(int width, int height, std::string& error) {
    GameWindow_Close();
    if (!Platform_LoadLibrary(ESystemLibrary::Sdl, &error) ||
        !Platform_LoadLibrary(ESystemLibrary::Gl, &error))
        return false;
    if (!Platform_Init()) {
        error = "no video driver could be started";
        return false;
    }
    if (!g_win.placed) {
        g_win.w = width < 1 ? 1 : width;
        g_win.h = height < 1 ? 1 : height;
    }
    SetContextAttributes();
    g_window = SDL_CreateWindow(g_win.caption.empty() ? Platform_AppTitle().c_str() : g_win.caption.c_str(),
                                g_win.placed ? g_win.x : int(SDL_WINDOWPOS_CENTERED),
                                g_win.placed ? g_win.y : int(SDL_WINDOWPOS_CENTERED), g_win.w, g_win.h,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!g_window) {
        error = SDL_GetError();
        return false;
    }
    g_context = SDL_GL_CreateContext(g_window);
    if (!g_context) {
        error = SDL_GetError();
        SDL_DestroyWindow(g_window);
        g_window = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(g_window, g_context);
    SDL_GL_SetSwapInterval(g_vsync ? 1 : 0);
    if (g_modeChanged) SDL_SetWindowDisplayMode(g_window, &g_mode);
    PinLoadedLibraries();
    g_shown = false;
    g_handler = Platform_AddEventHandler(OnEvent);
    ApplyStyle();
    SDL_SetWindowAlwaysOnTop(g_window, g_win.onTop ? SDL_TRUE : SDL_FALSE);
    if (g_win.fullScreen && !Platform_IsHeadless())
        SDL_SetWindowFullscreen(g_window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    ApplyCursor();
    if (g_win.visible) GameWindow_SetVisible(true);
    return true;
}

void GameWindow_Close() {
    if (g_handler) Platform_RemoveEventHandler(g_handler);
    g_handler = 0;
    if (g_cursor) SDL_FreeCursor(g_cursor);
    g_cursor = nullptr;
    if (g_context) SDL_GL_DeleteContext(g_context);
    if (g_window) SDL_DestroyWindow(g_window);
    g_context = nullptr;
    g_window = nullptr;
    g_shown = false;
}

bool GameWindow_IsOpen() {
    return g_window != nullptr;
}

uint32_t GameWindow_EventId() {
    return g_window ? SDL_GetWindowID(g_window) : 0;
}

void GameWindow_DrawableSize(int& width, int& height) {
    width = height = 0;
    if (g_window) SDL_GL_GetDrawableSize(g_window, &width, &height);
}

void GameWindow_ResetState() {
    const bool wasFull = g_win.fullScreen;
    g_win = RWindowState();
    g_win.caption = Platform_AppTitle();
    if (!g_window) return;
    if (wasFull && !Platform_IsHeadless()) SDL_SetWindowFullscreen(g_window, 0);
    if (g_shown) SDL_HideWindow(g_window);
    g_shown = false;
    ApplyStyle();
    SDL_SetWindowAlwaysOnTop(g_window, SDL_FALSE);
    SDL_SetWindowTitle(g_window, g_win.caption.c_str());
    ApplyCursor();
}

void GameWindow_SetVisible(bool on) {
    g_win.visible = on;
    if (!g_window || Platform_IsHeadless() || g_shown == on) return;
    if (on)
        SDL_ShowWindow(g_window);
    else
        SDL_HideWindow(g_window);
    g_shown = on;
}

bool GameWindow_GetVisible() {
    return g_win.visible;
}

bool GameWindow_Visible() {
    return g_win.visible && !Platform_IsHeadless();
}

void GameWindow_Show() {
    GameWindow_SetVisible(true);
}

void GameWindow_SetFullScreen(bool on) {
    if (g_win.fullScreen == on) return;
    g_win.fullScreen = on;
    if (!OnScreen()) return;
    SDL_SetWindowFullscreen(g_window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    if (!on) ApplyRect();
}

bool GameWindow_FullScreen() {
    return g_win.fullScreen;
}

void GameWindow_SetClientRect(int x, int y, int w, int h) {
    g_win.placed = true;
    g_win.x = x;
    g_win.y = y;
    g_win.w = w < 1 ? 1 : w;
    g_win.h = h < 1 ? 1 : h;
    ApplyRect();
}

void GameWindow_GetClientRect(int& x, int& y, int& w, int& h) {
    RDisplayMode m;
    if (g_win.fullScreen && Platform_DisplayGetMode(m)) {
        x = y = 0;
        w = m.w;
        h = m.h;
        return;
    }
    x = g_win.x;
    y = g_win.y;
    w = g_win.w;
    h = g_win.h;
}

void GameWindow_SetStyle(bool border, bool sizeable, bool icons) {
    g_win.border = border;
    g_win.sizeable = sizeable;
    g_win.icons = icons;
    ApplyStyle();
    // A changed frame may have moved the client area: put it back where it belongs.
    ApplyRect();
}

void GameWindow_SetStayOnTop(bool on) {
    g_win.onTop = on;
    if (g_window) SDL_SetWindowAlwaysOnTop(g_window, on ? SDL_TRUE : SDL_FALSE);
}

bool GameWindow_StayOnTop() {
    return g_win.onTop;
}

void GameWindow_SetCaption(const std::string& caption) {
    g_win.caption = caption;
    if (g_window) SDL_SetWindowTitle(g_window, caption.c_str());
}

std::string GameWindow_Caption() {
    return g_win.caption;
}

void GameWindow_SetCursor(int cursor) {
    g_win.cursor = cursor;
    ApplyCursor();
}

int GameWindow_Cursor() {
    return g_win.cursor;
}

void GameWindow_SetMinClientSize(int w, int h) {
    g_win.minW = w > 0 ? w : 0;
    g_win.minH = h > 0 ? h : 0;
    ApplyMinSize();
}

void GameWindow_WarpMouse(int screenX, int screenY) {
    if (OnScreen()) SDL_WarpMouseGlobal(screenX, screenY);
}

int64_t GameWindow_Handle() {
    if (Platform_IsHeadless()) return 1;
    if (!g_window) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(g_window, &info) && info.subsystem == SDL_SYSWM_X11)
        return int64_t(info.info.x11.window);
    return int64_t(SDL_GetWindowID(g_window));
}

void GameWindow_SetHandlers(std::function<void()> paint, std::function<void()> resized) {
    g_onPaint = std::move(paint);
    g_onResized = std::move(resized);
}

bool GameWindow_SystemReport(RSystemWindow& out) {
    if (!g_window) return false;
    out = RSystemWindow();
    SDL_GetWindowPosition(g_window, &out.x, &out.y);
    SDL_GetWindowSize(g_window, &out.w, &out.h);
    SDL_GetWindowMinimumSize(g_window, &out.minW, &out.minH);
    const uint32_t f = SDL_GetWindowFlags(g_window);
    out.shown = (f & SDL_WINDOW_SHOWN) != 0;
    out.bordered = (f & SDL_WINDOW_BORDERLESS) == 0;
    out.resizable = (f & SDL_WINDOW_RESIZABLE) != 0;
    out.onTop = (f & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
    out.fullScreen = (f & SDL_WINDOW_FULLSCREEN) != 0;
    const char* t = SDL_GetWindowTitle(g_window);
    out.title = t ? t : "";
    return true;
}

bool GameWindow_NewContext(std::string& error) {
    if (!g_window) {
        error = "no window";
        return false;
    }
    if (g_context) SDL_GL_DeleteContext(g_context);
    SetContextAttributes();
    g_context = SDL_GL_CreateContext(g_window);
    if (!g_context) {
        error = SDL_GetError();
        return false;
    }
    SDL_GL_MakeCurrent(g_window, g_context);
    SDL_GL_SetSwapInterval(g_vsync ? 1 : 0);
    return true;
}

void GameWindow_MakeCurrent() {
    if (g_context && SDL_GL_GetCurrentContext() != g_context) SDL_GL_MakeCurrent(g_window, g_context);
}

void GameWindow_Swap() {
    if (g_window) SDL_GL_SwapWindow(g_window);
}

void GameWindow_SetSwapInterval(bool vsync) {
    g_vsync = vsync;
    if (g_context) SDL_GL_SetSwapInterval(vsync ? 1 : 0);
}

void GameWindow_WaitVerticalBlank() {
    SDL_DisplayMode mode;
    if (!g_window || Platform_IsHeadless() || SDL_GetCurrentDisplayMode(0, &mode) != 0 ||
        mode.refresh_rate <= 0)
        return;
    const int64_t period = 1000000 / mode.refresh_rate;
    const int64_t now = Platform_TimeMicros();
    const int64_t wait = period - now % period;
    Platform_Sleep(int((wait + 999) / 1000));
}

void GameWindow_MaxClientSize(int& width, int& height) {
    int bpp = 0;
    if (Platform_IsHeadless() || !Platform_DesktopMode(width, height, bpp)) width = height = 8192;
}

bool Platform_DesktopMode(int& width, int& height, int& bitsPerPixel) {
    RDisplayMode m;
    if (!Platform_DisplayGetMode(m)) return false;
    width = m.w;
    height = m.h;
    bitsPerPixel = m.bpp;
    return true;
}

bool Platform_DisplayGetMode(RDisplayMode& mode) {
    if (Platform_IsHeadless()) {
        mode = Simulated().current;
        return true;
    }
    SDL_DisplayMode m;
    if (g_modeChanged)
        m = g_mode;
    else if (!Platform_Init() || SDL_GetDesktopDisplayMode(0, &m) != 0)
        return false;
    mode = RDisplayMode{m.w, m.h, Bpp(m.format), m.refresh_rate};
    return true;
}

bool Platform_DisplayChange(const RDisplayMode& request, bool testOnly) {
    if (Platform_IsHeadless()) {
        RSimDisplay& sim = Simulated();
        const int k = BestMatch(sim.offered, sim.current, request);
        if (k < 0) return false;
        if (!testOnly) sim.current = sim.offered[size_t(k)];
        return true;
    }
    RDisplayMode cur;
    if (!Platform_DisplayGetMode(cur)) return false;
    std::vector<RDisplayMode> offered;
    std::vector<SDL_DisplayMode> sdl;
    for (int k = 0, n = SDL_GetNumDisplayModes(0); k < n; k++) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, k, &m) != 0) continue;
        offered.push_back(RDisplayMode{m.w, m.h, Bpp(m.format), m.refresh_rate});
        sdl.push_back(m);
    }
    const int k = BestMatch(offered, cur, request);
    if (k < 0) return false;
    if (testOnly) return true;
    if (g_window && SDL_SetWindowDisplayMode(g_window, &sdl[size_t(k)]) != 0) return false;
    g_mode = sdl[size_t(k)];
    g_modeChanged = true;
    return true;
}

void Platform_DisplayRestore() {
    if (Platform_IsHeadless()) {
        Simulated().current = Simulated().initial;
        return;
    }
    if (!g_modeChanged) return;
    g_modeChanged = false;
    if (g_window) SDL_SetWindowDisplayMode(g_window, nullptr);
}

void Platform_DisplaySimulate(const RDisplayMode& current, const std::vector<RDisplayMode>& offered) {
    g_sim.made = !offered.empty();
    if (!g_sim.made) return;
    g_sim.initial = g_sim.current = current;
    g_sim.offered = offered;
}
