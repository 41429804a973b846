// The lexer and the token stream of the game language.
#include "code/Code_Lex.h"

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Code_Variable.h"

#include <locale.h>
#include <stdlib.h>

#include <array>
#include <charconv>
#include <cstring>

namespace {

// Character classes of the lexer.
enum : uint8_t { kSpace = 1, kLetter = 2, kDigit = 4, kHex = 8 };

constexpr std::array<uint8_t, 256> kClass = [] {
    std::array<uint8_t, 256> c{};
    for (int k = 0; k <= 32; ++k) c[k] = kSpace;
    for (int k = 'a'; k <= 'z'; ++k) c[k] = kLetter;
    for (int k = 'A'; k <= 'Z'; ++k) c[k] = kLetter;
    c['_'] = kLetter;
    for (int k = '0'; k <= '9'; ++k) c[k] = kDigit | kHex;
    for (int k = 'a'; k <= 'f'; ++k) c[k] |= kHex;
    for (int k = 'A'; k <= 'F'; ++k) c[k] |= kHex;
    return c;
}();

bool Is(char c, uint8_t cls) {
    return (kClass[static_cast<unsigned char>(c)] & cls) != 0;
}

struct RKeyword {
    std::string_view word;
    int symbol;
};

constexpr RKeyword kKeywords[] = {
    {"begin", kSymBegin},
    {"end", kSymEndBlock},
    {"if", kSymIf},
    {"then", kSymThen},
    {"else", kSymElse},
    {"while", kSymWhile},
    {"do", kSymDo},
    {"for", kSymFor},
    {"with", kSymWith},
    {"until", kSymUntil},
    {"repeat", kSymRepeat},
    {"exit", kSymExit},
    {"return", kSymReturn},
    {"break", kSymBreak},
    {"continue", kSymContinue},
    {"switch", kSymSwitch},
    {"case", kSymCase},
    {"default", kSymDefault},
    {"and", kOpAnd},
    {"or", kOpOr},
    {"not", kOpNot},
    {"div", kOpDiv},
    {"mod", kOpMod},
    {"xor", kOpXor},
    {"var", kSymVar},
    {"globalvar", kSymGlobalVar},
};

// The keyword symbol of a name, or kSymName. Keywords are lower case, 2 to 9 letters long.
int KeywordSymbol(std::string_view name) {
    if (name.size() < 2 || name.size() > 9 || name[0] < 'a' || name[0] > 'x') return kSymName;
    for (const RKeyword& k : kKeywords)
        if (k.word.size() == name.size() && k.word[0] == name[0] && k.word == name) return k.symbol;
    return kSymName;
}

// Symbol of the two characters a, b, or kSymUnknown.
int PairSymbol(char a, char b) {
    struct RPair {
        char a, b;
        int symbol;
    };
    static constexpr RPair kPairs[] = {
        {':', '=', kSymAssign},    {'+', '=', kSymAddAssign}, {'-', '=', kSymSubAssign},
        {'*', '=', kSymMulAssign}, {'/', '=', kSymDivAssign}, {'&', '&', kOpAnd},
        {'|', '|', kOpOr},         {'<', '=', kOpLessEqual},  {'=', '=', kOpEqual},
        {'!', '=', kOpNotEqual},   {'<', '>', kOpNotEqual},   {'>', '=', kOpGreaterEqual},
        {'|', '=', kSymOrAssign},  {'&', '=', kSymAndAssign}, {'^', '=', kSymXorAssign},
        {'<', '<', kOpShiftLeft},  {'>', '>', kOpShiftRight}, {'^', '^', kOpXor},
    };
    // Most second characters end no pair: one test skips the table for them.
    if (b != '=' && b != '&' && b != '|' && b != '>' && b != '<' && b != '^') return kSymUnknown;
    for (const RPair& p : kPairs)
        if (p.a == a && p.b == b) return p.symbol;
    return kSymUnknown;
}

int SingleSymbol(char c) {
    switch (c) {
    case '!':
        return kOpNot;
    case '&':
        return kOpBitAnd;
    case '(':
        return kSymOpen;
    case ')':
        return kSymClose;
    case '*':
        return kOpMultiply;
    case '+':
        return kOpPlus;
    case ',':
        return kSymComma;
    case '-':
        return kOpMinus;
    case '.':
        return kSymDot;
    case '/':
        return kOpDivide;
    case ':':
        return kSymColon;
    case ';':
        return kSymSemicolon;
    case '<':
        return kOpLess;
    case '=':
        return kSymAssign;
    case '>':
        return kOpGreater;
    case '[':
        return kSymOpenIndex;
    case ']':
        return kSymCloseIndex;
    case '^':
        return kOpBitXor;
    case '{':
        return kSymBegin;
    case '|':
        return kOpBitOr;
    case '}':
        return kSymEndBlock;
    case '~':
        return kOpBitNot;
    default:
        return kSymUnknown;
    }
}

// A number token's value: the nearest double to the decimal (or, after '$', hexadecimal) number
// the text writes, so 0.3 is the same double as everywhere else. Dots after the first are
// ignored ("1.2.3" is 1.23); a lone '$' is 0; beyond the range of doubles the value is infinite.
double NumberValue(std::string_view s) {
    const bool hex = !s.empty() && s[0] == '$';
    if (!hex) {
        // The common case, at most one dot: read in place.
        double v = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ec == std::errc() && r.ptr == s.data() + s.size()) return v;
    }
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    std::string text = hex ? "0x" : "";
    bool dot = false;
    for (char ch : s.substr(hex ? 1 : 0)) {
        if (ch == '.') {
            if (dot) continue;
            dot = true;
        }
        text += ch;
    }
    if (text.size() == (hex ? 2u : 0u)) return 0.0;
    return strtod_l(text.c_str(), nullptr, c);
}

} // namespace

