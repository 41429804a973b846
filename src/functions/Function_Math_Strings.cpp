// The conversions and string functions of the math family. Every position and length counts
// characters (a UTF-8 lead byte and its continuation bytes are one character, every other byte
// is one); only the string_byte_* functions count bytes. Every function that builds a text
// refuses a result longer than kMaxStringBytes with kStringTooLong.
#include "functions/Function_Math.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <locale.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>

// ---- text form of reals ----

std::string Math_FixedText(double r, int digits, int decimals) {
    if (std::isnan(r)) return "nan";
    if (std::isinf(r)) return r > 0 ? "inf" : "-inf";
    if (digits < 1) digits = 1;
    if (digits > 18) digits = 18;
    if (decimals < 0) decimals = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, std::fabs(r));
    // buf is "d.ddd...e+XX" (or "de+XX" for one digit).
    std::string d(1, buf[0]);
    const char* p = buf + 1;
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9'; ++p) d.push_back(*p);
    int e = (*p == 'e') ? std::atoi(p + 1) : 0;
    const bool negative = std::signbit(r) && r != 0.0;
    if (e >= digits) {
        while (d.size() > 1 && d.back() == '0') d.pop_back();
        std::string out = negative ? "-" : "";
        out += d[0];
        if (d.size() > 1) out.append(1, '.').append(d, 1);
        char ex[16];
        std::snprintf(ex, sizeof ex, "E%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
        return out + ex;
    }
    // The value is 0.d * 10^(e+1): split into integer and fraction digits.
    std::string ip, fp;
    if (e + 1 <= 0) {
        ip = "0";
        fp = std::string(size_t(-(e + 1)), '0') + d;
    } else {
        ip = d.substr(0, size_t(e + 1));
        fp = d.substr(size_t(e + 1));
    }
    bool up = false;
    if (fp.size() > size_t(decimals)) {
        up = fp[size_t(decimals)] >= '5';
        fp.resize(size_t(decimals));
    }
    fp.resize(size_t(decimals), '0');
    if (up) {
        std::string all = ip + fp;
        size_t k = all.size();
        while (k > 0 && all[k - 1] == '9') all[--k] = '0';
        if (k == 0)
            all.insert(all.begin(), '1');
        else
            ++all[k - 1];
        ip = all.substr(0, all.size() - fp.size());
        fp = all.substr(all.size() - fp.size());
    }
    const bool zero =
        ip.find_first_not_of('0') == std::string::npos && fp.find_first_not_of('0') == std::string::npos;
    std::string out = (negative && !zero) ? "-" : "";
    out += ip;
    if (decimals > 0) out.append(1, '.').append(fp);
    return out;
}

std::string Math_RealText(double r) {
    if (std::isnan(r)) return "nan";
    if (std::isinf(r)) return r > 0 ? "inf" : "-inf";
    const int64_t k = Operator_RoundInt64(r);
    if (double(k) == r) {
        char buf[32];
        auto res = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(k));
        return std::string(buf, res.ptr);
    }
    return Math_FixedText(r, 10, 2);
}

namespace {

// ---- UTF-8 characters ----

// Bytes of the UTF-8 sequence a lead byte starts; every other byte stands alone.
inline size_t SequenceLength(unsigned char c) {
    if (c < 0xC2) return 1;
    if (c <= 0xDF) return 2;
    if (c <= 0xEF) return 3;
    if (c <= 0xF7) return 4;
    if (c <= 0xFB) return 5;
    if (c <= 0xFD) return 6;
    return 1;
}

inline size_t NextChar(std::string_view s, size_t b) {
    b += SequenceLength(static_cast<unsigned char>(s[b]));
    return b < s.size() ? b : s.size();
}

// Byte offset count characters (count > 0) after byte offset from; s.size() when beyond the end.
size_t SkipChars(std::string_view s, size_t from, int64_t count, bool ascii) {
    if (ascii) return uint64_t(count) < s.size() - from ? from + size_t(count) : s.size();
    size_t to = from;
    for (int64_t k = 0; k < count && to < s.size(); ++k) to = NextChar(s, to);
    return to;
}

bool IsAsciiArg(const RValue& v) {
    return !v.IsString() || v.str.IsAscii();
}

// Byte offset of character position pos (1-based) in s; s.size() when beyond the end, 0 below 1.
size_t ByteOffset(std::string_view s, int64_t pos, bool ascii) {
    if (pos <= 1) return 0;
    if (ascii) return uint64_t(pos - 1) < s.size() ? size_t(pos - 1) : s.size();
    // Over a prefix of plain ASCII, characters are bytes: test many bytes at a time.
    if (uint64_t(pos - 1) <= s.size()) {
        const size_t n = size_t(pos - 1);
        uint64_t high = 0, w;
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
            std::memcpy(&w, s.data() + k, 8);
            high |= w;
        }
        for (; k < n; ++k) high |= static_cast<unsigned char>(s[k]);
        if ((high & 0x8080808080808080ull) == 0) return n;
    }
    size_t b = 0;
    for (int64_t k = 1; k < pos && b < s.size(); ++k) b = NextChar(s, b);
    return b;
}

