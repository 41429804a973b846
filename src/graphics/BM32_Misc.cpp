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
