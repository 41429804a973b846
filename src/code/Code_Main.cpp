// The compiler of the game language: the lexer, name resolution, the recursive-descent parser and
// the post pass. Every error goes through the code-error path, which keeps the first one.
#include "code/Code_Main.h"

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Operator.h"
#include "code/Code_Variable.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"

#include <algorithm>
#include <unordered_map>

// ---- compiler ----

namespace {

int32_t SelectorOf(double v) {
    // Rounded half to even; values outside 32 bits keep their low 32 bits as the selector.
    return int32_t(uint32_t(uint64_t(Operator_RoundInt64(v))));
}

class CCompiler {
  public:
    explicit CCompiler(CCode* code) : m_code(code), m_p(code, code->i_str) {}

    bool Program(RToken& root);
    bool ExpressionRoot(RToken& root);
    bool PostPass(RToken& node);
    // Local and argument slots of a variable node; local: its selector is local.
    bool VariableSlots(RToken& node, bool local);

  private:
    const RToken2& Cur() const { return *m_p; }
    int Sym() const { return m_p->symbol; }
    // Position of the token after the current one (statement nodes take it).
    int NextPos() const { return m_p.NextPosition(); }
    bool Fail(int position, const char* message) {
        m_p.CheckRest(); // errors of the lexer and of names in the rest of the text come first
        Error_SetCodeError(m_code, position, message);
        return false;
    }
    bool Adopt(RToken& parent, RToken&& child) {
        parent.height = int16_t(std::max(int(parent.height), child.height + 1));
        parent.items.push_back(std::move(child));
        if (parent.height > kMaxTreeHeight) return Fail(parent.position, kMessageTooDeep);
        return true;
    }

    bool Statement(RToken& out);
    bool Block(RToken& out, int kind);
    bool Assignment(RToken& out);
    bool VarList(RToken& out);
    bool Expression(RToken& out);
    bool Level(int level, RToken& out);
    bool Unary(RToken& out);
    bool Postfix(RToken& out);
    bool Primary(RToken& out);
    bool Call(RToken& out);
    bool Variable(RToken& out, RToken* selector);
    bool Indices(RToken& out);

    CCode* m_code;
    CTokenStream m_p; // the current token; ++m_p reads the next one
    int m_depth = 0;
    std::vector<int> m_localIds; // ids declared with var, in order of declaration
    std::unordered_map<int, int> m_localSlot;

    struct RDepth {
        CCompiler& c;
        bool ok;
        explicit RDepth(CCompiler& cc) : c(cc), ok(++cc.m_depth <= kMaxParseNesting) {}
        ~RDepth() { --c.m_depth; }
    };

    int m_argIndex = -1; // highest constant index of argument[...]

  public:
    std::vector<int> TakeLocals() { return std::move(m_localIds); }
    // After parsing: false when the text holds an error the parser did not read.
    bool TokensOk() { return m_p.CheckRest(); }
    int HighestArgumentIndex() const { return m_argIndex; }
};

bool IsBinaryAt(int level, int sym) {
    switch (level) {
    case 1:
        return sym == kOpAnd || sym == kOpOr || sym == kOpXor;
    case 2:
        return sym == kSymAssign || (sym >= kOpLess && sym <= kOpGreater);
    case 3:
        return sym == kOpBitOr || sym == kOpBitAnd || sym == kOpBitXor;
    case 4:
        return sym == kOpShiftLeft || sym == kOpShiftRight;
    case 5:
        return sym == kOpPlus || sym == kOpMinus;
    default:
        return sym == kOpMultiply || sym == kOpDivide || sym == kOpDiv || sym == kOpMod;
    }
}

bool IsAssignSymbol(int sym) {
    return (sym >= kSymAssign && sym <= kSymDivAssign) || (sym >= kSymOrAssign && sym <= kSymXorAssign);
}

bool CCompiler::Program(RToken& root) {
    root.position = Cur().position;
    if (Sym() == kSymEnd) {
        root.kind = kNodeEmptyProgram;
        return true;
    }
    if (Sym() == kSymBegin) {
        if (!Statement(root)) return false;
        if (Sym() != kSymEnd) return Fail(Cur().position, "Program ends before end of the code.");
        return true;
    }
    root.kind = kNodeBlock;
    while (Sym() != kSymEnd) {
        RToken s;
        if (!Statement(s) || !Adopt(root, std::move(s))) return false;
    }
    return true;
}

bool CCompiler::ExpressionRoot(RToken& root) {
    if (Sym() == kSymEnd) {
        root.kind = kNodeConstant;
        root.position = Cur().position;
        root.value = RValue::Real(0.0);
        return true;
    }
    return Expression(root);
}

bool CCompiler::Block(RToken& out, int kind) {
    // The current token is { or begin.
    out.kind = kind;
    out.position = NextPos();
    ++m_p;
    while (Sym() != kSymEndBlock) {
        if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol } expected.");
        RToken s;
        if (!Statement(s) || !Adopt(out, std::move(s))) return false;
    }
    ++m_p;
    return true;
}

