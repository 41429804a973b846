// Authoring a project: every mistake refused with the file, the place and the key; code in
// .qvs files and as lists of lines; check compiling every piece the runner compiles.
#include "Pack_Project.h"
#include "TestRun.h"
#include "data/DataNew_Main.h"
#include "resources/Action_Class.h"
#include "resources/Object_Main.h"
#include "resources/Resource_Readers.h"
#include "resources/Room_Main.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(Authoring, EveryMistakeIsRefusedNamingFileAndKey) {
    struct Case {
        const char* file;
        const char* text;
        const char* says; // the project's folder is in front of it
    };
    const Case cases[] = {
        {"timelines/tl.json", R"({"moments": [{"step": 3, "action": [{"code": "a = 1;"}]}]})",
         "timelines/tl.json: moments[0]: unknown key \"action\" (nearest known key: \"actions\")"},
        {"objects/o.json", R"({"sprit": null})",
         "objects/o.json: unknown key \"sprit\" (nearest known key: \"sprite\")"},
        {"objects/o.json", R"({"events": [{"type": "step", "nubmer": 1}]})",
         "objects/o.json: events[0]: unknown key \"nubmer\" (nearest known key: \"number\")"},
        {"objects/o.json", R"({"events": [{"type": "step", "actions": [{"kind": 0, "functon": "abs"}]}]})",
         "objects/o.json: events[0].actions[0]: unknown key \"functon\" (nearest known key: \"function\")"},
        {"objects/o.json", R"({"events": [{"type": "step", "actions": [{"code": ["a = 1;", 2]}]}]})",
         "objects/o.json: events[0].actions[0]: \"code\" must be a string or a list of lines (strings); line "
         "2 is 2"},
        {"objects/o.json", R"({"events": [{"type": "step", "actions": [{"kind": 0, "exe": "1"}]}]})",
         "objects/o.json: events[0].actions[0]: \"exe\" must be an integer, not \"1\""},
        {"objects/o.json", R"({"events": [{"type": "step", "actions": [{"kind": 0, "args": [1]}]}]})",
         "objects/o.json: events[0].actions[0]: \"args\"[0] must be a string, not 1"},
        {"objects/o.json", R"({"events": [{"type": "stpe"}]})",
         "objects/o.json: events[0]: unknown event type \"stpe\""},
        {"objects/o.json", R"({"events": [{"type": "keypress", "number": "vk_lft"}]})",
         "objects/o.json: events[0]: \"number\" \"vk_lft\" is not a built-in constant"},
        {"objects/o.json", R"({"events": [{"type": "step", "actions": [{"file": "../x.qvs"}]}]})",
         "objects/o.json: events[0].actions[0]: \"file\" must name a file beside or below"},
        {"objects/o.json", R"({"events": [{"type": "step", "actions": [{"file": "o/step.qvs"}]}]})",
         "objects/o.json: events[0].actions[0]: \"file\" names"},
        {"objects/o.json", "[]", "objects/o.json: must be a JSON object, not []"},
        {"rooms/r.json", R"({"widht": 5})",
         "rooms/r.json: unknown key \"widht\" (nearest known key: \"width\")"},
        {"rooms/r.json", R"({"instances": [{"objet": 0}]})",
         "rooms/r.json: instances[0]: unknown key \"objet\" (nearest known key: \"object\")"},
        {"rooms/r.json", R"({"views": [{"wveiw": 5}]})", "rooms/r.json: views[0]: unknown key \"wveiw\""},
        {"rooms/r.json", R"({"backgrounds": [{"vtield": false}]})",
         "rooms/r.json: backgrounds[0]: unknown key \"vtield\" (nearest known key: \"vtiled\")"},
        {"rooms/r.json", R"({"tiles": [{"dpeth": 1}]})",
         "rooms/r.json: tiles[0]: unknown key \"dpeth\" (nearest known key: \"depth\")"},
        {"rooms/r.json", R"({"width": "wide"})", "rooms/r.json: \"width\" must be an integer, not \"wide\""},
        {"paths/p.json", R"({"point": []})",
         "paths/p.json: unknown key \"point\" (nearest known key: \"points\")"},
        {"paths/p.json", R"({"points": [[0, "a"]]})",
         "paths/p.json: points[0]: each point is [x, y] or [x, y, speed]"},
        {"triggers/t.json", R"({"conditon": "return 1;"})",
         "triggers/t.json: unknown key \"conditon\" (nearest known key: \"condition\")"},
        {"extensions/e/package.json", R"({"fles": []})",
         "extensions/e/package.json: unknown key \"fles\" (nearest known key: \"files\")"},
        {"included/files.json", R"([{"file": "a", "sorce": "a"}])",
         "included/files.json: [0]: unknown key \"sorce\" (nearest known key: \"source\")"},
        {"gameinfo.json", R"({"captoin": "x"})",
         "gameinfo.json: unknown key \"captoin\" (nearest known key: \"caption\")"},
        {"sprites/index.json", R"(["spr_x"])", "sprites/index.json: \"spr_x\" has no folder"},
        {"scripts/index.json", R"(["s_a"])", "scripts/index.json: \"s_a\" has no file"},
        {"scripts/s_a.txt", "x = 1;", "scripts/s_a.txt: is not a script (script files are NAME.qvs)"},
        {"game.json", R"({"room_order": ["rm_x"]})",
         "game.json: room_order[0]: there is no room named \"rm_x\""},
        {"game.json", R"({"room_order": [0, 5]})", "game.json: room_order[0]: there is no room 0"},
        {"game.json", R"({"room_order": [true]})",
         "game.json: room_order[0]: must be a room name or index, not true"},
        {"game.json", R"({"game_id": "x"})", "game.json: \"game_id\" must be an integer, not \"x\""},
        {"game.json", R"({"init_code": [3]})",
         "game.json: init_code[0]: each piece of init code is a string"},
        {"game.json", R"({"constants": [{"name": "A", "valeu": 1}]})",
         "game.json: constants[0]: unknown key \"valeu\" (nearest known key: \"value\")"},
        {"sounds/s.json", R"({"file": 5})", "sounds/s.json: \"file\" must be a string, not 5"},
        {"sounds/s.json", R"({"file": null, "kind": 7})", "sounds/s.json: kind is normal, music, 3d or"},
        {"sprites/s/sprite.json", R"({"frames": [1]})",
         "sprites/s/sprite.json: \"frames\"[0] must be a string"},
        {"sprites/s/sprite.json", R"({"origin": [1, "a"]})",
         "sprites/s/sprite.json: origin is [x, y] (integers), not [1,\"a\"]"},
        {"sprites/s/sprite.json", R"({"strip": {"file": 1}})",
         "sprites/s/sprite.json: strip: \"file\" must be a string, not 1"},
        {"sprites/s/sprite.json", R"({"mask": {"bbox": [0, 0, 1, "x"]}})",
         "sprites/s/sprite.json: a box is [left, top, right, bottom] (integers)"},
        {"backgrounds/b.json", R"({"image": 5})", "backgrounds/b.json: \"image\" must be a string, not 5"},
        {"fonts/f.json", R"({"family": "x", "atlas": 5})", "fonts/f.json: \"atlas\" must be a string, not 5"},
    };
    for (const Case& c : cases) {
        TempDir d;
        Put(d, "game.json", "{}");
        Put(d, c.file, c.text);
        RunResult r = Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"});
        EXPECT_EQ(r.status, 1) << c.file << " " << c.text;
        EXPECT_NE(r.err.find(d.path() + "/" + c.says), std::string::npos) << c.text << "\n" << r.err;
        EXPECT_EQ(r.err.find("terminate"), std::string::npos) << r.err;
    }
}