// Characters in the first `bytes` bytes of s.
int64_t CharCount(std::string_view s, size_t bytes, bool ascii) {
    if (bytes > s.size()) bytes = s.size();
    if (ascii) return int64_t(bytes);
    int64_t n = 0;
    for (size_t b = 0; b < bytes; b = NextChar(s, b)) ++n;
    return n;
}

// False (and the error reported) when a text of n bytes would be too long.
bool Fits(uint64_t n) {
    if (n <= kMaxStringBytes) return true;
    Function_Error(kStringTooLong);
    return false;
}

void SetText(RValue& result, std::string_view s, bool ascii) {
    result.SetString(ascii ? TRefString::FromAscii(s) : TRefString(s));
}

// Appends code point c as UTF-8.
void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

// Decodes one well-formed UTF-8 sequence at s[b]; 0 bytes when it is not one.
size_t DecodeUtf8(std::string_view s, size_t b, uint32_t& c) {
    const unsigned char l = static_cast<unsigned char>(s[b]);
    size_t n = l < 0x80                   ? 1
               : (l >= 0xC2 && l <= 0xDF) ? 2
               : (l >= 0xE0 && l <= 0xEF) ? 3
               : (l >= 0xF0 && l <= 0xF4) ? 4
                                          : 0;
    if (n == 0 || b + n > s.size()) return 0;
    c = n == 1 ? l : n == 2 ? (l & 0x1F) : n == 3 ? (l & 0x0F) : (l & 0x07);
    for (size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[b + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

locale_t Utf8Locale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t(0));
        return l;
    }();
    return loc;
}

// s with every letter mapped by the system's case mapping; bytes that are not well-formed UTF-8
// stay as they are.
void MapCase(const RValue& arg, RValue& result, bool upper) {
    std::string_view s = Arg_String(arg);
    std::string out;
    out.reserve(s.size());
    if (IsAsciiArg(arg)) {
        for (char ch : s) {
            if (upper && ch >= 'a' && ch <= 'z') ch = char(ch - 32);
            if (!upper && ch >= 'A' && ch <= 'Z') ch = char(ch + 32);
            out.push_back(ch);
        }
        SetText(result, out, true);
        return;
    }
    locale_t loc = Utf8Locale();
    for (size_t b = 0; b < s.size();) {
        uint32_t c;
        size_t n = DecodeUtf8(s, b, c);
        if (n == 0) {
            out.push_back(s[b++]);
            continue;
        }
        wint_t m = wint_t(c);
        if (loc)
            m = upper ? towupper_l(m, loc) : towlower_l(m, loc);
        else if (c < 0x80)
            m = upper ? towupper(m) : towlower(m);
        if (m > 0x10FFFF || (m >= 0xD800 && m <= 0xDFFF)) m = wint_t(c);
        AppendUtf8(out, uint32_t(m));
        b += n;
    }
    if (!Fits(out.size())) return;
    result.SetString(TRefString(out));
}

// The characters of s whose bytes pass keep (multi-byte characters never do).
template <class Keep>
void Filter(const RValue& arg, RValue& result, Keep keep) {
    std::string_view s = Arg_String(arg);
    std::string out;
    for (char c : s)
        if (keep(c)) out.push_back(c);
    SetText(result, out, true);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Windows-1252 for the bytes 0x80..0x9F (the unassigned ones map to the same C1 code).
constexpr uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Parses the number syntax of real(): optional sign, digits with an optional '.' and more digits
// (at least one digit), optional exponent. False when t is not such a number or overflows.
bool ParseNumber(std::string_view t, double& out) {
    size_t k = 0;
    std::string norm;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
        if (t[k] == '-') norm.push_back('-');
        ++k;
    }
    size_t digits = 0;
    std::string ip, fp;
    while (k < t.size() && IsDigit(t[k])) ip.push_back(t[k++]);
    if (k < t.size() && t[k] == '.') {
        ++k;
        while (k < t.size() && IsDigit(t[k])) fp.push_back(t[k++]);
    }
    digits = ip.size() + fp.size();
    if (digits == 0) return false;
    norm += (ip.empty() ? "0" : ip) + "." + (fp.empty() ? "0" : fp);
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        ++k;
        std::string ex = "e";
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ex.push_back(t[k++]);
        size_t start = k;
        while (k < t.size() && IsDigit(t[k])) ex.push_back(t[k++]);
        if (k == start) return false;
        norm += ex;
    }
    if (k != t.size()) return false;
    double v = 0;
    auto r = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow to zero is harmless; overflow is an error.
        if (std::fabs(std::strtod(norm.c_str(), nullptr)) > 1.0) return false;
        v = 0.0;
    } else if (r.ec != std::errc() || r.ptr != norm.data() + norm.size()) {
        return false;
    }
    out = v;
    return true;
}

} // namespace

