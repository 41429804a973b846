// The error window rendered under SDL's offscreen driver and read back: it shows the memo text
// and its buttons (one button fewer when Ignore is not offered), not a blank window.
#include "platform/Platform_ErrorWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Counts {
    int dark = 0;   // text
    int button = 0; // ImGui's light-style buttons are blue-tinted
};

Counts Count(const std::vector<uint32_t>& px, int w, int y0, int y1) {
    Counts c;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = px[size_t(y) * size_t(w) + size_t(x)];
            int r = int(p & 0xFF), g = int((p >> 8) & 0xFF), b = int((p >> 16) & 0xFF);
            if (r < 80 && g < 80 && b < 80) ++c.dark;
            if (b > r + 40) ++c.button;
        }
    return c;
}

TEST(LangErrorWindow, RendersTextAndButtonsOffscreen) {
    if (!std::getenv("SDL_VIDEODRIVER")) ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::vector<std::string> memo = {
        "", std::string(43, '_'), "ERROR in", "action number 1", "of Create Event", "for object obj_a:",
        "", "Division by 0."};
    std::vector<uint32_t> withIgnore, withoutIgnore;
    int w = 0, h = 0;
    if (!ErrorForm_RenderForTest(memo, true, withIgnore, w, h))
        GTEST_SKIP() << "no OpenGL context under the offscreen driver on this machine";
    ASSERT_EQ(w, 499);
    ASSERT_EQ(h, 361);
    ASSERT_TRUE(ErrorForm_RenderForTest(memo, false, withoutIgnore, w, h));

    Counts memoArea = Count(withIgnore, w, 0, h - 45);
    Counts buttons = Count(withIgnore, w, h - 45, h);
    Counts buttonsNoIgnore = Count(withoutIgnore, w, h - 45, h);
    EXPECT_GT(memoArea.dark, 300);   // several lines of text
    EXPECT_GT(buttons.button, 2000); // four buttons' faces
    EXPECT_GT(buttons.dark, 100);    // with captions
    EXPECT_LT(buttonsNoIgnore.button, buttons.button * 9 / 10);
    EXPECT_GT(buttonsNoIgnore.button, buttons.button * 6 / 10);
}

} // namespace
