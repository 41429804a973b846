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
#include "platform/Platform_Memory.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

// ---- compiler ----

namespace {

int32_t SelectorOf(double v) {
    // Rounded half to even; values outside 32 bits keep their low 32 bits as the selector.
    return int32_t(uint32_t(uint64_t(Operator_RoundInt64(v))));
}

// A node while the parser builds it: the height of its subtree (levels, for the nesting limit)
// is known only here; the node array keeps the node without it.
struct RBuild : RToken {
    int height = 1;
};

class CCompiler {
  public:
    explicit CCompiler(CCode* code) : m_code(code), m_p(code, code->i_str) {}

    bool Program(RBuild& root);
    bool ExpressionRoot(RBuild& root);
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
    // A node is built in a local while its children wait in m_pend, in order, on top of the
    // stack; when the node itself is adopted, its children move side by side into the node
    // array (first then holds their absolute index until Place makes it relative), followed by
    // the record of a kNodeVariable.
    void Close(RToken& n) {
        if (n.kind == kNodeVariable) {
            MoveChildren(n);
            RToken cell;
            cell.kind = kNodeVarCell;
            cell.ind2 = kSelDefault;
            cell.slotHint = -1; // the hint
            cell.position = -1; // the slot
            m_nodes.push_back(cell);
            return;
        }
        if (n.IsLeaf() || n.items.count == 0) return;
        MoveChildren(n);
    }
    void MoveChildren(RToken& n) {
        const size_t from = n.items.count ? size_t(n.items.first) : m_pend.size();
        n.items.first = int32_t(m_nodes.size());
        // Long runs (the statements of straight code) give back the pages they leave behind as
        // they go, so that the stack and the array do not hold them both at once.
        constexpr size_t kChunk = 16384;
        for (size_t k = from; k < m_pend.size(); k += kChunk) {
            const size_t e = std::min(m_pend.size(), k + kChunk);
            m_nodes.insert(m_nodes.end(), m_pend.begin() + ptrdiff_t(k), m_pend.begin() + ptrdiff_t(e));
            if (m_pend.size() - from > kChunk)
                Platform_ReleasePages(m_pend.data() + from, (e - from) * sizeof(RToken));
        }
        m_pend.resize(from);
    }
    // Adopts without the height check; the caller checks before reporting any later error.
    void Attach(RBuild& parent, RBuild&& child) {
        Close(child);
        parent.height = std::max(parent.height, child.height + 1);
        if (parent.items.count == 0) parent.items.first = int32_t(m_pend.size());
        m_pend.push_back(child);
        ++parent.items.count;
    }
    bool CheckHeight(const RBuild& parent) {
        if (parent.height > kMaxTreeHeight) return Fail(parent.position, kMessageTooDeep);
        return true;
    }
    bool Adopt(RBuild& parent, RBuild&& child) {
        Attach(parent, std::move(child));
        return CheckHeight(parent);
    }
    // Ids of names: they must fit a node.
    bool IdFits(int id, int position) {
        if (id <= kMaxNodeInd) return true;
        return Fail(position, "Too many names in the game's code.");
    }
    // Constants: the index in the constant table, reals shared by their bits, strings by their
    // text (the table's strings hold the texts the keys view).
    int AddConstant(const RValue& v) {
        if (v.IsString()) {
            const auto it = m_strings.find(v.str.view());
            if (it != m_strings.end()) return it->second;
            m_consts.push_back(v);
            m_strings.emplace(m_consts.back().str.view(), int(m_consts.size()) - 1);
            return int(m_consts.size()) - 1;
        }
        uint64_t bits;
        std::memcpy(&bits, &v.val, sizeof bits);
        auto [it, fresh] = m_reals.emplace(bits, int(m_consts.size()));
        if (!fresh) return it->second;
        m_consts.push_back(v);
        return int(m_consts.size()) - 1;
    }
    void SetConstant(RToken& n, const RValue& v) {
        n.kind = kNodeConstant;
        n.constIndex = AddConstant(v);
    }
    const RValue& Value(const RToken& n) const { return m_consts[size_t(n.constIndex)]; }
    void SetSlot(RToken& n, int32_t slot) {
        if (n.kind == kNodeFixedVariable)
            n.slotHint = slot;
        else
            n.items.begin()[n.items.count].position = slot;
    }

