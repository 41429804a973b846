// Drawing through game code on the headless device: exact pixels where the rules name them,
// golden images for whole scenes, and bad input.
#include "GraphicsTest.h"

#include "code/Code_Error.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Texture.h"
#include "resources/Background_Class.h"
#include "resources/Background_Main.h"
#include "resources/Font_Main.h"
#include "resources/Sprite_Class.h"
#include "resources/Sprite_Main.h"

#include "TestRun.h"

#include <cstdio>

namespace {

constexpr int kWhite = 0xFFFFFF, kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kBlack = 0;

// A w x h image: colour a (0xAARRGGBB) with its right half in b.
TBitmap32 Halves(int w, int h, uint32_t a, uint32_t b) {
    TBitmap32 bm(w, h, a);
    for (int y = 0; y < h; y++)
        for (int x = w / 2; x < w; x++) bm.SetPixel(x, y, b);
    return bm;
}

int MakeSprite(const TBitmap32& image, int xo, int yo) {
    const int id = Sprite_AddEmpty();
    Sprite_Get(id)->CreateFromBitmap(image, 2, false, xo, yo);
    return id;
}

int MakeBackground(const TBitmap32& image) {
    const int id = Background_AddEmpty();
    Background_Get(id)->CreateFromBitmap(image, false, false);
    return id;
}

std::string S(int v) {
    return std::to_string(v);
}

} // namespace

// A sprite at an integer position covers exactly the pixels its origin puts it on.
TEST_F(GraphicsTest, SpriteLandsOnTheNamedPixels) {
    const int spr = MakeSprite(TBitmap32(16, 16, 0xFFFF0000u), 8, 8);
    Run("draw_sprite(" + S(spr) + ", 0, 20, 20);");
    for (int x = 10; x <= 29; x++) {
        const int expect = (x >= 12 && x <= 27) ? kRed : kWhite;
        EXPECT_EQ(Pixel(x, 20), expect) << "x " << x;
        EXPECT_EQ(Pixel(20, x), expect) << "y " << x;
    }
    // A filled rectangle: its whole right and bottom edges are included (+0.01 rule).
    Run("draw_set_color(c_blue); draw_rectangle(40, 40, 50, 45, false);");
    EXPECT_EQ(Pixel(40, 40), kBlue);
    EXPECT_EQ(Pixel(50, 45), kBlue);
    EXPECT_EQ(Pixel(51, 45), kWhite);
    EXPECT_EQ(Pixel(50, 46), kWhite);
    EXPECT_EQ(Pixel(39, 42), kWhite);
    // A point lands on its pixel.
    Run("draw_set_color(c_lime); draw_point(5, 60);");
    EXPECT_EQ(Pixel(5, 60), kGreen);
    EXPECT_EQ(Pixel(6, 60), kWhite);
}

// Blending is plain 8-bit arithmetic with the alpha byte round(a x 255).
TEST_F(GraphicsTest, BlendModesAndAlpha) {
    struct Case {
        const char* code;
        int r, g, b;
    } cases[] = {
        // alpha byte 128 (127.5 rounds to even): 255 x 127/255 of the white shows through.
        {"draw_set_alpha(0.5); draw_set_color(c_red);", 255, 127, 127},
        {"draw_set_alpha(0.25); draw_set_color(c_black);", 191, 191, 191},
        {"draw_clear(c_gray); draw_set_blend_mode(bm_add); draw_set_color(make_color_rgb(100, 0, 200));", 228,
         128, 255},
        {"draw_set_blend_mode(bm_subtract); draw_set_color(make_color_rgb(255, 0, 55));", 0, 255, 200},
        {"draw_clear(c_black); draw_set_blend_mode_ext(bm_one, bm_zero); draw_set_alpha(0); "
         "draw_set_color(c_yellow);",
         255, 255, 0},
        {"draw_set_blend_mode(7); draw_set_alpha(0.5); draw_set_color(c_black);", 127, 127, 127},
    };
    for (const Case& c : cases) {
        SetUp();
        Run(std::string(c.code) + " draw_rectangle(0, 0, 63, 63, false);");
        const int p = Pixel(30, 30);
        EXPECT_NEAR(p & 255, c.r, 1) << c.code;
        EXPECT_NEAR((p >> 8) & 255, c.g, 1) << c.code;
        EXPECT_NEAR((p >> 16) & 255, c.b, 1) << c.code;
    }
}

