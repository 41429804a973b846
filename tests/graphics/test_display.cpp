// The display mode (on the simulated display of headless runs), the colour-depth question and
// the device made again with its textures and render states.
#include "GraphicsTest.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Main.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Room_Draw.h"
#include "platform/Platform_Window.h"

namespace {

constexpr int kMagenta = 0xFF00FF;

struct RModeCase {
    const char* code;
    double result;
    int w, h, bpp, freq; // the mode afterwards
};

} // namespace

// Only given parts change, to a mode the display offers; a test changes nothing; every change
// makes the device again.
TEST_F(GraphicsTest, DisplayModeChanges) {
    EXPECT_EQ(Run("return display_get_width() * 10000 + display_get_height();"), 1024 * 10000 + 768);
    EXPECT_EQ(Run("return display_get_colordepth();"), 32);
    EXPECT_EQ(Run("return display_get_frequency();"), 60);
    const RModeCase cases[] = {
        {"return display_test_all(800, 600, 85, 16);", 1, 1024, 768, 32, 60},
        {"return display_test_all(800, 600, 75, 16);", 0, 1024, 768, 32, 60},
        {"return display_set_size(800, 600);", 1, 800, 600, 32, 60},
        {"return display_set_colordepth(16);", 1, 800, 600, 16, 60},
        {"return display_set_frequency(85);", 1, 800, 600, 16, 85},
        {"return display_set_all(1000, 600, 60, 32);", 0, 800, 600, 16, 85},
        {"return display_set_all(-1, 0, 0, 32);", 1, 800, 600, 32, 85},
        {"return display_set_all(1600, 1200, 120, 16);", 1, 1600, 1200, 16, 120},
    };
    for (const RModeCase& c : cases) {
        const int resets = GR_Device_ResetCount();
        EXPECT_EQ(Run(c.code), c.result) << c.code;
        RDisplayMode m;
        ASSERT_TRUE(Platform_DisplayGetMode(m));
        EXPECT_EQ(m.w, c.w) << c.code;
        EXPECT_EQ(m.h, c.h) << c.code;
        EXPECT_EQ(m.bpp, c.bpp) << c.code;
        EXPECT_EQ(m.freq, c.freq) << c.code;
        const bool sets = std::string(c.code).find("display_set") != std::string::npos;
        EXPECT_EQ(GR_Device_ResetCount(), resets + (sets ? 1 : 0)) << c.code;
    }
    Platform_DisplayRestore();
    EXPECT_EQ(Run("return display_get_width();"), 1024);
}

// A reset makes every texture again from its pixels, keeps the blend mode, and clears the area.
TEST_F(GraphicsTest, DeviceResetKeepsTexturesAndStates) {
    TBitmap32 red(8, 8, 0xFFFF0000u);
    const int tex = GR_Texture_Create_And_Fill(8, 8, red.Pixels());
    ASSERT_GE(tex, 0);
    GR_Device_SetBlendMode(1); // additive
    GR_Device_Clear(0xFF0000FFu);
    ASSERT_TRUE(GR_Device_Reset());
    EXPECT_EQ(Pixel(40, 40), 0); // cleared to black
    EXPECT_TRUE(GR_Texture_Exists(tex));
    GR_Device_Clear(0xFF0000FFu);
    GR_Texture_Draw(tex, 10, 10);
    EXPECT_EQ(Pixel(13, 13), kMagenta); // red added onto blue: the texture and the blend mode
    EXPECT_EQ(Pixel(30, 30), 0xFF0000);
    GR_Texture_Free(tex);

    // display_reset asks for a reset after the frame is presented, recording the samples.
    const int resets = GR_Device_ResetCount();
    Run("display_reset(4);");
    EXPECT_EQ(GR_Device_ResetCount(), resets);
    Room_PresentFrame();
    EXPECT_EQ(GR_Device_ResetCount(), resets + 1);
    EXPECT_EQ(GR_Device_GetMultisample(), 4);
    Run("display_reset(3);");
    Room_PresentFrame();
    EXPECT_EQ(GR_Device_GetMultisample(), 0);
    EXPECT_EQ(GR_Device_ResetCount(), resets + 2);
    Room_PresentFrame();
    EXPECT_EQ(GR_Device_ResetCount(), resets + 2);
}

// The settings' display mode is set at start and given back at the end; a display neither 16
// nor 32 bits deep asks the player, and a refusal stops graphics start.
TEST(GraphicsDisplay, SettingsModeAndColourDepthQuestion) {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    Option_SetDefaults();
    opt_setresolution = true;
    opt_resolution = 3;
    opt_colordepth = 1;
    opt_frequency = 7; // not in the table: no change
    ASSERT_TRUE(Graphics_Start());
    RDisplayMode m;
    ASSERT_TRUE(Platform_DisplayGetMode(m));
    EXPECT_EQ(m.w, 800);
    EXPECT_EQ(m.h, 600);
    EXPECT_EQ(m.bpp, 16);
    EXPECT_EQ(m.freq, 60);
    Graphics_Stop();
    ASSERT_TRUE(Platform_DisplayGetMode(m));
    EXPECT_EQ(m.w, 1024);
    EXPECT_EQ(m.bpp, 32);

    Option_SetDefaults();
    Platform_DisplaySimulate(RDisplayMode{1024, 768, 24, 60},
                             {RDisplayMode{1024, 768, 24, 60}, RDisplayMode{1024, 768, 16, 60}});
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Graphics_Start()); // headless answers No
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("This application requires 16-bit or 32-bit color mode. Should I switch to a valid "
                       "color mode?"),
              std::string::npos)
        << out;
    EXPECT_FALSE(GR_Device_Exists());
    Platform_DisplaySimulate(RDisplayMode{}, {});
}
