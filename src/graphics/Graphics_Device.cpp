// The render device: backend choice, the render-state table, views and the frame cycle.
#include "graphics/Graphics_Device.h"

#include "graphics/BM32_Bitmap.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Dialog.h"
#include "platform/Platform_Window.h"
#include "runner/Runner_Form.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace {

std::unique_ptr<IRenderBackend> g_backend;
RRenderState g_state;
bool g_repeat = false;
bool g_addressWrap = false;
bool g_sync = false;
int g_width = 640, g_height = 480;
int g_vpX = 0, g_vpY = 0, g_vpW = 640, g_vpH = 480;
float g_matrix[6] = {1, 0, 0, 0, 1, 0};
double g_visible[4] = {0, 0, 640, 480};
std::string g_captureDir;
int g_captureCount = 0;
bool g_resetRequested = false;
int g_multisample = 0;
int g_resetCount = 0;

const char* const kMsgDepth =
    "This program requires 16-bit (High Color) or 32-bit (Full Color) mode. Please change "
    "this in your display properties and run again.";
const char* const kMsgMode = "Failed to retrieve display mode.";
const char* const kMsgCreate =
    "D3D.CreateDevice() Error: Please check that your graphics card meets the minimum requirements and that "
    "your "
    "drivers are up-to-date. If your graphics card has little memory, try switching your computer to a lower "
    "resolution. (Error: ";

void ApplyStates() {
    if (g_backend) g_backend->SetState(g_state);
    GameWindow_SetSwapInterval(g_sync);
}

