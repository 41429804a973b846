// Loading window: frame composition (image, stretched or cut bars, label in a built-in 5 x 8
// font) and its presentation in a borderless SDL window, shaped and faded where the video
// driver allows it. Shaping or opacity that the driver refuses is traced and skipped.
#include "platform/Platform_LoadWindow.h"

#include "platform/Platform_App.h"
#include "platform/Platform_Library.h"

#include <SDL.h>
#include <SDL_shape.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kDefaultWidth = 332;
constexpr int kDefaultHeight = 92;
constexpr int kBarLeft = 24;
constexpr int kBarAboveBottom = 32;
constexpr int kDefaultBarHeight = 16;
constexpr uint32_t kFaceColor = 0xFFF0F0F0;
constexpr uint32_t kBarFrameColor = 0xFF808080;
constexpr uint32_t kBarBackColor = 0xFFFFFFFF;
constexpr uint32_t kBarFrontColor = 0xFF3060C0;
constexpr uint32_t kLabelColor = 0xFF000000;

// Printable ASCII 0x20..0x7E, 5 columns each, bit 0 = top row of 8.
constexpr uint8_t kFont[95][5] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x5F, 0x00, 0x00}, {0x00, 0x07, 0x00, 0x07, 0x00},
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, {0x24, 0x2A, 0x7F, 0x2A, 0x12}, {0x23, 0x13, 0x08, 0x64, 0x62},
    {0x36, 0x49, 0x56, 0x20, 0x50}, {0x00, 0x05, 0x03, 0x00, 0x00}, {0x00, 0x1C, 0x22, 0x41, 0x00},
    {0x00, 0x41, 0x22, 0x1C, 0x00}, {0x2A, 0x1C, 0x7F, 0x1C, 0x2A}, {0x08, 0x08, 0x3E, 0x08, 0x08},
    {0x00, 0x50, 0x30, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08}, {0x00, 0x60, 0x60, 0x00, 0x00},
    {0x20, 0x10, 0x08, 0x04, 0x02}, {0x3E, 0x51, 0x49, 0x45, 0x3E}, {0x00, 0x42, 0x7F, 0x40, 0x00},
    {0x42, 0x61, 0x51, 0x49, 0x46}, {0x21, 0x41, 0x45, 0x4B, 0x31}, {0x18, 0x14, 0x12, 0x7F, 0x10},
    {0x27, 0x45, 0x45, 0x45, 0x39}, {0x3C, 0x4A, 0x49, 0x49, 0x30}, {0x01, 0x71, 0x09, 0x05, 0x03},
    {0x36, 0x49, 0x49, 0x49, 0x36}, {0x06, 0x49, 0x49, 0x29, 0x1E}, {0x00, 0x36, 0x36, 0x00, 0x00},
    {0x00, 0x56, 0x36, 0x00, 0x00}, {0x08, 0x14, 0x22, 0x41, 0x00}, {0x14, 0x14, 0x14, 0x14, 0x14},
    {0x00, 0x41, 0x22, 0x14, 0x08}, {0x02, 0x01, 0x51, 0x09, 0x06}, {0x32, 0x49, 0x79, 0x41, 0x3E},
    {0x7E, 0x11, 0x11, 0x11, 0x7E}, {0x7F, 0x49, 0x49, 0x49, 0x36}, {0x3E, 0x41, 0x41, 0x41, 0x22},
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, {0x7F, 0x49, 0x49, 0x49, 0x41}, {0x7F, 0x09, 0x09, 0x09, 0x01},
    {0x3E, 0x41, 0x49, 0x49, 0x7A}, {0x7F, 0x08, 0x08, 0x08, 0x7F}, {0x00, 0x41, 0x7F, 0x41, 0x00},
    {0x20, 0x40, 0x41, 0x3F, 0x01}, {0x7F, 0x08, 0x14, 0x22, 0x41}, {0x7F, 0x40, 0x40, 0x40, 0x40},
    {0x7F, 0x02, 0x0C, 0x02, 0x7F}, {0x7F, 0x04, 0x08, 0x10, 0x7F}, {0x3E, 0x41, 0x41, 0x41, 0x3E},
    {0x7F, 0x09, 0x09, 0x09, 0x06}, {0x3E, 0x41, 0x51, 0x21, 0x5E}, {0x7F, 0x09, 0x19, 0x29, 0x46},
    {0x46, 0x49, 0x49, 0x49, 0x31}, {0x01, 0x01, 0x7F, 0x01, 0x01}, {0x3F, 0x40, 0x40, 0x40, 0x3F},
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, {0x3F, 0x40, 0x38, 0x40, 0x3F}, {0x63, 0x14, 0x08, 0x14, 0x63},
    {0x07, 0x08, 0x70, 0x08, 0x07}, {0x61, 0x51, 0x49, 0x45, 0x43}, {0x00, 0x7F, 0x41, 0x41, 0x00},
    {0x02, 0x04, 0x08, 0x10, 0x20}, {0x00, 0x41, 0x41, 0x7F, 0x00}, {0x04, 0x02, 0x01, 0x02, 0x04},
    {0x40, 0x40, 0x40, 0x40, 0x40}, {0x00, 0x01, 0x02, 0x04, 0x00}, {0x20, 0x54, 0x54, 0x54, 0x78},
    {0x7F, 0x48, 0x44, 0x44, 0x38}, {0x38, 0x44, 0x44, 0x44, 0x20}, {0x38, 0x44, 0x44, 0x48, 0x7F},
    {0x38, 0x54, 0x54, 0x54, 0x18}, {0x08, 0x7E, 0x09, 0x01, 0x02}, {0x18, 0xA4, 0xA4, 0xA4, 0x7C},
    {0x7F, 0x08, 0x04, 0x04, 0x78}, {0x00, 0x44, 0x7D, 0x40, 0x00}, {0x40, 0x80, 0x84, 0x7D, 0x00},
    {0x7F, 0x10, 0x28, 0x44, 0x00}, {0x00, 0x41, 0x7F, 0x40, 0x00}, {0x7C, 0x04, 0x18, 0x04, 0x78},
    {0x7C, 0x08, 0x04, 0x04, 0x78}, {0x38, 0x44, 0x44, 0x44, 0x38}, {0xFC, 0x24, 0x24, 0x24, 0x18},
    {0x18, 0x24, 0x24, 0x24, 0xFC}, {0x7C, 0x08, 0x04, 0x04, 0x08}, {0x48, 0x54, 0x54, 0x54, 0x20},
    {0x04, 0x3F, 0x44, 0x40, 0x20}, {0x3C, 0x40, 0x40, 0x20, 0x7C}, {0x1C, 0x20, 0x40, 0x20, 0x1C},
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, {0x44, 0x28, 0x10, 0x28, 0x44}, {0x1C, 0xA0, 0xA0, 0xA0, 0x7C},
    {0x44, 0x64, 0x54, 0x4C, 0x44}, {0x00, 0x08, 0x36, 0x41, 0x00}, {0x00, 0x00, 0x7F, 0x00, 0x00},
    {0x00, 0x41, 0x36, 0x08, 0x00}, {0x08, 0x04, 0x08, 0x10, 0x08},
};
constexpr int kGlyphAdvance = 6;
constexpr int kGlyphHeight = 8;