RLexToken CLexer::Next() {
    const char* s = m_text.data();
    const size_t size = m_text.size();
    size_t i = m_i;
    // Whitespace and comments. The padding is whitespace, so a scan that reaches the end of the
    // text goes on to the padded end m_n.
    for (;;) {
        while (i < size && Is(s[i], kSpace)) ++i;
        if (i >= size) {
            if (i < m_n) i = m_n;
            break;
        }
        if (s[i] == '/' && i + 1 < size && s[i + 1] == '/') {
            const size_t nl = m_text.find_first_of("\r\n", i);
            i = nl == std::string_view::npos ? m_n : nl + 1;
            continue;
        }
        if (s[i] == '/' && i + 1 < size && s[i + 1] == '*') {
            // "/*/" closes itself; without a closing "*/" the comment runs one past the end.
            const size_t close = m_text.find("*/", i);
            i = close == std::string_view::npos ? m_n + 1 : close + 2;
            continue;
        }
        break;
    }
    RLexToken tok;
    tok.position = int(i + 1);
    tok.begin = i;
    if (i >= m_n) {
        m_i = i;
        tok.symbol = kSymEnd;
        return tok;
    }
    const char c = s[i];
    if (Is(c, kLetter)) {
        while (i < size && Is(s[i], kLetter | kDigit)) ++i;
        tok.symbol = KeywordSymbol(m_text.substr(tok.begin, i - tok.begin));
    } else if (Is(c, kDigit) || c == '$' || (c == '.' && i + 1 < size && Is(s[i + 1], kDigit))) {
        if (c == '$') {
            ++i;
            while (i < size && Is(s[i], kHex)) ++i;
        } else {
            while (i < size && (Is(s[i], kDigit) || s[i] == '.')) ++i;
        }
        tok.symbol = kSymNumber;
    } else if (c == '"' || c == '\'') {
        // Without a closing quote the string runs to the padded end, padding included.
        tok.begin = ++i;
        const size_t close = m_text.find(c, i);
        const size_t end = close == std::string_view::npos ? m_n : close;
        m_i = close == std::string_view::npos ? m_n : close + 1;
        tok.length = end - tok.begin;
        tok.symbol = kSymString;
        return tok;
    } else {
        tok.symbol = PairSymbol(c, i + 1 < size ? s[i + 1] : ' ');
        if (tok.symbol != kSymUnknown) {
            i += 2;
        } else {
            tok.symbol = SingleSymbol(c);
            if (tok.symbol == kSymUnknown) {
                m_i = i; // stays on the unknown character
                return tok;
            }
            ++i;
        }
    }
    tok.length = i - tok.begin;
    m_i = i;
    return tok;
}

