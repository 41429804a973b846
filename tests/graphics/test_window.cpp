// The game window on the simulated display of headless runs (1024 x 768): its geometry through
// the window functions, the region and its scale, full screen, the settings applied at start,
// room start sizing, and the mouse between the screen, the client area, the region and the room
// through the views as drawn. Judged on the dialog lines of small games.
#include "run/WorldTest.h"

#include "data/Option_Main.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Main.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Window.h"

namespace {

using Lines = std::vector<std::string>;

struct RStepCase {
    const char* code;     // run in the create event, one after the other
    const char* expected; // then the state line
};

// Runs the cases in order in the create event of a one-room game (in its first step when
// createCode is given, which the create event runs instead) and gives the state line after each.
// The window starts as graphics start makes it, from the settings.
Lines RunCases(const std::vector<RStepCase>& cases, const std::string& state, const std::string& room,
               const std::string& settings = "{}", const std::string& stepCode = "",
               const std::string& createCode = "") {
    std::string code;
    for (const RStepCase& c : cases)
        code += (*c.code ? std::string(c.code) + "; " : std::string()) + "show_message(" + state + ");\n";
    TestGame g;
    g.manifest = "{\"settings\": " + settings + "}";
    std::string events = Event("create", createCode.empty() ? code : createCode);
    if (!createCode.empty()) events += "," + Event("step", code);
    if (!stepCode.empty()) events += "," + Event("step", stepCode);
    g.Object("o", Events(events));
    g.Room("r0", room);
    GameOutcome o = RunInProcess(g, 1, {}, [](const TempDir&) { Window_Start(); });
    EXPECT_EQ(o.status, 0) << o.err;
    return o.Messages();
}

Lines Expected(const std::vector<RStepCase>& cases) {
    Lines out;
    for (const RStepCase& c : cases) out.push_back(c.expected);
    return out;
}

const char* const kGeometry =
    "string(window_get_x()) + ' ' + string(window_get_y()) + ' ' + "
    "string(window_get_width()) + ' ' + string(window_get_height()) + ' ' + "
    "string(window_get_region_width()) + 'x' + string(window_get_region_height()) + "
    "' ' + string(window_get_region_scale())";

const char* const kRoom320 = R"j({"caption": "Hall", "width": 320, "height": 240,
    "instances": [{"object": "o"}]})j";

} // namespace

// Position and size follow the scale: a fixed scale sizes the window from the region whatever size
// is asked; full screen covers the screen and keeps the windowed geometry (changed meanwhile) for
// leaving it; centring and the default size use the screen.
TEST(Window, GeometryThroughTheWindowFunctions) {
    const std::vector<RStepCase> cases = {
        {"", "352 264 320 240 320x240 1"}, // the room start: default size, centred
        {"window_set_size(100, 100)", "352 264 320 240 320x240 1"},
        {"window_set_region_scale(2, false)", "352 264 640 480 320x240 2"},
        {"window_center()", "192 144 640 480 320x240 2"},
        {"window_set_region_scale(0, false); window_set_size(700, 500)", "192 144 700 500 320x240 0"},
        {"window_set_region_scale(-1, true)", "192 144 700 500 320x240 -1"},
        {"window_set_fullscreen(true)", "0 0 1024 768 320x240 -1"},
        {"window_set_size(800, 600); window_set_position(5, 6); window_set_fullscreen(true)",
         "0 0 1024 768 320x240 -1"},
        {"window_set_fullscreen(false)", "5 6 800 600 320x240 -1"},
        {"window_set_rectangle(-20, 30, 300, 200)", "-20 30 300 200 320x240 -1"},
        {"window_set_region_scale(1.5, false)", "-20 30 480 360 320x240 1.50"},
        {"window_default()", "272 204 480 360 320x240 1.50"},
        {"window_set_region_size(100, 0, false)", "272 204 480 360 100x240 1.50"},
        {"window_set_region_size(-4, 100, true)", "272 204 150 150 100x100 1.50"},
        // Sizes and places no window can have are kept to what one can.
        {"window_set_region_scale(0, false); window_set_size(1000000000000, -5)",
         "272 204 16384 1 100x100 0"},
        {"window_set_position(1000000000000, -1000000000000)", "32767 -32768 16384 1 100x100 0"},
    };
    EXPECT_EQ(RunCases(cases, kGeometry, kRoom320), Expected(cases));
}

