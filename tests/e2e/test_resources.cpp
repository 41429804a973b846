// Code resources through the packer and the runner: a project with every kind packed and read
// back, names visible to name lookup, unpack then build giving the same resource stream, and
// every prepare-step failure message of the headless runner.
#include "Pack_Project.h"
#include "Pack_Writer.h"
#include "TestRun.h"
#include "code/Code_Constant.h"
#include "code/Code_Function.h"
#include "data/DataNew_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "resources/Action_Class.h"
#include "resources/Extension_Class.h"
#include "resources/Help_Main.h"
#include "resources/Object_Main.h"
#include "resources/Path_Main.h"
#include "resources/Resource_Readers.h"
#include "resources/Room_Main.h"
#include "resources/Script_Main.h"
#include "resources/TimeLine_Main.h"
#include "resources/Trigger_Class.h"
#include "support/Support_File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <variant>

namespace {

RunResult Pack(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {QV_PACK_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

void Put(const TempDir& dir, const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
    WriteFileText(dir / name, text);
}

// A project holding every code-resource kind, with empty slots in paths and rooms.
void WriteProject(const TempDir& d) {
    Put(d, "game.json",
        R"({"game_id": 5, "constants": [{"name": "LIVES", "value": "3"}], "room_order": [0, 2]})");
    Put(d, "paths/index.json", R"(["p_square", null])");
    Put(d, "paths/p_square.json",
        R"({"kind": 0, "closed": true, "points": [[0, 0], [100, 0, 50], [100, 100], [0, 100]]})");
    Put(d, "scripts/add.qvs", "return argument0 + argument1;");
    Put(d, "triggers/t_big.json", R"({"condition": "return x > 100;", "moment": 2, "constant": "tr_big"})");
    Put(d, "timelines/tl.json",
        R"({"moments": [{"step": 10, "actions": [{"code": "a = 1"}]}, {"step": 5, "actions": [{"code": "b = 2"}]}]})");
    Put(d, "objects/index.json", R"(["o_parent", "o_child"])");
    Put(d, "objects/o_parent.json",
        R"({"depth": 4, "events": [{"type": "create", "actions": [{"code": "hp = 1"}]}]})");
    Put(d, "objects/o_child.json", R"({"parent": "o_parent", "solid": true, "events": [
        {"type": "step", "number": 0, "actions": [{"code": "x += 1"}]},
        {"type": "collision", "number": "o_parent", "actions": [{"code": "hit = 1"}]},
        {"type": "trigger", "number": "t_big", "actions": [
            {"kind": 0, "exe": 1, "function": "abs", "args": ["-2"], "argtypes": [0], "who": -2, "not": true}]},
        {"type": "alarm", "number": 3, "actions": []},
        {"type": "other", "number": 10, "actions": [{"exe": 1, "function": "ext_twice", "args": ["1"]},
                                                    {"exe": 1, "function": "add", "args": ["1", "2"]}]}]})");
    Put(d, "rooms/index.json", R"(["r_start", null, "r_two"])");
    Put(d, "rooms/r_start.json", R"({"caption": "Start", "speed": 60, "code": "room_code = 1;",
        "backgrounds": [{"visible": true, "x": 5}],
        "views": [{"visible": true, "wview": 320, "follow": "o_child"}],
        "instances": [{"x": 16, "y": 32, "object": "o_child", "code": "hp = 2;", "blend": 255, "alpha": 0.5}],
        "tiles": [{"x": 1, "y": 2, "w": 16, "h": 16, "depth": -5}]})");
    Put(d, "rooms/r_two.json", R"({"show_color": false})");
    Put(d, "included/files.json", R"([{"file": "readme.txt", "source": "readme.txt", "export": "temp"}])");
    Put(d, "included/readme.txt", "read me");
    Put(d, "gameinfo.json", R"({"caption": "About", "width": 400, "text_file": "info.txt"})");
    Put(d, "info.txt", "A game.");
    Put(d, "extensions/ext1/package.json", R"({"name": "Ext", "files": [{"file": "lib.qvs", "kind": 2,
        "functions": [{"name": "ext_twice", "extname": "twice", "id": 1, "argcount": 1}],
        "constants": [{"name": "EXT_C", "value": "7"}]}]})");
    Put(d, "extensions/ext1/lib.qvs", "#define twice\r\nreturn argument0 * 2;\r\n");
}

