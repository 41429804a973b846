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

bool GameWindow_Open(int width, int height, std::string& error) {
    GameWindow_Close();
    if (!Platform_Init()) {
        error = "no video driver could be started";
        return false;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Drawing goes to a framebuffer object of our own; the window needs no depth or stencil.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
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
    PinLoadedLibraries();
    g_shown = false;
    return true;
}

void GameWindow_Close() {
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

void GameWindow_Show() {
    if (!g_window || g_shown || Platform_IsHeadless()) return;
    SDL_ShowWindow(g_window);
    g_shown = true;
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
    if (g_window) SDL_SetWindowTitle(g_window, caption.c_str());
}

void GameWindow_MakeCurrent() {
    if (g_context && SDL_GL_GetCurrentContext() != g_context) SDL_GL_MakeCurrent(g_window, g_context);
}

void GameWindow_Swap() {
    if (g_window) SDL_GL_SwapWindow(g_window);
}

void GameWindow_SetSwapInterval(bool vsync) {
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
    SDL_DisplayMode mode;
    if (!Platform_Init() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    width = mode.w;
    height = mode.h;
    // Pixels of 8 bits per channel occupy 32 bits with or without alpha.
    bitsPerPixel = int(SDL_BYTESPERPIXEL(mode.format)) * 8;
    return true;
}
