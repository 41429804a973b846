// Math, random number and string functions: the family table and the number and random
// handlers (the conversions and string functions are in Function_Math_Strings.cpp).
#include "functions/Function_Math.h"

#include "functions/Function_Families.h"
#include "support/Support_Random.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Reports "Error in function NAME()." when r is not a finite result (from finite inputs).
void CheckResult(RValue& result, double r, const char* name) {
    if (!std::isfinite(r)) {
        Function_Error(std::string("Error in function ") + name + "().");
        return;
    }
    result.SetReal(r);
}

// ---- type tests and random numbers ----

QV_FUNCTION(F_IsReal) {
    result.SetReal(args[0].IsString() ? 0.0 : 1.0);
}

QV_FUNCTION(F_IsString) {
    result.SetReal(args[0].IsString() ? 1.0 : 0.0);
}

QV_FUNCTION(F_Random) {
    result.SetReal(Random_Unit() * Arg_Real(args[0]));
}

QV_FUNCTION(F_RandomRange) {
    const double a = Arg_Real(args[0]), b = Arg_Real(args[1]);
    const double lo = std::min(a, b), hi = std::max(a, b);
    result.SetReal(lo + Random_Unit() * (hi - lo));
}

// One step; an integer from lo to hi (both whole numbers, lo <= hi). Ranges of more than 2^32
// values scale the unit draw instead of the integer product.
double DrawInteger(double lo, double hi) {
    const double n = hi - lo + 1.0;
    if (!(n >= 1.0) || !std::isfinite(n)) {
        Random_Step();
        return std::isfinite(lo) ? lo : 0.0;
    }
    if (n <= 4294967296.0) return lo + double(Random_Below(uint64_t(n)));
    return lo + std::floor(Random_Unit() * n);
}

QV_FUNCTION(F_IRandom) {
    const double x = std::floor(Arg_Real(args[0]));
    // A negative bound draws from it up to 0.
    result.SetReal(x >= 0 ? DrawInteger(0.0, x) : DrawInteger(x, 0.0));
}

QV_FUNCTION(F_IRandomRange) {
    const double a = std::floor(Arg_Real(args[0])), b = std::floor(Arg_Real(args[1]));
    result.SetReal(DrawInteger(std::min(a, b), std::max(a, b)));
}

QV_FUNCTION(F_RandomSetSeed) {
    Random_SetSeed(uint32_t(uint64_t(Arg_Int64(args[0])) & 0xFFFFFFFFu));
}

QV_FUNCTION(F_RandomGetSeed) {
    result.SetReal(double(int32_t(Random_GetSeed())));
}

QV_FUNCTION(F_Randomize) {
    Random_Randomize();
}

QV_FUNCTION(F_Choose) {
    if (argc <= 0) return;
    result = args[Random_Below(uint64_t(argc))];
}

// ---- numbers ----

QV_FUNCTION(F_Abs) {
    result.SetReal(std::fabs(Arg_Real(args[0])));
}

QV_FUNCTION(F_Round) {
    result.SetReal(std::nearbyint(Arg_Real(args[0])));
}

QV_FUNCTION(F_Floor) {
    result.SetReal(std::floor(Arg_Real(args[0])));
}

QV_FUNCTION(F_Ceil) {
    result.SetReal(std::ceil(Arg_Real(args[0])));
}

QV_FUNCTION(F_Sign) {
    const double x = Arg_Real(args[0]);
    result.SetReal(x <= -1e-13 ? -1.0 : x < 1e-13 ? 0.0 : 1.0);
}

QV_FUNCTION(F_Frac) {
    const double x = Arg_Real(args[0]);
    result.SetReal(x - std::trunc(x));
}

QV_FUNCTION(F_Sqrt) {
    const double x = Arg_Real(args[0]);
    if (x < 0) {
        Function_Error("Cannot apply sqrt to negative number.");
        return;
    }
    result.SetReal(std::sqrt(x));
}

QV_FUNCTION(F_Sqr) {
    const double x = Arg_Real(args[0]);
    result.SetReal(x * x);
}

QV_FUNCTION(F_Exp) {
    const double x = Arg_Real(args[0]);
    CheckResult(result, std::exp(x), "exp");
}

