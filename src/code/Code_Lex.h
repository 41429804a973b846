// The lexer of the game language and the token stream the parser reads. The stream lexes and
// resolves one token at a time (names to functions, constants and variable ids; numbers and
// strings to values), so no token list of the whole text is kept while the tree is built.
#pragma once

#include "code/Variable_Class.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CCode;

// Token symbols, shared by the lexer, the parser, the code tree and the operators.
enum : int {
    kSymEnd = -2,
    kSymUnknown = -1,
    kSymName = 0,
    kSymNumber = 1,
    kSymString = 2,
    kSymConstant = 5, // resolved: a constant value
    kSymFunction = 6, // resolved: a function or script name before "("
    kSymVariable = 7, // resolved: a variable name
    kSymBegin = 11,
    kSymEndBlock = 12,
    kSymIf = 13,
    kSymThen = 14,
    kSymElse = 15,
    kSymWhile = 16,
    kSymDo = 17,
    kSymFor = 18,
    kSymUntil = 19,
    kSymRepeat = 20,
    kSymExit = 21,
    kSymBreak = 22,
    kSymContinue = 23,
    kSymWith = 24,
    kSymReturn = 25,
    kSymSwitch = 26,
    kSymCase = 27,
    kSymDefault = 28,
    kSymVar = 29,
    kSymGlobalVar = 30,
    kSymAssign = 101,
    kSymAddAssign = 102,
    kSymSubAssign = 103,
    kSymMulAssign = 104,
    kSymDivAssign = 105,
    kSymOpen = 106,
    kSymClose = 107,
    kSymSemicolon = 108,
    kSymComma = 109,
    kSymOpenIndex = 110,
    kSymCloseIndex = 111,
    kSymDot = 112,
    kSymColon = 113,
    kSymOrAssign = 114,
    kSymAndAssign = 115,
    kSymXorAssign = 116,
};

// One token as the lexer cuts it: symbol, 1-based position, and its text as a range of the text
// padded with three spaces (string literals: the part between the quotes).
struct RLexToken {
    int symbol = kSymEnd;
    int position = 0;
    size_t begin = 0;
    size_t length = 0;
};

// Cuts a text into tokens, reading it in place as if three spaces followed it.
class CLexer {
  public:
    explicit CLexer(std::string_view text) : m_text(text), m_n(text.size() + 3) {}
    // The next token. At the end: kSymEnd, again on every later call. kSymUnknown for a
    // character no token starts with (the lexer does not move on past it).
    RLexToken Next();
    // The token's text; where it runs past the end of the text, the padding spaces are in it.
    std::string Text(const RLexToken& t) const;
    // The token's text when it lies within the text (names and numbers always do).
    std::string_view View(const RLexToken& t) const { return m_text.substr(t.begin, t.length); }
    bool Within(const RLexToken& t) const { return t.begin + t.length <= m_text.size(); }

  private:
    std::string_view m_text;
    size_t m_n; // padded size
    size_t m_i = 0;
};

// One token of the lexer with its text, for tools and tests that look at the token list.
struct RToken1 {
    int symbol = kSymEnd;
    std::string str;
    int position = 0;
};
using RTokenList1 = std::vector<RToken1>;

// Cuts text into tokens. On an unknown character reports "Unexpected symbol." for code at its
// position through the code-error path and returns false; the list then ends with that token.
bool Code_Lex(const CCode* code, const std::string& text, RTokenList1& tokens);

// A resolved token: names became calls, constants or variable ids; numbers and strings values.
struct RToken2 {
    int symbol = kSymEnd;
    int ind = 0;
    RValue val;
    int position = 0;
};

// The tokens of a code's text for the parser, lexed and resolved as it reads them: *stream is
// the current token, ++stream moves on. Errors come out as they would if the whole text were
// lexed, then resolved, then parsed: a lexer error anywhere wins over everything, then the first
// unknown function, then the parser's first error. After an error the stream reads as the end.
class CTokenStream {
  public:
    CTokenStream(const CCode* code, std::string_view text);
    const RToken2& operator*() const { return m_cur; }
    const RToken2* operator->() const { return &m_cur; }
    CTokenStream& operator++();
    // Position of the token after the current one.
    int NextPosition() const { return m_next.position; }
    // Lexes and resolves the tokens not read yet and reports the first error among them (a
    // lexer error before any name error). False when the text has an error. Called before the
    // parser reports an error, and after it is done.
    bool CheckRest();

  private:
    struct RName {
        bool isFunction = false; // looked up before "(" and found
        int function = 0;
        bool looked = false; // looked up as a constant or variable
        bool constant = false;
        int variable = 0;
        RValue value;
    };
    bool Resolve(const CLexer& lexer, const RLexToken& t, int nextSymbol, RToken2& out);
    bool LexRest(CLexer lexer);
    void Fail(int position, const std::string& message);

    const CCode* m_code;
    CLexer m_lexer;
    RLexToken m_raw;  // the current token as lexed
    RLexToken m_next; // the token after it
    RToken2 m_cur;
    bool m_failed = false;
    // Names met in this text and what they resolved to: each is looked up once.
    std::unordered_map<std::string_view, RName> m_names;
};
