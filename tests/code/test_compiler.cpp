// The lexer and the compiler: token symbols, texts and positions; number values; every compile
// message at its position; the tree shapes the post pass produces; the nesting limits.
#include "code/Code_Error.h"
#include "code/Code_Exec.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "resources/Script_Main.h"
#include "run/Instance_Class.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

void F_Nothing(CInstance*, CInstance*, int, RValue&, RValue*) {}

class LangCompiler : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QUARVEL_HEADLESS", "1", 1);
        Option_SetDefaults();
        Error_Reset();
        Function_ClearAll();
        Script_Clear();
        BuiltinVar_ClearAll();
        Code_AddArgumentVariables();
        Function_Add("f0", F_Nothing, 0);
        Function_Add("f2", F_Nothing, 2);
        Function_Add("fany", F_Nothing, kAnyArgCount);
    }
    void TearDown() override {
        Function_ClearAll();
        BuiltinVar_ClearAll();
        Error_Reset();
    }
};

std::vector<int> Symbols(const RTokenList1& t) {
    std::vector<int> s;
    for (const RToken1& k : t) s.push_back(k.symbol);
    return s;
}

// A compact form of a tree for comparing shapes: kind:ind[children].
std::string Dump(const RToken& n) {
    std::string s = std::to_string(n.kind) + ":" + std::to_string(n.ind);
    if (n.kind == kNodeFixedVariable) s += "@" + std::to_string(n.ind2);
    if (n.kind == kNodeConstant)
        s += n.value->IsString() ? "'" + n.value->str.str() + "'" : "=" + std::to_string(n.value->val);
    if (!n.items.empty()) {
        s += "[";
        for (const RToken& c : n.items) s += Dump(c) + " ";
        s += "]";
    }
    return s;
}

TEST_F(LangCompiler, LexerSymbolsTextsAndPositions) {
    struct Row {
        const char* text;
        std::vector<int> symbols;
        std::vector<std::string> texts; // of the tokens before the end, when given
    };
    const Row rows[] = {
        {"a:=b", {0, 101, 0, -2}, {"a", ":=", "b"}},
        {"a=b", {0, 101, 0, -2}, {}},
        {"x<>y", {0, 207, 0, -2}, {}},
        {"x< >y", {0, 204, 209, 0, -2}, {}},
        {"$1F", {1, -2}, {"$1F"}},
        {"$1G", {1, 0, -2}, {"$1", "G"}},
        {"$", {1, -2}, {"$"}},
        {".5", {1, -2}, {".5"}},
        {"a.b", {0, 112, 0, -2}, {}},
        {"5.x", {1, 0, -2}, {"5.", "x"}},
        {"1.2.3", {1, -2}, {"1.2.3"}},
        {"2abc", {1, 0, -2}, {"2", "abc"}},
        {"\"it's\"", {2, -2}, {"it's"}},
        {"'say \"hi\"'", {2, -2}, {"say \"hi\""}},
        {"'a\nb'", {2, -2}, {"a\nb"}},
        {"/*/ x = 1;", {0, 101, 1, 108, -2}, {}},
        {"x /* open", {0, -2}, {}},
        {"x // note", {0, -2}, {}},
        {"x // note\ny", {0, 0, -2}, {}},
        {"While while IF if", {0, 16, 0, 13, -2}, {}},
        {"begin end { } and or not div mod xor var globalvar",
         {11, 12, 11, 12, 201, 202, 203, 214, 215, 216, 29, 30, -2},
         {}},
        {"&& || ! ^^ < <= == != >= > + - * / | & ^ ~ << >>",
         {201, 202, 203, 216, 204, 205, 206, 207, 208, 209, 210,
          211, 212, 213, 217, 218, 219, 220, 221, 222, -2},
         {}},
        {"+= -= *= /= |= &= ^= ( ) ; , [ ] . :",
         {102, 103, 104, 105, 114, 115, 116, 106, 107, 108, 109, 110, 111, 112, 113, -2},
         {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        RTokenList1 t;
        ASSERT_TRUE(Code_Lex(nullptr, r.text, t));
        EXPECT_EQ(Symbols(t), r.symbols);
        for (size_t k = 0; k < r.texts.size(); ++k) EXPECT_EQ(t[k].str, r.texts[k]);
    }

    RTokenList1 t;
    ASSERT_TRUE(Code_Lex(nullptr, "  ab\t\"s\" // c", t));
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].position, 3);
    EXPECT_EQ(t[1].position, 6);  // the opening quote
    EXPECT_EQ(t[2].position, 17); // end of the text padded with three spaces

    CCode code("x = 1 # 2", false);
    EXPECT_FALSE(Code_Lex(&code, code.i_str, t));
    EXPECT_EQ(t.back().symbol, kSymUnknown);
    EXPECT_EQ(t.back().position, 7);
    EXPECT_NE(Error_Buffer().find("at position 7: Unexpected symbol."), std::string::npos);
}

