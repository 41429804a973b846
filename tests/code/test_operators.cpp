// Operators: results and messages for each edge case, one table per operator family.
#include "code/Code_Error.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

RValue R(double v) {
    return RValue::Real(v);
}
RValue S(const char* s) {
    return RValue::String(s);
}

struct BinCase {
    RValue l;
    int op;
    RValue r;
    RValue want;     // ignored when msg is set
    const char* msg; // expected error message, or nullptr
};

std::string ErrorMessageOf() {
    // The expression form ends with ": " + message.
    const std::string& b = Error_Buffer();
    return b.substr(b.find(": ") + 2);
}

void CheckBinary(const BinCase& c) {
    CCode code("l op r", true);
    Error_ClearFlag();
    RValue left = c.l;
    bool ok = Operator_Binary(&code, 3, c.op, c.r, left);
    if (c.msg) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(ErrorMessageOf(), c.msg);
        EXPECT_EQ(left.kind, c.l.kind); // left unchanged
        EXPECT_EQ(left.str.view(), c.l.str.view());
        if (left.kind == RValue::kReal) {
            EXPECT_EQ(left.val, c.l.val);
        }
    } else {
        EXPECT_TRUE(ok) << Error_Buffer();
        ASSERT_EQ(left.kind, c.want.kind);
        if (c.want.kind == RValue::kString)
            EXPECT_EQ(left.str.view(), c.want.str.view());
        else
            EXPECT_EQ(left.val, c.want.val);
    }
}

TEST(LangOperators, Arithmetic) {
    const BinCase cases[] = {
        {S("ab"), kOpPlus, S("cd"), S("abcd"), nullptr},
        {S("ab"), kOpPlus, R(1), {}, "Wrong type of arguments to +."},
        {R(1), kOpPlus, S("x"), {}, "Wrong type of arguments to +."},
        {R(2), kOpMinus, R(5), R(-3), nullptr},
        {S("a"), kOpMinus, S("a"), {}, "Wrong type of arguments to -."},
        {R(3), kOpMultiply, S("ab"), S("ababab"), nullptr},
        {S("ab"), kOpMultiply, R(3), {}, "Wrong type of arguments to *."},
        {R(2.5), kOpMultiply, S("x"), S("xx"), nullptr}, // round half to even
        {R(3.5), kOpMultiply, S("x"), S("xxxx"), nullptr},
        {R(0), kOpMultiply, S("x"), S(""), nullptr},
        {R(-4), kOpMultiply, S("x"), S(""), nullptr},
        {R(1e12), kOpMultiply, S("xyz"), {}, "String repetition is too long."},
        {R(6), kOpMultiply, R(7), R(42), nullptr},
        {R(1), kOpDivide, R(4), R(0.25), nullptr},
        {R(1), kOpDivide, R(0), {}, "Division by 0."},
        {R(1), kOpDivide, R(-0.0), {}, "Division by 0."},
        {R(1), kOpDivide, R(1e-300), R(1.0 / 1e-300), nullptr}, // no tolerance on the zero test
        {S("a"), kOpDivide, R(1), {}, "Wrong type of arguments to /."},
        {R(7), kOpDiv, R(2), R(3), nullptr},
        {R(-7), kOpDiv, R(2), R(-3), nullptr},
        {R(7), kOpDiv, R(0), {}, "Division by 0."},
        {R(1e12), kOpDiv, R(1), R(1e12), nullptr}, // quotients beyond 32 bits are kept
        {R(1), kOpDiv, S("a"), {}, "Wrong type of arguments to div."},
        {R(7), kOpMod, R(-2), R(1), nullptr},
        {R(-7), kOpMod, R(3), R(-1), nullptr},
        {R(5.5), kOpMod, R(2), R(1.5), nullptr},
        {R(1), kOpMod, R(0), {}, "Modulo by 0."},
        {S("a"), kOpMod, R(3), {}, "Wrong type of arguments to mod."},
    };
    for (const auto& c : cases) CheckBinary(c);
}

