// Temp directory choice and fall-backs, safe removal, temp file names and the process helpers.
#include "../platform/platform_test_util.h"
#include "platform/Platform_App.h"
#include "support/Support_File.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(SupportFile, TempRootChoice) {
    ScratchDir exe("exe");
    ScopedEnv temp("temp", std::nullopt), tmp("tmp", std::nullopt), tmpdir("TMPDIR", std::nullopt);
    EXPECT_EQ(TempRootCandidate(exe.Path()), "/tmp");
    {
        ScopedEnv d("TMPDIR", "/d");
        EXPECT_EQ(TempRootCandidate(exe.Path()), "/d");
        ScopedEnv b("tmp", "/b");
        EXPECT_EQ(TempRootCandidate(exe.Path()), "/b");
        ScopedEnv a("temp", "/a");
        EXPECT_EQ(TempRootCandidate(exe.Path()), "/a");
        WriteFile(exe / "tempdir.txt", "/from/file\r\nsecond line\n");
        EXPECT_EQ(TempRootCandidate(exe.Path()), "/from/file");
        WriteFile(exe / "tempdir.txt", "\n/ignored\n"); // an empty first line names no root
        EXPECT_EQ(TempRootCandidate(exe.Path()), "/a");
    }
}

TEST(SupportFile, TempDirectoryFallsBack) {
    ScratchDir scratch("root");
    WriteFile(scratch / "plainfile", "x");
    const std::string impossible = scratch / "plainfile/sub"; // below a file: cannot be made

    EXPECT_TRUE(InitTempDirectoryFrom({impossible, "", scratch / "good/deeper"}));
    std::string temp = GetTempDirectory();
    EXPECT_EQ(temp.rfind(scratch / "good/deeper/qv_ttt_", 0), 0u) << temp;
    struct stat st {};
    ASSERT_EQ(stat(temp.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::string digits = temp.substr(temp.rfind('_') + 1);
    EXPECT_FALSE(digits.empty());
    EXPECT_LE(std::stoi(digits), 99999);
    RemoveTempDirectory();
    EXPECT_FALSE(fs::exists(temp));

    ScopedEnv headless("QUARVEL_HEADLESS", "1");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(InitTempDirectoryFrom({impossible, impossible + "2"}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "{\"dialog\":\"message\",\"text\":\"Failed to create temp dir. This can cause serious problems "
              "with sounds, etc.\"}\n");
}

TEST(SupportFile, TempDirectoryGoesAtExit) {
    ScratchDir scratch("exit");
    EXPECT_EXIT(
        {
            InitTempDirectoryFrom({scratch.Path()});
            WriteFile(scratch / "name", GetTempDirectory());
            WriteFile(GetTempDirectory() + "/inside.txt", "x");
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    std::string temp = ReadFile(scratch / "name");
    ASSERT_FALSE(temp.empty());
    EXPECT_FALSE(fs::exists(temp));
}

class SupportFileTemp : public testing::Test {
  protected:
    ScratchDir root{"temp"};
    std::string temp;
    void SetUp() override {
        ASSERT_TRUE(MakeTempDirectory(root.Path()));
        temp = GetTempDirectory();
    }
    void TearDown() override { RemoveTempDirectory(); }
};

TEST_F(SupportFileTemp, RemovalStaysInsideTheTempDirectory) {
    ScratchDir outside("outside");
    WriteFile(outside / "keep.txt", "keep");
    fs::create_directories(outside / "emptydir");

    fs::create_directories(temp + "/a/b");
    WriteFile(temp + "/a/b/f.txt", "x");
    WriteFile(temp + "/top.txt", "x");
    fs::create_directory_symlink(outside.Path(), temp + "/a/link_to_dir");
    fs::create_symlink(outside / "keep.txt", temp + "/link_to_file");

    // Directories outside are never touched, however they are named.
    RemoveDirectoryTree(outside.Path());
    RemoveDirectoryTree(temp + "/../" + fs::path(outside.Path()).filename().string());
    RemoveDirectoryTree(temp + "/a/link_to_dir");
    RemoveDirectoryTree(temp + "/a/link_to_dir/emptydir");
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
    EXPECT_TRUE(fs::is_directory(outside / "emptydir"));

    RemoveDirectoryTree(temp + "/a/b");
    EXPECT_FALSE(fs::exists(temp + "/a/b"));
    EXPECT_TRUE(fs::exists(temp + "/top.txt"));

    RemoveTempDirectory();
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
    EXPECT_EQ(ReadFile(outside / "keep.txt"), "keep");
    EXPECT_TRUE(fs::is_directory(outside / "emptydir"));
    RemoveTempDirectory(); // gone already: nothing happens
}

TEST_F(SupportFileTemp, TempFileNamesAreNewFiles) {
    std::set<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name = MakeTempFileName(".wav");
        ASSERT_EQ(name.rfind(temp + "/a", 0), 0u) << name;
        ASSERT_EQ(name.substr(name.size() - 4), ".wav");
        ASSERT_TRUE(fs::is_regular_file(name));
        ASSERT_EQ(fs::file_size(name), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 300u);

    RemoveTempDirectory();
    EXPECT_EQ(MakeTempFileName(".wav"), "");
}

TEST(SupportFileProcess, ExecuteProgramRunsInItsDirectoryAndWaits) {
    ScratchDir dir("exec dir"); // a space in the path: the program path must be quoted
    const std::string script = dir / "my tool.sh";
    WriteFile(script, "#!/bin/sh\nsleep 0.3\necho \"$1|$2|$(pwd)\" > out.txt\n");
    fs::permissions(script, fs::perms::owner_all);

    int ticks = 0;
    int timer = Platform_AddTimer(
        10, [&] { ++ticks; }, true);
    int64_t start = Platform_TimeMicros();
    ASSERT_TRUE(ExecuteProgram(script, "'two words' second", dir.Path(), true));
    EXPECT_GE(Platform_TimeMicros() - start, 300000);
    EXPECT_EQ(ReadFile(dir / "out.txt"), "two words|second|" + dir.Path() + "\n");
    EXPECT_GT(ticks, 0); // messages were pumped while waiting
    Platform_RemoveTimer(timer);

    // Without waiting it returns before the program is done.
    start = Platform_TimeMicros();
    ASSERT_TRUE(ExecuteProgram("sleep", "0.5", "", false));
    EXPECT_LT(Platform_TimeMicros() - start, 400000);

    EXPECT_FALSE(ExecuteProgram("true", "", dir / "missing", true));
    EXPECT_FALSE(ExecuteProgram("qv-no-such-program", "", "", true));
    EXPECT_FALSE(ExecuteProgram(dir / "out.txt", "", "", true)); // not executable
    EXPECT_FALSE(ExecuteProgram("true", "", dir / "missing", false));
}

TEST(SupportFileProcess, ShellOpenHeadlessOnlyReports) {
    ScopedEnv headless("QUARVEL_HEADLESS", "1");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(ShellOpenFile("/tmp/readme \"1\".txt", "", ""));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "{\"dialog\":\"shell_open\",\"text\":\"/tmp/readme \\\"1\\\".txt\"}\n");
}

} // namespace
