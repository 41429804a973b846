// TBitmap32: pixel storage and edits, the bitmap record, and the codecs. Decoding goes through
// stb_image (PNG, BMP, JPEG, GIF); BMP encoding writes an uncompressed 32-bit bottom-up BMP with a
// V3 info header; PNG encoding lives in BM32_PNG.
#include "graphics/BM32_Bitmap.h"

#include "graphics/BM32_Misc.h"
#include "graphics/BM32_PNG.h"
#include "support/Support_Stream.h"

// stb_image's implementation lives here, its own warnings silenced.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; i++) v.push_back(uint8_t(x >> (8 * i)));
}
// stb_image's RGBA bytes as 0xAARRGGBB.
inline uint32_t FromRGBA(const stbi_uc* p) {
    return (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

constexpr int kBitmapVersion = 800;
} // namespace

bool BM32_ReadFileBytes(const std::string& fname, std::vector<uint8_t>& bytes) {
    CStream s;
    if (!s.LoadFromFile(fname)) return false;
    bytes = std::move(s.Bytes());
    return true;
}

void TBitmap32::Clear() {
    m_width = m_height = 0;
    m_pixels.clear();
    m_pixels.shrink_to_fit();
}

void TBitmap32::Resize(int neww, int newh) {
    if (neww <= 0 || newh <= 0 || (neww == m_width && newh == m_height)) return;
    m_width = neww;
    m_height = newh;
    m_pixels.assign(size_t(neww) * newh, 0);
}

void TBitmap32::Resize(int neww, int newh, uint32_t col) {
    if (neww <= 0 || newh <= 0) return;
    Resize(neww, newh);
    Fill(col);
}

void TBitmap32::Stretch(int neww, int newh, int quality) {
    if (neww <= 0 || newh <= 0 || (neww == m_width && newh == m_height) || Empty()) return;
    int q = std::max(quality, 1);
    TBitmap32 src = std::move(*this);
    const int W = src.m_width, H = src.m_height;
    *this = TBitmap32(neww, newh);
    const double rx = double(neww) / W, ry = double(newh) / H, qq = double(q) * q;
    for (int i = 0; i < newh; i++)
        for (int j = 0; j < neww; j++) {
            double sa = 0, sr = 0, sg = 0, sb = 0;
            for (int a = 0; a < q; a++)
                for (int b = 0; b < q; b++) {
                    int sx = std::clamp(int(std::floor((j + double(a) / q) / rx)), 0, W - 1);
                    int sy = std::clamp(int(std::floor((i + double(b) / q) / ry)), 0, H - 1);
                    uint32_t p = src.Pixel(sx, sy);
                    uint32_t al = p >> 24;
                    sa += al;
                    if (al != 0) {
                        sr += (p >> 16) & 0xFF;
                        sg += (p >> 8) & 0xFF;
                        sb += p & 0xFF;
                    }
                }
            auto ch = [&](double v) { return uint32_t(std::nearbyint(v / qq)) & 0xFF; };
            SetPixel(j, i, (ch(sa) << 24) | (ch(sr) << 16) | (ch(sg) << 8) | ch(sb));
        }
}

uint32_t TBitmap32::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || Empty()) return 0;
    return Pixel(x, y);
}

void TBitmap32::Fill(uint32_t col) {
    std::fill(m_pixels.begin(), m_pixels.end(), col);
}

void TBitmap32::DrawPart(int x, int y, const TBitmap32* bm, int xo, int yo, int wo, int ho) {
    if (!bm || bm->Empty() || Empty()) return;
    // Clip the source block to its image, then the destination to this one.
    if (xo < 0) {
        wo += xo;
        x -= xo;
        xo = 0;
    }
    if (yo < 0) {
        ho += yo;
        y -= yo;
        yo = 0;
    }
    wo = std::min(wo, bm->m_width - xo);
    ho = std::min(ho, bm->m_height - yo);
    if (x < 0) {
        wo += x;
        xo -= x;
        x = 0;
    }
    if (y < 0) {
        ho += y;
        yo -= y;
        y = 0;
    }
    wo = std::min(wo, m_width - x);
    ho = std::min(ho, m_height - y);
    for (int r = 0; r < ho; r++)
        std::memcpy(&m_pixels[size_t(y + r) * m_width + x], &bm->m_pixels[size_t(yo + r) * bm->m_width + xo],
                    size_t(std::max(wo, 0)) * 4);
}

void TBitmap32::Draw(int x, int y, const TBitmap32* bm) {
    if (bm) DrawPart(x, y, bm, 0, 0, bm->m_width, bm->m_height);
}

TRect TBitmap32::BoundingBox(int tolerance) const {
    TRect r{m_width - 1, m_height - 1, 0, 0};
    bool any = false;
    for (int y = 0; y < m_height && !Empty(); y++)
        for (int x = 0; x < m_width; x++)
            if (int(Pixel(x, y) >> 24) > tolerance) {
                if (!any) r = TRect{x, y, x, y};
                any = true;
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x);
                r.Bottom = std::max(r.Bottom, y);
            }
    return r;
}

