// Room drawing through the main loop: the room's colour, layers, instances and tiles by depth,
// the default draw and the Draw event, views with ports, following and rotation.
#include "GraphicsTest.h"

#include "../run/WorldTest.h"
#include "data/Option_Main.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Main.h"
#include "graphics/Room_Draw.h"

#include <unistd.h>

namespace {

void WritePng(const std::string& path, int w, int h, uint32_t argb) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(TBitmap32(w, h, argb).SaveToImageFile(path));
}

// Runs a game in process with the render device, for `steps` steps; the render area afterwards.
TBitmap32 RunAndGrab(const TestGame& game, const std::vector<std::pair<std::string, uint32_t>>& sprites,
                     const std::vector<std::pair<std::string, uint32_t>>& backgrounds, int steps = 1) {
    TempDir d;
    game.WriteTo(d);
    std::string index = "[";
    for (size_t k = 0; k < sprites.size(); k++) {
        WritePng(d / ("sprites/" + sprites[k].first + "/0.png"), 16, 16, sprites[k].second);
        WriteFileText(d / ("sprites/" + sprites[k].first + "/sprite.json"), "{}");
        index += (k ? ",\"" : "\"") + sprites[k].first + "\"";
    }
    if (!sprites.empty()) WriteFileText(d / "sprites/index.json", index + "]");
    index = "[";
    for (size_t k = 0; k < backgrounds.size(); k++) {
        WritePng(d / ("backgrounds/" + backgrounds[k].first + ".png"), 8, 8, backgrounds[k].second);
        WriteFileText(d / ("backgrounds/" + backgrounds[k].first + ".json"),
                      "{\"image\":\"" + backgrounds[k].first + ".png\"}");
        index += (k ? ",\"" : "\"") + backgrounds[k].first + "\"";
    }
    if (!backgrounds.empty()) WriteFileText(d / "backgrounds/index.json", index + "]");
    GameImage image = Pack_ReadProject(d.path());
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::setenv("QUARVEL_MAX_STEPS", std::to_string(steps).c_str(), 1);
    ::setenv("QUARVEL_NO_WAIT", "1", 1);
    Runtime_Start();
    testing::internal::CaptureStdout();
    TBitmap32 shot;
    if (LoadInProcess(image).status == ELoadStatus::Ok) {
        Runtime_Reset();
        opt_writeerrors = false;
        EXPECT_TRUE(Graphics_Start());
        if (Runner_PrepareCode()) EXPECT_EQ(Run_Game(), 0);
        int w, h;
        GR_Device_GetSize(w, h);
        GR_Device_GrabScreen(0, 0, w, h, shot);
        Graphics_Stop();
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("\"dialog\""), std::string::npos) << out;
    Platform_Quit();
    ::unsetenv("QUARVEL_MAX_STEPS");
    ::unsetenv("QUARVEL_NO_WAIT");
    return shot;
}

int Colour(const TBitmap32& bm, int x, int y) {
    const uint32_t p = bm.Pixel(x, y);
    return int(((p >> 16) & 255) | (p & 0xFF00) | ((p & 255) << 16));
}

constexpr int kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kYellow = 0x00FFFF, kGrey = 0x808080;

} // namespace

