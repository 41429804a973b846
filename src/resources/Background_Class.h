// CBackground: one image and its texture handle. Reads the background record of the game data
// and the ".qvbck" background file, and loads backgrounds from image files.
#pragma once

#include "graphics/BM32_Bitmap.h"

#include <memory>
#include <string>

class CStream;

class CBackground {
  public:
    TBitmap32 i_bitmap; // always present, possibly empty
    int i_tex = -1;

    CBackground() = default;
    ~CBackground();
    CBackground(const CBackground&) = delete;
    CBackground& operator=(const CBackground&) = delete;

    void Clear();
    void Assign(const CBackground& back);
    int GetWidth() const { return i_bitmap.Width(); }
    int GetHeight() const { return i_bitmap.Height(); }
    std::unique_ptr<TBitmap32> GetBitmap() const { return std::make_unique<TBitmap32>(i_bitmap); }

    // The background record: version 710 and one bitmap record. False on a wrong version or a
    // bad image; raises EStreamReadError on short data. Creates no texture.
    bool LoadFromStream(CStream& str);
    void SaveToStream(CStream& str) const;
    // From a PNG, BMP, JPEG or GIF file (its first frame), with the clean-up steps.
    bool LoadFromFile(const std::string& fname, bool removeback, bool smooth);
    // The ".qvbck" file: magic 1234321 and a compressed block holding the image.
    bool LoadFromBackgroundFile(const std::string& fname);
    void CreateFromBitmap(const TBitmap32& graph, bool removeback, bool smooth);
    // w x h of the game colour col, opaque (nothing when a side is <= 0).
    void CreateColor(int w, int h, int32_t col);
    // A gradient from col1 to col2 of the given kind (see BM32_CreateGradient).
    void CreateGradient(int w, int h, int32_t col1, int32_t col2, int kind);
    void SetAlphaFromBackground(const CBackground& back);

    void InitTexture();
    void FreeTexture();
    int GetTexture() const { return i_tex; }
};