TEST(ResPackE2E, ProjectPacksAndLoadsEveryKind) {
    TempDir d, tmp;
    WriteProject(d);
    ASSERT_TRUE(MakeTempDirectory(tmp.path()));
    GameImage g = Pack_ReadProject(d.path());
    CStream s(Pack_WriteGameData(g));
    Function_ClearAll();
    Function_RegisterAll();
    Resource_RegisterReaders();
    Action_SetMessageHandler([](const std::string& t) { ADD_FAILURE() << t; });
    ASSERT_EQ(DataNew_LoadStream(s, 0, {}), ELoadStatus::Ok);
    Action_SetMessageHandler(nullptr);

    ASSERT_EQ(Path_Count(), 2); // the trailing empty slot is kept
    EXPECT_FALSE(Path_Exists(1));
    EXPECT_EQ(Path_GetName(1), "<undefined>");
    EXPECT_DOUBLE_EQ(Path_Get(0)->PathLength(), 400);
    EXPECT_EQ(Path_Get(0)->Points()[1].speed, 50);
    EXPECT_EQ(Script_Get(0)->s_text, "return argument0 + argument1;");
    EXPECT_EQ(TimeLine_Get(0)->s_step, (std::vector<int>{5, 10}));
    EXPECT_EQ(Trigger_Get(0)->i_moment, 2);
    EXPECT_EQ(Trigger_Get(0)->i_name, "t_big");

    const CObject* child = Object_Get(1);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->o_parent, 0);
    EXPECT_TRUE(child->o_solid);
    EXPECT_NE(child->GetEventDirect(4, 0), nullptr); // collision with o_parent
    EXPECT_FALSE(child->HasEventDirect(2));          // the alarm without actions is not stored
    EXPECT_NE(child->GetEventRecursive(0, 0), nullptr);
    const CAction* call = child->GetEventDirect(11, 0)->Action(0);
    EXPECT_EQ(call->act_exetype, 1);
    int abs = -1;
    EXPECT_TRUE(Function_Find("abs", abs));
    EXPECT_EQ(call->act_functionid, abs);
    EXPECT_EQ(child->GetEventDirect(7, 10)->Action(0)->act_functionid, 500001); // extension function id 1
    EXPECT_EQ(child->GetEventDirect(7, 10)->Action(1)->act_functionid, 100000); // script 0
    EXPECT_EQ(call->act_who, -2);
    EXPECT_TRUE(call->act_isnot);

    ASSERT_EQ(Room_Count(), 3);
    EXPECT_FALSE(Room_Exists(1));
    const CRoom* r = Room_Get(0);
    EXPECT_EQ(r->r_speed, 60);
    EXPECT_EQ(r->r_view[0].index, 1);
    EXPECT_EQ(r->r_background[0].x, 5);
    ASSERT_EQ(r->r_instances.size(), 1u);
    EXPECT_EQ(r->r_instances[0].object, 1);
    EXPECT_EQ(r->r_instances[0].blend, 255);
    EXPECT_NEAR(r->r_instances[0].alpha, 0.5, 0.5 / 255);
    EXPECT_EQ(r->r_instances[0].id, 100001);
    EXPECT_EQ(Room_LastInstanceId(), 100001);
    EXPECT_EQ(r->r_tile[0].id, 10000001);
    EXPECT_FALSE(Room_Get(2)->r_showcolor);
    EXPECT_EQ(RoomOrder_Next(0), 2);

    ASSERT_EQ(DataFile_Count(), 1);
    EXPECT_EQ(DataFile_Find("readme.txt"), 0);
    EXPECT_EQ(std::string(DataFile_Get(0)->s_data.begin(), DataFile_Get(0)->s_data.end()), "read me");
    EXPECT_EQ(Help_Info().caption, "About");
    EXPECT_EQ(Help_Info().width, 400);
    ASSERT_EQ(Extension_Count(), 1);
    EXPECT_EQ(Extension_Get(0)->FunctionFindName("ext_twice")->s_script, "return argument0 * 2;");
    EXPECT_EQ(Extension_Get(0)->s_includes[0].s_constants[0].s_name, "EXT_C");

    // Resource names compile to their indices.
    for (auto [name, index] :
         {std::pair{"o_child", 1}, {"p_square", 0}, {"r_two", 2}, {"tl", 0}, {"add", 0}, {"tr_big", 0}}) {
        RValue v;
        ASSERT_TRUE(Name_Lookup(name, v)) << name;
        EXPECT_EQ(v.val, index) << name;
    }
    RValue none;
    EXPECT_FALSE(Name_Lookup("t_big", none)); // a trigger is named by its constant
    Function_ClearAll();
}

