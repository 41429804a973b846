// The GL device is made on its first real use; until then the render area reads as the opaque
// black a fresh device has, and what was given to it before (textures, states) is there once made.
#include "Pack_Writer.h"
#include "TestRun.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Main.h"
#include "data/Option_Main.h"
#include "graphics/BM32_Bitmap.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Main.h"
#include "graphics/Graphics_Texture.h"
#include "platform/Platform_Window.h"
#include "run/Instance_Class.h"
#include "run/Run_Runtime.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct DeviceRun {
    DeviceRun() {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        ::unsetenv("QUARVEL_RENDER");
        Option_SetDefaults();
        opt_writeerrors = false;
        Runtime_Start();
        Runtime_Reset();
        ok = Graphics_Start();
    }
    ~DeviceRun() { Graphics_Stop(); }
    double Run(const std::string& text) {
        CCode code(text, false);
        if (!code.Compile()) {
            ADD_FAILURE() << text << ": " << Error_Buffer();
            return -1;
        }
        CInstance self;
        RValue result;
        Code_Execute(&self, &self, &code, result);
        return result.val;
    }
    bool ok = false;
};

} // namespace

// Code that draws nothing leaves the device unmade (reads and the frame still give the black a
// fresh device has); anything drawn makes it, and the drawing is there.
TEST(GraphicsDevice, MadeOnTheFirstDrawing) {
    struct Case {
        const char* code;
        bool made;
        int pixel; // draw_getpixel(3, 3) afterwards
    };
    const Case cases[] = {
        {"return 1;", false, 0},
        {"draw_clear(c_black); draw_set_color(c_red); draw_set_alpha(0.5); return 1;", false, 0},
        {"return draw_getpixel(3, 3);", false, 0},
        {"draw_clear(c_red);", true, 255},
        {"draw_set_color(c_lime); draw_rectangle(0, 0, 9, 9, false);", true, 65280},
    };
    for (const Case& c : cases) {
        DeviceRun run;
        ASSERT_TRUE(run.ok);
        EXPECT_EQ(GR_Device_Name(), "gl");
        run.Run(c.code);
        GR_Device_End_Frame();
        EXPECT_EQ(GameWindow_IsOpen(), c.made) << c.code;
        EXPECT_EQ(GR_Device_GetPixel(3, 3), c.pixel) << c.code;
        EXPECT_EQ(Error_Last(), "") << c.code;
    }
}

// Textures (with pixels, and empty ones drawn into later), the render size, the view and the
// blending given before the device is made are the device's when the first drawing makes it;
// the frame written before that is the fresh device's black.
TEST(GraphicsDevice, WhatCameBeforeIsGivenToTheMadeDevice) {
    TempDir dir;
    ::setenv("QUARVEL_CAPTURE", dir.path().c_str(), 1);
    DeviceRun run;
    ::unsetenv("QUARVEL_CAPTURE");
    ASSERT_TRUE(run.ok);
    GR_Device_End_Frame();
    TBitmap32 frame;
    ASSERT_TRUE(frame.LoadFromImageFile(dir / "000001.png"));
    EXPECT_EQ(frame.Width(), 640);
    EXPECT_EQ(frame.Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(frame.Pixel(639, 479), 0xFF000000u);

    const uint32_t red[4] = {0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u};
    const int tex = GR_Texture_Create_And_Fill(2, 2, red);
    const int target = GR_Texture_Create_Empty(4, 4, true);
    ASSERT_GE(tex, 0);
    ASSERT_GE(target, 0);
    GR_Device_SetSize(32, 32);
    GR_Device_SetView(-8, -8, 32, 32, 0); // world (0, 0) at pixel (8, 8)
    GR_Device_SetBlendMode(1);            // additive
    EXPECT_FALSE(GameWindow_IsOpen());

    GR_Device_Clear(0xFF000080u); // makes the device
    EXPECT_TRUE(GameWindow_IsOpen());
    GR_Texture_Draw(tex, 0, 0);
    EXPECT_EQ(GR_Device_GetPixel(8, 8), 0x8000FF);   // red added to the dark blue
    EXPECT_EQ(GR_Device_GetPixel(10, 10), 0x800000); // past the 2 x 2 texture
    GR_Device_SetBlendMode(0);
    ASSERT_TRUE(GR_Device_SetTarget(target));
    GR_Device_SetViewport(0, 0, 4, 4);
    GR_Device_Clear(0xFF00FF00u);
    ASSERT_TRUE(GR_Device_SetTarget(-1));
    GR_Device_SetViewport(0, 0, 32, 32);
    GR_Texture_Draw(target, 10, 10);
    EXPECT_EQ(GR_Device_GetPixel(19, 19), 0x00FF00);
}

// A device that cannot be made still fails the runner's start with its message (the runner shows
// frames from its first room on); eval runs code that draws nothing without it, and code that draws
// gets the message once and draws nothing.
TEST(GraphicsDevice, ADeviceThatCannotBeMade) {
    const std::map<std::string, std::string> broken = {{"MESA_GL_VERSION_OVERRIDE", "3.0"},
                                                       {"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent"}};
    const std::string message =
        "D3D.CreateDevice() Error: Please check that your graphics card meets the minimum "
        "requirements and that your drivers are up-to-date. If your graphics card has "
        "little memory, try switching your computer to a lower resolution. (Error: -1)";
    TempDir dir;
    const std::string path = dir / "game.dat";
    ASSERT_TRUE(Pack_WriteFile(path, Pack_DataOnly(Pack_WriteGameData(Pack_MinimalGame())), false));
    RunResult game = RunGame(path, broken);
    EXPECT_EQ(game.status, 1) << game.out << game.err;
    ASSERT_EQ(game.JsonLines().size(), 1u) << game.out;
    EXPECT_NE(game.JsonLines()[0].find(message), std::string::npos) << game.out;

    std::map<std::string, std::string> env = broken;
    RunResult quiet = RunProgram({QV_PACK_EXE, "eval", "return 1"}, env);
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "{\"kind\":\"real\",\"value\":1}\n");

    RunResult drawn =
        RunProgram({QV_PACK_EXE, "eval",
                    "draw_clear(c_red); draw_rectangle(0, 0, 5, 5, false); return draw_getpixel(1, 1);"},
                   env);
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    const std::vector<std::string> lines = drawn.JsonLines();
    ASSERT_EQ(lines.size(), 2u) << drawn.out;
    EXPECT_NE(lines[0].find(message), std::string::npos) << drawn.out;
    EXPECT_EQ(lines[1], "{\"kind\":\"real\",\"value\":0}");
}
