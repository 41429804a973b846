// The unary and binary operators of the game language, used by the executor and by constant
// folding in the compiler. Operators are named by their symbol numbers.
#pragma once

#include "code/Variable_Class.h"

#include <cmath>
#include <cstdint>

class CCode;

enum : int {
    kOpAssignEqual = 101, // '=' in an expression: the same as '=='
    kOpAnd = 201,
    kOpOr = 202,
    kOpNot = 203,
    kOpLess = 204,
    kOpLessEqual = 205,
    kOpEqual = 206,
    kOpNotEqual = 207,
    kOpGreaterEqual = 208,
    kOpGreater = 209,
    kOpPlus = 210,
    kOpMinus = 211,
    kOpMultiply = 212,
    kOpDivide = 213,
    kOpDiv = 214,
    kOpMod = 215,
    kOpXor = 216,
    kOpBitOr = 217,
    kOpBitAnd = 218,
    kOpBitXor = 219,
    kOpBitNot = 220,
    kOpShiftLeft = 221,
    kOpShiftRight = 222,
};

// The truth of the comparison Op (kOpLess .. kOpGreater) of two reals whose difference is
// d = left - right: within an absolute tolerance of 1e-13 they are equal, and a NaN difference is
// greater, greater or equal, and unequal. One definition for the operators and the executor's
// handlers fixed on an operator.
template <int Op>
inline bool Operator_CompareDifference(double d) {
    constexpr double kTolerance = 1e-13;
    static_assert(Op >= kOpLess && Op <= kOpGreater, "a comparison operator");
    if constexpr (Op == kOpLess) return d < -kTolerance;
    if constexpr (Op == kOpLessEqual) return d <= kTolerance;
    if constexpr (Op == kOpEqual) return d > -kTolerance && d < kTolerance;
    if constexpr (Op == kOpNotEqual) return d < -kTolerance || d > kTolerance || std::isnan(d);
    if constexpr (Op == kOpGreaterEqual) return d >= -kTolerance || std::isnan(d);
    if constexpr (Op == kOpGreater) return d > kTolerance || std::isnan(d);
}

// Replaces val by op val. On a wrong kind or unknown operator reports a code error at position
// and returns false, val unchanged.
bool Operator_Unary(const CCode* code, int position, int op, RValue& val);
// Replaces left by left op right. On failure reports a code error at position (the right
// operand's) and returns false, left unchanged.
bool Operator_Binary(const CCode* code, int position, int op, const RValue& right, RValue& left);

// Round to nearest, ties to even, as a 64-bit integer. NaN and values outside the 64-bit range
// give INT64_MIN (the processor's "integer indefinite").
int64_t Operator_RoundInt64(double x);