struct State {
    bool active = false;
    LoadWindowLook look;
    int percent = 0;
    std::string text;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    SDL_Cursor* cursor = nullptr;
};
State g;

bool HasPixels(const std::unique_ptr<TBitmap32>& b) {
    return b && b->Width() > 0 && b->Height() > 0;
}

void FillRect(TBitmap32& dst, int x, int y, int w, int h, uint32_t color) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, dst.Width()), y1 = std::min(y + h, dst.Height());
    for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) dst.SetPixel(xx, yy, color);
}

// Draws src scaled (nearest pixel) to w x h at (x, y), or, without scaling, only its first w
// columns and h rows; clipped to dst. Pixels are drawn opaque.
void Blit(TBitmap32& dst, const TBitmap32& src, int x, int y, int w, int h, bool scale) {
    for (int dy = 0; dy < h; ++dy) {
        int ty = y + dy;
        if (ty < 0 || ty >= dst.Height()) continue;
        int sy = scale ? int(int64_t(dy) * src.Height() / h) : dy;
        if (sy >= src.Height()) break;
        for (int dx = 0; dx < w; ++dx) {
            int tx = x + dx;
            if (tx < 0 || tx >= dst.Width()) continue;
            int sx = scale ? int(int64_t(dx) * src.Width() / w) : dx;
            if (sx >= src.Width()) break;
            dst.SetPixel(tx, ty, src.Pixel(sx, sy) | 0xFF000000u);
        }
    }
}

