// The lowered form against the tree walker: the compile fuzzer's corpus and a table of programs
// that reach every quick path (locals, argument slots, local arrays, compound assignments, loops,
// script calls) and its way out (strings, missing variables and elements, bad indices, errors at
// their positions) run both ways from the same start; results, outcomes and messages must agree.
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "functions/Function_Families.h"
#include "resources/Action_Class.h"
#include "resources/Script_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_Event.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Built-in variables of the tests: "bv" settable and held here, "bro" read-only, "bmiss" a getter
// that finds nothing, "bf" the instance's xstart with its field recorded (quick code reads the
// field, the tree walker calls the getter).
RValue g_builtinValue;

void AddTestBuiltins() {
    BuiltinVar_Add(
        "bv",
        [](CInstance*, int32_t, RValue& r) {
            r = g_builtinValue;
            return true;
        },
        [](CInstance*, int32_t, const RValue& v) {
            g_builtinValue = v;
            return true;
        },
        true);
    BuiltinVar_Add(
        "bro",
        [](CInstance*, int32_t, RValue& r) {
            r.SetReal(7);
            return true;
        },
        nullptr, false);
    BuiltinVar_Add(
        "bmiss", [](CInstance*, int32_t, RValue&) { return false; }, nullptr, false);
    const int bf = BuiltinVar_Add(
        "bf",
        [](CInstance* i, int32_t, RValue& r) {
            r.SetReal(i->i_xstart);
            return true;
        },
        [](CInstance* i, int32_t, const RValue& v) {
            i->i_xstart = v.val;
            return true;
        },
        true);
    BuiltinVar_SetField(bf, &CInstance::i_xstart);
}

struct ROutcome {
    bool compiled = false;
    bool ok = false;
    RValue result;
    std::string error;
    std::string vars; // the instance's variables afterwards
};

class LangLowered : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        Option_SetDefaults();
        opt_writeerrors = false;
        opt_displayerrors = false;
        Error_Reset();
        Function_ClearAll();
        Function_RegisterAll();
        Script_Clear();
        BuiltinVar_ClearAll();
        Code_AddArgumentVariables();
        AddTestBuiltins();
        const char* scripts[][2] = {
            {"add", "return argument0 + argument1"},
            {"fib", "if argument0 < 2 return argument0; return fib(argument0 - 1) + fib(argument0 - 2)"},
            {"bad", "return argument0 + qq"},
            {"arr", "return argument[1]"},
            {"setarg", "argument3 = 'w'; return argument0"},
            {"outer",
             "var r; r = add(argument1, argument0 * 10); return string(r) + ':' + string(argument0) + "
             "string(argument1) + string(argument_count) + string(argument[1])"},
            {"wr",
             "argument0 += 1; argument5 = 'x'; return string(argument0) + argument5 + string(argument6) + "
             "string(argument_count)"},
            {"chk", "var r; r = wr(argument0); return r + string(argument0) + string(argument5)"},
            {"down", "if argument_count < 2 return string(argument0) + string(argument1) + '.'; "
                     "return string(argument0) + down(argument1)"},
            {"ex",
             "return string(execute_string('return argument0 * 10 + argument1 + argument_count', 9)) + "
             "string(argument0) + string(argument1) + string(script_execute(add, argument1, argument0))"},
            {"peek",
             "return string(argument0) + string(argument1) + string(argument15) + string(argument_count)"},
            {"dn", "return add(argument0 - 1, argument0 / argument1)"},
            {"rec", "if argument0 < 1 return qq; return rec(argument0 - 1) + 1"},
            {"put", "p = argument0; return argument0"},
        };
        int k = 0;
        for (auto& [name, text] : scripts) {
            auto s = std::make_unique<CScript>();
            s->s_name = name;
            s->s_text = text;
            Script_Set(k++, std::move(s));
        }
        // Compiled once all exist, so that they can call each other.
        for (int i = 0; i < k; ++i) {
            CScript* s = Script_Get(i);
            s->s_code = std::make_unique<CCode>(s->s_text, false);
            ASSERT_TRUE(s->s_code->Compile()) << s->s_name << ": " << Error_Buffer();
        }
    }
    void TearDown() override {
        Code_SetTreeWalkerForTests(false);
        Script_Clear();
        Function_ClearAll();
        BuiltinVar_ClearAll();
        Error_Reset();
    }

    static std::string Describe(const CInstance& inst) {
        std::ostringstream s;
        for (int32_t k = 0; k < inst.i_vars.Count(); ++k) {
            const RVariable& v = inst.i_vars.At(k);
            s << v.ind << '='
              << (v.simplevalue.IsString() ? v.simplevalue.str.str() : std::to_string(v.simplevalue.val))
              << '/' << v.value.size() << ';';
        }
        return s.str();
    }

    // Compiles and runs text one way from a fresh start, twice over the same code (the second run
    // of a lowered code reuses its lowered form).
    static ROutcome RunOnce(const std::string& text, bool expression, bool tree) {
        Code_SetTreeWalkerForTests(tree);
        Global_Reset();
        g_builtinValue = RValue();
        Error_ClearFlag();
        ROutcome o;
        CCode code(text, expression);
        o.compiled = code.Compile();
        if (!o.compiled) {
            o.error = Error_Buffer();
            return o;
        }
        // other is an instance of its own, so that other.a and a name different variables.
        CInstance self, other;
        for (int run = 0; run < 2; ++run) {
            RValue result;
            o.ok = Code_Execute(&self, &other, &code, result);
            o.result = result;
            o.error += Error_Buffer() + "|";
        }
        o.vars = Describe(self) + " other: " + Describe(other);
        Error_ClearFlag();
        return o;
    }

    static void ExpectSame(const std::string& text, bool expression) {
        for (bool uninitZero : {false, true}) {
            opt_uninitzero = uninitZero;
            const ROutcome t = RunOnce(text, expression, true);
            const ROutcome l = RunOnce(text, expression, false);
            const std::string what = text + (uninitZero ? " (uninitialised read as 0)" : "");
            EXPECT_EQ(t.compiled, l.compiled) << what;
            EXPECT_EQ(t.ok, l.ok) << what;
            EXPECT_EQ(t.error, l.error) << what;
            EXPECT_EQ(t.result.kind, l.result.kind) << what;
            if (t.result.IsString())
                EXPECT_EQ(t.result.str.view(), l.result.str.view()) << what;
            else if (t.result.val == t.result.val)
                EXPECT_EQ(t.result.val, l.result.val) << what;
            EXPECT_EQ(t.vars, l.vars) << what;
        }
        opt_uninitzero = false;
    }
};

