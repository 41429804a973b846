// Loading of the system libraries on first use: runs that need none of them start without them,
// and a run that needs a missing one fails the usual way with a message naming it.
#include "TestRun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Every library the executables load on first use, by the name they load it with.
const char* const kSonames[] = {"libSDL2-2.0.so.0",   "libepoxy.so.0",      "libopenal.so.1",
                                "libsndfile.so.1",    "libfluidsynth.so.3", "libfreetype.so.6",
                                "libfontconfig.so.1", "libsqlite3.so.0",    "libstb.so.0"};

// A copy of the executable in which the named libraries cannot be found: the last character of
// each name becomes 'X'.
std::string WithoutLibraries(const std::string& exe, const std::vector<std::string>& sonames,
                             const std::string& out) {
    std::string image = ReadFileText(exe);
    for (const std::string& name : sonames) {
        std::string key = name + '\0';
        size_t at = image.find(key);
        EXPECT_NE(at, std::string::npos) << name;
        if (at == std::string::npos) continue;
        EXPECT_EQ(image.find(key, at + 1), std::string::npos) << name << " appears twice";
        image[at + name.size() - 1] = 'X';
    }
    WriteFileText(out, image);
    std::filesystem::permissions(out, std::filesystem::perms::owner_all);
    return out;
}

TEST(SystemLibraries, EvalAndCheckNeedNoneOfThem) {
#if !QV_LAZY_LIBS
    GTEST_SKIP() << "the libraries are linked normally";
#endif
    TempDir dir;
    std::vector<std::string> all(std::begin(kSonames), std::end(kSonames));
    std::string pack = WithoutLibraries(QV_PACK_EXE, all, dir / "pack");
    RunResult eval = RunProgram({pack, "eval", "a = 0; for (i = 0; i < 10; i += 1) a += i; return a"});
    EXPECT_EQ(eval.status, 0) << eval.err;
    EXPECT_NE(eval.out.find("\"value\":45"), std::string::npos) << eval.out;

    std::filesystem::create_directories(dir / "game/rooms");
    WriteFileText(dir / "game/game.json", R"({"init_code": ["global.g = 1;"]})");
    WriteFileText(dir / "game/rooms/room0.json", "{}");
    RunResult check = RunProgram({pack, "check", dir / "game"});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
}

TEST(SystemLibraries, MissingOnesFailTheUsualWayWithTheirName) {
#if !QV_LAZY_LIBS
    GTEST_SKIP() << "the libraries are linked normally";
#endif
    TempDir dir;
    std::filesystem::create_directories(dir / "game/rooms");
    WriteFileText(dir / "game/game.json", "{}");
    WriteFileText(dir / "game/rooms/room0.json", "{}");
    RunResult b = RunProgram({QV_PACK_EXE, "build", dir / "game", "-o", dir / "g.dat", "--data-only"});
    ASSERT_EQ(b.status, 0) << b.err;
    struct Case {
        const char* soname;
        const char* headless;
        const char* audioFile;
        int status;
    };
    // Without SDL or GL the window does not open: the graphics start error, status 1. Without
    // OpenAL the sound capture device does not open and the game runs silent.
    const Case cases[] = {
        {"libSDL2-2.0.so.0", "0", "", 1},
        {"libepoxy.so.0", "0", "", 1},
        {"libopenal.so.1", "1", "sound.raw", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.soname);
        std::string runner = WithoutLibraries(QV_RUNNER_EXE, {c.soname}, dir / "runner");
        std::map<std::string, std::string> env = {{"QUARVEL_GAME", dir / "g.dat"},
                                                  {"QUARVEL_HEADLESS", c.headless},
                                                  {"QUARVEL_MAX_STEPS", "2"},
                                                  {"QUARVEL_NO_WAIT", "1"},
                                                  {"VNLOG_TRACE", "1"}};
        if (*c.audioFile) env["QUARVEL_AUDIO_FILE"] = dir / c.audioFile;
        RunResult r = RunProgram({runner}, env);
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        std::string missing = std::string(c.soname);
        missing.back() = 'X';
        std::string trace = ReadFileText(dir / "Trace.log");
        EXPECT_NE(trace.find("The system library " + missing + " could not be loaded"), std::string::npos)
            << trace << r.err;
        std::filesystem::remove(dir / "Trace.log");
    }
}

} // namespace
