// Collisions, movement, paths and the outside events, end to end: small games packed by our
// packer (sprites written as PNG frames, paths as JSON), run headless in process, judged on the
// dialog lines.
#include "WorldTest.h"

#include "graphics/BM32_Bitmap.h"
#include "graphics/BM32_PNG.h"
#include "graphics/Graphics_Main.h"

#include <functional>
#include <map>

namespace {

using Lines = std::vector<std::string>;

// A 16 x 16 (or w x h) frame whose opaque pixels are those where solid(x, y) holds; with frames
// above 1, frame k's pixels are those where framed(k, x, y) holds, and separate gives each frame
// its own mask.
struct RSpriteSpec {
    std::string name;
    int w, h;
    std::function<bool(int, int)> solid;
    std::string shape = "precise";
    int frames = 1;
    std::function<bool(int, int, int)> framed = nullptr;
    bool separate = false;
};

void WriteSprites(const TempDir& d, const std::vector<RSpriteSpec>& specs) {
    namespace fs = std::filesystem;
    for (const RSpriteSpec& s : specs) {
        const fs::path dir = d / ("sprites/" + s.name);
        fs::create_directories(dir);
        for (int k = 0; k < s.frames; ++k) {
            TBitmap32 bm(s.w, s.h, 0);
            for (int y = 0; y < s.h; ++y)
                for (int x = 0; x < s.w; ++x)
                    if (s.framed ? s.framed(k, x, y) : s.solid(x, y)) bm.SetPixel(x, y, 0xFF00FF00u);
            ASSERT_TRUE(BM32_SavePNG(bm, (dir / (std::to_string(k) + ".png")).string()));
        }
        WriteFileText((dir / "sprite.json").string(), R"j({"mask": {"shape": ")j" + s.shape +
                                                          R"j(", "separate": )j" +
                                                          (s.separate ? "true" : "false") + "}}");
    }
}

// The sprites most cases use: a full 16 x 16 box, a triangle (x + y <= 14) and a single pixel.
const std::vector<RSpriteSpec>& StandardSprites() {
    static const std::vector<RSpriteSpec> specs = {
        {"s_box", 16, 16, [](int, int) { return true; }},
        {"s_tri", 16, 16, [](int x, int y) { return x + y <= 14; }},
        {"s_dot", 1, 1, [](int, int) { return true; }},
    };
    return specs;
}

void WritePaths(const TempDir& d, const std::vector<std::pair<std::string, std::string>>& paths) {
    std::filesystem::create_directories(d / "paths");
    for (const auto& [name, json] : paths) WriteFileText(d / ("paths/" + name + ".json"), json);
}

// A game whose controller c runs code in its create event; objects o_box, o_tri and o_dot use the
// standard sprites.
TestGame Probe(const std::string& code, const std::string& more = "") {
    TestGame g;
    g.Object("c", Events(Event("create", code) + more));
    g.Object("o_box", R"j({"sprite": "s_box"})j");
    g.Object("o_tri", R"j({"sprite": "s_tri"})j");
    g.Object("o_dot", R"j({"sprite": "s_dot"})j");
    g.Room("r0", R"j({"instances": [{"object": "c"}]})j");
    g.extra = [](const TempDir& d) { WriteSprites(d, StandardSprites()); };
    return g;
}

// show_message lines "label value" for each (label, expression) in order, and the lines expected.
struct RCases {
    std::string code;
    Lines expect;
    RCases& Add(const std::string& label, const std::string& expr, const std::string& value) {
        code += "show_message('" + label + " ' + string(" + expr + "));\n";
        expect.push_back(label + " " + value);
        return *this;
    }
};