// ---- conversions ----

QV_FUNCTION(F_String) {
    if (args[0].IsString()) {
        result.SetString(args[0].str);
        return;
    }
    std::string t = Math_RealText(args[0].val);
    SetText(result, t, true);
}

QV_FUNCTION(F_StringFormat) {
    if (args[0].IsString()) {
        result.SetString(args[0].str);
        return;
    }
    int64_t tot = Arg_Int64(args[1]), dec = Arg_Int64(args[2]);
    if (dec < 0) dec = 0;
    if (dec > 18) dec = 18;
    std::string t = Math_FixedText(args[0].val, 18, int(dec));
    if (tot > int64_t(t.size())) {
        if (!Fits(uint64_t(tot))) return;
        t.insert(0, size_t(tot) - t.size(), ' ');
    }
    SetText(result, t, true);
}

QV_FUNCTION(F_Real) {
    if (!args[0].IsString()) {
        result.SetReal(args[0].val);
        return;
    }
    std::string_view s = args[0].str.view();
    size_t a = 0, b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
    if (a == b) return;
    double v;
    if (!ParseNumber(s.substr(a, b - a), v)) {
        Function_Error("Error in function real().");
        return;
    }
    result.SetReal(v);
}

QV_FUNCTION(F_Chr) {
    const unsigned c = unsigned(uint64_t(Arg_Int64(args[0])) & 0xFF);
    std::string out;
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    SetText(result, out, c < 0x80);
}

QV_FUNCTION(F_AnsiChar) {
    const char c = char(uint64_t(Arg_Int64(args[0])) & 0xFF);
    result.SetString(TRefString(std::string_view(&c, 1)));
}

QV_FUNCTION(F_Ord) {
    std::string_view s = Arg_String(args[0]);
    result.SetReal(s.empty() ? 0.0 : double(static_cast<unsigned char>(s[0])));
}

// ---- string functions ----

QV_FUNCTION(F_StringLength) {
    std::string_view s = Arg_String(args[0]);
    result.SetReal(double(CharCount(s, s.size(), IsAsciiArg(args[0]))));
}

QV_FUNCTION(F_StringByteLength) {
    result.SetReal(double(Arg_String(args[0]).size()));
}

QV_FUNCTION(F_StringByteAt) {
    std::string_view s = Arg_String(args[0]);
    const int64_t n = Arg_Int64(args[1]);
    if (n >= 1 && uint64_t(n) <= s.size())
        result.SetReal(double(static_cast<unsigned char>(s[size_t(n - 1)])));
}

QV_FUNCTION(F_StringPos) {
    std::string_view sub = Arg_String(args[0]), s = Arg_String(args[1]);
    const size_t at = sub.empty() ? std::string_view::npos : s.find(sub);
    if (at == std::string_view::npos) return;
    result.SetReal(double(CharCount(s, at, IsAsciiArg(args[1])) + 1));
}

QV_FUNCTION(F_StringCopy) {
    std::string_view s = Arg_String(args[0]);
    const bool ascii = IsAsciiArg(args[0]);
    const int64_t index = Arg_Int64(args[1]), count = Arg_Int64(args[2]);
    if (count <= 0) {
        result.SetString(TRefString());
        return;
    }
    const size_t from = ByteOffset(s, index, ascii);
    const size_t to = SkipChars(s, from, count, ascii);
    SetText(result, s.substr(from, to - from), ascii);
}

QV_FUNCTION(F_StringCharAt) {
    result.SetString(TRefString());
    if (!args[0].IsString()) return;
    std::string_view s = args[0].str.view();
    const bool ascii = args[0].str.IsAscii();
    const int64_t index = Arg_Int64(args[1]);
    if (index < 1) return;
    const size_t from = ByteOffset(s, index, ascii);
    if (from >= s.size()) return;
    SetText(result, s.substr(from, NextChar(s, from) - from), ascii);
}

