// Texture table and textured quads.
#include "graphics/Graphics_Texture.h"

#include "graphics/BM32_Bitmap.h"
#include "graphics/Graphics_Device.h"
#include "resources/Resource_Texture.h"
#include "runner/Runner_Form.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace {

struct RTexture {
    int w = 0, h = 0, wt = 0, ht = 0;
    bool used = false;
};

std::vector<RTexture> g_textures;

int CreateFromImage(const TBitmap32& image) {
    return GR_Texture_Create_And_Fill(image.Width(), image.Height(), image.Pixels());
}

void ReleaseHandle(int handle) {
    GR_Texture_Free(handle);
}

const TTextureDevice kTextureDevice = {CreateFromImage, ReleaseHandle};

int FreeSlot() {
    for (size_t i = 0; i < g_textures.size(); i++)
        if (!g_textures[i].used) return int(i);
    g_textures.emplace_back();
    return int(g_textures.size() - 1);
}

int Create(int w, int h, const uint32_t* pixels) {
    IRenderBackend* b = GR_Device_Backend();
    if (!b || w <= 0 || h <= 0) return -1;
    const int slot = FreeSlot();
    if (!b->CreateTexture(slot, w, h, pixels)) {
        Trace("GR_Texture_Create :: the device refused a texture of " + std::to_string(w) + " x " +
              std::to_string(h));
        return -1;
    }
    // The device takes any size, so the texture is exactly the image.
    g_textures[size_t(slot)] = RTexture{w, h, w, h, true};
    return slot;
}

inline float F(double v) {
    return float(v);
}

// Corner offsets already include the -0.5 that puts texel centres on pixel centres.
void Quad(int tex, double x, double y, const double ox[4], const double oy[4], double angleDeg,
          const uint32_t col[4], double u0, double v0, double u1, double v1) {
    RVertex q[4];
    const double th = angleDeg * std::numbers::pi / 180.0;
    const bool rotate = std::fabs(th) >= 0.001;
    const double c = rotate ? std::cos(th) : 1, s = rotate ? std::sin(th) : 0;
    const double us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int i = 0; i < 4; i++) {
        double px, py;
        if (rotate) {
            px = x + ox[i] * c + oy[i] * s;
            py = y - ox[i] * s + oy[i] * c;
        } else {
            px = x + ox[i];
            py = y + oy[i];
        }
        q[i] = RVertex{F(px), F(py), 0.0f, col[i], F(us[i]), F(vs[i])};
    }
    const RVertex tri[6] = {q[0], q[1], q[2], q[0], q[2], q[3]};
    GR_Device_SetAddressWrap(false);
    GR_Device_Draw(EPrimitive::Triangles, tex, tri, 6);
}

void Box(double l, double t, double r, double b, double ox[4], double oy[4]) {
    ox[0] = l, oy[0] = t;
    ox[1] = r, oy[1] = t;
    ox[2] = r, oy[2] = b;
    ox[3] = l, oy[3] = b;
}

} // namespace

uint32_t GR_Colour(int32_t col, double alpha) {
    double a = alpha * 255.0;
    uint32_t ab = 0;
    if (a >= 0) ab = a >= 255 ? 255u : uint32_t(std::nearbyint(a));
    const uint32_t c = uint32_t(col);
    return (ab << 24) | ((c & 255) << 16) | (c & 0xFF00) | ((c >> 16) & 255);
}

void GR_Texture_Init() {
    g_textures.clear();
    Resource_SetTextureDevice(&kTextureDevice);
}

void GR_Texture_Done() {
    Resource_SetTextureDevice(nullptr);
    for (size_t i = 0; i < g_textures.size(); i++)
        if (g_textures[i].used) GR_Texture_Free(int(i));
    g_textures.clear();
}

int GR_Texture_Create_And_Fill(int w, int h, const uint32_t* pixels) {
    return Create(w, h, pixels);
}

int GR_Texture_Create_Alpha(int w, int h, const uint8_t* alphas) {
    if (w <= 0 || h <= 0) return -1;
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (size_t i = 0; i < px.size(); i++) px[i] = (uint32_t(alphas[i]) << 24) | 0x00FFFFFFu;
    return Create(w, h, px.data());
}

