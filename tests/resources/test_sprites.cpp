// Sprites and backgrounds: their records from hand-built bytes and from what the writer makes,
// masks and bounding boxes, the image-file loaders and the sprite and background files.
#include "ResourceTest.h"
#include "TestRun.h"
#include "graphics/BM32_Misc.h"
#include "graphics/BM32_PNG.h"
#include "resources/Background_Main.h"
#include "resources/Sprite_Main.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A bitmap record of a w x h image whose pixels are given.
void BitmapRecord(Bytes& b, int w, int h, const std::vector<uint32_t>& px) {
    b.Ints({800, w, h});
    if (w * h > 0) {
        std::vector<uint8_t> raw(px.size() * 4);
        std::memcpy(raw.data(), px.data(), raw.size());
        b.Block(raw);
    }
}

TEST(ResSprite, ReadsVersion810RecordFromHandBuiltBytes) {
    Bytes b;
    b.Ints({810, 3, 4, 1});
    BitmapRecord(b, 2, 1, {0x11223344u, 0xFF00FF00u});
    b.Ints({99, 0});                       // ignored integer, shared mask
    b.Ints({800, 2, 1, 1, 1, 0, 0, 0, 1}); // mask 2x1, box L1 R1 B0 T0, cells (0,0) no, (1,0) yes
    CStream s = b.Stream();
    CSprite spr;
    ASSERT_TRUE(spr.LoadFromStream(s));
    EXPECT_EQ(s.Remaining(), 0u);
    EXPECT_EQ(spr.i_numb, 1);
    EXPECT_EQ(spr.i_xorig, 3);
    EXPECT_EQ(spr.i_yorig, 4);
    EXPECT_EQ(spr.i_bitmap[0].Pixel(0, 0), 0x11223344u);
    EXPECT_EQ(spr.i_bitmap[0].Pixel(1, 0), 0xFF00FF00u);
    ASSERT_EQ(spr.i_mask.size(), 1u);
    EXPECT_FALSE(spr.i_mask[0].Get(0, 0));
    EXPECT_TRUE(spr.i_mask[0].Get(1, 0));
    EXPECT_EQ(spr.i_bbox, (TRect{1, 0, 1, 0}));
    EXPECT_EQ(spr.i_tex, std::vector<int>{-1});
}

TEST(ResSprite, WrittenRecordReadsBackWithSeparateMasks) {
    TBitmap32 a(4, 3, 0), c(4, 3, 0);
    a.SetPixel(1, 1, 0xFF0000FFu);
    c.SetPixel(3, 2, 0xFF00FF00u);
    CSprite spr;
    spr.CreateFromBitmap(a, 2, false, 1, 2);
    spr.AddFromBitmap(c, false, false);
    spr.ComputeMask(true, 0, TRect{}, 0, 0);
    // Separate masks: the sprite box spans both frames' boxes.
    EXPECT_EQ(spr.i_mask[0].i_bbox, (TRect{1, 1, 1, 1}));
    EXPECT_EQ(spr.i_mask[1].i_bbox, (TRect{3, 2, 3, 2}));
    EXPECT_EQ(spr.i_bbox, (TRect{1, 1, 3, 2}));
    CStream s;
    spr.SaveToStream(s);
    s.Seek(0);
    CSprite back;
    ASSERT_TRUE(back.LoadFromStream(s));
    EXPECT_EQ(back.i_numb, 2);
    EXPECT_TRUE(back.i_sepmasks);
    EXPECT_EQ(back.i_bbox, spr.i_bbox);
    EXPECT_EQ(back.i_bitmap[1].Pixel(3, 2), 0xFF00FF00u);
    EXPECT_TRUE(back.i_mask[1].Get(3, 2));
    EXPECT_FALSE(back.i_mask[1].Get(1, 1));
}