TEST(Collision, PreciseMasksAndTheThreeMappings) {
    RCases c;
    c.code = "t = instance_create(0, 0, o_tri); u = instance_create(10, 10, o_tri);\n"
             "s = instance_create(100, 100, o_tri); s.image_xscale = 2; s.image_yscale = 2;\n"
             "r = instance_create(300, 100, o_tri); r.image_angle = 180;\n"
             "d = instance_create(0, 0, o_dot);\n"
             "m = instance_create(300, 300, o_box); m.image_xscale = -1;\n"
             "m2 = instance_create(300, 400, o_box); m2.image_xscale = -2;\n";
    // Boxes overlap, pixels do not: only the imprecise tests see the overlap.
    c.Add("box-only", "collision_rectangle(10, 10, 14, 14, t, false, false) == t", "1")
        .Add("pixels", "collision_rectangle(10, 10, 14, 14, t, true, false)", "-4")
        .Add("place", "instance_place(10, 10, t)", "-4")
        .Add("corner", "collision_point(14, 0, t, true, false) == t", "1")
        .Add("corner-out", "collision_point(14, 1, t, true, false)", "-4")
        .Add("point-rounds-out", "collision_point(0.6 + 14, 0, t, true, false)", "-4");
    // Direct, scaled and rotated point mappings, each with a point inside the box but off the mask.
    c.Add("scaled-in", "collision_point(128, 100, s, true, false) == s", "1")
        .Add("scaled-out", "collision_point(129, 102, s, true, false)", "-4")
        .Add("rotated-in", "collision_point(299, 299 - 200, r, true, false) == r", "1")
        .Add("rotated-in2", "collision_point(287, 99, r, true, false) == r", "1")
        .Add("rotated-out", "collision_point(286, 99, r, true, false)", "-4");
    // The same through the mask-against-mask test: a one-pixel instance moved onto the points.
    c.code += "with (d) { x = 14; y = 0; global.ra = instance_place(x, y, o_tri) == other.t;"
              " x = 14; y = 1; global.rb = instance_place(x, y, o_tri);"
              " x = 128; y = 100; global.rc = instance_place(x, y, o_tri) == other.s;"
              " x = 129; y = 102; global.re = instance_place(x, y, o_tri);"
              " x = 287; y = 99; global.rf = instance_place(x, y, o_tri) == other.r;"
              " x = 286; y = 99; global.rg = instance_place(x, y, o_tri); }\n";
    c.Add("pair-direct-in", "global.ra", "1")
        .Add("pair-direct-out", "global.rb", "-4")
        .Add("pair-scaled-in", "global.rc", "1")
        .Add("pair-scaled-out", "global.re", "-4")
        .Add("pair-rotated-in", "global.rf", "1")
        .Add("pair-rotated-out", "global.rg", "-4");
    // A mirrored sprite's box holds exactly its pixels.
    c.Add("mirror-box", "string(m.bbox_left) + ' ' + string(m.bbox_right)", "285 300")
        .Add("mirror-edge", "collision_point(285, 301, m, true, false) == m", "1")
        .Add("mirror-past", "collision_point(284, 301, m, false, false)", "-4")
        .Add("mirror2-box", "string(m2.bbox_left) + ' ' + string(m2.bbox_right)", "269 300")
        .Add("mirror2-edge", "collision_point(269, 401, m2, true, false) == m2", "1");
    // Shapes: a zero-width ellipse is a rectangle; the line is clipped to the box.
    c.Add("ellipse-flat", "collision_ellipse(5, 0, 5, 9, t, true, false) == t", "1")
        .Add("ellipse-miss", "collision_ellipse(10, 10, 20, 20, t, true, false)", "-4")
        .Add("circle", "collision_circle(3, 3, 2, t, true, false) == t", "1")
        .Add("line-hit", "collision_line(-50, 5, 100, 5, t, true, false) == t", "1")
        .Add("line-miss", "collision_line(-50, 40, 100, -20, t, true, false)", "-4")
        .Add("line-diag", "collision_line(-10, 20, 30, -20, t, true, false) == t", "1")
        .Add("notme", "collision_point(1, 1, all, true, true) == t", "1");
    GameOutcome o = RunInProcess(Probe(c.code), 0);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), c.expect);
}

TEST(Collision, MaskShapesAndSeparateMasksPerFrame) {
    // 16 x 16 sprites fully opaque: the ellipse and the diamond fitted to the box (centre 7.5,
    // radius 8). Two frames with the left half (frame 0) and the right half (frame 1) opaque,
    // with a mask per frame or one for both.
    auto half = [](int k, int x, int) { return (x < 8) == (k == 0); };
    const std::vector<RSpriteSpec> sprites = {
        {"s_ell", 16, 16, [](int, int) { return true; }, "ellipse"},
        {"s_dia", 16, 16, [](int, int) { return true; }, "diamond"},
        {"s_sep", 16, 16, nullptr, "precise", 2, half, true},
        {"s_one", 16, 16, nullptr, "precise", 2, half, false},
        {"s_dot", 1, 1, [](int, int) { return true; }},
    };
    TestGame g;
    std::string code = "e = instance_create(100, 100, o_ell); e2 = instance_create(200, 100, o_ell);"
                       " e2.image_xscale = 2; d = instance_create(100, 200, o_dia);"
                       " s = instance_create(300, 100, o_sep); s.image_speed = 0;"
                       " u = instance_create(300, 200, o_one); u.image_speed = 0;"
                       " p = instance_create(0, 0, o_dot);\n";
    struct Case {
        std::string label, setup; // setup runs before the point (px, py) is asked about
        int px, py;
        std::string target;
        bool hit;
    };
    const std::vector<Case> cases = {
        {"ellipse-in", "", 101, 103, "e", true},
        {"ellipse-out", "", 100, 103, "e", false},
        {"ellipse-edge-in", "", 100, 107, "e", true},
        {"ellipse-corner-out", "", 101, 102, "e", false},
        {"ellipse-scaled-in", "", 202, 103, "e2", true},
        {"ellipse-scaled-out", "", 201, 103, "e2", false},
        {"diamond-in", "", 104, 204, "d", true},
        {"diamond-out", "", 103, 204, "d", false},
        {"diamond-side-in", "", 101, 207, "d", true},
        {"diamond-side-out", "", 100, 207, "d", false},
        {"frame0-left", "s.image_index = 0;", 302, 100, "s", true},
        {"frame0-right", "s.image_index = 0;", 310, 100, "s", false},
        {"frame1-left", "s.image_index = 1;", 302, 100, "s", false},
        {"frame1-right", "s.image_index = 1;", 310, 100, "s", true},
        {"frame1.7-right", "s.image_index = 1.7;", 310, 100, "s", true},
        {"frame3-right", "s.image_index = 3;", 310, 100, "s", true},
        {"frame3-left", "s.image_index = 3;", 302, 100, "s", false},
        {"one-mask-left", "u.image_index = 1;", 302, 200, "u", true},
        {"one-mask-right", "u.image_index = 0;", 310, 200, "u", true},
    };
    // Each point asked directly and through the one-pixel instance's mask against the target's.
    Lines expect;
    for (const Case& c : cases) {
        code += c.setup + " a = collision_point(" + std::to_string(c.px) + ", " + std::to_string(c.py) +
                ", " + c.target + ", true, false) == " + c.target + "; with (p) global.b = instance_place(" +
                std::to_string(c.px) + ", " + std::to_string(c.py) + ", other." + c.target + ") == other." +
                c.target + "; show_message('" + c.label + " ' + string(a) + string(global.b));\n";
        expect.push_back(c.label + (c.hit ? " 11" : " 00"));
    }
    g.Object("c", Events(Event("create", code)));
    g.Object("o_ell", R"j({"sprite": "s_ell"})j");
    g.Object("o_dia", R"j({"sprite": "s_dia"})j");
    g.Object("o_sep", R"j({"sprite": "s_sep"})j");
    g.Object("o_one", R"j({"sprite": "s_one"})j");
    g.Object("o_dot", R"j({"sprite": "s_dot"})j");
    g.Room("r0", R"j({"instances": [{"object": "c"}]})j");
    g.extra = [sprites](const TempDir& d) { WriteSprites(d, sprites); };
    GameOutcome o = RunInProcess(g, 0);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), expect);
}

