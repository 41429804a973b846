// The game window over SDL2 with an OpenGL 3.3 core context.
#include "platform/Platform_Window.h"

#include "platform/Platform_App.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <link.h>

namespace {

SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
bool g_shown = false;
bool g_fullScreen = false;
// Asked for before the window exists, given to it when it opens.
bool g_showWanted = false;
bool g_vsync = false;
std::string g_caption;
bool g_captionSet = false;

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

void CloseWindow() {
    if (g_context) SDL_GL_DeleteContext(g_context);
    if (g_window) SDL_DestroyWindow(g_window);
    g_context = nullptr;
    g_window = nullptr;
    g_shown = false;
}

} // namespace

bool GameWindow_Open(int width, int height, std::string& error) {
    CloseWindow();
    if (!Platform_Init()) {
        error = "no video driver could be started";
        return false;
    }
    SetContextAttributes();
    g_window = SDL_CreateWindow(Platform_AppTitle().c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                width < 1 ? 1 : width, height < 1 ? 1 : height,
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
    if (g_captionSet) SDL_SetWindowTitle(g_window, g_caption.c_str());
    PinLoadedLibraries();
    g_shown = false;
    if (g_fullScreen && !Platform_IsHeadless())
        SDL_SetWindowFullscreen(g_window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (g_showWanted) GameWindow_Show();
    return true;
}

void GameWindow_Close() {
    CloseWindow();
    g_showWanted = false;
    g_captionSet = false;
}

bool GameWindow_IsOpen() {
    return g_window != nullptr;
}

uint32_t GameWindow_EventId() {
    return g_window ? SDL_GetWindowID(g_window) : 0;
}

void GameWindow_Show() {
    g_showWanted = true;
    if (!g_window || g_shown || Platform_IsHeadless()) return;
    SDL_ShowWindow(g_window);
    g_shown = true;
}

bool GameWindow_Visible() {
    return g_showWanted && !Platform_IsHeadless();
}

void GameWindow_SetFullScreen(bool on) {
    g_fullScreen = on;
    if (g_window && !Platform_IsHeadless())
        SDL_SetWindowFullscreen(g_window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

bool GameWindow_FullScreen() {
    return g_fullScreen;
}

void GameWindow_DrawableSize(int& width, int& height) {
    width = height = 0;
    if (g_window) SDL_GL_GetDrawableSize(g_window, &width, &height);
}

void GameWindow_SetSize(int width, int height) {
    if (!g_window || width < 1 || height < 1) return;
    SDL_SetWindowSize(g_window, width, height);
    SDL_SetWindowPosition(g_window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void GameWindow_SetCaption(const std::string& caption) {
    g_caption = caption;
    g_captionSet = true;
    if (g_window) SDL_SetWindowTitle(g_window, caption.c_str());
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