TEST_F(LangCompiler, NumberAndStringValues) {
    struct Row {
        const char* text;
        double value;
    };
    // Numbers are the nearest double to what they write (0.3 is the 0.3 of every other program),
    // also where digit-by-digit sums drift or overflow.
    const std::string huge = "1" + std::string(400, '0'), tiny = "0." + std::string(400, '0') + "1";
    const Row rows[] = {
        {"1.2.3", 1.23},
        {"0.3", 0.3},
        {"0.1", 0.1},
        {"123456789.123456789", 123456789.123456789},
        {"0.1234567890123456789", 0.1234567890123456789},
        {"9007199254740993", 9007199254740992.0},
        {"$ff", 255},
        {"$1F", 31},
        {"$FFFFFFFFFFFFFFFFF", 295147905179352825856.0},
        {"$", 0},
        {".5", 0.5},
        {"5.", 5},
        {"12", 12},
        {huge.c_str(), HUGE_VAL},
        {tiny.c_str(), 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        CCode code(r.text, true);
        ASSERT_TRUE(code.Compile());
        EXPECT_EQ(code.i_kind, CCode::kConstant);
        EXPECT_EQ(code.i_value.val, r.value);
    }
    CCode s("'a' + \"b\"", true);
    ASSERT_TRUE(s.Compile());
    EXPECT_EQ(s.i_value.str.view(), "ab");
}

TEST_F(LangCompiler, CompileMessagesAtTheirPositions) {
    struct Row {
        std::string text;
        bool expression;
        int position; // as the error text shows it (end-of-text errors show the last character)
        std::string message;
    };
    const Row rows[] = {
        {"x = 1 # 2", false, 7, "Unexpected symbol."},
        {"x = foo(1)", false, 5, "Unknown function or script: foo"},
        {"f2(1,2,3)", false, 9, "Wrong number of arguments to function or script."},
        {"f0(1)", false, 5, "Wrong number of arguments to function or script."},
        {"fany(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)", false, 47,
         "Wrong number of arguments to function or script."},
        {"f2(1 2)", false, 6, "Symbol , or ) expected."},
        {"f2(1,", false, 5, "Symbol ) expected."},
        {"x = (1 + 2", false, 10, "Symbol ) expected."},
        {"x = other.f0()", false, 11, "Variable name expected."},
        {"5 = 1", false, 1, "Variable name expected."},
        {"a[1 2] = 0", false, 5, "Symbol , or ] expected."},
        {"a[1", false, 3, "Symbol ] expected."},
        {"a[1,2,3] = 0", false, 1, "Only 1- and 2-dimensional arrays are supported."},
        {"x = )", false, 5, "Unexpected symbol in expression."},
        {"var x = 5;", false, 7, "Unexpected symbol in expression."},
        {"x + 1", false, 3, "Assignment operator expected."},
        {"var argument0", false, 5, "Cannot redeclare a builtin variable."},
        {"globalvar a, argument", false, 14, "Cannot redeclare a builtin variable."},
        {"switch (x) { case 1 x = 1 }", false, 21, "Symbol : expected."},
        {"default x = 1", false, 9, "Symbol : expected."},
        {"switch (x) x = 1", false, 12, "Symbol { expected."},
        {"switch (x) { x = 1", false, 18, "Symbol } expected."},
        {"{ x = 1", false, 7, "Symbol } expected."},
        {"do x = 1 while (0)", false, 10, "Keyword until expected."},
        {"if (x)", false, 6, "Unexpected end of code reached."},
        {"{ x = 1 } y = 2", false, 11, "Program ends before end of the code."},
        {"'a'.x = 1", false, 1, "Left hand side must be a real value."},
        {"for x = 1", false, 5, "Symbol ( expected."},
        {"for (i = 0; i < 1; i += 1 x = 1", false, 27, "Symbol ) expected."},
        {"z = 1 / 0", false, 9, "Division by 0."},
        {"z = 5 mod 0", false, 11, "Modulo by 0."},
        {"z = -'a'", false, 6, "Wrong type of arguments to unary operator."},
        {"z = 'a' < 1", false, 11, "Cannot compare arguments."},
        {"1 + )", true, 5, "Unexpected symbol in expression."},
        {"'a' * 2", true, 7, "Wrong type of arguments to *."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        Error_ClearFlag();
        CCode code(r.text, r.expression);
        EXPECT_FALSE(code.Compile());
        EXPECT_FALSE(code.i_compiled);
        const std::string tail = "position " + std::to_string(r.position) + ": " + r.message;
        const std::string& b = Error_Buffer();
        EXPECT_TRUE(b.size() >= tail.size() && b.compare(b.size() - tail.size(), tail.size(), tail) == 0)
            << b;
        EXPECT_EQ(b.rfind(r.expression ? "Error in expression:" : "Error in code at line 1:", 0), 0u) << b;
    }

    CCode code("x = 1", false);
    ASSERT_TRUE(code.Compile());
    Error_ClearFlag();
    EXPECT_FALSE(code.Compile());
    EXPECT_NE(Error_Buffer().find("Internal Error: Recompiling compiled code."), std::string::npos);
}

// The parser reads tokens as it goes, yet a text holding several errors reports the one the
// whole text puts first: a bad character anywhere, then the first unknown function, then the
// parser's error, also when the bad part lies after where parsing stopped.
TEST_F(LangCompiler, ErrorsAfterWhereParsingStops) {
    struct Row {
        std::string text;
        bool expression;
        int position;
        std::string message;
    };
    const std::string deep = "x = " + std::string(300, '(') + "1" + std::string(300, ')');
    const Row rows[] = {
        {"x = ) ; y = 1 # 2", false, 15, "Unexpected symbol."},
        {"x = ) ; y = foo(1)", false, 13, "Unknown function or script: foo"},
        {"x = foo(1) # 2", false, 12, "Unexpected symbol."},
        {"x = foo(1) + bar(2)", false, 5, "Unknown function or script: foo"},
        {"{ x = 1 } y = 2 #", false, 17, "Unexpected symbol."},
        {"{ x = 1 } y = foo()", false, 15, "Unknown function or script: foo"},
        {"#", false, 1, "Unexpected symbol."},
        {"foo(#)", false, 5, "Unexpected symbol."},
        {deep + " #", false, int(deep.size()) + 2, "Unexpected symbol."},
        {deep + " foo()", false, int(deep.size()) + 2, "Unknown function or script: foo"},
        {"1 2 # 3", true, 5, "Unexpected symbol."},
        {"1 foo(2)", true, 3, "Unknown function or script: foo"},
        {"1 + ) 'open", true, 5, "Unexpected symbol in expression."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.substr(0, 40));
        Error_ClearFlag();
        CCode code(r.text, r.expression);
        EXPECT_FALSE(code.Compile());
        const std::string tail = "position " + std::to_string(r.position) + ": " + r.message;
        const std::string& b = Error_Buffer();
        EXPECT_TRUE(b.size() >= tail.size() && b.compare(b.size() - tail.size(), tail.size(), tail) == 0)
            << b;
    }
}

TEST_F(LangCompiler, TreeShapes) {
    auto tree = [](const std::string& text, bool expression = false) {
        CCode code(text, expression);
        EXPECT_TRUE(code.Compile()) << text << ": " << Error_Buffer();
        return code;
    };
    // Fixed selectors become kind 8; computed ones stay kind 7.
    CCode g = tree("global.a = 1; other.b = 2; (a).b = 3; a[1] = 4");
    const auto& s = g.Root().items;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].items[0].kind, kNodeFixedVariable);
    EXPECT_EQ(s[0].items[0].ind2, kSelGlobal);
    EXPECT_EQ(s[1].items[0].ind2, kSelOther);
    EXPECT_EQ(s[2].items[0].kind, kNodeVariable);
    EXPECT_EQ(s[3].items[0].kind, kNodeVariable);
    EXPECT_EQ(s[3].items[0].itemnumb(), 2);

    EXPECT_EQ(Dump(tree("if a == 1 then b = 2 else b = 3").Root()),
              Dump(tree("if (a == 1) b = 2; else b = 3;").Root()));
    EXPECT_EQ(tree("x = 1 y = 2").Root().itemnumb(), 2);
    EXPECT_EQ(tree("x := 3 = 3").Root().items[0].items[1].value->val, 1);
    EXPECT_EQ(tree("fany(1,)").Root().items[0].itemnumb(), 1);
    EXPECT_EQ(tree("x = a[]").Root().items[0].items[1].kind, kNodeFixedVariable);

    // Names used before their var keep the default scope; after it they are local.
    CCode l = tree("x = 1; var x; x = 2;");
    EXPECT_EQ(l.Root().items[0].items[0].ind2, kSelDefault);
    EXPECT_EQ(l.Root().items[2].items[0].ind2, kSelLocal);
    EXPECT_EQ(l.i_localIds.size(), 1u);

    // Constant folding; trailing tokens of an expression are ignored.
    for (const char* e : {"3 + 4", "3 + 4 5", "(1 + 2) * 2 + 1", "-(-7)"}) {
        CCode c = tree(e, true);
        EXPECT_EQ(c.i_kind, CCode::kConstant) << e;
        EXPECT_EQ(c.i_value.val, 7) << e;
    }
    EXPECT_EQ(tree("1 / y", true).i_kind, CCode::kExpression);
    EXPECT_EQ(tree("z = 1 / y").Root().items[0].items[1].kind, kNodeBinary);

    // Empty texts.
    for (const char* e : {"", "  // only a comment", "/* block */"}) {
        EXPECT_EQ(tree(e).Root().kind, kNodeEmptyProgram) << e;
        CCode c = tree(e, true);
        EXPECT_EQ(c.i_kind, CCode::kConstant);
        EXPECT_EQ(c.i_value.val, 0);
    }
    EXPECT_EQ(tree("for (; i < 3; i += 1) {}").Root().items[0].items[0].kind, kNodeEmpty);
}

