// CCode: one piece of game code (a program or an expression), the lexer that cuts its text into
// tokens, and the compiler that resolves names, parses the tokens into a code tree and runs the
// post pass (locals, fixed instance selectors, constant folding). The executor walks the tree.
#pragma once

#include "code/Code_Lex.h"
#include "code/Variable_Class.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CCode;

// Code tree node kinds.
enum : int {
    kNodeEmptyProgram = -2,
    kNodeEmpty = -1,
    kNodeConstant = 5,
    kNodeCall = 6,
    kNodeVariable = 7,
    kNodeFixedVariable = 8,
    kNodeIf = 13,
    kNodeWhile = 16,
    kNodeDo = 17,
    kNodeFor = 18,
    kNodeRepeat = 20,
    kNodeExit = 21,
    kNodeBreak = 22,
    kNodeContinue = 23,
    kNodeWith = 24,
    kNodeReturn = 25,
    kNodeSwitch = 26,
    kNodeCase = 27,
    kNodeDefault = 28,
    kNodeVar = 29,
    kNodeGlobalVar = 30,
    kNodeAssign = 101,
    kNodeBlock = 1000,
    kNodeUnary = 1010,
    kNodeBinary = 1011,
};

inline constexpr int kArgumentSlotMark = -100;

struct RToken;

// The children of a node: they sit side by side in the code's node array, first (relative to the
// node, which this view begins) the offset of the first one.
struct RKids {
    int32_t first = 0;
    int32_t count = 0;
    size_t size() const { return size_t(count); }
    bool empty() const { return count == 0; }
    inline const RToken* begin() const;
    inline const RToken* end() const;
    inline RToken* begin();
    inline RToken* end();
    inline const RToken& operator[](size_t k) const;
    inline RToken& operator[](size_t k);
};

// One node of the code tree. The nodes of a code live in one array (CCode::i_nodes), the
// constants in a table of their own (CCode::i_consts).
struct RToken {
    RKids items; // first member: the view finds the node at its own address
    int16_t kind = kNodeEmpty;
    int16_t height = 1; // levels of the subtree, for the nesting limit (while compiling)
    int ind = 0;        // function id, variable id or operator symbol, by kind
    int ind2 = 0;       // kind 8: the fixed instance selector; kind 7: a constant selector, rounded
    int position = 0;
    union {
        // Variables. slot: local variables (selector -7): the run's local slot of the id;
        // argument<k> read for self: kArgumentSlotMark - k, read straight from the argument slot;
        // constants while compiling: the index of the value in the constant table. hint:
        // variables of a variable list: the position where the variable was found last, tried
        // first on the next run (variables of the instances of one object usually sit at the
        // same place).
        struct {
            int slot;
            mutable int32_t hint;
        };
        const RValue* value; // kind 5 once compiled: the constant
    };
    RToken() : slot(-1), hint(-1) {}
    int itemnumb() const { return items.count; }
};
static_assert(sizeof(RToken) <= 32, "code tree nodes stay small");

inline const RToken* RKids::begin() const {
    return reinterpret_cast<const RToken*>(this) + first;
}
inline const RToken* RKids::end() const {
    return begin() + count;
}
inline RToken* RKids::begin() {
    return reinterpret_cast<RToken*>(this) + first;
}
inline RToken* RKids::end() {
    return begin() + count;
}
inline const RToken& RKids::operator[](size_t k) const {
    return begin()[k];
}
inline RToken& RKids::operator[](size_t k) {
    return begin()[k];
}

// Nesting the compiler accepts: statements and parenthesised expressions inside each other, and
// the height of the code tree. Deeper code fails to compile with kMessageTooDeep.
inline constexpr int kMaxParseNesting = 200;
inline constexpr int kMaxTreeHeight = 1000;
inline constexpr const char* kMessageTooDeep = "Code is nested too deeply.";

// The executor's lowered form of a code tree (made on the first run, owned by the code).
struct RLoweredCode;
struct RLoweredDelete {
    void operator()(RLoweredCode* p) const;
};

class CCode {
  public:
    static constexpr int kProgram = 1;
    static constexpr int kExpression = 2;
    static constexpr int kConstant = 3; // expression folded to a constant

    CCode() = default;
    CCode(std::string str, bool isexp) : i_kind(isexp ? kExpression : kProgram), i_str(std::move(str)) {}

    // Compiles the text; true on success. Errors go through the code-error path (first one kept).
    bool Compile();
    const std::string& GetText() const { return i_str; }

    int i_kind = kProgram;
    bool i_compiled = false;
    std::string i_str; // the source text
    // The code tree: children before their parents, the root last; constants by pointer into
    // i_consts. Both are filled once by Compile and never change after.
    std::vector<RToken> i_nodes;
    std::vector<RValue> i_consts;
    const RToken& Root() const;
    RValue i_value;          // the constant result when i_kind is kConstant
    int i_Args = 0;          // 1 + the highest n of any argument<n> the text names; 0 when none
    bool i_ArgArray = false; // the text names the array variable argument
    // Variable ids that live in local slots during a run: slot k holds id i_localIds[k].
    std::vector<int> i_localIds;
    std::unique_ptr<RLoweredCode, RLoweredDelete> i_lowered;
};