// Each presentation state reads back as set; the caption set by the game lasts until the room is
// drawn again; the cursor also decides the cursor of the next game start.
TEST(Window, PresentationStatesAndCaption) {
    const char* state = "string(window_get_visible()) + string(window_get_fullscreen()) + "
                        "string(window_get_showborder()) + string(window_get_showicons()) + "
                        "string(window_get_sizeable()) + string(window_get_stayontop()) + ' ' + "
                        "string(window_get_cursor()) + ' ' + string(window_get_color()) + ' ' + "
                        "window_get_caption() + ' ' + string(window_handle())";
    const std::vector<RStepCase> cases = {
        {"", "101100 0 16777215  1"}, // visible at game start; the settings' defaults; no caption yet
        {"window_set_showborder(0.4); window_set_showicons(false); window_set_sizeable(true)",
         "100010 0 16777215  1"},
        {"window_set_stayontop(0.5); window_set_visible(false); window_set_color($123456)",
         "000011 0 1193046  1"},
        {"window_set_caption('Mine'); window_set_cursor(cr_cross); window_set_visible(1)",
         "100011 -3 1193046 Mine 1"},
    };
    Lines expected = Expected(cases);
    expected.push_back("Hall 1");
    EXPECT_EQ(RunCases(cases, state, kRoom320, "{}", "show_message(window_get_caption() + ' 1')"), expected);

    // Hidden by the game, the cursor stays hidden when the game starts again.
    const std::string once = "if (window_get_cursor() == cr_default) { window_set_cursor(cr_none); "
                             "game_restart(); } else show_message('cursor ' + string(window_get_cursor()))";
    TestGame g;
    g.Object("o", Events(Event("create", once)));
    g.Room("r0", kRoom320);
    GameOutcome o = RunInProcess(g, 3, {}, [](const TempDir&) { Window_Start(); });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"cursor -1"}));
}

// The settings are applied at graphics start, full screen last: leaving full screen shows the
// window the room start sized.
TEST(Window, SettingsAppliedAtStart) {
    const std::string state = "string(window_get_fullscreen()) + string(window_get_showborder()) + "
                              "string(window_get_showicons()) + string(window_get_sizeable()) + "
                              "string(window_get_stayontop()) + ' ' + string(window_get_cursor()) + ' ' + "
                              "string(window_get_color()) + ' ' + " +
                              std::string(kGeometry);
    const std::vector<RStepCase> cases = {
        {"", "10111 -1 255 0 0 1024 768 320x240 2"},
        {"window_set_fullscreen(0)", "00111 -1 255 192 144 640 480 320x240 2"},
    };
    const std::string settings = R"j({"scale": 200, "fullscreen": true, "noborder": true, "sizeable": true,
        "stayontop": true, "windowcolor": 255, "showcursor": false})j";
    EXPECT_EQ(RunCases(cases, state, kRoom320, settings), Expected(cases));
}

// A room of another size sizes the region and the window again (default size, centred); a room
// of the same size keeps where the game put the window; with views the region is the ports' extent.
TEST(Window, RoomStartSizesTheRegionAndTheWindow) {
    const std::string report = "show_message(string(room) + ' ' + " + std::string(kGeometry) + ")";
    TestGame g;
    g.Object("o", Events(Event(
                      "create",
                      report + "; window_set_position(10, 20); if (room_next(room) >= 0) room_goto_next()")));
    g.Room("r0", kRoom320);
    g.Room("r1", kRoom320);
    g.Room("r2", R"j({"width": 400, "height": 300, "instances": [{"object": "o"}]})j");
    g.Room("r3", R"j({"width": 2000, "height": 2000, "enable_views": true, "views": [
        {"visible": true, "xport": 0, "yport": 0, "wport": 300, "hport": 100},
        {"visible": false, "xport": 0, "yport": 0, "wport": 900, "hport": 900},
        {"visible": true, "xport": 100, "yport": 50, "wport": 50, "hport": 250}],
        "instances": [{"object": "o"}]})j");
    GameOutcome o = RunInProcess(g, 5, {}, [](const TempDir&) { Window_Start(); });
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), (Lines{"0 352 264 320 240 320x240 1", "1 10 20 320 240 320x240 1",
                                   "2 312 234 400 300 400x300 1", "3 362 234 300 300 300x300 1"}));
}

