// Saved games: a running game saved and loaded back (in one run and across two runs), the file
// decoded field by field, damaged files refused with the game untouched, a save that dies while
// writing, and secure mode.
#include "WorldTest.h"

#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "run/Instance_Class.h"
#include "support/Support_Stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

Lines ErrorTexts(const GameOutcome& o) {
    Lines out;
    const std::string head = "{\"dialog\":\"error\",\"text\":\"";
    for (const std::string& l : o.lines)
        if (l.rfind(head, 0) == 0) out.push_back(l.substr(head.size(), l.find("\",\"fatal\"") - head.size()));
    return out;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

void Put(const std::string& path, const std::string& text) {
    WriteFileText(path, text);
}

void PutInt(std::vector<uint8_t>& b, size_t at, int32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

// Placed: o (100001), o (100002), ctl (100003). ctl saves in step 1 (with 100002 deactivated and
// a tile added), then changes everything it can reach (destroying and creating instances), and
// loads; step 2 shows what came back.
TestGame RoundTripGame(const std::string& file) {
    TestGame g;
    g.manifest = R"j({"game_id": 77})j";
    g.files.emplace_back("backgrounds/bg.json", R"j({"image": null})j");
    g.Object("o", Events(Event("create", "show_message('create ' + string(id))") + "," +
                         Event("destroy", "show_message('destroy ' + string(id))") + "," +
                         Event("other", 4, "show_message('room start ' + string(id))")));
    const std::string step =
        "if (phase == 0) {"
        "  phase = 1; global.g = 'glob'; globalvar gv; gv = 3; score = 42; lives = 2; health = 55;"
        "  word = 'kept'; arr[1, 2] = 'cell'; x = 12; alarm[3] = 40;"
        "  transition_kind = 3; cursor_sprite = 4; room_caption = 'cap'; room_speed = 45;"
        "  background_visible[2] = true; view_xview[3] = 7; tid = tile_add(bg, 0, 0, 8, 8, 0, 0, 10);"
        "  instance_deactivate_object(100002);"
        "  game_save('" +
        file +
        "');"
        "  phase = 2; word = 'lost'; global.g = 'lost'; gv = 0; score = 0; lives = 9; health = 1; x = 0;"
        "  transition_kind = 0; cursor_sprite = -1; room_caption = 'lost'; room_speed = 30;"
        "  background_visible[2] = false; view_xview[3] = 0; tile_delete(tid); instance_activate_all();"
        "  arr[1, 2] = 'lost'; alarm[3] = -1; with (o) instance_destroy(); instance_create(0, 0, o);"
        "  game_load('" +
        file +
        "');"
        "} else if (phase == 1) {"
        "  phase = 3;"
        "  show_message(word + ' ' + arr[1, 2] + ' ' + global.g + ' ' + string(gv) + ' ' + string(score) + ' "
        "' +"
        "    string(lives) + ' ' + string(health) + ' ' + string(x) + ' ' + string(alarm[3]));"
        "  show_message(string(transition_kind) + ' ' + string(cursor_sprite) + ' ' + room_caption + ' ' +"
        "    string(room_speed) + ' ' + string(background_visible[2]) + ' ' + string(view_xview[3]) + ' ' +"
        "    string(tile_exists(tid)) + ' ' + string(tile_add(bg, 0, 0, 8, 8, 0, 0, 10) - tid));"
        "  show_message(string(instance_number(o)) + ' ' + string(instance_create(0, 0, o)));"
        "  instance_activate_all(); show_message(instance_number(o));"
        "}";
    g.Object("ctl", Events(Event("create", "phase = 0") + "," + Event("step", step)));
    g.Room("r0", R"j({"instances": [{"object": "o"}, {"object": "o", "x": 5}, {"object": "ctl"}]})j");
    return g;
}

TEST(SaveGame, RoundTripRestoresTheWorldWithoutEvents) {
    TempDir d;
    const std::string file = d / "slot.sav";
    GameOutcome o = RunInProcess(RoundTripGame(file), 3);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ErrorTexts(o), Lines{});
    // The load fires nothing: no create, destroy or room start; the ids go on from the saved counter.
    EXPECT_EQ(o.Messages(),
              (Lines{"create 100001", "create 100002", "room start 100001", "room start 100002",
                     "destroy 100001", "destroy 100002", "create 100004", "kept cell glob 3 42 2 55 12 40",
                     "3 4 cap 45 1 7 1 1", "create 100004", "1 100004", "3"}));

    // The file, field by field.
    CStream s(ReadBytes(file));
    ASSERT_GT(s.Size(), 0u);
    EXPECT_EQ(s.ReadInteger(), 540);
    EXPECT_EQ(s.ReadInteger(), 77); // game id
    EXPECT_EQ(s.ReadInteger(), 0);  // room
    EXPECT_EQ(s.ReadInteger(), 3);  // transition kind
    EXPECT_EQ(s.ReadInteger(), 42); // score
    EXPECT_EQ(s.ReadInteger(), 2);  // lives
    EXPECT_EQ(s.ReadReal(), 55.0);  // health
    EXPECT_EQ(s.ReadInteger(), 4);  // cursor sprite
    EXPECT_EQ(s.ReadInteger(), 0);  // cursor image counter, not yet advanced in step 1
    EXPECT_TRUE(s.ReadBoolean());   // automatic drawing
    CVariableList globals;
    std::vector<bool> flags;
    ASSERT_TRUE(Global_ReadStream(s, globals, flags));
    EXPECT_EQ(globals.Count(), 2);
    EXPECT_EQ(std::count(flags.begin(), flags.end(), true), 1); // gv
    EXPECT_EQ(s.ReadInteger(), 1);                              // one room in the live table
    EXPECT_TRUE(s.ReadBoolean());
    EXPECT_EQ(s.ReadInteger(), 540);
    EXPECT_EQ(s.ReadString(), "cap");
    EXPECT_EQ(s.ReadInteger(), 640);
    EXPECT_EQ(s.ReadInteger(), 480);
    EXPECT_EQ(s.ReadInteger(), 45);
    EXPECT_FALSE(s.ReadBoolean()); // persistent
    s.Skip(4 * 2);                 // colour, flags
    EXPECT_EQ(s.ReadString(), ""); // code
    EXPECT_EQ(s.ReadInteger(), 8); // layers: visible, foreground, index, ... 80 bytes each
    s.Skip(2 * 80);
    EXPECT_TRUE(s.ReadBoolean());
    s.Skip(76 + 5 * 80);
    EXPECT_FALSE(s.ReadBoolean()); // views enabled
    EXPECT_EQ(s.ReadInteger(), 8); // views: visible, xview, ... 64 bytes each
    s.Skip(3 * 64 + 4);
    EXPECT_EQ(s.ReadInteger(), 7);
    s.Skip(56 + 4 * 64);
    ASSERT_EQ(s.ReadInteger(), 2); // active instances, in list order
    for (int id : {100001, 100003}) {
        CInstance inst;
        ASSERT_TRUE(inst.LoadFromStream(s));
        EXPECT_EQ(inst.i_id, id);
        EXPECT_FALSE(inst.i_marked);
        if (id == 100003) {
            EXPECT_EQ(inst.i_x, 12);
            EXPECT_EQ(inst.GetAlarm(3), 40);
            EXPECT_EQ(inst.i_vars.Count(), 4); // phase, word, arr, tid
        }
    }
    ASSERT_EQ(s.ReadInteger(), 1); // deactivated
    CInstance deact;
    ASSERT_TRUE(deact.LoadFromStream(s));
    EXPECT_EQ(deact.i_id, 100002);
    EXPECT_TRUE(deact.i_deactivated);
    EXPECT_EQ(deact.i_x, 5);
    ASSERT_EQ(s.ReadInteger(), 1); // tiles: x, y, background, left, top, width, height, depth, id...
    s.Skip(8 + 8 + 4 * 5);
    EXPECT_EQ(s.ReadReal(), 10.0);
    EXPECT_EQ(s.ReadInteger(), 10000001);
    s.Skip(8 + 8 + 4 + 8 + 4);
    EXPECT_EQ(s.ReadInteger(), 100003);
    EXPECT_EQ(s.ReadInteger(), 10000001); // last tile id
    EXPECT_EQ(s.Remaining(), 0u);
}

// Run one saves in room r0 after visiting the persistent room r1; run two loads that file at its
// first room start and finds r1 as it was left, and new ids continue the saved sequence.
TEST(SaveGame, SecondRunContinuesWithPersistentRoomAndIdCounter) {
    TempDir d;
    const std::string file = d / "two.sav";
    TestGame g;
    g.manifest = R"j({"game_id": 5})j";
    g.Object(
        "a",
        Events(Event("create", "mark = 'fresh'") + "," +
               Event("step", "if (global.phase == 0) { mark = 'kept'; global.phase = 1; room_goto(r0) }") +
               "," +
               Event("other", 4, "if (global.phase >= 2) show_message('back ' + mark + ' ' + string(id))")));
    g.Object("c", "{}");
    g.Object("b",
             Events(Event("create", "if (global.phase == 1) { instance_create(0, 0, c); global.phase = 2;"
                                    "game_save('" +
                                        file + "'); game_end() }") +
                    "," +
                    Event("step", "if (global.phase == 2) { global.phase = 3;"
                                  "show_message(string(instance_create(0, 0, c))); room_goto(r1) }")));
    g.Room(
        "r1",
        R"j({"persistent": true, "instances": [{"object": "a"}], "code": "global.phase = 0; if (file_exists(')j" +
            file + R"j(')) game_load(')j" + file + R"j(')"})j");
    g.Room("r0", R"j({"instances": [{"object": "b"}]})j");
    GameOutcome first = RunInProcess(g, 5);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.Messages(), Lines{});
    ASSERT_TRUE(fs::exists(file));
    GameOutcome second = RunInProcess(g, 5);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(ErrorTexts(second), Lines{});
    // Without the load the new id would be 100003 and a would be 'fresh' in a new r1.
    EXPECT_EQ(second.Messages(), (Lines{"100004", "back kept 100001"}));
}

// A game that saves once in step 1 (o: 100001 at x 5 with v = 1) and ends.
TestGame SaverGame(const std::string& file, int gameId) {
    TestGame g;
    g.manifest = "{\"game_id\": " + std::to_string(gameId) + "}";
    g.Object("o", Events(Event("step", "v = 1; game_save('" + file + "'); game_end()")));
    g.Room("r0", R"j({"instances": [{"object": "o", "x": 5}]})j");
    return g;
}

TEST(SaveGame, DamagedOrForeignFilesAreRefusedAndTheGameGoesOn) {
    TempDir d;
    const std::string good = d / "good.sav";
    ASSERT_EQ(RunInProcess(SaverGame(good, 9), 3).status, 0);
    ASSERT_EQ(RunInProcess(SaverGame(d / "other.sav", 10), 3).status, 0);
    const std::vector<uint8_t> bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 1000u);

    // Where the records start, found by reading the good file.
    CStream s(bytes);
    s.Skip(44);
    CVariableList gl;
    std::vector<bool> fl;
    ASSERT_TRUE(Global_ReadStream(s, gl, fl));
    const size_t roomCount = s.Position();
    s.Skip(8);
    const size_t roomRecord = s.Position();
    s.Skip(4);
    s.ReadString();
    s.Skip(4 * 6);
    s.ReadString();
    const size_t layerCount = s.Position();
    const size_t instanceCount = layerCount + 4 + 8 * 80 + 4 + 4 + 8 * 64;
    const size_t firstObject = instanceCount + 4 + 204;

    const std::string damaged = "Failed to load game from file ";
    struct Row {
        std::vector<uint8_t> data;
        std::string error; // "" for no message
    };
    auto with = [&](size_t at, int32_t v) {
        std::vector<uint8_t> b = bytes;
        PutInt(b, at, v);
        return b;
    };
    auto cut = [&](size_t n) { return std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(n)); };
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    const std::vector<Row> rows = {
        {with(0, 541), "Cannot load game saved with other version."},
        {ReadBytes(d / "other.sav"), "This is a save file for a different game!"},
        {{}, "it ends early"},
        {cut(3), "it ends early"},
        {cut(60), "the global variables"},
        {cut(roomRecord + 100), "it ends early"},
        {cut(bytes.size() - 1), "it ends early"},
        {longer, "data after its end"},
        {with(8, 3), "the current room 3 is not in it"},
        {with(roomCount, 0x7fffffff), "a room count of 2147483647"},
        {with(roomRecord, 541), "room 0 holds a room record of another version"},
        {with(layerCount, 9), "room 0 holds a room with 9 background layers"},
        {with(instanceCount, 1 << 28), "room 0 holds an instance count of 268435456"},
        {with(firstObject, 99), "room 0 holds an instance of object 99, which this game does not have"},
        {with(bytes.size() - 8, 100000), "an instance id above the last one"},
        {with(44, 701), "the global variables"},
    };
    for (size_t k = 0; k < rows.size(); ++k)
        WriteBytes(d / ("bad" + std::to_string(k) + ".sav"), rows[k].data);

    // Each step loads the next file; every load fails, so the counter and the rest survive.
    TestGame g;
    g.manifest = R"j({"game_id": 9})j";
    const std::string n = std::to_string(rows.size());
    g.Object("o",
             Events(Event("create", "k = 0; score = 7; v = 'mine'") + "," +
                    Event("step", "if (k < " + n + ") game_load('" + d.path() +
                                      "/bad' + string(k) + '.sav');"
                                      "else { show_message(string(k) + ' ' + v + ' ' + string(score) + ' ' +"
                                      "string(x) + ' ' + string(instance_count)); game_end() } k += 1;")));
    g.Room("r0", R"j({"instances": [{"object": "o", "x": 2}]})j");
    GameOutcome o = RunInProcess(g, int(rows.size()) + 3);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.Messages(), Lines{n + " mine 7 2 1"});
    const Lines errors = ErrorTexts(o);
    ASSERT_EQ(errors.size(), rows.size()) << o.err;
    for (size_t k = 0; k < rows.size(); ++k) {
        const std::string& e = errors[k];
        if (rows[k].error.rfind("Cannot", 0) == 0 || rows[k].error.rfind("This", 0) == 0) {
            EXPECT_EQ(e, rows[k].error) << k;
        } else {
            EXPECT_EQ(
                e.rfind(damaged + d.path() + "/bad" + std::to_string(k) + ".sav: the file is damaged (", 0),
                0u)
                << k << ": " << e;
            EXPECT_NE(e.find(rows[k].error), std::string::npos) << k << ": " << e;
        }
    }
}

