// Pixel edits on TBitmap32, each visiting pixels in row order in place.
#include "graphics/BM32_Misc.h"

#include "graphics/BM32_Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
inline int Ch(uint32_t p, int shift) {
    return int((p >> shift) & 0xFF);
}
} // namespace

uint32_t BM32_ColorToPixel(int32_t col, uint8_t alpha) {
    uint32_t c = uint32_t(col);
    return (uint32_t(alpha) << 24) | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

int32_t BM32_PixelToColor(uint32_t px) {
    return int32_t(((px & 0xFF) << 16) | (px & 0xFF00) | ((px >> 16) & 0xFF));
}

int32_t BM32_MergeColor(int32_t c1, int32_t c2, double t) {
    int32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double v = (1 - t) * Ch(uint32_t(c1), shift) + t * Ch(uint32_t(c2), shift);
        out |= (int32_t(std::nearbyint(v)) & 0xFF) << shift;
    }
    return out;
}

void BM32_OpaqueIfNoAlpha(TBitmap32& bm) {
    size_t n = size_t(bm.Width()) * bm.Height();
    if (bm.Empty()) return;
    for (size_t i = 0; i < n; i++)
        if (bm.Pixels()[i] >> 24) return;
    BM32_MakeOpaque(bm);
}

void BM32_MakeOpaque(TBitmap32& bm) {
    if (bm.Empty()) return;
    size_t n = size_t(bm.Width()) * bm.Height();
    for (size_t i = 0; i < n; i++) bm.Pixels()[i] |= 0xFF000000u;
}

void BM32_ReplaceColor(TBitmap32& bm, uint32_t key, uint32_t replacement, bool setAlpha, bool compareAlpha,
                       int tolerance) {
    if (bm.Empty()) return;
    size_t n = size_t(bm.Width()) * bm.Height();
    for (size_t i = 0; i < n; i++) {
        uint32_t& p = bm.Pixels()[i];
        bool near = std::abs(Ch(p, 16) - Ch(key, 16)) <= tolerance &&
                    std::abs(Ch(p, 8) - Ch(key, 8)) <= tolerance &&
                    std::abs(Ch(p, 0) - Ch(key, 0)) <= tolerance &&
                    (!compareAlpha || std::abs(Ch(p, 24) - Ch(key, 24)) <= tolerance);
        if (!near) continue;
        uint32_t alpha = setAlpha ? (replacement & 0xFF000000u) : (p & 0xFF000000u);
        p = alpha | (replacement & 0x00FFFFFFu);
    }
}

void BM32_RemoveBackground(TBitmap32& bm) {
    if (bm.Empty()) return;
    uint32_t key = bm.Pixel(0, bm.Height() - 1);
    BM32_ReplaceColor(bm, key, key & 0x00FFFFFFu, true, false, 0);
}

void BM32_SmoothEdges(TBitmap32& bm) {
    if (bm.Empty()) return;
    const int w = bm.Width(), h = bm.Height();
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            if (bm.Pixel(x, y) >> 24) continue;
            for (int yy = y - 1; yy <= y + 1; yy++)
                for (int xx = x - 1; xx <= x + 1; xx++) {
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                    uint32_t p = bm.Pixel(xx, yy);
                    uint32_t a = p >> 24;
                    if (a >= 32) bm.SetPixel(xx, yy, ((a - 32) << 24) | (p & 0x00FFFFFFu));
                }
        }
}

void BM32_FillTransparentColors(TBitmap32& bm) {
    if (bm.Empty()) return;
    const int w = bm.Width(), h = bm.Height();
    const int dx[4] = {-1, 1, 0, 0}, dy[4] = {0, 0, -1, 1};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            if (bm.Pixel(x, y) >> 24) continue;
            for (int k = 0; k < 4; k++) {
                int xx = x + dx[k], yy = y + dy[k];
                if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                uint32_t p = bm.Pixel(xx, yy);
                if (p >> 24) {
                    bm.SetPixel(x, y, p & 0x00FFFFFFu);
                    break;
                }
            }
        }
}

