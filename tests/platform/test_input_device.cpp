// The SDL input device: SDL events become the runner's input events, and a joystick plugged in
// and out while running appears and disappears (SDL's virtual joysticks stand in for devices).
#include "platform/Platform_App.h"
#include "platform/Platform_Input.h"
#include "platform/Platform_Window.h"
#include "platform_test_util.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

struct InputDeviceTest : ::testing::Test {
    ScopedEnv headless{"QUARVEL_HEADLESS", "1"};
    void SetUp() override { ASSERT_TRUE(Platform_Init()); }
    void TearDown() override { Platform_Quit(); }
};

void PushKey(Uint32 type, SDL_Scancode sc, SDL_Keycode sym, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    e.key.repeat = repeat;
    SDL_PushEvent(&e);
}

std::string Describe(const std::vector<RInputEvent>& events) {
    std::string s;
    for (const RInputEvent& e : events) {
        if (e.kind == EInputKind::Joystick || e.kind == EInputKind::NumLock) continue;
        s += std::to_string(int(e.kind)) + ":" + std::to_string(e.a) + "," + std::to_string(e.b) + " ";
    }
    return s;
}

TEST_F(InputDeviceTest, SdlEventsBecomeInputEvents) {
    auto dev = Platform_MakeInputDevice();
    std::vector<RInputEvent> first;
    dev->Poll(first);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0].kind, EInputKind::MouseMove); // where the cursor is before it moves

    PushKey(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_Q, SDLK_a); // the layout decides letters
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::strcpy(text.text.text, "A\xC3\xA9");
    SDL_PushEvent(&text);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, true);
    PushKey(SDL_KEYUP, SDL_SCANCODE_VOLUMEUP, SDLK_VOLUMEUP); // no code: dropped
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 3;
    e.motion.y = 4;
    SDL_PushEvent(&e);
    e.motion.x = 30; // only the last position between two polls counts
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 31;
    e.button.y = 41;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_X1; // no such button in games
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = -2;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
    e.window.event = SDL_WINDOWEVENT_CLOSE; // the close button, then the quit SDL adds: one close
    SDL_PushEvent(&e);
    Platform_PushQuitEvent();
    std::vector<RInputEvent> got;
    dev->Poll(got);
    EXPECT_EQ(Describe(got),
              "1:16,160 1:65,65 3:65,0 3:233,0 1:8,8 3:8,0 8:30,4 8:31,41 4:2,0 7:0,0 10:0,0 11:0,0 ");
}

TEST_F(InputDeviceTest, OnlyTheGameWindowsEventsCount) {
    std::string error;
    if (!GameWindow_Open(64, 48, error)) GTEST_SKIP() << error;
    auto dev = Platform_MakeInputDevice();
    std::vector<RInputEvent> got;
    dev->Poll(got);
    for (Uint32 id : {GameWindow_EventId() + 7, GameWindow_EventId()}) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.windowID = id;
        e.key.keysym.scancode = SDL_SCANCODE_F2;
        SDL_PushEvent(&e);
        e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = id;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&e);
    }
    got.clear();
    dev->Poll(got);
    GameWindow_Close();
    EXPECT_EQ(Describe(got), "1:113,113 11:0,0 ");
}

TEST_F(InputDeviceTest, JoysticksPluggedAndUnpluggedWhileRunning) {
    if (!SDL_WasInit(SDL_INIT_JOYSTICK)) GTEST_SKIP() << "no joystick support";
    auto dev = Platform_MakeInputDevice();
    std::vector<RInputEvent> got;
    dev->Poll(got);
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 3, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* j = SDL_JoystickOpen(index);
    ASSERT_NE(j, nullptr);
    SDL_JoystickSetVirtualAxis(j, 0, -32768);
    SDL_JoystickSetVirtualButton(j, 2, 1);
    SDL_JoystickSetVirtualHat(j, 0, SDL_HAT_LEFT);
    got.clear();
    dev->Poll(got);
    const RJoystickState* seen = nullptr;
    for (const RInputEvent& e : got)
        if (e.kind == EInputKind::Joystick && e.a == 1) seen = &e.joy;
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(seen->present);
    EXPECT_EQ(seen->axes, 2);
    EXPECT_EQ(seen->buttons, 3);
    EXPECT_TRUE(seen->hasPov);
    EXPECT_EQ(seen->axis[0], 0);
    EXPECT_EQ(seen->axis[1], 32767);
    EXPECT_EQ(seen->buttonMask, 4u);
    EXPECT_EQ(seen->pov, 27000);
    SDL_JoystickClose(j);
    SDL_JoystickDetachVirtual(index);
    got.clear();
    dev->Poll(got);
    bool gone = false;
    for (const RInputEvent& e : got)
        if (e.kind == EInputKind::Joystick && e.a == 1) gone = !e.joy.present;
    EXPECT_TRUE(gone);
}

} // namespace