// Resources may be gone by the time a game is loaded (deleted while playing, or another build of
// the game): an instance naming a missing sprite, mask, path or time line loads and runs on,
// drawn and animated, as such ids set by game code do.
TEST(SaveGame, InstancesNamingMissingResourcesLoadAndRunOn) {
    TempDir d;
    const std::string good = d / "good.sav";
    ASSERT_EQ(RunInProcess(SaverGame(good, 9), 3).status, 0);
    std::vector<uint8_t> bytes = ReadBytes(good);
    CStream s(bytes);
    s.Skip(44);
    CVariableList gl;
    std::vector<bool> fl;
    ASSERT_TRUE(Global_ReadStream(s, gl, fl));
    s.Skip(8 + 4);
    s.ReadString();
    s.Skip(4 * 6);
    s.ReadString();
    const size_t inst = s.Position() + 4 + 8 * 80 + 4 + 4 + 8 * 64 + 4;
    PutInt(bytes, inst + 4, 999);   // sprite
    PutInt(bytes, inst + 60, 998);  // mask
    PutInt(bytes, inst + 264, 997); // path
    PutInt(bytes, inst + 328, 996); // time line
    PutInt(bytes, inst + 348, 1);   // running
    WriteBytes(good, bytes);

    TestGame g;
    g.manifest = R"j({"game_id": 9})j";
    g.Object("o", Events(Event("step", "show_message(string(sprite_index) + ' ' + string(mask_index) + ' ' +"
                                       "string(path_index) + ' ' + string(timeline_index) + ' ' +"
                                       "string(image_number) + ' ' + string(v))") +
                         "," + Event("draw", "draw_self(); draw_sprite(sprite_index, -1, x, y)")));
    g.timelines.emplace_back("tl", R"j({"moments": [{"step": 0, "actions": [{"code": "x = 1"}]}]})j");
    g.Room("r0", R"j({"code": "game_load(')j" + good + R"j(')"})j");
    GameOutcome o = RunInProcess(g, 2);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ErrorTexts(o), Lines{});
    EXPECT_EQ(o.Messages(), (Lines{"999 998 997 996 0 1", "999 998 997 996 0 1"}));
}