TEST(Collision, PlaceAndPositionSearches) {
    RCases c;
    c.code = "a = instance_create(0, 0, o_box); w = instance_create(40, 0, o_box); w.solid = true;\n"
             "p = instance_create(80, 0, o_dot);\n";
    c.code += "with (a) { global.f1 = place_free(30, 0); global.f2 = place_free(20, 0);"
              " global.e1 = place_empty(30, 0); global.m1 = place_meeting(40, 0, other.w);"
              " global.m2 = place_meeting(x, y, self); global.s = place_snapped(16, 16); }\n";
    c.Add("free-blocked", "global.f1", "0")
        .Add("free-open", "global.f2", "1")
        .Add("empty", "global.e1", "0")
        .Add("meeting", "global.m1", "1")
        .Add("meeting-self", "global.m2", "0")
        .Add("snapped", "global.s", "1")
        .Add("pos-empty", "position_empty(60, 60)", "1")
        .Add("pos-meeting", "position_meeting(45, 5, o_box)", "1")
        .Add("inst-pos", "instance_position(80, 0, all) == p", "1");
    c.code += "position_change(41, 1, o_dot, false);\n";
    c.Add("changed", "instance_number(o_box)", "1");
    c.code += "position_destroy(5, 5);\n";
    c.Add("destroyed", "instance_exists(a)", "0");
    GameOutcome o = RunInProcess(Probe(c.code), 0);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), c.expect);
}