int GR_Texture_Create_Empty(int w, int h, bool /*rendertarget*/) {
    return Create(w, h, nullptr);
}

void GR_Texture_Free(int id) {
    if (!GR_Texture_Exists(id)) return;
    if (IRenderBackend* b = GR_Device_Backend()) b->FreeTexture(id);
    g_textures[size_t(id)].used = false;
}

bool GR_Texture_Exists(int id) {
    return id >= 0 && size_t(id) < g_textures.size() && g_textures[size_t(id)].used;
}

double GR_Texture_GetWidth(int id) {
    return GR_Texture_Exists(id) ? double(g_textures[size_t(id)].w) / g_textures[size_t(id)].wt : 1.0;
}

double GR_Texture_GetHeight(int id) {
    return GR_Texture_Exists(id) ? double(g_textures[size_t(id)].h) / g_textures[size_t(id)].ht : 1.0;
}

int GR_Texture_ImageWidth(int id) {
    return GR_Texture_Exists(id) ? g_textures[size_t(id)].w : 0;
}

int GR_Texture_ImageHeight(int id) {
    return GR_Texture_Exists(id) ? g_textures[size_t(id)].h : 0;
}

int GR_Texture_Count() {
    int n = 0;
    for (const RTexture& t : g_textures) n += t.used;
    return n;
}

