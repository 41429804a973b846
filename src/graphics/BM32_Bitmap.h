// TBitmap32: a 32-bit image, pixels 0xAARRGGBB, rows top to bottom.
// Decodes and encodes the Windows BMP file images that settings and streams carry.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TBitmap32 {
  public:
    TBitmap32() = default;
    TBitmap32(int w, int h, uint32_t fill = 0) : m_width(w), m_height(h), m_pixels(size_t(w) * h, fill) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    uint32_t* Pixels() { return m_pixels.data(); }
    const uint32_t* Pixels() const { return m_pixels.data(); }
    uint32_t Pixel(int x, int y) const { return m_pixels[size_t(y) * m_width + x]; }
    void SetPixel(int x, int y, uint32_t c) { m_pixels[size_t(y) * m_width + x] = c; }

    // Decodes a BMP file image; null when it is not one or cannot be decoded.
    static std::unique_ptr<TBitmap32> FromBMP(const uint8_t* data, size_t size);
    // A complete 32-bit BMP file image of this bitmap (alpha kept).
    std::vector<uint8_t> ToBMP() const;

  private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};