TEST(Collision, SearchesAgreeWithTestingEachInstanceInListOrder) {
    // Hundreds of instances (parent o_p with child o_a, boxes, dots, sprite-less, scaled, mirrored,
    // turned) that move, change depth (so the room's order differs from the per-object lists'),
    // are created, destroyed and deactivated; random searches from a random instance that moves
    // between searches, each compared with asking every instance in turn by its id, in the order
    // with() visits them.
    const std::string create = R"(
        random_set_seed(7); global.mis = 0; global.hits = 0; global.asked = 0;
        repeat (300) {
            i = instance_create(irandom(300), irandom(300), choose(o_a, o_b, o_dot, o_n, o_a, o_p));
            if (random(1) < 0.3) i.image_xscale = choose(2, -1, 0.5);
            if (random(1) < 0.2) i.image_angle = choose(90, 30, 180);
            i.solid = random(1) < 0.5; i.depth = irandom(5);
        })";
    const std::string step = R"(
        with (all) if (object_index != c) {
            x += irandom(30) - 15; y += irandom(30) - 15; if (random(1) < 0.1) depth = irandom(5);
        }
        repeat (5) instance_create(irandom(300), irandom(300), choose(o_a, o_b));
        with (o_b) if (random(1) < 0.03) instance_destroy();
        if (random(1) < 0.5) { instance_deactivate_object(o_dot); instance_activate_all(); }
        repeat (150) {
            global.q = irandom(8); global.obj = choose(all, all, all, o_p, o_a, o_b, o_dot, o_n);
            if (global.q >= 7) global.obj = all;
            global.x1 = irandom(320) - 20; global.y1 = irandom(320) - 20;
            global.x2 = global.x1 + irandom(60) - 30; global.y2 = global.y1 + irandom(60) - 30;
            global.r = irandom(20); global.prec = irandom(1); global.notme = irandom(1);
            global.me = instance_find(all, irandom(instance_number(all) - 1));
            with (global.me) {
                x += irandom(8) - 4;
                if (global.q == 0) global.got = collision_point(global.x1, global.y1, global.obj, global.prec, global.notme);
                else if (global.q == 1) global.got = collision_rectangle(global.x1, global.y1, global.x2, global.y2, global.obj, global.prec, global.notme);
                else if (global.q == 2) global.got = collision_circle(global.x1, global.y1, global.r, global.obj, global.prec, global.notme);
                else if (global.q == 3) global.got = collision_ellipse(global.x1, global.y1, global.x2, global.y2, global.obj, global.prec, global.notme);
                else if (global.q == 4) global.got = collision_line(global.x1, global.y1, global.x2, global.y2, global.obj, global.prec, global.notme);
                else if (global.q == 5) global.got = instance_position(global.x1, global.y1, global.obj);
                else if (global.q == 6) global.got = instance_place(global.x1, global.y1, global.obj);
                else if (global.q == 7) global.got = place_free(global.x1, global.y1);
                else global.got = place_empty(global.x1, global.y1);
            }
            global.ref = noone;
            with (global.obj) if (global.ref == noone && (id != global.me || !global.notme || global.q >= 5)) {
                h = false;
                if (global.q == 0) h = collision_point(global.x1, global.y1, id, global.prec, false) == id;
                else if (global.q == 1) h = collision_rectangle(global.x1, global.y1, global.x2, global.y2, id, global.prec, false) == id;
                else if (global.q == 2) h = collision_circle(global.x1, global.y1, global.r, id, global.prec, false) == id;
                else if (global.q == 3) h = collision_ellipse(global.x1, global.y1, global.x2, global.y2, id, global.prec, false) == id;
                else if (global.q == 4) h = collision_line(global.x1, global.y1, global.x2, global.y2, id, global.prec, false) == id;
                else if (global.q == 5) h = instance_position(global.x1, global.y1, id) == id;
                else {
                    global.cand = id; with (global.me) global.t = place_meeting(global.x1, global.y1, global.cand);
                    h = global.t && (global.q != 7 || solid);
                }
                if (h) global.ref = id;
            }
            if (global.q >= 7) global.ok = global.got == (global.ref == noone); else global.ok = global.got == global.ref;
            if (!global.ok) {
                global.mis += 1;
                if (global.mis <= 3) show_message('differs ' + string(global.q) + ' ' + string(global.got) + ' ' + string(global.ref));
            }
            global.asked += 1; if (global.ref != noone) global.hits += 1;
        }
        if (global.asked == 600) show_message('agree ' + string(global.mis) + ' ' + string(global.hits > 100));)";
    TestGame g;
    g.Object("c", Events(Event("create", create) + "," + Event("step", step)));
    g.Object("o_p", R"j({"sprite": "s_box"})j");
    g.Object("o_a", R"j({"sprite": "s_tri", "parent": "o_p"})j");
    g.Object("o_b", R"j({"sprite": "s_box"})j");
    g.Object("o_dot", R"j({"sprite": "s_dot"})j");
    g.Object("o_n", "{}");
    g.Room("r0", R"j({"width": 400, "height": 400, "instances": [{"object": "c"}]})j");
    g.extra = [](const TempDir& d) { WriteSprites(d, StandardSprites()); };
    // Drawn (on the null device), so that the room sorts its instances by depth.
    GameOutcome o = RunInProcess(
        g, 4, {{"QUARVEL_RENDER", "null"}}, [](const TempDir&) { Graphics_Start(); }, Graphics_Stop);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), Lines{"agree 0 1"});
}

std::string CollisionEvent(const std::string& with, const std::string& code) {
    return R"j({"type": "collision", "number": ")j" + with + R"j(", "actions": [{"code": )j" +
           Platform_JsonString(code) + "}]}";
}

TEST(Collision, EventsDeliveryOrderAndSelfCollisions) {
    // Pairs by object (o_a 0, o_b 1, o_tri 2), instances in their own lists; same-object pairs
    // once, both receive.
    TestGame g;
    const std::string say =
        "show_message(string(object_index) + ':' + string(id - 100000) + '>' + string(other.id - 100000))";
    g.Object("o_a", R"j({"sprite": "s_box", "events": [)j" + CollisionEvent("o_b", say) + "," +
                        CollisionEvent("o_a", say) + "]}");
    g.Object("o_b", R"j({"sprite": "s_box", "events": [)j" + CollisionEvent("o_a", say) + "]}");
    g.Object("o_tri", R"j({"sprite": "s_tri", "events": [)j" + CollisionEvent("o_tri", say) + "]}");
    // b1 (100001) and a1, a2, a3 overlap; a3 is far from b; two triangles with only their boxes touching.
    g.Room("r0", R"j({"instances": [{"object": "o_b", "x": 0, "y": 0}, {"object": "o_a", "x": 8, "y": 0},
        {"object": "o_a", "x": 4, "y": 4}, {"object": "o_a", "x": 20, "y": 0},
        {"object": "o_tri", "x": 200, "y": 200}, {"object": "o_tri", "x": 210, "y": 210}]})j");
    g.extra = [](const TempDir& d) { WriteSprites(d, StandardSprites()); };
    GameOutcome o = RunInProcess(g);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), (Lines{"0:2>3", "0:3>2", "0:2>4", "0:4>2", "0:2>1", "1:1>2", "0:3>1", "1:1>3"}));
}