// The game data of a file written by the packer, descrambled: the header and settings, and the
// resource stream without its random filler.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> Decoded(const std::string& path) {
    std::string bytes = ReadFileText(path);
    CStream s(std::vector<uint8_t>(bytes.begin() + std::ptrdiff_t(kGameDataScanStart), bytes.end()));
    EXPECT_TRUE(s.DecryptWad(8));
    s.Seek(20);
    s.ReadInteger();
    s.ReadBoolean();
    s.ReadInteger();
    EXPECT_TRUE(Option_Read(s));
    s.ReadString();
    s.ReadStreamC();
    std::vector<uint8_t> header(s.Data() + 20, s.Data() + s.Position());
    std::unique_ptr<CStream> rs = s.ReadStreamE();
    int32_t filler = rs->ReadInteger();
    rs->Skip(size_t(filler) * 4);
    return {header, std::vector<uint8_t>(rs->Data() + rs->Position(), rs->Data() + rs->Size())};
}

TEST(ResPackE2E, UnpackThenBuildGivesTheSameResources) {
    TempDir d, out;
    WriteProject(d);
    Put(d, "game.json", R"({"game_id": 5, "guid": "00112233445566778899aabbccddeeff", "debug": true,
        "settings": {"scale": 150, "keyf4": false}, "constants": [{"name": "LIVES", "value": "3"}],
        "init_code": ["global.g = 1;"], "room_order": [2, 0]})");
    ASSERT_EQ(Pack({"build", d.path(), "-o", out / "a.dat", "--data-only"}).status, 0);
    RunResult u = Pack({"unpack", out / "a.dat", "-o", out / "proj"});
    ASSERT_EQ(u.status, 0) << u.err;
    EXPECT_EQ(ReadFileText(out / "proj/scripts/add.qvs"), "return argument0 + argument1;");
    EXPECT_NE(ReadFileText(out / "proj/objects/o_child.json").find("\"parent\": \"o_parent\""),
              std::string::npos);
    RunResult b = Pack({"build", out / "proj", "-o", out / "b.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.err;
    auto first = Decoded(out / "a.dat"), second = Decoded(out / "b.dat");
    EXPECT_EQ(first.first, second.first);
    EXPECT_EQ(first.second, second.second);

    EXPECT_EQ(Pack({"unpack", out / "missing.dat", "-o", out / "x"}).status, 1);

    // A resource name from the game data never leads a file out of the project folder.
    GameImage evil = Pack_MinimalGame();
    CStream script;
    script.WriteInteger(800);
    script.WriteString("x = 1;");
    evil.named[int(EChunk::Scripts)].push_back(PackItem{"../../evil", script.Bytes()});
    ASSERT_TRUE(Pack_WriteFile(out / "e.dat", Pack_DataOnly(Pack_WriteGameData(evil)), false));
    RunResult e = Pack({"unpack", out / "e.dat", "-o", out / "z/proj"});
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.err.find("the name \"../../evil\" cannot be a file name"), std::string::npos) << e.err;
    EXPECT_FALSE(std::filesystem::exists(out / "z/evil.qvs"));
}

