// Fonts and sounds: their records from hand-built bytes and from what the writer makes, the
// atlas builder with its packing, sprite fonts and code pages.
#include "ResourceTest.h"
#include "platform/Platform_Font.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Main.h"
#include "sound/Sound_Main.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A font record: F packed word, a glyph table with one cell for 'A', and an atlas block.
std::vector<uint8_t> FontRecord(int32_t F, int bw, int bh, size_t atlasBytes, int cellX = 0) {
    Bytes b;
    b.Int(800).Str("Liberation Sans").Ints({10, 1, 0, F, 127});
    for (int c = 0; c < 256; c++) {
        if (c == 'A')
            b.Ints({cellX, 0, 2, 3, 4, -1});
        else
            b.Ints({0, 0, 0, c == ' ' ? 5 : 0, c == ' ' ? 3 : 0, 0});
    }
    b.Ints({bw, bh}).Block(std::vector<uint8_t>(atlasBytes, 7));
    return b.Take();
}

TEST(ResFont, PackedWordGivesFirstCharsetAndAntiAliasing) {
    struct Case {
        int32_t F;
        int first, charset, aa;
    } cases[] = {
        {0x04CC0020, 32, 204, 3},
        {32, 32, 1, 3},
        {0x01000041, 65, 1, 0},
        {0x00A10000, 0, 161, 3},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> rec = FontRecord(c.F, 4, 4, 16);
        CStream s(rec);
        CFont f;
        ASSERT_TRUE(f.LoadFromStream(s)) << std::hex << c.F;
        EXPECT_EQ(f.s_first, c.first);
        EXPECT_EQ(f.s_charset, c.charset);
        EXPECT_EQ(f.s_AntiAlias, c.aa);
        EXPECT_EQ(f.s_last, 127);
        EXPECT_EQ(f.s_FontHeight, 5);
        EXPECT_EQ(f.s_offset['A'], -1);
        EXPECT_EQ(f.s_bytes.size(), 16u);
        // The writer packs the same word back (charset 1 stands for the default).
        CStream out;
        f.SaveToStream(out);
        CStream again(out.Bytes());
        CFont g;
        ASSERT_TRUE(g.LoadFromStream(again));
        EXPECT_EQ(g.s_charset, c.charset);
        EXPECT_EQ(g.s_AntiAlias, c.aa);
    }
    EXPECT_EQ(Font_CodePage(204), 1251);
    EXPECT_EQ(Font_CodePage(1), 1252);
}

TEST(ResFont, BadRecordsFail) {
    struct Case {
        const char* what;
        std::vector<uint8_t> rec;
    } cases[] = {
        {"atlas smaller than its size", FontRecord(32, 4, 4, 15)},
        {"atlas larger than its size", FontRecord(32, 4, 4, 17)},
        {"negative size", FontRecord(32, -4, -4, 16)},
        {"cell outside the atlas", FontRecord(32, 4, 4, 16, 3)},
    };
    for (const Case& c : cases) {
        CStream s(c.rec);
        CFont f;
        EXPECT_FALSE(f.LoadFromStream(s)) << c.what;
    }
    std::vector<uint8_t> rec = FontRecord(32, 4, 4, 16);
    rec[0] = 0x21; // version 801
    CStream s(rec);
    CFont f;
    EXPECT_FALSE(f.LoadFromStream(s));
}

TEST(ResFont, ShiftOutsideTheRange) {
    CFont f;
    f.s_first = 65;
    f.s_last = 90;
    f.s_shift[65] = 9;
    f.s_shift[32] = 4;
    EXPECT_EQ(f.GetShift('a'), 9); // no space in the range: the first character's shift
    f.s_first = 32;
    EXPECT_EQ(f.GetShift(200), 4);
}

TEST(ResFont, AtlasSizeByTestPacking) {
    std::vector<std::pair<int, int>> tall(512, {200, 1});
    int bw = 0, bh = 0;
    // 512 cells of 200 x 1 without gaps: width 512 holds two per row (256 rows), width 256 one.
    ASSERT_TRUE(Font_ChooseAtlasSize(tall, 0, bw, bh));
    EXPECT_EQ(bw, 512);
    EXPECT_EQ(bh, 256);
    // With gaps of 1 the 256 rows need 511 pixels.
    ASSERT_TRUE(Font_ChooseAtlasSize(tall, 1, bw, bh));
    EXPECT_EQ(bw, 512);
    EXPECT_EQ(bh, 512);
    std::vector<std::pair<int, int>> huge = {{3000, 10}};
    EXPECT_FALSE(Font_ChooseAtlasSize(huge, 2, bw, bh));
    std::vector<std::pair<int, int>> none;
    ASSERT_TRUE(Font_ChooseAtlasSize(none, 2, bw, bh)); // nothing to place: the smallest size, never 0
    EXPECT_GE(bw, 1);
    EXPECT_GE(bh, 1);
}

