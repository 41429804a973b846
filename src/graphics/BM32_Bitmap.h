// TBitmap32: a 32-bit image, pixels 0xAARRGGBB (bytes B, G, R, A in memory), rows top to bottom.
// Owns the bitmap record of the game data, the image-file decoders (through stb_image: PNG, BMP,
// JPEG, GIF with every frame), the BMP codec of settings and streams, and the in-place edits
// that the sprite and background loaders use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CStream;

// An inclusive rectangle in pixels.
struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

class TBitmap32 {
  public:
    TBitmap32() = default;
    TBitmap32(int w, int h, uint32_t fill = 0) : m_width(w), m_height(h), m_pixels(size_t(w) * h, fill) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_pixels.empty(); }
    uint32_t* Pixels() { return m_pixels.data(); }
    const uint32_t* Pixels() const { return m_pixels.data(); }
    uint32_t Pixel(int x, int y) const { return m_pixels[size_t(y) * m_width + x]; }
    void SetPixel(int x, int y, uint32_t c) { m_pixels[size_t(y) * m_width + x] = c; }

    // Frees the pixels; size 0 x 0.
    void Clear();
    // Reallocates when both sizes are positive and the size changes (contents then undefined);
    // the second form then fills the whole image with col.
    void Resize(int neww, int newh);
    void Resize(int neww, int newh, uint32_t col);
    // Resamples in place with quality x quality samples per pixel; colour is averaged over the
    // samples that are not fully transparent. Nothing happens unless the size changes.
    void Stretch(int neww, int newh, int quality);
    // The pixel, or 0 (transparent black) outside the image.
    uint32_t GetPixel(int x, int y) const;
    void Fill(uint32_t col);
    // Copies the wo x ho block at (xo, yo) of bm to (x, y), alpha included; both rectangles are
    // clipped to their images. A null bm is ignored.
    void DrawPart(int x, int y, const TBitmap32* bm, int xo, int yo, int wo, int ho);
    void Draw(int x, int y, const TBitmap32* bm);
    // Smallest box holding every pixel with alpha > tolerance; (w-1, h-1, 0, 0) when none does.
    TRect BoundingBox(int tolerance) const;

    // The bitmap record: version 800, width, height, and when width x height > 0 a raw sub-stream
    // of exactly width x height x 4 bytes. False on a wrong version, a negative size, a size the
    // stream cannot hold or a pixel block of another length; raises EStreamReadError on short data.
    bool LoadFromStream(CStream& str);
    void SaveToStream(CStream& str) const;
    // Decodes a PNG, BMP, JPEG or GIF file (the first frame) with the all-zero-alpha rule.
    bool LoadFromImageFile(const std::string& fname);
    // Writes PNG data whatever the extension of fname. False when the file cannot be written.
    bool SaveToImageFile(const std::string& fname) const;

    // Decodes an image held in memory (any format stb_image reads); null when undecodable.
    // Unless exact, images without any non-zero alpha become opaque.
    static std::unique_ptr<TBitmap32> FromImageData(const uint8_t* data, size_t size, bool exact = false);
    // Decodes a BMP file image; null when it is not one or cannot be decoded.
    static std::unique_ptr<TBitmap32> FromBMP(const uint8_t* data, size_t size);
    // A complete 32-bit BMP file image of this bitmap (alpha kept).
    std::vector<uint8_t> ToBMP() const;

  private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// Every frame of a GIF file image, composed as the GIF's disposal rules say, each of the GIF's
// logical screen size; pixels the frames leave transparent get the game colour 0x008040; every
// frame is opaque. False when the data is not a GIF.
bool BM32_DecodeGifFrames(const uint8_t* data, size_t size, std::vector<TBitmap32>& frames);
// Reads a whole file into bytes. False when it cannot be read.
bool BM32_ReadFileBytes(const std::string& fname, std::vector<uint8_t>& bytes);
