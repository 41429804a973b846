// The built-in function tables: the full registry in its fixed order, the duplicate check,
// scripts hiding built-ins, and the listing of quarvel-pack functions.
#include "Pack_Functions.h"
#include "code/Code_Function.h"
#include "functions/Function_Families.h"
#include "resources/Script_Main.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

struct RegistryFixture : ::testing::Test {
    void SetUp() override {
        Script_Clear();
        Function_ClearAll();
        Function_RegisterAll();
    }
    void TearDown() override { Script_Clear(); }
};

TEST_F(RegistryFixture, FamiliesInOrderWithTheirCounts) {
    // Each family: its size, its first and last function with their argument counts.
    struct Group {
        int size;
        const char* first;
        int firstArgs;
        const char* last;
        int lastArgs;
    };
    const Group groups[] = {
        {210, "display_get_width", 0, "surface_copy_part", 8}, // graphics
        {135, "action_path_old", 3, "action_effect", 6},       // actions
        {73, "is_real", 1, "lengthdir_y", 2},                  // math
        {93, "move_random", 2, "Vanti_EnableAlphaBlend", 1},   // game
        {79, "file_bin_open", 2, "disk_size", -1},             // files
        {98, "splash_set_caption", 1, "mouse_wait", 0},        // interaction
        {29, "mplay_init_ipx", 0, "mplay_ipaddress", 0},       // multiplayer
        {96, "event_inherited", 0, "date_is_today", 1},        // misc
        {161, "sprite_name", 1, "room_tile_clear", 1},         // resources
        {82, "part_type_create", 0, "effect_clear", 0},        // particles
        {110, "ds_set_precision", 1, "ds_grid_read", 2},       // data structures
        {42, "sound_play", 1, "MCI_command", 1},               // sound
        {76, "d3d_start", 0, "d3d_model_floor", 9},            // 3D
    };
    int id = 0;
    for (const Group& g : groups) {
        EXPECT_STREQ(Function_GetName(id), g.first);
        EXPECT_EQ(Function_ArgCount(id), g.firstArgs) << g.first;
        int last = id + g.size - 1;
        EXPECT_STREQ(Function_GetName(last), g.last);
        EXPECT_EQ(Function_ArgCount(last), g.lastArgs) << g.last;
        id += g.size;
    }
    EXPECT_EQ(id, 1284);
    EXPECT_EQ(Function_Count(), 1284);
    EXPECT_TRUE(Function_DuplicateNames().empty());

    // Argument counts inside the families, where a slip in transcription would hide.
    const std::pair<const char*, int> spots[] = {
        {"draw_sprite_general", 16},
        {"display_reset", -1},
        {"action_execute_script", 6},
        {"choose", -1},
        {"string_format", 3},
        {"mp_grid_path", 7},
        {"registry_write_real_ext", 3},
        {"highscore_show_ext", 7},
        {"mplay_init_serial", 5},
        {"external_call8", 9},
        {"room_set_view", 16},
        {"script_execute", -1},
        {"part_type_color_rgb", 7},
        {"ds_grid_set_grid_region", 8},
        {"sound_effect_chorus", 8},
        {"d3d_set_projection_ext", 13},
        {"d3d_model_vertex_normal_texture_color", 11},
    };
    for (const auto& [name, args] : spots) {
        int fid = -1;
        ASSERT_TRUE(Function_Find(name, fid)) << name;
        EXPECT_EQ(Function_ArgCount(fid), args) << name;
    }
}

TEST_F(RegistryFixture, RegisteringAgainAddsNothing) {
    Function_RegisterAll();
    EXPECT_EQ(Function_Count(), 1284);
}

TEST_F(RegistryFixture, DuplicateNamesAreFound) {
    Function_ClearAll();
    Function_Add("alpha", nullptr, 0);
    Function_Add("beta", nullptr, 1);
    Function_Add("alpha", nullptr, 2);
    Function_Add("beta", nullptr, 1);
    Function_Add("alpha", nullptr, 0);
    EXPECT_EQ(Function_DuplicateNames(), (std::vector<std::string>{"alpha", "beta"}));
}

TEST_F(RegistryFixture, ScriptHidesBuiltin) {
    int builtin = -1;
    ASSERT_TRUE(Function_Find("random", builtin));
    EXPECT_LT(builtin, kScriptIdBase);
    EXPECT_STREQ(Function_GetName(builtin), "random");

    auto script = std::make_unique<CScript>();
    script->s_name = "random";
    Script_Set(2, std::move(script));
    int id = -1;
    ASSERT_TRUE(Function_Find("random", id));
    EXPECT_EQ(id, kScriptIdBase + 2);
    EXPECT_EQ(Function_ArgCount(id), -1);

    Script_Clear();
    ASSERT_TRUE(Function_Find("random", id));
    EXPECT_EQ(id, builtin);
}

TEST_F(RegistryFixture, ScriptFunctionsAreBuilt) {
    for (const char* name :
         {"script_exists", "script_get_name", "script_name", "script_get_text", "script_execute"}) {
        int id = -1;
        ASSERT_TRUE(Function_Find(name, id)) << name;
        EXPECT_TRUE(Function_IsImplemented(id)) << name;
    }
}

TEST_F(RegistryFixture, PackListsEveryFunctionAndTheCounts) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* out = open_memstream(&buf, &len);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(Pack_ListFunctions(out), 0);
    std::fclose(out);
    std::istringstream text(std::string(buf, len));
    std::free(buf);

    std::string line;
    int id = 0, implemented = 0;
    while (std::getline(text, line) && id < Function_Count()) {
        bool built = Function_IsImplemented(id);
        implemented += built;
        std::string expect = std::string(Function_GetName(id)) + "\t" +
                             std::to_string(Function_ArgCount(id)) + "\t" +
                             (built ? "implemented" : "not implemented");
        ASSERT_EQ(line, expect);
        id++;
    }
    EXPECT_EQ(id, 1284);
    EXPECT_GE(implemented, 5); // the script functions at least
    EXPECT_EQ(line, std::to_string(implemented) + " / 1284");
    EXPECT_FALSE(std::getline(text, line));
}

} // namespace
