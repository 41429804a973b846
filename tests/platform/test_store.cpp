// The registry stand-in: values, case-insensitive keys, deletion, persistence and damaged files.
#include "platform/Platform_App.h"
#include "platform/Platform_Store.h"
#include "platform_test_util.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace {

class PlatformStore : public testing::Test {
  protected:
    ScratchDir dir{"store"};
    std::string file = dir / "sub/store.sqlite";
    ScopedEnv env{"QUARVEL_STORE", file};
    std::vector<std::string> trace;

    void SetUp() override {
        Store_Close();
        Platform_SetTraceHook([this](const std::string& line) { trace.push_back(line); });
    }
    void TearDown() override {
        Store_Close();
        Platform_SetTraceHook(nullptr);
    }
};

const std::string kPrefs = "\\Software\\Quarvel\\Version 8.1\\Preferences";

TEST_F(PlatformStore, ValuesRoundTripAndKeysIgnoreCase) {
    int64_t i = -1;
    std::string s = "unchanged";
    // Nothing stored yet: reads fail and do not create the database.
    EXPECT_FALSE(Store_KeyExists(kPrefs));
    EXPECT_FALSE(Store_ReadInt(kPrefs, "Warning", i));
    EXPECT_FALSE(std::filesystem::exists(file));

    ASSERT_TRUE(Store_WriteInt(kPrefs, "Warning", 1));
    ASSERT_TRUE(Store_WriteInt(kPrefs, "Big", int64_t(1) << 40));
    ASSERT_TRUE(Store_WriteString(kPrefs, "Name", std::string("caf\xC3\xA9\0x", 7)));

    EXPECT_TRUE(Store_ReadInt("software\\QUARVEL\\version 8.1\\preferences\\", "WARNING", i));
    EXPECT_EQ(i, 1);
    EXPECT_TRUE(Store_ReadInt(kPrefs, "Big", i));
    EXPECT_EQ(i, int64_t(1) << 40);
    EXPECT_TRUE(Store_ReadString(kPrefs, "name", s));
    EXPECT_EQ(s, std::string("caf\xC3\xA9\0x", 7));

    // Wrong type and absent names leave the output alone.
    i = 7;
    EXPECT_FALSE(Store_ReadInt(kPrefs, "Name", i));
    EXPECT_FALSE(Store_ReadString(kPrefs, "Warning", s));
    EXPECT_FALSE(Store_ReadInt(kPrefs, "QuarvelRunning", i));
    EXPECT_EQ(i, 7);

    // Rewriting with another type replaces the value; one row per name whatever its case.
    ASSERT_TRUE(Store_WriteString(kPrefs, "WARNING", "yes"));
    EXPECT_FALSE(Store_ReadInt(kPrefs, "Warning", i));
    EXPECT_TRUE(Store_ReadString(kPrefs, "warning", s));
    EXPECT_EQ(s, "yes");

    EXPECT_TRUE(Store_KeyExists("\\software\\quarvel"));
    EXPECT_TRUE(Store_ValueExists(kPrefs, "big"));
    EXPECT_FALSE(Store_ValueExists("Software\\Quarvel", "Big"));
    EXPECT_FALSE(Store_KeyExists("Software\\Quarv"));
    EXPECT_TRUE(trace.empty());
}

TEST_F(PlatformStore, CreateAndDeleteKeysAndValues) {
    ASSERT_TRUE(Store_CreateKey("Software\\Empty"));
    EXPECT_TRUE(Store_KeyExists("software\\empty"));
    EXPECT_FALSE(Store_ValueExists("Software\\Empty", ""));

    // The default value (name "") can be set and removed without removing its key.
    ASSERT_TRUE(Store_WriteString("Software\\Empty", "", "default"));
    EXPECT_TRUE(Store_ValueExists("Software\\Empty", ""));
    EXPECT_TRUE(Store_DeleteValue("Software\\Empty", ""));
    EXPECT_FALSE(Store_ValueExists("Software\\Empty", ""));
    EXPECT_TRUE(Store_KeyExists("Software\\Empty"));
    EXPECT_FALSE(Store_DeleteValue("Software\\Empty", ""));

    ASSERT_TRUE(Store_WriteInt("Software\\Game\\Scores", "1", 100));
    ASSERT_TRUE(Store_WriteInt("Software\\Game", "Runs", 3));
    ASSERT_TRUE(Store_WriteInt("Software\\Game2", "Runs", 4));
    EXPECT_TRUE(Store_DeleteValue("software\\game", "RUNS"));
    EXPECT_FALSE(Store_DeleteValue("Software\\Game", "Runs"));

    // Deleting a key takes its subkeys, but not a sibling whose name merely starts the same.
    EXPECT_TRUE(Store_DeleteKey("SOFTWARE\\GAME"));
    EXPECT_FALSE(Store_KeyExists("Software\\Game\\Scores"));
    EXPECT_FALSE(Store_KeyExists("Software\\Game"));
    EXPECT_TRUE(Store_ValueExists("Software\\Game2", "Runs"));
    EXPECT_FALSE(Store_DeleteKey("Software\\Game"));
    EXPECT_FALSE(Store_DeleteKey(""));
}

TEST_F(PlatformStore, WritesPersistAcrossReopen) {
    ASSERT_TRUE(Store_WriteInt(kPrefs, "QuarvelRunning", 0));
    Store_Close();
    int64_t v = -1;
    EXPECT_TRUE(Store_ReadInt(kPrefs, "QuarvelRunning", v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(Store_WriteInt(kPrefs, "QuarvelRunning", 1));
    Store_Close();
    EXPECT_TRUE(Store_ReadInt(kPrefs, "QuarvelRunning", v));
    EXPECT_EQ(v, 1);

    // Changing the path switches databases.
    ScopedEnv other("QUARVEL_STORE", dir / "other.sqlite");
    EXPECT_FALSE(Store_ValueExists(kPrefs, "QuarvelRunning"));
}

TEST_F(PlatformStore, DamagedDatabaseFailsQuietly) {
    std::filesystem::create_directories(dir / "sub");
    std::string junk(8192, 'x');
    std::ofstream(file, std::ios::binary) << junk;

    int64_t i = 0;
    std::string s;
    EXPECT_FALSE(Store_KeyExists(kPrefs));
    EXPECT_FALSE(Store_ReadInt(kPrefs, "Warning", i));
    EXPECT_FALSE(Store_ReadString(kPrefs, "Warning", s));
    EXPECT_FALSE(Store_WriteInt(kPrefs, "Warning", 1));
    EXPECT_FALSE(Store_DeleteKey(kPrefs));
    EXPECT_FALSE(trace.empty());
    EXPECT_NE(trace.front().find("Store:"), std::string::npos) << trace.front();

    // The user's file is reported, never replaced.
    std::ifstream in(file, std::ios::binary);
    std::string after((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(after, junk);

    // A path that cannot be a file (its folder is a file) fails the same way.
    ScopedEnv blocked("QUARVEL_STORE", file + "/store.sqlite");
    EXPECT_FALSE(Store_WriteInt(kPrefs, "Warning", 1));
}

} // namespace
