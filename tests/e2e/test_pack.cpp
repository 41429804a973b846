// The packer end to end: building standalone games and data files from project folders,
// inspecting them, and refusing bad projects with a clear message.
#include "TestRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

RunResult Pack(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {QV_PACK_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

TEST(PackE2E, StandaloneGameRunsFromItsOwnImage) {
    TempDir dir;
    WriteFileText(dir / "game.json", R"({"game_id": 99, "debug": false, "settings": {"scale": 200}})");
    std::filesystem::create_directories(dir / "rooms");
    WriteFileText(dir / "rooms/room0.json", "{}");
    const std::map<std::string, std::string> env = {{"QUARVEL_HEADLESS", "1"}, {"QUARVEL_MAX_STEPS", "2"}};
    RunResult b = Pack({"build", dir.path(), "-o", dir / "mygame", "--runner", QV_RUNNER_EXE});
    ASSERT_EQ(b.status, 0) << b.err;
    // The runner image (a sanitizer build is larger than the usual scan start) is found past
    // its own ELF image; tracing goes beside the executable.
    RunResult r = RunProgram({dir / "mygame", "--VNTrace"}, env);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(ReadFileText(dir / "Trace.log").find("Ready"), std::string::npos);

    // Packing a packed game again keeps only the runner image.
    RunResult again = Pack({"build", dir.path(), "-o", dir / "second", "--runner", dir / "mygame"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(RunProgram({dir / "second"}, env).status, 0);

    RunResult info = Pack({"info", dir / "mygame"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("game id 99"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("scale 200"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("RoomOrder      version 700, 1 item"), std::string::npos) << info.out;
}

TEST(PackE2E, DataOnlyFileAndInfoOfBrokenFiles) {
    TempDir dir;
    WriteFileText(dir / "game.json",
                  R"({"settings_version": 800, "constants": [{"name": "A", "value": 3}]})");
    ASSERT_EQ(Pack({"build", dir.path(), "-o", dir / "g.dat", "--data-only"}).status, 0);
    RunResult info = Pack({"info", dir / "g.dat"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("settings: version 800"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Constants      version 800, 1 item"), std::string::npos) << info.out;

    WriteFileText(dir / "short.dat", "not a game");
    RunResult bad = Pack({"info", dir / "short.dat"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Error: Not a valid game file."), std::string::npos) << bad.err;

    std::string data = ReadFileText(dir / "g.dat");
    data[data.size() - 3] ^= 1;
    WriteFileText(dir / "flipped.dat", data);
    EXPECT_EQ(Pack({"info", dir / "flipped.dat"}).status, 2);

    // An action naming a function that exists nowhere fails info as it fails check; built-in
    // functions and scripts are found.
    std::filesystem::create_directories(dir / "objects");
    std::filesystem::create_directories(dir / "scripts");
    WriteFileText(dir / "scripts/helper.qvs", "return 1;");
    WriteFileText(dir / "objects/o.json", R"({"events": [{"type": "create", "actions": [
        {"function": "abs", "args": ["1"]}, {"function": "helper"}, {"function": "no_such_fn"}]}]})");
    ASSERT_EQ(Pack({"build", dir.path(), "-o", dir / "u.dat", "--data-only", "--no-check"}).status, 0);
    RunResult unknown = Pack({"info", dir / "u.dat"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, dir / "u.dat: Failed to locate action function no_such_fn\n");
}

TEST(PackE2E, BadProjectsAreRefusedClearly) {
    struct Case {
        const char* manifest; // null: no game.json at all
        const char* says;
    } cases[] = {
        {nullptr, "game.json: cannot be read"},
        {"{ \"settings\": ", "game.json: [json.exception.parse_error"},
        {"[1, 2]", "must hold a JSON object"},
        {R"({"setings": {}})", "unknown key \"setings\""},
        {R"({"settings": {"fullscren": true}})", "unknown setting \"fullscren\""},
        {R"({"settings": {"scale": "big"}})", "settings.scale must be an integer"},
        {R"({"settings": {"loadimage": "missing.png"}})", "missing.png: cannot be read"},
        {R"({"guid": "1234"})", "guid must have 32 hexadecimal digits"},
        {R"({"settings_version": 700})", "settings_version must be 800 or more"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (c.manifest) WriteFileText(dir / "game.json", c.manifest);
        RunResult r = Pack({"build", dir.path(), "-o", dir / "out", "--data-only"});
        EXPECT_EQ(r.status, 1) << (c.manifest ? c.manifest : "(none)");
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(Pack({"frobnicate"}).status, 2);
}

} // namespace