// Draws UTF-8 text in the built-in font; characters outside ASCII show as '?'.
void DrawText(TBitmap32& dst, int x, int y, const std::string& text, uint32_t color) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) continue; // continuation byte of a character already drawn
        if (c < 0x20 || c > 0x7E) c = '?';
        const uint8_t* glyph = kFont[c - 0x20];
        for (int col = 0; col < 5; ++col)
            for (int row = 0; row < kGlyphHeight; ++row)
                if (glyph[col] & (1 << row)) FillRect(dst, x + col, y + row, 1, 1, color);
        x += kGlyphAdvance;
    }
}

TBitmap32 Compose(const LoadWindowLook& look, int percent, const std::string& text) {
    LoadWindowLayout l = LoadWindow_Layout(look, percent);
    TBitmap32 frame(l.width, l.height, kFaceColor);
    if (HasPixels(look.image)) Blit(frame, *look.image, 0, 0, l.width, l.height, false);
    if (!look.showProgress) return frame;
    if (HasPixels(look.barBack)) {
        Blit(frame, *look.barBack, l.barX, l.barY, l.backWidth, l.backHeight, true);
    } else {
        FillRect(frame, l.barX, l.barY, l.backWidth, l.backHeight, kBarFrameColor);
        FillRect(frame, l.barX + 1, l.barY + 1, l.backWidth - 2, l.backHeight - 2, kBarBackColor);
    }
    if (HasPixels(look.barFront))
        Blit(frame, *look.barFront, l.barX, l.barY, l.frontWidth, l.frontHeight, look.scaleProgress);
    else
        FillRect(frame, l.barX, l.barY, l.frontWidth, l.frontHeight, kBarFrontColor);
    if (look.showLabel)
        DrawText(frame, l.barX, l.barY + (l.backHeight - kGlyphHeight) / 2, text, kLabelColor);
    return frame;
}

void Present() {
    if (!g.renderer || !g.texture) return;
    TBitmap32 frame = Compose(g.look, g.percent, g.text);
    SDL_UpdateTexture(g.texture, nullptr, frame.Pixels(), frame.Width() * 4);
    SDL_RenderClear(g.renderer);
    SDL_RenderCopy(g.renderer, g.texture, nullptr, nullptr);
    SDL_RenderPresent(g.renderer);
}

void Trace(const std::string& what) {
    Platform_Trace("Loading window: " + what + ": " + SDL_GetError());
}

// Gives the window the shape of the image without its transparent colour. Returns the window,
// or null when the driver cannot make shaped windows.
SDL_Window* CreateShapedWindow(const std::string& title, int x, int y, const LoadWindowLayout& l) {
    SDL_Window* w = SDL_CreateShapedWindow(title.c_str(), x, y, l.width, l.height,
                                           SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!w) return nullptr;
    TBitmap32& img = *g.look.image;
    SDL_Surface* shape = SDL_CreateRGBSurfaceWithFormatFrom(img.Pixels(), img.Width(), img.Height(), 32,
                                                            img.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
    uint32_t key = img.Pixel(0, img.Height() - 1);
    SDL_WindowShapeMode mode{};
    mode.mode = ShapeModeColorKey;
    mode.parameters.colorKey = {uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), 255};
    if (!shape || SDL_SetWindowShape(w, shape, &mode) != 0) Trace("shaping failed");
    SDL_FreeSurface(shape);
    return w;
}

