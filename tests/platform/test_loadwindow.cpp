// Loading window geometry and the composed frame (bars stretched or cut, label rules).
#include "platform/Platform_App.h"
#include "platform/Platform_LoadWindow.h"
#include "platform_test_util.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlack = 0xFF000000;
// The front bar image's four columns, so that stretching and cutting can be told apart.
constexpr uint32_t kFront[4] = {0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040};

std::unique_ptr<TBitmap32> Solid(int w, int h, uint32_t c) {
    return std::make_unique<TBitmap32>(w, h, c);
}

std::unique_ptr<TBitmap32> Columns() {
    auto b = std::make_unique<TBitmap32>(4, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x) b->SetPixel(x, y, kFront[x]);
    return b;
}

LoadWindowLook Look(int imageW, int imageH) {
    LoadWindowLook look;
    if (imageW > 0) look.image = Solid(imageW, imageH, kRed);
    look.barBack = Solid(10, 6, kGreen);
    look.barFront = Columns();
    return look;
}

TEST(PlatformLoadWindow, Layout) {
    struct Case {
        int imageW, imageH, percent;
        int width, height, barY, backWidth, frontWidth;
    };
    const Case cases[] = {
        {0, 0, 50, 332, 92, 60, 284, 142}, // designed size without an image
        {0, 0, 100, 332, 92, 60, 284, 284},
        {298, 50, 1, 298, 50, 18, 250, 2}, // 2.5 rounds to even
        {298, 50, 3, 298, 50, 18, 250, 8}, // 7.5 rounds to even
        {298, 50, 0, 298, 50, 18, 250, 0},
        {40, 20, 50, 40, 20, -12, 0, 0},     // narrower than the margins: no bar
        {100, 60, 150, 100, 60, 28, 52, 52}, // never wider than the back bar
    };
    for (const Case& c : cases) {
        LoadWindowLayout l = LoadWindow_Layout(Look(c.imageW, c.imageH), c.percent);
        SCOPED_TRACE(testing::Message() << c.imageW << "x" << c.imageH << " at " << c.percent);
        EXPECT_EQ(l.width, c.width);
        EXPECT_EQ(l.height, c.height);
        EXPECT_EQ(l.barX, 24);
        EXPECT_EQ(l.barY, c.barY);
        EXPECT_EQ(l.backWidth, c.backWidth);
        EXPECT_EQ(l.frontWidth, c.frontWidth);
        EXPECT_EQ(l.backHeight, 6);
    }
}

TEST(PlatformLoadWindow, FrameStretchesOrCutsTheFrontBar) {
    for (bool scale : {true, false}) {
        SCOPED_TRACE(scale ? "stretched" : "cut");
        LoadWindowLook look = Look(100, 60);
        look.scaleProgress = scale;
        LoadWindow_Show(std::move(look));
        ASSERT_TRUE(LoadWindow_Active());
        LoadWindow_Progress(50, "Loading sprites"); // 26 of 52 pixels
        auto f = LoadWindow_Frame();
        ASSERT_TRUE(f);
        ASSERT_EQ(f->Width(), 100);
        ASSERT_EQ(f->Height(), 60);
        const int y = 28 + 3;
        EXPECT_EQ(f->Pixel(23, y), kRed);
        EXPECT_EQ(f->Pixel(24 + 52, y), kRed);
        EXPECT_EQ(f->Pixel(24 + 51, y), kGreen);
        EXPECT_EQ(f->Pixel(10, 27), kRed);
        EXPECT_EQ(f->Pixel(30, 28 + 6), kRed); // below the bar
        if (scale) {
            // 4 columns over 26 pixels: column k covers x with x * 4 / 26 == k.
            for (int x = 0; x < 26; ++x) EXPECT_EQ(f->Pixel(24 + x, y), kFront[x * 4 / 26]) << x;
            EXPECT_EQ(f->Pixel(24 + 26, y), kGreen);
        } else {
            for (int x = 0; x < 4; ++x) EXPECT_EQ(f->Pixel(24 + x, y), kFront[x]) << x;
            EXPECT_EQ(f->Pixel(24 + 4, y), kGreen);
        }
        LoadWindow_Hide();
        EXPECT_FALSE(LoadWindow_Active());
        EXPECT_EQ(LoadWindow_Frame(), nullptr);
    }
}

int BlackPixels(const TBitmap32& f) {
    int n = 0;
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x) n += f.Pixel(x, y) == kBlack;
    return n;
}

TEST(PlatformLoadWindow, LabelOnlyWithBarAndDebug) {
    struct Case {
        bool showProgress, showLabel, drawn;
    };
    for (const Case& c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
        LoadWindowLook look;
        look.showProgress = c.showProgress;
        look.showLabel = c.showLabel;
        LoadWindow_Show(std::move(look));
        LoadWindow_Progress(0, "Loading");
        auto f = LoadWindow_Frame();
        ASSERT_TRUE(f);
        EXPECT_EQ(BlackPixels(*f) > 20, c.drawn) << c.showProgress << c.showLabel;
        LoadWindow_Hide();
    }
}

TEST(PlatformLoadWindow, ShowsOnTheHeadlessDriver) {
    ScopedEnv headless("QUARVEL_HEADLESS", "1");
    ASSERT_TRUE(Platform_Init());
    LoadWindowLook look = Look(120, 80);
    look.transparent = true;
    look.alpha = 128;
    look.showLabel = true;
    LoadWindow_Show(std::move(look));
    LoadWindow_Progress(40, "Loading sounds \xC3\xA9");
    EXPECT_TRUE(LoadWindow_Active());
    LoadWindow_Hide();
    LoadWindow_Hide(); // twice is harmless
    Platform_Quit();
}

} // namespace