TEST_F(GraphicsTest, PrimitivesScene) {
    GR_Device_SetSize(96, 96);
    GR_Device_Clear(0xFFFFFFFFu);
    Run(R"(
        draw_set_color(c_red); draw_rectangle(4, 4, 20, 14, false);
        draw_set_color(c_blue); draw_rectangle(24, 4, 40, 14, true);
        draw_circle_color(60, 12, 9, c_yellow, c_green, false);
        draw_set_color(c_black); draw_circle(84, 12, 8, true);
        draw_triangle_color(4, 30, 24, 30, 4, 50, c_red, c_green, c_blue, false);
        draw_set_color(c_purple); draw_roundrect(30, 28, 56, 50, false);
        draw_line_width_color(62, 30, 92, 48, 5, c_red, c_blue);
        draw_ellipse_color(4, 56, 40, 72, c_white, c_teal, false);
        draw_set_color(c_maroon); draw_arrow(46, 60, 90, 60, 12);
        draw_healthbar(46, 66, 90, 72, 50, c_black, c_red, c_lime, 0, true, true);
        draw_set_color(c_silver); draw_button(4, 78, 40, 92, true);
        draw_primitive_begin(pr_trianglefan);
        draw_vertex_color(66, 84, c_orange, 1); draw_vertex_color(50, 78, c_navy, 1);
        draw_vertex_color(82, 78, c_navy, 1); draw_vertex_color(82, 92, c_navy, 1); draw_vertex_color(50, 92, c_navy, 1);
        draw_vertex_color(50, 78, c_navy, 1);
        draw_primitive_end();
    )");
    ExpectGolden("primitives");
}

TEST_F(GraphicsTest, SpritesAndBackgroundsScene) {
    GR_Device_SetSize(96, 96);
    GR_Device_Clear(0xFFFFFFFFu);
    const int spr = MakeSprite(Halves(16, 8, 0xFF0000FFu, 0xFFFF8000u), 0, 0);
    const int back = MakeBackground(Halves(12, 12, 0xFF008000u, 0xFFFFFF00u));
    Run("var s, b; s = " + S(spr) + "; b = " + S(back) + R"(;
        draw_sprite_ext(s, 0, 20, 20, 1, 1, 90, c_white, 1);
        draw_sprite_ext(s, 0, 30, 4, 2, 2, 0, c_gray, 0.5);
        draw_sprite_stretched(s, 0, 64, 4, 28, 10);
        draw_sprite_part(s, 0, 6, 0, 6, 8, 4, 30);
        draw_sprite_general(s, 0, 0, 0, 16, 8, 20, 30, 2, 2, 0, c_red, c_green, c_blue, c_white, 1);
        draw_sprite_pos(s, 0, 60, 24, 90, 30, 88, 44, 62, 40, 1);
        draw_background_ext(b, 4, 50, 1, 2, 0, c_white, 1);
        draw_background_part_ext(b, 3, 3, 8, 8, 24, 50, 2, 2, c_aqua, 1);
        draw_background_stretched_ext(b, 48, 50, 20, 20, c_white, 0.5);
        draw_background_general(b, 0, 0, 12, 12, 80, 60, 1, 1, 45, c_white, c_white, c_red, c_red, 1);
    )");
    ExpectGolden("sprites");
}

// Tiling covers the region from its start, stepping back past the position as well as forward.
TEST_F(GraphicsTest, TiledDrawingCoversTheRegion) {
    const int back = MakeBackground(Halves(10, 10, 0xFFFF0000u, 0xFF0000FFu));
    // Column starts at 50 mod 10 = 0 ... and one copy of an untiled direction.
    GR_Texture_DrawTiled(Background_Get(back)->GetTexture(), 53, 7, 0, 0, 1, 1, true, true, 0, 0, 64, 64,
                         0xFFFFFF, 1);
    for (int x = 0; x < 64; x++) EXPECT_EQ(Pixel(x, 1), ((x - 3 + 10) % 10) < 5 ? kRed : kBlue) << x;
    // A region starting left of and above the first tile.
    GR_Device_SetView(-40, -40, 64, 64, 0);
    GR_Device_Clear(0xFFFFFFFFu);
    GR_Texture_DrawTiled(Background_Get(back)->GetTexture(), 0, 0, 0, 0, 1, 1, true, true, -40, -40, 64, 64,
                         0xFFFFFF, 1);
    EXPECT_EQ(Pixel(0, 0), kRed);   // world (-40, -40)
    EXPECT_EQ(Pixel(5, 63), kBlue); // world (-35, 23)
    // Untiled horizontally: exactly one column at round(x).
    GR_Device_SetView(0, 0, 64, 64, 0);
    GR_Device_Clear(0xFFFFFFFFu);
    GR_Texture_DrawTiled(Background_Get(back)->GetTexture(), 20.4, 0, 0, 0, 1, 1, false, true, 0, 0, 64, 64,
                         0xFFFFFF, 1);
    EXPECT_EQ(Pixel(19, 30), kWhite);
    EXPECT_EQ(Pixel(20, 30), kRed);
    EXPECT_EQ(Pixel(29, 63), kBlue);
    EXPECT_EQ(Pixel(30, 30), kWhite);
    // A step below one pixel draws nothing.
    GR_Device_Clear(0xFFFFFFFFu);
    Run("draw_background_tiled_ext(" + S(back) + ", 0, 0, 0.01, 1, c_white, 1);");
    EXPECT_EQ(Pixel(0, 0), kWhite);
}