// Logarithms fail for arguments that are not above 0 (NaN included).
QV_FUNCTION(F_Ln) {
    const double x = Arg_Real(args[0]);
    if (!(x > 0)) return Function_Error("Error in function ln().");
    result.SetReal(std::log(x));
}

QV_FUNCTION(F_Log2) {
    const double x = Arg_Real(args[0]);
    if (!(x > 0)) return Function_Error("Error in function log2().");
    result.SetReal(std::log2(x));
}

QV_FUNCTION(F_Log10) {
    const double x = Arg_Real(args[0]);
    if (!(x > 0)) return Function_Error("Error in function log10().");
    result.SetReal(std::log10(x));
}

QV_FUNCTION(F_Logn) {
    const double n = Arg_Real(args[0]), x = Arg_Real(args[1]);
    if (!(x > 0) || !(n > 0) || n == 1.0) return Function_Error("Error in function logn().");
    CheckResult(result, std::log2(x) / std::log2(n), "logn");
}

QV_FUNCTION(F_Sin) {
    result.SetReal(std::sin(Arg_Real(args[0])));
}

QV_FUNCTION(F_Cos) {
    result.SetReal(std::cos(Arg_Real(args[0])));
}

QV_FUNCTION(F_Tan) {
    result.SetReal(std::tan(Arg_Real(args[0])));
}

QV_FUNCTION(F_Arcsin) {
    const double x = Arg_Real(args[0]);
    if (!(x >= -1.0 && x <= 1.0)) return Function_Error("Error in function arcsin().");
    result.SetReal(std::asin(x));
}

QV_FUNCTION(F_Arccos) {
    const double x = Arg_Real(args[0]);
    if (!(x >= -1.0 && x <= 1.0)) return Function_Error("Error in function arccos().");
    result.SetReal(std::acos(x));
}

QV_FUNCTION(F_Arctan) {
    const double x = Arg_Real(args[0]);
    if (std::isnan(x)) return Function_Error("Error in function arctan().");
    result.SetReal(std::atan(x));
}

QV_FUNCTION(F_Arctan2) {
    const double y = Arg_Real(args[0]), x = Arg_Real(args[1]);
    if (std::isnan(x) || std::isnan(y)) return Function_Error("Error in function arctan2().");
    result.SetReal(std::atan2(y, x));
}

QV_FUNCTION(F_DegToRad) {
    result.SetReal(Arg_Real(args[0]) * 0.017453292519943295769);
}

QV_FUNCTION(F_RadToDeg) {
    result.SetReal(Arg_Real(args[0]) * 57.295779513082320877);
}

QV_FUNCTION(F_Power) {
    const double x = Arg_Real(args[0]), n = Arg_Real(args[1]);
    if (n == 0) return result.SetReal(1.0);
    if (x == 0 && n > 0) return result.SetReal(0.0);
    if (x < 0 && std::trunc(n) != n) return Function_Error("Error in function power().");
    CheckResult(result, std::pow(x, n), "power");
}

// ---- several arguments ----

// A value's text for comparisons: a real has none.
std::string_view TextOf(const RValue& v) {
    return v.IsString() ? v.str.view() : std::string_view();
}

void MinMax(int argc, RValue& result, const RValue* args, bool max) {
    if (argc <= 0) return;
    result = args[0];
    for (int k = 1; k < argc; ++k) {
        const RValue& a = args[k];
        if (!result.IsString()) {
            const double v = Arg_Real(a), r = result.val;
            if ((max ? v > r : v < r) || std::isnan(v) || std::isnan(r)) result = a;
        }
        if (result.IsString()) {
            const int c = TextOf(a).compare(result.str.view());
            if (max ? c > 0 : c < 0) result = a;
        }
    }
}

QV_FUNCTION(F_Min) {
    MinMax(argc, result, args, false);
}

QV_FUNCTION(F_Max) {
    MinMax(argc, result, args, true);
}

QV_FUNCTION(F_Mean) {
    if (argc <= 0) return;
    double sum = 0;
    for (int k = 0; k < argc; ++k) sum += Arg_Real(args[k]);
    result.SetReal(sum / argc);
}