TEST(SaveGame, MissingFileIsSilentAndUnreadableFileIsReported) {
    TempDir d;
    fs::create_directories(d / "folder.sav");
    ASSERT_EQ(mkfifo((d / "pipe.sav").c_str(), 0600), 0); // no writer: reading it must not wait
    TestGame g;
    g.Object("o", Events(Event("create", "k = 0") + "," +
                         Event("step", "k += 1; if (k == 1) game_load('" + d / "none.sav" +
                                           "'); if (k == 2) game_load('" + d / "folder.sav" +
                                           "'); if (k == 3) game_load('" + d / "pipe.sav" +
                                           "'); if (k == 4) show_message('on')")));
    g.Room("r0", R"j({"instances": [{"object": "o"}]})j");
    GameOutcome o = RunInProcess(g, 5);
    EXPECT_EQ(o.Messages(), Lines{"on"});
    EXPECT_EQ(ErrorTexts(o), (Lines{"Failed to load game from file " + d / "folder.sav",
                                    "Failed to load game from file " + d / "pipe.sav"}));
}

// The runner dies (file size limit: SIGXFSZ) in the middle of writing a large save over an
// older one: the older file is still whole.
TEST(SaveGame, RunnerDyingWhileSavingKeepsThePreviousFile) {
    TempDir d;
    Put(d / "game.json", "{}");
    fs::create_directories(d / "objects");
    fs::create_directories(d / "rooms");
    Put(d / "objects/index.json", R"(["o"])");
    Put(d / "objects/o.json", R"j({"events": [{"type": "step", "number": 0, "actions": [{"code":
        "big = string_repeat('x', 1000000); show_message('saving'); game_save('slot.sav'); show_message('saved')"}]}]})j");
    Put(d / "rooms/index.json", R"(["r0"])");
    Put(d / "rooms/r0.json", R"j({"instances": [{"object": "o"}]})j");
    RunResult pack = RunProgram({QV_PACK_EXE, "build", d.path(), "-o", d / "g.dat", "--data-only"});
    ASSERT_EQ(pack.status, 0) << pack.out << pack.err;
    fs::create_directories(d / "w");
    const std::string old = "an earlier save the player keeps";
    WriteFileText(d / "w/slot.sav", old);
    // 512 KB at most per file: the game data fits, the save does not.
    RunResult r =
        RunProgram({"/bin/sh", "-c", "cd \"$1\" && ulimit -f 1024 && exec \"$0\"", QV_RUNNER_EXE, d / "w"},
                   {{"QUARVEL_GAME", d / "g.dat"},
                    {"QUARVEL_HEADLESS", "1"},
                    {"QUARVEL_MAX_STEPS", "1"},
                    {"QUARVEL_NO_WAIT", "1"},
                    {"QUARVEL_STORE", d / "store.sqlite"}});
    EXPECT_NE(r.out.find("\"saving\""), std::string::npos) << r.out << r.err;
    // Either the signal ended the runner in the write, or the write failed and was reported.
    const bool killed = r.status == 128 + SIGXFSZ;
    const bool reported = r.out.find("Failed to save game to file slot.sav") != std::string::npos;
    EXPECT_TRUE(killed || reported) << r.status << r.out << r.err;
    EXPECT_EQ(r.out.find("\"saved\""), std::string::npos);
    EXPECT_EQ(ReadFileText(d / "w/slot.sav"), old);
}

TEST(SaveGame, SecureModeAllowsPlainNamesOnly) {
    TempDir d;
    fs::create_directories(d / "sub");
    TestGame g;
    g.Object("o", Events(Event("step", "game_save('sub/a.sav'); game_save('sub\\b.sav'); game_save('" +
                                           d / "c.sav" + "'); game_save('plain.sav')")));
    g.Room("r0", R"j({"instances": [{"object": "o"}]})j");
    const fs::path cwd = fs::current_path();
    fs::current_path(d.path());
    opt_secure = true;
    GameOutcome o = RunInProcess(g, 1);
    opt_secure = false;
    fs::current_path(cwd);
    const Lines errors = ErrorTexts(o);
    ASSERT_EQ(errors.size(), 3u) << o.err;
    const std::string tail[] = {"sub/a.sav", "sub\\\\b.sav", d / "c.sav"};
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NE(errors[k].find("In secure mode you cannot save game to file " + tail[k]), std::string::npos)
            << errors[k];
    EXPECT_TRUE(fs::is_empty(d / "sub"));
    EXPECT_FALSE(fs::exists(d / "c.sav"));
    EXPECT_TRUE(fs::exists(d / "plain.sav"));
}

} // namespace
