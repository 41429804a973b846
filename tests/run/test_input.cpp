// Input in process: recordings replayed into small games, judged on the dialog lines. Keyboard,
// key-press and key-release events, the key functions and the key map, typed text, mouse events
// with the precise point test and the views, joysticks plugged and unplugged, the special keys,
// the close button, focus, waiting for input, and recordings that cannot be replayed.
#include "InputTest.h"

#include "graphics/BM32_Bitmap.h"
#include "graphics/BM32_PNG.h"
#include "platform/Platform_Window.h"
#include "run/Run_Save.h"

#include <SDL.h>

namespace {

using Lines = std::vector<std::string>;
using K = EInputKind;

// Events of an object with a step counter t (counted in the begin step) that announce themselves.
std::string Counted(const std::string& events) {
    return Events(Event("create", "t = 0") + "," + Event("step", 1, "t += 1") + (events.empty() ? "" : ",") +
                  events);
}
std::string Say(const std::string& type, int number, const std::string& label) {
    return Event(type, number, "show_message('" + label + " ' + string(t))");
}

TestGame OneObject(const std::string& object, const std::string& manifest = "{}") {
    TestGame g;
    g.manifest = manifest;
    g.Object("o", object);
    g.Room("r0", R"j({"instances": [{"object": "o", "x": 100, "y": 100}]})j");
    return g;
}

TEST(InputKeys, KeyboardPressAndReleaseEventsWithAnyAndNoKey) {
    const TestGame g =
        OneObject(Counted(Say("keyboard", 65, "kb A") + "," + Say("keyboard", 0, "kb none") + "," +
                          Say("keyboard", 1, "kb any") + "," + Say("keypress", 65, "kp A") + "," +
                          Say("keypress", 1, "kp any") + "," + Say("keyrelease", 65, "kr A") + "," +
                          Say("keyrelease", 1, "kr any")));
    TestInput in;
    in.Key(2, 65, true).Key(2, 65, false);   // down and up within one step
    in.Key(3, 300, true).Key(3, -7, true);   // codes outside 0..255 are dropped
    in.Key(4, 200, true).Key(5, 200, false); // no event of its own, but "any key"
    in.Key(6, 65, true).Key(6, 65, true);    // a repeat is no second press
    GameOutcome o = RunWithInput(g, 7, in);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"kb none 1", "kb A 2", "kb any 2", "kp A 2", "kp any 2", "kr A 2",
                                   "kr any 2", "kb none 3", "kb any 4", "kp any 4", "kb none 5", "kr any 5",
                                   "kb A 6", "kb any 6", "kp A 6", "kp any 6", "kb A 7", "kb any 7"}));
}

TEST(InputKeys, CheckFunctionsKeyMapAndKeyVariables) {
    const std::string report =
        "show_message(string(t) + ':' + string(keyboard_check(65)) + string(keyboard_check_pressed(65)) + "
        "string(keyboard_check_released(65)) + string(keyboard_check(0)) + string(keyboard_check(1)) + "
        "string(keyboard_check(37)) + string(keyboard_check_direct(65)) + ' ' + string(keyboard_lastkey) + ' "
        "' + "
        "string(keyboard_key))";
    const std::string odd = "show_message(string(keyboard_check(300)) + string(keyboard_check(-1)) + "
                            "string(keyboard_check(10000000000)) + string(keyboard_check_pressed(256)) + "
                            "string(keyboard_check_direct(-5)) + ' ' + string(keyboard_get_map(300)) + ' ' + "
                            "string(keyboard_get_map(-2)) + ' ' + string(keyboard_get_map(66)))";
    TestGame g = OneObject(Counted(Event("step", 0, report) + "," +
                                   Event("keypress", 66,
                                         "keyboard_set_map(65, 37); keyboard_set_map(-1, 5); "
                                         "keyboard_set_map(999, 5)") +
                                   "," + Event("keypress", 67, "keyboard_unset_map()") + "," +
                                   Event("other", 4, odd)));
    TestInput in;
    in.Key(2, 65, true).Key(4, 65, false);
    in.Key(5, 66, true).Key(5, 66, false); // maps A to the left arrow from step 5 on
    in.Key(6, 65, true).Key(7, 65, false); // A held: the left arrow is down, A itself is not
    in.Key(8, 67, true).Key(8, 67, false); // the identity again
    GameOutcome o = RunWithInput(g, 8, in);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"00000 300 -2 66", "1:0001000 0 0", "2:1100101 65 65", "3:1000101 65 65",
                                   "4:0011000 65 0", "5:0001000 66 0", "6:0000111 37 37", "7:0001000 37 0",
                                   "8:0001000 67 0"}));
}