TEST(Collision, EventsThatMoveOrDeactivateInstancesDuringThePass) {
    // a1's event with a2 brings the far a3 onto a1: the pass still finds a1-a3, then a2-a3, as a
    // comparison of every pair would. In the second game a1's event deactivates everything else.
    const std::string say = "show_message(string(id - 100000) + '>' + string(other.id - 100000));";
    for (const auto& [code, expect] : std::vector<std::pair<std::string, Lines>>{
             {"if (id == 100001 && other.id == 100002) with (100003) x = 0;",
              {"1>2", "2>1", "1>3", "3>1", "2>3", "3>2"}},
             {"if (id == 100001) instance_deactivate_all(true);", {"1>2"}}}) {
        TestGame g;
        g.Object("o_a", R"j({"sprite": "s_box", "events": [)j" + CollisionEvent("o_a", say + code) + "]}");
        g.Room("r0", R"j({"instances": [{"object": "o_a", "x": 0, "y": 0}, {"object": "o_a", "x": 8, "y": 0},
            {"object": "o_a", "x": 500, "y": 0}]})j");
        g.extra = [](const TempDir& d) { WriteSprites(d, StandardSprites()); };
        GameOutcome o = RunInProcess(g);
        EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
        EXPECT_EQ(o.Messages(), expect) << code;
    }
}

TEST(Collision, SolidPushbackAndDestroyedInstances) {
    // Ball moving right at 4 into a solid wall: put back, event, moved again, put back again.
    TestGame g;
    g.Object("o_ball",
             R"j({"sprite": "s_box", "events": [)j" + Event("create", "hspeed = 4") + "," +
                 CollisionEvent("o_wall", "show_message('hit ' + string(x) + ' ' + string(xprevious))") +
                 "," + Event("step", 2, "show_message('end ' + string(x))") + "]}");
    g.Object("o_wall", R"j({"sprite": "s_box", "solid": true})j");
    g.Room(
        "r0",
        R"j({"instances": [{"object": "o_ball", "x": 20, "y": 0}, {"object": "o_wall", "x": 40, "y": 0}]})j");
    g.extra = [](const TempDir& d) { WriteSprites(d, StandardSprites()); };
    GameOutcome o = RunInProcess(g, 3);
    EXPECT_EQ(o.Messages(), (Lines{"end 24", "hit 24 24", "end 24", "hit 24 24", "end 24"}));

    // The bullet destroys the enemy in its own event: the enemy receives nothing; a bullet that
    // destroys itself still lets the enemy receive its event.
    for (const auto& [code, expect] : std::vector<std::pair<std::string, Lines>>{
             {"with (other) instance_destroy()", {"bullet"}}, {"instance_destroy()", {"bullet", "enemy"}}}) {
        TestGame h;
        h.Object("o_bullet", R"j({"sprite": "s_box", "events": [)j" +
                                 CollisionEvent("o_enemy", "show_message('bullet'); " + code) + "]}");
        h.Object("o_enemy", R"j({"sprite": "s_box", "events": [)j" +
                                CollisionEvent("o_bullet", "show_message('enemy')") + "]}");
        h.Room("r0", R"j({"instances": [{"object": "o_bullet"}, {"object": "o_enemy", "x": 4}]})j");
        h.extra = [](const TempDir& d) { WriteSprites(d, StandardSprites()); };
        EXPECT_EQ(RunInProcess(h, 2).Messages(), expect) << code;
    }
}

// One instance of o_m with the given create code; its end step shows expr each step.
TestGame Mover(const std::string& create, const std::string& expr, const std::string& more = "") {
    TestGame g;
    g.Object("o_m", R"j({"sprite": "s_box", "events": [)j" + Event("create", create) + "," +
                        Event("step", 2, "show_message(" + expr + ")") + more + "]}");
    g.Room("r0", R"j({"instances": [{"object": "o_m", "x": 100, "y": 100}]})j");
    g.extra = [](const TempDir& d) {
        WriteSprites(d, StandardSprites());
        WritePaths(d, {{"p_line", R"j({"closed": false, "points": [[0, 0], [64, 0]]})j"},
                       {"p_dot", R"j({"points": [[5, 5]]})j"}});
    };
    return g;
}

TEST(Motion, FrictionThenGravityAndMotionFunctions) {
    struct Case {
        std::string create, expr;
        int steps;
        Lines expect;
    };
    const std::string sp = "string(speed)";
    const std::vector<Case> cases = {
        {"speed = 1.2; friction = 0.5", sp, 3, {"0.70", "0.20", "0"}},
        {"gravity = 0.5",
         "string(vspeed) + ' ' + string(direction) + ' ' + string(speed)",
         1,
         {"0.50 270 0.50"}},
        // Friction acts before gravity: from rest, friction leaves speed 0 and gravity adds to it.
        {"friction = 1; gravity = 0.5", sp, 1, {"0.50"}},
        {"move_towards_point(x, y, 3)", "string(x) + ' ' + string(direction)", 1, {"103 0"}},
        {"motion_set(90, 2)", "string(y)", 1, {"98"}},
        {"motion_set(0, 2); motion_add(180, 2)", "string(x) + ' ' + string(speed)", 1, {"100 0"}},
        {"x = 101; y = 99; move_snap(8, 8)", "string(x) + ' ' + string(y)", 1, {"104 96"}},
        {"x = -20; move_wrap(true, false, 10)", "string(x)", 1, {"640"}},
        {"",
         "string(distance_to_point(0, 100)) + ' ' + string(distance_to_point(120, 120))",
         1,
         {"100 7.07"}},
    };
    for (const Case& c : cases) {
        GameOutcome o = RunInProcess(Mover(c.create, c.expr), c.steps);
        EXPECT_EQ(o.Messages(), c.expect) << c.create;
    }
}