void GR_Texture_Draw(int tex, double x, double y) {
    if (!GR_Texture_Exists(tex)) return;
    const RTexture& t = g_textures[size_t(tex)];
    double ox[4], oy[4];
    Box(-0.5, -0.5, t.w - 0.5, t.h - 0.5, ox, oy);
    const uint32_t c[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    Quad(tex, x, y, ox, oy, 0, c, 0, 0, double(t.w) / t.wt, double(t.h) / t.ht);
}

void GR_Texture_DrawExt(int tex, double x, double y, double xorig, double yorig, double xscale, double yscale,
                        double angle, int32_t col, double alpha) {
    if (!GR_Texture_Exists(tex)) return;
    const RTexture& t = g_textures[size_t(tex)];
    double ox[4], oy[4];
    Box(-xorig * xscale - 0.5, -yorig * yscale - 0.5, (t.w - xorig) * xscale - 0.5,
        (t.h - yorig) * yscale - 0.5, ox, oy);
    const uint32_t v = GR_Colour(col, alpha);
    const uint32_t c[4] = {v, v, v, v};
    Quad(tex, x, y, ox, oy, angle, c, 0, 0, double(t.w) / t.wt, double(t.h) / t.ht);
}

void GR_Texture_DrawGeneralArgb(int tex, double xo, double yo, double w, double h, double x, double y,
                                double xscale, double yscale, double angle, uint32_t c1, uint32_t c2,
                                uint32_t c3, uint32_t c4) {
    if (!GR_Texture_Exists(tex)) return;
    const RTexture& t = g_textures[size_t(tex)];
    double ox[4], oy[4];
    Box(-0.5, -0.5, w * xscale - 0.5, h * yscale - 0.5, ox, oy);
    const uint32_t c[4] = {c1, c2, c3, c4};
    Quad(tex, x, y, ox, oy, angle, c, xo / t.wt, yo / t.ht, (xo + w) / t.wt, (yo + h) / t.ht);
}

void GR_Texture_DrawPart(int tex, double xo, double yo, double w, double h, double x, double y, double xscale,
                         double yscale, int32_t col, double alpha) {
    const uint32_t v = GR_Colour(col, alpha);
    GR_Texture_DrawGeneralArgb(tex, xo, yo, w, h, x, y, xscale, yscale, 0, v, v, v, v);
}

void GR_Texture_DrawGeneral(int tex, double xo, double yo, double w, double h, double x, double y,
                            double xscale, double yscale, double angle, int32_t c1, int32_t c2, int32_t c3,
                            int32_t c4, double alpha) {
    GR_Texture_DrawGeneralArgb(tex, xo, yo, w, h, x, y, xscale, yscale, angle, GR_Colour(c1, alpha),
                               GR_Colour(c2, alpha), GR_Colour(c3, alpha), GR_Colour(c4, alpha));
}

void GR_Texture_DrawPos(int tex, double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                        double y4, double alpha) {
    if (!GR_Texture_Exists(tex)) return;
    const RTexture& t = g_textures[size_t(tex)];
    const double ox[4] = {x1 - 0.5, x2 - 0.5, x3 - 0.5, x4 - 0.5},
                 oy[4] = {y1 - 0.5, y2 - 0.5, y3 - 0.5, y4 - 0.5};
    const uint32_t v = GR_Colour(0xFFFFFF, alpha);
    const uint32_t c[4] = {v, v, v, v};
    Quad(tex, 0, 0, ox, oy, 0, c, 0, 0, double(t.w) / t.wt, double(t.h) / t.ht);
}

namespace {

// First copy position of a tiled direction: the position reduced modulo the step, moved to the
// last copy that still reaches the region's start (stepping backwards as well as forwards).
double TileStart(double pos, int step, double regionStart) {
    double c = std::fmod(std::nearbyint(pos), double(step));
    if (c >= 1) c -= step;
    if (c + step <= regionStart) c += std::floor((regionStart - c) / step) * step;
    if (c > regionStart) c -= std::ceil((c - regionStart) / step) * step;
    return c;
}

} // namespace

void GR_Texture_DrawTiled(int tex, double x, double y, double xorig, double yorig, double xscale,
                          double yscale, bool htiled, bool vtiled, double xr, double yr, double wr, double hr,
                          int32_t col, double alpha) {
    if (!GR_Texture_Exists(tex)) return;
    const RTexture& t = g_textures[size_t(tex)];
    const double bxr = std::nearbyint(t.w * xscale), byr = std::nearbyint(t.h * yscale);
    if (!(bxr >= 1) || !(byr >= 1) || !std::isfinite(x) || !std::isfinite(y)) return;
    // Steps beyond any render area draw one copy per direction.
    const int bx = bxr > 1e9 ? 1000000000 : int(bxr), by = byr > 1e9 ? 1000000000 : int(byr);
    const double left = -xscale * xorig - 0.5, right = left + t.w * xscale;
    const double top = -yscale * yorig - 0.5, bottom = top + t.h * yscale;
    const double minX = std::min(left, right), maxX = std::max(left, right);
    const double minY = std::min(top, bottom), maxY = std::max(top, bottom);
    // Copies outside what the current view shows are left out: the picture is the same.
    double vl, vt, vr, vb;
    GR_Device_VisibleArea(vl, vt, vr, vb);
    double xEnd = xr + wr, yEnd = yr + hr;
    double cx0 = std::nearbyint(x), cy0 = std::nearbyint(y);
    if (htiled) {
        cx0 = TileStart(x, bx, xr);
        if (cx0 + maxX < vl) cx0 += std::floor((vl - maxX - cx0) / bx) * bx;
        xEnd = std::min(xEnd, vr - minX + 1);
    }
    if (vtiled) {
        cy0 = TileStart(y, by, yr);
        if (cy0 + maxY < vt) cy0 += std::floor((vt - maxY - cy0) / by) * by;
        yEnd = std::min(yEnd, vb - minY + 1);
    }
    const uint32_t v = GR_Colour(col, alpha);
    const uint32_t c[4] = {v, v, v, v};
    const double u1 = double(t.w) / t.wt, v1 = double(t.h) / t.ht;
    // A view that shows millions of world pixels per screen pixel would ask for endless copies of
    // a small image: the count is bounded so that a frame always ends.
    long copies = 0;
    const long kMaxCopies = 1L << 22;
    for (double cx = cx0; cx < xEnd && copies < kMaxCopies; cx += bx) {
        for (double cy = cy0; cy < yEnd && copies < kMaxCopies; cy += by, copies++) {
            double ox[4], oy[4];
            Box(cx + left, cy + top, cx + right, cy + bottom, ox, oy);
            Quad(tex, 0, 0, ox, oy, 0, c, 0, 0, u1, v1);
            if (!vtiled) break;
        }
        if (!htiled) break;
    }
}