    bool Statement(RBuild& out);
    bool Block(RBuild& out, int kind);
    bool Assignment(RBuild& out);
    bool VarList(RBuild& out);
    bool Expression(RBuild& out);
    bool Level(int level, RBuild& out);
    bool Unary(RBuild& out);
    bool Postfix(RBuild& out);
    bool Primary(RBuild& out);
    bool Call(RBuild& out);
    bool Variable(RBuild& out, RBuild* selector);
    bool Indices(RBuild& out);

    CCode* m_code;
    CTokenStream m_p; // the current token; ++m_p reads the next one
    std::vector<RToken> m_nodes;
    std::vector<RToken> m_pend; // adopted nodes whose parent is not in m_nodes yet
    std::vector<RValue> m_consts;
    std::unordered_map<uint64_t, int> m_reals;
    std::unordered_map<std::string_view, int> m_strings;
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
    // Places the root last in the node array and makes the child offsets relative.
    void Place(RBuild&& root) {
        Close(root);
        m_nodes.push_back(root);
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            RToken& n = m_nodes[i];
            if (n.kind == kNodeVariable || (n.kind != kNodeVarCell && n.items.size()))
                n.items.first -= int32_t(i);
        }
    }
    RToken& PlacedRoot() { return m_nodes.back(); }
    // Hands the tree and the constants to the code: constant nodes then point into the table.
    void Finish(CCode& code) {
        code.i_consts = std::move(m_consts);
        for (RToken& n : m_nodes) {
            if (n.kind != kNodeConstant) continue;
            n.value = &code.i_consts[size_t(n.constIndex)];
        }
        // Small trees give back the spare room; in large ones it was never touched.
        if (m_nodes.size() < 16384) m_nodes.shrink_to_fit();
        code.i_nodes = std::move(m_nodes);
    }
    // About one node per three characters of text; the room not used is never touched. Large
    // pages back the first three quarters, which dense code fills: a large page at the end
    // would be resident whole, however little of it the tree uses.
    void Reserve(size_t textSize) {
        m_nodes.reserve(textSize / 3 + 4);
        Platform_AdviseLargeArray(m_nodes.data(), m_nodes.capacity() * sizeof(RToken) / 4 * 3);
        if (textSize >= (size_t(1) << 20)) // long straight code: many statements wait at once
            m_pend.reserve(textSize / 16);
    }
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

bool CCompiler::Program(RBuild& root) {
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
        RBuild s;
        if (!Statement(s) || !Adopt(root, std::move(s))) return false;
    }
    return true;
}

bool CCompiler::ExpressionRoot(RBuild& root) {
    if (Sym() == kSymEnd) {
        SetConstant(root, RValue::Real(0.0));
        root.position = Cur().position;
        return true;
    }
    return Expression(root);
}

bool CCompiler::Block(RBuild& out, int kind) {
    // The current token is { or begin.
    out.kind = kind;
    out.position = NextPos();
    ++m_p;
    while (Sym() != kSymEndBlock) {
        if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol } expected.");
        RBuild s;
        if (!Statement(s) || !Adopt(out, std::move(s))) return false;
    }
    ++m_p;
    return true;
}

