// The unary and binary operators: arithmetic, string concatenation and repetition, logic,
// 64-bit bitwise operations and shifts, and comparisons with an absolute tolerance of 1e-13.
// Errors go to the code-error path at the operand's position.
#include "code/Code_Operator.h"

#include "code/Code_Error.h"

#include <cmath>
#include <limits>

namespace {

// A repeated string longer than this is refused rather than exhausting memory.
constexpr double kMaxRepeatBytes = double(kMaxStringBytes);

bool Fail(const CCode* code, int position, const char* message) {
    Error_SetCodeError(code, position, message);
    return false;
}

// Shift count: the low 8 bits of round(r) as a signed byte; only 0..63 shift, anything else gives 0.
int ShiftCount(double r) {
    return int(int8_t(uint8_t(uint64_t(Operator_RoundInt64(r)) & 0xFF)));
}

double Compare(int op, double d) {
    switch (op) {
    case kOpLess:
        return Operator_CompareDifference<kOpLess>(d);
    case kOpLessEqual:
        return Operator_CompareDifference<kOpLessEqual>(d);
    case kOpAssignEqual:
    case kOpEqual:
        return Operator_CompareDifference<kOpEqual>(d);
    case kOpNotEqual:
        return Operator_CompareDifference<kOpNotEqual>(d);
    case kOpGreaterEqual:
        return Operator_CompareDifference<kOpGreaterEqual>(d);
    default:
        return Operator_CompareDifference<kOpGreater>(d);
    }
}

const char* WrongType(int op) {
    switch (op) {
    case kOpPlus:
        return "Wrong type of arguments to +.";
    case kOpMinus:
        return "Wrong type of arguments to -.";
    case kOpMultiply:
        return "Wrong type of arguments to *.";
    case kOpDivide:
        return "Wrong type of arguments to /.";
    case kOpDiv:
        return "Wrong type of arguments to div.";
    case kOpMod:
        return "Wrong type of arguments to mod.";
    case kOpAnd:
        return "Wrong type of arguments for &&.";
    case kOpOr:
        return "Wrong type of arguments for ||.";
    case kOpXor:
        return "Wrong type of arguments for ^^.";
    case kOpBitOr:
        return "Wrong type of arguments for |.";
    case kOpBitAnd:
        return "Wrong type of arguments for &.";
    case kOpBitXor:
        return "Wrong type of arguments for ^.";
    case kOpShiftLeft:
        return "Wrong type of arguments for <<.";
    case kOpShiftRight:
        return "Wrong type of arguments for >>.";
    default:
        return nullptr;
    }
}

} // namespace

int64_t Operator_RoundInt64(double x) {
    // nearbyint rounds ties to even in the default rounding mode; 2^63 itself is out of range.
    double r = std::nearbyint(x);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        return std::numeric_limits<int64_t>::min();
    return int64_t(r);
}

bool Operator_Unary(const CCode* code, int position, int op, RValue& val) {
    if (val.kind == RValue::kString)
        return Fail(code, position, "Wrong type of arguments to unary operator.");
    switch (op) {
    case kOpNot:
        val.val = val.val < 0.5 ? 1.0 : 0.0;
        return true;
    case kOpPlus:
        return true;
    case kOpMinus:
        val.val = -val.val;
        return true;
    case kOpBitNot:
        val.val = double(~Operator_RoundInt64(val.val));
        return true;
    default:
        return Fail(code, position, "Internal error: unknown unary operator.");
    }
}

bool Operator_Binary(const CCode* code, int position, int op, const RValue& right, RValue& left) {
    switch (op) {
    case kOpAssignEqual:
    case kOpLess:
    case kOpLessEqual:
    case kOpEqual:
    case kOpNotEqual:
    case kOpGreaterEqual:
    case kOpGreater: {
        if (left.kind != right.kind) return Fail(code, position, "Cannot compare arguments.");
        double d;
        if (left.kind == RValue::kString) {
            int c = left.str.view().compare(right.str.view()); // bytewise: ordinal for UTF-8
            d = c < 0 ? -1.0 : (c > 0 ? 1.0 : 0.0);
        } else {
            d = left.val - right.val;
        }
        left.SetReal(Compare(op, d));
        return true;
    }
    default:
        break;
    }

    const char* wrong = WrongType(op);
    if (!wrong) return Fail(code, position, "Internal error: unknown binary operator.");
    bool reals = left.kind == RValue::kReal && right.kind == RValue::kReal;

    if (op == kOpPlus && left.kind == RValue::kString && right.kind == RValue::kString) {
        if (right.str.size() > kMaxStringBytes - left.str.size()) return Fail(code, position, kStringTooLong);
        left.str.Append(right.str.view());
        return true;
    }
    if (op == kOpMultiply && left.kind == RValue::kReal && right.kind == RValue::kString) {
        int64_t n = Operator_RoundInt64(left.val);
        if (n < 1) {
            left.SetString(TRefString());
            return true;
        }
        if (double(n) * double(right.str.size()) > kMaxRepeatBytes)
            return Fail(code, position, "String repetition is too long.");
        TRefString s;
        s.AssignRepeated(right.str.view(), size_t(n));
        left.SetString(std::move(s));
        return true;
    }
    if (!reals) return Fail(code, position, wrong);

    double l = left.val, r = right.val;
    switch (op) {
    case kOpPlus:
        left.val = l + r;
        return true;
    case kOpMinus:
        left.val = l - r;
        return true;
    case kOpMultiply:
        left.val = l * r;
        return true;
    case kOpDivide:
        if (r == 0.0) return Fail(code, position, "Division by 0.");
        left.val = l / r;
        return true;
    case kOpDiv:
        if (r == 0.0) return Fail(code, position, "Division by 0.");
        left.val = std::trunc(l / r);
        return true;
    case kOpMod:
        if (r == 0.0) return Fail(code, position, "Modulo by 0.");
        left.val = l - std::trunc(l / r) * r;
        return true;
    case kOpAnd:
        left.val = (l >= 0.5 && r >= 0.5) ? 1.0 : 0.0;
        return true;
    case kOpOr:
        left.val = (l >= 0.5 || r >= 0.5) ? 1.0 : 0.0;
        return true;
    case kOpXor:
        left.val = ((l >= 0.5) != (r >= 0.5)) ? 1.0 : 0.0;
        return true;
    case kOpBitOr:
        left.val = double(Operator_RoundInt64(l) | Operator_RoundInt64(r));
        return true;
    case kOpBitAnd:
        left.val = double(Operator_RoundInt64(l) & Operator_RoundInt64(r));
        return true;
    case kOpBitXor:
        left.val = double(Operator_RoundInt64(l) ^ Operator_RoundInt64(r));
        return true;
    case kOpShiftLeft: {
        int n = ShiftCount(r);
        uint64_t v = uint64_t(Operator_RoundInt64(l));
        left.val = double(int64_t(n >= 0 && n < 64 ? v << n : 0));
        return true;
    }
    default: { // kOpShiftRight: unsigned, zeros enter at the top
        int n = ShiftCount(r);
        uint64_t v = uint64_t(Operator_RoundInt64(l));
        left.val = double(int64_t(n >= 0 && n < 64 ? v >> n : 0));
        return true;
    }
    }
}