TEST_F(LangLowered, CorpusRunsAlikeBothWays) {
    const std::filesystem::path dir = std::filesystem::path(QV_SOURCE_DIR) / "fuzz" / "corpus" / "compile";
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (data.empty()) continue;
        ExpectSame(data.substr(1), data[0] & 1);
        ++seen;
    }
    EXPECT_GT(seen, 0) << dir;
}

TEST_F(LangLowered, QuickPathsAndTheirWayOut) {
    const char* programs[] = {
        // locals, loops and compound assignments
        "var i, s; s = 0; for (i = 0; i < 10; i += 1) s += i * 2 - 1; return s",
        "var i, s; i = 0; s = ''; while (i < 3) { s += string(i); i += 1 } return s",
        "var i; i = 0; do i += 0.5 until i >= 2; return i",
        "var n; n = 0; repeat (4) { n += 1; if n == 3 break } return n",
        "var n; n = 0; repeat ('x') n += 1; return n",
        "var x; x = 'a'; x += 'b'; x *= 2; return x",
        "var x; x = 3; x -= 'a'; return x",
        "var x; x = 7; x /= 0; return x",
        "var x; x = 6; x |= 1; x &= 5; x ^= 3; return x",
        "var x; x += 1; return x",
        "var x; return x + 1",
        "var x; if x return 1; return 2",
        "var x; x = 1; if (x < 2) return x; return 5",
        "var i; for (i = 0; add(i, 0) < add(3, 0); i += 1) {} return i",
        "var i; i = 0; while (add(i, 0) < add(3, 0)) i += 1; if (add(i, 1) > add(0, 3)) return i",
        "var x; if (x < 2) return x; return 5",
        "var x; x = 'a'; if (x < 2) return x; return 5",
        "var x; x = 'a'; if (x == 'a') return x; return 5",
        "var x; x = 'a'; if x return 1",
        "var x; x = 'a'; while (x) {}",
        "var x; x = 1; do {} until 'b'",
        "var x; x = 'a'; return x < 2",
        "var x, y; x = 5; y = x; y += 1; return x * 10 + y",
        "var x; x = 2; return x mod 0",
        "var x; x = 2; return x div 0 + 1",
        "var x; x = 1 / 3; return x == 0.333333333333333",
        "var x; x = -3; return -x + !x + ~x",
        // local arrays: one and two indices, growth, in place, missing elements, bad indices
        "var a, i; for (i = 0; i < 5; i += 1) a[i] = i * i; return a[4] + a[0] + a",
        "var g, i, j, s; for (i = 0; i < 4; i += 1) for (j = 0; j < 3; j += 1) g[i, j] = i * 10 + j; "
        "s = 0; for (i = 0; i < 4; i += 1) for (j = 0; j < 3; j += 1) s += g[i, j]; return s",
        "var a, i; i = 2; a[i] = 1; a[i] += 2; a[i] *= 'x'; return a[i]",
        "var a, i; i = 1; a[i] = 'p'; a[i] += 'q'; return a[i]",
        "var a, i; i = 3; return a[i]",
        "var a, i; a[0] = 1; i = 5; return a[i]",
        "var a, i; i = 5; a[i] += 1; return a[i]",
        "var a, i; i = -1; a[i] = 1",
        "var a, i; i = 32000; a[i] = 1",
        "var a, i; i = 1.5; a[i] = 1; return a[2]",
        "var a, i; i = 'k'; a[i] = 1",
        "var a, i, j; i = 1; j = 2; a[i, j] = 5; return a[i, j] + a[1, 2]",
        "var a, i; a[3] = 2; i = 3; return a[a[i]] + a[i - 1 + 1]",
        "var a; a = 4; a[0] += 1; return a",
        // elements as operands of operations, conditions, unary minus and compound assignments
        "var a, b, k; k = 2; a[k] = 1; b[k] = 1.5; a[k] += b[k]; a[k] *= a[k] - 1; return a[k] + -b[k]",
        "var a, k; k = 1; a[k] = 5; if (a[k] < 0 || a[k] > 4) a[k] = -a[k]; return a[k] * 2 + (a[k] > a[0])",
        "var a, k; k = 1; a[k] = 3; a[2] = 'x'; k = 2; if (a[1] > 2 || a[k] > 1) return 1",
        "var a, k; a[0] = 1; k = 4; if (a[k] < 0 || a[0] > 0) return 1; return 2",
        "var a, k; k = 1; a[k] = 'p'; a[k] = -a[k]",
        "var a, k; k = 1; a[k] = 2; a[k] += a[3]; return a[k]",
        "var a, b, k; k = 1; b[k] = 'q'; a[k] = 1; a[k] += b[k]; return a[k]",
        "var a, k; k = 3; a[k] -= 1; return a[k]",
        "var a, b, k; k = 4; a[k] = 1; a[k] += b[k]; return a[k]",
        "var a, b, k, m; k = 4; m = 0; a[k] = 1; b[m] = 2; a[k] -= b[k]; a[m] = 3; a[m] *= b[m]; return a[k] "
        "+ a[m]",
        "var a, k; k = 2; a[k] = !a[k] + (a[k] / 0); return a[k]",
        "var g, i, j; for (i = 3; i >= 0; i -= 1) for (j = 0; j <= i * 2; j += 1) g[i, j] = i + j; "
        "return g[3, 6] + g[0, 0] + g[1, 2]",
        "var g, i, j; i = 1; j = 3; g[i, j] = 1; i = 2; j = 0; g[i, j] = 4; return g[2, 3]",
        "var g, i, j; i = 2; j = 1; g[i, j] = 'x'; j = 0; g[i, j] = 1; return g[i, j] + g[1, 0]",
        "var s, k; s = 12345; for (k = 0; k < 3; k += 1) s = (s * 16807) mod 2147483647; "
        "return s + (7 div 2) + (-7 mod 3) + (7.5 mod 2) + (-7.5 div 2)",
        "var s; s = 5; return (s mod 0) + 1",
        "var s; s = 5; return s div 0",
        "var a, i; a[0] = 3; for (i = 0; i < a[0]; i += 1) a[i + 1] = i; return a[3]",
        "var i; for (i = 0; i < 3; i += 'a') {}",
        "var i, n; n = 0; for (i = 0; i < 3; i += 0.5) n += 1; return n",
        "var i, w; w = 'z'; for (i = 0; i <= w; i += 1) {}",
        // rows long enough to come from the large blocks, grown, freed and taken again
        "var a, g, i, j, s; for (i = 0; i < 700; i += 1) a[i] = i; for (i = 0; i < 3; i += 1) "
        "for (j = 0; j < 400; j += 1) g[i, j] = a[j] + i; a[650] = 'x'; a[650] += 'y'; s = 0; "
        "for (j = 600; j >= 0; j -= 1) s += a[j]; return s + g[2, 399] + g[1, 0] + real(a[650] == 'xy')",
        // counted loops: the counter changed in the body (past the bound, to a string), a counter
        // or bound that is no real or changes, a bound read from an argument or being the counter,
        // steps taken away and fractional, and every way out of the body
        "var i, n; n = 0; for (i = 0; i < 10; i += 1) { n += 1; if (i == 3) i = 7 } return n * 100 + i",
        "var i, n; n = 0; for (i = 0; i < 10; i += 1) { n += 1; if (i == 2) i = 'x' } return n",
        "var i; for (i = 'a'; i < 3; i += 1) {} return i",
        "var i, n; n = 0; for (i += 0; i < 3; i += 1) n += 1; return n",
        "var i, w; w = 3; for (i = 0; i < w; i += 1) { if (i == 1) w = 'z' } return i",
        "var i, w, n; n = 0; w = 5; for (i = 0; i <= w; i += 2) { w -= 1; n += i } return n * 10 + i",
        "var i, n; n = 0; for (i = 10; i > 0; i -= 3) n += i; return n * 100 + i",
        "var i, n; n = 0; for (i = 0; i != 1; i += 0.1) { n += 1; if (n > 20) break } return n",
        "var i, n; n = 0; for (i = 0; i <= i; i += 1) { n += 1; if (n > 3) break } return n",
        "var i, n; n = 0; for (i = 0; i < 10; i += 1) { if (i mod 2) continue; n += i; if (i > 6) exit } "
        "return n",
        "var i; for (i = 0; i < 5; i += 1) if (i == 3) return i * 10 + nosuch; return 1",
        "var i, s; s = ''; for (i = 3; i >= 1; i -= 1) s += string(i); return s",
        "var i; for (i = 0; i < 3; i -= -1) {} return i",
        "var i, j, n; n = 0; for (i = 0; i < 4; i += 1) for (j = i; j < 4; j += 1) n += 1; return n",
        "return execute_string(\"var i, n; n = 0; for (i = 0; i < argument0; i += 1) n += i; return n\", 5)",
        "return execute_string(\"var i; for (i = 0; i < argument0; i += 1) {} return i\", 'a')",
        // elements at two indices read from locals: written from an operation on two locals, read
        // into a local, grown in and out of order, element (0, 0) as the plain value, strings,
        // missing elements and bad indices
        "var g, i, j, s; for (i = 0; i < 3; i += 1) for (j = 0; j < 4; j += 1) g[i, j] = i * j + i; s = 0; "
        "for (i = 0; i < 3; i += 1) for (j = 0; j < 4; j += 1) s += g[i, j]; return s * 100 + g",
        "var g, i, j; i = 2; j = 5; g[i, j] = 1; j = 2; g[i, j] = 2; i = 0; j = 0; g[i, j] = 3; "
        "return g[2, 5] + g[2, 2] * 10 + g * 100 + g[2, 3] * 1000",
        "var g, i, j; for (j = 5; j >= 0; j -= 1) g[1, j] = j; i = 1; for (j = 6; j < 40; j += 1) "
        "g[i, j] = i * j; i = 3; j = 2; g[i, j] = i + j; return g[1, 39] + g[1, 0] + g[3, 2] + g[3, 0]",
        "var g, i, j, s; i = 1; j = 1; s = 0; s += g[i, j]; return s",
        "var g, i, j, s; g[1, 0] = 1; i = 1; j = 1; s = 0; s += g[i, j]; return s",
        "var g, i, j, s; i = 1; j = 2; g[i, j] = 'a'; s = 'b'; s += g[i, j]; g[i, j] += s; return g[i, j]",
        "var g, i, j, s; i = 1; j = 2; g[i, j] = 4; s = 'b'; s += g[i, j]",
        "var g, i, j, s; g[1, 1] = 2; i = 1; j = 1; s = 3; s -= g[i, j]; s /= g[i, j]; s *= g[i, j]; return "
        "s",
        "var g, i, j; i = 1; j = 2; g[i, j] = 'x'; g[i, j] = i - j; g[i, j] *= j / i; return g[i, j]",
        "var g, i, j; i = 1; j = 0; g[i, j] = i / j",
        "var g, i, j; i = 3; j = 2; g[i, j] = (i mod j) + (i div j) * 10 + (i < j) * 100; g[j, i] = i | j; "
        "g[j, j] = i < j; return g[i, j] + g[j, i] * 1000 + g[j, j]",
        "var g, i, j; i = 'a'; j = 2; g[i, j] = i * j",
        "var g, i, j; i = 1; j = 'b'; g[j, i] = i + j",
        "var g, i, j; i = 2; j = 'b'; g[i, i] = i + j; return g[i, i]",
        "var g, i, j; i = 1; j = -1; g[i, j] = 1",
        "var g, i, j; i = 32000; j = 0; g[i, j] = 1",
        "var g, i, j; i = 1; j = 32000; g[i, j] += 1",
        "var g, i, j; i = 0.5; j = 1.5; g[i, j] = 7; return g[0, 2] + g[1, 2]",
        "var g, i, j, s; i = -0; j = -0; g[i, j] = 7; s = 1; s += g[i, j]; i = 1; g[i, j] = 8; return g * 10 "
        "+ "
        "g[1, 0] + s",
        // instance and global variables next to locals
        "x = 1; var y; y = 2; x += y; return x",
        "globalvar g; g = 2; var l; l = g * 3; return l + global.g",
        "q += 1",
        "return nosuch",
        // plain variables of self: reads, assignments, compound assignments, conditions
        "a = 5; b = 2; if (a > b) a -= b; a += 640; if (a > 640) a -= 640; return a * 10 + b",
        "a = 1; a += 2; a *= 'x'; return a",
        "a = 'p'; a += 'q'; if a == 'pq' return a + 'r'",
        "a = 7; a /= 0; return a",
        "a = 6; a |= 1; a = a + a; return a",
        "if (nosuch > 1) return 1",
        "return 3 < nosuch",
        "a = 1; if (a) a = 'z'; if (a) return 2",
        "self.a = 3; self.a += 1; if (self.a >= 4) return self.a + a",
        "a = 1; b = a; b -= 0.5; return (a - b) + (b < a)",
        // plain variables of other and of the global list, other changing inside a with, and a
        // globalvar declared while running, which shadows only the unqualified name
        "other.a = 2; other.a += 3; global.g = 1; global.g += other.a; if (other.a > 4) other.a -= global.g; "
        "return other.a * 10 + global.g",
        "a = 1; other.a = 2; with (other) { other.a += 10; a += 100; if (other.a > 5) a -= other.a } "
        "return a * 1000 + other.a",
        "other.a += 1",
        "return global.nosuch + 1",
        "global.q = 'x'; global.q += 1",
        "global.q = 'x'; global.q += 'y'; other.s = global.q; other.s += other.s; return other.s",
        "other.a = 1; globalvar a; a = 5; a += other.a; other.a += a; return a * 10 + other.a + global.a",
        "global.a = 3; a = 4; globalvar a; a += 1; return a * 10 + global.a + self.a",
        // a globalvar declared while running shadows the instance's own variable from then on
        "a = 1; a += 1; globalvar a; a += 5; if (a > 4) return a * 10 + self.a",
        "a = 2; if (a == 2) { globalvar a; a = 3 } a += 1; return a + self.a * 100",
        // arrays of self at an index read from a local: reads, assignments, compound assignments,
        // conditions, missing elements, strings, bad indices, element 0 as the plain value and a
        // globalvar declared while running that shadows the array from then on
        "var k, s; for (k = 0; k < 5; k += 1) { qx[k] = k * 2; qv[k] = 1 } for (k = 0; k < 5; k += 1) { "
        "qx[k] += qv[k]; qx[k] *= qx[k] - qv[k]; if (qx[k] < 2 || qx[k] > 40) qv[k] = -qv[k]; } s = 0; "
        "for (k = 0; k < 5; k += 1) s += qx[k] * qv[k]; return s + qx",
        "var k; k = 3; qx[k] += 1; return qx[k]",
        "var k, m; k = 1; m = 2; qx[k] = 1; qv[m] = 3; qv[k] = 'z'; qx[k] += qv[m]; qx[k] *= qv[k]; return "
        "qx[k]",
        "var k; k = 4; qx[k] = 1; qx[k] += qv[k]; return qx[k]",
        "var k; k = 3; qx[1] = 2; return qx[k] + 1",
        "var k; k = 1; qx[k] = 'p'; qx[k] += 'q'; if (qx[k] == 'pq') qx[k] += 1; return qx[k]",
        "var k; k = 1; qx[k] = 2; globalvar qx; qx[k] = 5; qx[k] += 1; return qx[k] * 10 + self.qx[k]",
        "var k; k = 2; self.qx[k] = 4; qx[k] -= self.qx[k] / 8; if (qx[k] < 0 || qx[k] > 1) qx[k] = -qx[k]; "
        "return qx[k]",
        "var k; k = -1; qx[k] = 1",
        "var k; k = 32000; qx[k] += 1",
        "var k; k = 'a'; qx[k] = 1",
        "var k; k = 1.5; qx[k] = 3; return qx[2]",
        "var k; k = 0; qx = 7; qx[k] += 1; return qx",
        "var k; qx[k] = 1; return qx",
        "var k, v; k = 1; qx[k] = 4; v = qx[k]; v += qx[k]; qx[k] /= 0; return v",
        "var k; k = 1; qx[k] = 2; qx[k] = bv; qx[k] += bmiss; return qx[k]",
        // the same for arrays of other and of the global list
        "var k; k = 1; global.qg[k] = 2; global.qg[k] += 3; global.qg[k] *= global.qg[k]; if (global.qg[k] < "
        "0 "
        "|| global.qg[k] > 20) global.qg[k] = -global.qg[k]; return global.qg[k] + global.qg",
        "var k; k = 2; other.qx[k] = 3; other.qx[k] -= qx[k] / 2; if (other.qx[k] > 1) return self.qx[k] * "
        "10",
        "var k; k = 1; global.qg[k] = 'a'; global.qg[k] += 1",
        "var k; k = 5; return global.qg[k]",
        "var k; k = 1; globalvar qg; qg[k] = 4; global.qg[k] += qg[k]; qx[k] = global.qg[k]; return qx[k]",
        // built-in variables of self
        "bv = 3; bv += 2; if (bv > 4) bv -= 1; bv = bv * 2; return bv",
        "bv = 'w'; bv += 1; return bv",
        "bv = 'w'; bv += 'v'; if (bv == 'wv') return bv",
        "bv = 2; bv /= 0; return bv",
        "bv = 1; if (bv < bro) return bro * 2 + (bro < bv)",
        "bro = 1",
        "bro += 1",
        "var l; l = 2; bro = l",
        "return bmiss + 1",
        "if (bmiss > 0) return 1",
        "bv = bmiss",
        "bmiss += 1",
        "bf = 3; bf += 2; if (bf > 4) bf -= 1; bf = bf * 2; var l; l = bf; l -= bf / 4; return l + (bf < "
        "bro)",
        "bf = 'w'; bf += 1; if (bf < 0 || bf > 1) return bf + 10; return bf",
        "bf = 1; bf *= 'x'; return bf",
        "a = 4; bf = a; bf += a; a -= bf; return a * 100 + bf",
        "bf = 3; a = -bf + bf * 2 - !bf; if (bf * 2 > a) return a + bf / 2; return 0",
        // script calls: arguments, results, errors inside and the argument-count check
        "var i, s; s = 0; for (i = 0; i < 12; i += 1) s += fib(i); return s",
        "return add(1, 2) * add('a', 'b')",
        "return add(1)",
        "return add(1, 2, 3)",
        "return bad(1)",
        "var x; x = arr(1, 'z'); return x",
        "return arr(1)",
        "var x; x = setarg(4, 5, 6, 7); return x",
        "return string_length('abc') + real('4')",
        // an argument computed straight into the callee's slot, and its way out (strings, division
        // by 0); errors deep in a recursion, prefixed once per level
        "return dn(5, 2)",
        "return dn('a', 2)",
        "return dn(5, 0)",
        "return rec(3)",
        "return rec('a')",
        // a return of an operation on two calls, computed into the result: strings, errors
        "return add('a', 'b') + add('c', 'd')",
        "return add(1, 2) + add('c', 'd')",
        "return add(1, 2) + bad(1)",
        "return add(7, 2) - add(1, 1)",
        // accepted argument counts: exactly, at least
        "return add()",
        "return arr(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)",
        // nested control
        "var i, j, s; s = 0; for (i = 0; i < 5; i += 1) { if i == 1 continue; for (j = 0; j < 5; j += 1) { "
        "if j == 3 break; s += j } } return s",
        "var i; for (i = 0; i < 3; i += 1) { if i == 2 exit } return 9",
        "var s; s = 0; switch (2) { case 1: s = 1; case 2: s += 2; default: s += 3 } return s",
        "with (self) { var k; k = 1 } return 3",
    };
    for (const char* p : programs) ExpectSame(p, false);
    const char* expressions[] = {"1 + 2 * 3",     "'a' + 'b'",  "fib(10) + add(2, 3)",
                                 "argument0 + 1", "nosuch * 2", "-'a'"};
    for (const char* e : expressions) ExpectSame(e, true);
}

