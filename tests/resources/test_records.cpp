// Resource records read from hand-built bytes, and the behaviour of paths, time lines, objects,
// rooms, included files and extension packages that the records feed.
#include "TestRun.h"
#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Variable_BuiltIn.h"
#include "data/DataNew_Class.h"
#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "resources/Extension_Class.h"
#include "resources/Help_Main.h"
#include "resources/Object_Main.h"
#include "resources/Path_Main.h"
#include "resources/Room_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "support/Support_File.h"
#include "support/Support_Stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <variant>

namespace {

// Hand-built record bytes: integers, Booleans (as integers), reals and strings in stream order.
struct B {
    CStream s;
    B& i(int32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        s.Write(b, 4);
        return *this;
    }
    B& r(double v) {
        s.Write(&v, 8);
        return *this;
    }
    B& str(const std::string& t) {
        i(int32_t(t.size()));
        s.Write(t.data(), t.size());
        return *this;
    }
    B& bytes(const std::vector<uint8_t>& b) {
        s.Write(b.data(), b.size());
        return *this;
    }
    CStream& stream() {
        s.Seek(0);
        return s;
    }
};

// ---- paths

struct PathPos {
    double at, x, y;
};

TEST(ResPath, StraightClosedSquareAndClamping) {
    CPath p;
    for (auto [x, y] : {std::pair{0, 0}, {100, 0}, {100, 100}, {0, 100}}) p.AddPoint(x, y, 100);
    ASSERT_EQ(p.IntPoints().size(), 5u);
    EXPECT_EQ(p.IntPoints()[4].x, 0);
    EXPECT_EQ(p.IntPoints()[4].y, 0);
    EXPECT_DOUBLE_EQ(p.PathLength(), 400);
    for (PathPos c : {PathPos{0.375, 100, 50}, {0.5, 100, 100}, {1.5, 0, 0}, {-0.2, 0, 0}, {0.125, 50, 0}}) {
        EXPECT_DOUBLE_EQ(p.XPosition(c.at), c.x) << c.at;
        EXPECT_DOUBLE_EQ(p.YPosition(c.at), c.y) << c.at;
    }
    p.SetClosed(false);
    EXPECT_DOUBLE_EQ(p.PathLength(), 300);
    EXPECT_DOUBLE_EQ(p.YPosition(1.0), 100);
    EXPECT_DOUBLE_EQ(p.XPosition(1.0), 0);
}

TEST(ResPath, SmoothAndDegenerateShapes) {
    CPath two;
    two.SetKind(1);
    two.SetClosed(false);
    two.AddPoint(0, 0, 100);
    two.AddPoint(100, 0, 50);
    ASSERT_EQ(two.IntPoints().size(), 2u); // open smooth with two points: the straight segment
    EXPECT_DOUBLE_EQ(two.PathLength(), 100);
    EXPECT_DOUBLE_EQ(two.Speed(0.5), 75);

    CPath one;
    one.SetKind(1);
    one.SetClosed(false);
    one.AddPoint(7, 9, 100);
    ASSERT_EQ(one.IntPoints().size(), 2u);
    EXPECT_DOUBLE_EQ(one.PathLength(), 0);
    EXPECT_DOUBLE_EQ(one.XPosition(0.7), 7);

    CPath p0;
    p0.SetClosed(false);
    p0.SetKind(1);
    p0.SetPrecision(0);
    for (int k = 0; k < 4; k++) p0.AddPoint(k * 100, (k % 2) * 100, 100);
    ASSERT_EQ(p0.IntPoints().size(), 2u); // only the first and last control points
    EXPECT_EQ(p0.IntPoints()[1].x, 300);

    // A smooth curve passes through the midpoints of the legs and stays inside their hull.
    p0.SetPrecision(4);
    EXPECT_GT(p0.IntPoints().size(), 4u);
    for (const RIntPoint& q : p0.IntPoints()) {
        EXPECT_GE(q.y, 0);
        EXPECT_LE(q.y, 100);
    }

    CPath empty;
    double x, y, sp;
    empty.GetPosition(0.5, x, y, sp);
    EXPECT_EQ(sp, 100);
    empty.SetKind(7);
    EXPECT_EQ(empty.Kind(), 0);
    empty.SetPrecision(12);
    EXPECT_EQ(empty.Precision(), 8);
}

TEST(ResPath, TransformsAboutTheCentre) {
    CPath p;
    p.AddPoint(0, 0, 100);
    p.AddPoint(100, 50, 100);
    p.Mirror();
    EXPECT_EQ(p.Points()[0].x, 100);
    p.Rotate(90); // (x, y) about (50, 25) maps to (y, -x): (50, -25) becomes (-25, -50)
    EXPECT_NEAR(p.Points()[0].x, 25, 1e-9);
    EXPECT_NEAR(p.Points()[0].y, -25, 1e-9);
    p.Reverse();
    EXPECT_NEAR(p.Points()[1].x, 25, 1e-9);
    p.Append(&p);
    EXPECT_EQ(p.Count(), 4);
}

TEST(ResPath, RecordAndList) {
    B rec;
    rec.i(530).i(1).i(0).i(3).i(2).r(1).r(2).r(100).r(5).r(6).r(50);
    CPath p;
    ASSERT_TRUE(p.LoadFromStream(rec.stream()));
    EXPECT_EQ(p.Kind(), 1);
    EXPECT_FALSE(p.Closed());
    EXPECT_EQ(p.Precision(), 3);
    ASSERT_EQ(p.Count(), 2);
    EXPECT_EQ(p.Points()[1].speed, 50);

    B wrong, huge;
    wrong.i(531).i(0).i(1).i(4).i(0);
    huge.i(530).i(0).i(1).i(4).i(0x7FFFFFFF);
    EXPECT_FALSE(CPath().LoadFromStream(wrong.stream()));
    EXPECT_FALSE(CPath().LoadFromStream(huge.stream()));

    // Kind and precision out of range are taken as their setters take them: a smooth curve
    // with precision 262144 would otherwise subdivide without end.
    B odd;
    odd.i(530).i(7).i(0).i(-3).i(0);
    ASSERT_TRUE(p.LoadFromStream(odd.stream()));
    EXPECT_EQ(p.Kind(), 0);
    EXPECT_EQ(p.Precision(), 0);
    B fine;
    fine.i(530).i(1).i(1).i(0x40000).i(3).r(0).r(0).r(100).r(1000).r(0).r(100).r(0).r(1000).r(100);
    ASSERT_TRUE(p.LoadFromStream(fine.stream()));
    EXPECT_EQ(p.Precision(), 8);
    EXPECT_LE(p.IntPoints().size(), 3u * 256 + 1);

    Path_Clear();
    EXPECT_EQ(Path_Add(), 0);
    EXPECT_EQ(Path_GetName(0), "__newpath0");
    EXPECT_EQ(Path_Duplicate(3), -1);
    EXPECT_EQ(Path_Duplicate(0), 1);
    EXPECT_TRUE(Path_Delete(0));
    EXPECT_FALSE(Path_Exists(0));
    EXPECT_EQ(Path_GetName(0), "<undefined>");
    EXPECT_EQ(Path_Find("__newpath1"), 1);
    EXPECT_TRUE(Path_Assign(0, 1)); // recreates the deleted slot
    EXPECT_TRUE(Path_Exists(0));
    EXPECT_FALSE(Path_Assign(5, 1));
    Path_Clear();
}

// ---- time lines

TEST(ResTimeLine, MomentsStayOrdered) {
    CTimeLine t;
    t.AddMoment(20);
    t.AddMoment(5);
    t.AddMoment(10);
    t.AddMoment(20);
    EXPECT_EQ(t.s_step, (std::vector<int>{5, 10, 20}));
    t.Event(1)->AddCodeAction("x = 1");
    t.DeleteMoment(5);
    t.DeleteMoment(7);
    EXPECT_EQ(t.s_step, (std::vector<int>{10, 20}));
    EXPECT_EQ(t.Event(0)->Count(), 1); // the moment kept its own actions
    t.AddMoment(5);
    EXPECT_EQ(t.FindLarger(12.5), 2);
    EXPECT_EQ(t.FindSmaller(12.5), 1);
    EXPECT_EQ(t.FindLarger(25), 3);
    EXPECT_EQ(t.FindSmaller(1), -1);
    EXPECT_EQ(CTimeLine().FindLarger(1), -1);
    EXPECT_EQ(t.Event(3), nullptr);
    EXPECT_EQ(t.Step(-1), 0);
}

// ---- objects, events, actions

// An action record: a code action running text.
void CodeAction(B& b, const std::string& text) {
    b.i(440).i(1).i(603).i(7).i(0).i(0).i(1).i(2).str("").str("").i(1).i(1).i(1).i(-1).i(0).i(1).str(text).i(
        0);
}

TEST(ResObject, RecordWithEventsAndVersions) {
    B rec;
    rec.i(820).i(3).i(1).i(0).i(-5).i(1).i(-1).i(2).i(11);
    for (int t = 0; t <= 11; t++) {
        if (t == 3) {
            rec.i(2).i(400).i(2);
            CodeAction(rec, "x = 1");
            CodeAction(rec, "y = 2");
        }
        if (t == 2) rec.i(5).i(400).i(0); // an alarm event without actions
        rec.i(-1);
    }
    rec.i(0).i(0).i(0).i(0).i(0).i(0).i(0).i(0);
    CObject o;
    ASSERT_TRUE(o.LoadFromStream(rec.stream()));
    EXPECT_EQ(rec.s.Remaining(), 0u);
    EXPECT_EQ(o.o_spriteindex, 3);
    EXPECT_TRUE(o.o_solid);
    EXPECT_FALSE(o.o_visible);
    EXPECT_EQ(o.o_depth, -5);
    EXPECT_TRUE(o.o_persistent);
    EXPECT_EQ(o.o_mask, 2);
    ASSERT_NE(o.GetEventDirect(3, 2), nullptr);
    EXPECT_EQ(o.GetEventDirect(3, 2)->Action(1)->act_argstring[0], "y = 2");
    EXPECT_EQ(o.GetEventDirect(3, 0), nullptr); // a gap slot
    EXPECT_FALSE(o.HasEventDirect(2));          // the empty alarm event answers nothing
    EXPECT_EQ(o.GetEventDirect(2, 5), nullptr);

    // Version 430 has no trailing fields; other versions and event types past 11 fail.
    B v430, v500, type12;
    v430.i(430).i(-1).i(0).i(1).i(0).i(0).i(-1).i(-1).i(0).i(-1);
    v500.i(500).i(-1).i(0).i(1).i(0).i(0).i(-1).i(-1).i(0).i(-1);
    type12.i(820).i(-1).i(0).i(1).i(0).i(0).i(-1).i(-1).i(12);
    EXPECT_TRUE(CObject().LoadFromStream(v430.stream()));
    EXPECT_FALSE(CObject().LoadFromStream(v500.stream()));
    EXPECT_FALSE(CObject().LoadFromStream(type12.stream()));
}

TEST(ResObject, CreateEventAndParentChain) {
    CObject lone;
    CEvent* ev = lone.CreateEvent(7, 10);
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(lone.o_events[7].size(), 11u);
    EXPECT_EQ(lone.CreateEvent(12, 0), nullptr);
    EXPECT_EQ(lone.CreateEvent(0, -1), nullptr);
    EXPECT_FALSE(lone.HasEventDirect(7));
    ev->AddCodeAction("a = 1");
    EXPECT_EQ(lone.GetEventDirect(7, 10), ev);

    // A (0) <- B (1) <- C (2); Q (3) with parent R (4); P (5) collides with R.
    Object_Clear();
    for (int k = 0; k < 6; k++) Object_Add();
    Object_Get(1)->o_parent = 0;
    Object_Get(2)->o_parent = 1;
    Object_Get(3)->o_parent = 4;
    Object_Get(0)->CreateEvent(3, 0)->AddCodeAction("s = 1");
    Object_Get(5)->CreateEvent(4, 4)->AddCodeAction("hit = 1");
    EXPECT_EQ(Object_Get(2)->GetEventRecursive(3, 0), Object_Get(0)->GetEventDirect(3, 0));
    EXPECT_TRUE(Object_Get(2)->HasEventRecursive(3));
    EXPECT_TRUE(Object_Get(2)->IsDecendentOf(0));
    EXPECT_FALSE(Object_Get(0)->IsDecendentOf(0));
    EXPECT_EQ(Object_Get(5)->GetEventRecursive(4, 3), Object_Get(5)->GetEventDirect(4, 4));
    EXPECT_EQ(Object_Get(5)->GetEventRecursive(4, 1), nullptr);
    // A parent cycle in edited data ends the walk instead of hanging it.
    Object_Get(0)->o_parent = 2;
    EXPECT_EQ(Object_Get(2)->GetEventRecursive(8, 0), nullptr);
    EXPECT_FALSE(Object_Get(2)->IsDecendentOf(5));
    Object_Clear();
}

class ResCompile : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        Option_SetDefaults();
        opt_writeerrors = false;
        Function_ClearAll();
        BuiltinVar_ClearAll();
        Function_RegisterAll();
        Code_AddArgumentVariables();
        Error_Reset();
    }
    void TearDown() override {
        Function_ClearAll();
        BuiltinVar_ClearAll();
        Error_Reset();
    }
};