bool CCompiler::Statement(RBuild& out) {
    RDepth depth(*this);
    if (!depth.ok) return Fail(Cur().position, kMessageTooDeep);
    const int sym = Sym();
    const int after = NextPos();
    RBuild a, b, c, d;
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
            RBuild s;
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

bool CCompiler::VarList(RBuild& out) {
    out.kind = Sym() == kSymVar ? kNodeVar : kNodeGlobalVar;
    out.position = NextPos();
    ++m_p;
    while (Sym() == kSymVariable) {
        if (Cur().ind < kUserVarBase) return Fail(Cur().position, "Cannot redeclare a builtin variable.");
        if (!IdFits(Cur().ind, Cur().position)) return false;
        RBuild name;
        SetConstant(name, RValue::Real(0.0));
        name.ind = Cur().ind;
        name.position = Cur().position;
        if (!Adopt(out, std::move(name))) return false;
        ++m_p;
        if (Sym() == kSymComma) ++m_p;
    }
    return true;
}

bool CCompiler::Assignment(RBuild& out) {
    RBuild target, value;
    if (!Postfix(target)) return false;
    if (target.kind != kNodeVariable && target.kind != kNodeFixedVariable)
        return Fail(target.position, "Variable name expected.");
    if (!IsAssignSymbol(Sym())) return Fail(Cur().position, "Assignment operator expected.");
    out.kind = kNodeAssign;
    out.ind = Sym();
    out.position = target.position;
    ++m_p;
    Attach(out, std::move(target));
    if (!Expression(value)) return false;
    Attach(out, std::move(value));
    return CheckHeight(out);
}

bool CCompiler::Expression(RBuild& out) {
    RDepth depth(*this);
    if (!depth.ok) return Fail(Cur().position, kMessageTooDeep);
    return Level(1, out);
}

bool CCompiler::Level(int level, RBuild& out) {
    if (level > 6) return Unary(out);
    if (!Level(level + 1, out)) return false;
    while (IsBinaryAt(level, Sym())) {
        RBuild node;
        node.kind = kNodeBinary;
        node.ind = Sym();
        node.position = out.position;
        ++m_p;
        Attach(node, std::move(out));
        RBuild right;
        if (!Level(level + 1, right)) return false;
        Attach(node, std::move(right));
        if (!CheckHeight(node)) return false;
        out = node;
    }
    return true;
}

bool CCompiler::Unary(RBuild& out) {
    const int sym = Sym();
    if (sym == kOpNot || sym == kOpPlus || sym == kOpMinus || sym == kOpBitNot) {
        RDepth depth(*this);
        if (!depth.ok) return Fail(Cur().position, kMessageTooDeep);
        out.kind = kNodeUnary;
        out.ind = sym;
        out.position = Cur().position;
        ++m_p;
        RBuild operand;
        if (!Unary(operand)) return false;
        if (operand.kind == kNodeConstant && !Value(operand).IsString()) {
            // An operator on a real constant (-1, say) cannot fail: folded at once, as the post
            // pass would, so that the operand leaves no unused node behind. It still counts as
            // two levels.
            RValue v = Value(operand);
            Operator_Unary(m_code, operand.position, sym, v);
            SetConstant(out, v);
            out.height = std::max(out.height, operand.height + 1);
            return CheckHeight(out);
        }
        return Adopt(out, std::move(operand));
    }
    return Postfix(out);
}

bool CCompiler::Postfix(RBuild& out) {
    if (!Primary(out)) return false;
    while (Sym() == kSymDot) {
        ++m_p;
        RBuild var;
        if (!Variable(var, &out)) return false;
        out = var;
    }
    return true;
}

bool CCompiler::Primary(RBuild& out) {
    switch (Sym()) {
    case kSymConstant:
        SetConstant(out, Cur().val);
        out.position = Cur().position;
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

bool CCompiler::Call(RBuild& out) {
    if (Sym() != kSymFunction) return Fail(Cur().position, "Function name expected.");
    if (!IdFits(Cur().ind, Cur().position)) return false;
    out.kind = kNodeCall;
    out.ind = Cur().ind;
    out.position = Cur().position;
    ++m_p;
    if (Sym() != kSymOpen) return Fail(Cur().position, "Symbol ( expected.");
    ++m_p;
    while (Sym() != kSymClose) {
        if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol ) expected.");
        RBuild arg;
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

bool CCompiler::Variable(RBuild& out, RBuild* selector) {
    if (Sym() != kSymVariable) return Fail(Cur().position, "Variable name expected.");
    if (!IdFits(Cur().ind, Cur().position)) return false;
    out.kind = kNodeVariable;
    out.ind = Cur().ind;
    RBuild sel;
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
            out.slotHint = -1;
            out.height = 2;
            return true;
        }
        SetConstant(sel, RValue::Real(kSelDefault));
        sel.position = out.position;
        return Adopt(out, std::move(sel)) && Indices(out);
    }
    ++m_p;
    if (Sym() != kSymOpenIndex && sel.kind == kNodeConstant && !Value(sel).IsString() &&
        SelectorOf(Value(sel).val) != kSelDefault) {
        // A constant selector and no indices (global.x, other.x): the fixed form at once, as the
        // post pass would make it, so that no selector node or record is left unused. It counts
        // the selector's levels.
        out.kind = kNodeFixedVariable;
        out.ind2 = SelectorOf(Value(sel).val);
        out.slotHint = -1;
        out.height = std::max(out.height, sel.height + 1);
        return CheckHeight(out);
    }
    if (!Adopt(out, std::move(sel))) return false;
    return Sym() == kSymOpenIndex ? Indices(out) : true;
}

bool CCompiler::Indices(RBuild& out) {
    ++m_p;
    while (Sym() != kSymCloseIndex) {
        if (Sym() == kSymEnd) return Fail(Cur().position, "Symbol ] expected.");
        RBuild index;
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
        const int id = node.ind;
        auto it = m_localSlot.find(id);
        if (it == m_localSlot.end()) {
            it = m_localSlot.emplace(id, int(m_localIds.size())).first;
            m_localIds.push_back(id);
        }
        SetSlot(node, it->second);
    }
    if (node.kind == kNodeFixedVariable && (node.ind2 == kSelDefault || node.ind2 == kSelSelf)) {
        // argument0 .. argument15 read their slot whatever the instance.
        const int base = BuiltinVar_Argument0Id();
        if (base >= 0 && node.ind >= base && node.ind < base + 16)
            SetSlot(node, kArgumentSlotMark - (node.ind - base));
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
            node.items[1].kind == kNodeConstant && !Value(node.items[1]).IsString()) {
            const int64_t k = Operator_RoundInt64(Value(node.items[1]).val);
            if (k >= 0 && k < 16 && k > m_argIndex) m_argIndex = int(k);
        }
        if (sel.kind == kNodeConstant && !Value(sel).IsString() && Value(sel).val == kSelDefault &&
            m_localSlot.count(node.ind))
            sel.constIndex = AddConstant(RValue::Real(kSelLocal));
        RToken& cell = node.items.begin()[node.items.count];
        if (sel.kind == kNodeConstant && !Value(sel).IsString())
            cell.ind2 = SelectorOf(Value(sel).val); // the executor reads a constant selector here
        if (node.itemnumb() == 1 && sel.kind == kNodeConstant) {
            if (Value(sel).IsString()) return Fail(sel.position, "Left hand side must be a real value.");
            // The fixed form: selector and slot in the node, the selector node and the record
            // left unused.
            const int32_t selector = SelectorOf(Value(sel).val);
            node.kind = kNodeFixedVariable;
            node.ind2 = selector;
            node.slotHint = -1;
            return VariableSlots(node, node.ind2 == kSelLocal);
        }
        return VariableSlots(node, sel.kind == kNodeConstant && !Value(sel).IsString() &&
                                       SelectorOf(Value(sel).val) == kSelLocal);
    }
    case kNodeFixedVariable:
        // A plain name, made in this form by the parser.
        if (node.ind2 == kSelDefault && m_localSlot.count(node.ind)) node.ind2 = kSelLocal;
        return VariableSlots(node, node.ind2 == kSelLocal);
    case kNodeUnary: {
        RToken& operand = node.items[0];
        if (operand.kind != kNodeConstant) return true;
        RValue v = Value(operand);
        if (!Operator_Unary(m_code, operand.position, node.ind, v)) return false;
        SetConstant(node, v);
        return true;
    }
    case kNodeBinary: {
        RToken& l = node.items[0];
        RToken& r = node.items[1];
        if (l.kind != kNodeConstant || r.kind != kNodeConstant) return true;
        RValue v = Value(l);
        if (!Operator_Binary(m_code, r.position, node.ind, Value(r), v)) return false;
        SetConstant(node, v);
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
    compiler.Reserve(i_str.size());
    RBuild top;
    const bool isExpression = i_kind != kProgram;
    if (!(isExpression ? compiler.ExpressionRoot(top) : compiler.Program(top))) return false;
    if (!compiler.TokensOk()) return false;
    compiler.Place(std::move(top));
    if (!compiler.PostPass(compiler.PlacedRoot())) return false;
    i_localIds = compiler.TakeLocals();
    compiler.Finish(*this);
    const RToken& root = Root();
    if (isExpression && root.kind == kNodeConstant) {
        i_value = *root.value;
        i_kind = kConstant;
    }
    i_compiled = true;
    i_Args = std::max(VarName_HighestArgument(), compiler.HighestArgumentIndex()) + 1;
    i_ArgArray = VarName_ArgumentArrayUsed();
    return true;
}

const RToken& CCode::Root() const {
    static const RToken empty;
    return i_nodes.empty() ? empty : i_nodes.back();
}