TEST_F(LangLowered, ComparisonsAgreeOnEveryOperatorPlaceAndKind) {
    // Every comparison operator between pairs of values (reals at and just past the tolerance,
    // infinity and NaN, equal and unequal strings, a real against a string either way), each
    // comparison sitting where a handler fixed on its operator takes it: an if, an if returning,
    // a for and a while condition, a computed operand, operands read from an argument slot, a
    // variable of self and an element of a local array, and range tests joined by || and &&.
    const char* ops[] = {"<", "<=", "==", "!=", ">=", ">", "="};
    const char* ordering[] = {"<", "<=", ">=", ">"};
    const char* pairs[][2] = {
        {"0", "0.0000000000001"},
        {"0", "0.0000000000002"},
        {"0.0000000000001", "0"},
        {"3", "3"},
        {"big", "big"},
        {"big", "0"},
        {"big - big", "1"},
        {"'a'", "'b'"},
        {"'b'", "'b'"},
        {"1", "'a'"},
        {"'a'", "1"},
    };
    // big is infinite; big - big is NaN.
    const std::string head = "var big, i, n, u, w, a, k; big = 10; for (i = 0; i < 10; i += 1) big *= big; ";
    const char* places[] = {
        "u = L; w = R; if (u OP w) return 1; return 0",
        "u = L; if (u OP R) return u; return 2",
        "n = 0; for (u = L; u OP R; u += 1) { n += 1; if (n > 2) break } return n",
        "u = L; w = R; n = 0; while (u OP w) { n += 1; if (n > 2) break } return n",
        "k = 1; a[k] = L; return (a[k] OP R) * 10 + (R OP a[k])",
        "k = 1; a[k] = L; if (a[k] OP R) a[k] = -a[k]; return a[k]",
        "return execute_string(\"if (argument0 OP argument1) return 1; return 2\", L, R)",
        "s = L; if (s OP R) return 1; t = R; while (s OP t) return 2; return 3",
        "k = 1; e[k] = L; if (e[k] OP R) e[k] = -e[k]; return (e[k] OP R) * 10 + (e[k] > 0)",
    };
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    for (const char* place : places)
        for (const char* op : ops)
            for (const auto& pair : pairs)
                ExpectSame(head + replace(replace(replace(place, "OP", op), "L", pair[0]), "R", pair[1]),
                           false);
    // Range tests: one operand against two constants, by || and &&, on an element of a local
    // array, on a variable of self and on a built-in variable read from its field; the operand
    // missing, a string, or a real past either end.
    const char* values[] = {"-1", "0", "5", "10", "11", "big", "big - big", "'m'"};
    const char* ranges[] = {
        "k = 2; a[k] = V; if (a[k] OP1 0 || a[k] OP2 10) return 1; return 0",
        "k = 2; a[k] = V; if (a[k] OP1 0 && a[k] OP2 10) return 1 else return 0",
        "k = 2; a[3] = V; if (a[k] OP1 0 || a[k] OP2 10) return 1; return 0",
        "s = V; if (s OP1 0 || s OP2 10) s = 1; if (self.s OP1 0 && self.s OP2 10) return s + 2",
        "k = 2; e[k] = V; if (e[k] OP1 0 || e[k] OP2 10) e[k] = 5; if (e[k] OP1 0 && e[k] OP2 9) return 2",
        "k = 2; global.e[k] = V; if (global.e[k] OP1 0 || global.e[k] OP2 10) return 1; return other.e[k]",
        "bf = V; if (bf OP1 0 || bf OP2 10) bf -= 1; if (bf OP1 0 && self.bf OP2 10) return bf + 2",
    };
    for (const char* range : ranges)
        for (const char* op1 : ordering)
            for (const char* op2 : ordering)
                for (const char* value : values)
                    ExpectSame(head + replace(replace(replace(range, "OP1", op1), "OP2", op2), "V", value),
                               false);
}