TEST(ResFont, CreateFontBuildsAnAtlasThatReadsBack) {
    CFont f;
    ASSERT_TRUE(f.CreateFont("Liberation Sans", 12, false, false, -5, 300));
    EXPECT_EQ(f.s_first, 0);
    EXPECT_EQ(f.s_last, 255);
    EXPECT_GT(f.s_FontHeight, 10);
    EXPECT_GT(f.s_shift['W'], f.s_shift['i']);
    EXPECT_GT(f.s_w[' '], 0); // the space has a blank cell of its own
    EXPECT_EQ(f.s_w[1], 0);   // control characters are blank
    // 'A' is drawn: its cell holds some full coverage.
    int full = 0;
    for (int y = 0; y < f.s_h['A']; y++)
        for (int x = 0; x < f.s_w['A']; x++)
            full += f.s_bytes[size_t(f.s_y['A'] + y) * f.s_bw + f.s_x['A'] + x] == 255;
    EXPECT_GT(full, 0);
    // Cells do not overlap: each character's cell starts at a distinct place.
    std::set<std::pair<int, int>> at;
    for (int c = 33; c < 127; c++) EXPECT_TRUE(at.insert({f.s_x[size_t(c)], f.s_y[size_t(c)]}).second) << c;
    CStream s;
    f.SaveToStream(s);
    s.Seek(0);
    CFont back;
    ASSERT_TRUE(back.LoadFromStream(s));
    EXPECT_EQ(back.s_bytes, f.s_bytes);
    EXPECT_EQ(back.s_shift, f.s_shift);
    // A family that is not installed falls back to an installed face.
    CFont other;
    EXPECT_TRUE(other.CreateFont("No Such Family Quarvel", 10, true, true, 32, 127));
}

TEST(ResFont, CommonFamiliesOpenMetricCompatibleFaces) {
    struct Case {
        const char* asked;
        const char* got;
    } cases[] = {
        {"Arial", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TPlatformFont> f = Platform_OpenFont(c.asked, 12, false, false);
        ASSERT_TRUE(f) << c.asked;
        EXPECT_EQ(f->Family(), c.got);
        TFontMetrics m = f->Metrics();
        EXPECT_GT(m.ascent, 0);
        EXPECT_GE(m.height, m.ascent);
    }
}

TEST(ResFont, CodePagesOfCharacterSets) {
    EXPECT_EQ(Font_CharToUnicode(192, Font_CodePage(204)), 0x0410u); // Cyrillic A
    EXPECT_EQ(Font_TextToCodePage("\xD0\x90x", Font_CodePage(204)), "\xC0x");
    EXPECT_EQ(Font_TextToCodePage("\xE2\x82\xAC", 1252), "\x80"); // euro sign
    EXPECT_EQ(Font_TextToCodePage("\xE4\xB8\x80", 1252), "?");
}

TEST(ResFont, SpriteFont) {
    Sprite_ClearAll();
    int spr = Sprite_AddEmpty();
    TBitmap32 a(6, 4, 0), b(6, 4, 0);
    a.SetPixel(1, 0, 0xFF000000u);
    a.SetPixel(3, 3, 0xFF000000u);
    b.SetPixel(5, 2, 0xFF000000u);
    Sprite_Get(spr)->AddFromBitmap(a, false, false);
    Sprite_Get(spr)->AddFromBitmap(b, false, false);
    CFont f;
    f.CreateFromSprite(spr, 254, true, 1);
    EXPECT_EQ(f.s_first, 254);
    EXPECT_EQ(f.s_last, 255);
    EXPECT_EQ(f.s_shift[254], 3); // right 3 + sep 1 - left 1
    EXPECT_EQ(f.s_offset[254], -1);
    EXPECT_EQ(f.s_shift[255], 1);
    EXPECT_EQ(f.s_FontHeight, 4);
    EXPECT_EQ(f.s_AntiAlias, 0);
    f.CreateFromSprite(spr, 65, false, 0);
    EXPECT_EQ(f.s_shift[65], 6);
    f.CreateFromSprite(99, 65, false, 0);
    EXPECT_FALSE(f.IsSpriteFont());
    Sprite_ClearAll();
}

TEST(ResSound, RecordFromHandBuiltBytesAndBack) {
    Bytes b;
    b.Ints({800, 1}).Str(".wav").Str("boom.wav").Int(1).Block({'R', 'I', 'F', 'F'});
    b.Int(3).Real(0.5).Real(-0.25).Int(0);
    std::vector<uint8_t> rec = b.Take();
    CStream s(rec);
    CSound snd;
    ASSERT_TRUE(snd.LoadFromStream(s));
    EXPECT_EQ(snd.s_kind, 1);
    EXPECT_EQ(snd.s_extension, ".wav");
    EXPECT_EQ(snd.s_origname, "boom.wav");
    ASSERT_TRUE(snd.s_sound);
    EXPECT_EQ(snd.s_sound->Size(), 4u);
    EXPECT_EQ(snd.s_effects, 3);
    EXPECT_EQ(snd.s_volume, 0.5);
    EXPECT_EQ(snd.s_pan, -0.25);
    EXPECT_FALSE(snd.s_preload);
    CStream out;
    snd.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), rec);
    // Without file bytes.
    Bytes none;
    none.Ints({800, 3}).Str("").Str("").Int(0).Int(0).Real(1).Real(0).Int(1);
    CStream s2 = none.Stream();
    ASSERT_TRUE(snd.LoadFromStream(s2));
    EXPECT_FALSE(snd.s_sound);
    EXPECT_TRUE(snd.s_preload);
}

} // namespace