TEST_F(ResCompile, ActionArgumentsAndKinds) {
    struct Case {
        int argtype;
        std::string text;
        int kind;      // after preparing
        bool isString; // when constant
        std::string str;
        double real;
    };
    for (const Case& c : std::initializer_list<Case>{
             {2, "hello", -1, true, "hello", 0},
             {2, "'hello'", -1, true, "hello", 0},
             {1, "3+4", -1, true, "3+4", 0},
             {15, "x", -1, true, "x", 0},
             {0, "3+4", -1, false, "", 7},
             {0, "x + 1", 0, false, "", 0},
         }) {
        CAction a;
        a.act_argumentcount = 1;
        a.act_argtype[0] = c.argtype;
        a.act_argstring[0] = c.text;
        ASSERT_TRUE(a.Compile()) << c.text << Error_Buffer();
        EXPECT_EQ(a.act_argtype[0], c.kind) << c.text;
        EXPECT_TRUE(a.act_argstring[0].empty());
        if (c.kind == -1) {
            EXPECT_EQ(a.act_argvalue[0].IsString(), c.isString) << c.text;
            if (c.isString)
                EXPECT_EQ(a.act_argvalue[0].str.str(), c.str);
            else
                EXPECT_EQ(a.act_argvalue[0].val, c.real);
            EXPECT_EQ(a.act_argcode[0], nullptr);
        } else {
            EXPECT_NE(a.act_argcode[0], nullptr);
        }
    }

    CAction set(kActionVariable);
    set.act_exetype = 2;
    set.act_relative = true;
    set.act_argumentcount = 2;
    set.act_argstring[0] = "x";
    set.act_argstring[1] = "5";
    ASSERT_TRUE(set.Compile());
    EXPECT_EQ(set.act_kind, kActionNormal);
    EXPECT_EQ(set.act_argumentcount, 0);
    ASSERT_NE(set.act_codecode, nullptr);
    EXPECT_EQ(set.act_codecode->GetText(), "x += 5");
}