TEST(InputKeys, TypedTextKeepsTheLast1025CharactersAndBackspaceRemoves) {
    TestGame g = OneObject(
        Counted(Event("step", 0,
                      "show_message(string(t) + ':' + string(string_length(keyboard_string)) + ' ' + "
                      "string(ord(keyboard_lastchar)) + ' ' + string_copy(keyboard_string, 1, 3) + '|' + "
                      "string_copy(keyboard_string, string_length(keyboard_string) - 1, 2))")));
    TestInput in;
    for (int k = 0; k < 1100; ++k) in.At(2, K::Char, 'a' + k % 26);
    in.At(3, K::Char, 8).At(3, K::Char, 13); // backspace removes; a control character is not typed
    for (int k = 0; k < 1100; ++k) in.At(4, K::Char, 8);
    in.At(5, K::Char, 8).At(5, K::Char, 0x263A).At(5, K::Char, 'x'); // backspace on nothing; UTF-8
    GameOutcome o = RunWithInput(g, 5, in);
    EXPECT_EQ(o.status, 0) << o.err;
    // 1100 characters leave the last 1025: 'a' + 75 % 26 = 'x' first, 'a' + 1099 % 26 = 'h' last.
    // A character typed into a text longer than 1024 cuts it to 1024 first, backspace included.
    EXPECT_EQ(o.Messages(), (Lines{"1:0 0 |", "2:1025 104 xyz|gh", "3:1023 13 yza|fg", "4:0 8 |",
                                   "5:2 120 \u263Ax|\u263Ax"}));
}

// A 20 x 20 sprite whose mask is the ellipse inside its box, so the box corners are not on it.
void AddRoundSprite(const TempDir& d) {
    std::filesystem::create_directories(d / "sprites/round");
    WriteFileText(d / "sprites/index.json", R"(["round"])");
    WriteFileText(d / "sprites/round/sprite.json",
                  R"({"mask": {"bbox": "full", "shape": "ellipse"}, "frames": ["0.png"]})");
    const std::vector<uint8_t> png = BM32_EncodePNG(TBitmap32(20, 20, 0xFFFF0000));
    WriteFileText(d / "sprites/round/0.png", std::string(png.begin(), png.end()));
}

TEST(InputMouse, ButtonPositionEnterLeaveAndWheelEventsInTheirOrder) {
    // o has the round sprite at (100, 100); g has no sprite and hears only the unpositioned events.
    const std::string positioned = Say("mouse", 0, "left") + "," + Say("mouse", 3, "none") + "," +
                                   Say("mouse", 4, "pressed") + "," + Say("mouse", 7, "released") + "," +
                                   Say("mouse", 10, "enter") + "," + Say("mouse", 11, "leave");
    const std::string global = Say("mouse", 50, "glob left") + "," + Say("mouse", 53, "glob pressed") + "," +
                               Say("mouse", 56, "glob released") + "," + Say("mouse", 12, "any pressed") +
                               "," + Say("mouse", 13, "any released") + "," + Say("mouse", 60, "wheel up") +
                               "," + Say("mouse", 61, "wheel down");
    TestGame g;
    g.Object("o", "{\"sprite\": \"round\", \"events\": [" + Counted(positioned).substr(11));
    g.Object("q", Counted(global));
    g.Room("r0", R"j({"instances": [{"object": "o", "x": 100, "y": 100}, {"object": "q"}]})j");
    TestInput in;
    in.At(1, K::MouseMove, 0, 0);
    in.At(2, K::MouseMove, 110, 110);
    in.At(3, K::ButtonDown, 1);
    in.At(4, K::ButtonUp, 1);
    in.At(5, K::MouseMove, 101, 101); // in the box, off the ellipse
    in.At(6, K::WheelUp).At(6, K::WheelDown).At(6, K::MouseMove, 0, 0).At(6, K::ButtonDown, 1);
    in.At(7, K::ButtonDown, 9).At(7, K::ButtonUp, -1); // no such buttons
    GameOutcome o = RunWithInput(g, 7, in, {}, AddRoundSprite);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"none 2", "enter 2", "left 3", "glob left 3", "pressed 3", "any pressed 3",
                                   "glob pressed 3", "none 4", "released 4", "any released 4",
                                   "glob released 4", "leave 5", "glob left 6", "any pressed 6",
                                   "glob pressed 6", "wheel up 6", "wheel down 6", "glob left 7"}));
}