TEST(ResSprite, MaskBoxesByModeAndKind) {
    TBitmap32 img(10, 8, 0);
    for (int y = 2; y <= 5; y++)
        for (int x = 3; x <= 6; x++) img.SetPixel(x, y, 0x80FFFFFFu);
    struct Case {
        int bbmode, kind, tolerance;
        TRect box, expect;
        int solid; // solid cells
    } cases[] = {
        {0, 0, 0, {}, {3, 2, 6, 5}, 16},             // automatic, precise
        {0, 0, 200, {}, {9, 7, 0, 0}, 0},            // nothing above the tolerance: inverted box, no cells
        {1, 1, 0, {}, {0, 0, 9, 7}, 80},             // full image rectangle
        {2, 1, 0, {-5, 1, 20, 2}, {0, 1, 9, 2}, 20}, // manual box clamped to the image
        {1, 2, 0, {}, {0, 0, 9, 7}, 64},             // ellipse in the full box
        {1, 3, 0, {}, {0, 0, 9, 7}, 40},             // diamond
    };
    for (const Case& c : cases) {
        TMask m(&img, c.bbmode, c.box, c.kind, c.tolerance);
        EXPECT_EQ(m.i_bbox, c.expect) << "mode " << c.bbmode << " kind " << c.kind;
        int solid = 0;
        for (int x = 0; x < 10; x++)
            for (int y = 0; y < 8; y++) solid += m.Get(x, y);
        EXPECT_EQ(solid, c.solid) << "mode " << c.bbmode << " kind " << c.kind;
    }
    EXPECT_EQ(TBitmap32(10, 8, 0).BoundingBox(0), (TRect{9, 7, 0, 0}));
}

TEST(ResSprite, SharedMaskMergesFrames) {
    TBitmap32 a(4, 4, 0), c(4, 4, 0);
    a.SetPixel(0, 0, 0xFF000000u);
    c.SetPixel(3, 3, 0xFF000000u);
    CSprite spr;
    spr.CreateFromBitmap(a, 2, false, 0, 0);
    spr.AddFromBitmap(c, false, false);
    ASSERT_EQ(spr.i_mask.size(), 1u);
    EXPECT_TRUE(spr.i_mask[0].Get(0, 0));
    EXPECT_TRUE(spr.i_mask[0].Get(3, 3));
    EXPECT_FALSE(spr.i_mask[0].Get(1, 1));
    EXPECT_EQ(spr.i_bbox, (TRect{0, 0, 3, 3}));
}

TEST(ResSprite, ImageIndexWrapsAndCopiesCheckRange) {
    EXPECT_EQ(Sprite_ImageIndex(-1, 3), 2);
    EXPECT_EQ(Sprite_ImageIndex(7, 3), 1);
    CSprite spr;
    EXPECT_EQ(spr.GetWidth(), 1);
    EXPECT_EQ(spr.GetBitmap(0), nullptr);
    spr.CreateFromBitmap(TBitmap32(2, 2, 0xFF000000u), 0, false, 0, 0);
    EXPECT_NE(spr.GetBitmap(0), nullptr);
    EXPECT_EQ(spr.GetBitmap(1), nullptr);
    EXPECT_EQ(spr.GetBoundingBoxImg(-1), TRect{});
}

TEST(ResBackground, RecordFromHandBuiltBytesAndBack) {
    Bytes b;
    b.Int(710);
    BitmapRecord(b, 1, 2, {0xFF010203u, 0x00000000u});
    CStream s = b.Stream();
    CBackground bg;
    ASSERT_TRUE(bg.LoadFromStream(s));
    EXPECT_EQ(bg.GetWidth(), 1);
    EXPECT_EQ(bg.GetHeight(), 2);
    EXPECT_EQ(bg.i_bitmap.Pixel(0, 1), 0u);
    CStream out;
    bg.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), b.Take());
}

