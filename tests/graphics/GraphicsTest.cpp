#include "GraphicsTest.h"

#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Main.h"
#include "graphics/Graphics_Text.h"
#include "run/Instance_Class.h"
#include "run/Run_Runtime.h"

#include <cstdlib>

void GraphicsTest::SetUpTestSuite() {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::unsetenv("QUARVEL_RENDER");
    ::unsetenv("QUARVEL_CAPTURE");
    Option_SetDefaults();
    opt_writeerrors = false;
    opt_interpolate = false;
    Runtime_Start();
    ASSERT_TRUE(Graphics_Start());
}

void GraphicsTest::TearDownTestSuite() {
    Graphics_Stop();
}

void GraphicsTest::SetUp() {
    Runtime_Reset();
    opt_writeerrors = false;
    GR_Draw_Reset();
    Text_Reset();
    GR_Device_SetBlendMode(0);
    GR_Device_SetSize(64, 64);
    GR_Device_SetViewport(0, 0, 64, 64);
    GR_Device_SetView(0, 0, 64, 64, 0);
    GR_Device_Clear(0xFFFFFFFFu);
}

void GraphicsTest::TearDown() {}

double GraphicsTest::Run(const std::string& text) {
    CCode code(text, false);
    if (!code.Compile()) {
        ADD_FAILURE() << text << ": " << Error_Buffer();
        return 0;
    }
    CInstance self;
    RValue result;
    Code_Execute(&self, &self, &code, result);
    return result.val;
}

int GraphicsTest::Pixel(int x, int y) {
    return GR_Device_GetPixel(x, y);
}

std::string GraphicsTest::LastError() {
    return Error_Last();
}

void GraphicsTest::ExpectGolden(const std::string& name, int tol) {
    int w, h;
    GR_Device_GetSize(w, h);
    TBitmap32 shot;
    ASSERT_TRUE(GR_Device_GrabScreen(0, 0, w, h, shot));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) shot.SetPixel(x, y, shot.Pixel(x, y) | 0xFF000000u);
    const std::string path = std::string(QV_TESTS_DIR) + "/graphics/golden/" + name + ".png";
    const char* update = std::getenv("QV_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(shot.SaveToImageFile(path));
        return;
    }
    TBitmap32 gold;
    ASSERT_TRUE(gold.LoadFromImageFile(path)) << path;
    ASSERT_EQ(gold.Width(), w);
    ASSERT_EQ(gold.Height(), h);
    int compared = 0, bad = 0;
    std::string first;
    for (int y = 1; y + 1 < h; y++) {
        for (int x = 1; x + 1 < w; x++) {
            const uint32_t g = gold.Pixel(x, y) & 0xFFFFFF;
            bool uniform = true;
            for (int dy = -1; dy <= 1 && uniform; dy++)
                for (int dx = -1; dx <= 1; dx++)
                    if ((gold.Pixel(x + dx, y + dy) & 0xFFFFFF) != g) uniform = false;
            if (!uniform) continue;
            compared++;
            const uint32_t s = shot.Pixel(x, y);
            for (int sh = 0; sh < 24; sh += 8) {
                const int d = int((s >> sh) & 255) - int((g >> sh) & 255);
                if (d > tol || d < -tol) {
                    if (bad++ == 0)
                        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") drawn " +
                                std::to_string(s & 0xFFFFFF) + " golden " + std::to_string(g);
                    break;
                }
            }
        }
    }
    EXPECT_EQ(bad, 0) << name << ": " << bad << " pixels differ, first " << first;
    EXPECT_GT(compared, w * h / 4) << name << ": too few uniform pixels to judge";
}
