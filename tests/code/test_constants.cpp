// The constant table: the built-in constants, redefinition, Constant_Define, the game's
// constants chunk and the order of Name_Lookup.
#include "code/Code_Constant.h"
#include "platform/Platform_Dialog.h"
#include "platform/platform_test_util.h"
#include "resources/Constant_Main.h"
#include "resources/Script_Main.h"
#include "support/Support_Stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

namespace {

double Value(const std::string& name) {
    RValue v;
    EXPECT_TRUE(Constant_Find(name, v)) << name;
    EXPECT_FALSE(v.IsString()) << name;
    return v.val;
}

TEST(Constants, BuiltinTableOrderAndValues) {
    Constant_Reset();
    EXPECT_EQ(Constant_Count(), 334);

    // The first and last constant of every group, at their positions in the table.
    struct Row {
        int index;
        const char* name;
        double value;
    };
    const Row rows[] = {
        {0, "self", -1},
        {8, "pi", 3.141592653589793},
        {9, "pr_pointlist", 1},
        {14, "pr_trianglefan", 6},
        {15, "c_aqua", 16776960},
        {33, "c_orange", 4235519},
        {34, "bm_normal", 0},
        {48, "bm_src_alpha_sat", 11},
        {49, "se_none", 0},
        {56, "se_equalizer", 64},
        {57, "fa_left", 0},
        {68, "fa_archive", 32},
        {69, "mb_any", -1},
        {73, "mb_middle", 3},
        {74, "vk_nokey", 0},
        {129, "vk_ralt", 165},
        {130, "ev_create", 0},
        {220, "ev_step_end", 2},
        {221, "ty_real", 0},
        {222, "ty_string", 1},
        {223, "dll_cdecl", 0},
        {224, "dll_stdcall", 1},
        {225, "cr_default", 0},
        {247, "cr_size_all", -22},
        {248, "pt_shape_pixel", 0},
        {261, "pt_shape_snow", 13},
        {262, "ps_distr_linear", 0},
        {276, "ps_change_motion", 2},
        {277, "ef_explosion", 0},
        {288, "ef_snow", 11},
        {289, "os_unknown", -1},
        {297, "os_linux", 6},
        {298, "device_ios_unknown", -1},
        {301, "device_ios_ipad", 2},
        {302, "display_landscape", 0},
        {303, "display_portrait", 1},
        {304, "browser_not_a_browser", -1},
        {311, "browser_opera", 6},
        {312, "text_type", 0},
        {314, "input_type", 2},
        {315, "ANSI_CHARSET", 0},
        {333, "OEM_CHARSET", 255},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Constant_GetName(r.index), r.name) << r.index;
        EXPECT_FALSE(Constant_GetValue(r.index).IsString()) << r.name;
        EXPECT_EQ(Constant_GetValue(r.index).val, r.value) << r.name;
    }

    // Values inside the groups, where a slip in transcription would hide.
    const std::pair<const char*, double> spots[] = {
        {"local", -7},
        {"c_silver", 12632256},
        {"c_ltgray", 12632256},
        {"bm_zero", 1},
        {"fa_directory", 16},
        {"vk_enter", 13},
        {"vk_return", 13},
        {"vk_backspace", 8},
        {"vk_lcontrol", 162},
        {"vk_rshift", 161},
        {"ev_step", 3},
        {"ev_alarm", 2},
        {"ev_joystick1_button1", 21},
        {"ev_joystick2_left", 31},
        {"ev_global_left_button", 50},
        {"ev_user15", 25},
        {"ev_close_button", 30},
        {"cr_arrow", -2},
        {"cr_arrrow", -2},
        {"cr_size_nesw", -6},
        {"os_windows", 0},
        {"GB2312_CHARSET", 134},
        {"MAC_CHARSET", 77},
    };
    for (const auto& [name, value] : spots) EXPECT_EQ(Value(name), value) << name;

    RValue v;
    EXPECT_FALSE(Constant_Find("C_RED", v)); // names are case-sensitive
    EXPECT_FALSE(Constant_Find("", v));
}

TEST(Constants, LatestDefinitionIsFound) {
    Constant_Reset();
    Constant_Add("c_red", RValue::String("crimson"));
    Constant_Add("lives", RValue::Real(3));
    Constant_Add("lives", RValue::Real(5));
    RValue v;
    ASSERT_TRUE(Constant_Find("c_red", v));
    EXPECT_TRUE(v.IsString());
    EXPECT_EQ(v.str.view(), "crimson");
    EXPECT_EQ(Value("lives"), 5);
    EXPECT_EQ(Constant_Count(), 337); // every definition stays in the table, in order
    EXPECT_EQ(Constant_GetName(334), "c_red");

    Constant_Reset();
    EXPECT_EQ(Constant_Count(), 334);
    EXPECT_EQ(Value("c_red"), 255);
    EXPECT_FALSE(Constant_Find("lives", v));
}