// The cursor between the client area and the region for each kind of scale, and on the screen.
TEST(Window, MouseThroughTheRegion) {
    const char* state =
        "string(window_mouse_get_x()) + ',' + string(window_mouse_get_y()) + ' ' + "
        "string(window_views_mouse_get_x()) + ',' + string(window_views_mouse_get_y()) + ' ' + "
        "string(mouse_x) + ',' + string(mouse_y) + ' ' + "
        "string(display_mouse_get_x() - window_get_x()) + ',' + "
        "string(display_mouse_get_y() - window_get_y())";
    const std::vector<RStepCase> cases = {
        // Region 320 x 240 at scale 2 in a 700 x 500 client: drawn at (30, 10) as 640 x 480.
        {"window_set_region_scale(0, false); window_set_size(700, 500); window_set_region_scale(2, false); "
         "window_mouse_set(30, 10)",
         "30,10 0,0 0,0 30,10"},
        {"window_mouse_set(33, 13)", "34,14 2,2 2,2 34,14"}, // halves rounded to even
        {"window_views_mouse_set(100, 50)", "230,110 100,50 100,50 230,110"},
        // Keeping the aspect: 1000 x 480 for 320 x 240 fits at scale 2, x from 180.
        {"window_set_region_scale(-1, false); window_set_size(1000, 480); window_mouse_set(180, 0)",
         "180,0 0,0 0,0 180,0"},
        {"window_mouse_set(500, 240)", "500,240 160,120 160,120 500,240"},
        // Stretched: a region point comes back as itself.
        {"window_set_region_scale(0, false); window_set_size(700, 500); window_views_mouse_set(100, 50)",
         "219,104 100,50 100,50 219,104"},
        {"display_mouse_set(window_get_x() + 7, window_get_y() + 480)", "7,479 3,230 3,230 7,479"},
    };
    EXPECT_EQ(RunCases(cases, state, kRoom320), Expected(cases));
}

// Through the views as drawn (the cases run in the first step, after the room start drew them):
// where views overlap the higher-numbered one takes the cursor; outside every view the
// lowest-numbered one maps it; a turned view turns the mapping.
TEST(Window, MouseThroughTheViews) {
    const char* state =
        "string(window_views_mouse_get_x()) + ',' + string(window_views_mouse_get_y()) + ' ' + "
        "string(window_view_mouse_get_x(0)) + ',' + string(window_view_mouse_get_y(0)) + ' ' + "
        "string(window_view_mouse_get_x(1)) + ',' + string(window_view_mouse_get_y(1)) + ' ' + "
        "string(window_view_mouse_get_x(5)) + ',' + string(window_view_mouse_get_y(5)) + ' ' + "
        "string(mouse_x) + ',' + string(mouse_y)";
    // View 0: room (0, 0, 320, 240) on the region (0, 0, 640, 480); view 1: room (1000, 1000, 100,
    // 100) on (0, 0, 200, 200); view 2: room (2000, 2000, 100, 100) turned 90 degrees on (400, 0,
    // 100, 100). View 5 is not visible.
    const std::string room = R"j({"width": 3000, "height": 3000, "enable_views": true, "views": [
        {"visible": true, "xview": 0, "yview": 0, "wview": 320, "hview": 240,
         "xport": 0, "yport": 0, "wport": 640, "hport": 480},
        {"visible": true, "xview": 1000, "yview": 1000, "wview": 100, "hview": 100,
         "xport": 0, "yport": 0, "wport": 200, "hport": 200},
        {"visible": true, "xview": 2000, "yview": 2000, "wview": 100, "hview": 100,
         "xport": 400, "yport": 0, "wport": 100, "hport": 100}],
        "instances": [{"object": "o"}]})j";
    const std::vector<RStepCase> cases = {
        {"window_mouse_set(100, 100)", "1050,1050 50,50 1050,1050 100,100 1050,1050"},
        {"window_mouse_set(300, 300)", "150,150 150,150 1150,1150 300,300 150,150"},
        {"window_mouse_set(700, 500)", "350,250 350,250 1350,1250 700,500 350,250"},
        {"window_mouse_set(475, 50)", "2050,2075 238,25 1238,1025 475,50 2050,2075"},
        {"window_view_mouse_set(0, 100, 50)", "100,50 100,50 1100,1050 200,100 100,50"},
        {"window_view_mouse_set(5, 1, 1); window_view_mouse_set(-1, 1, 1)",
         "100,50 100,50 1100,1050 200,100 100,50"},
        {"window_views_mouse_set(10, 20)", "1010,1020 10,20 1010,1020 20,40 1010,1020"},
        {"window_view_mouse_set(2, 2050, 2075)", "2050,2075 238,25 1238,1025 475,50 2050,2075"},
    };
    EXPECT_EQ(RunCases(cases, state, room, "{}", "", "view_angle[2] = 90"), Expected(cases));
}

