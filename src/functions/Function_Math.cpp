// Math, random number and string functions.
// The handlers come with this family's own work; until then each entry is registered without one,
// so code calling it compiles and a call reports that the function is not available yet.
#include "functions/Function_Families.h"

#include "code/Code_Operator.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>

namespace {

// ---- the string functions the scripting benchmarks need; the rest of the family follows ----

// Bytes of the UTF-8 sequence a lead byte starts; every other byte stands alone.
size_t SequenceLength(unsigned char c) {
    if (c >= 0xC2 && c <= 0xDF) return 2;
    if (c >= 0xE0 && c <= 0xEF) return 3;
    if (c >= 0xF0 && c <= 0xF7) return 4;
    if (c >= 0xF8 && c <= 0xFB) return 5;
    if (c >= 0xFC && c <= 0xFD) return 6;
    return 1;
}

// Byte offset of character position pos (1-based) in s; s.size() when beyond the end.
size_t ByteOffset(std::string_view s, int64_t pos) {
    // Over a prefix of plain ASCII, characters are bytes: test 8 bytes at a time.
    if (pos >= 1 && uint64_t(pos - 1) <= s.size()) {
        const size_t n = size_t(pos - 1);
        uint64_t high = 0, w[1];
        size_t k = 0;
#if defined(__SSE2__)
        __m128i acc = _mm_setzero_si128();
        for (; k + 64 <= n; k += 64) {
            const __m128i* p = reinterpret_cast<const __m128i*>(s.data() + k);
            acc =
                _mm_or_si128(acc, _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                               _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3))));
        }
        if (_mm_movemask_epi8(acc)) high = 0x80;
#endif
        for (; k + 8 <= n; k += 8) {
            std::memcpy(w, s.data() + k, 8);
            high |= w[0];
        }
        for (; k < n; ++k) high |= static_cast<unsigned char>(s[k]);
        if ((high & 0x8080808080808080ull) == 0) return n;
    }
    size_t b = 0;
    for (int64_t k = 1; k < pos && b < s.size(); ++k) b += SequenceLength(static_cast<unsigned char>(s[b]));
    return b < s.size() ? b : s.size();
}

int64_t CharCount(std::string_view s, size_t bytes) {
    int64_t n = 0;
    for (size_t b = 0; b < bytes && b < s.size(); b += SequenceLength(static_cast<unsigned char>(s[b]))) ++n;
    return n;
}

void F_String(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    if (args[0].IsString()) {
        result.SetString(args[0].str);
        return;
    }
    const double r = args[0].val;
    char buf[64];
    if (std::nearbyint(r) == r && std::fabs(r) < 9.2e18) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(r));
    } else {
        std::snprintf(buf, sizeof buf, "%.10g", r);
        std::snprintf(buf, sizeof buf, "%.2f", std::strtod(buf, nullptr));
    }
    result.SetString(TRefString(buf));
}

void F_StringLength(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    std::string_view s = args[0].IsString() ? args[0].str.view() : std::string_view();
    result.SetReal(double(args[0].IsString() && args[0].str.IsAscii() ? s.size() : CharCount(s, s.size())));
}

void F_StringPos(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    std::string_view sub = args[0].IsString() ? args[0].str.view() : std::string_view();
    std::string_view s = args[1].IsString() ? args[1].str.view() : std::string_view();
    size_t at = sub.empty() ? std::string_view::npos : s.find(sub);
    if (at == std::string_view::npos) {
        result.SetReal(0.0);
        return;
    }
    result.SetReal(
        double((!args[1].IsString() || args[1].str.IsAscii() ? int64_t(at) : CharCount(s, at)) + 1));
}

void F_StringCopy(CInstance*, CInstance*, int, RValue& result, RValue* args) {
    std::string_view s = args[0].IsString() ? args[0].str.view() : std::string_view();
    int64_t index = Operator_RoundInt64(args[1].val), count = Operator_RoundInt64(args[2].val);
    if (index < 1) index = 1;
    if (count <= 0) {
        result.SetString(TRefString());
        return;
    }
    if (!args[0].IsString() || args[0].str.IsAscii()) {
        // Characters are bytes.
        size_t from = uint64_t(index - 1) < s.size() ? size_t(index - 1) : s.size();
        size_t n = uint64_t(count) < s.size() - from ? size_t(count) : s.size() - from;
        result.SetString(TRefString::FromAscii(s.substr(from, n)));
        return;
    }
    size_t from = ByteOffset(s, index);
    size_t to = from;
    for (int64_t k = 0; k < count && to < s.size(); ++k)
        to += SequenceLength(static_cast<unsigned char>(s[to]));
    if (to > s.size()) to = s.size();
    result.SetString(TRefString(s.substr(from, to - from)));
}

} // namespace