TEST(Authoring, CheckCompilesEveryPieceWhereItWasWritten) {
    TempDir d;
    Put(d, "game.json", R"({"room_order": ["r"]})");
    Put(d, "scripts/two.qvs", "return argument0 + argument1;");
    Put(d, "objects/o.json", R"({"events": [
  {"type": "step", "actions": [
    {"function": "no_such_function"},
    {"code": ["var a;", "a = two(1);"]}]}]})");
    Put(d, "rooms/r.json", R"({"code": "n = = ;",
  "instances": [{"object": "o", "id": 100007, "code_file": "r/first.qvs"}]})");
    Put(d, "rooms/r/first.qvs", "hp = 3;\nhp = (2;\n");
    RunResult r = Pack({"check", d.path()});
    EXPECT_EQ(r.status, 1);
    const std::string p = d.path() + "/";
    for (const std::string& line : {
             p + "objects/o.json:3: Step Event, action 1: Failed to locate action function "
                 "no_such_function\n",
             p + "rooms/r.json:1:5: COMPILATION ERROR in creation code of room r: Unexpected symbol in "
                 "expression.\n    n = = ;\n        ^\n",
             p + "rooms/r/first.qvs:2:8: COMPILATION ERROR in creation code for instance 100007 in room r: "
                 "Symbol ) expected.\n    hp = (2;\n           ^\n",
             p + "objects/o.json:4: warning: script two is called with 1 argument but its code uses 2\n",
             std::string("5 pieces of code checked, 3 failed, 1 warning\n"),
         })
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n----\n" << r.out;
    // The build stops at the same failures.
    EXPECT_EQ(Pack({"build", d.path(), "-o", d / "out/g.dat", "--data-only"}).status, 1);
}

