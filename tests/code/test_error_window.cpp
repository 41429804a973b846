// The error window rendered under SDL's offscreen driver and read back: it shows the memo text
// and its buttons (one button fewer when Ignore is not offered), not a blank window. The window
// runs in a child process so that its SDL video state never meets other tests'.
#include "platform/Platform_ErrorWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

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

// What the child measures: {rendered, width, height, memo dark, buttons, button dark, buttons without
// Ignore}.
struct Measure {
    int rendered = 0, w = 0, h = 0, memoDark = 0, buttons = 0, buttonDark = 0, buttonsNoIgnore = 0;
};

Measure RenderInChild() {
    int fd[2];
    if (pipe(fd) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::vector<std::string> memo = {
            "", std::string(43, '_'), "ERROR in", "action number 1", "of Create Event", "for object obj_a:",
            "", "Division by 0."};
        std::vector<uint32_t> withIgnore, withoutIgnore;
        Measure m;
        if (ErrorForm_RenderForTest(memo, true, withIgnore, m.w, m.h) &&
            ErrorForm_RenderForTest(memo, false, withoutIgnore, m.w, m.h)) {
            m.rendered = 1;
            m.memoDark = Count(withIgnore, m.w, 0, m.h - 45).dark;
            Counts b = Count(withIgnore, m.w, m.h - 45, m.h);
            m.buttons = b.button;
            m.buttonDark = b.dark;
            m.buttonsNoIgnore = Count(withoutIgnore, m.w, m.h - 45, m.h).button;
        }
        ssize_t n = write(fd[1], &m, sizeof m);
        _exit(n == ssize_t(sizeof m) ? 0 : 1);
    }
    close(fd[1]);
    Measure m;
    if (read(fd[0], &m, sizeof m) != ssize_t(sizeof m)) m = {};
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return m;
}

TEST(LangErrorWindow, RendersTextAndButtonsOffscreen) {
    Measure m = RenderInChild();
    if (!m.rendered) GTEST_SKIP() << "no OpenGL context under the offscreen driver on this machine";
    EXPECT_EQ(m.w, 499);
    EXPECT_EQ(m.h, 361);
    EXPECT_GT(m.memoDark, 300);   // several lines of text
    EXPECT_GT(m.buttons, 2000);   // four buttons' faces
    EXPECT_GT(m.buttonDark, 100); // with captions
    EXPECT_LT(m.buttonsNoIgnore, m.buttons * 9 / 10);
    EXPECT_GT(m.buttonsNoIgnore, m.buttons * 6 / 10);
}

} // namespace