bool TBitmap32::LoadFromStream(CStream& str) {
    Clear();
    if (str.ReadInteger() != kBitmapVersion) return false;
    int32_t w = str.ReadInteger(), h = str.ReadInteger();
    if (w < 0 || h < 0) return false;
    uint64_t bytes = uint64_t(w) * uint64_t(h) * 4;
    if (bytes > 0) {
        // The length word and the block must both fit in what remains.
        if (bytes + 4 > str.Remaining()) return false;
        if (uint64_t(uint32_t(str.ReadInteger())) != bytes) return false;
        m_pixels.resize(size_t(w) * size_t(h));
        str.ReadExact(m_pixels.data(), size_t(bytes));
    }
    m_width = w;
    m_height = h;
    return true;
}

void TBitmap32::SaveToStream(CStream& str) const {
    str.WriteInteger(kBitmapVersion);
    str.WriteInteger(m_width);
    str.WriteInteger(m_height);
    if (uint64_t(m_width) * uint64_t(m_height) > 0 && !Empty()) {
        str.WriteInteger(int32_t(m_pixels.size() * 4));
        str.Write(m_pixels.data(), m_pixels.size() * 4);
    }
}

std::unique_ptr<TBitmap32> TBitmap32::FromImageData(const uint8_t* data, size_t size, bool exact) {
    if (size == 0 || size > 0x7FFFFFFF) return nullptr;
    int w = 0, h = 0, comp = 0;
    stbi_uc* px = stbi_load_from_memory(data, int(size), &w, &h, &comp, 4);
    if (!px) return nullptr;
    auto bmp = std::make_unique<TBitmap32>(w, h);
    for (size_t i = 0; i < size_t(w) * h; i++) bmp->m_pixels[i] = FromRGBA(px + i * 4);
    stbi_image_free(px);
    if (!exact) BM32_OpaqueIfNoAlpha(*bmp);
    return bmp;
}

bool TBitmap32::LoadFromImageFile(const std::string& fname) {
    std::vector<uint8_t> bytes;
    if (!BM32_ReadFileBytes(fname, bytes)) return false;
    std::unique_ptr<TBitmap32> b = FromImageData(bytes.data(), bytes.size());
    if (!b) return false;
    *this = std::move(*b);
    return true;
}

bool TBitmap32::SaveToImageFile(const std::string& fname) const {
    return BM32_SavePNG(*this, fname);
}

bool BM32_DecodeGifFrames(const uint8_t* data, size_t size, std::vector<TBitmap32>& frames) {
    frames.clear();
    if (size < 6 || size > 0x7FFFFFFF || std::memcmp(data, "GIF", 3) != 0) return false;
    int* delays = nullptr;
    int w = 0, h = 0, n = 0, comp = 0;
    stbi_uc* px = stbi_load_gif_from_memory(data, int(size), &delays, &w, &h, &n, &comp, 4);
    if (!px) return false;
    // Pixels a frame leaves transparent show the work canvas colour (game colour 0x008040).
    const uint32_t canvas = 0xFF408000u;
    for (int f = 0; f < n; f++) {
        TBitmap32 b(std::max(w, 1), std::max(h, 1), canvas);
        const stbi_uc* fp = px + size_t(f) * w * h * 4;
        for (size_t i = 0; i < size_t(w) * h; i++) {
            const stbi_uc* p = fp + i * 4;
            if (p[3] != 0) b.Pixels()[i] = FromRGBA(p) | 0xFF000000u;
        }
        frames.push_back(std::move(b));
    }
    stbi_image_free(px);
    stbi_image_free(delays);
    return !frames.empty();
}

std::unique_ptr<TBitmap32> TBitmap32::FromBMP(const uint8_t* data, size_t size) {
    if (size < 26 || data[0] != 'B' || data[1] != 'M' || size > 0x7FFFFFFF) return nullptr;
    int w = 0, h = 0, comp = 0;
    // No BMP encoding (even run-length) packs more than a few hundred pixels into a byte: a header
    // claiming more describes pixels the file does not hold, and is refused before decoding.
    if (!stbi_info_from_memory(data, int(size), &w, &h, &comp) ||
        uint64_t(w) * uint64_t(h) > uint64_t(size) * 1024)
        return nullptr;
    stbi_uc* px = stbi_load_from_memory(data, int(size), &w, &h, &comp, 4);
    if (!px) return nullptr;
    auto bmp = std::make_unique<TBitmap32>(w, h);
    for (size_t i = 0; i < size_t(w) * h; i++) {
        bmp->m_pixels[i] = FromRGBA(px + i * 4);
    }
    stbi_image_free(px);
    return bmp;
}

std::vector<uint8_t> TBitmap32::ToBMP() const {
    const uint32_t headerSize = 14 + 40;
    const uint32_t imageSize = uint32_t(m_width) * uint32_t(m_height) * 4;
    std::vector<uint8_t> v;
    v.reserve(headerSize + imageSize);
    v.push_back('B');
    v.push_back('M');
    Put32(v, headerSize + imageSize);
    Put32(v, 0);
    Put32(v, headerSize);
    Put32(v, 40);
    Put32(v, uint32_t(m_width));
    Put32(v, uint32_t(m_height)); // positive: bottom-up rows
    Put16(v, 1);
    Put16(v, 32);
    Put32(v, 0); // BI_RGB
    Put32(v, imageSize);
    Put32(v, 2835);
    Put32(v, 2835);
    Put32(v, 0);
    Put32(v, 0);
    for (int y = m_height - 1; y >= 0; y--)
        for (int x = 0; x < m_width; x++) Put32(v, Pixel(x, y)); // BGRA in memory order
    return v;
}