TEST(Motion, PathEndActions) {
    // p_line (path 1) is 64 pixels long; at speed 4 its end comes in step 16, exactly.
    const std::string eop =
        R"j(,{"type": "other", "number": 8, "actions": [{"code": "show_message('end')"}]})j";
    const std::string show = "string(x) + ' ' + string(path_position) + ' ' + string(path_index)";
    auto run = [&](const std::string& start, int steps) {
        return RunInProcess(Mover(start, show, eop), steps).Messages();
    };
    // Stop: ends on the path's last point in step 16 with one end event, then stands still.
    Lines l = run("path_start(p_line, 4, 0, false)", 17);
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[0], "104 0.06 1");
    EXPECT_EQ(l[15], "end");
    EXPECT_EQ(l[16], "164 1 -1");
    EXPECT_EQ(l[17], "164 1 -1");
    // Restart: back at the start in the same step; continue: carries on from the end.
    l = run("path_start(p_line, 4, 1, false)", 17);
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[16], "100 0 1");
    EXPECT_EQ(l[17], "104 0.06 1");
    l = run("path_start(p_line, 4, 2, false)", 17);
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[16], "164 0 1");
    EXPECT_EQ(l[17], "168 0.06 1");
    // Reverse: turns at the end and comes back.
    l = run("path_start(p_line, 4, 3, false)", 17);
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[16], "164 1 1");
    EXPECT_EQ(l[17], "160 0.94 1");
    // Backwards from the end: no jump on the first step; landing exactly on 0 restarts at 1.
    l = run("path_start(p_line, -4, 1, false)", 17);
    ASSERT_EQ(l.size(), 18u);
    EXPECT_EQ(l[0], "96 0.94 1");
    EXPECT_EQ(l[15], "end");
    EXPECT_EQ(l[16], "100 1 1");
    // Absolute: placed on the path's own first point.
    l = run("path_start(p_line, 4, 0, true)", 1);
    EXPECT_EQ(l, (Lines{"4 0.06 1"}));
    // Missing, pointless and zero-speed paths: nothing moves, nothing hangs.
    for (const std::string& s : {"path_start(99, 4, 0, false)", "path_start(p_dot, 4, 0, false)",
                                 "path_start(-1, 4, 0, false)", "path_start(p_line, 0, 0, false)"})
        EXPECT_EQ(run(s, 2), (Lines{s.find("p_line") != std::string::npos ? "100 0 1" : "100 0 -1",
                                    s.find("p_line") != std::string::npos ? "100 0 1" : "100 0 -1"}))
            << s;
}

TEST(Motion, PathIntoASolidIsPutBackWithItsPathPosition) {
    // Following p_line at 4 pixels a step into a solid wall at x 124: from the third step on the
    // instance and its path position go back, the event runs, the path advances, it touches again
    // and goes back again.
    TestGame g = Mover("path_start(p_line, 4, 0, false)", "string(x) + ' ' + string(path_position * 64)",
                       "," + CollisionEvent("o_wall", "show_message('hit')"));
    g.Object("o_wall", R"j({"sprite": "s_box", "solid": true})j");
    g.rooms[0].second =
        R"j({"instances": [{"object": "o_wall", "x": 124, "y": 100}, {"object": "o_m", "x": 100, "y": 100}]})j";
    EXPECT_EQ(RunInProcess(g, 4).Messages(), (Lines{"104 4", "108 8", "hit", "108 8", "hit", "108 8"}));
}

TEST(Motion, ContactOutsideBounceAndRandom) {
    // A wall of solid boxes to the right (x 140..155), and a solid filling the room in the
    // second game.
    struct Case {
        std::string create, expr;
        std::string expect;
    };
    const std::vector<Case> cases = {
        {"r = move_contact_solid(0, -1)", "string(x) + ' ' + string(r)", "124 1"},
        {"r = move_contact_solid(0, 10)", "string(x) + ' ' + string(r)", "110 0"},
        {"r = move_contact_all(180, 0)", "string(x) + ' ' + string(r)", "-900 0"},
        {"x = 150; r = move_outside_solid(0, -1)", "string(x) + ' ' + string(r)", "156 1"},
        {"x = 150; r = move_contact(0)", "string(x) + ' ' + string(r)", "156 1"},
        // Simple bounce against the vertical wall while moving diagonally: only hspeed turns.
        {"x = 124; hspeed = 20; vspeed = 2; move_bounce_solid(false)",
         "string(hspeed) + ' ' + string(vspeed)", "-20 2"},
        // Advanced: the free directions either side of 0 are 90 and 270 (by tens), so it turns back.
        {"x = 124; hspeed = 20; move_bounce_solid(true)", "string(direction)", "180"},
    };
    for (const Case& c : cases) {
        TestGame g = Mover(c.create, c.expr);
        g.Object("o_wall", R"j({"sprite": "s_box", "solid": true})j");
        g.rooms[0].second =
            R"j({"instances": [{"object": "o_wall", "x": 140, "y": 100}, {"object": "o_m", "x": 100, "y": 100}]})j";
        GameOutcome o = RunInProcess(g, 1);
        EXPECT_EQ(o.Messages(), Lines{c.expect}) << c.create;
    }
    // A solid far larger than the room: contact does nothing, outside gives up after its bound
    // (1000 steps, or 100,000 for any larger maxdist), random finds no free place and stays.
    TestGame g = Mover("r1 = move_contact_solid(0, 0); r2 = move_outside_solid(0, -1); x = 100;"
                       "r3 = move_outside_all(0, 1000000000000); x = 100; y = 100; move_random(1, 1)",
                       "string(r1) + string(r2) + string(r3) + ' ' + string(x) + ' ' + string(y)");
    g.Object("o_wall", R"j({"sprite": "s_box", "solid": true})j");
    g.rooms[0].second = R"j({"width": 64, "height": 64, "instances": [{"object": "o_wall", "x": 0, "y": 0,
        "xscale": 10000, "yscale": 10000}, {"object": "o_m", "x": 100, "y": 100}]})j";
    GameOutcome o = RunInProcess(g, 1);
    EXPECT_EQ(o.Messages(), Lines{"000 100 100"});
}

