// The executor end to end: statement semantics and the code result value, every run-time
// message at its position, with over a small room, locals and globals, and script calls
// through the real executor (argument slots, both argument-count messages, nested errors,
// the nesting limit).
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "resources/Script_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

// A room: instances in creation order; object lists without parents.
class CTestWorld : public IRunWorld {
  public:
    std::vector<std::unique_ptr<CInstance>> list;
    CInstance* Add(int object) {
        list.push_back(std::make_unique<CInstance>());
        list.back()->i_id = 100000 + int(list.size()) - 1;
        list.back()->i_objectindex = object;
        return list.back().get();
    }
    int InstanceCount() override { return int(list.size()); }
    CInstance* InstanceAt(int pos) override {
        return pos < int(list.size()) ? list[size_t(pos)].get() : nullptr;
    }
    int ObjectInstanceCount(int object) override {
        int n = 0;
        for (auto& i : list) n += i->i_objectindex == object;
        return n;
    }
    CInstance* ObjectInstanceAt(int object, int k) override {
        for (auto& i : list)
            if (i->i_objectindex == object && k-- == 0) return i.get();
        return nullptr;
    }
};

CTestWorld* g_world = nullptr;
std::string g_log;

void F_Spawn(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    result.SetReal(g_world->Add(int(args[0].val))->i_id);
}
void F_Kill(CInstance*, CInstance*, int, RValue&, RValue* args) {
    for (auto& i : g_world->list)
        if (i->i_id == int(args[0].val)) i->i_marked = true;
}
void F_Mark(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    g_log += args[0].str.view();
    result.SetReal(1);
}
void F_FortyTwo(CInstance*, CInstance*, int, RValue& result, RValue*) {
    result.SetReal(42);
}

class LangExecutor : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        Option_SetDefaults();
        opt_writeerrors = false;
        Error_Reset();
        Function_ClearAll();
        Script_Clear();
        BuiltinVar_ClearAll();
        Code_AddArgumentVariables();
        Global_Reset();
        Function_Add("spawn", F_Spawn, 1);
        Function_Add("kill", F_Kill, 1);
        Function_Add("mark", F_Mark, 1);
        Function_Add("f0", F_FortyTwo, 0);
        g_world = &m_world;
        m_previous = World_Set(&m_world);
        g_log.clear();
        self.i_id = 0;
    }
    void TearDown() override {
        World_Set(m_previous);
        g_world = nullptr;
        Script_Clear();
        Function_ClearAll();
        BuiltinVar_ClearAll();
        Error_Reset();
    }

    // Compiles and runs a program for self; result holds the code result value.
    bool Run(const std::string& text, RValue& result) {
        CCode code(text, false);
        if (!code.Compile()) {
            ADD_FAILURE() << text << ": " << Error_Buffer();
            return false;
        }
        return Code_Execute(&self, &self, &code, result);
    }
    double RunReal(const std::string& text) {
        RValue r;
        EXPECT_TRUE(Run(text, r)) << text << ": " << Error_Buffer();
        EXPECT_FALSE(r.IsString()) << text;
        return r.val;
    }
    void AddScripts(std::initializer_list<std::pair<const char*, const char*>> scripts) {
        int k = 0;
        for (auto& [name, text] : scripts) {
            auto s = std::make_unique<CScript>();
            s->s_name = name;
            s->s_text = text;
            Script_Set(k++, std::move(s));
        }
        for (int i = 0; i < k; ++i) {
            CScript* s = Script_Get(i);
            s->s_code = std::make_unique<CCode>(s->s_text, false);
            ASSERT_TRUE(s->s_code->Compile()) << s->s_name << ": " << Error_Buffer();
        }
    }

    CTestWorld m_world;
    IRunWorld* m_previous = nullptr;
    CInstance self;
};