TEST_F(LangLowered, SelfVariablesAreFoundWhereEachInstanceKeepsThem) {
    // One code run in turn for instances whose variables were made in different orders, for one
    // without them and for one given more by name while running: where the variable was found
    // for one instance must not be taken for another's.
    const char* setups[] = {"a = 1; b = 2", "q = 0; b = 20; a = 10", "", "z = 5; b = 'x'; a = 'y'"};
    const char* program = "a += b; b = a * 2; if (a > 5 && a < 100) variable_local_set('n' + string(a), a); "
                          "a -= 0; return a + b";
    auto run = [&](bool tree) {
        Code_SetTreeWalkerForTests(tree);
        Global_Reset();
        std::vector<std::string> out;
        CInstance insts[std::size(setups)];
        for (size_t k = 0; k < std::size(setups); ++k) {
            CCode setup(setups[k], false);
            EXPECT_TRUE(setup.Compile()) << setups[k];
            RValue r;
            EXPECT_TRUE(Code_Execute(&insts[k], &insts[k], &setup, r)) << Error_Buffer();
        }
        CCode code(program, false);
        EXPECT_TRUE(code.Compile()) << Error_Buffer();
        for (int round = 0; round < 3; ++round)
            for (CInstance& inst : insts) {
                RValue r;
                const bool ok = Code_Execute(&inst, &inst, &code, r);
                out.push_back(std::to_string(ok) + " " + Error_Buffer() + " " +
                              (r.IsString() ? r.str.str() : std::to_string(r.val)) + " " + Describe(inst));
                Error_ClearFlag();
            }
        return out;
    };
    for (bool uninitZero : {false, true}) {
        opt_uninitzero = uninitZero;
        EXPECT_EQ(run(true), run(false)) << "uninitialised read as 0: " << uninitZero;
    }
    opt_uninitzero = false;
}

