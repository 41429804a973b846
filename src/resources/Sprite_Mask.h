// TMask: a sprite frame's boolean collision mask with its box, built from a frame's alpha or
// read from the game data. The pixel tests that use it come with collision checking.
#pragma once

#include "graphics/BM32_Bitmap.h"

#include <cstdint>
#include <vector>

class CStream;

class TMask {
  public:
    int32_t i_w = 0;
    int32_t i_h = 0;
    std::vector<uint8_t> i_mask; // i_h rows of i_w cells: cell (x, y) at y * i_w + x
    TRect i_bbox{};

    // The empty mask (0 x 0, box all zero).
    TMask() = default;
    // Builds the mask of a frame. bbmode: 0 automatic (alpha > tolerance), 1 full image, 2 the
    // given box clamped to the image; kind: 0 precise, 1 rectangle, 2 ellipse, 3 diamond.
    // A null bitmap gives the empty mask.
    TMask(const TBitmap32* bm, int bbmode, TRect bbox, int kind, int tolerance);
    // Adds another frame to a mask shared by all frames (same parameters as the constructor).
    void Merge(const TBitmap32* bm, int bbmode, TRect bbox, int kind, int tolerance);

    bool Get(int x, int y) const {
        return x >= 0 && y >= 0 && x < i_w && y < i_h && i_mask[size_t(y) * i_w + x] != 0;
    }
    void Set(int x, int y, bool v) { i_mask[size_t(y) * i_w + x] = v; }

    // Stored form: version 800, width, height, box Left, Right, Bottom, Top, then height rows of
    // width Booleans. False (mask left empty) on a wrong version, a negative size or cells that
    // the stream cannot hold; raises EStreamReadError on short data.
    bool LoadFromStream(CStream& str);
    void SaveToStream(CStream& str) const;

  private:
    void Shape(TRect box, int kind, bool clear);
};
