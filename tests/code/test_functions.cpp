// The function registry and script calls: lookup order, argument counts, the not-yet-built
// report, argument slots saved around nested calls, the argument-count check in both forms, the
// "In script" chain, and the script functions. Script code runs through the test seam.
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Resource_Script.h"
#include "resources/Script_Main.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

namespace {

const std::string CR = "\r";

void F_Twice(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    result.SetReal(args[0].val * 2);
}

// The fake run: what each script "does" is a test-side function keyed by the script's text.
std::map<std::string, std::function<bool(CInstance*, CInstance*, RValue&)>> g_bodies;
bool RunBody(CInstance* self, CInstance* other, CCode* code, RValue& result) {
    Error_ClearFlag();
    bool ok = g_bodies.at(code->i_str)(self, other, result);
    if (!ok) result = RValue::String("ERROR");
    return ok;
}

void AddScript(int index, const std::string& name, const std::string& body, int args, bool argArray) {
    auto s = std::make_unique<CScript>();
    s->s_name = name;
    s->s_text = body;
    s->s_code = std::make_unique<CCode>(body, false);
    s->s_code->i_compiled = true;
    s->s_code->i_Args = args;
    s->s_code->i_ArgArray = argArray;
    Script_Set(index, std::move(s));
}

class LangFunctions : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        ::unsetenv("QUARVEL_ERROR_ANSWER");
        Option_SetDefaults();
        Error_Reset();
        Function_ClearAll();
        Script_Clear();
        Script_SetRunnerForTests(RunBody);
        g_bodies.clear();
    }
    void TearDown() override {
        Script_SetRunnerForTests(nullptr);
        Script_Clear();
        Function_ClearAll();
        Error_Reset();
    }
};

TEST_F(LangFunctions, RegistryLookupAndCounts) {
    Function_Add("random", F_Twice, 1);
    Function_Add("twice", F_Twice, 1);
    Function_Add("later", nullptr, kAnyArgCount);
    Function_Add("twice", nullptr, 3); // a second registration never wins the lookup
    int id = -1;
    ASSERT_TRUE(Function_Find("twice", id));
    EXPECT_EQ(id, 1);
    EXPECT_FALSE(Function_Find("Twice", id));
    EXPECT_EQ(Function_Count(), 4);
    EXPECT_STREQ(Function_GetName(2), "later");
    EXPECT_TRUE(Function_IsImplemented(1));
    EXPECT_FALSE(Function_IsImplemented(2));
    EXPECT_EQ(Function_ArgCount(1), 1);
    EXPECT_EQ(Function_ArgCount(2), kAnyArgCount);
    EXPECT_EQ(Function_ArgCount(100007), kAnyArgCount); // scripts take any count
    EXPECT_EQ(Function_ArgCount(4), -100);
    EXPECT_EQ(Function_ArgCount(500000), -100);

    // A script of the same name hides the built-in.
    AddScript(3, "random", "body", 0, false);
    ASSERT_TRUE(Function_Find("random", id));
    EXPECT_EQ(id, kScriptIdBase + 3);
}

TEST_F(LangFunctions, CallingAFunctionNotBuiltYetSaysSo) {
    Function_Add("twice", F_Twice, 1);
    Function_Add("later", nullptr, 0);
    RValue args[16];
    args[0] = RValue::Real(21);
    RValue result = RValue::String("stale");
    Function_Call(0, nullptr, nullptr, 1, result, args);
    EXPECT_EQ(result.val, 42);
    testing::internal::CaptureStdout();
    Function_Call(1, nullptr, nullptr, 0, result, args);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result.kind, RValue::kReal);
    EXPECT_EQ(result.val, 0);
    EXPECT_NE(out.find("Function later is not available yet.\",\"fatal\":false"), std::string::npos) << out;
    EXPECT_FALSE(Error_Terminating());
}