TEST_F(LangLowered, BothSidesOfOrAndAndAreEvaluated) {
    // || and && evaluate both operands, also when the left one decides: an error or a script
    // call on the right side happens all the same.
    const char* programs[] = {
        "var a, k; k = 1; a[k] = -5; if (a[k] < 0 || a[k] > 'x') return 1; return 0",
        "var a, k; k = 1; a[k] = -5; if (a[k] < 0 || a[k + 1] > 10) return 1; return 0",
        "var a, k; k = 1; a[k] = 5; if (a[k] < 0 && nosuch > 10) return 1; return 0",
        "var a, k; k = 1; a[k] = -5; if (a[k] < 0 || put(3) > 10) return 1; return 0",
        "var a, k; k = 1; a[k] = 5; if (a[k] < 0 && put(4) > 10) return 1; return p",
        "s = -1; if (s < 0 || s > w) return 1; return 0",
        "var u; u = 1; while (u < 0 || put(u) > 5) {} return p",
    };
    for (const char* p : programs) ExpectSame(p, false);
    // The call on the right ran although the left side had decided.
    const ROutcome o = RunOnce(programs[4], false, false);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.result.val, 4);
}

TEST_F(LangLowered, ScriptCallsSeeTheirOwnArguments) {
    // Without the argument-count check, so that scripts may be called with fewer arguments.
    opt_checkargs = false;
    struct Case {
        const char* text;
        const char* want; // nullptr: the run fails
    };
    const Case cases[] = {
        {"return outer(1, 2)", "12:1222"},     // the caller's arguments and count after a nested call
        {"return chk(7)", "8x0170"},           // writes inside the callee stay in its frame
        {"return down(3, 4)", "340."},         // calling itself with fewer arguments
        {"return down(down(1), 2)", "10.20."}, // a call inside the arguments of a call
        {"return ex(5, 6)", "925611"},         // executed text and script_execute inside a script
        {"return add(5, nosuch)", nullptr},    // an error while the arguments are evaluated
        {"return outer(1, bad(2))", nullptr},  // an error inside a callee among the arguments
        {"return peek()", "0000"},             // frames are empty again after the failures
        {"return peek(1, 2) + peek(3)", "12023001"},
    };
    for (bool tree : {true, false})
        for (const Case& c : cases) {
            const ROutcome o = RunOnce(c.text, false, tree);
            ASSERT_TRUE(o.compiled) << c.text << ": " << o.error;
            EXPECT_EQ(o.ok, c.want != nullptr) << c.text << ": " << o.error;
            if (c.want)
                EXPECT_EQ(o.result.str.view(), std::string_view(c.want)) << c.text << (tree ? " (tree)" : "");
        }
    for (const Case& c : cases) ExpectSame(c.text, false);
    opt_checkargs = true;
    for (const Case& c : cases) ExpectSame(c.text, false);
}

