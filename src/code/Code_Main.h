// CCode: one piece of game code (a program or an expression), the lexer that cuts its text into
// tokens, and the compiler that resolves names, parses the tokens into a code tree and runs the
// post pass (locals, fixed instance selectors, constant folding). The executor walks the tree.
#pragma once

#include "code/Code_Lex.h"
#include "code/Variable_Class.h"
#include "code/Variable_Main.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CCode;

// Code tree node kinds (they fit the node's 8-bit kind field).
enum : int {
    kNodeEmptyProgram = -2,
    kNodeEmpty = -1,
    kNodeConstant = 5,
    kNodeCall = 6,
    kNodeVariable = 7,
    kNodeFixedVariable = 8,
    kNodeVarCell = 9, // the record of a kNodeVariable, after its children (not a node of the tree)
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
    kNodeBlock = 40,
    kNodeUnary = 41,
    kNodeBinary = 42,
    kNodeAssign = 101,
};

inline constexpr int kArgumentSlotMark = -100;
// Ids a node holds (function, variable and operator ids) are below this.
inline constexpr int kMaxNodeInd = (1 << 23) - 1;

struct RToken;

// The children of a node: they sit side by side in the code's node array, first (relative to the
// node, which this view begins) the offset of the first one. Constants and fixed variables have
// none (their node holds other data where the view's numbers would be).
struct RKids {
    int32_t first;
    int32_t count;
    inline size_t size() const;
    bool empty() const { return size() == 0; }
    inline const RToken* begin() const;
    inline const RToken* end() const;
    inline RToken* begin();
    inline RToken* end();
    inline const RToken& operator[](size_t k) const;
    inline RToken& operator[](size_t k);
};

// One node of the code tree, 16 bytes. The nodes of a code live in one array (CCode::i_nodes),
// the constants in a table of their own (CCode::i_consts).
//
// Variables: ind is the variable id, Ind2() the selector (a fixed one, or for kNodeVariable a
// constant selector, rounded), Slot() the local slot of a local variable (selector kSelLocal) or
// kArgumentSlotMark - k for argument<k> read for self, else -1, and Hint() the position where the
// variable was found last in a variable list, tried first on the next run (variables of the
// instances of one object usually sit at the same place). A fixed variable keeps the selector
// and the slot or hint in place of the children; a kNodeVariable keeps them in a record of kind
// kNodeVarCell right after its children (selector, hint, and the slot where the position is).
struct RToken {
    union {
        RKids items;         // first member: the view finds the node at its own address
        const RValue* value; // kind 5 once compiled: the constant
        struct {
            int32_t ind2;             // fixed variables, variable records: the selector
            mutable int32_t slotHint; // fixed variables: the slot, or when none the hint
        };
        int32_t constIndex; // kind 5 while compiling: the index in the constant table
    };
    int32_t position = 0;
    int32_t kind : 8;
    int32_t ind : 24; // function id, variable id or operator symbol, by kind

    RToken() : items{0, 0}, kind(kNodeEmpty), ind(0) {}
    int itemnumb() const { return int(items.size()); }
    bool IsLeaf() const { return kind == kNodeConstant || kind == kNodeFixedVariable; }

    // The record of a kNodeVariable.
    const RToken& Cell() const { return items.begin()[items.count]; }
    int32_t Ind2() const { return kind == kNodeFixedVariable ? ind2 : Cell().ind2; }
    int32_t Slot() const {
        if (kind != kNodeFixedVariable) return Cell().position;
        return ind2 == kSelLocal || slotHint <= kArgumentSlotMark ? slotHint : -1;
    }
    int32_t& Hint() const {
        static int32_t unused = -1; // nodes with a slot read no list
        if (kind != kNodeFixedVariable) return Cell().slotHint;
        return Slot() == -1 ? slotHint : unused;
    }
};
static_assert(sizeof(RToken) == 16, "code tree nodes stay small");

inline size_t RKids::size() const {
    return reinterpret_cast<const RToken*>(this)->IsLeaf() ? 0 : size_t(count);
}
inline const RToken* RKids::begin() const {
    return reinterpret_cast<const RToken*>(this) +
           (reinterpret_cast<const RToken*>(this)->IsLeaf() ? 0 : first);
}
inline const RToken* RKids::end() const {
    return begin() + size();
}
inline RToken* RKids::begin() {
    return reinterpret_cast<RToken*>(this) + (reinterpret_cast<const RToken*>(this)->IsLeaf() ? 0 : first);
}
inline RToken* RKids::end() {
    return begin() + size();
}
inline const RToken& RKids::operator[](size_t k) const {
    return reinterpret_cast<const RToken*>(this)[first + ptrdiff_t(k)];
}
inline RToken& RKids::operator[](size_t k) {
    return reinterpret_cast<RToken*>(this)[first + ptrdiff_t(k)];
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
