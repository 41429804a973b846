// The runner's load sequence end to end: game files made with the packer's writer, run
// headless through the real runner, checked by their dialog lines and exit status.
#include "Pack_Writer.h"
#include "TestRun.h"
#include "data/Option_Main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

std::string Msg(const std::string& text) {
    return "{\"dialog\":\"message\",\"text\":\"" + text + "\"}";
}

const std::string kNotValid = Msg("Error: Not a valid game file.");
const std::string kWrongVersion = Msg("Error: Wrong version number.");
const std::string kResourceData = Msg("Error: Error in resource data.");
const std::string kCorrupted = Msg("Failed to load the game data. File seems corrupted.");

std::vector<uint8_t> Settings(int version) {
    Option_SetDefaults();
    CStream s;
    Option_Write(s, version);
    return s.Bytes();
}

// Writes the game data (optionally preceded by extra bytes) as a data file and runs it.
RunResult RunData(const TempDir& dir, const std::vector<uint8_t>& data, size_t shift = 0,
                  const std::map<std::string, std::string>& env = {}) {
    std::vector<uint8_t> file(shift, 0xEE);
    file.insert(file.end(), data.begin(), data.end());
    std::string path = dir / "game.dat";
    EXPECT_TRUE(Pack_WriteFile(path, Pack_DataOnly(file), false));
    return RunGame(path, env);
}

// Descrambles packed data, lets f change the plain bytes, and scrambles it again so the
// check value matches the change.
std::vector<uint8_t> Rewritten(std::vector<uint8_t> data, void (*f)(std::vector<uint8_t>&)) {
    CStream s(std::move(data));
    EXPECT_TRUE(s.DecryptWad(8));
    f(s.Bytes());
    s.EncryptWad(8);
    return s.Bytes();
}

TEST(LoadE2E, WellFormedGamesLoadAndEnd) {
    TempDir dir;
    GameImage g = Pack_MinimalGame();
    std::vector<uint8_t> data = Pack_WriteGameData(g);
    for (size_t shift : {0u, 1u, 2u, 3u, 5u}) { // the magic pair is found at any byte offset
        RunResult r = RunData(dir, data, shift);
        EXPECT_EQ(r.status, 0) << "shift " << shift << "\n" << r.out << r.err;
        EXPECT_TRUE(r.JsonLines().empty()) << r.out;
    }
}

TEST(LoadE2E, ContainerAndHeaderFailures) {
    TempDir dir;
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        std::string line;
    };
    GameImage v800 = Pack_MinimalGame(), v820 = Pack_MinimalGame(), badChunk = Pack_MinimalGame(),
              noRooms = Pack_MinimalGame(), badInit = Pack_MinimalGame(), s799 = Pack_MinimalGame();
    v800.headerVersion = 800;
    v820.headerVersion = 820;
    badChunk.chunkVersion[int(EChunk::Sprites)] = 810;
    badInit.chunkVersion[int(EChunk::InitCode)] = 800;
    noRooms.roomOrder.clear();
    GameImage ext = Pack_MinimalGame();
    ext.extensions.push_back({1, 2, 3, 4});
    s799.settingsBlock = Settings(799);
    std::vector<Case> cases = {
        {"nothing appended", {}, kNotValid},
        {"no magic pair", std::vector<uint8_t>(64, 0x41), kNotValid},
        {"header version 800", Pack_WriteGameData(v800), kWrongVersion},
        {"header version 820", Pack_WriteGameData(v820), kWrongVersion},
        {"wrong sprite chunk version", Pack_WriteGameData(badChunk), kResourceData},
        {"wrong init code chunk version", Pack_WriteGameData(badInit), kResourceData},
        {"room order count 0", Pack_WriteGameData(noRooms), kResourceData},
        {"settings version 799", Pack_WriteGameData(s799), kResourceData},
        {"truncated payload, check value matching",
         Rewritten(Pack_WriteGameData(Pack_MinimalGame()),
                   [](std::vector<uint8_t>& b) { b.erase(b.end() - 40, b.end()); }),
         kCorrupted},
    };
    for (const Case& c : cases) {
        RunResult r = RunData(dir, c.data);
        EXPECT_EQ(r.status, 1) << c.what << "\n" << r.out << r.err;
        EXPECT_EQ(r.JsonLines(), std::vector<std::string>{c.line}) << c.what;
    }
    // A package that fails to load names the package chunk first.
    RunResult r = RunData(dir, Pack_WriteGameData(ext));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.JsonLines(),
              (std::vector<std::string>{Msg("Error in loading extension packages."), kResourceData}));
}