TEST_F(LangCompiler, EqualConstantsShareOneEntry) {
    // Equal reals (by value) and equal strings (by text) share one entry of the code's table.
    struct Row {
        const char* text;
        size_t constants;
    };
    const Row rows[] = {
        {"a = 'xy'; b = \"xy\"; c = 'xy'", 1},
        {"a = 1; b = 1.0; c = $1; d = 2", 2},
        {"a = ''; b = \"\"; c = 'x'; d = 'X'; e = 'x'", 3},
        {"a = 'x'; b = 1; c = 'x'; d = 1", 2},
    };
    for (const Row& r : rows) {
        CCode code(r.text, false);
        ASSERT_TRUE(code.Compile()) << r.text;
        EXPECT_EQ(code.i_consts.size(), r.constants) << r.text;
    }
    // Operators on real constants fold without leaving the operand's node behind, and so do
    // constant selectors (a variable with indices keeps a record after its children).
    struct Nodes {
        const char* text;
        size_t nodes;
    };
    const Nodes folded[] = {{"x = -1", 4},
                            {"x = -(-(+1))", 4},
                            {"x = a[-1, ~2]", 8},
                            {"global.a = other.b + (-5).c", 6}}; // with the root
    for (const Nodes& r : folded) {
        CCode code(r.text, false);
        ASSERT_TRUE(code.Compile()) << r.text;
        EXPECT_EQ(code.i_nodes.size(), r.nodes) << r.text;
    }
    // A shared string stays what it was when a variable that took it grows.
    CCode code("var a, b; a = 'xy'; a += 'z'; b = 'xy'; return b + a", false);
    ASSERT_TRUE(code.Compile());
    CInstance self;
    RValue result;
    ASSERT_TRUE(Code_Execute(&self, &self, &code, result)) << Error_Buffer();
    EXPECT_EQ(result.str.str(), "xyxyz");
}