// Two views: each clear is limited to its port, scale and rotation follow the view.
TEST_F(GraphicsTest, ViewsScene) {
    GR_Device_SetSize(96, 64);
    GR_Device_Clear(0xFF000000u);
    const char* scene = R"(
        draw_clear(c_white);
        draw_set_color(c_red); draw_rectangle(0, 0, 15, 15, false);
        draw_set_color(c_blue); draw_rectangle(16, 16, 31, 31, false);
        draw_set_color(c_green); draw_triangle(0, 31, 8, 20, 16, 31, false);
    )";
    GR_Device_SetViewport(0, 0, 48, 64);
    GR_Device_SetView(0, 0, 32, 32, 0);
    Run(scene);
    GR_Device_SetViewport(48, 8, 48, 48);
    GR_Device_SetView(0, 0, 32, 32, 30);
    Run(scene);
    ExpectGolden("views");
    // The second port's clear left the first one alone.
    EXPECT_EQ(Pixel(2, 2), kRed);
    EXPECT_EQ(Pixel(50, 2), kBlack);
    // draw_getpixel reads through the view being drawn: room (20, 20) in the rotated view.
    EXPECT_EQ(Run("return draw_getpixel(20, 20);"), kBlue);
}

// Text with a sprite font: '#' lines, alignment and the colour gradient.
TEST_F(GraphicsTest, TextScene) {
    GR_Device_SetSize(96, 64);
    GR_Device_Clear(0xFFFFFFFFu);
    // Glyphs '0'.. '3': 6 x 8 blocks of different shapes.
    const int glyphs = Sprite_AddEmpty();
    for (int g = 0; g < 4; g++) {
        TBitmap32 bm(6, 8, 0);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 6; x++)
                if (x < 5 && (y + g) % 4 != 0) bm.SetPixel(x, y, 0xFFFFFFFFu);
        if (g == 0)
            Sprite_Get(glyphs)->CreateFromBitmap(bm, 2, false, 0, 0);
        else
            Sprite_Get(glyphs)->AddFromBitmap(bm, false, false);
    }
    const int font = Font_AddSpriteFont(glyphs, '0', false, 1);
    EXPECT_EQ(Run("draw_set_font(" + S(font) + "); return string_width(\"0123\");"), 28);
    EXPECT_EQ(Run("return string_height(\"01#23#\");"), 16);
    EXPECT_EQ(Run("return string_height_ext(\"01#23\", 20, -1);"), 28);
    EXPECT_EQ(Run("return string_width_ext(\"01 23\", -1, 20);"), 21);
    Run(R"(
        draw_set_color(c_black); draw_text(2, 2, "01#2\#3");
        draw_set_halign(fa_center); draw_set_color(c_red); draw_text(48, 2, 123);
        draw_set_halign(fa_right); draw_set_valign(fa_bottom); draw_text(94, 62, "3210#0");
        draw_set_halign(fa_left); draw_set_valign(fa_top);
        draw_text_color(2, 30, "0000", c_red, c_blue, c_blue, c_red, 1);
        draw_text_transformed(40, 30, "12", 2, 2, 0);
        draw_text_ext(2, 44, "01 23", 10, 20);
    )");
    ExpectGolden("text");
}