TEST(InputMouse, ButtonFunctionsAndPositionThroughAView) {
    TestGame g;
    g.Object("o", Counted(Event(
                      "step", 0,
                      "show_message(string(t) + ':' + string(mouse_x) + ',' + string(mouse_y) + ' ' + "
                      "string(mouse_check_button(1)) + string(mouse_check_button(-1)) + "
                      "string(mouse_check_button(0)) + string(mouse_check_button(7)) + "
                      "string(mouse_check_button_pressed(2)) + string(mouse_check_button_released(2)) + "
                      "string(mouse_wheel_up()) + ' ' + string(mouse_button) + string(mouse_lastbutton))")));
    // The view shows room (1000, 500) - (1320, 740) on the whole 640 x 480 area: half size.
    g.Room("r0", R"j({"enable_views": true, "views": [{"visible": true, "xview": 1000, "yview": 500,
        "wview": 320, "hview": 240, "xport": 0, "yport": 0, "wport": 640, "hport": 480}],
        "instances": [{"object": "o"}]})j");
    TestInput in;
    in.At(2, K::MouseMove, 100, 60).At(2, K::ButtonDown, 2);
    in.At(3, K::ButtonDown, 1).At(3, K::ButtonUp, 2).At(3, K::WheelUp);
    in.At(4, K::ButtonUp, 1);
    GameOutcome o = RunWithInput(g, 4, in);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"1:1000,500 0010000 00", "2:1050,530 0100100 22", "3:1050,530 1100011 01",
                                   "4:1050,530 0010000 01"}));
}

TEST(InputJoystick, EventsAndFunctionsWhilePluggedAndAfterUnplugging) {
    const std::string report =
        "show_message(string(t) + ':' + string(joystick_exists(1)) + ' ' + joystick_name(1) + ' ' + "
        "string(joystick_axes(1)) + string(joystick_buttons(1)) + string(joystick_has_pov(1)) + ' ' + "
        "string(joystick_direction(1)) + ' ' + string(joystick_xpos(1)) + ' ' + string(joystick_ypos(1)) + "
        "' ' + string(joystick_zpos(1)) + ' ' + string(joystick_pov(1)) + ' ' + "
        "string(joystick_check_button(1, 1)) + string(joystick_check_button(1, 2)) + "
        "string(joystick_check_button(1, 4)) + string(joystick_check_button(1, 33)) + ' ' + "
        "string(joystick_exists(2)) + string(joystick_direction(2)) + string(joystick_pov(2)) + "
        "string(joystick_check_button(2, 8)))";
    TestGame g = OneObject(Counted(Event("step", 0, report) + "," + Say("mouse", 16, "j1 left") + "," +
                                   Say("mouse", 17, "j1 right") + "," + Say("mouse", 18, "j1 up") + "," +
                                   Say("mouse", 19, "j1 down") + "," + Say("mouse", 21, "j1 b1") + "," +
                                   Say("mouse", 24, "j1 b4") + "," + Say("mouse", 33, "j2 up") + "," +
                                   Say("mouse", 43, "j2 b8")));
    RJoystickState pad;
    pad.present = true;
    pad.name = "Pad";
    pad.axes = 2;
    pad.buttons = 4;
    pad.hasPov = true;
    pad.axis[0] = 0;     // left
    pad.axis[1] = 65534; // down
    pad.buttonMask = 0b1001;
    pad.pov = 9000;
    RJoystickState second;
    second.present = true;
    second.axis[1] = 100;
    second.buttonMask = 1u << 7;
    TestInput in;
    in.Joystick(2, 1, pad).Joystick(3, 1, RJoystickState()).Joystick(3, 2, second);
    GameOutcome o = RunWithInput(g, 3, in);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"1:0  000 101 0 0 0 -1 0000 0101-10", "j1 left 2", "j1 down 2", "j1 b1 2",
                                   "j1 b4 2", "2:1 Pad 241 97 -1 1 0 90 1010 0101-10", "j2 up 3", "j2 b8 3",
                                   "3:0  000 101 0 0 0 -1 0000 1104-11"}));
}