std::string CLexer::Text(const RLexToken& t) const {
    if (t.begin >= m_text.size()) return std::string(t.length, ' ');
    std::string r(m_text.substr(t.begin, t.length));
    r.append(t.length - r.size(), ' ');
    return r;
}

bool Code_Lex(const CCode* code, const std::string& source, RTokenList1& tokens) {
    RTokenList1().swap(tokens); // freed, not just emptied
    CLexer lexer(source);
    for (;;) {
        const RLexToken t = lexer.Next();
        tokens.push_back({t.symbol, lexer.Text(t), t.position});
        if (t.symbol == kSymEnd) return true;
        if (t.symbol == kSymUnknown) {
            Error_SetCodeError(code, t.position, "Unexpected symbol.");
            return false;
        }
    }
}

// ---- token stream ----

CTokenStream::CTokenStream(const CCode* code, std::string_view text) : m_code(code), m_lexer(text) {
    m_next = m_lexer.Next();
    ++*this;
}

void CTokenStream::Fail(int position, const std::string& message) {
    Error_SetCodeError(m_code, position, message);
    m_failed = true;
}

CTokenStream& CTokenStream::operator++() {
    if (m_failed) {
        m_cur.symbol = kSymEnd;
        m_cur.val = RValue();
        return *this;
    }
    m_raw = m_next;
    if (m_raw.symbol == kSymUnknown) {
        Fail(m_raw.position, "Unexpected symbol.");
        return ++*this;
    }
    m_next = m_lexer.Next();
    if (m_next.symbol == kSymUnknown) {
        // The first lexer error of the text: it wins over whatever the current token is.
        Fail(m_next.position, "Unexpected symbol.");
        return ++*this;
    }
    if (!Resolve(m_lexer, m_raw, m_next.symbol, m_cur)) return ++*this;
    return *this;
}

bool CTokenStream::LexRest(CLexer lexer) {
    for (;;) {
        const RLexToken t = lexer.Next();
        if (t.symbol == kSymEnd) return true;
        if (t.symbol == kSymUnknown) {
            Fail(t.position, "Unexpected symbol.");
            return false;
        }
    }
}

bool CTokenStream::Resolve(const CLexer& lexer, const RLexToken& t, int nextSymbol, RToken2& r) {
    r.symbol = t.symbol;
    r.position = t.position;
    r.ind = 0;
    switch (t.symbol) {
    case kSymName: {
        const std::string_view name = lexer.View(t);
        RName& n = m_names[name];
        if (nextSymbol == kSymOpen) {
            if (!n.isFunction) {
                const std::string s(name);
                int id = 0;
                if (!Function_Find(s, id)) {
                    // A lexer error anywhere after this name comes first.
                    if (LexRest(m_lexer)) Fail(t.position, "Unknown function or script: " + s);
                    m_failed = true;
                    return false;
                }
                n.function = id;
                n.isFunction = true;
            }
            r.symbol = kSymFunction;
            r.ind = n.function;
            r.val = RValue();
            return true;
        }
        if (!n.looked) {
            const std::string s(name);
            n.looked = true;
            n.constant = Name_Lookup(s, n.value);
            if (!n.constant) n.variable = VarName_Find(s);
        }
        if (n.constant) {
            r.symbol = kSymConstant;
            r.val = n.value;
        } else {
            r.symbol = kSymVariable;
            r.ind = n.variable;
            r.val = RValue();
        }
        return true;
    }
    case kSymNumber:
        r.symbol = kSymConstant;
        r.val = RValue::Real(NumberValue(lexer.View(t)));
        return true;
    case kSymString:
        r.symbol = kSymConstant;
        r.val = lexer.Within(t) ? RValue::String(lexer.View(t)) : RValue::String(lexer.Text(t));
        return true;
    default:
        r.val = RValue();
        return true;
    }
}

bool CTokenStream::CheckRest() {
    if (m_failed) return false;
    if (!LexRest(m_lexer)) return false;
    // No lexer errors: resolve the rest (the token after the current one onwards) for names.
    CLexer lexer = m_lexer;
    RLexToken t = m_next, after;
    RToken2 scratch;
    while (t.symbol != kSymEnd) {
        after = lexer.Next();
        if (!Resolve(lexer, t, after.symbol, scratch)) return false;
        t = after;
    }
    return true;
}
