// The real runner on games built by the real packer: the packer and the runner accept the same
// code, step limits, exit statuses and the debug message line.
#include "TestRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace {

RunResult Pack(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {QV_PACK_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

void Put(const TempDir& d, const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(d / name).parent_path());
    WriteFileText(d / name, text);
}

// A project with one object o placed in room r0; events as JSON.
void OneObjectGame(const TempDir& d, const std::string& manifest, const std::string& events) {
    Put(d, "game.json", manifest);
    Put(d, "objects/o.json", "{\"events\": [" + events + "]}");
    Put(d, "rooms/r0.json", R"j({"instances": [{"object": "o"}]})j");
}

std::string Ev(const std::string& type, int number, const std::string& code) {
    return "{\"type\": \"" + type + "\", \"number\": " + std::to_string(number) +
           ", \"actions\": [{\"code\": \"" + code + "\"}]}";
}

std::string Msg(const std::string& text) {
    return "{\"dialog\":\"message\",\"text\":\"" + text + "\"}";
}

TEST(WorldE2E, PackerAndRunnerAcceptTheSameCode) {
    // A constant made of an argument variable and a script reading its arguments: checked by the
    // packer, then run by the runner, both through the same runtime start.
    TempDir d;
    OneObjectGame(d, R"j({"constants": [{"name": "ARGC", "value": "argument_count"}]})j",
                  Ev("create", 0, "show_message(string(add(2, 3)) + ' ' + string(ARGC)); game_end()"));
    Put(d, "scripts/add.qvs", "return argument0 + argument[1];");
    RunResult check = Pack({"check", d.path()});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    RunResult r = RunGame(d / "g.dat", {{"QUARVEL_MAX_STEPS", "5"}});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.JsonLines(), (std::vector<std::string>{Msg("5 0")}));
}

TEST(WorldE2E, StepLimitEndsAsGameEndAndFatalErrorsExitWithThree) {
    TempDir d;
    OneObjectGame(d, "{}",
                  Ev("step", 0, "show_message('step'); show_debug_message(5.5)") + "," +
                      Ev("other", 3, "show_message('game end')"));
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    RunResult r = RunGame(d / "g.dat", {{"QUARVEL_MAX_STEPS", "3"}});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.JsonLines(),
              (std::vector<std::string>{Msg("step"), Msg("step"), Msg("step"), Msg("game end")}));
    EXPECT_EQ(r.err, "5.50\n5.50\n5.50\n");

    // The same game going to a missing room after its first step ends with status 3.
    Put(d, "objects/o.json",
        "{\"events\": [" + Ev("step", 0, "score += 1; if (score == 2) room_goto(42)") + "]}");
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g2.dat", "--data-only"}).status, 0);
    RunResult f = RunGame(d / "g2.dat", {{"QUARVEL_MAX_STEPS", "10"}});
    EXPECT_EQ(f.status, 3) << f.out << f.err;
    ASSERT_EQ(f.JsonLines().size(), 1u) << f.out;
    EXPECT_NE(f.JsonLines()[0].find("Unexisting room number: 42\",\"fatal\":true"), std::string::npos);
}

} // namespace

// Steps keep the room speed on a loaded machine: 90 steps at 30 per second take about 3 s (the
// wait aims at each step's due time, so late wake-ups do not add up), and fps counts them.
TEST(WorldE2E, StepsKeepTheRoomSpeed) {
    TempDir d;
    Put(d, "game.json", "{}");
    Put(d, "objects/o.json",
        "{\"events\": [" + Ev("create", 0, "n = 0; t0 = 0;") + ", " +
            Ev("step", 0,
               "n += 1; if (n == 1) t0 = current_time; if (n == 91) { show_message(string(current_time - t0) "
               "+ ' ' + string(fps)); game_end(); }") +
            "]}");
    Put(d, "rooms/r0.json", R"j({"speed": 30, "instances": [{"object": "o"}]})j");
    ASSERT_EQ(Pack({"build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    RunResult r = RunGame(d / "g.dat", {{"QUARVEL_MAX_STEPS", "200"}, {"QUARVEL_NO_WAIT", "0"}});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(r.JsonLines().size(), 1u) << r.out;
    double ms = 0, fps = 0;
    ASSERT_EQ(std::sscanf(r.JsonLines()[0].c_str(), "{\"dialog\":\"message\",\"text\":\"%lf %lf", &ms, &fps),
              2)
        << r.out;
    EXPECT_GE(ms, 2900) << "90 steps at 30 per second";
    EXPECT_LE(ms, 4500) << "90 steps at 30 per second";
    EXPECT_GE(fps, 20);
    EXPECT_LE(fps, 31);
}