QV_FUNCTION(F_StringDelete) {
    std::string_view s = Arg_String(args[0]);
    const bool ascii = IsAsciiArg(args[0]);
    const int64_t index = Arg_Int64(args[1]), count = Arg_Int64(args[2]);
    if (index < 1 || count <= 0) {
        SetText(result, s, ascii);
        return;
    }
    const size_t from = ByteOffset(s, index, ascii);
    const size_t to = SkipChars(s, from, count, ascii);
    std::string out;
    out.reserve(s.size() - (to - from));
    out.append(s.substr(0, from)).append(s.substr(to));
    SetText(result, out, ascii);
}

QV_FUNCTION(F_StringInsert) {
    std::string_view sub = Arg_String(args[0]), s = Arg_String(args[1]);
    const bool ascii = IsAsciiArg(args[0]) && IsAsciiArg(args[1]);
    if (!Fits(uint64_t(sub.size()) + s.size())) return;
    const int64_t index = Arg_Int64(args[2]);
    // Below 1 (NaN included) inserts at the front; beyond the end appends.
    const size_t at = ByteOffset(s, index, IsAsciiArg(args[1]));
    std::string out;
    out.reserve(sub.size() + s.size());
    out.append(s.substr(0, at)).append(sub).append(s.substr(at));
    SetText(result, out, ascii);
}

QV_FUNCTION(F_StringLower) {
    MapCase(args[0], result, false);
}

QV_FUNCTION(F_StringUpper) {
    MapCase(args[0], result, true);
}

QV_FUNCTION(F_StringRepeat) {
    std::string_view s = Arg_String(args[0]);
    const int64_t n = Arg_Int64(args[1]);
    TRefString out;
    if (n > 0 && !s.empty()) {
        if (uint64_t(n) > kMaxStringBytes / s.size()) {
            Function_Error(kStringTooLong);
            return;
        }
        out.AssignRepeated(s, size_t(n));
    }
    result.SetString(std::move(out));
}

QV_FUNCTION(F_StringLetters) {
    Filter(args[0], result, IsLetter);
}

QV_FUNCTION(F_StringDigits) {
    Filter(args[0], result, IsDigit);
}

QV_FUNCTION(F_StringLettersDigits) {
    Filter(args[0], result, [](char c) { return IsLetter(c) || IsDigit(c); });
}

QV_FUNCTION(F_StringReplace) {
    std::string_view s = Arg_String(args[0]), sub = Arg_String(args[1]), with = Arg_String(args[2]);
    const bool ascii = IsAsciiArg(args[0]) && IsAsciiArg(args[2]);
    const size_t at = sub.empty() ? std::string_view::npos : s.find(sub);
    if (at == std::string_view::npos) {
        SetText(result, s, IsAsciiArg(args[0]));
        return;
    }
    if (!Fits(uint64_t(s.size()) - sub.size() + with.size())) return;
    std::string out;
    out.reserve(s.size() - sub.size() + with.size());
    out.append(s.substr(0, at)).append(with).append(s.substr(at + sub.size()));
    SetText(result, out, ascii);
}

QV_FUNCTION(F_StringReplaceAll) {
    std::string_view s = Arg_String(args[0]), sub = Arg_String(args[1]), with = Arg_String(args[2]);
    if (sub.empty()) {
        SetText(result, s, IsAsciiArg(args[0]));
        return;
    }
    uint64_t count = 0;
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size())) ++count;
    if (count == 0) {
        SetText(result, s, IsAsciiArg(args[0]));
        return;
    }
    const uint64_t size = uint64_t(s.size()) - count * sub.size();
    if (with.size() > 0 &&
        count > (kMaxStringBytes - std::min<uint64_t>(size, kMaxStringBytes)) / with.size()) {
        Function_Error(kStringTooLong);
        return;
    }
    if (!Fits(size + count * with.size())) return;
    std::string out;
    out.reserve(size_t(size + count * with.size()));
    size_t from = 0;
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, from)) {
        out.append(s.substr(from, at - from)).append(with);
        from = at + sub.size();
    }
    out.append(s.substr(from));
    SetText(result, out, IsAsciiArg(args[0]) && IsAsciiArg(args[2]));
}

QV_FUNCTION(F_StringCount) {
    std::string_view sub = Arg_String(args[0]), s = Arg_String(args[1]);
    if (sub.empty()) return;
    int64_t count = 0;
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size())) ++count;
    result.SetReal(double(count));
}