// Stands in for the compiler: an integer literal, a quoted string, a known name plus an
// integer ("lives+1"); anything else does not compile.
bool FakeEvaluate(const std::string& text, RValue& result) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        result = RValue::String(text.substr(1, text.size() - 2));
        return true;
    }
    size_t plus = text.find('+');
    std::string head = text.substr(0, plus);
    char* end = nullptr;
    double base = std::strtod(head.c_str(), &end);
    if (head.empty() || *end != '\0') {
        RValue named;
        if (!Name_Lookup(head, named)) return false;
        base = named.val;
    }
    double add = plus == std::string::npos ? 0 : std::atof(text.c_str() + plus + 1);
    result = RValue::Real(base + add);
    return true;
}

struct DefineFixture : ::testing::Test {
    void SetUp() override {
        Constant_Reset();
        Constant_SetEvaluator(FakeEvaluate);
    }
    void TearDown() override {
        Constant_SetEvaluator(nullptr);
        Constant_ClearGame();
        Constant_Reset();
    }
    ScopedEnv headless{"QUARVEL_HEADLESS", "1"};

    // Runs f and returns the text of the message box it showed ("" when none).
    template <class F>
    static std::string MessageOf(F f) {
        ::testing::internal::CaptureStdout();
        f();
        std::string out = ::testing::internal::GetCapturedStdout();
        if (out.empty()) return out;
        const std::string head = "{\"dialog\":\"message\",\"text\":";
        EXPECT_EQ(out.substr(0, head.size()), head) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        return out.substr(head.size(), out.size() - head.size() - 2); // the quoted text
    }
    static std::string Quoted(const std::string& text) {
        return text.empty() ? text : Platform_JsonString(text);
    }
    static std::string DefineMessage(const std::string& name, const std::string& value, bool& ok) {
        return MessageOf([&] { ok = Constant_Define(name, value); });
    }
};

TEST_F(DefineFixture, NamesAndValues) {
    struct Case {
        const char* name;
        const char* value;
        const char* defines; // the name found afterwards, or nullptr when refused
        const char* message;
    };
    const Case cases[] = {
        {"  max_lives \t", "3", "max_lives", ""},
        {"_x9", "\"abc\"", "_x9", ""},
        {"Lives2", "max_lives+1", "Lives2", ""},
        {"2lives", "3", nullptr, "Constant name 2lives  is not valid."},
        {"", "3", nullptr, "Constant name   is not valid."},
        {"   ", "3", nullptr, "Constant name   is not valid."},
        {"max-lives", "3", nullptr, "Constant name max-lives  is not valid."},
        {"caf\xC3\xA9", "3", nullptr, "Constant name caf\xC3\xA9  is not valid."},
        {" bad_value ", "1/0", nullptr, "Value for constant bad_value  is not valid."},
    };
    for (const Case& c : cases) {
        int before = Constant_Count();
        bool ok = false;
        EXPECT_EQ(DefineMessage(c.name, c.value, ok), Quoted(c.message)) << c.name;
        EXPECT_EQ(ok, c.defines != nullptr) << c.name;
        EXPECT_EQ(Constant_Count(), before + (ok ? 1 : 0)) << c.name;
        if (c.defines) {
            EXPECT_EQ(Constant_GetName(before), c.defines);
        }
    }
    EXPECT_EQ(Value("max_lives"), 3);
    EXPECT_EQ(Value("Lives2"), 4);
    RValue v;
    ASSERT_TRUE(Constant_Find("_x9", v));
    EXPECT_EQ(v.str.view(), "abc");
}