// The state reaches the system window (SDL's offscreen driver here, which keeps place, size, the
// lower limit of resizing and the title; it has no frame, so border and stay-on-top stay unseen).
TEST(WindowSystem, StateReachesTheSystemWindow) {
    ::setenv("QUARVEL_HEADLESS", "1", 1);
    ::unsetenv("QUARVEL_RENDER");
    Option_SetDefaults();
    opt_sizeable = true;
    ASSERT_TRUE(Graphics_StartForGame());
    Window_SizeForRoom(320, 240, true);
    RSystemWindow s;
    ASSERT_TRUE(GameWindow_SystemReport(s));
    EXPECT_EQ(s.x, 352);
    EXPECT_EQ(s.y, 264);
    EXPECT_EQ(s.w, 320);
    EXPECT_EQ(s.h, 240);
    EXPECT_EQ(s.minW, 320); // the user cannot make it smaller than the scaled region
    EXPECT_EQ(s.minH, 240);
    EXPECT_FALSE(s.shown); // headless: never on a screen

    Window_SetRegionScale(2, true);
    Window_SetCaption("Quarvel window");
    Window_SetPosition(40, 50);
    ASSERT_TRUE(GameWindow_SystemReport(s));
    EXPECT_EQ(s.x, 40);
    EXPECT_EQ(s.y, 50);
    EXPECT_EQ(s.w, 640);
    EXPECT_EQ(s.h, 480);
    EXPECT_EQ(s.minW, 640);
    EXPECT_EQ(s.minH, 480);
    EXPECT_EQ(s.title, "Quarvel window");

    // Stretched, or not sizeable: any size.
    Window_SetRegionScale(0, false);
    Window_Paint(); // presents again with the margins
    ASSERT_TRUE(GameWindow_SystemReport(s));
    EXPECT_LE(s.minW, 1);
    Window_SetRegionScale(1, false);
    Window_SetSizeable(false);
    ASSERT_TRUE(GameWindow_SystemReport(s));
    EXPECT_LE(s.minW, 1);
    Graphics_Stop();
}

// Where the region lies in a client area: stretched, the largest aspect-keeping fit, a fixed scale
// (centred, negative offsets when the region is larger than the client area).
TEST(Window, RegionPlaceInTheClientArea) {
    struct RPlaceCase {
        int rw, rh;
        double scale;
        int cw, ch;
        RRegionPlace place;
    };
    const RPlaceCase cases[] = {
        {320, 240, 2, 700, 500, {30, 10, 640, 480}},     {640, 480, -1, 1000, 480, {180, 0, 640, 480}},
        {640, 480, -1, 700, 1000, {0, 237, 700, 525}},   {320, 240, 0, 700, 500, {0, 0, 700, 500}},
        {320, 240, 3, 700, 500, {-130, -110, 960, 720}}, {320, 240, 1.5, 481, 361, {0, 0, 480, 360}},
    };
    Option_SetDefaults();
    Window_Start();
    for (const RPlaceCase& c : cases) {
        Window_SetRegionScale(c.scale, false);
        Window_SetRegionSize(c.rw, c.rh, false);
        const RRegionPlace p = Window_RegionPlace(c.cw, c.ch);
        EXPECT_EQ(p.x, c.place.x) << c.rw << "x" << c.rh << " at " << c.scale << " in " << c.cw << "x"
                                  << c.ch;
        EXPECT_EQ(p.y, c.place.y) << c.rw << "x" << c.rh << " at " << c.scale;
        EXPECT_EQ(p.w, c.place.w) << c.rw << "x" << c.rh << " at " << c.scale;
        EXPECT_EQ(p.h, c.place.h) << c.rw << "x" << c.rh << " at " << c.scale;
    }
}
