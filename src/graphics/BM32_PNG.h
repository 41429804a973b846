// PNG output: the three-chunk RGBA file (IHDR, one IDAT, IEND) that image saving writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TBitmap32;

// The complete PNG file image of bm: 8-bit RGBA, no interlace, filter 0 on every row.
std::vector<uint8_t> BM32_EncodePNG(const TBitmap32& bm);
// Writes BM32_EncodePNG(bm) to fname. False when the file cannot be written.
bool BM32_SavePNG(const TBitmap32& bm, const std::string& fname);