bool CCompiler::Statement(RToken& out) {
    RDepth depth(*this);
    if (!depth.ok) return Fail(Cur().position, kMessageTooDeep);
    const int sym = Sym();
    const int after = NextPos();
    RToken a, b, c, d;
    switch (sym) {
    case kSymFunction:
        if (!Call(out)) return false;
        break;
    case kSymBegin:
        if (!Block(out, kNodeBlock)) return false;
        break;
    case kSymIf:
        out.kind = kNodeIf;
        out.position = after;
        ++m_p;
        if (!Expression(a) || !Adopt(out, std::move(a))) return false;
        if (Sym() == kSymThen) ++m_p;
        if (!Statement(b) || !Adopt(out, std::move(b))) return false;
        if (Sym() == kSymElse) {
            ++m_p;
            if (!Statement(c) || !Adopt(out, std::move(c))) return false;
        }
        break;
    case kSymWhile:
    case kSymWith:
        out.kind = sym == kSymWhile ? kNodeWhile : kNodeWith;
        out.position = after;
        ++m_p;
        if (!Expression(a) || !Adopt(out, std::move(a))) return false;
        if (Sym() == kSymDo) ++m_p;
        if (!Statement(b) || !Adopt(out, std::move(b))) return false;
        break;
    case kSymDo:
        out.kind = kNodeDo;
        out.position = after;
        ++m_p;
        if (!Statement(a) || !Adopt(out, std::move(a))) return false;
        if (Sym() != kSymUntil) return Fail(Cur().position, "Keyword until expected.");
        ++m_p;
        if (!Expression(b) || !Adopt(out, std::move(b))) return false;
        break;
    case kSymFor:
        out.kind = kNodeFor;
        out.position = after;
        ++m_p;
        if (Sym() != kSymOpen) return Fail(Cur().position, "Symbol ( expected.");
        ++m_p;
        if (!Statement(a) || !Adopt(out, std::move(a))) return false;
        if (Sym() == kSymSemicolon) ++m_p;
        if (!Expression(b) || !Adopt(out, std::move(b))) return false;
        if (Sym() == kSymSemicolon) ++m_p;
        if (!Statement(c) || !Adopt(out, std::move(c))) return false;
        if (Sym() != kSymClose) return Fail(Cur().position, "Symbol ) expected.");
        ++m_p;
        if (!Statement(d) || !Adopt(out, std::move(d))) return false;
        break;
    case kSymRepeat:
        out.kind = kNodeRepeat;
        out.position = after;
        ++m_p;
        if (!Expression(a) || !Adopt(out, std::move(a))) return false;
        if (!Statement(b) || !Adopt(out, std::move(b))) return false;
        break;
    case kSymExit:
    case kSymBreak:
    case kSymContinue:
        out.kind = sym; // the node kinds share the keyword numbers
        out.position = after;
        ++m_p;
        break;
    case kSymReturn:
        out.kind = kNodeReturn;
        out.position = after;
        ++m_p;
        if (!Expression(a) || !Adopt(out, std::move(a))) return false;
        break;
    case kSymSwitch:
        out.kind = kNodeSwitch;
        out.position = after;
        ++m_p;
        if (!Expression(a) || !Adopt(out, std::move(a))) return false;
        if (Sym() != kSymBegin) return Fail(Cur().position, "Symbol { expected.");
        ++m_p;
        while (Sym() != kSymEndBlock) {
            if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol } expected.");
            RToken s;
            if (!Statement(s) || !Adopt(out, std::move(s))) return false;
        }
        ++m_p;
        break;
    case kSymCase:
        out.kind = kNodeCase;
        out.position = after;
        ++m_p;
        if (!Expression(a) || !Adopt(out, std::move(a))) return false;
        if (Sym() != kSymColon) return Fail(Cur().position, "Symbol : expected.");
        ++m_p;
        break;
    case kSymDefault:
        out.kind = kNodeDefault;
        out.position = after;
        ++m_p;
        if (Sym() != kSymColon) return Fail(Cur().position, "Symbol : expected.");
        ++m_p;
        break;
    case kSymVar:
    case kSymGlobalVar:
        if (!VarList(out)) return false;
        break;
    case kSymSemicolon:
        out.kind = kNodeEmpty;
        out.position = Cur().position;
        ++m_p;
        break;
    case kSymEnd:
        return Fail(Cur().position, "Unexpected end of code reached.");
    default:
        if (!Assignment(out)) return false;
        break;
    }
    while (Sym() == kSymSemicolon) ++m_p;
    return true;
}