// Scripts of a guard on an argument and a return run as one handler; arguments that are an
// argument slot plus a constant are computed in the call; a call remembers its callee. Every
// comparison, returned place and kind of return, with reals, strings, errors and argument counts
// the callee does not accept, must give what the tree walker gives.
TEST_F(LangLowered, GuardedScriptsRunAlikeBothWays) {
    const char* ops[] = {"<", "<=", "==", "!=", ">=", ">"};
    const char* returned[] = {"argument1", "7", "'s'"};
    // {0} is the script's name; every recursion steps argument0 down to the guard at 1.
    const char* finals[] = {"{0}(argument0 - 1, argument1) + {0}(argument0 - 1, argument1)",
                            "{0}(argument0 - 1, argument1) - {0}(argument0 - 1, 1)",
                            "{0}(argument0 - 1, argument1 + 1) * 2", "argument1"};
    const char* calls[] = {"return {0}(4, 2)",
                           "return {0}(4, 'x')",
                           "return {0}(2, 1)",
                           "return {0}('a', 1)",
                           "return {0}(4)",
                           "return {0}(4, 1, 2)",
                           "var n; n = 3; return {0}(n + 1, n) + {0}(n - 1, -n)"};
    auto fill = [](std::string text, const std::string& name) {
        for (size_t at; (at = text.find("{0}")) != std::string::npos;) text.replace(at, 3, name);
        return text;
    };
    int index = Script_Count();
    for (const char* op : ops)
        for (const char* r : returned)
            for (const char* f : finals) {
                const std::string name = "g" + std::to_string(index);
                auto s = std::make_unique<CScript>();
                s->s_name = name;
                s->s_text =
                    fill(std::string("if argument0 ") + op + " 1 return " + r + "; return " + f, name);
                CScript* script = s.get();
                Script_Set(index++, std::move(s)); // in the table first: it calls itself by name
                ASSERT_TRUE(script->Compile()) << script->s_text;
                for (bool check : {true, false}) {
                    opt_checkargs = check;
                    for (const char* call : calls) ExpectSame(fill(call, name), false);
                }
            }
    opt_checkargs = true;
}