TEST(LangOperators, LogicAndBits) {
    const BinCase cases[] = {
        {R(0.5), kOpAnd, R(1), R(1), nullptr},
        {R(0.49), kOpAnd, R(1), R(0), nullptr},
        {R(0.49), kOpOr, R(0), R(0), nullptr},
        {R(0), kOpOr, R(0.5), R(1), nullptr},
        {R(1), kOpXor, R(1), R(0), nullptr},
        {R(1), kOpXor, R(0), R(1), nullptr},
        {S("a"), kOpAnd, R(1), {}, "Wrong type of arguments for &&."},
        {R(1), kOpOr, S("a"), {}, "Wrong type of arguments for ||."},
        {S("a"), kOpXor, S("b"), {}, "Wrong type of arguments for ^^."},
        {R(2.5), kOpBitOr, R(0), R(2), nullptr},
        {R(3.5), kOpBitOr, R(0), R(4), nullptr},
        {R(12), kOpBitAnd, R(10), R(8), nullptr},
        {R(12), kOpBitXor, R(10), R(6), nullptr},
        {R(-1), kOpShiftRight, R(60), R(15), nullptr},
        {R(1), kOpShiftLeft, R(64), R(0), nullptr},
        {R(1), kOpShiftLeft, R(127), R(0), nullptr},
        {R(1), kOpShiftLeft, R(256 + 3), R(8), nullptr}, // low 8 bits of the count
        {R(1), kOpShiftLeft, R(62), R(4611686018427387904.0), nullptr},
        {R(1), kOpShiftLeft, R(63), R(-9223372036854775808.0), nullptr},
        {R(1), kOpShiftLeft, R(-1), R(0), nullptr},
        {R(4294967296.0), kOpBitOr, R(1), R(4294967297.0), nullptr}, // 64-bit, not 32
        {S("a"), kOpBitOr, R(0), {}, "Wrong type of arguments for |."},
        {S("a"), kOpBitAnd, R(0), {}, "Wrong type of arguments for &."},
        {S("a"), kOpBitXor, R(0), {}, "Wrong type of arguments for ^."},
        {S("a"), kOpShiftLeft, R(0), {}, "Wrong type of arguments for <<."},
        {R(0), kOpShiftRight, S("a"), {}, "Wrong type of arguments for >>."},
        {R(0), 999, R(0), {}, "Internal error: unknown binary operator."},
    };
    for (const auto& c : cases) CheckBinary(c);
}

TEST(LangOperators, Comparisons) {
    const double nan = std::nan("");
    const BinCase cases[] = {
        {R(1), kOpEqual, R(1.00000000000001), R(1), nullptr},
        {R(1), kOpAssignEqual, R(1.00000000000001), R(1), nullptr},
        {R(1), kOpLess, R(1.00000000000001), R(0), nullptr},
        {R(1), kOpLessEqual, R(1.00000000000001), R(1), nullptr},
        {R(0.1 + 0.2), kOpEqual, R(0.3), R(1), nullptr},
        {R(1e20), kOpEqual, R(1e20 + 16384), R(0), nullptr}, // absolute tolerance
        {R(2), kOpGreater, R(1), R(1), nullptr},
        {R(1), kOpGreaterEqual, R(1), R(1), nullptr},
        {R(1), kOpNotEqual, R(1), R(0), nullptr},
        {S("a"), kOpLess, S("b"), R(1), nullptr},
        {S("a"), kOpLess, S("B"), R(0), nullptr},
        {S("abc"), kOpEqual, S("abc"), R(1), nullptr},
        {S("ab"), kOpGreater, S("a"), R(1), nullptr},
        {S("1"), kOpEqual, R(1), {}, "Cannot compare arguments."},
        {R(nan), kOpLess, R(0), R(0), nullptr},
        {R(nan), kOpLessEqual, R(0), R(0), nullptr},
        {R(nan), kOpEqual, R(0), R(0), nullptr},
        {R(nan), kOpNotEqual, R(0), R(1), nullptr},
        {R(nan), kOpGreaterEqual, R(0), R(1), nullptr},
        {R(nan), kOpGreater, R(0), R(1), nullptr},
    };
    for (const auto& c : cases) CheckBinary(c);
}

TEST(LangOperators, Unary) {
    struct Case {
        RValue v;
        int op;
        double want;
        const char* msg;
    };
    const Case cases[] = {
        {R(0.5), kOpNot, 0, nullptr},
        {R(0.4), kOpNot, 1, nullptr},
        {R(-2), kOpPlus, -2, nullptr},
        {R(2), kOpMinus, -2, nullptr},
        {R(0), kOpBitNot, -1, nullptr},
        {R(2.5), kOpBitNot, -3, nullptr},
        {S("a"), kOpMinus, 0, "Wrong type of arguments to unary operator."},
        {R(1), 999, 0, "Internal error: unknown unary operator."},
    };
    for (const auto& c : cases) {
        CCode code("x", true);
        Error_ClearFlag();
        RValue v = c.v;
        bool ok = Operator_Unary(&code, 1, c.op, v);
        if (c.msg) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(ErrorMessageOf(), c.msg);
        } else {
            EXPECT_TRUE(ok);
            EXPECT_EQ(v.kind, RValue::kReal);
            EXPECT_EQ(v.val, c.want);
        }
    }
    Error_ClearFlag();
}

TEST(LangOperators, RoundTiesToEvenInto64Bits) {
    EXPECT_EQ(Operator_RoundInt64(0.5), 0);
    EXPECT_EQ(Operator_RoundInt64(1.5), 2);
    EXPECT_EQ(Operator_RoundInt64(-2.5), -2);
    EXPECT_EQ(Operator_RoundInt64(9007199254740993.0), 9007199254740992LL);
    EXPECT_EQ(Operator_RoundInt64(std::nan("")), INT64_MIN);
    EXPECT_EQ(Operator_RoundInt64(1e19), INT64_MIN);
}

} // namespace