TEST(ResImages, StripCutsEqualSubimagesAndDropsTheRest) {
    TempDir dir;
    TBitmap32 strip(100, 2, 0);
    for (int x = 0; x < 100; x++) strip.SetPixel(x, 0, 0xFF000000u | uint32_t(x));
    ASSERT_TRUE(strip.SaveToImageFile(dir / "strip.png"));
    CSprite spr;
    ASSERT_TRUE(spr.LoadFromFile(dir / "strip.png", 3, false, false, 5, 6));
    ASSERT_EQ(spr.i_numb, 3);
    EXPECT_EQ(spr.GetWidth(), 33);
    EXPECT_EQ(spr.i_bitmap[1].Pixel(0, 0), 0xFF000000u | 33u);
    EXPECT_EQ(spr.i_bitmap[2].Pixel(32, 0), 0xFF000000u | 98u);
    EXPECT_EQ(spr.i_xorig, 5);
    // Real alpha is kept: the transparent second row leaves the box at row 0.
    EXPECT_EQ(spr.i_bbox, (TRect{0, 0, 32, 0}));
    ASSERT_TRUE(spr.LoadFromFile(dir / "strip.png", 0, false, false, 0, 0));
    EXPECT_EQ(spr.i_numb, 1);
    EXPECT_FALSE(spr.LoadFromFile(dir / "missing.png", 1, false, false, 0, 0));
}

TEST(ResImages, AnimatedGifGivesEveryFrame) {
    // 4 x 2, three frames (red with one transparent pixel, all green, all blue), made by hand.
    static const std::vector<uint8_t> gif = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x02, 0x00, 0x81, 0x00, 0x00, 0xFF, 0x00, 0x00,
        0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x21, 0xFF, 0x0B, 0x4E, 0x45, 0x54, 0x53,
        0x43, 0x41, 0x50, 0x45, 0x32, 0x2E, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x09,
        0x0A, 0x00, 0x03, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x02, 0x06,
        0x1C, 0x08, 0x10, 0x20, 0xC0, 0x02, 0x00, 0x21, 0xF9, 0x04, 0x08, 0x0A, 0x00, 0x03, 0x00, 0x2C,
        0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x02, 0x06, 0x4C, 0x98, 0x30, 0x61, 0xC2,
        0x02, 0x00, 0x21, 0xF9, 0x04, 0x08, 0x0A, 0x00, 0x03, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x04,
        0x00, 0x02, 0x00, 0x00, 0x02, 0x06, 0x94, 0x28, 0x51, 0xA2, 0xC4, 0x02, 0x00, 0x3B};
    TempDir dir;
    ASSERT_TRUE(Pack_WriteFile(dir / "anim.GIF", gif, false));
    CSprite spr;
    ASSERT_TRUE(spr.LoadFromFile(dir / "anim.GIF", 7, false, false, 0, 0));
    ASSERT_EQ(spr.i_numb, 3);
    EXPECT_EQ(spr.GetWidth(), 4);
    EXPECT_EQ(spr.GetHeight(), 2);
    EXPECT_EQ(spr.i_bitmap[0].Pixel(1, 0), 0xFFFF0000u);
    EXPECT_EQ(spr.i_bitmap[0].Pixel(0, 0), 0xFF408000u); // transparent: the canvas colour, opaque
    EXPECT_EQ(spr.i_bitmap[1].Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(spr.i_bitmap[2].Pixel(3, 1), 0xFF0000FFu);
    // With background removal the bottom-left colour (red) goes transparent everywhere.
    ASSERT_TRUE(spr.LoadGifFromFile(dir / "anim.GIF", true, false));
    EXPECT_EQ(spr.i_bitmap[0].Pixel(1, 1) >> 24, 0u);
}