// Tells the backend where the window region lies in the window now.
void PlaceRegion() {
    int cw = 0, ch = 0;
    GameWindow_DrawableSize(cw, ch);
    const RRegionPlace p = Window_RegionPlace(cw, ch);
    const uint32_t c = uint32_t(Window_GetColor());
    g_backend->SetPresentPlace(p.x, p.y, p.w, p.h,
                               0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

void Capture() {
    if (g_captureDir.empty() || !g_backend) return;
    TBitmap32 frame;
    if (!GR_Device_GrabScreen(0, 0, g_width, g_height, frame)) return;
    uint32_t* p = frame.Pixels();
    for (size_t i = 0, n = size_t(frame.Width()) * size_t(frame.Height()); i < n; i++) p[i] |= 0xFF000000u;
    char name[32];
    std::snprintf(name, sizeof name, "/%06d.png", ++g_captureCount);
    if (!frame.SaveToImageFile(g_captureDir + name)) Trace("Capture: cannot write " + g_captureDir + name);
}

} // namespace

bool GR_Device_Init(int w, int h, int flags) {
    GR_Device_Done();
    g_sync = (flags & 1) != 0;
    const char* choice = std::getenv("QUARVEL_RENDER");
    std::string name = choice && *choice ? choice : "gl";
    if (name != "gl" && name != "null") {
        Trace("Render device: unknown QUARVEL_RENDER=" + name + ", using gl");
        name = "gl";
    }
    if (name == "gl") {
        int dw = 0, dh = 0, bpp = 0;
        if (!Platform_DesktopMode(dw, dh, bpp)) {
            Platform_ShowMessage(kMsgMode);
            return false;
        }
        if (bpp != 16 && bpp != 32) {
            Platform_ShowMessage(kMsgDepth);
            return false;
        }
        int mw = 0, mh = 0;
        GameWindow_MaxClientSize(mw, mh);
        w = std::clamp(w, 1, mw);
        h = std::clamp(h, 1, mh);
        g_backend = Backend_CreateLazy(Backend_CreateGL(), [](const std::string& error) {
            Trace("Render device: " + error);
            Platform_ShowMessage(std::string(kMsgCreate) + "-1)");
        });
    } else {
        g_backend = Backend_CreateNull();
    }
    std::string error;
    Trace(std::string("Render device: ") + g_backend->Name());
    if (!g_backend->Start(w, h, error)) {
        Trace("Render device: " + error);
        g_backend.reset();
        Platform_ShowMessage(std::string(kMsgCreate) + "-1)");
        return false;
    }
    g_width = w;
    g_height = h;
    GR_Texture_Init();
    GR_Device_SetViewport(0, 0, w, h);
    GR_Device_SetView(0, 0, w, h, 0);
    ApplyStates();
    g_backend->Clear(0xFF000000u);
    const char* capture = std::getenv("QUARVEL_CAPTURE");
    g_captureDir = capture ? capture : "";
    g_captureCount = 0;
    g_resetRequested = false;
    g_resetCount = 0;
    Trace("Render device: ready");
    return true;
}

bool GR_Device_Make() {
    if (!g_backend) return false;
    std::string error;
    if (g_backend->Make(error)) return true;
    GR_Texture_Done();
    g_backend.reset();
    return false;
}

bool GR_Device_Reset() {
    if (!g_backend) return false;
    std::string error;
    if (!g_backend->Reset(error)) {
        Trace("Render device: reset failed: " + error);
        GR_Texture_Done();
        g_backend.reset();
        Platform_ShowMessage(std::string(kMsgCreate) + "-1)");
        return false;
    }
    g_resetCount++;
    Trace("Render device: reset");
    g_backend->SetRenderSize(g_width, g_height);
    g_backend->SetViewport(0, 0, g_width, g_height);
    g_backend->Clear(0xFF000000u);
    g_backend->SetViewport(g_vpX, g_vpY, g_vpW, g_vpH);
    g_backend->SetTransform(g_matrix);
    ApplyStates();
    return true;
}

void GR_Device_RequestReset() {
    g_resetRequested = true;
}

bool GR_Device_TakeResetRequest() {
    const bool r = g_resetRequested;
    g_resetRequested = false;
    return r;
}

void GR_Device_SetMultisample(int samples) {
    g_multisample = samples;
}

int GR_Device_GetMultisample() {
    return g_multisample;
}

int GR_Device_ResetCount() {
    return g_resetCount;
}

void GR_Device_Done() {
    if (!g_backend) return;
    GR_Texture_Done();
    g_backend->Stop();
    g_backend.reset();
}

bool GR_Device_Exists() {
    return g_backend != nullptr;
}

std::string GR_Device_Name() {
    return g_backend ? g_backend->Name() : "";
}

IRenderBackend* GR_Device_Backend() {
    return g_backend.get();
}

bool GR_Device_Start_Frame() {
    return g_backend != nullptr;
}

void GR_Device_End_Frame() {
    if (!g_backend) return;
    g_backend->Flush();
    Capture();
    PlaceRegion();
    g_backend->Present(g_width, g_height);
}

void GR_Device_Repaint() {
    if (!g_backend || !GameWindow_IsOpen()) return;
    PlaceRegion();
    g_backend->Present(g_width, g_height);
}

void GR_Device_Refresh() {
    GR_Device_End_Frame();
}

void GR_Device_SetSize(int w, int h) {
    int mw = 8192, mh = 8192;
    if (GR_Device_Name() == "gl") GameWindow_MaxClientSize(mw, mh);
    w = std::clamp(w, 1, mw);
    h = std::clamp(h, 1, mh);
    if (w == g_width && h == g_height) return;
    g_width = w;
    g_height = h;
    if (g_backend) g_backend->SetRenderSize(w, h);
    GR_Device_SetViewport(0, 0, w, h);
    GR_Device_SetView(0, 0, w, h, 0);
}

void GR_Device_GetSize(int& w, int& h) {
    w = g_width;
    h = g_height;
}

void GR_Device_SetViewport(int x, int y, int w, int h) {
    g_vpX = x;
    g_vpY = y;
    g_vpW = std::max(0, w);
    g_vpH = std::max(0, h);
    if (g_backend) g_backend->SetViewport(g_vpX, g_vpY, g_vpW, g_vpH);
}

void GR_Device_SetView(double x, double y, double w, double h, double angle) {
    if (!(std::fabs(w) > 0)) w = 1;
    if (!(std::fabs(h) > 0)) h = 1;
    const double a = -angle * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    const double cx = x + w / 2, cy = y + h / 2;
    const double pw = std::max(1, g_vpW), ph = std::max(1, g_vpH);
    // Rotation about the view's centre, scale to -1..1, then half a port pixel so that whole
    // world coordinates fall on pixel centres.
    g_matrix[0] = float(2 * c / w);
    g_matrix[1] = float(-2 * s / w);
    g_matrix[2] = float((-cx * c + cy * s) * 2 / w + 1 / pw);
    g_matrix[3] = float(2 * s / h);
    g_matrix[4] = float(2 * c / h);
    g_matrix[5] = float((-cx * s - cy * c) * 2 / h + 1 / ph);
    if (g_backend) g_backend->SetTransform(g_matrix);
    // Half extents of the rotated rectangle, one pixel of margin.
    const double ex = (std::fabs(w * c) + std::fabs(h * s)) / 2 + 1,
                 ey = (std::fabs(w * s) + std::fabs(h * c)) / 2 + 1;
    g_visible[0] = cx - ex;
    g_visible[1] = cy - ey;
    g_visible[2] = cx + ex;
    g_visible[3] = cy + ey;
}

void GR_Device_VisibleArea(double& left, double& top, double& right, double& bottom) {
    left = g_visible[0];
    top = g_visible[1];
    right = g_visible[2];
    bottom = g_visible[3];
}

void GR_Device_WorldToScreen(double x, double y, double& sx, double& sy) {
    const double nx = g_matrix[0] * x + g_matrix[1] * y + g_matrix[2];
    const double ny = g_matrix[3] * x + g_matrix[4] * y + g_matrix[5];
    sx = g_vpX + (nx + 1) / 2 * g_vpW - 0.5;
    sy = g_vpY + (ny + 1) / 2 * g_vpH - 0.5;
}

void GR_Device_SetBlend(int src, int dest) {
    // Factors outside the device's numbers 1..11 leave the blending as it is.
    if (src < 1 || src > 11 || dest < 1 || dest > 11) return;
    g_state.blendSrc = src;
    g_state.blendDest = dest;
    if (g_backend) g_backend->SetState(g_state);
}

void GR_Device_SetBlendMode(int mode) {
    switch (mode) {
    case 1:
        GR_Device_SetBlend(5, 2);
        break;
    case 2:
        GR_Device_SetBlend(5, 4);
        break;
    case 3:
        GR_Device_SetBlend(1, 4);
        break;
    default:
        GR_Device_SetBlend(5, 6);
        break;
    }
}

void GR_Device_SetInterpolation(bool b) {
    if (!g_backend) return;
    g_state.interpolate = b;
    g_backend->SetState(g_state);
}

bool GR_Device_GetInterpolation() {
    return g_state.interpolate;
}

void GR_Device_SetTextureBlending(bool b) {
    if (!g_backend) return;
    g_state.textureBlending = b;
    g_backend->SetState(g_state);
}

void GR_Device_SetRepeat(bool b) {
    if (!g_backend) return;
    g_repeat = b;
    g_addressWrap = b;
}

bool GR_Device_GetRepeat() {
    return g_repeat;
}

void GR_Device_SetSynchronization(bool b) {
    if (b == g_sync) return;
    g_sync = b;
    GameWindow_SetSwapInterval(b);
}

bool GR_Device_GetSynchronization() {
    return g_sync;
}

void GR_Device_SetAddressWrap(bool wrap) {
    g_addressWrap = wrap;
}

bool GR_Device_GetAddressWrap() {
    return g_addressWrap;
}

bool GR_Device_SetTarget(int tex) {
    if (!g_backend) return false;
    if (tex >= 0 && !GR_Texture_Exists(tex)) return false;
    return g_backend->SetTarget(tex);
}

void GR_Device_Clear(uint32_t argb) {
    if (g_backend) g_backend->Clear(argb);
}

void GR_Device_Draw(EPrimitive kind, int texture, const RVertex* v, int n) {
    if (!g_backend || n <= 0) return;
    if (texture >= 0 && !GR_Texture_Exists(texture)) texture = -1;
    g_backend->Draw(kind, texture, g_addressWrap, v, n);
}

bool GR_Device_GrabScreen(int x, int y, int w, int h, TBitmap32& out) {
    if (!g_backend) return false;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (w > g_width - x) w = g_width - x;
    if (h > g_height - y) h = g_height - y;
    if (w <= 0 || h <= 0) return false;
    TBitmap32 bm(w, h);
    if (!g_backend->ReadPixels(x, y, w, h, bm.Pixels())) return false;
    out = std::move(bm);
    return true;
}

int32_t GR_Device_GetPixel(int x, int y) {
    TBitmap32 bm;
    if (!GR_Device_GrabScreen(x, y, 1, 1, bm)) return 0;
    const uint32_t p = bm.Pixel(0, 0);
    return int32_t(((p >> 16) & 255) | (p & 0xFF00) | ((p & 255) << 16));
}