void CreateWindow() {
    LoadWindowLayout l = LoadWindow_Layout(g.look, 0);
    SDL_Rect screen{0, 0, l.width, l.height};
    if (SDL_GetDisplayBounds(0, &screen) != 0) Trace("no display bounds");
    int x = screen.x + (screen.w - l.width) / 2;
    int y = screen.y + (screen.h - l.height) / 2;
    std::string title = Platform_AppTitle();
    SDL_ClearError();
    if (g.look.transparent && HasPixels(g.look.image)) {
        g.window = CreateShapedWindow(title, x, y, l);
        if (!g.window) Trace("transparent windows not available");
    }
    if (!g.window)
        g.window = SDL_CreateWindow(title.c_str(), x, y, l.width, l.height,
                                    SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!g.window) {
        Trace("no window");
        return;
    }
    SDL_ClearError();
    if (g.look.alpha < 255 && SDL_SetWindowOpacity(g.window, std::max(0, g.look.alpha) / 255.0f) != 0)
        Trace("opacity not available");
    // A small still picture: keep SDL from bringing up OpenGL behind the window surface.
    const char* accel = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    std::string oldAccel = accel ? accel : "";
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    g.renderer = SDL_CreateRenderer(g.window, -1, SDL_RENDERER_SOFTWARE);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, accel ? oldAccel.c_str() : nullptr);
    if (g.renderer)
        g.texture = SDL_CreateTexture(g.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                      l.width, l.height);
    if (!g.texture) Trace("no renderer");
    g.cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    if (g.cursor) SDL_SetCursor(g.cursor);
    SDL_ShowWindow(g.window);
}

void DestroyWindow() {
    if (g.texture) SDL_DestroyTexture(g.texture);
    if (g.renderer) SDL_DestroyRenderer(g.renderer);
    if (g.window) SDL_DestroyWindow(g.window);
    if (g.cursor) {
        SDL_SetCursor(SDL_GetDefaultCursor());
        SDL_FreeCursor(g.cursor);
    }
    g.texture = nullptr;
    g.renderer = nullptr;
    g.window = nullptr;
    g.cursor = nullptr;
}

} // namespace

LoadWindowLayout LoadWindow_Layout(const LoadWindowLook& look, int percent) {
    LoadWindowLayout l;
    bool image = HasPixels(look.image);
    l.width = image ? look.image->Width() : kDefaultWidth;
    l.height = image ? look.image->Height() : kDefaultHeight;
    l.barX = kBarLeft;
    l.barY = l.height - kBarAboveBottom;
    l.backWidth = std::max(0, l.width - 2 * kBarLeft);
    l.backHeight = HasPixels(look.barBack) ? look.barBack->Height() : kDefaultBarHeight;
    l.frontHeight = HasPixels(look.barFront) ? look.barFront->Height() : l.backHeight;
    long front = std::lrint(double(percent) * l.backWidth / 100.0); // ties to even
    l.frontWidth = int(std::clamp(front, 0L, long(l.backWidth)));
    return l;
}

void LoadWindow_Show(LoadWindowLook look) {
    if (g.active) LoadWindow_Hide();
    g.look = std::move(look);
    g.look.showLabel = g.look.showLabel && g.look.showProgress;
    g.percent = 0;
    g.text = "Loading";
    g.active = true;
    if (Platform_LibraryLoaded(ESystemLibrary::Sdl) && SDL_WasInit(SDL_INIT_VIDEO)) CreateWindow();
    Present();
}

void LoadWindow_Progress(int percent, const std::string& text) {
    if (!g.active) return;
    g.percent = percent;
    g.text = text;
    Present();
}

void LoadWindow_Hide() {
    DestroyWindow();
    g = State{};
}

bool LoadWindow_Active() {
    return g.active;
}

std::unique_ptr<TBitmap32> LoadWindow_Frame() {
    if (!g.active) return nullptr;
    return std::make_unique<TBitmap32>(Compose(g.look, g.percent, g.text));
}