bool CCompiler::VarList(RToken& out) {
    out.kind = Sym() == kSymVar ? kNodeVar : kNodeGlobalVar;
    out.position = NextPos();
    ++m_p;
    while (Sym() == kSymVariable) {
        if (Cur().ind < kUserVarBase) return Fail(Cur().position, "Cannot redeclare a builtin variable.");
        RToken name;
        name.kind = kNodeConstant;
        name.ind = Cur().ind;
        name.position = Cur().position;
        name.value = RValue::Real(0.0);
        if (!Adopt(out, std::move(name))) return false;
        ++m_p;
        if (Sym() == kSymComma) ++m_p;
    }
    return true;
}

bool CCompiler::Assignment(RToken& out) {
    RToken target, value;
    if (!Postfix(target)) return false;
    if (target.kind != kNodeVariable && target.kind != kNodeFixedVariable)
        return Fail(target.position, "Variable name expected.");
    if (!IsAssignSymbol(Sym())) return Fail(Cur().position, "Assignment operator expected.");
    out.kind = kNodeAssign;
    out.ind = Sym();
    out.position = target.position;
    ++m_p;
    if (!Expression(value)) return false;
    return Adopt(out, std::move(target)) && Adopt(out, std::move(value));
}

bool CCompiler::Expression(RToken& out) {
    RDepth depth(*this);
    if (!depth.ok) return Fail(Cur().position, kMessageTooDeep);
    return Level(1, out);
}

bool CCompiler::Level(int level, RToken& out) {
    if (level > 6) return Unary(out);
    if (!Level(level + 1, out)) return false;
    while (IsBinaryAt(level, Sym())) {
        RToken node;
        node.kind = kNodeBinary;
        node.ind = Sym();
        node.position = out.position;
        ++m_p;
        RToken right;
        if (!Level(level + 1, right)) return false;
        if (!Adopt(node, std::move(out)) || !Adopt(node, std::move(right))) return false;
        out = std::move(node);
    }
    return true;
}

bool CCompiler::Unary(RToken& out) {
    const int sym = Sym();
    if (sym == kOpNot || sym == kOpPlus || sym == kOpMinus || sym == kOpBitNot) {
        RDepth depth(*this);
        if (!depth.ok) return Fail(Cur().position, kMessageTooDeep);
        out.kind = kNodeUnary;
        out.ind = sym;
        out.position = Cur().position;
        ++m_p;
        RToken operand;
        return Unary(operand) && Adopt(out, std::move(operand));
    }
    return Postfix(out);
}

bool CCompiler::Postfix(RToken& out) {
    if (!Primary(out)) return false;
    while (Sym() == kSymDot) {
        ++m_p;
        RToken var;
        if (!Variable(var, &out)) return false;
        out = std::move(var);
    }
    return true;
}