TEST(ResImages, PngWriterLayoutAndRoundTrip) {
    TBitmap32 img(3, 2, 0);
    img.SetPixel(0, 0, 0x80112233u);
    img.SetPixel(2, 1, 0xFFABCDEFu);
    std::vector<uint8_t> png = BM32_EncodePNG(img);
    ASSERT_GT(png.size(), 8u + 25 + 12 + 12);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 6);
    std::vector<uint8_t> iend(png.end() - 12, png.end());
    EXPECT_EQ(iend, (std::vector<uint8_t>{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    std::unique_ptr<TBitmap32> back = TBitmap32::FromImageData(png.data(), png.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Pixel(0, 0), 0x80112233u);
    EXPECT_EQ(back->Pixel(2, 1), 0xFFABCDEFu);
    EXPECT_EQ(back->Pixel(1, 0), 0u);
    // A name ending in .bmp still gets PNG data.
    TempDir dir;
    ASSERT_TRUE(img.SaveToImageFile(dir / "x.bmp"));
    EXPECT_EQ(ReadFileText(dir / "x.bmp").substr(1, 3), "PNG");
}

TEST(ResImages, BmpWithoutAlphaBecomesOpaque) {
    TBitmap32 img(2, 2, 0x00336699u); // no alpha anywhere
    std::vector<uint8_t> bmp = img.ToBMP();
    std::unique_ptr<TBitmap32> back = TBitmap32::FromImageData(bmp.data(), bmp.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Pixel(1, 1), 0xFF336699u);
}

TEST(ResImages, PixelEdits) {
    TBitmap32 img(3, 3, 0xFF0000FFu);
    img.SetPixel(0, 2, 0xFFFF0000u); // key colour at the bottom left
    img.SetPixel(2, 0, 0xFFFF0000u); // the same colour elsewhere
    BM32_RemoveBackground(img);
    EXPECT_EQ(img.Pixel(0, 2), 0x00FF0000u);
    EXPECT_EQ(img.Pixel(2, 0), 0x00FF0000u);
    BM32_FillTransparentColors(img);
    EXPECT_EQ(img.Pixel(2, 0), 0x000000FFu); // colour of its left neighbour, still transparent
    TBitmap32 s(3, 1, 0xFF000000u);
    s.SetPixel(0, 0, 0);
    BM32_SmoothEdges(s);
    EXPECT_EQ(s.Pixel(1, 0) >> 24, 223u);
    EXPECT_EQ(s.Pixel(2, 0) >> 24, 255u);
    EXPECT_EQ(img.GetPixel(-1, 0), 0u);
    EXPECT_EQ(BM32_ColorToPixel(0x00112233, 0x80), 0x80332211u);
    EXPECT_EQ(BM32_MergeColor(0x000000, 0x0000FF, 0.5), 0x000080); // 127.5 rounds to even
    TBitmap32 q(2, 1, 0);
    q.SetPixel(0, 0, 0xFF204060u);
    q.Stretch(4, 1, 2); // two samples of each source pixel: colour only from visible ones
    EXPECT_EQ(q.Pixel(0, 0), 0xFF204060u);
    EXPECT_EQ(q.Pixel(3, 0), 0u);
}

TEST(ResImages, Gradients) {
    const int32_t black = 0x000000, white = 0xFFFFFF;
    auto grey = [](int v) { return 0xFF000000u | uint32_t(v) << 16 | uint32_t(v) << 8 | uint32_t(v); };
    TBitmap32 h = BM32_CreateGradient(4, 2, black, white, 0); // columns from col1 towards col2
    EXPECT_EQ(h.Pixel(0, 1), grey(0));
    EXPECT_EQ(h.Pixel(2, 0), grey(128)); // 127.5 to even
    EXPECT_EQ(h.Pixel(3, 1), grey(191));
    TBitmap32 v = BM32_CreateGradient(2, 4, black, white, 1);
    EXPECT_EQ(v.Pixel(1, 1), grey(64));
    TBitmap32 r = BM32_CreateGradient(6, 6, black, white, 2); // rectangles to the centre
    EXPECT_EQ(r.Pixel(0, 3), grey(0));
    EXPECT_EQ(r.Pixel(2, 2), grey(170));
    TBitmap32 c = BM32_CreateGradient(8, 8, black, white, 8); // circles from the top-left corner
    EXPECT_EQ(c.Pixel(0, 0), grey(223));
    EXPECT_EQ(c.Pixel(7, 7), grey(0));                             // beyond distance n: col1
    TBitmap32 odd = BM32_CreateGradient(1, 1, 0x0000FF, white, 2); // a step count of 0
    EXPECT_EQ(odd.Pixel(0, 0), 0xFFFF0000u);
    TBitmap32 none = BM32_CreateGradient(0, -3, 0x00FF00, white, 42);
    EXPECT_EQ(none.Width(), 1);
    EXPECT_EQ(none.Pixel(0, 0), 0xFF00FF00u);
}

// The single-resource files: magic, then a compressed block.
std::vector<uint8_t> ResourceFile(Bytes& inner, int magic = 1234321) {
    CStream out;
    out.WriteInteger(magic);
    CStream in(inner.Take());
    out.WriteStreamC(in);
    return out.Bytes();
}

TEST(ResImages, SpriteAndBackgroundFiles) {
    TempDir dir;
    Bytes spr;
    spr.Ints({800, 1, 1, 1});
    BitmapRecord(spr, 2, 2, {0xFF0000FFu, 0, 0, 0xFF0000FFu});
    spr.Ints({1, 0, 0, 1, 0, 0, 0, 0}); // kind rectangle, tolerance, shared mask, full-image box
    std::vector<uint8_t> sprFile = ResourceFile(spr);
    ASSERT_TRUE(Pack_WriteFile(dir / "a.qvspr", sprFile, false));
    CSprite s;
    ASSERT_TRUE(s.LoadFromSpriteFile(dir / "a.qvspr"));
    EXPECT_EQ(s.i_numb, 1);
    EXPECT_EQ(s.i_xorig, 1);
    EXPECT_EQ(s.i_bbox, (TRect{0, 0, 1, 1}));
    EXPECT_TRUE(s.i_mask[0].Get(1, 0));                // a rectangle mask covers transparent pixels too
    EXPECT_EQ(s.i_bitmap[0].Pixel(1, 0), 0x000000FFu); // transparent colour filled from its neighbour

    Bytes bg;
    bg.Ints({710, 1, 0, 0, 0, 0, 0, 0});
    BitmapRecord(bg, 1, 1, {0xFF123456u});
    ASSERT_TRUE(Pack_WriteFile(dir / "b.qvbck", ResourceFile(bg), false));
    CBackground b;
    ASSERT_TRUE(b.LoadFromBackgroundFile(dir / "b.qvbck"));
    EXPECT_EQ(b.i_bitmap.Pixel(0, 0), 0xFF123456u);

    Bytes wrong;
    wrong.Ints({800});
    ASSERT_TRUE(Pack_WriteFile(dir / "c.qvspr", ResourceFile(wrong, 1234320), false));
    EXPECT_FALSE(s.LoadFromSpriteFile(dir / "c.qvspr"));
    sprFile.resize(sprFile.size() - 3); // truncated compressed block
    ASSERT_TRUE(Pack_WriteFile(dir / "d.qvspr", sprFile, false));
    EXPECT_FALSE(s.LoadFromSpriteFile(dir / "d.qvspr"));
    EXPECT_FALSE(b.LoadFromBackgroundFile(dir / "none.qvbck"));
}

TEST(ResSprite, TableKeepsHolesAndNamesNewEntries) {
    Sprite_ClearAll();
    TempDir dir;
    ASSERT_TRUE(TBitmap32(2, 2, 0xFF000000u).SaveToImageFile(dir / "a.png"));
    EXPECT_EQ(Sprite_AddFile(dir / "a.png", 1, false, false, 0, 0), 0);
    EXPECT_EQ(Sprite_AddFile(dir / "missing.png", 1, false, false, 0, 0), -1);
    EXPECT_EQ(Sprite_AddEmpty(), 1); // the failed add gave its id back
    EXPECT_EQ(Sprite_GetName(1), "__newsprite1");
    EXPECT_EQ(Sprite_Duplicate(0), 2);
    EXPECT_TRUE(Sprite_Delete(1));
    EXPECT_FALSE(Sprite_Exists(1));
    EXPECT_EQ(Sprite_GetName(1), "<undefined>");
    EXPECT_EQ(Sprite_Find("__newsprite2"), 2);
    EXPECT_EQ(Sprite_Find("__NewSprite2"), -1);
    EXPECT_TRUE(Sprite_Assign(1, 0));
    EXPECT_EQ(Sprite_Get(1)->GetWidth(), 2);
    EXPECT_FALSE(Sprite_Assign(5, 0));
    Sprite_ClearAll();
}

} // namespace