QV_FUNCTION(F_Median) {
    for (int q = 0; q < argc; ++q) {
        const double v = Arg_Real(args[q]);
        int below = 0, notAbove = 0;
        for (int k = 0; k < argc; ++k) {
            const double w = Arg_Real(args[k]);
            if (w < v || std::isnan(w) || std::isnan(v)) ++below;
            if (!(w > v)) ++notAbove;
        }
        if (2 * below < argc && argc <= 2 * notAbove) {
            result = args[q];
            return;
        }
    }
}

QV_FUNCTION(F_Clamp) {
    double x = Arg_Real(args[0]);
    const double lo = Arg_Real(args[1]), hi = Arg_Real(args[2]);
    if (!(x >= lo)) x = lo;
    if (x > hi) x = hi;
    result.SetReal(x);
}

QV_FUNCTION(F_Lerp) {
    const double a = Arg_Real(args[0]), b = Arg_Real(args[1]), t = Arg_Real(args[2]);
    result.SetReal(a + (b - a) * t);
}

// ---- vectors and directions ----

// Zero-length vectors have no direction: their normalised products are 0.
double Normalised(double dot, double lengths) {
    return lengths > 0 ? dot / lengths : 0.0;
}

QV_FUNCTION(F_DotProduct) {
    result.SetReal(Arg_Real(args[0]) * Arg_Real(args[2]) + Arg_Real(args[1]) * Arg_Real(args[3]));
}

QV_FUNCTION(F_DotProductNormalised) {
    const double x1 = Arg_Real(args[0]), y1 = Arg_Real(args[1]), x2 = Arg_Real(args[2]),
                 y2 = Arg_Real(args[3]);
    result.SetReal(Normalised(x1 * x2 + y1 * y2, std::hypot(x1, y1) * std::hypot(x2, y2)));
}

QV_FUNCTION(F_DotProduct3D) {
    result.SetReal(Arg_Real(args[0]) * Arg_Real(args[3]) + Arg_Real(args[1]) * Arg_Real(args[4]) +
                   Arg_Real(args[2]) * Arg_Real(args[5]));
}

QV_FUNCTION(F_DotProduct3DNormalised) {
    const double x1 = Arg_Real(args[0]), y1 = Arg_Real(args[1]), z1 = Arg_Real(args[2]);
    const double x2 = Arg_Real(args[3]), y2 = Arg_Real(args[4]), z2 = Arg_Real(args[5]);
    result.SetReal(Normalised(x1 * x2 + y1 * y2 + z1 * z2, std::sqrt(x1 * x1 + y1 * y1 + z1 * z1) *
                                                               std::sqrt(x2 * x2 + y2 * y2 + z2 * z2)));
}

QV_FUNCTION(F_PointDistance3D) {
    const double dx = Arg_Real(args[3]) - Arg_Real(args[0]), dy = Arg_Real(args[4]) - Arg_Real(args[1]),
                 dz = Arg_Real(args[5]) - Arg_Real(args[2]);
    result.SetReal(std::sqrt(dx * dx + dy * dy + dz * dz));
}

QV_FUNCTION(F_PointDistance) {
    const double dx = Arg_Real(args[2]) - Arg_Real(args[0]), dy = Arg_Real(args[3]) - Arg_Real(args[1]);
    result.SetReal(std::sqrt(dx * dx + dy * dy));
}

QV_FUNCTION(F_PointDirection) {
    const double dx = Arg_Real(args[2]) - Arg_Real(args[0]), dy = Arg_Real(args[3]) - Arg_Real(args[1]);
    if (dx == 0) return result.SetReal(dy > 0 ? 270.0 : dy < 0 ? 90.0 : 0.0);
    const double a = std::atan2(dy, dx) * 180.0 / kPi;
    result.SetReal(a > 0 ? 360.0 - a : -a);
}

// Snapped to the nearest integer when within 0.0001 of it.
double Snap(double v) {
    const double r = std::nearbyint(v);
    return std::fabs(v - r) < 0.0001 ? r : v;
}

QV_FUNCTION(F_LengthdirX) {
    result.SetReal(Snap(std::cos(Arg_Real(args[1]) * kPi / 180.0) * Arg_Real(args[0])));
}

QV_FUNCTION(F_LengthdirY) {
    result.SetReal(Snap(-std::sin(Arg_Real(args[1]) * kPi / 180.0) * Arg_Real(args[0])));
}