bool CCompiler::Primary(RToken& out) {
    switch (Sym()) {
    case kSymConstant:
        out.kind = kNodeConstant;
        out.position = Cur().position;
        out.value = Cur().val;
        ++m_p;
        return true;
    case kSymFunction:
        return Call(out);
    case kSymVariable:
        return Variable(out, nullptr);
    case kSymOpen: {
        ++m_p;
        if (!Expression(out)) return false;
        if (Sym() != kSymClose) return Fail(Cur().position, "Symbol ) expected.");
        ++m_p;
        return true;
    }
    default:
        return Fail(Cur().position, "Unexpected symbol in expression.");
    }
}

bool CCompiler::Call(RToken& out) {
    if (Sym() != kSymFunction) return Fail(Cur().position, "Function name expected.");
    out.kind = kNodeCall;
    out.ind = Cur().ind;
    out.position = Cur().position;
    ++m_p;
    if (Sym() != kSymOpen) return Fail(Cur().position, "Symbol ( expected.");
    ++m_p;
    while (Sym() != kSymClose) {
        if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol ) expected.");
        RToken arg;
        if (!Expression(arg) || !Adopt(out, std::move(arg))) return false;
        if (Sym() == kSymComma) {
            ++m_p;
        } else if (Sym() == kSymEnd) {
            return Fail(Cur().position, "Symbol ) expected.");
        } else if (Sym() != kSymClose) {
            return Fail(Cur().position, "Symbol , or ) expected.");
        }
    }
    const int count = out.itemnumb();
    const int wanted = Function_ArgCount(out.ind);
    if (!(count <= 16 && (wanted < 0 || wanted == count)))
        return Fail(Cur().position, "Wrong number of arguments to function or script.");
    ++m_p;
    return true;
}

bool CCompiler::Variable(RToken& out, RToken* selector) {
    if (Sym() != kSymVariable) return Fail(Cur().position, "Variable name expected.");
    out.kind = kNodeVariable;
    out.ind = Cur().ind;
    RToken sel;
    if (selector) {
        out.position = selector->position;
        sel = std::move(*selector);
    } else {
        out.position = Cur().position;
        ++m_p;
        if (Sym() != kSymOpenIndex) {
            // A plain name: the fixed form at once, without a selector node. It counts as two
            // levels for the nesting limit, as the selector node would.
            out.kind = kNodeFixedVariable;
            out.ind2 = kSelDefault;
            out.height = 2;
            return true;
        }
        sel.kind = kNodeConstant;
        sel.position = out.position;
        sel.value = RValue::Real(kSelDefault);
        return Adopt(out, std::move(sel)) && Indices(out);
    }
    ++m_p;
    if (!Adopt(out, std::move(sel))) return false;
    return Sym() == kSymOpenIndex ? Indices(out) : true;
}

bool CCompiler::Indices(RToken& out) {
    ++m_p;
    while (Sym() != kSymCloseIndex) {
        if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol ] expected.");
        RToken index;
        if (!Expression(index)) return false;
        if (out.itemnumb() >= 3) return Fail(out.position, "Only 1- and 2-dimensional arrays are supported.");
        if (!Adopt(out, std::move(index))) return false;
        if (Sym() == kSymComma) {
            ++m_p;
        } else if (Sym() == kSymEnd) {
            return Fail(Cur().position, "Symbol ] expected.");
        } else if (Sym() != kSymCloseIndex) {
            return Fail(Cur().position, "Symbol , or ] expected.");
        }
    }
    ++m_p;
    return true;
}

bool CCompiler::VariableSlots(RToken& node, bool local) {
    if (local) {
        // Explicit local.x shares the slot of a var-declared x; other ids get a slot of their own.
        auto it = m_localSlot.find(node.ind);
        if (it == m_localSlot.end()) {
            it = m_localSlot.emplace(node.ind, int(m_localIds.size())).first;
            m_localIds.push_back(node.ind);
        }
        node.slot = it->second;
    }
    if (node.kind == kNodeFixedVariable && (node.ind2 == kSelDefault || node.ind2 == kSelSelf)) {
        // argument0 .. argument15 read their slot whatever the instance.
        const int base = BuiltinVar_Argument0Id();
        if (base >= 0 && node.ind >= base && node.ind < base + 16)
            node.slot = kArgumentSlotMark - (node.ind - base);
    }
    return true;
}