// A project with an event of every kind and code of every place, one line and several: unpack
// writes the longer code to readable .qvs files, and building the result gives the same data.
TEST(ResPackE2E, UnpackWritesCodeFilesAndRoundTripsEveryEventKind) {
    TempDir d, out;
    Put(d, "game.json", R"({"init_code": ["global.a = 1;", {"code": ["global.b = 2;", "global.c = 3;"]}]})");
    Put(d, "triggers/t_far.json", R"({"condition": ["var far;", "far = x > 300;", "return far;"],
        "constant": "tr_far"})");
    Put(d, "timelines/tl.json", R"({"moments": [{"step": 30, "actions": [{"code": ["a = 1;", "b = 2;"]}]},
        {"step": 5, "actions": [{"code": "c = 3;"}]}]})");
    Put(d, "objects/index.json", R"(["o_wall", "o_player"])");
    Put(d, "objects/o_wall.json", R"({"solid": true})");
    Put(d, "objects/o_player.json", R"({"events": [
        {"type": "create", "actions": [{"code": ["hp = 3;", "speed = 2;"]}, {"code": ["a = 1;", "b = 2;"]}]},
        {"type": "destroy", "actions": [{"code": "score += 1;"}]},
        {"type": "alarm", "number": 0, "actions": [{"code": ["alarm[0] = 30;", "x += 1;"]}]},
        {"type": "step", "number": 1, "actions": [{"code": "xprevious = x;\r\nyprevious = y;"}]},
        {"type": "step", "number": 0, "actions": [{"code": ["x += 1;", "y += 1;"]}]},
        {"type": "step", "number": 2, "actions": [{"code": ["a = 1;", "b = 1;"]}]},
        {"type": "collision", "number": "o_wall", "actions": [{"code": ["x = xprevious;", "y = yprevious;"]}]},
        {"type": "keyboard", "number": "vk_left", "actions": [{"code": ["x -= 4;", "y += 0;"]}]},
        {"type": "keypress", "number": 65, "actions": [{"code": ["a = 2;", "b = 3;"]}]},
        {"type": "keyrelease", "number": "vk_space", "actions": [{"code": ["a = 3;", "b = 4;"]}]},
        {"type": "mouse", "number": "ev_global_left_press", "actions": [{"code": ["a = 4;", "b = 5;"]}]},
        {"type": "other", "number": "ev_room_start", "actions": [{"code": ["a = 5;", "b = 6;"]}]},
        {"type": "other", "number": "ev_user3", "actions": [
            {"kind": 7, "exe": 2, "lib": 1, "id": 603, "code": ["a = 6;", "b = 7;"], "argtypes": [1]},
            {"kind": 6, "args": ["hp", "-1"], "relative": true}]},
        {"type": "draw", "actions": [{"code": ["draw_self();", "draw_text(0, 0, hp);"]}]},
        {"type": "trigger", "number": "t_far", "actions": [{"code": ["a = 7;", "b = 8;"]}]}]})");
    Put(d, "rooms/r.json", R"({"code": ["global.level = 1;", "global.time = 0;"],
        "instances": [{"object": "o_player", "id": 100007, "code": ["hp = 5;", "x = 10;"]},
                      {"object": "o_wall", "code": "solid = true;"}]})");
    RunResult a = Pack({"build", d.path(), "-o", out / "a.dat", "--data-only"});
    ASSERT_EQ(a.status, 0) << a.out << a.err;
    RunResult u = Pack({"unpack", out / "a.dat", "-o", out / "proj"});
    ASSERT_EQ(u.status, 0) << u.err;

    // Files named after the event, the moment, the instance; one-line code stays inline.
    const std::pair<const char*, const char*> files[] = {
        {"objects/o_player/create.qvs", "hp = 3;\nspeed = 2;"},
        {"objects/o_player/create_2.qvs", "a = 1;\nb = 2;"},
        {"objects/o_player/alarm0.qvs", "alarm[0] = 30;\nx += 1;"},
        {"objects/o_player/step_begin.qvs", "xprevious = x;\r\nyprevious = y;"},
        {"objects/o_player/step.qvs", "x += 1;\ny += 1;"},
        {"objects/o_player/step_end.qvs", "a = 1;\nb = 1;"},
        {"objects/o_player/collision_o_wall.qvs", "x = xprevious;\ny = yprevious;"},
        {"objects/o_player/keyboard_vk_left.qvs", "x -= 4;\ny += 0;"},
        {"objects/o_player/keypress_A.qvs", "a = 2;\nb = 3;"},
        {"objects/o_player/keyrelease_vk_space.qvs", "a = 3;\nb = 4;"},
        {"objects/o_player/mouse_global_left_press.qvs", "a = 4;\nb = 5;"},
        {"objects/o_player/other_room_start.qvs", "a = 5;\nb = 6;"},
        {"objects/o_player/other_user3.qvs", "a = 6;\nb = 7;"},
        {"objects/o_player/draw.qvs", "draw_self();\ndraw_text(0, 0, hp);"},
        {"objects/o_player/trigger_t_far.qvs", "a = 7;\nb = 8;"},
        {"timelines/tl/step_30.qvs", "a = 1;\nb = 2;"},
        {"triggers/t_far.qvs", "var far;\nfar = x > 300;\nreturn far;"},
        {"rooms/r/room.qvs", "global.level = 1;\nglobal.time = 0;"},
        {"rooms/r/o_player_100007.qvs", "hp = 5;\nx = 10;"},
        {"init.qvs", "global.b = 2;\nglobal.c = 3;"},
    };
    for (const auto& [file, text] : files) {
        ASSERT_TRUE(std::filesystem::exists(out / ("proj/" + std::string(file)))) << file;
        EXPECT_EQ(ReadFileText(out / ("proj/" + std::string(file))), text) << file;
    }
    const std::string player = ReadFileText(out / "proj/objects/o_player.json");
    EXPECT_NE(player.find("\"file\": \"o_player/collision_o_wall.qvs\""), std::string::npos) << player;
    EXPECT_NE(player.find("\"code\": \"score += 1;\""), std::string::npos) << player;
    EXPECT_NE(ReadFileText(out / "proj/rooms/r.json").find("\"code_file\": \"r/room.qvs\""),
              std::string::npos);
    EXPECT_NE(ReadFileText(out / "proj/game.json").find("\"global.a = 1;\""), std::string::npos);

    RunResult b = Pack({"build", out / "proj", "-o", out / "b.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    EXPECT_EQ(Decoded(out / "a.dat"), Decoded(out / "b.dat"));

    // A folder with something in it is left alone unless --force replaces what it holds.
    Put(out, "other/notes.txt", "mine");
    Put(out, "other/.git/HEAD", "ref");
    Put(out, "other/rooms/index.json", R"(["stale"])");
    RunResult refused = Pack({"unpack", out / "a.dat", "-o", out / "other"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("other is not empty (--force replaces what is in it)"), std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadFileText(out / "other/notes.txt"), "mine");
    ASSERT_EQ(Pack({"unpack", out / "a.dat", "-o", out / "other", "--force"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(out / "other/notes.txt"));
    EXPECT_EQ(ReadFileText(out / "other/.git/HEAD"), "ref");
    ASSERT_EQ(Pack({"build", out / "other", "-o", out / "c.dat", "--data-only"}).status, 0);
    EXPECT_EQ(Decoded(out / "a.dat"), Decoded(out / "c.dat"));
    // --force never empties the folder the game file lies in.
    std::filesystem::copy_file(out / "a.dat", out / "other/a.dat");
    EXPECT_EQ(Pack({"unpack", out / "other/a.dat", "-o", out / "other", "--force"}).status, 1);
    EXPECT_TRUE(std::filesystem::exists(out / "other/a.dat"));
}

TEST(ResPackE2E, EvalSeesTheGamesNamesScriptsAndPaths) {
    TempDir d;
    WriteProject(d);
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    struct Case {
        const char* code;
        const char* line;
    };
    for (const Case& c : {
             Case{"add(LIVES, o_child) + tr_big", R"({"kind":"real","value":4})"},
             Case{"path_get_length(p_square) + path_get_x(p_square, 0.375) * 1000",
                  R"({"kind":"real","value":100400})"},
             Case{"path_get_point_speed(p_square, 1) + path_get_point_speed(p_square, 9)",
                  R"({"kind":"real","value":51})"},
             Case{"path_add() + path_get_number(2) * 10 + path_exists(1)", R"({"kind":"real","value":2})"},
             Case{"path_name(1)", R"({"kind":"string","value":"<undefined>"})"},
         }) {
        RunResult r = Pack({"eval", "--game", d / "g.dat", "--expression", c.code});
        EXPECT_EQ(r.status, 0) << c.code << r.out << r.err;
        EXPECT_NE(r.out.find(c.line), std::string::npos) << c.code << "\n" << r.out;
    }
    RunResult del = Pack({"eval", "--game", d / "g.dat", "path_delete(1); path_append(p_square, 1);"});
    EXPECT_NE(del.out.find("Trying to delete non-existing path."), std::string::npos) << del.out;
    EXPECT_NE(del.out.find("Appending a non-existing path."), std::string::npos) << del.out;
}

TEST(ResPackE2E, BuildStopsAtCompileErrors) {
    TempDir d;
    WriteProject(d);
    Put(d, "scripts/s_bad.qvs", "x = ;");
    Put(d, "objects/index.json", R"(["o_parent", "o_child", "o_bad"])");
    Put(d, "objects/o_bad.json", R"({"events": [{"type": "draw",
        "actions": [{"code": "ok = 1"}, {"code": "draw_text(0, 0"}]}]})");
    RunResult b = Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"});
    EXPECT_EQ(b.status, 1);
    EXPECT_NE(b.out.find("scripts/s_bad.qvs:1:5: COMPILATION ERROR in Script: s_bad: Unexpected symbol in "
                         "expression.\n    x = ;\n        ^\n"),
              std::string::npos)
        << b.out;
    EXPECT_NE(b.out.find(
                  "objects/o_bad.json:2:14: Draw Event, action 2: COMPILATION ERROR in code action: Symbol ) "
                  "expected.\n    draw_text(0, 0\n                 ^\n"),
              std::string::npos)
        << b.out;
    EXPECT_FALSE(std::filesystem::exists(d / "g.dat"));
}

// Record bytes from integers and strings, for bad-input fixtures.
std::vector<uint8_t> Rec(std::initializer_list<std::variant<int32_t, std::string>> fields) {
    CStream s;
    for (const auto& f : fields) {
        if (std::holds_alternative<int32_t>(f))
            s.WriteInteger(std::get<int32_t>(f));
        else
            s.WriteString(std::get<std::string>(f));
    }
    return s.Bytes();
}

TEST(ResPackE2E, BadRecordsFailTheirChunk) {
    const std::string kResource = "Error: Error in resource data.";
    const std::string kCorrupt = "Failed to load the game data. File seems corrupted.";
    const int32_t kHuge = 0x7FFFFFF0;
    auto obj = [](std::initializer_list<int32_t> tail) {
        CStream s;
        for (int32_t v : {820, -1, 0, 1, 0, 0, -1, -1}) s.WriteInteger(v);
        for (int32_t v : tail) s.WriteInteger(v);
        return s.Bytes();
    };
    struct Case {
        const char* what;
        EChunk chunk;
        std::vector<uint8_t> record;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"path version", EChunk::Paths, Rec({531, 0, 1, 4, 0}), {kResource}},
        {"path point count", EChunk::Paths, Rec({530, 0, 1, 4, kHuge}), {kResource}},
        {"script version", EChunk::Scripts, Rec({801, std::string("x")}), {kResource}},
        {"time line version", EChunk::TimeLines, Rec({501, 0}), {kResource}},
        {"time line moment count", EChunk::TimeLines, Rec({500, kHuge, 0}), {kResource}},
        {"object version", EChunk::Objects, Rec({500}), {kResource}},
        {"object event type 12", EChunk::Objects, obj({12}), {kResource}},
        {"object event number", EChunk::Objects, obj({0, kHuge, 400, 0}), {kResource}},
        {"object action count", EChunk::Objects, obj({0, 0, 400, kHuge}), {kResource}},
        {"nine action arguments",
         EChunk::Objects,
         obj({0, 0, 400, 1, 440, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}),
         {kResource}},
        {"room version", EChunk::Rooms, Rec({700}), {kResource}},
        {"room with 9 layers",
         EChunk::Rooms,
         Rec({820, std::string(""), 640, 480, 30, 0, 0, 1, std::string(""), 9}),
         {kResource}},
        {"short object record", EChunk::Objects, Rec({820, -1, 0}), {kCorrupt}},
    };
    for (const Case& c : cases) {
        GameImage g = Pack_MinimalGame();
        g.named[int(c.chunk)].push_back(PackItem{"bad", c.record});
        CStream s(Pack_WriteGameData(g));
        std::vector<std::string> shown;
        LoadHooks hooks;
        hooks.message = [&shown](const std::string& m) { shown.push_back(m); };
        Resource_RegisterReaders();
        EXPECT_EQ(DataNew_LoadStream(s, 0, hooks), ELoadStatus::Failed) << c.what;
        EXPECT_EQ(shown, c.messages) << c.what;
    }
    // The same game without the bad record loads.
    CStream good(Pack_WriteGameData(Pack_MinimalGame()));
    EXPECT_EQ(DataNew_LoadStream(good, 0, {}), ELoadStatus::Ok);

    GameImage trig = Pack_MinimalGame(), incl = Pack_MinimalGame(), ext = Pack_MinimalGame(),
              info = Pack_MinimalGame();
    trig.triggers.emplace_back(Rec({801, std::string("t"), std::string(""), 1, std::string("")}));
    incl.includedFiles.push_back(Rec({801, std::string("f")}));
    ext.extensions.push_back(Rec({701}));
    info.gameInfo = Rec({0, 0});
    for (auto [what, g, messages] :
         {std::tuple{"trigger version", &trig, std::vector<std::string>{kResource}},
          {"included-file version", &incl, {kResource}},
          {"extension version", &ext, {"Error in loading extension packages.", kResource}},
          {"short game information", &info, {kCorrupt}}}) {
        CStream s(Pack_WriteGameData(*g));
        std::vector<std::string> shown;
        LoadHooks hooks;
        hooks.message = [&shown](const std::string& m) { shown.push_back(m); };
        EXPECT_EQ(DataNew_LoadStream(s, 0, hooks), ELoadStatus::Failed) << what;
        EXPECT_EQ(shown, messages) << what;
    }
}