// Runaway recursion through a guarded script ends in the nesting error, each level prefixing the
// message once, on the general way (the first run) and through the remembered callee alike; the
// frames are clean afterwards.
TEST_F(LangLowered, GuardedRecursionEndsInTheNestingError) {
    auto s = std::make_unique<CScript>();
    s->s_name = "deep";
    s->s_text = "if argument0 < 0 return 0; return deep(argument0 + 1) + 1";
    CScript* script = s.get();
    Script_Set(Script_Count(), std::move(s));
    ASSERT_TRUE(script->Compile());
    const ROutcome o = RunOnce("return deep(1)", false, false);
    EXPECT_FALSE(o.ok);
    std::string_view errors = o.error; // both runs' messages, each followed by '|'
    for (int run = 0; run < 2; ++run) {
        std::string_view e = errors.substr(0, errors.find('|'));
        errors.remove_prefix(e.size() + 1);
        int levels = 0;
        for (; e.starts_with("In script deep:\r"); e.remove_prefix(16)) ++levels;
        EXPECT_GT(levels, 1000);
        EXPECT_TRUE(e.starts_with("Error in code at line 1:")) << e;
        EXPECT_TRUE(e.ends_with(kMessageRunsTooDeep)) << e;
    }
    const ROutcome after = RunOnce("return deep(-5) + argument0 + argument1", false, false);
    ASSERT_TRUE(after.ok) << after.error;
    EXPECT_EQ(after.result.val, 0);
}