void BM32_SetAlphaFromBitmap(TBitmap32& target, const TBitmap32& source) {
    if (target.Empty() || source.Empty()) return;
    int w = std::min(target.Width(), source.Width()), h = std::min(target.Height(), source.Height());
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint32_t s = source.Pixel(x, y);
            uint32_t a = uint32_t((Ch(s, 16) + Ch(s, 8) + Ch(s, 0)) / 3);
            target.SetPixel(x, y, (a << 24) | (target.Pixel(x, y) & 0x00FFFFFFu));
        }
}

namespace {

// A canvas drawn like a GDI device context with a pen and brush of one colour: lines leave out
// their end point, filled shapes cover [left, right) x [top, bottom).
struct Canvas {
    TBitmap32& bm;
    uint32_t px = 0;
    void Plot(int x, int y) {
        if (x >= 0 && y >= 0 && x < bm.Width() && y < bm.Height()) bm.SetPixel(x, y, px);
    }
    void Line(int x1, int y1, int x2, int y2) {
        int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
        int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1, err = dx + dy;
        while (x1 != x2 || y1 != y2) {
            Plot(x1, y1);
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x1 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y1 += sy;
            }
        }
    }
    void Rect(int l, int t, int r, int b) {
        for (int y = std::max(t, 0); y < std::min(b, bm.Height()); y++)
            for (int x = std::max(l, 0); x < std::min(r, bm.Width()); x++) bm.SetPixel(x, y, px);
    }
    void Ellipse(int l, int t, int r, int b) {
        double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
        if (rx <= 0 || ry <= 0) return;
        for (int y = std::max(t, 0); y < std::min(b, bm.Height()); y++)
            for (int x = std::max(l, 0); x < std::min(r, bm.Width()); x++) {
                double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
                if (u * u + v * v <= 1) bm.SetPixel(x, y, px);
            }
    }
};

} // namespace

TBitmap32 BM32_CreateGradient(int w, int h, int32_t col1, int32_t col2, int kind) {
    TBitmap32 bm(std::max(w, 1), std::max(h, 1), BM32_ColorToPixel(col1, 255));
    Canvas c{bm};
    // A step count of 0 mixes nothing: the band takes col1.
    auto use = [&](double num, double den) {
        c.px = BM32_ColorToPixel(BM32_MergeColor(col1, col2, den != 0 ? num / den : 0), 255);
    };
    switch (kind) {
    case 0:
        for (int i = 0; i < w; i++) use(i, w), c.Line(i, 0, i, h);
        break;
    case 1:
        for (int i = 0; i < h; i++) use(i, h), c.Line(0, i, w, i);
        break;
    case 2:
    case 3: {
        int n = std::min(w, h) / 2;
        for (int i = 0; i <= n; i++) {
            use(i, n);
            if (kind == 2)
                c.Rect(i, i, w - i, h - i);
            else
                c.Ellipse(i, i, w - i, h - i);
        }
        break;
    }
    case 4:
        for (int i = 0, n = w / 2; i <= n; i++) use(i, n), c.Line(i, 0, i, h), c.Line(w - i, 0, w - i, h);
        break;
    case 5:
        for (int i = 0, n = h / 2; i <= n; i++) use(i, n), c.Line(0, i, w, i), c.Line(0, h - i, w, h - i);
        break;
    case 6:
        for (int i = 0; i <= h; i++) use(i, h), c.Line(0, i, w, i + h), c.Line(0, -i, w, h - i);
        break;
    case 7:
        for (int i = 0; i <= h; i++) use(i, h), c.Line(0, i + h, w, i), c.Line(0, h - i, w, -i);
        break;
    case 8:
    case 9:
    case 10:
    case 11: {
        int n = std::min(w, h);
        int ox = kind == 9 || kind == 11 ? w : 0, oy = kind >= 10 ? h : 0;
        for (int f = n; f >= 1; f--) {
            c.px = BM32_ColorToPixel(BM32_MergeColor(col2, col1, double(f) / n), 255);
            c.Ellipse(ox - f, oy - f, ox + f, oy + f);
        }
        break;
    }
    default:
        break;
    }
    return bm;
}