TEST(Motion, OutsideAndBoundaryEvents) {
    // Moving left out of a 200-wide room from x 4: boundary first while crossing, then outside.
    auto ev = [](int n, const std::string& name) {
        return R"j(,{"type": "other", "number": )j" + std::to_string(n) +
               R"j(, "actions": [{"code": "show_message(')j" + name + R"j( ' + string(x))"}]})j";
    };
    TestGame g = Mover("x = 4; hspeed = -4", "'step ' + string(x)",
                       ev(0, "outside") + ev(1, "boundary") + ev(40, "view0"));
    g.rooms[0].second = R"j({"width": 200, "height": 200, "enable_views": true,
        "views": [{"visible": true, "xview": 0, "yview": 0, "wview": 8, "hview": 200}],
        "instances": [{"object": "o_m", "x": 100, "y": 100}]})j";
    GameOutcome o = RunInProcess(g, 6);
    // Inside at x 0; the box crosses the left edge from -4 (boundary); entirely out from -16
    // (outside, boundary still, and outside the 8-wide view). Each step: outside, boundary, views.
    EXPECT_EQ(o.Messages(), (Lines{"step 0", "boundary -4", "step -4", "boundary -8", "step -8",
                                   "boundary -12", "step -12", "outside -16", "boundary -16", "view0 -16",
                                   "step -16", "outside -20", "boundary -20", "view0 -20", "step -20"}));
}

TEST(Collision, BadInputNeverHangs) {
    // NaN and infinite positions, huge and zero scales, a sprite without frames: clear answers.
    RCases c;
    c.code = "a = instance_create(0, 0, o_box); b = instance_create(0, 0, o_box);\n";
    c.code += "big = 1; repeat (1100) big *= 2; a.x = big - big; a.y = big;\n";
    c.Add("nan", "collision_point(0, 0, a, true, false)", "-4")
        .Add("nan-place", "instance_place(0, 0, a)", "-4");
    c.code += "a.x = 0; a.y = 0; a.image_xscale = 10000000; a.image_yscale = 10000000; a.image_angle = 30;\n"
              "with (b) global.hp = instance_place(5000, 5000, other.a) == other.a;\n";
    c.Add("huge", "collision_rectangle(-1000, -1000, 1000, 1000, a, true, false) == a", "1")
        .Add("huge-pair", "global.hp", "1");
    c.code += "a.image_xscale = 0; a.image_angle = 0;\n";
    c.Add("zero", "collision_point(0, 0, a, true, false)", "-4");
    c.code += "b.sprite_index = -1; b.x = 500;\n";
    // Without a sprite there is no box, not even a placeholder one (its sides read -100000).
    c.Add("nosprite", "collision_point(500, 0, b, true, false)", "-4")
        .Add("nosprite-box",
             "string(b.bbox_left) + ' ' + string(collision_point(-100000, -100000, b, false, false))",
             "-100000 -4")
        .Add("nosprite-rect", "collision_rectangle(-100001, -100001, -99999, -99999, all, false, false)",
             "-4");
    GameOutcome o = RunInProcess(Probe(c.code), 0);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), c.expect);
}

