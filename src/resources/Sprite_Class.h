// CSprite: an ordered list of equally sized images with an origin, a bounding box and collision
// masks, plus one texture handle per image. Reads the sprite record of the game data and the
// ".qvspr" sprite file, and loads sprites from image files (strips and animated GIFs).
#pragma once

#include "graphics/BM32_Bitmap.h"
#include "resources/Sprite_Mask.h"

#include <string>
#include <vector>

class CStream;

class CSprite {
  public:
    int32_t i_numb = 0;
    std::vector<TBitmap32> i_bitmap;
    int32_t i_xorig = 0;
    int32_t i_yorig = 0;
    TRect i_bbox{};
    std::vector<TMask> i_mask; // one per image when i_sepmasks, else one shared (none without images)
    bool i_sepmasks = false;
    std::vector<int> i_tex; // texture per image, -1 for none

    CSprite() = default;
    ~CSprite();
    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    // Frees images, textures and masks; origin 0, box all zero, no separate masks.
    void Clear();
    void Assign(const CSprite& spr);
    // Of image 0; 1 x 1 for a sprite without images.
    int GetWidth() const;
    int GetHeight() const;
    // A copy of image ind, or null unless 0 <= ind < i_numb.
    std::unique_ptr<TBitmap32> GetBitmap(int ind) const;
    // BoundingBox(0) of image ind; all zero unless 0 <= ind < i_numb.
    TRect GetBoundingBoxImg(int ind) const;

    // The sprite record (version 800 or 810). False on a wrong version, a bad image, or a mask
    // larger than the images; raises EStreamReadError on short data. Creates no textures.
    bool LoadFromStream(CStream& str);
    // Writes the record as version 800.
    void SaveToStream(CStream& str) const;

    // From an image file: a ".gif" takes every frame, anything else is cut into imgnumb
    // equally wide subimages. False when the file is missing or cannot be decoded.
    bool LoadFromFile(const std::string& fname, int imgnumb, bool removeback, bool smooth, int xo, int yo);
    bool LoadGifFromFile(const std::string& fname, bool removeback, bool smooth);
    bool LoadStripFromFile(const std::string& fname, int imgnumb, bool removeback, bool smooth);
    // The ".qvspr" file: magic 1234321 and a compressed block with the images and mask settings.
    bool LoadFromSpriteFile(const std::string& fname);
    // One image from bbb. removeback 1 removes the background around the smoothing, 2 keeps
    // the bitmap's alpha exactly, -1 makes the image opaque.
    void CreateFromBitmap(const TBitmap32& bbb, int removeback, bool smooth, int xo, int yo);
    void AddFromBitmap(const TBitmap32& bbb, bool removeback, bool smooth);
    void AddFromSprite(const CSprite& spr);
    void SetAlphaFromSprite(const CSprite& spr);

    void ComputeMask(bool sepmasks, int bbmode, TRect bbox, int kind, int tolerance);
    void ComputeBoundingBox();
    void FreeMask();
    void InitTexture();
    void FreeTexture();
    // The texture of image ind (reduced modulo the image count), -1 when none.
    int GetTexture(int ind) const;
};

// Image index rule: ind reduced into 0 .. numb-1 (a negative remainder wraps); 0 when numb <= 0.
int Sprite_ImageIndex(int ind, int numb);