TEST_F(GraphicsTest, DrawStateAndColours) {
    struct Case {
        const char* expr;
        double value;
    } cases[] = {
        {"draw_set_alpha(2); return draw_get_alpha();", 1},
        {"draw_set_alpha(-1); return draw_get_alpha();", 0},
        {"draw_set_alpha(0.3); draw_set_color(c_red); return draw_get_color();", 255},
        {"return make_color_rgb(255, 255, 255);", 16777215},
        {"return make_color_hsv(0, 0, 255);", 16777215},
        {"return make_color_hsv(85, 255, 255);", 0x00FF00},
        {"return color_get_hue(c_red);", 0},
        {"return color_get_value(c_red);", 255},
        {"return color_get_hue(c_blue);", 170},
        {"return color_get_saturation(c_gray);", 0},
        {"return color_get_blue(c_blue) + color_get_green(c_lime) + color_get_red(c_black);", 510},
        {"return merge_color(c_black, c_white, 0.5);", 0x808080},
        {"return merge_color(c_black, c_white, 2);", 0xFFFFFF},
        {"draw_set_circle_precision(3); return 0;", 4},
        {"draw_set_circle_precision(30); return 0;", 28},
        {"draw_set_circle_precision(100); return 0;", 64},
    };
    for (const Case& c : cases) {
        const double v = Run(c.expr);
        if (std::string(c.expr).find("precision") != std::string::npos)
            EXPECT_EQ(GR_Draw_GetCirclePrecision(), int(c.value)) << c.expr;
        else
            EXPECT_EQ(v, c.value) << c.expr;
    }
}