TEST(Collision, SearchesWithBadRegions) {
    // One 16 x 16 box at (0, 0); each region asked precisely and by box, of the instance itself
    // and of all (the room's index): "1" found, "0" not.
    RCases c;
    c.code = "a = instance_create(0, 0, o_box); big = 1; repeat (1000) big *= 2; inf = big * big; nan = inf "
             "- inf;\n";
    const std::vector<std::pair<std::string, std::string>> regions = {
        {"rect-nan", "collision_rectangle(nan, 0, 10, 10, %o, %p, false)"},
        {"rect-huge", "collision_rectangle(-big, -big, big, big, %o, %p, false)"},
        {"rect-inf", "collision_rectangle(-inf, -inf, inf, inf, %o, %p, false)"},
        {"rect-inf-away", "collision_rectangle(20, -inf, inf, inf, %o, %p, false)"},
        {"circle-0-in", "collision_circle(8, 8, 0, %o, %p, false)"},
        {"circle-0-out", "collision_circle(8, 16, 0, %o, %p, false)"},
        {"circle-negative", "collision_circle(20, 8, -5, %o, %p, false)"},
        {"circle-negative-away", "collision_circle(22, 8, -5, %o, %p, false)"},
        {"circle-huge", "collision_circle(big, 0, big, %o, %p, false)"},
        {"circle-inf", "collision_circle(0, 0, inf, %o, %p, false)"},
        {"circle-nan", "collision_circle(nan, 0, 4, %o, %p, false)"},
        {"line-0-in", "collision_line(5, 5, 5, 5, %o, %p, false)"},
        {"line-0-out", "collision_line(16, 5, 16, 5, %o, %p, false)"},
        {"line-huge", "collision_line(-big, 5, big, 5, %o, %p, false)"},
        {"line-inf-level", "collision_line(-inf, 5, inf, 5, %o, %p, false)"},
        {"line-inf-upright", "collision_line(5, inf, 5, -inf, %o, %p, false)"},
        {"line-huge-steep", "collision_line(4, -big, 6, big, %o, %p, false)"},
        {"line-inf-slant", "collision_line(-inf, -inf, inf, inf, %o, %p, false)"},
        {"line-nan", "collision_line(0, 0, nan, 10, %o, %p, false)"},
    };
    const std::map<std::string, bool> found = {
        {"rect-huge", true},       {"rect-inf", true},       {"circle-0-in", true},
        {"circle-negative", true}, {"circle-huge", true},    {"line-0-in", true},
        {"line-huge", true},       {"line-inf-level", true}, {"line-inf-upright", true},
        {"line-huge-steep", true},
    };
    for (const auto& [label, call] : regions) {
        std::string expr;
        for (const char* obj : {"a", "all"})
            for (const char* prec : {"true", "false"}) {
                std::string e = call;
                e.replace(e.find("%o"), 2, obj);
                e.replace(e.find("%p"), 2, prec);
                expr += (expr.empty() ? "" : " + ") + ("string(" + e + " == a)");
            }
        c.Add(label, expr, found.count(label) ? "1111" : "0000");
    }
    GameOutcome o = RunInProcess(Probe(c.code), 0);
    EXPECT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), c.expect);
}

} // namespace

namespace {

TEST(Motion, DrawPathDrawsThePathInTheCapturedFrame) {
    // An open path drawn where it lies (red) and moved to start at (150, 20) (green); a closed
    // triangle (blue) drawn with its closing side. Lines may fall on either row next to a
    // coordinate: each point is judged on its 3 x 3 neighbourhood.
    TestGame g;
    g.Object("o_d", Events(Event("draw", "draw_set_color(c_red); draw_path(p_open, 0, 0, true);"
                                         "draw_set_color(c_lime); draw_path(p_open, 150, 20, false);"
                                         "draw_set_color(c_blue); draw_path(p_tri, 0, 0, true);")));
    g.Room("r0", R"j({"width": 320, "height": 240, "color": 0, "show_color": true,
        "instances": [{"object": "o_d"}]})j");
    g.extra = [](const TempDir& d) {
        WritePaths(d, {{"p_open", R"j({"closed": false, "points": [[20, 100], [100, 100], [100, 150]]})j"},
                       {"p_tri", R"j({"closed": true, "points": [[20, 180], [80, 180], [20, 230]]})j"}});
    };
    TempDir frames;
    GameOutcome o = RunInProcess(
        g, 1, {{"QUARVEL_CAPTURE", frames.path()}}, [](const TempDir&) { Graphics_Start(); }, Graphics_Stop);
    ASSERT_EQ(o.status, 0) << o.err << testing::PrintToString(o.lines);
    TBitmap32 frame;
    ASSERT_TRUE(frame.LoadFromImageFile(frames / "000001.png"));
    ASSERT_EQ(frame.Width(), 320);
    auto near = [&](int x, int y) {
        uint32_t seen = 0;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) seen |= frame.Pixel(x + dx, y + dy) & 0xFFFFFFu;
        return seen;
    };
    constexpr uint32_t kRed = 0xFF0000u, kLime = 0x00FF00u, kBlue = 0x0000FFu;
    const struct {
        int x, y;
        uint32_t colour; // 0: nothing drawn near
    } points[] = {
        {60, 100, kRed},  {100, 125, kRed}, {190, 20, kLime}, {230, 45, kLime}, {50, 180, kBlue},
        {50, 205, kBlue}, {20, 205, kBlue}, {60, 110, 0},     {90, 125, 0},     {190, 30, 0},
        {240, 45, 0},     {150, 100, 0},    {40, 200, 0},
    };
    for (const auto& p : points) EXPECT_EQ(near(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST(Motion, DrawPathReportsMissingPaths) {
    TestGame g =
        Mover("draw_path(p_line, 10, 10, false); draw_path(p_line, 0, 0, true); draw_path(99, 0, 0, true);"
              " show_message('drawn')",
              "'x'");
    GameOutcome o = RunInProcess(g, 0);
    int errors = 0;
    for (const std::string& l : o.lines)
        if (l.find("\"dialog\":\"error\"") != std::string::npos) {
            ++errors;
            EXPECT_NE(l.find("Trying to drawn non-existing path."), std::string::npos) << l;
        }
    EXPECT_EQ(errors, 1) << testing::PrintToString(o.lines);
    EXPECT_EQ(o.Messages(), (Lines{"drawn"}));
}

} // namespace