QV_FUNCTION(F_Min3) {
    MinMax(3, result, args, false);
}

QV_FUNCTION(F_Max3) {
    MinMax(3, result, args, true);
}

} // namespace

// 73 functions, in registration order.
// clang-format off
static const RFunctionEntry kMathFunctions[] = {
    // name                       handler  arguments
    {"is_real",                   F_IsReal, 1},
    {"is_string",                 F_IsString, 1},
    {"random",                    F_Random, 1},
    {"random_range",              F_RandomRange, 2},
    {"irandom",                   F_IRandom, 1},
    {"irandom_range",             F_IRandomRange, 2},
    {"random_set_seed",           F_RandomSetSeed, 1},
    {"random_get_seed",           F_RandomGetSeed, 0},
    {"randomize",                 F_Randomize, 0},
    {"abs",                       F_Abs, 1},
    {"round",                     F_Round, 1},
    {"floor",                     F_Floor, 1},
    {"ceil",                      F_Ceil, 1},
    {"sign",                      F_Sign, 1},
    {"frac",                      F_Frac, 1},
    {"sqrt",                      F_Sqrt, 1},
    {"sqr",                       F_Sqr, 1},
    {"exp",                       F_Exp, 1},
    {"ln",                        F_Ln, 1},
    {"log2",                      F_Log2, 1},
    {"log10",                     F_Log10, 1},
    {"sin",                       F_Sin, 1},
    {"cos",                       F_Cos, 1},
    {"tan",                       F_Tan, 1},
    {"arcsin",                    F_Arcsin, 1},
    {"arccos",                    F_Arccos, 1},
    {"arctan",                    F_Arctan, 1},
    {"arctan2",                   F_Arctan2, 2},
    {"degtorad",                  F_DegToRad, 1},
    {"radtodeg",                  F_RadToDeg, 1},
    {"power",                     F_Power, 2},
    {"logn",                      F_Logn, 2},
    {"min",                       F_Min, kAnyArgCount},
    {"max",                       F_Max, kAnyArgCount},
    {"min3",                      F_Min3, 3},
    {"max3",                      F_Max3, 3},
    {"mean",                      F_Mean, kAnyArgCount},
    {"median",                    F_Median, kAnyArgCount},
    {"choose",                    F_Choose, kAnyArgCount},
    {"clamp",                     F_Clamp, 3},
    {"lerp",                      F_Lerp, 3},
    {"real",                      F_Real, 1},
    {"string",                    F_String, 1},
    {"string_format",             F_StringFormat, 3},
    {"chr",                       F_Chr, 1},
    {"ansi_char",                 F_AnsiChar, 1},
    {"ord",                       F_Ord, 1},
    {"string_length",             F_StringLength, 1},
    {"string_byte_length",        F_StringByteLength, 1},
    {"string_byte_at",            F_StringByteAt, 2},
    {"string_pos",                F_StringPos, 2},
    {"string_copy",               F_StringCopy, 3},
    {"string_char_at",            F_StringCharAt, 2},
    {"string_delete",             F_StringDelete, 3},
    {"string_insert",             F_StringInsert, 3},
    {"string_lower",              F_StringLower, 1},
    {"string_upper",              F_StringUpper, 1},
    {"string_repeat",             F_StringRepeat, 2},
    {"string_letters",            F_StringLetters, 1},
    {"string_digits",             F_StringDigits, 1},
    {"string_lettersdigits",      F_StringLettersDigits, 1},
    {"string_replace",            F_StringReplace, 3},
    {"string_replace_all",        F_StringReplaceAll, 3},
    {"string_count",              F_StringCount, 2},
    {"dot_product",               F_DotProduct, 4},
    {"dot_product_normalised",    F_DotProductNormalised, 4},
    {"dot_product_3d",            F_DotProduct3D, 6},
    {"dot_product_3d_normalised", F_DotProduct3DNormalised, 6},
    {"point_distance_3d",         F_PointDistance3D, 6},
    {"point_distance",            F_PointDistance, 4},
    {"point_direction",           F_PointDirection, 4},
    {"lengthdir_x",               F_LengthdirX, 2},
    {"lengthdir_y",               F_LengthdirY, 2},
};
// clang-format on

void Function_RegisterMath() {
    Function_AddTable(kMathFunctions);
}