// 73 functions, in registration order.
// clang-format off
static const RFunctionEntry kMathFunctions[] = {
    // name                       handler  arguments
    {"is_real",                   nullptr, 1},
    {"is_string",                 nullptr, 1},
    {"random",                    nullptr, 1},
    {"random_range",              nullptr, 2},
    {"irandom",                   nullptr, 1},
    {"irandom_range",             nullptr, 2},
    {"random_set_seed",           nullptr, 1},
    {"random_get_seed",           nullptr, 0},
    {"randomize",                 nullptr, 0},
    {"abs",                       nullptr, 1},
    {"round",                     nullptr, 1},
    {"floor",                     nullptr, 1},
    {"ceil",                      nullptr, 1},
    {"sign",                      nullptr, 1},
    {"frac",                      nullptr, 1},
    {"sqrt",                      nullptr, 1},
    {"sqr",                       nullptr, 1},
    {"exp",                       nullptr, 1},
    {"ln",                        nullptr, 1},
    {"log2",                      nullptr, 1},
    {"log10",                     nullptr, 1},
    {"sin",                       nullptr, 1},
    {"cos",                       nullptr, 1},
    {"tan",                       nullptr, 1},
    {"arcsin",                    nullptr, 1},
    {"arccos",                    nullptr, 1},
    {"arctan",                    nullptr, 1},
    {"arctan2",                   nullptr, 2},
    {"degtorad",                  nullptr, 1},
    {"radtodeg",                  nullptr, 1},
    {"power",                     nullptr, 2},
    {"logn",                      nullptr, 2},
    {"min",                       nullptr, kAnyArgCount},
    {"max",                       nullptr, kAnyArgCount},
    {"min3",                      nullptr, 3},
    {"max3",                      nullptr, 3},
    {"mean",                      nullptr, kAnyArgCount},
    {"median",                    nullptr, kAnyArgCount},
    {"choose",                    nullptr, kAnyArgCount},
    {"clamp",                     nullptr, 3},
    {"lerp",                      nullptr, 3},
    {"real",                      nullptr, 1},
    {"string",                    F_String, 1},
    {"string_format",             nullptr, 3},
    {"chr",                       nullptr, 1},
    {"ansi_char",                 nullptr, 1},
    {"ord",                       nullptr, 1},
    {"string_length",             F_StringLength, 1},
    {"string_byte_length",        nullptr, 1},
    {"string_byte_at",            nullptr, 2},
    {"string_pos",                F_StringPos, 2},
    {"string_copy",               F_StringCopy, 3},
    {"string_char_at",            nullptr, 2},
    {"string_delete",             nullptr, 3},
    {"string_insert",             nullptr, 3},
    {"string_lower",              nullptr, 1},
    {"string_upper",              nullptr, 1},
    {"string_repeat",             nullptr, 2},
    {"string_letters",            nullptr, 1},
    {"string_digits",             nullptr, 1},
    {"string_lettersdigits",      nullptr, 1},
    {"string_replace",            nullptr, 3},
    {"string_replace_all",        nullptr, 3},
    {"string_count",              nullptr, 2},
    {"dot_product",               nullptr, 4},
    {"dot_product_normalised",    nullptr, 4},
    {"dot_product_3d",            nullptr, 6},
    {"dot_product_3d_normalised", nullptr, 6},
    {"point_distance_3d",         nullptr, 6},
    {"point_distance",            nullptr, 4},
    {"point_direction",           nullptr, 4},
    {"lengthdir_x",               nullptr, 2},
    {"lengthdir_y",               nullptr, 2},
};
// clang-format on

void Function_RegisterMath() {
    Function_AddTable(kMathFunctions);
}