TEST(InputSpecialKeys, EscapeEndsF5SavesF6LoadsF4SwitchesAndSettingsSwitchThemOff) {
    // Escape in step 2: the game ends (its end events run) when the setting is on.
    const std::string events = Event("step", 0, "show_message('step ' + string(t))") + "," +
                               Event("other", 3, "show_message('game end')");
    {
        GameOutcome o = RunWithInput(OneObject(Counted(events)), 5, TestInput().Key(2, 27, true));
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.Messages(), (Lines{"step 1", "game end"}));
    }
    {
        GameOutcome o = RunWithInput(OneObject(Counted(events), R"({"settings": {"keyesc": false}})"), 3,
                                     TestInput().Key(2, 27, true));
        EXPECT_EQ(o.Messages(), (Lines{"step 1", "step 2", "step 3", "game end"}));
    }
    // F5 saves the game at once (t = 3: the keys act before the begin step counts), F6 ends its
    // step and loads that save before the next one; F4 switches full screen on. The quick-save
    // file lands in the working directory, so the run happens in a folder of its own.
    TempDir work;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    TestInput in;
    in.Key(4, 116, true).Key(5, 117, true).Key(6, 115, true);
    GameOutcome o = RunWithInput(OneObject(Counted(Event("step", 0,
                                                         "show_message(string(t) + ' ' + "
                                                         "string(keyboard_lastkey))"))),
                                 6, in);
    std::filesystem::current_path(before);
    const bool fullScreen = GameWindow_FullScreen();
    GameWindow_SetFullScreen(false);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fullScreen);
    // The acting key is cleared before the events see it; step 5 ends before its step event.
    EXPECT_EQ(o.Messages(), (Lines{"1 0", "2 0", "3 0", "4 0", "4 0"}));
    EXPECT_TRUE(std::filesystem::exists(work / Run_QuickSaveName()));
}

TEST(InputWindow, CloseButtonFocusAndFreeze) {
    const std::string events = Event("step", 0, "show_message('step ' + string(t))") + "," +
                               Event("other", 30, "show_message('close ' + string(t))") + "," +
                               Event("keyboard", 27, "show_message('esc held ' + string(t))") + "," +
                               Event("keyrelease", 27, "show_message('esc released ' + string(t))") + "," +
                               Event("alarm", 0, "show_message('alarm ' + string(t))") + "," +
                               Event("create", "t = 0; alarm[0] = 3");
    struct Case {
        std::string manifest;
        TestInput input;
        Lines expect;
    } cases[] = {
        // The close button is an event of its own...
        {R"({"settings": {"closeasesc": false}})",
         TestInput().At(2, K::Close),
         {"step 1", "close 2", "step 2", "alarm 3", "step 3"}},
        // ...or Escape held (without a press), which ends the game when Escape does...
        {R"({"settings": {"closeasesc": true}})", TestInput().At(2, K::Close), {"step 1"}},
        // ...and otherwise is Escape held for one step (released at the next poll).
        {R"({"settings": {"closeasesc": true, "keyesc": false}})",
         TestInput().At(2, K::Close),
         {"step 1", "esc held 2", "step 2", "alarm 3", "esc released 3", "step 3"}},
        // Losing the focus clears the held key, which stays cleared after the focus returns.
        {R"({"settings": {"keyesc": false}})",
         TestInput().Key(1, 27, true).At(2, K::Focus, 0).At(3, K::Focus, 1),
         {"esc held 1", "step 1", "step 2", "alarm 3", "step 3"}},
        // With freeze on, a step without the focus does nothing at all (no alarm count either).
        {R"({"settings": {"freeze": true}})",
         TestInput().At(2, K::Focus, 0).At(3, K::Focus, 1),
         {"step 1", "step 2"}},
    };
    for (const Case& c : cases) {
        TestGame g = OneObject(Events(Event("step", 1, "t += 1") + "," + events), c.manifest);
        GameOutcome o = RunWithInput(g, 3, c.input);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.Messages(), c.expect) << c.manifest;
    }
}