// Back colour, a tiled back layer, instances and a tile by depth (an instance before a tile of
// equal depth, so the tile covers it), a Draw event instead of the sprite, a front layer.
TEST(RoomDraw, LayersInstancesAndTilesByDepth) {
    TestGame g;
    g.Object("o_red", R"({"sprite": "spr_red", "depth": 0})");
    g.Object("o_blue", R"({"sprite": "spr_blue", "depth": -5})");
    g.Object("o_drawn",
             "{\"sprite\": \"spr_red\", \"depth\": 20000, \"events\": [" +
                 Event("draw", "draw_set_color(c_lime); draw_rectangle(x, y, x + 7, y + 7, false);") + "]}");
    g.Room("r0", R"({"width": 64, "height": 48, "color": 8421504, "show_color": true,
        "backgrounds": [{"visible": true, "background": "bg_yellow", "x": 0, "y": 40, "htiled": true, "vtiled": false},
                        {"visible": true, "foreground": true, "background": "bg_green", "x": 56, "y": 0,
                         "htiled": false, "vtiled": true}],
        "instances": [{"x": 4, "y": 4, "object": "o_red"}, {"x": 12, "y": 12, "object": "o_blue"},
                      {"x": 30, "y": 4, "object": "o_red"}, {"x": 40, "y": 20, "object": "o_drawn"}],
        "tiles": [{"x": 34, "y": 8, "background": "bg_green", "xo": 0, "yo": 0, "w": 8, "h": 8, "depth": 0}]})");
    const TBitmap32 s = RunAndGrab(g, {{"spr_red", 0xFFFF0000u}, {"spr_blue", 0xFF0000FFu}},
                                   {{"bg_yellow", 0xFFFFFF00u}, {"bg_green", 0xFF00FF00u}});
    ASSERT_EQ(s.Width(), 64);
    ASSERT_EQ(s.Height(), 48);
    EXPECT_EQ(Colour(s, 2, 30), kGrey);    // the room colour
    EXPECT_EQ(Colour(s, 20, 44), kYellow); // the back layer, tiled across
    EXPECT_EQ(Colour(s, 6, 6), kRed);      // o_red alone
    EXPECT_EQ(Colour(s, 16, 16), kBlue);   // o_blue (depth -5) in front of o_red
    EXPECT_EQ(Colour(s, 36, 10), kGreen);  // the tile in front of the instance of equal depth
    EXPECT_EQ(Colour(s, 32, 6), kRed);
    EXPECT_EQ(Colour(s, 42, 22), kGreen); // the Draw event drew instead of the sprite
    EXPECT_EQ(Colour(s, 50, 30), kGrey);  // ... whose sprite would have reached here
    EXPECT_EQ(Colour(s, 58, 44), kGreen); // the front layer over the back layer
}

// Two views: the render area is sized from the ports, the first scaled 2x, the second following
// an instance (limited by the room's edge) and the clears limited to each port.
TEST(RoomDraw, ViewsPortsAndFollowing) {
    TestGame g;
    g.Object("o_player", R"({"sprite": "spr_red"})");
    g.Object("o_mark", R"({"sprite": "spr_blue"})");
    g.Room("r0", R"({"width": 200, "height": 100, "color": 8421504, "show_color": true,
        "enable_views": true, "clear_view_background": true,
        "views": [{"visible": true, "xview": 0, "yview": 0, "wview": 40, "hview": 40,
                   "xport": 0, "yport": 0, "wport": 80, "hport": 80},
                  {"visible": true, "xview": 0, "yview": 0, "wview": 60, "hview": 60,
                   "xport": 90, "yport": 10, "wport": 60, "hport": 60,
                   "hborder": 20, "vborder": 20, "hspeed": -1, "vspeed": -1, "follow": "o_player"}],
        "instances": [{"x": 184, "y": 40, "object": "o_player"}, {"x": 0, "y": 0, "object": "o_mark"}]})");
    const TBitmap32 s = RunAndGrab(g, {{"spr_red", 0xFFFF0000u}, {"spr_blue", 0xFF0000FFu}}, {});
    ASSERT_EQ(s.Width(), 150);
    ASSERT_EQ(s.Height(), 80);
    EXPECT_EQ(Colour(s, 30, 30), kBlue); // o_mark 16x16 at (0, 0) shown 32x32
    EXPECT_EQ(Colour(s, 34, 34), kGrey);
    EXPECT_EQ(Colour(s, 85, 5), opt_windowcolor & 0xFFFFFF); // between the ports: the window colour
    // The view follows o_player (184..199, 40..55) to the room's right edge: xview 140; its
    // bottom border is not passed (40 + 20 is not beyond 0 + 60), so yview stays 0.
    EXPECT_EQ(Colour(s, 90 + 50, 10 + 45), kRed);
    EXPECT_EQ(Colour(s, 90 + 43, 10 + 45), kGrey);
    EXPECT_EQ(Colour(s, 90 + 50, 10 + 38), kGrey);
}

// F9's screenshot takes the first free number from 100 up.
TEST_F(GraphicsTest, ScreenshotsTakeTheFirstFreeNumber) {
    TempDir d;
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(d.path().c_str()), 0);
    WriteFileText("screenshot100.png", "x");
    Run("draw_clear(c_red);");
    EXPECT_EQ(Room_SaveScreenshot(), "screenshot101.png");
    EXPECT_EQ(Room_SaveScreenshot(), "screenshot102.png");
    TBitmap32 bm;
    EXPECT_TRUE(bm.LoadFromImageFile("screenshot102.png"));
    EXPECT_EQ(bm.Pixel(5, 5), 0xFFFF0000u);
    ASSERT_EQ(chdir(old), 0);
}