TEST(LoadE2E, FlippedByteEndsSilently) {
    TempDir dir;
    std::vector<uint8_t> data = Pack_WriteGameData(Pack_MinimalGame());
    for (size_t at : {size_t(20), size_t(21), data.size() / 2, data.size() - 1}) {
        std::vector<uint8_t> bad = data;
        bad[at] ^= 0x10;
        RunResult r = RunData(dir, bad);
        EXPECT_EQ(r.status, 2) << "byte " << at;
        EXPECT_EQ(r.out, "") << "byte " << at;
    }
}

TEST(LoadE2E, SettingsVersionsLoad) {
    TempDir dir;
    for (int version : {800, 810, 820, 830}) {
        GameImage g = Pack_MinimalGame();
        Option_SetDefaults();
        opt_showprogress = false; // field 24 false: no bar images in the stream
        CStream s;
        Option_Write(s, version);
        g.settingsBlock = s.Bytes();
        RunResult r = RunData(dir, Pack_WriteGameData(g));
        EXPECT_EQ(r.status, 0) << version << "\n" << r.out << r.err;
    }
}

TEST(LoadE2E, TraceBannerAndProgress) {
    TempDir dir;
    WriteFileText(dir / "Trace.log", "earlier line\n");
    GameImage g = Pack_MinimalGame();
    RunResult r = RunData(dir, Pack_WriteGameData(g), 0, {{"VNLOG_TRACE", "1"}});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::vector<std::string> lines;
    {
        std::istringstream in(ReadFileText(dir / "Trace.log"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    const std::string stars(86, '*');
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
              (std::vector<std::string>{"earlier line", stars, "               Quarvel Runner v8.1.215.11948",
                                        stars}));
    // Every progress text, in order (other trace lines, such as graphics events, may fall between).
    const std::vector<std::string> progress = {"Reading data",
                                               "Loading",
                                               "Loading extension packages",
                                               "Loading triggers",
                                               "Loading constants",
                                               "Loading sounds",
                                               "Loading sprites",
                                               "Loading backgrounds",
                                               "Loading paths",
                                               "Loading scripts",
                                               "Loading fonts",
                                               "Loading time lines",
                                               "Loading objects",
                                               "Loading rooms",
                                               "Loading included files",
                                               "Loading help",
                                               "Loading library init code",
                                               "Loading room order",
                                               "Extracting included files",
                                               "Preparing extension packages",
                                               "Preparing constants",
                                               "Preparing triggers",
                                               "Compiling scripts",
                                               "Compiling time line actions",
                                               "Compiling object actions",
                                               "Preparing sounds",
                                               "Preparing graphics",
                                               "Ready"};
    std::vector<std::string> seen;
    for (const std::string& line : lines)
        if (std::find(progress.begin(), progress.end(), line) != progress.end()) seen.push_back(line);
    EXPECT_EQ(seen, progress);

    // The command-line switch does the same; without either nothing is written.
    TempDir dir2;
    std::string path = dir2 / "game.dat";
    ASSERT_TRUE(Pack_WriteFile(path, Pack_DataOnly(Pack_WriteGameData(g)), false));
    EXPECT_EQ(RunGame(path, {}, {"--VNTrace"}).status, 0);
    EXPECT_NE(ReadFileText(dir2 / "Trace.log").find("Ready\n"), std::string::npos);
    TempDir dir3;
    path = dir3 / "game.dat";
    ASSERT_TRUE(Pack_WriteFile(path, Pack_DataOnly(Pack_WriteGameData(g)), false));
    EXPECT_EQ(RunGame(path).status, 0);
    EXPECT_EQ(ReadFileText(dir3 / "Trace.log"), "");
}

TEST(LoadE2E, UnreadableFile) {
    RunResult r = RunGame("/nonexistent/game.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.JsonLines(), std::vector<std::string>{Msg("Error: Cannot read the game file.")});
}

} // namespace
