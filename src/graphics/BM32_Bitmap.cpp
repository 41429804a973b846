// TBitmap32 BMP codec. Decoding goes through stb_image (any BMP it reads), encoding writes
// an uncompressed 32-bit bottom-up BMP with a V3 info header.
#include "graphics/BM32_Bitmap.h"

// stb_image's implementation lives here, its own warnings silenced.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

#include <cstring>

namespace {
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; i++) v.push_back(uint8_t(x >> (8 * i)));
}
} // namespace

std::unique_ptr<TBitmap32> TBitmap32::FromBMP(const uint8_t* data, size_t size) {
    if (size < 26 || data[0] != 'B' || data[1] != 'M' || size > 0x7FFFFFFF) return nullptr;
    int w = 0, h = 0, comp = 0;
    stbi_uc* px = stbi_load_from_memory(data, int(size), &w, &h, &comp, 4);
    if (!px) return nullptr;
    auto bmp = std::make_unique<TBitmap32>(w, h);
    for (size_t i = 0; i < size_t(w) * h; i++) {
        const stbi_uc* p = px + i * 4;
        bmp->m_pixels[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
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