TEST(InputWait, WaitsEndWithTheReplayedInputAndNeverHangHeadless) {
    // keyboard_wait polls until a key goes down: the replay delivers one at the third poll.
    const std::string code = "keyboard_wait(); show_message('key ' + string(keyboard_lastkey)); "
                             "mouse_wait(); show_message('button ' + string(mouse_lastbutton)); "
                             "io_handle(); show_message(string(keyboard_check(66)))";
    TestGame g = OneObject(Events(Event("other", 4, code)));
    TestInput in;
    in.AtPoll(2, K::KeyDown, 65, 65).AtPoll(3, K::ButtonDown, 3).AtPoll(4, K::KeyDown, 66, 66);
    GameOutcome o = RunWithInput(g, 1, in);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"key 65", "button 3", "1"}));
    // Headless without a recording nothing can come: both return at once.
    GameOutcome none = RunInProcess(g, 1);
    EXPECT_EQ(none.Messages(), (Lines{"key 0", "button 0", "0"}));
}

TEST(InputClear, ClearFunctionsAndSentKeys) {
    const std::string report = "show_message(string(t) + ':' + string(keyboard_check(65)) + "
                               "string(keyboard_check(66)) + string(mouse_check_button(1)) + ' ' + "
                               "keyboard_string)";
    TestGame g = OneObject(
        Counted(Event("step", 0, report) + "," +
                Event("keypress", 67, "keyboard_clear(65); mouse_clear(1); keyboard_key_press(66)") + "," +
                Event("keypress", 68,
                      "io_clear(); keyboard_key_release(66); keyboard_key_press(-4); "
                      "keyboard_key_press(1000000000)")));
    // Polls: one per step, and one in each clear function: step 3 also polls 3 and 4, step 5 polls 7.
    TestInput in;
    in.AtPoll(1, K::KeyDown, 65, 65).AtPoll(1, K::ButtonDown, 1).AtPoll(1, K::Char, 'z');
    in.AtPoll(2, K::KeyDown, 67, 67);
    in.AtPoll(6, K::KeyDown, 68, 68).AtPoll(6, K::KeyDown, 65, 65);
    GameOutcome o = RunWithInput(g, 6, in);
    EXPECT_EQ(o.status, 0) << o.err;
    // keyboard_clear and mouse_clear drop A and the left button; the key sent arrives at the next
    // poll; io_clear drops everything including the typed text.
    EXPECT_EQ(o.Messages(), (Lines{"1:000 ", "2:101 z", "3:000 z", "4:010 z", "5:000 ", "6:000 "}));
}

TEST(InputReplay, SeedsAreReplayedAndBadRecordingsStopWithStatusOne) {
    TestGame g = OneObject(Events(Event("create", "show_message(string(random(1000)))")));
    TestInput seeded, other;
    seeded.seeds = {12345};
    other.seeds = {54321};
    GameOutcome a = RunWithInput(g, 1, seeded), b = RunWithInput(g, 1, seeded), c = RunWithInput(g, 1, other);
    ASSERT_EQ(a.Messages().size(), 1u);
    EXPECT_EQ(a.Messages(), b.Messages());
    EXPECT_NE(a.Messages(), c.Messages());

    // A good recording, then the same bytes spoilt in each way.
    std::string good;
    RunWithReplay(g, 1, [&](const std::string& path) {
        TestInput().Key(1, 65, true).At(1, K::Char, 'a').Write(path);
        good = ReadFileText(path);
    });
    ASSERT_GT(good.size(), 40u);
    std::string flipped = good;
    flipped[good.size() - 10] ^= 0x40;
    std::string badKind = good;
    const struct {
        std::string name;
        std::function<void(const std::string&)> make;
        std::string message;
    } cases[] = {
        {"missing", [](const std::string&) {}, "No such file or directory"},
        {"empty", [](const std::string& p) { WriteFileText(p, ""); }, "the file is not an input recording"},
        {"other", [](const std::string& p) { WriteFileText(p, "PNG....."); },
         "the file is not an input recording"},
        {"cut", [&](const std::string& p) { WriteFileText(p, good.substr(0, good.size() - 3)); },
         "the file is truncated"},
        {"cut header", [&](const std::string& p) { WriteFileText(p, good.substr(0, 12)); },
         "the file is truncated"},
        {"flipped", [&](const std::string& p) { WriteFileText(p, flipped); }, "the file is corrupt"},
        {"longer", [&](const std::string& p) { WriteFileText(p, good + "x"); }, "the file is corrupt"},
        {"version",
         [&](const std::string& p) {
             WriteFileText(p, good.substr(0, 4) + std::string("\x09\0\0\0", 4) + good.substr(8));
         },
         "the file has version 9"},
        {"another game",
         [&](const std::string& p) {
             RGameIdentity id = Record_GameIdentity();
             id.fingerprint ^= 1;
             CInputRecordWriter w;
             std::string error;
             ASSERT_TRUE(w.Open(p, id, error));
             w.Close(0);
         },
         "it was recorded with another game"},
    };
    for (const auto& c : cases) {
        GameOutcome o = RunWithReplay(g, 1, c.make);
        EXPECT_EQ(o.status, 1) << c.name;
        // One message, and no line of the game: it never started.
        ASSERT_EQ(o.Messages().size(), 1u) << c.name;
        const std::string m = o.Messages()[0];
        EXPECT_EQ(m.rfind("Cannot replay the input recording ", 0), 0u) << m;
        EXPECT_NE(m.find(c.message), std::string::npos) << c.name << ": " << m;
    }
}