TEST_F(ResCompile, ActionRecordResolvesFunctions) {
    std::vector<std::string> boxes;
    static std::vector<std::string>* sink;
    sink = &boxes;
    Action_SetMessageHandler([](const std::string& t) { sink->push_back(t); });
    B known, unknown;
    known.i(440)
        .i(1)
        .i(101)
        .i(0)
        .i(1)
        .i(0)
        .i(1)
        .i(1)
        .str("abs")
        .str("")
        .i(1)
        .i(1)
        .i(0)
        .i(-2)
        .i(1)
        .i(1)
        .str("-3")
        .i(1);
    unknown.i(440)
        .i(1)
        .i(101)
        .i(0)
        .i(0)
        .i(0)
        .i(0)
        .i(1)
        .str("no_such_fn")
        .str("")
        .i(0)
        .i(0)
        .i(-1)
        .i(0)
        .i(0)
        .i(0);
    CAction a, b;
    ASSERT_TRUE(a.LoadFromStream(known.stream()));
    int abs = -1;
    ASSERT_TRUE(Function_Find("abs", abs));
    EXPECT_EQ(a.act_functionid, abs);
    EXPECT_EQ(a.act_who, -2);
    EXPECT_TRUE(a.act_relative);
    EXPECT_TRUE(a.act_isnot);
    ASSERT_TRUE(b.LoadFromStream(unknown.stream()));
    EXPECT_EQ(b.act_functionid, -1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Failed to locate action function no_such_fn"});
    Action_SetMessageHandler(nullptr);

    B nine;
    nine.i(440).i(1).i(1).i(0).i(0).i(0).i(0).i(0).str("").str("").i(9);
    EXPECT_FALSE(CAction().LoadFromStream(nine.stream()));
}

// ---- rooms

TEST(ResRoom, RecordVersionsAndColourWords) {
    auto room = [](int version, int layers, int views) {
        B b;
        b.i(version).str("Cap").i(320).i(240).i(60).i(1).i(0x123456).i(2).str("rc = 1;").i(layers);
        for (int k = 0; k < layers; k++) b.i(1).i(0).i(k).i(10).i(20).i(0).i(1).i(2).i(-3).i(0);
        b.i(1).i(views);
        for (int k = 0; k < views; k++)
            b.i(1).i(1).i(2).i(3).i(4).i(5).i(6).i(7).i(8).i(9).i(10).i(11).i(12).i(13);
        b.i(1).i(16).i(32).i(4).i(100001).str("c = 2;");
        if (version >= 810) b.r(2).r(0.5).i(int32_t(0x80FF0000u));
        if (version >= 811) b.r(45);
        b.i(1).i(8).i(9).i(1).i(0).i(0).i(16).i(16).i(-10).i(10000001);
        if (version >= 810) b.r(1.5).r(2).i(int32_t(0xFF00FF00u));
        if (version == 820) b.i(0).i(0).i(0).i(0).i(0).i(0).i(0).i(0);
        return b;
    };
    B v541 = room(541, 8, 8), v820 = room(820, 8, 8);
    CRoom r;
    ASSERT_TRUE(r.LoadFromStream(v541.stream()));
    EXPECT_EQ(r.r_caption, "Cap");
    EXPECT_EQ(r.r_speed, 60);
    EXPECT_FALSE(r.r_showcolor);
    EXPECT_FALSE(r.r_clearViewBackground);
    EXPECT_EQ(r.r_background[3].index, 3);
    EXPECT_EQ(r.r_background[3].vspeed, -3);
    EXPECT_FALSE(r.r_background[3].htiled);
    EXPECT_EQ(r.r_view[7].index, 13);
    ASSERT_EQ(r.r_instances.size(), 1u);
    EXPECT_EQ(r.r_instances[0].xscale, 1);
    EXPECT_EQ(r.r_instances[0].code, "c = 2;");
    ASSERT_EQ(r.r_tile.size(), 1u);
    EXPECT_EQ(r.r_tile[0].blend, 0xFFFFFF);
    EXPECT_EQ(r.r_tile[0].alpha, 1);
    EXPECT_TRUE(r.r_tile[0].visible);
    EXPECT_EQ(r.r_tile[0].depth, -10);

    CRoom s;
    ASSERT_TRUE(s.LoadFromStream(v820.stream()));
    EXPECT_EQ(v820.s.Remaining(), 0u);
    EXPECT_EQ(s.r_instances[0].blend, 0xFF0000);
    EXPECT_DOUBLE_EQ(s.r_instances[0].alpha, 128.0 / 255);
    EXPECT_EQ(s.r_instances[0].angle, 45);
    EXPECT_EQ(s.r_tile[0].xscale, 1.5);
    EXPECT_EQ(s.r_tile[0].blend, 0x00FF00);

    B nine = room(820, 9, 8), views9 = room(820, 8, 9), v700 = room(700, 8, 8);
    EXPECT_FALSE(CRoom().LoadFromStream(nine.stream()));
    EXPECT_FALSE(CRoom().LoadFromStream(views9.stream()));
    EXPECT_FALSE(CRoom().LoadFromStream(v700.stream()));
}

TEST(ResRoom, OrderNeighbours) {
    RoomOrder_Set({2, 0, 1});
    EXPECT_EQ(RoomOrder_First(), 2);
    EXPECT_EQ(RoomOrder_Last(), 1);
    EXPECT_EQ(RoomOrder_Previous(2), -1);
    EXPECT_EQ(RoomOrder_Previous(0), 2);
    EXPECT_EQ(RoomOrder_Next(0), 1);
    EXPECT_EQ(RoomOrder_Next(1), -1);
    EXPECT_EQ(RoomOrder_Next(7), -1);
    RoomOrder_Set({});
}

// ---- included files

std::vector<uint8_t> FileRecord(const std::string& name, bool exists, bool store, const std::string& bytes,
                                int action, const std::string& dir, bool overwrite, bool freedata,
                                bool remove) {
    B b;
    b.i(800).str(name).str("orig.txt").i(exists).i(int32_t(bytes.size())).i(store);
    if (exists && store) b.i(int32_t(bytes.size())).bytes({bytes.begin(), bytes.end()});
    b.i(action).str(dir).i(overwrite).i(freedata).i(remove);
    return b.s.Bytes();
}

TEST(ResIncluded, ExportFlagsAndRemoval) {
    TempDir tmp;
    ASSERT_TRUE(MakeTempDirectory(tmp.path()));
    const std::string temp = GetTempDirectory();
    const std::string folder = tmp / "out/deeper";
    Option_SetDefaults();

    auto load = [](const std::vector<uint8_t>& rec) {
        CDataFile f;
        CStream s(rec);
        EXPECT_TRUE(f.LoadFromStream(s));
        EXPECT_EQ(s.Remaining(), 0u);
        return f;
    };
    CDataFile toTemp = load(FileRecord("a.txt", true, true, "AAA", 1, "", false, true, true));
    EXPECT_TRUE(toTemp.Prepare());
    EXPECT_EQ(ReadFileText(temp + "/a.txt"), "AAA");
    EXPECT_FALSE(toTemp.s_exists); // freed after the export
    EXPECT_FALSE(toTemp.Prepare());

    // An existing file is kept without overwrite, replaced with it.
    WriteFileText(temp + "/b.txt", "old");
    CDataFile keep = load(FileRecord("b.txt", true, true, "new", 1, "", false, false, false));
    EXPECT_FALSE(keep.Prepare());
    EXPECT_EQ(ReadFileText(temp + "/b.txt"), "old");
    keep.s_overwrite = true;
    EXPECT_TRUE(keep.Prepare());
    EXPECT_EQ(ReadFileText(temp + "/b.txt"), "new");
    EXPECT_TRUE(keep.s_exists); // not freed
    EXPECT_TRUE(keep.Remove()); // removal off: nothing deleted
    EXPECT_TRUE(std::filesystem::exists(temp + "/b.txt"));

    CDataFile toFolder = load(FileRecord("c.txt", true, true, "C", 3, folder, false, true, true));
    EXPECT_TRUE(toFolder.Prepare());
    EXPECT_EQ(ReadFileText(folder + "/c.txt"), "C");
    EXPECT_TRUE(toFolder.Remove());
    EXPECT_FALSE(std::filesystem::exists(folder + "/c.txt"));
    EXPECT_TRUE(toTemp.Remove());
    EXPECT_FALSE(std::filesystem::exists(temp + "/a.txt"));

    CDataFile notStored = load(FileRecord("d.txt", true, false, "", 1, "", false, true, true));
    EXPECT_TRUE(notStored.Prepare());
    EXPECT_EQ(ReadFileText(temp + "/d.txt"), "");

    CDataFile never = load(FileRecord("e.txt", true, true, "E", 0, "", false, true, true));
    EXPECT_TRUE(never.Prepare());
    EXPECT_TRUE(never.s_exists); // action 0 keeps the bytes in memory
    EXPECT_FALSE(std::filesystem::exists(temp + "/e.txt"));

    // Names that climb out of the temp directory or the chosen folder are not written.
    CDataFile climb = load(FileRecord("../escape.txt", true, true, "X", 1, "", true, true, true));
    EXPECT_FALSE(climb.Prepare());
    EXPECT_FALSE(std::filesystem::exists(tmp / "escape.txt"));

    CStream bad(FileRecord("f", true, true, "F", 1, "", false, true, true));
    bad.Data()[0] = 0x21; // version 801
    EXPECT_FALSE(CDataFile().LoadFromStream(bad));
}

TEST_F(ResCompile, IncludedFilesInSecureMode) {
    TempDir tmp;
    ASSERT_TRUE(MakeTempDirectory(tmp.path()));
    opt_secure = true;
    CDataFile sub, dir;
    sub.s_exists = dir.s_exists = true;
    sub.s_filename = "data\\level1.txt";
    sub.s_exportaction = 2;
    dir.s_filename = "x.txt";
    dir.s_exportaction = 3;
    dir.s_exportdir = tmp / "d";
    EXPECT_FALSE(sub.Prepare());
    EXPECT_FALSE(dir.Prepare());
    EXPECT_NE(Error_Last().find("In secure mode you cannot export a data file to an indicated directory."),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tmp / "d"));
    opt_secure = false;
}