// A script replaced while calls into it are remembered (here in the middle of a recursion, by
// a function of the test) is the new script on the next call.
void F_SwapLeaf(CInstance*, CInstance*, int, RValue&, RValue*) {
    const int index = Script_Find("leaf");
    auto s = std::make_unique<CScript>();
    s->s_name = "leaf";
    s->s_text = Script_Get(index)->Text() == "return argument0 + 1" ? "return argument0 * 100"
                                                                    : "return argument0 + 1";
    s->Compile();
    Script_Set(index, std::move(s));
}

TEST_F(LangLowered, ScriptReplacedDuringARecursionIsCalledAnew) {
    Function_Add("swapleaf", F_SwapLeaf, 0);
    const char* scripts[][2] = {
        {"leaf", "return argument0 + 1"},
        {"walk", "var r; if argument0 < 1 return leaf(0); r = leaf(argument0); if argument0 == 2 swapleaf(); "
                 "return walk(argument0 - 1) + r"},
    };
    int index = Script_Count();
    for (auto& [name, text] : scripts) {
        auto s = std::make_unique<CScript>();
        s->s_name = name;
        s->s_text = text;
        Script_Set(index++, std::move(s));
    }
    for (int i = index - 2; i < index; ++i) ASSERT_TRUE(Script_Get(i)->Compile());
    // walk(4): leaf(4), leaf(3) and leaf(2) before the swap (5 + 4 + 3), leaf(1) and leaf(0) after
    // it (100 + 0); the code swaps back, so that every run starts alike.
    const char* text = "var r; r = walk(4); swapleaf(); return r";
    for (bool tree : {true, false})
        for (int run = 0; run < 2; ++run) {
            const ROutcome o = RunOnce(text, false, tree);
            ASSERT_TRUE(o.ok) << o.error;
            EXPECT_EQ(o.result.val, 112) << (tree ? "tree" : "lowered");
        }
}

TEST_F(LangLowered, CodeActionWithArgumentsLeavesNoSlotBehind) {
    // A code action with one argument writes a slot above its own and the caller's arguments;
    // afterwards that slot must read real 0 again, as every slot from arg_high on does.
    CAction act(kActionCode);
    act.act_exetype = 2;
    act.act_argumentcount = 1;
    act.act_argtype[0] = -1;
    act.act_argvalue[0].SetReal(4);
    act.act_codecode = std::make_unique<CCode>("argument9 = argument0 + 1", false);
    ASSERT_TRUE(act.act_codecode->Compile()) << Error_Buffer();
    CInstance self;
    RValue result;
    const int high = arg_high;
    Event_ExecuteAction(&self, &self, act, result);
    EXPECT_EQ(arg_high, high);
    EXPECT_EQ(arg_slots[0].kind, RValue::kReal);
    EXPECT_EQ(arg_slots[0].val, 0);
    EXPECT_EQ(arg_slots[9].kind, RValue::kReal);
    EXPECT_EQ(arg_slots[9].val, 0);
    const ROutcome o = RunOnce("return argument9", false, false);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.result.val, 0);
}

TEST_F(LangLowered, CodeTooLargeToLowerRunsTheSame) {
    // 100,000 statements of three nodes: past the size the executor lowers.
    std::string text = "var a; a = 0; ";
    for (int k = 0; k < 100000; ++k) text += k % 2 ? "a += 3; " : "a -= 1; ";
    text += "return a";
    ExpectSame(text, false);
    CCode code(text, false);
    ASSERT_TRUE(code.Compile());
    CInstance self;
    RValue result;
    ASSERT_TRUE(Code_Execute(&self, &self, &code, result)) << Error_Buffer();
    EXPECT_EQ(result.val, 100000);
}

} // namespace