TEST_F(LangCompiler, ArgumentUse) {
    struct Row {
        const char* text;
        int args;
        bool array;
    };
    const Row rows[] = {
        {"x = 1", 0, false},
        {"return argument0 + argument3", 4, false},
        {"return argument15", 16, false},
        {"return argument[1]", 2, true},
        {"argument1 = argument[0]", 2, true},
        {"return argument[1] + argument[0]", 2, true}, // a constant index counts as argument<n>
        {"i = 3; return argument[i]", 0, true},
    };
    for (const Row& r : rows) {
        CCode code(r.text, false);
        ASSERT_TRUE(code.Compile()) << r.text;
        EXPECT_EQ(code.i_Args, r.args) << r.text;
        EXPECT_EQ(code.i_ArgArray, r.array) << r.text;
    }
}

TEST_F(LangCompiler, DeepNestingFailsCleanly) {
    std::string parens = "x = " + std::string(100000, '(') + "1" + std::string(100000, ')');
    std::string blocks;
    for (int k = 0; k < 10000; ++k) blocks += "{";
    blocks += "x = 1";
    for (int k = 0; k < 10000; ++k) blocks += "}";
    std::string sum = "x = a";
    for (int k = 0; k < 5000; ++k) sum += " + a";
    std::string fields = "x = a";
    for (int k = 0; k < 5000; ++k) fields += ".a";
    std::string unary = "x = " + std::string(100000, '-') + "a";
    for (const std::string* text : {&parens, &blocks, &sum, &fields, &unary}) {
        Error_ClearFlag();
        CCode code(*text, false);
        EXPECT_FALSE(code.Compile());
        EXPECT_NE(Error_Buffer().find(kMessageTooDeep), std::string::npos);
    }
    // Ordinary nesting is well inside the limits.
    std::string fine = "x = " + std::string(50, '(') + "1" + std::string(50, ')');
    CCode ok(fine, false);
    EXPECT_TRUE(ok.Compile());
}

} // namespace