// A room change with a transition kind shows steps + 1 frames from the old room's picture to the
// new room's; the middle frame (f = 0.5) of each kind is composed as the kind says.
TEST(RoomDraw, TransitionKindsComposeBothRooms) {
    struct RCase {
        int kind;
        std::vector<std::pair<std::pair<int, int>, int>> middle; // (x, y) -> colour at f = 0.5
    };
    constexpr int kBlack = 0;
    const RCase cases[] = {
        {1, {{{5, 15}, kBlue}, {{30, 15}, kRed}}},  // revealed from the left
        {7, {{{5, 15}, kRed}, {{30, 15}, kBlue}}},  // slides in from the right
        {16, {{{20, 5}, kBlue}, {{20, 25}, kRed}}}, // pushes the old room down
        {10, {{{5, 15}, kBlue}, {{15, 15}, kRed}, {{25, 15}, kBlue}, {{35, 15}, kRed}}}, // stripes
        {21, {{{5, 15}, kBlack}, {{30, 25}, kBlack}}},                                   // faded out to black
        {30, {{{5, 15}, kGreen}, {{30, 15}, kBlack}}}, // the game's own, by script
    };
    for (const RCase& c : cases) {
        TestGame g;
        g.scripts.emplace_back("tr_wipe",
                               "draw_set_color(c_lime); draw_rectangle(0, 0, argument2 * argument4 - "
                               "1, argument3, false);");
        g.Object("o_go", Events(Event("create", "transition_define(30, \"tr_wipe\");") + "," +
                                Event("step", "transition_kind = " + std::to_string(c.kind) +
                                                  "; transition_steps = 4; room_goto_next();")));
        g.Room("r_old", R"({"width": 40, "height": 30, "color": 255, "show_color": true,
            "instances": [{"x": 0, "y": 0, "object": "o_go"}]})");
        g.Room("r_new", R"({"width": 40, "height": 30, "color": 16711680, "show_color": true})");
        TempDir frames;
        ::setenv("QUARVEL_CAPTURE", frames.path().c_str(), 1);
        RunAndGrab(g, {}, {}, 2);
        ::unsetenv("QUARVEL_CAPTURE");
        // Frame 1 is the old room's first; frames 2 to 6 the passage at f = 0, 0.25 ... 1.
        auto frame = [&](int n) {
            TBitmap32 bm;
            char name[32];
            std::snprintf(name, sizeof name, "/%06d.png", n);
            EXPECT_TRUE(bm.LoadFromImageFile(frames.path() + name)) << "kind " << c.kind << " frame " << n;
            return bm;
        };
        const TBitmap32 last = frame(6); // the built-in kinds end on the new room alone
        if (c.kind <= 21 && last.Width() == 40) EXPECT_EQ(Colour(last, 20, 15), kBlue) << "kind " << c.kind;
        const TBitmap32 mid = frame(4);
        ASSERT_EQ(mid.Width(), 40) << "kind " << c.kind;
        for (const auto& [at, colour] : c.middle)
            EXPECT_EQ(Colour(mid, at.first, at.second), colour)
                << "kind " << c.kind << " at " << at.first << "," << at.second;
    }
}

// Which kinds exist: the 21 built in, and those the game defines with a function's name.
TEST_F(GraphicsTest, TransitionKindsDefined) {
    EXPECT_EQ(Run("return transition_exists(21) * 10 + transition_exists(22);"), 10);
    EXPECT_EQ(Run("return transition_define(22, \"no_such_function\");"), 0);
    EXPECT_EQ(Run("return transition_define(0, \"draw_clear\") * 10 + transition_exists(0);"), 10);
    EXPECT_EQ(Run("return transition_define(1000000, \"draw_clear\") * 10 + transition_exists(1000000);"),
              10);
    EXPECT_EQ(Run("return transition_define(2500, \"draw_clear\") * 10 + transition_exists(2500);"), 11);
    EXPECT_EQ(Run("return transition_exists(2499) + transition_exists(3499) * 10;"), 0);
}