TEST(Authoring, CodeFilesLinesConstantNamesAndDefaults) {
    TempDir d;
    Put(d, "game.json", "{}");
    Put(d, "objects/o.json", R"({"events": [
  {"type": "keypress", "number": "vk_left", "actions": [{"file": "o/left.qvs"}]},
  {"type": "ev_step", "number": "ev_step_begin", "actions": [{"code": ["a = 1;", "b = 2;"]}]},
  {"type": "other", "number": "ev_game_end", "actions": [{"kind": 6, "args": ["v", "3"]}]}]})");
    Put(d, "objects/o/left.qvs", "x -= 4;\n");
    Put(d, "rooms/r.json", R"({"backgrounds": [{"visible": true}], "code_file": "r.qvs"})");
    Put(d, "rooms/r.qvs", "global.level = 1;");
    RunResult b = Pack({"build", d.path(), "-o", d / "new/folder/g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.err << b.out;

    GameImage g = Pack_ReadProject(d.path());
    CStream s(Pack_WriteGameData(g));
    Resource_RegisterReaders();
    ASSERT_EQ(DataNew_LoadStream(s, 0, {}), ELoadStatus::Ok);
    const CObject* o = Object_Get(0);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->GetEventDirect(9, 37)->Action(0)->act_argstring[0], "x -= 4;\n"); // vk_left is 37
    EXPECT_EQ(o->GetEventDirect(3, 1)->Action(0)->act_argstring[0], "a = 1;\nb = 2;");
    const CAction* set = o->GetEventDirect(7, 3)->Action(0); // ev_game_end is 3
    EXPECT_EQ(set->act_exetype, 2); // a set-variable action runs its code without "exe"
    EXPECT_EQ(Room_Get(0)->r_code, "global.level = 1;");
    EXPECT_TRUE(Room_Get(0)->r_background[0].htiled);
    EXPECT_TRUE(Room_Get(0)->r_background[0].vtiled);
    EXPECT_EQ(g.roomOrder, std::vector<int32_t>{0}); // without room_order every room in order
}

TEST(Authoring, FontFamilyNotInstalledNamesTheFamilyUsed) {
    TempDir d;
    Put(d, "game.json", R"({"room_order": []})");
    Put(d, "fonts/f_missing.json", R"({"family": "Quarvel Nowhere Sans", "size": 10})");
    Put(d, "fonts/f_present.json", R"({"family": "liberation sans", "size": 10})");
    RunResult b = Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.err;
    const std::string warning =
        d / "fonts/f_missing.json: warning: font family \"Quarvel Nowhere Sans\" is not installed; \"";
    const size_t at = b.err.find(warning);
    ASSERT_NE(at, std::string::npos) << b.err;
    // The family named in its place is a real one, and an installed family (in any case) is quiet.
    EXPECT_NE(b.err.substr(at + warning.size(), 2), "\" ") << b.err;
    EXPECT_NE(b.err.find("\" is used instead\n", at), std::string::npos) << b.err;
    EXPECT_EQ(b.err.find("f_present"), std::string::npos) << b.err;
}

} // namespace

namespace {

TEST(Authoring, NewThenRunInAFreshFolder) {
    for (const char* templ : {"empty", "example"}) {
        TempDir d;
        const std::string dir = d / "mygame";
        RunResult n = Pack({"new", dir, "--template", templ});
        ASSERT_EQ(n.status, 0) << n.err;
        EXPECT_TRUE(std::filesystem::exists(dir + "/README.md"));
        RunResult c = Pack({"check", dir});
        EXPECT_EQ(c.status, 0) << templ << "\n" << c.out << c.err;
        EXPECT_NE(c.out.find(" 0 failed\n"), std::string::npos) << c.out; // no warning either
        RunResult r =
            RunProgram({QV_PACK_EXE, "run", dir, "--runner", QV_RUNNER_EXE, "--", "--VNTrace"},
                       {{"QUARVEL_HEADLESS", "1"}, {"QUARVEL_MAX_STEPS", "5"}, {"QUARVEL_NO_WAIT", "1"}});
        EXPECT_EQ(r.status, 0) << templ << "\n" << r.out << r.err;
        // The game shows something: its greeting, as the headless dialog line.
        EXPECT_NE(r.out.find("{\"dialog\":\"message\",\"text\":\"Hello from Quarvel!"), std::string::npos)
            << templ << "\n"
            << r.out;
        // A second new into the same folder would overwrite the author's work.
        EXPECT_EQ(Pack({"new", dir}).status, 1);
    }
    TempDir d;
    EXPECT_EQ(Pack({"new", d / "x", "--template", "fancy"}).status, 2);
}

TEST(Authoring, RunPassesTheGamesExitStatusThrough) {
    TempDir d;
    Put(d, "game.json", R"({"room_order": []})");
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    // The runner reads QUARVEL_GAME instead of its own data: a file failing its check value makes
    // it end with 2, which run hands on.
    std::string data = ReadFileText(d / "g.dat");
    data[data.size() - 3] ^= 1;
    WriteFileText(d / "flipped.dat", data);
    RunResult r = RunProgram({QV_PACK_EXE, "run", d.path(), "--runner", QV_RUNNER_EXE},
                             {{"QUARVEL_HEADLESS", "1"}, {"QUARVEL_GAME", d / "flipped.dat"}});
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_EQ(RunGame(d / "flipped.dat").status, 2);
}

TEST(Authoring, FunctionsNamesOneFunction) {
    RunResult r = Pack({"functions", "string_length"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "string_length: 1 argument, implemented\n");
    RunResult bad = Pack({"functions", "string_lenght"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("there is no built-in function string_lenght; functions beginning with string_"),
              std::string::npos)
        << bad.err;
}

} // namespace
