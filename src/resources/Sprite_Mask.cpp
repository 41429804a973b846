// Collision masks: construction from a frame's alpha, merging of frames, the stored form.
#include "resources/Sprite_Mask.h"

#include "support/Support_Stream.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaskVersion = 800;

TRect BoxFor(const TBitmap32& bm, int bbmode, TRect bbox, int tolerance) {
    const int w = bm.Width(), h = bm.Height();
    switch (bbmode) {
    case 1:
        return TRect{0, 0, w - 1, h - 1};
    case 2:
        return TRect{std::max(bbox.Left, 0), std::max(bbox.Top, 0), std::min(bbox.Right, w - 1),
                     std::min(bbox.Bottom, h - 1)};
    default:
        return bm.BoundingBox(tolerance);
    }
}
} // namespace

// Sets the cells of the box (clipped to the mask) to the shape of kind fitted to the box.
void TMask::Shape(TRect box, int kind, bool clear) {
    const double cx = (box.Left + box.Right) / 2.0, rx = cx - box.Left + 0.5;
    const double cy = (box.Top + box.Bottom) / 2.0, ry = cy - box.Top + 0.5;
    for (int x = std::max(box.Left, 0); x <= std::min(box.Right, i_w - 1); x++)
        for (int y = std::max(box.Top, 0); y <= std::min(box.Bottom, i_h - 1); y++) {
            bool v = false;
            if (kind == 1 || kind > 3) {
                v = true;
            } else if (kind == 2 || kind == 3) {
                if (rx > 0 && ry > 0) {
                    double u = (x - cx) / rx, w = (y - cy) / ry;
                    v = kind == 2 ? u * u + w * w < 1 : std::abs(u) + std::abs(w) < 1;
                }
            }
            if (v || clear) Set(x, y, v);
        }
}

TMask::TMask(const TBitmap32* bm, int bbmode, TRect bbox, int kind, int tolerance) {
    if (!bm) return;
    i_w = bm->Width();
    i_h = bm->Height();
    i_mask.assign(size_t(std::max(i_w, 0)) * std::max(i_h, 0), 0);
    i_bbox = BoxFor(*bm, bbmode, bbox, tolerance);
    if (bm->Empty()) return;
    if (kind == 0) {
        for (int x = std::max(i_bbox.Left, 0); x <= std::min(i_bbox.Right, i_w - 1); x++)
            for (int y = std::max(i_bbox.Top, 0); y <= std::min(i_bbox.Bottom, i_h - 1); y++)
                Set(x, y, int(bm->Pixel(x, y) >> 24) > tolerance);
    } else if (kind >= 1 && kind <= 3) {
        Shape(i_bbox, kind, false);
    }
}

void TMask::Merge(const TBitmap32* bm, int bbmode, TRect bbox, int kind, int tolerance) {
    TMask add(bm, bbmode, bbox, kind, tolerance);
    i_bbox = TRect{std::min(i_bbox.Left, add.i_bbox.Left), std::min(i_bbox.Top, add.i_bbox.Top),
                   std::max(i_bbox.Right, add.i_bbox.Right), std::max(i_bbox.Bottom, add.i_bbox.Bottom)};
    if (kind == 0) {
        for (int x = 0; x < std::min(i_w, add.i_w); x++)
            for (int y = 0; y < std::min(i_h, add.i_h); y++)
                if (add.Get(x, y)) Set(x, y, true);
    } else if (kind == 2 || kind == 3) {
        Shape(i_bbox, kind, true);
    } else {
        Shape(i_bbox, 1, true);
    }
}

bool TMask::LoadFromStream(CStream& str) {
    *this = TMask();
    if (str.ReadInteger() != kMaskVersion) return false;
    int32_t w = str.ReadInteger(), h = str.ReadInteger();
    TRect box;
    box.Left = str.ReadInteger();
    box.Right = str.ReadInteger();
    box.Bottom = str.ReadInteger();
    box.Top = str.ReadInteger();
    if (w < 0 || h < 0 || uint64_t(w) * uint64_t(h) * 4 > str.Remaining()) return false;
    // Rows of Booleans, true when > 0, read in one block.
    std::vector<int32_t> raw(size_t(w) * size_t(h));
    str.ReadExact(raw.data(), raw.size() * 4);
    std::vector<uint8_t> cells(raw.size());
    for (size_t i = 0; i < raw.size(); i++) cells[i] = raw[i] > 0;
    i_w = w;
    i_h = h;
    i_mask = std::move(cells);
    i_bbox = box;
    return true;
}

void TMask::SaveToStream(CStream& str) const {
    str.WriteInteger(kMaskVersion);
    str.WriteInteger(i_w);
    str.WriteInteger(i_h);
    str.WriteInteger(i_bbox.Left);
    str.WriteInteger(i_bbox.Right);
    str.WriteInteger(i_bbox.Bottom);
    str.WriteInteger(i_bbox.Top);
    for (int32_t y = 0; y < i_h; y++)
        for (int32_t x = 0; x < i_w; x++) str.WriteBoolean(Get(x, y));
}