bool CCompiler::PostPass(RToken& node) {
    for (RToken& child : node.items)
        if (!PostPass(child)) return false;

    switch (node.kind) {
    case kNodeVar:
        for (const RToken& name : node.items) {
            if (m_localSlot.count(name.ind)) continue;
            m_localSlot.emplace(name.ind, int(m_localIds.size()));
            m_localIds.push_back(name.ind);
        }
        return true;
    case kNodeVariable: {
        RToken& sel = node.items[0];
        // argument[k] with a constant k uses argument k as argument<k> does: the argument-count
        // check of script calls then asks for at least k + 1 arguments.
        if (node.ind == BuiltinVar_ArgumentId() && node.itemnumb() == 2 &&
            node.items[1].kind == kNodeConstant && !node.items[1].value.IsString()) {
            const int64_t k = Operator_RoundInt64(node.items[1].value.val);
            if (k >= 0 && k < 16 && k > m_argIndex) m_argIndex = int(k);
        }
        if (sel.kind == kNodeConstant && !sel.value.IsString() && sel.value.val == kSelDefault &&
            m_localSlot.count(node.ind))
            sel.value.val = kSelLocal;
        if (sel.kind == kNodeConstant && !sel.value.IsString())
            node.ind2 = SelectorOf(sel.value.val); // the executor reads a constant selector here
        if (node.itemnumb() == 1 && sel.kind == kNodeConstant) {
            if (sel.value.IsString()) return Fail(sel.position, "Left hand side must be a real value.");
            node.kind = kNodeFixedVariable;
            node.ind2 = SelectorOf(sel.value.val);
            std::vector<RToken>().swap(node.items);
            node.height = 1;
            return VariableSlots(node, node.ind2 == kSelLocal);
        }
        return VariableSlots(node, sel.kind == kNodeConstant && !sel.value.IsString() &&
                                       SelectorOf(sel.value.val) == kSelLocal);
    }
    case kNodeFixedVariable:
        // A plain name, made in this form by the parser.
        if (node.ind2 == kSelDefault && m_localSlot.count(node.ind)) node.ind2 = kSelLocal;
        node.height = 1;
        return VariableSlots(node, node.ind2 == kSelLocal);
    case kNodeUnary: {
        RToken& operand = node.items[0];
        if (operand.kind != kNodeConstant) return true;
        RValue v = operand.value;
        if (!Operator_Unary(m_code, operand.position, node.ind, v)) return false;
        node.kind = kNodeConstant;
        node.value = std::move(v);
        std::vector<RToken>().swap(node.items);
        node.height = 1;
        return true;
    }
    case kNodeBinary: {
        RToken& l = node.items[0];
        RToken& r = node.items[1];
        if (l.kind != kNodeConstant || r.kind != kNodeConstant) return true;
        RValue v = l.value;
        if (!Operator_Binary(m_code, r.position, node.ind, r.value, v)) return false;
        node.kind = kNodeConstant;
        node.value = std::move(v);
        std::vector<RToken>().swap(node.items);
        node.height = 1;
        return true;
    }
    default:
        return true;
    }
}

} // namespace

bool CCode::Compile() {
    Error_ClearFlag();
    VarName_ResetArgTrackers();
    if (i_compiled) {
        Error_SetCodeError(this, 0, "Internal Error: Recompiling compiled code.");
        return false;
    }
    CCompiler compiler(this);
    RToken root;
    const bool isExpression = i_kind != kProgram;
    if (!(isExpression ? compiler.ExpressionRoot(root) : compiler.Program(root))) return false;
    if (!compiler.TokensOk()) return false;
    if (!compiler.PostPass(root)) return false;
    i_localIds = compiler.TakeLocals();
    if (isExpression && root.kind == kNodeConstant) {
        i_value = root.value;
        i_kind = kConstant;
    }
    i_token = std::move(root);
    i_compiled = true;
    i_Args = std::max(VarName_HighestArgument(), compiler.HighestArgumentIndex()) + 1;
    i_ArgArray = VarName_ArgumentArrayUsed();
    return true;
}