TEST_F(LangExecutor, StatementsAndTheCodeResultValue) {
    struct Row {
        const char* text;
        double value;
    };
    const Row rows[] = {
        {"x = 5", 5},
        {"x = 5; exit; x = 6", 5},
        {"x = 1; f0()", 42},
        {"x = 1; f0(); y = 3; if 0 z = 4", 3},
        {"break; x = 1", 0},
        {"x = 2; continue; x = 1", 2},
        {"for (i = 0; i < 2; i += 1) {}", 0}, // initial and step statements use temporaries
        {"n = 0; repeat (2.5) n += 1; return n", 2},
        {"n = 0; repeat (3.5) n += 1; return n", 4},
        {"n = 0; repeat (-1) n += 1; return n", 0},
        {"n = 0; repeat (5) { n += 1; if n == 2 break } return n", 2},
        {"i = 0; s = 0; while (i < 5) { i += 1; if i == 3 continue; s += i } return s", 12},
        {"i = 0; while true { i += 1; if i > 3 break } return i", 4},
        {"i = 0; do i += 1 until i >= 3; return i", 3},
        {"i = 0; do { i += 1; if i < 5 continue; break } until false; return i", 5},
        {"s = 0; for (i = 0; i < 4; i += 1) s += i; return s", 6},
        {"s = 0; for (i = 0; i < 9; i += 1) { if i == 2 continue; if i == 4 break; s += i } return s", 4},
        {"a = 0; b = 0; c = 0; switch (2) { case 1: a = 1; case 2: b = 1; case 3: c = 1; } return "
         "a*100+b*10+c",
         11},
        {"r = 0; switch (1) { default: r += 1; case 1: r += 10; } return r", 11},
        {"r = 0; switch (5) { case 1: r = 1; default: r = 2; } return r", 2},
        {"r = 0; switch (5) { case 1: r = 1; } return r", 0},
        {"r = 0; switch (1) { case 1: r = 1; break; case 2: r = 2; } return r", 1},
        {"r = 0; switch (\"1\") { case 1: r = 1; case \"1\": r += 2 } return r", 2},
        {"r = 0; switch (1/3) { case 0.333333333333333: r = 1; } if 1/3 == 0.333333333333333 r += 10; return "
         "r",
         10}, // exact match, unlike ==
        {"r = 0; switch (2) { case 1 + 1: r = 1; } return r", 1},
        {"x = 0 && f0() > 0; return x", 0},
        {"x = 7; x -= 2; x *= 3; x /= 5; return x", 3},
        {"x = 6; x |= 1; x &= 5; x ^= 3; return x", 6},
        {"var a; a = 3; return a", 3},
        {"var a; a[2] = 5; a[1, 1] = 6; return a[2] + a[1, 1]", 11},
        {"var a; local.a = 4; return a", 4},
        {"var a; a = 1; s = -7; return s.a", 1},
        {"globalvar g; g = 3; return global.g", 3},
        {"global.h = 2; return global.h", 2},
        {"x = 1; var x; x = 2; return self.x * 10 + x", 12},
        {"a[-0.4] = 7; return a[0] + a", 14},
        {"m = 1; with (self) m += 1; with (other) m += 1; return m", 3},
    };
    for (const Row& r : rows) EXPECT_EQ(RunReal(r.text), r.value) << r.text;

    // No short-circuit, left before right.
    g_log.clear();
    RunReal("x = mark('a') == 0 && mark('b') || mark('c')");
    EXPECT_EQ(g_log, "abc");
    // The run leaves a result the caller put there alone when nothing writes it.
    RValue r = RValue::String("before");
    ASSERT_TRUE(Run("if 0 x = 1", r));
    EXPECT_EQ(r.str.view(), "before");
}

