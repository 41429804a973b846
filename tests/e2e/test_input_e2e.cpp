// The real runner records and replays input: a recorded run replays to the same dialog lines
// (the random seed included), and a recording that cannot be replayed stops with status 1.
#include "TestRun.h"
#include "run/InputTest.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void Put(const TempDir& d, const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(d / name).parent_path());
    WriteFileText(d / name, text);
}

// A game printing random numbers at its start and the step at which a key is pressed.
std::string BuildGame(const TempDir& d, const std::string& id) {
    Put(d, "game.json", R"({"game_id": )" + id + "}");
    Put(d, "objects/o.json", R"j({"events": [
        {"type": "create", "actions": [{"code": "t = 0; show_message(string(floor(random(1000000))) + ' ' + string(irandom(99)))"}]},
        {"type": "step", "number": 1, "actions": [{"code": "t += 1"}]},
        {"type": "keypress", "number": 1, "actions": [{"code": "show_message('key ' + string(t))"}]}]})j");
    Put(d, "rooms/r0.json", R"j({"instances": [{"object": "o"}]})j");
    const std::string out = d / ("g" + id + ".dat");
    RunResult r = RunProgram({QV_PACK_EXE, "build", d.path(), "-o", out, "--data-only"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return out;
}

TEST(InputE2E, RecordedRunReplaysTheSameAndBadRecordingsStopWithOne) {
    TempDir d;
    const std::string game = BuildGame(d, "7"), other = BuildGame(d, "8");
    const std::string rec = d / "run.qvr", again = d / "again.qvr";
    RunResult first = RunGame(game, {{"QUARVEL_MAX_STEPS", "3"}, {"QUARVEL_RECORD", rec}});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(first.JsonLines().size(), 1u);
    // Replayed (and recorded again while replaying): the same lines, and the same recording.
    RunResult replay =
        RunGame(game, {{"QUARVEL_MAX_STEPS", "3"}, {"QUARVEL_REPLAY", rec}, {"QUARVEL_RECORD", again}});
    EXPECT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.JsonLines(), first.JsonLines());
    EXPECT_EQ(ReadFileText(again), ReadFileText(rec));

    RunResult foreign = RunGame(other, {{"QUARVEL_REPLAY", rec}});
    EXPECT_EQ(foreign.status, 1);
    ASSERT_EQ(foreign.JsonLines().size(), 1u);
    EXPECT_NE(foreign.JsonLines()[0].find("it was recorded with another game"), std::string::npos)
        << foreign.JsonLines()[0];

    const std::string bytes = ReadFileText(rec);
    WriteFileText(d / "cut.qvr", bytes.substr(0, bytes.size() / 2));
    RunResult cut = RunGame(game, {{"QUARVEL_REPLAY", d / "cut.qvr"}});
    EXPECT_EQ(cut.status, 1);
    ASSERT_EQ(cut.JsonLines().size(), 1u);
    EXPECT_NE(cut.JsonLines()[0].find("the file is truncated"), std::string::npos) << cut.JsonLines()[0];

    RunResult unwritable = RunGame(game, {{"QUARVEL_RECORD", d / "no/such/folder/x.qvr"}});
    EXPECT_EQ(unwritable.status, 1);
    ASSERT_EQ(unwritable.JsonLines().size(), 1u);
    EXPECT_NE(unwritable.JsonLines()[0].find("Cannot write the input recording"), std::string::npos);
}

TEST(InputE2E, F9SavesScreenshotsToTheFirstFreeNumbers) {
    TempDir d, work;
    Put(d, "game.json", "{}");
    Put(d, "objects/o.json",
        R"j({"events": [{"type": "step", "actions": [{"code": "show_message(string(keyboard_lastkey))"}]}]})j");
    Put(d, "rooms/r0.json", R"j({"width": 64, "height": 48, "instances": [{"object": "o"}]})j");
    ASSERT_EQ(RunProgram({QV_PACK_EXE, "build", d.path(), "-o", d / "g.dat", "--data-only"}).status, 0);
    TestInput in;
    in.Key(2, 120, true).Key(3, 120, false).Key(3, 120, true).Key(4, 120, false).Key(4, 120, true);
    WriteInputForProject(d.path(), in, d / "in.qvr");
    WriteFileText(work / "screenshot100.png", "taken");
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    RunResult r = RunGame(d / "g.dat", {{"QUARVEL_MAX_STEPS", "5"}, {"QUARVEL_REPLAY", d / "in.qvr"}});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(r.status, 0) << r.err;
    // The key that acted is cleared before the step's events see it.
    std::vector<std::string> expect(5, "{\"dialog\":\"message\",\"text\":\"0\"}");
    EXPECT_EQ(r.JsonLines(), expect);
    for (const char* name : {"screenshot101.png", "screenshot102.png", "screenshot103.png"})
        EXPECT_TRUE(std::filesystem::file_size(work / name) > 100) << name;
    EXPECT_FALSE(std::filesystem::exists(work / "screenshot104.png"));
    EXPECT_EQ(ReadFileText(work / "screenshot100.png"), "taken");
}

} // namespace