TEST(ResPackE2E, ExampleGameLoadsAndRoundTrips) {
    TempDir out;
    const std::string example = std::string(QV_TESTS_DIR) + "/../examples/hello";
    RunResult b = Pack({"build", example, "-o", out / "a.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    RunResult r = RunGame(out / "a.dat");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.JsonLines().empty()) << r.out;
    RunResult info = Pack({"info", out / "a.dat"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Extensions     version 700, 1 item"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Objects        version 800, 3 items"), std::string::npos) << info.out;
    ASSERT_EQ(Pack({"unpack", out / "a.dat", "-o", out / "proj"}).status, 0);
    ASSERT_EQ(Pack({"build", out / "proj", "-o", out / "b.dat", "--data-only"}).status, 0);
    EXPECT_EQ(Decoded(out / "a.dat"), Decoded(out / "b.dat"));
}

std::string Msg(const std::string& text) {
    return "{\"dialog\":\"message\",\"text\":\"" + text + "\"}";
}

TEST(ResPackE2E, PrepareStepFailuresEndToEnd) {
    struct Case {
        const char* file;
        const char* content;
        const char* error; // inside the error dialog line (JSON-escaped)
        const char* message;
    };
    const Case cases[] = {
        {"triggers/t_bad.json", R"({"condition": "if then"})",
         "COMPILATION ERROR in condition of trigger t_bad\\r", "Failed to prepare triggers."},
        {"scripts/s_bad.qvs", "x = ;", "COMPILATION ERROR in Script: s_bad\\r",
         "Failed to compile the scripts."},
        {"timelines/tl_bad.json",
         R"({"moments": [{"step": 7, "actions": [{"code": "a = 1"}, {"code": "a = ;"}]}]})",
         "FATAL ERROR in\\r\\naction number 2\\r\\nat time step 7\\r\\nof time line tl_bad:\\r\\n\\r\\n"
         "COMPILATION ERROR in code action\\r",
         "Failed to compile the actions in the time lines."},
        {"objects/o_bad.json",
         R"({"events": [{"type": "step", "number": 2, "actions": [{"kind": 0, "exe": 1, "function": "abs",
             "args": ["1 +"], "argtypes": [0]}]}]})",
         "FATAL ERROR in\\r\\naction number 1\\r\\nof End Step Event\\r\\nfor object o_bad:\\r\\n\\r\\n"
         "COMPILATION ERROR in argument 0\\r",
         "Failed to compile the actions in the objects."},
    };
    for (const Case& c : cases) {
        TempDir d;
        Put(d, "game.json", "{}");
        Put(d, c.file, c.content);
        ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only", "--no-check"}).status, 0)
            << c.file;
        RunResult r = RunGame(d / "g.dat");
        EXPECT_NE(r.status, 0) << c.file;
        EXPECT_NE(r.out.find(c.error), std::string::npos) << c.file << "\n" << r.out;
        EXPECT_NE(r.out.find(Msg(c.message)), std::string::npos) << c.file << "\n" << r.out;
    }
}

TEST(ResPackE2E, IncludedFilesAreExtractedAndRemoved) {
    TempDir d;
    Put(d, "game.json", "{}");
    Put(d, "included/files.json",
        R"([{"file": "keep.txt", "source": "k.txt", "export": "folder", "export_dir": ")" + d.path() +
            R"(/out", "remove": false},
            {"file": "gone.txt", "source": "k.txt", "export": "folder", "export_dir": ")" +
            d.path() + R"(/out"}])");
    Put(d, "included/k.txt", "bytes");
    Put(d, "rooms/room0.json", "{}");
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    RunResult r = RunGame(d / "g.dat", {}, {"--VNTrace"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(ReadFileText(d / "out/keep.txt"), "bytes");
    EXPECT_FALSE(std::filesystem::exists(d / "out/gone.txt")); // removed at shutdown
}

} // namespace