TEST(InputReplay, ARecordingOfEveryKindOfInputReplaysTheSameRun) {
    // Every kind of input, replayed into a game while it is recorded; the recording replayed alone
    // gives the same lines.
    const std::string report =
        "show_message(string(t) + ':' + string(keyboard_check(65)) + string(keyboard_check_direct(160)) + "
        "string(mouse_check_button(2)) + string(mouse_wheel_down()) + ' ' + string(mouse_x) + ',' + "
        "string(mouse_y) + ' ' + keyboard_string + ' ' + string(joystick_xpos(2)) + ' ' + "
        "string(keyboard_get_numlock()) + ' ' + string(irandom(1000)))";
    TestGame g = OneObject(Counted(Event("step", 0, report) + "," + Say("other", 30, "close")),
                           R"({"settings": {"closeasesc": false}})");
    RJoystickState pad;
    pad.present = true;
    pad.axis[0] = 0;
    TestInput in;
    in.seeds = {777};
    in.Key(1, 65, true).At(1, K::KeyDown, 16, 160).At(2, K::ButtonDown, 2).At(2, K::WheelDown);
    in.At(2, K::MouseMove, 7, 9).At(3, K::Char, 'q').Joystick(3, 2, pad).At(3, K::NumLock, 1);
    in.At(4, K::Close).At(4, K::Focus, 0).At(5, K::Focus, 1).Key(5, 65, false);
    TempDir d;
    const std::string rec = d / "run.qvr";
    GameOutcome first = RunWithInput(g, 5, in, {{"QUARVEL_RECORD", rec}});
    EXPECT_EQ(first.status, 0) << first.err;
    // Without the random number that ends each report line.
    Lines reports;
    for (const std::string& m : first.Messages()) reports.push_back(m.substr(0, m.rfind(' ')));
    EXPECT_EQ(reports, (Lines{"1:1100 0,0  0 0", "2:1111 7,9  0 0", "3:1110 7,9 q -1 1", "close",
                              "4:0100 7,9  -1 1", "5:0100 7,9  -1 1"}));
    GameOutcome again =
        RunWithReplay(g, 5, [&](const std::string& p) { WriteFileText(p, ReadFileText(rec)); });
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.Messages(), first.Messages());
}

TEST(InputPlatform, KeyCodesOfSdlKeys) {
    const struct {
        SDL_Scancode sc;
        SDL_Keycode kc;
        int code;
    } cases[] = {
        {SDL_SCANCODE_A, SDLK_a, 65},
        {SDL_SCANCODE_Q, SDLK_a, 65}, // letters follow the layout
        {SDL_SCANCODE_0, SDLK_0, 48},
        {SDL_SCANCODE_F1, SDLK_F1, 112},
        {SDL_SCANCODE_F12, SDLK_F12, 123},
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 27},
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 37},
        {SDL_SCANCODE_DOWN, SDLK_DOWN, 40},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 16},
        {SDL_SCANCODE_LCTRL, SDLK_LCTRL, 17},
        {SDL_SCANCODE_KP_0, SDLK_KP_0, 96},
        {SDL_SCANCODE_KP_9, SDLK_KP_9, 105},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 13},
        {SDL_SCANCODE_DELETE, SDLK_DELETE, 46},
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, 186},
        {SDL_SCANCODE_NUMLOCKCLEAR, SDLK_NUMLOCKCLEAR, 144},
        {SDL_SCANCODE_VOLUMEUP, SDLK_VOLUMEUP, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(Platform_KeyCode(c.sc, c.kc), c.code) << SDL_GetScancodeName(c.sc);
}

} // namespace
