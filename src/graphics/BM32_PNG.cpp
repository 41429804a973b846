// PNG writer over zlib: signature, IHDR, one IDAT of filter-0 scanlines, IEND.
#include "graphics/BM32_PNG.h"

#include "graphics/BM32_Bitmap.h"
#include "support/Support_Stream.h"

#include <zlib.h>

namespace {

void PutBE(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 3; i >= 0; i--) v.push_back(uint8_t(x >> (8 * i)));
}

// Length, type, data and the CRC-32 of type and data.
void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBE(out, uint32_t(data.size()));
    size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + at, uInt(out.size() - at));
    PutBE(out, uint32_t(crc));
}

} // namespace

std::vector<uint8_t> BM32_EncodePNG(const TBitmap32& bm) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> out(kSignature, kSignature + 8);
    std::vector<uint8_t> ihdr;
    PutBE(ihdr, uint32_t(bm.Width()));
    PutBE(ihdr, uint32_t(bm.Height()));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0}); // depth 8, RGBA, deflate, filter 0, no interlace
    Chunk(out, "IHDR", ihdr);
    std::vector<uint8_t> raw;
    if (!bm.Empty()) {
        raw.reserve(size_t(bm.Height()) * (size_t(bm.Width()) * 4 + 1));
        for (int y = 0; y < bm.Height(); y++) {
            raw.push_back(0);
            for (int x = 0; x < bm.Width(); x++) {
                uint32_t p = bm.Pixel(x, y);
                raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
            }
        }
    }
    Chunk(out, "IDAT", ZDeflate(raw.data(), raw.size()));
    Chunk(out, "IEND", {});
    return out;
}

bool BM32_SavePNG(const TBitmap32& bm, const std::string& fname) {
    CStream s(BM32_EncodePNG(bm));
    return s.SaveToFile(fname);
}