// ---- extension packages

TEST(ResExtension, PackageRecordUnpacksItsFiles) {
    TempDir tmp;
    ASSERT_TRUE(MakeTempDirectory(tmp.path()));
    const std::string script = "ignored\r\n#define a \r\n\r\nline1\r\nline2\r\n#define b\r\nonly\r\n";
    const int32_t key = 1234;
    CStream block;
    block.WriteInteger(key);
    for (const std::string& bytes : {std::string("LIBBYTES"), script}) {
        CStream data(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        block.WriteStreamC(data);
    }
    block.Encrypt(key, 5, 0);

    B pkg;
    pkg.i(700).str("Pack").str("packdir").i(3);
    // file 1: a library with one function of five arguments and an empty external name
    pkg.i(700).str("lib.so").i(1).str("init").str("").i(1);
    pkg.i(700).str(" five ").str("").i(12).i(7).i(5);
    for (int k = 0; k < 17; k++) pkg.i(1);
    pkg.i(9).i(1).i(700).str("PACK_C").str("42");
    // file 2: game-language functions a and b
    pkg.i(700).str("code.qvs").i(2).str("").str("").i(2);
    for (const char* name : {"a", "b"}) {
        pkg.i(700).str(std::string("fn_") + name).str(name).i(0).i(name[0] == 'a' ? 8 : 9).i(1);
        for (int k = 0; k < 17; k++) pkg.i(1);
        pkg.i(1);
    }
    pkg.i(0);
    // file 3: kind 3 carries no bytes
    pkg.i(700).str("notes").i(3).str("").str("").i(0).i(0);
    pkg.i(int32_t(block.Size())).bytes(block.Bytes());

    CExtensionPackage p;
    ASSERT_TRUE(p.LoadFromExeStream(pkg.stream()));
    EXPECT_EQ(pkg.s.Remaining(), 0u);
    EXPECT_EQ(ReadFileText(GetTempDirectory() + "/packdir/lib.so"), "LIBBYTES");
    const CExtensionFunction& five = p.s_includes[0].s_functions[0];
    EXPECT_EQ(five.s_name, "five");
    EXPECT_EQ(five.s_extname, "five");
    EXPECT_EQ(five.s_argtype[16], 2); // more than four arguments: all real
    EXPECT_EQ(five.s_returntype, 2);  // 9 is outside 1..2
    EXPECT_EQ(p.s_includes[0].s_constants[0].s_value, "42");
    EXPECT_EQ(p.FunctionFindName("fn_a")->s_script, "line1\r\nline2");
    EXPECT_EQ(p.FunctionFindId(9)->s_script, "only");
    EXPECT_EQ(p.FunctionFindId(99), nullptr);

    B wrong;
    wrong.i(701);
    EXPECT_FALSE(CExtensionPackage().LoadFromExeStream(wrong.stream()));
    B escape;
    escape.i(700).str("P").str("../out").i(0).i(4).i(0);
    EXPECT_FALSE(CExtensionPackage().LoadFromExeStream(escape.stream()));
}

// ---- game information

TEST(ResGameInfo, RecordAndPlacement) {
    B b;
    b.i(0xFFEEDD).i(1).str("Help").i(-1).i(20).i(5000).i(300).i(1).i(0).i(1).i(0).i(5).bytes(
        {'h', 'e', 'l', 'l', 'o'});
    RGameInfo info;
    ASSERT_TRUE(Help_ReadRecord(b.stream(), info));
    EXPECT_EQ(info.caption, "Help");
    EXPECT_TRUE(info.showInGameWindow);
    EXPECT_TRUE(info.stayOnTop);
    EXPECT_EQ(std::string(info.text.begin(), info.text.end()), "hello");
    int l, t, w, h;
    Help_Placement(info, 1920, 1080, l, t, w, h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(t, 20);
    EXPECT_EQ(h, 300);
}

} // namespace

namespace {

RTile MakeTile(double x, double y, int w, int h, double depth) {
    RTile t;
    t.x = x;
    t.y = y;
    t.w = w;
    t.h = h;
    t.depth = depth;
    return t;
}

TEST(ResRoom, TileOperations) {
    g_game.lastTileId = 10000005;
    CRoom r;
    EXPECT_EQ(r.AddTile(MakeTile(0, 0, 16, 16, 0)), 0);
    r.AddTile(MakeTile(100, 0, 16, 16, -5));
    r.AddTile(MakeTile(200, 0, 16, 16, 5));
    EXPECT_EQ(r.Tile(0)->id, 10000006);
    EXPECT_EQ(r.Tile(2)->id, 10000008);
    EXPECT_EQ(r.FindTile(10000007), 1);
    EXPECT_EQ(r.FindTile(1), -1);

    // A depth-0 tile is found only as background, but deleted from either side; the right edge
    // is outside the tile for finding and inside it for deleting.
    EXPECT_EQ(r.FindTileAt(8, 8, false), 0);
    EXPECT_EQ(r.FindTileAt(8, 8, true), -1);
    EXPECT_EQ(r.FindTileAt(116, 8, true), -1);
    EXPECT_EQ(r.FindTileAt(108, 8, true), 1);
    r.DeleteTilesAt(116, 8, true);
    EXPECT_EQ(r.r_tile.size(), 2u);
    r.DeleteTilesAt(8, 8, true);
    ASSERT_EQ(r.r_tile.size(), 1u);
    EXPECT_EQ(r.Tile(0)->id, 10000008);

    r.AddTile(MakeTile(0, 0, 8, 8, 10));
    r.AddTile(MakeTile(0, 0, 8, 8, 5));
    r.SortTiles(); // depths 5, 10, 5 -> 10, 5, 5 keeping the two 5s in order
    EXPECT_EQ(r.Tile(0)->depth, 10);
    EXPECT_EQ(r.Tile(1)->id, 10000008);
    EXPECT_EQ(r.Tile(2)->id, 10000010);
    r.HideTilesDepth(5);
    EXPECT_FALSE(r.Tile(1)->visible);
    EXPECT_TRUE(r.Tile(0)->visible);
    r.ShiftTilesDepth(5, 3, 4);
    EXPECT_EQ(r.Tile(2)->y, 4);
    EXPECT_EQ(r.FindTileAtDepth(5, 4, 5), 2);
    r.ChangeTilesDepth(10, 7);
    r.DeleteTilesAtDepth(7, 1, 1);
    EXPECT_EQ(r.r_tile.size(), 2u);
    r.DeleteTilesDepth(5);
    EXPECT_TRUE(r.r_tile.empty());
    r.DeleteTile(0); // nothing there: no effect

    r.r_background[7].hspeed = 2;
    r.ScrollBackground();
    EXPECT_EQ(r.r_background[7].x, 2);
}

} // namespace

namespace {

TEST(ResLists, AddDeleteDuplicateAssign) {
    TimeLine_Clear();
    EXPECT_EQ(TimeLine_Add(), 0);
    EXPECT_EQ(TimeLine_GetName(0), "__newtimeline0");
    EXPECT_TRUE(TimeLine_Delete(0));
    EXPECT_FALSE(TimeLine_Delete(0));
    EXPECT_EQ(TimeLine_Add(), 1); // indices are not reused
    EXPECT_EQ(TimeLine_Find("__newtimeline0"), -1);

    Object_Clear();
    EXPECT_EQ(Object_Add(), 0);
    EXPECT_EQ(Object_GetName(0), "__newobject0");
    EXPECT_TRUE(Object_Delete(0));
    EXPECT_EQ(Object_GetName(0), "<undefined>");

    Room_Clear();
    Room_Add();
    Room_Get(0)->r_caption = "first";
    EXPECT_EQ(Room_Duplicate(0), 1);
    EXPECT_EQ(Room_Get(1)->r_caption, "first");
    EXPECT_EQ(Room_GetName(1), "__newroom1");
    EXPECT_EQ(Room_Duplicate(5), -1);
    Room_Get(1)->r_caption = "second";
    EXPECT_TRUE(Room_Assign(0, 1));
    EXPECT_EQ(Room_Get(0)->r_caption, "second");
    Room_Add();
    ASSERT_TRUE(Room_Assign(2, 0));
    EXPECT_EQ(Room_Get(2)->r_caption, "second");
    EXPECT_FALSE(Room_Assign(0, 3));
    TimeLine_Clear();
    Object_Clear();
    Room_Clear();
}

} // namespace