TEST_F(DefineFixture, WithoutCompilerNothingIsDefined) {
    Constant_SetEvaluator(nullptr);
    bool ok = true;
    std::string msg = DefineMessage("lives", "3", ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(msg.find("not available yet"), std::string::npos) << msg;
    EXPECT_EQ(Constant_Count(), 334);
}

CStream ConstantsChunk(int version, int count, std::initializer_list<const char*> texts) {
    CStream s;
    s.WriteInteger(version);
    s.WriteInteger(count);
    for (const char* t : texts) s.WriteString(t);
    s.Seek(0);
    return s;
}

TEST_F(DefineFixture, DefineAllInFileOrderStopsAtFirstFailure) {
    CStream s = ConstantsChunk(800, 4, {" base ", "10", "next", "base+1", "2nd", "0", "after", "1"});
    ASSERT_TRUE(Constant_LoadFromStream(s));
    ASSERT_EQ(Constant_GameCount(), 4);
    EXPECT_EQ(Constant_GameName(0), " base "); // kept as stored; trimmed when defined
    EXPECT_EQ(Constant_GameValue(1), "base+1");

    bool ok = true;
    std::string msg = MessageOf([&] { ok = Constant_DefineAll(); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(msg, Quoted("Constant name 2nd  is not valid."));
    EXPECT_EQ(Value("base"), 10);
    EXPECT_EQ(Value("next"), 11); // a value may use a constant defined before it
    RValue v;
    EXPECT_FALSE(Constant_Find("after", v));
}

TEST_F(DefineFixture, ConstantsChunkBadInput) {
    CStream wrongVersion = ConstantsChunk(700, 1, {"a", "1"});
    EXPECT_FALSE(Constant_LoadFromStream(wrongVersion));

    CStream negative = ConstantsChunk(800, -5, {});
    EXPECT_TRUE(Constant_LoadFromStream(negative));
    EXPECT_EQ(Constant_GameCount(), 0);
    EXPECT_TRUE(Constant_DefineAll());

    // A count far beyond the data: reads run short, nothing is kept, nothing large is allocated.
    CStream absurd = ConstantsChunk(800, 0x7fffffff, {"a", "1", "b"});
    EXPECT_THROW(Constant_LoadFromStream(absurd), EStreamReadError);
    EXPECT_EQ(Constant_GameCount(), 0);

    CStream empty;
    EXPECT_THROW(Constant_LoadFromStream(empty), EStreamReadError);
}

// Fake resource lists: kind k knows the names in g_known[k] at index 10 * k + 1.
std::set<std::string> g_known[NAME_KIND_COUNT];

template <int K>
int FakeFind(const std::string& name) {
    return g_known[K].count(name) ? 10 * K + 1 : -1;
}

template <int... K>
void ConnectAll(std::integer_sequence<int, K...>) {
    (Name_SetFinder(static_cast<TNameKind>(K), FakeFind<K>), ...);
}

TEST(NameLookup, ResourceKindsInOrderThenConstants) {
    Constant_Reset();
    ConnectAll(std::make_integer_sequence<int, NAME_KIND_COUNT>());
    g_known[NAME_OBJECT] = {"ball"};
    g_known[NAME_SPRITE] = {"ball", "c_red", "spr"};
    g_known[NAME_SOUND] = {"snd", "spr"};
    g_known[NAME_TIMELINE] = {"tl", "rm"};
    g_known[NAME_ROOM] = {"rm", "trig"};
    g_known[NAME_TRIGGER] = {"trig", "pi"};
    Constant_Add("later", RValue::Real(7));

    struct Case {
        const char* name;
        bool found;
        double value;
    };
    const Case cases[] = {
        {"ball", true, 10 * NAME_OBJECT + 1},  // an object hides a sprite of the same name
        {"spr", true, 10 * NAME_SPRITE + 1},   // a sprite hides a sound
        {"c_red", true, 10 * NAME_SPRITE + 1}, // a resource hides a built-in constant
        {"rm", true, 10 * NAME_TIMELINE + 1},  // a time line hides a room
        {"trig", true, 10 * NAME_ROOM + 1},    // a room hides a trigger
        {"pi", true, 10 * NAME_TRIGGER + 1},   // a trigger's constant name hides a constant
        {"c_blue", true, 16711680},            // no resource: the constant
        {"later", true, 7},
        {"nothing", false, 0}, // a variable
    };
    for (const Case& c : cases) {
        RValue v;
        EXPECT_EQ(Name_Lookup(c.name, v), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(v.val, c.value) << c.name;
        }
    }

    // An unconnected kind finds nothing.
    Name_SetFinder(NAME_OBJECT, nullptr);
    RValue v;
    ASSERT_TRUE(Name_Lookup("ball", v));
    EXPECT_EQ(v.val, 10 * NAME_SPRITE + 1);

    for (int k = 0; k < NAME_KIND_COUNT; k++) {
        Name_SetFinder(static_cast<TNameKind>(k), nullptr);
        g_known[k].clear();
    }
    ASSERT_TRUE(Name_Lookup("c_red", v));
    EXPECT_EQ(v.val, 255);
    Name_SetFinder(NAME_SCRIPT, Script_Find);
    Constant_Reset();
}

TEST(NameLookup, ScriptNamesFromTheStart) {
    Constant_Reset();
    auto script = std::make_unique<CScript>();
    script->s_name = "c_red";
    Script_Set(3, std::move(script));
    RValue v;
    ASSERT_TRUE(Name_Lookup("c_red", v));
    EXPECT_EQ(v.val, 3);
    Script_Clear();
    ASSERT_TRUE(Name_Lookup("c_red", v));
    EXPECT_EQ(v.val, 255);
}

} // namespace