// Textures: the lowest free handle is reused; sizes; textured primitives with repeat.
TEST_F(GraphicsTest, TextureTableAndTexturedPrimitives) {
    const uint32_t px[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    const int a = GR_Texture_Create_And_Fill(2, 2, px);
    const int b = GR_Texture_Create_And_Fill(2, 2, px);
    ASSERT_GE(a, 0);
    GR_Texture_Free(a);
    EXPECT_FALSE(GR_Texture_Exists(a));
    EXPECT_EQ(GR_Texture_Create_And_Fill(2, 2, px), a);
    EXPECT_EQ(Run("return texture_exists(" + S(b) + ") + texture_exists(99999) + texture_get_width(-5);"), 2);
    // A 2 x 2 texture repeated four times over a 32 x 32 quad, no interpolation.
    Run("draw_set_color(c_white); texture_set_interpolation(false); texture_set_repeat(true); "
        "draw_primitive_begin_texture(pr_trianglestrip, " +
        S(b) + R"();
        draw_vertex_texture(0, 0, 0, 0); draw_vertex_texture(32, 0, 4, 0);
        draw_vertex_texture(0, 32, 0, 4); draw_vertex_texture(32, 32, 4, 4);
        draw_primitive_end(); texture_set_repeat(false);)");
    EXPECT_EQ(Pixel(2, 2), kRed);
    EXPECT_EQ(Pixel(6, 2), kGreen);
    EXPECT_EQ(Pixel(10, 2), kRed);
    EXPECT_EQ(Pixel(6, 6), kWhite);
    EXPECT_EQ(Pixel(2, 30), kBlue);
    GR_Texture_Free(a);
    GR_Texture_Free(b);
}

// Nothing a game passes may crash, hang or leave a GL error behind; missing resources report.
TEST_F(GraphicsTest, BadInputIsHarmless) {
    struct Case {
        const char* code;
        const char* error; // expected message, or "" for none
    } cases[] = {
        {"draw_sprite(12345, 0, 0, 0);", "Trying to draw non-existing sprite."},
        {"draw_sprite_ext(-1, 0, 0, 0, 1, 1, 0, c_white, 1);", "Trying to draw non-existing sprite."},
        {"draw_background(777, 0, 0);", "Trying to draw non-existing background."},
        {"draw_background_tiled(-3, 0, 0);", "Trying to draw non-existing background."},
        {"sprite_get_texture(999, 0);", "Trying to get texture from non-existing sprite."},
        {"background_get_texture(999);", "Trying to get texture from non-existing background."},
        {"screen_save(\"\");", "Trying to save screen to empty image file name."},
        {"screen_save(\"/nonexistent-dir/x.png\"); screen_save_part(\"/nonexistent-dir/y.bmp\", -5, -5, "
         "1000000000, inf);",
         ""},
        {"draw_rectangle(nan, 0, inf, -inf, false); draw_circle(0, 0, inf, false); draw_sprite_tiled(spr, 0, "
         "nan, inf); draw_sprite_ext(spr, inf, nan, 0, inf, -inf, nan, c_red, nan);",
         ""},
        {"draw_line_width(0, 0, inf, inf, inf); draw_text_transformed(0, 0, \"x\", inf, -inf, nan);", ""},
        {"draw_primitive_begin(pr_linelist); var k; k = 0; repeat (5000) { draw_vertex(k mod 64, k div 64); "
         "k += 1; }",
         ""},
        {"draw_primitive_begin(99); draw_vertex(0, 0); draw_primitive_end(); draw_primitive_end();", ""},
        {"draw_primitive_begin_texture(pr_trianglelist, 123456); draw_vertex(0, 0); draw_vertex(1, 0); "
         "draw_vertex(0, 1); draw_primitive_end();",
         ""},
        {"draw_set_blend_mode_ext(0, 99); draw_set_circle_precision(nan); draw_set_font(-99);", ""},
        {"return draw_getpixel(-inf, nan) + draw_getpixel(100000, 5);", ""},
        {"draw_text_ext(0, 0, \"a b c d e f\", -inf, inf); return string_width_ext(\"a-b c\", 0, -1);", ""},
    };
    // No built-in yields NaN or infinity: build them.
    const int spr = MakeSprite(TBitmap32(4, 4, 0xFF00FF00u), 1, 1);
    const std::string prelude =
        "var inf, nan, spr; inf = 10000000000; repeat (6) inf *= inf; nan = inf - inf; spr = " + S(spr) +
        "; ";
    for (const Case& c : cases) {
        Error_Reset();
        Run(prelude + c.code);
        if (*c.error)
            EXPECT_NE(LastError().find(c.error), std::string::npos) << c.code << " gave " << LastError();
        else
            EXPECT_EQ(LastError(), "") << c.code;
    }
    // A primitive past its 1001 vertices keeps only those.
    Run("draw_primitive_begin(pr_pointlist); repeat (1500) draw_vertex(0, 0);");
    EXPECT_EQ(GR_Draw_PrimitiveCount(), 1001);
    Run("draw_primitive_end();");
}

// The null backend accepts everything and reads 0; textures still get handles.
TEST(GraphicsNull, AcceptsDrawingAndReadsZero) {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::setenv("QUARVEL_RENDER", "null", 1);
    ASSERT_TRUE(GR_Device_Init(64, 64, 0));
    EXPECT_EQ(GR_Device_Name(), "null");
    const uint32_t px = 0xFFFFFFFFu;
    EXPECT_GE(GR_Texture_Create_And_Fill(1, 1, &px), 0);
    GR_Draw_Rectangle(0, 0, 10, 10, false);
    GR_Device_Clear(0xFFFFFFFFu);
    EXPECT_EQ(GR_Device_GetPixel(1, 1), 0);
    GR_Device_End_Frame();
    GR_Device_Done();
    ::unsetenv("QUARVEL_RENDER");
}

// End to end: a capture folder receives the presented frame; screen_save writes PNG and BMP.
TEST(GraphicsCapture, EvalWritesCaptureAndScreenshots) {
    TempDir dir;
    RunResult r = RunProgram(
        {QV_PACK_EXE, "eval",
         "draw_clear(c_blue); draw_set_color(c_red); draw_rectangle(0, 0, 9, 9, false); screen_save(\"" +
             dir / "a.PNG" + "\"); screen_save_part(\"" + dir / "b.bmp" +
             "\", 5, 5, 10, 8); return draw_getpixel(3, 3);"},
        {{"QUARVEL_CAPTURE", dir.path()}});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\"value\":255"), std::string::npos) << r.out;
    TBitmap32 frame, shot, part;
    ASSERT_TRUE(frame.LoadFromImageFile(dir / "000001.png"));
    EXPECT_EQ(frame.Width(), 640);
    EXPECT_EQ(frame.Pixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(frame.Pixel(300, 300), 0xFF0000FFu);
    ASSERT_TRUE(shot.LoadFromImageFile(dir / "a.PNG"));
    EXPECT_EQ(shot.Pixel(9, 9), 0xFFFF0000u);
    ASSERT_TRUE(part.LoadFromImageFile(dir / "b.bmp"));
    EXPECT_EQ(part.Width(), 10);
    EXPECT_EQ(part.Height(), 8);
    EXPECT_EQ(part.Pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(part.Pixel(9, 7) & 0xFFFFFF, 0x0000FFu);
}