TEST_F(LangFunctions, ScriptCallSlotsAreFreshAndRestored) {
    AddScript(0, "inner", "inner", 2, false);
    AddScript(1, "outer", "outer", 1, false);
    std::vector<double> seen;
    g_bodies["inner"] = [&](CInstance*, CInstance*, RValue& r) {
        for (int k = 0; k < kArgumentSlots; ++k) seen.push_back(arg_slots[k].val);
        seen.push_back(arg_count);
        EXPECT_EQ(arg_scriptname, "inner");
        r.SetReal(7);
        return true;
    };
    g_bodies["outer"] = [&](CInstance* self, CInstance* other, RValue& r) {
        RValue a[2] = {RValue::Real(10), RValue::Real(11)};
        bool ok = Script_Call(0, self, other, r, true, a, 2);
        EXPECT_EQ(arg_slots[0].val, 5); // the caller's own argument is intact
        EXPECT_EQ(arg_count, 1);
        EXPECT_EQ(arg_scriptname, "outer");
        return ok;
    };
    RValue a[1] = {RValue::Real(5)};
    RValue result;
    ASSERT_TRUE(Script_Call(1, nullptr, nullptr, result, true, a, 1)) << Error_Buffer();
    EXPECT_EQ(result.val, 7);
    std::vector<double> want = {10, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(arg_scriptname, "<unknown>");
    EXPECT_FALSE(Script_Call(5, nullptr, nullptr, result, true, a, 1)); // no script: false, no message
    EXPECT_FALSE(Error_IsSet());
}

TEST_F(LangFunctions, ArgumentCountCheck) {
    AddScript(0, "two", "ok", 2, false); // uses argument0 and argument1
    AddScript(1, "arr", "ok", 2, true);  // uses argument[1]
    g_bodies["ok"] = [](CInstance*, CInstance*, RValue&) { return true; };
    RValue a[3];
    RValue result;
    const std::string head2 = "Illegal argument count calling script \"two\"." + CR;
    const std::string headA = "Illegal argument count calling script \"arr\"." + CR;
    struct Case {
        int script, n;
        bool ok;
        std::string msg;
    };
    const Case cases[] = {
        {0, 2, true, ""},
        {0, 3, false, head2 + "Script requires 2 arguments, 3 have been supplied."},
        {0, 1, false, head2 + "Script requires 2 arguments, 1 have been supplied."},
        {1, 3, true, ""},
        {1, 2, true, ""},
        {1, 1, false, headA + "Script requires at least 2 arguments, 1 have been supplied."},
    };
    for (const Case& c : cases) {
        Error_ClearFlag();
        EXPECT_EQ(Script_Call(c.script, nullptr, nullptr, result, true, a, c.n), c.ok);
        EXPECT_EQ(Error_Buffer(), c.msg);
        EXPECT_EQ(Error_IsSet(), !c.ok);
    }
    // No check when the caller asks for none or the game turned it off.
    Error_ClearFlag();
    EXPECT_TRUE(Script_Call(0, nullptr, nullptr, result, false, a, 3));
    opt_checkargs = false;
    EXPECT_TRUE(Script_Call(0, nullptr, nullptr, result, true, a, 3));
}

TEST_F(LangFunctions, NestedFailuresReadOutermostFirst) {
    AddScript(0, "a", "a", 0, false);
    AddScript(1, "b", "b", 0, false);
    AddScript(2, "c", "c", 0, false);
    g_bodies["c"] = [](CInstance*, CInstance*, RValue&) {
        Error_SetBuffer("Division by 0.");
        return false;
    };
    for (auto [name, next] : {std::pair{"a", 1}, std::pair{"b", 2}})
        g_bodies[name] = [next = next](CInstance* s, CInstance* o, RValue& r) {
            return Script_Call(next, s, o, r, true, nullptr, 0);
        };
    RValue result;
    EXPECT_FALSE(Script_Call(0, nullptr, nullptr, result, true, nullptr, 0));
    EXPECT_EQ(Error_Buffer(),
              "In script a:" + CR + "In script b:" + CR + "In script c:" + CR + "Division by 0.");
    EXPECT_EQ(result.str.view(), "ERROR");
}

TEST_F(LangFunctions, ScriptFunctions) {
    AddScript(2, "scr_hello", "hello", 0, true);
    g_bodies["hello"] = [](CInstance*, CInstance*, RValue& r) {
        r.SetReal(arg_slots[0].val + arg_slots[1].val + arg_count * 100);
        return true;
    };
    RValue args[16];
    RValue result;
    args[0] = RValue::Real(2);
    F_ScriptExists(nullptr, nullptr, 1, result, args);
    EXPECT_EQ(result.val, 1);
    args[0] = RValue::Real(1);
    F_ScriptExists(nullptr, nullptr, 1, result, args);
    EXPECT_EQ(result.val, 0);
    F_ScriptGetName(nullptr, nullptr, 1, result, args);
    EXPECT_EQ(result.str.view(), "<undefined>");
    args[0] = RValue::Real(2);
    F_ScriptName(nullptr, nullptr, 1, result, args);
    EXPECT_EQ(result.str.view(), "scr_hello");
    F_ScriptGetText(nullptr, nullptr, 1, result, args);
    EXPECT_EQ(result.str.view(), "hello");

    args[1] = RValue::Real(3);
    args[2] = RValue::Real(4);
    result = RValue();
    F_ScriptExecute(nullptr, nullptr, 3, result, args);
    EXPECT_EQ(result.val, 207);

    args[0] = RValue::Real(9);
    testing::internal::CaptureStdout();
    F_ScriptExecute(nullptr, nullptr, 1, result, args);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Trying to execute non-existing script."),
              std::string::npos);
    EXPECT_EQ(result.val, 0);
}

} // namespace