TEST_F(LangExecutor, RuntimeMessagesAtTheirPositions) {
    struct Row {
        const char* text;
        int position;
        std::string message;
    };
    const Row rows[] = {
        {"if 'a' x = 1", 4, "Expression expected"},
        {"while 'a' x = 1", 7, "Boolean expression expected"},
        {"do x = 1 until 'a'", 16, "Boolean expression expected"},
        {"for (i = 0; 'a'; i += 1) x = 1", 13, "Expression expected"},
        {"repeat 'a' x = 1", 8, "Repeat count must be a number"},
        {"with 'a' x = 1", 6, "Object id expected"},
        {"with (local) x = 1", 6, "Cannot use local in with statement."},
        {"with (global) x = 1", 6, "Cannot use global in with statement."},
        {"case 1: x = 1", 6, "Case statement only allowed inside switch statement."},
        {"default: x = 1", 8, "Default statement only allowed inside switch statement."},
        {"x = 1; a['x'] = 1", 10, "Wrong type of array index"},
        {"s = 'a'; s.x = 1", 10, "Wrong type of variable index"},
        {"a[-1] = 1", 3, "Negative array index"},
        {"a[32000] = 1", 3, "Array index >= 32000"},
        {"a[1, 32000] = 1", 6, "Array index >= 32000"},
        {"a = 1; x = a[3]", 12, "Unknown variable a or array index out of bounds"},
        // Local array elements read in place by operators and conditions fall back in order.
        {"var a; a[1] = 1; x = 2 + a[3]", 26, "Unknown variable a or array index out of bounds"},
        {"var a, i; a[1] = 1; i = 'k'; x = a[i] < 2", 36, "Wrong type of array index"},
        {"var a; a[1] = 'k'; if a[1] < 2 x = 1", 30, "Cannot compare arguments."},
        {"var a; a[1, 2] = 1; while a[2, 1] x = 1", 27, "Unknown variable a or array index out of bounds"},
        {"x = qq", 5, "Unknown variable qq"},
        {"var v; x = v", 12, "Unknown variable v"},
        {"x = noone.x", 5, "Unknown variable x"},
        {"noone.x = 1", 1, "Cannot assign to the variable"},
        {"argument_count = 1", 1, "Cannot assign to the variable"},
        {"qq += 1", 1, "Unknown variable qq"},
        {"s = 'a'; s += 1", 10, "Wrong type of arguments to +."},
        {"x = 1; x /= 0", 8, "Division by 0."},
        {"y = 'a'; x = y - 1", 18, "Wrong type of arguments to -."},
        {"for (; i < 3; i += 1) {}", 6, "Statement expected."},
    };
    for (const Row& r : rows) {
        RValue result;
        EXPECT_FALSE(Run(r.text, result)) << r.text;
        const std::string tail = "at position " + std::to_string(r.position) + ": " + r.message;
        const std::string& b = Error_Buffer();
        EXPECT_TRUE(b.size() >= tail.size() && b.compare(b.size() - tail.size(), tail.size(), tail) == 0)
            << r.text << "\n"
            << b;
    }

    // A failed compound assignment stores nothing.
    RValue r;
    EXPECT_FALSE(Run("s = 'a'; s += 1", r));
    EXPECT_TRUE(Run("return s", r));
    EXPECT_EQ(r.str.view(), "a");

    // With uninitialised variables reading as 0, reads succeed; compound writes that cannot
    // read store nothing.
    opt_uninitzero = true;
    EXPECT_EQ(RunReal("return qq + 1"), 1);
    EXPECT_EQ(RunReal("x = noone.x; return x"), 0);
    EXPECT_EQ(RunReal("var v; return v + a[5]"), 0);
    EXPECT_EQ(RunReal("n = 3; noone.y += 1; return n"), 3);

    // The executor refuses what it cannot run.
    CCode notCompiled("x = 1", false);
    EXPECT_FALSE(Code_Execute(&self, &self, &notCompiled, r));
    EXPECT_NE(Error_Buffer().find("Internal Error: Executing non-compiled code."), std::string::npos);
    CCode compiled("x = 1", false);
    ASSERT_TRUE(compiled.Compile());
    EXPECT_FALSE(Code_ExecuteValue(nullptr, &self, &compiled, r));
    EXPECT_NE(Error_Buffer().find("Internal Error: Executing code for nil instance."), std::string::npos);
    EXPECT_EQ(r.str.view(), "ERROR");

    // The reporting entry shows the failure under the event heading and clears the flag.
    opt_uninitzero = false;
    CCode failing("x = qq", false);
    ASSERT_TRUE(failing.Compile());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Code_ExecuteReport(&self, &self, &failing, r));
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_NE(shown.find("{\"dialog\":\"error\",\"text\":\"ERROR in\\r\\naction number 1"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Unknown variable qq"), std::string::npos) << shown;
    EXPECT_FALSE(Error_IsSet());
}

TEST_F(LangExecutor, WithOverTheRoom) {
    CInstance* a = m_world.Add(0); // 100000
    m_world.Add(1);                // 100001
    CInstance* c = m_world.Add(0); // 100002
    struct Row {
        const char* text;
        double value;
    };
    const Row rows[] = {
        {"c = 0; with (all) other.c += 1; return c", 3},
        {"c = 0; with (0) other.c += 1; return c", 2},
        {"c = 0; with (1) other.c += 1; return c", 1},
        {"c = 0; with (7) other.c += 1; return c", 0},
        {"c = 0; with (noone) other.c += 1; return c", 0},
        {"c = 0; with (-9) other.c += 1; return c", 0},
        {"c = 0; with (all) { other.c += 1; break } return c", 1},
        {"c = 0; with (all) { other.c += 1; continue; other.c += 10 } return c", 3},
        {"c = 0; with (all) { spawn(0); other.c += 1 } return c", 3},        // new ones are not visited
        {"c = 0; with (all) { kill(100002); other.c += 1 } return c", 2},    // destroyed ones are skipped
        {"m = 7; with (100001) q = other.m; return (100001).q", 7},          // other is the outer self
        {"with (100001) { x = 5; exit } return 1", 5},                       // exit leaves the code
        {"i = 0; while (true) { i += 1; with (other) break; } return i", 1}, // break reaches the loop
        {"i = 0; while (i < 3) { i += 1; with (other) continue; i = 10 } return i", 10},
        {"with (100002) x = 1; return 2", 2}, // marked: not run
        {"(all).z = 4; return (100000).z + (0).z", 8},
    };
    for (const Row& r : rows) {
        m_world.list.resize(3);
        a->i_marked = c->i_marked = false;
        EXPECT_EQ(RunReal(r.text), r.value) << r.text;
    }
}

TEST_F(LangExecutor, ScriptCalls) {
    AddScripts({
        {"add", "return argument0 + argument1"},
        {"outer", "x = add(1, 2); return argument0 + x"},
        {"third", "return argument2"},
        {"arr", "return argument[1]"},
        {"s1", "return s2()"},
        {"s2", "x = 1;\r\ny = s3()"},
        {"s3", "return qq"},
        {"fib", "if argument0 < 2 return argument0; return fib(argument0 - 1) + fib(argument0 - 2)"},
        {"rec", "return rec()"},
        {"last", "x = 9"},
        {"count", "return argument_count"},
    });
    EXPECT_EQ(RunReal("return add(2, 3)"), 5);
    EXPECT_EQ(RunReal("return outer(10)"), 13);
    EXPECT_EQ(RunReal("return fib(15)"), 610);
    EXPECT_EQ(RunReal("return last()"), 9); // a script without return yields its last assignment
    EXPECT_EQ(RunReal("return count()"), 0);

    opt_checkargs = false;
    EXPECT_EQ(RunReal("return third(1, 2)"), 0); // slots past the supplied ones are 0
    EXPECT_EQ(RunReal("return count(1, 2, 3) + add(1, 2, 3)"), 6);
    opt_checkargs = true;

    struct Row {
        const char* text;
        std::string error;
    };
    const Row rows[] = {
        {"return add(1, 2, 3)", "Illegal argument count calling script \"add\".\rScript requires 2 "
                                "arguments, 3 have been supplied."},
        {"return arr(1)",
         "Illegal argument count calling script \"arr\".\rScript requires at least 2 arguments, 1 have been "
         "supplied."},
        {"return s1()",
         "In script s1:\rIn script s2:\rIn script s3:\rError in code at line 1:\r   return qq\r"
         "         ^\rat position 8: Unknown variable qq"},
    };
    for (const Row& r : rows) {
        RValue result;
        EXPECT_FALSE(Run(r.text, result)) << r.text;
        EXPECT_EQ(Error_Buffer(), r.error) << r.text;
    }
    EXPECT_EQ(RunReal("return arr(1, 2)"), 2);

    // Runaway recursion is an error, not a crash.
    RValue result;
    EXPECT_FALSE(Run("return rec()", result));
    EXPECT_NE(Error_Buffer().find(kMessageRunsTooDeep), std::string::npos);
    EXPECT_EQ(Error_Buffer().rfind("In script rec:\r", 0), 0u);
}

// One compiled code run for instances whose variables sit at different places in their lists,
// one without them, and after the name became global: each run reaches its own variables.
TEST_F(LangExecutor, OneCodeOverInstancesWithDifferentVariables) {
    CInstance a, b, none;
    RValue r;
    CCode setA("p = 1; q = 2", false), setB("r = 5; q = 20; p = 10", false);
    ASSERT_TRUE(setA.Compile() && setB.Compile());
    ASSERT_TRUE(Code_Execute(&a, &a, &setA, r));
    ASSERT_TRUE(Code_Execute(&b, &b, &setB, r));
    CCode code("q += 1; s = p * 100 + q; if (q > p) t = q; return s + t", false);
    ASSERT_TRUE(code.Compile());
    for (int round = 1; round <= 2; ++round) {
        ASSERT_TRUE(Code_Execute(&a, &a, &code, r)) << Error_Buffer();
        EXPECT_EQ(r.val, 100 + 2 * (2 + round));
        EXPECT_FALSE(Code_Execute(&none, &none, &code, r));
        EXPECT_NE(Error_Buffer().find("Unknown variable q"), std::string::npos) << Error_Buffer();
        ASSERT_TRUE(Code_Execute(&b, &b, &code, r)) << Error_Buffer();
        EXPECT_EQ(r.val, 1000 + 2 * (20 + round));
    }
    CCode declare("globalvar q, t;", false), own("return self.q", false);
    ASSERT_TRUE(declare.Compile() && own.Compile());
    ASSERT_TRUE(Code_Execute(&a, &a, &declare, r));
    ASSERT_TRUE(Code_Execute(&a, &a, &code, r)) << Error_Buffer();
    EXPECT_EQ(r.val, 101); // global q 0 + 1, and the global t is 0: q > p fails
    ASSERT_TRUE(Code_Execute(&b, &b, &code, r)) << Error_Buffer();
    EXPECT_EQ(r.val, 1002);
    ASSERT_TRUE(Code_Execute(&a, &a, &own, r));
    EXPECT_EQ(r.val, 4); // the instance's own q is untouched
}

// Strings grown in place by += and character positions over texts once known to be ASCII.
TEST_F(LangExecutor, GrowingStringsAndCharacterPositions) {
    Function_RegisterMath();
    struct Row {
        const char* text;
        const char* value;
    };
    const Row rows[] = {
        // The code result value and another variable keep the text they saw.
        {"var s, t; s = 'ab'; t = s; s += 'c'; u = s; s += 'd'; return t + u + s", "ababcabcd"},
        {"var s; s = 'ab'; s += s; s += s; return s", "abababab"},
        {"s = 'ab'; t = s; s += 'c'; u = s; s += 'd'; return t + u + self.s", "ababcabcd"},
        {"global.g = 'x'; global.g += 'y'; globalvar h; h = 'p'; h += 'q'; return global.g + h", "xypq"},
        {"a[3] = 'm'; a[3] += 'n'; other.a[3] += 'o'; return a[3]", "mno"},
        {"var s; s = 'w'; s[2] = 'x'; s[2] += 'y'; s += 'z'; return s[2] + s", "xywz"},
        // A text flagged ASCII by a position function, then grown with other characters.
        {"var s; s = 'ab'; string_length(s); s += '\xc3\xa9'; s += 'cd'; "
         "return string(string_length(s)) + string(string_pos('c', s)) + string_copy(s, 3, 2)",
         "54\xc3\xa9"
         "c"},
        {"var s; s = '\xc3\xa9'; t = string_copy(s + 'abc', 2, 9); return t + string(string_length(t))",
         "abc3"},
        {"return string_copy('abcdef', 5, 9) + string_copy('abc', 0, 2) + string_copy('abc', 7, 1)", "efab"},
        {"return string(string_pos('', 'abc')) + string(string_pos('d', 'abc'))", "00"},
    };
    for (const Row& r : rows) {
        RValue v;
        ASSERT_TRUE(Run(r.text, v)) << r.text << ": " << Error_Buffer();
        EXPECT_TRUE(v.IsString()) << r.text;
        EXPECT_EQ(v.str.view(), r.value) << r.text;
    }
    // The last statement's result value shares the grown string and sees it whole.
    RValue v;
    ASSERT_TRUE(Run("var s; s = 'a'; for (i = 0; i < 3; i += 1) s += 'b'", v));
    EXPECT_EQ(v.str.view(), "abbb");
}

// Code that would grow a string without end stops with the language's error at the longest string
// the language makes, before taking memory for a longer one. The work is bounded by what one string
// of that length costs (sanitizer builds make touching 1 GiB take seconds, so that is the measure).
TEST_F(LangExecutor, RunawayStringsStopWithAnError) {
    Function_RegisterMath();
    auto cpu = [] { return double(std::clock()) / CLOCKS_PER_SEC; };
    RValue v;
    double t0 = cpu();
    ASSERT_TRUE(Run("global.big = 1073741824 * 'x'; return string_length(global.big)", v)) << Error_Buffer();
    const double oneString = cpu() - t0;
    EXPECT_EQ(v.val, 1073741824.0);
    struct Row {
        const char* text;
        const char* message;
    };
    // Every way of joining strings, one byte past the limit: refused at once.
    const Row rows[] = {
        {"var s; s = global.big; s += 'y'", kStringTooLong},
        {"s = global.big; s += 'y'", kStringTooLong},
        {"global.big += 'y'", kStringTooLong},
        {"a[2] = global.big; a[2] += 'y'", kStringTooLong},
        {"var s; s = 'y'; s += global.big", kStringTooLong},
        {"s = 'y' + global.big", kStringTooLong},
        {"var n; n = 1073741825; s = n * 'x'", "String repetition is too long."},
        {"var n; n = 600000000; s = n * 'ab'", "String repetition is too long."},
    };
    for (const Row& r : rows) {
        t0 = cpu();
        EXPECT_FALSE(Run(r.text, v)) << r.text;
        EXPECT_LT(cpu() - t0, 0.5) << r.text;
        EXPECT_NE(Error_Buffer().find(r.message), std::string::npos) << r.text << "\n" << Error_Buffer();
        Error_Reset();
        self.i_vars.Clear();
    }
    RValue big;
    ASSERT_TRUE(Run("return string_length(global.big)", big));
    EXPECT_EQ(big.val, 1073741824.0) << "a refused append changed the string";
    Global_Reset();

    // Doubling without end stops after 30 doublings: no more work than one string of the limit,
    // its half and their copies.
    t0 = cpu();
    EXPECT_FALSE(Run("var s; s = 'x'; repeat (40) s += s; return string_length(s)", v));
    EXPECT_LT(cpu() - t0, 3 * oneString + 0.5);
    EXPECT_NE(Error_Buffer().find(kStringTooLong), std::string::npos) << Error_Buffer();
}

} // namespace
