// The executor: walks a compiled code tree for one instance. Outcomes carry exit, break and
// continue up the tree; the first error stops the run with its message in the error buffer.
// Locals that the compiler could place live in slots of a run-wide stack; variables are read
// and written through the paths of Variable_Main; calls go through the function registry.
#include "code/Code_Exec.h"

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "code/Code_Function.h"
#include "code/Code_Main.h"
#include "code/Code_Operator.h"
#include "code/Code_Variable.h"
#include "code/Variable_BuiltIn.h"
#include "code/Variable_Main.h"
#include "data/Option_Main.h"
#include "platform/Platform_Memory.h"
#include "resources/Script_Main.h"
#include "run/Instance_Class.h"
#include "run/Run_World.h"

#include <bit>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <sanitizer/asan_interface.h>
#include <sys/resource.h>
#include <vector>

namespace {

RArgumentFrame g_outerFrame; // the argument frame outside any script

} // namespace

RArgumentSlots arg_slots{&g_outerFrame};
RArgumentField<int, &RArgumentFrame::count> arg_count;
RArgumentField<std::string_view, &RArgumentFrame::scriptname> arg_scriptname;
RArgumentField<int, &RArgumentFrame::high> arg_high;

namespace {

// ---- argument frames ----

// Script calls nest strictly, so their argument frames come from one stack of chunks. A free
// frame's slots are all real 0, so a call fills only its arguments and reads real 0 past them.
class CArgumentStack {
  public:
    RArgumentFrame* Push() {
        if (m_top == m_end) Grow();
        return m_top++;
    }
    // Whether Push must grow the stack first, and Push when it need not.
    bool Full() const { return m_top == m_end; }
    RArgumentFrame* PushInChunk() { return m_top++; }
    void Pop(RArgumentFrame* f) {
        if (f < m_start) Back();
        m_top = f;
    }

  private:
    static constexpr size_t kChunkFrames = 64;
    [[gnu::noinline]] void Grow() {
        ++m_chunk;
        if (m_chunk == m_chunks.size()) m_chunks.emplace_back(new RArgumentFrame[kChunkFrames]);
        m_start = m_top = m_chunks[m_chunk].get();
        m_end = m_start + kChunkFrames;
    }
    // The frame being freed is the last of the chunk below (the current one is empty).
    void Back() {
        --m_chunk;
        m_start = m_chunks[m_chunk].get();
        m_end = m_start + kChunkFrames;
    }
    std::vector<std::unique_ptr<RArgumentFrame[]>> m_chunks;
    size_t m_chunk = size_t(-1);
    RArgumentFrame* m_start = nullptr;
    RArgumentFrame* m_top = nullptr;
    RArgumentFrame* m_end = nullptr;
};

// The frame whose slots start at slots.
inline RArgumentFrame* FrameOf(RValue* slots) {
    return reinterpret_cast<RArgumentFrame*>(reinterpret_cast<char*>(slots) -
                                             offsetof(RArgumentFrame, slots));
}

CArgumentStack g_argumentFrames;
TScriptRunner g_testRunner = nullptr;
bool g_treeWalker = false; // tests: run the tree instead of the lowered form
bool g_slowCalls = false;  // the test runner or the tree walker is on: script calls go through Run
// A script call node remembers its callee (the script and its lowered form) under this generation;
// it is moved on whenever a lowered form is deleted (a script replaced, removed or compiled again,
// a code remade) and when script calls change their way (tree walker, test runner), so that a call
// never runs a callee that is gone.
uint32_t g_callGeneration = 1;

// The result of a call before the script runs: real 0.
[[gnu::always_inline]] inline void ClearValue(RValue& v) {
    v.kind = RValue::kReal;
    v.val = 0.0;
    if (!v.str.empty()) [[unlikely]]
        v.str = TRefString();
}

// Makes slots [0, n) of a frame real 0 again.
inline void ClearFrame(RValue* frame, int n) {
    for (int k = 0; k < n; ++k) frame[k] = RValue();
}

template <bool Known>
[[gnu::always_inline]] inline bool CallScriptIn(CScript* script, CInstance* self, CInstance* other,
                                                RValue& result, RArgumentFrame* frame, int n, bool check);
struct RContext;
struct LNode;
using LExecFn = int (*)(RContext& c, const LNode& n, RValue& result);
template <LExecFn Body, bool Locals, int N>
bool CallRun(RContext& c, const LNode& n, RValue& out, RArgumentFrame* frame, int argc);

// ---- local array rows ----

// Rows of local arrays of 4 KB and more come from large blocks the system may back with huge
// pages: filling a big array the first time then faults a few times instead of once per 4 KB.
// A row takes a share of a block of one of four sizes per power of two (4, 5, 6 or 7 times a
// power of two); a freed share waits in the list of its size for the next row of that size (the
// memory stays with the process).
class CRowPool {
  public:
    static constexpr size_t kMinBytes = 4096;

    void* Get(size_t bytes) {
        size_t size;
        const int k = SizeClass(bytes, size);
        void* p = m_free[k];
        if (p) {
            ASAN_UNPOISON_MEMORY_REGION(p, size);
            m_free[k] = *static_cast<void**>(p);
        } else {
            if (m_left < size) {
                const size_t block = size > kBlockBytes ? size : kBlockBytes;
                m_next = static_cast<char*>(Platform_LargePageBlock(block));
                if (!m_next) {
                    m_left = 0;
                    throw std::bad_alloc();
                }
                m_left = block;
            }
            p = m_next;
            m_next += size;
            m_left -= size;
        }
        ASAN_POISON_MEMORY_REGION(static_cast<char*>(p) + bytes, size - bytes);
        return p;
    }
    void Put(void* p, size_t bytes) {
        size_t size;
        const int k = SizeClass(bytes, size);
        ASAN_UNPOISON_MEMORY_REGION(p, sizeof(void*));
        *static_cast<void**>(p) = m_free[k];
        m_free[k] = p;
        ASAN_POISON_MEMORY_REGION(p, size);
    }

  private:
    static constexpr size_t kBlockBytes = size_t(32) << 20;
    // The smallest size m << s (m 4 to 7, s at least 10) holding bytes, and its list's number.
    static int SizeClass(size_t bytes, size_t& size) {
        int s = int(std::bit_width(bytes - 1)) - 3;
        if (s < 10) s = 10;
        size_t m = (bytes + (size_t(1) << s) - 1) >> s;
        if (m > 7) {
            ++s;
            m = (bytes + (size_t(1) << s) - 1) >> s;
        }
        size = m << s;
        return (s - 10) * 4 + int(m) - 4;
    }

    void* m_free[4 * 64] = {};
    char* m_next = nullptr;
    size_t m_left = 0;
};

CRowPool g_rowPool;

template <class T>
struct RRowAllocator {
    using value_type = T;
    RRowAllocator() = default;
    template <class U>
    RRowAllocator(const RRowAllocator<U>&) {}
    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        return static_cast<T*>(bytes < CRowPool::kMinBytes ? ::operator new(bytes) : g_rowPool.Get(bytes));
    }
    void deallocate(T* p, size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < CRowPool::kMinBytes)
            ::operator delete(p);
        else
            g_rowPool.Put(p, bytes);
    }
    friend bool operator==(const RRowAllocator&, const RRowAllocator&) { return true; }
};

using TRow = std::vector<RValue, RRowAllocator<RValue>>;

// ---- local slots ----

// The kind of a local's plain value until the local is first written.
constexpr int32_t kUnset = -1;

// One local variable: its plain value and its array rows, as a variable list stores them. The
// plain value's kind is kUnset until the local is first written (a real 0 from then on unless
// written), so that one test of the kind tells a local holding a real from any other; a local has
// rows only once it is written.
struct alignas(64) RLocalSlot {
    RValue simple = Unset();
    std::vector<TRow> rows;

    static RValue Unset() {
        RValue v;
        v.kind = kUnset;
        return v;
    }
    bool defined() const { return simple.kind != kUnset; }
    // Makes the local written: its plain value real 0 unless it has one.
    void Define() {
        if (simple.kind == kUnset) simple.kind = RValue::kReal;
    }

    bool Get(int32_t arr, RValue& val) const {
        if (defined()) {
            if (arr == 0) {
                val = simple;
                return true;
            }
            size_t row = size_t(arr / kArrayRowSize), col = size_t(arr % kArrayRowSize);
            if (row < rows.size() && col < rows[row].size()) {
                val = rows[row][col];
                return true;
            }
        }
        if (opt_uninitzero) {
            val.SetReal(0.0);
            return true;
        }
        return false;
    }
    // The stored value or element, or nullptr when it does not exist.
    RValue* Element(int32_t arr) {
        if (!defined()) return nullptr;
        if (arr == 0) return &simple;
        size_t row = size_t(arr / kArrayRowSize), col = size_t(arr % kArrayRowSize);
        return row < rows.size() && col < rows[row].size() ? &rows[row][col] : nullptr;
    }
    void Set(int32_t arr, const RValue& val) {
        if (arr == 0) {
            simple = val;
            return;
        }
        Define();
        size_t row = size_t(arr / kArrayRowSize), col = size_t(arr % kArrayRowSize);
        if (row < rows.size() && col < rows[row].size()) {
            rows[row][col] = val;
            return;
        }
        Grow(row, col);
        rows[row][col] = val;
    }
    // The element, created (real 0) when it does not exist yet: the next element of a row with
    // room for it (a row filled in order) is added straight away, anything else by MakeGrown.
    [[gnu::noinline]] RValue* Make(size_t row, size_t col) {
        if (row * sizeof(TRow) < size_t(reinterpret_cast<const char*>(std::to_address(rows.end())) -
                                        reinterpret_cast<const char*>(rows.data())) &&
            (row | col) != 0) {
            TRow& r = rows.data()[row];
            if (col == r.size() && r.size() < r.capacity()) return &r.emplace_back();
        }
        return MakeGrown(row, col);
    }
    [[gnu::noinline]] RValue* MakeGrown(size_t row, size_t col) {
        Define();
        if ((row | col) == 0) return &simple;
        Grow(row, col);
        return &rows[row][col];
    }
    // Makes element (row, col) exist. A new row reserves the length of the row before it, as
    // rows of one array tend to be filled to the same length.
    [[gnu::noinline]] void Grow(size_t row, size_t col) {
        if (rows.size() <= row) {
            if (rows.capacity() <= row)
                rows.reserve(row + 1 > 2 * rows.capacity() ? row + 1 : 2 * rows.capacity());
            rows.resize(row + 1);
        }
        TRow& r = rows[row];
        if (r.size() <= col) {
            if (r.capacity() <= col) {
                size_t want = 2 * r.capacity();
                if (r.empty() && row > 0 && rows[row - 1].size() > want) want = rows[row - 1].size();
                r.reserve(col + 1 > want ? col + 1 : want);
            }
            r.resize(col + 1);
        }
    }
    void Reset() {
        simple = Unset();
        if (!rows.empty()) rows.clear();
    }
};

// Runs nest strictly, so their slots come from one stack of chunks; a run's slots are contiguous.
// The current chunk's start and size are kept at hand: a run whose slots fit takes them inline.
class CLocalStack {
  public:
    RLocalSlot* Push(size_t n, size_t& mark) {
        mark = Mark();
        if (m_used + n <= m_size) [[likely]] {
            RLocalSlot* p = m_base + m_used;
            m_used += n;
            return p;
        }
        return PushNewChunk(n);
    }
    void Pop(RLocalSlot* p, size_t n, size_t mark) {
        for (size_t k = 0; k < n; ++k) p[k].Reset();
        const size_t chunk = mark >> 32;
        m_used = mark & 0xFFFFFFFFu;
        if (chunk != m_chunk) {
            m_chunk = chunk;
            Select();
        }
    }

  private:
    // n slots from the next chunk (made, or replaced when too small).
    [[gnu::noinline]] RLocalSlot* PushNewChunk(size_t n) {
        if (m_chunk < m_chunks.size() && m_used + n > m_sizes[m_chunk]) {
            ++m_chunk;
            m_used = 0;
        }
        while (m_chunk < m_chunks.size() && n > m_sizes[m_chunk]) {
            // Too small for this run: replace it (it is unused above the current mark).
            m_chunks.erase(m_chunks.begin() + long(m_chunk));
            m_sizes.erase(m_sizes.begin() + long(m_chunk));
        }
        if (m_chunk == m_chunks.size()) {
            size_t size = n > kChunk ? n : kChunk;
            m_chunks.emplace_back(new RLocalSlot[size]);
            m_sizes.push_back(size);
            m_used = 0;
        }
        Select();
        RLocalSlot* p = m_base + m_used;
        m_used += n;
        return p;
    }
    // Points m_base and m_size at chunk m_chunk (none: no slots).
    void Select() {
        const bool have = m_chunk < m_chunks.size();
        m_base = have ? m_chunks[m_chunk].get() : nullptr;
        m_size = have ? m_sizes[m_chunk] : 0;
    }
    size_t Mark() const { return (m_chunk << 32) | m_used; }
    static constexpr size_t kChunk = 1024;
    std::vector<std::unique_ptr<RLocalSlot[]>> m_chunks;
    std::vector<size_t> m_sizes;
    size_t m_chunk = 0, m_used = 0;
    RLocalSlot* m_base = nullptr;
    size_t m_size = 0;
};

CLocalStack g_locals;

// ---- run context ----

struct RContext {
    CInstance* self;
    CInstance* other;
    CCode* code;
    RLocalSlot* slots;                    // one per code->i_localIds
    std::unique_ptr<CVariableList> extra; // locals reached by a computed selector only
};

int g_runDepth = 0;
uintptr_t g_stackLimit = 0; // nested runs fail below this stack address
size_t g_stackBudget = 0;

size_t StackBudget() {
    rlimit rl{};
    size_t size = 8u << 20;
    if (getrlimit(RLIMIT_STACK, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) size = size_t(rl.rlim_cur);
    if (size > (64u << 20)) size = 64u << 20;
    return size / 2;
}

bool Fail(RContext& c, int position, const char* message) {
    Error_SetCodeError(c.code, position, message);
    return false;
}
int FailOut(RContext& c, int position, const char* message) {
    Error_SetCodeError(c.code, position, message);
    return kOutError;
}

int32_t RoundSelector(double v) {
    return int32_t(uint32_t(uint64_t(Operator_RoundInt64(v))));
}

// The operator of a quick handler fixed when the handler is chosen (a comparison, && or ||),
// or kOpAny: read from the node and computed by RealBinary.
constexpr int kOpAny = 0;

// The truth of l Op r for two reals (a comparison, && or ||), exactly as Operator_Binary computes
// it, one function per operator.
template <int Op>
[[gnu::always_inline]] inline bool RealTruth(double l, double r) {
    if constexpr (Op == kOpAnd)
        return l >= 0.5 && r >= 0.5;
    else if constexpr (Op == kOpOr)
        return l >= 0.5 || r >= 0.5;
    else
        return Operator_CompareDifference<Op>(l - r);
}

// The common operators on two reals, computed in place exactly as Operator_Binary computes them;
// false leaves the rest, and every error, to it.
[[gnu::always_inline]] inline bool RealBinary(int op, double& l, double r) {
    switch (op) {
    case kOpPlus:
        l += r;
        return true;
    case kOpMinus:
        l -= r;
        return true;
    case kOpMultiply:
        l *= r;
        return true;
    case kOpDivide:
        if (r == 0.0) return false;
        l /= r;
        return true;
    case kOpDiv:
        if (r == 0.0) return false;
        l = std::trunc(l / r);
        return true;
    case kOpMod:
        if (r == 0.0) return false;
        l = l - std::trunc(l / r) * r;
        return true;
    case kOpLess:
        l = RealTruth<kOpLess>(l, r);
        return true;
    case kOpLessEqual:
        l = RealTruth<kOpLessEqual>(l, r);
        return true;
    case kOpAssignEqual:
    case kOpEqual:
        l = RealTruth<kOpEqual>(l, r);
        return true;
    case kOpNotEqual:
        l = RealTruth<kOpNotEqual>(l, r);
        return true;
    case kOpGreater:
        l = RealTruth<kOpGreater>(l, r);
        return true;
    case kOpGreaterEqual:
        l = RealTruth<kOpGreaterEqual>(l, r);
        return true;
    case kOpAnd:
        l = RealTruth<kOpAnd>(l, r);
        return true;
    case kOpOr:
        l = RealTruth<kOpOr>(l, r);
        return true;
    default:
        return false;
    }
}

// l op r in place for two reals: Op's own function, or RealBinary on op for kOpAny.
template <int Op>
[[gnu::always_inline]] inline bool RealOp(int op, double& l, double r) {
    if constexpr (Op == kOpAny) {
        return RealBinary(op, l, r);
    } else {
        l = RealTruth<Op>(l, r) ? 1.0 : 0.0;
        return true;
    }
}

// The truth of l op r as a condition (Op as for RealOp), or false when RealBinary leaves op to
// the general path.
template <int Op>
[[gnu::always_inline]] inline bool RealCondition(int op, double l, double r, bool& truth) {
    if constexpr (Op == kOpAny) {
        if (!RealBinary(op, l, r)) return false;
        truth = l >= 0.5;
    } else {
        truth = RealTruth<Op>(l, r);
    }
    return true;
}

bool Eval(RContext& c, const RToken& n, RValue& out);
int Exec(RContext& c, const RToken& n, RValue& result);
int ExecAssign(RContext& c, const RToken& n, RValue& result);
// A statement of a block or loop body: assignments, the commonest, go straight to their handler.
inline int Statement(RContext& c, const RToken& n, RValue& result) {
    return n.kind == kNodeAssign ? ExecAssign(c, n, result) : Exec(c, n, result);
}
inline const RValue* Peek(const RContext& c, const RToken& n);

// A binary operation on two reals read in place (a loop condition, say), computed without
// evaluating the node; false when it needs the full evaluation.
inline const RValue* PeekStored(RContext& c, const RToken& n);
inline bool QuickReal(RContext& c, const RToken& n, double& v) {
    if (n.kind != kNodeBinary) return false;
    const RValue* rp = PeekStored(c, n.items[1]);
    if (!rp || rp->kind != RValue::kReal) return false;
    const RValue* lp = PeekStored(c, n.items[0]);
    if (!lp || lp->kind != RValue::kReal) return false;
    v = lp->val;
    return RealBinary(n.ind, v, rp->val);
}

// A constant, a local holding a value or an argument slot, or nullptr.
inline const RValue* PeekPlain(const RContext& c, const RToken& n) {
    if (n.kind == kNodeConstant) return n.value;
    if (n.kind == kNodeFixedVariable) {
        if (n.Slot() >= 0) {
            const RLocalSlot& s = c.slots[n.Slot()];
            return s.defined() ? &s.simple : nullptr;
        }
        if (n.Slot() <= kArgumentSlotMark) return &arg_slots[kArgumentSlotMark - n.Slot()];
    }
    return nullptr;
}

// A whole array index in range read in place, or false.
inline bool PeekIndex(const RContext& c, const RToken& n, int32_t& out) {
    const RValue* p = PeekPlain(c, n);
    if (!p || p->kind != RValue::kReal) return false;
    const double d = p->val;
    if (!(d >= 0 && d < kArrayRowSize && double(int32_t(d)) == d)) return false;
    out = int32_t(d);
    return true;
}

// An existing element of a local array whose indices read in place, or nullptr.
const RValue* PeekElement(const RContext& c, const RToken& n) {
    const size_t items = n.items.size();
    if (n.Slot() < 0 || n.Ind2() != kSelLocal || items < 2) return nullptr;
    const RToken& sel = n.items[0];
    if (sel.kind != kNodeConstant || sel.value->IsString()) return nullptr;
    int32_t arr = 0, j = 0;
    if (!PeekIndex(c, n.items[1], arr)) return nullptr;
    if (items > 2) {
        if (!PeekIndex(c, n.items[2], j)) return nullptr;
        arr = arr * kArrayRowSize + j;
    }
    return c.slots[n.Slot()].Element(arr);
}

// The value of a node that needs no evaluation (a constant, a local holding a value, an
// argument slot, an existing element of a local array at indices of those kinds), or nullptr.
// Nothing read through it may run code in between.
inline const RValue* Peek(const RContext& c, const RToken& n) {
    if (n.kind == kNodeVariable) return PeekElement(c, n);
    return PeekPlain(c, n);
}

// ---- variables ----

inline RValue* ListElement(RContext& c, const RToken& n, int32_t sel, int32_t arr);

// Peek, and also a plain variable of an instance's or the global list. Only for reading both
// operands and using them at once: running code may move the stored values of a list.
inline const RValue* PeekStored(RContext& c, const RToken& n) {
    if (const RValue* p = Peek(c, n)) return p;
    if (n.kind == kNodeFixedVariable && n.Slot() == -1) return ListElement(c, n, n.Ind2(), 0);
    return nullptr;
}

int LocalSlotOf(const RContext& c, int32_t id) {
    const std::vector<int>& ids = c.code->i_localIds;
    for (size_t k = 0; k < ids.size(); ++k)
        if (ids[k] == id) return int(k);
    return -1;
}

bool LocalGet(RContext& c, int slot, int32_t id, int32_t arr, RValue& val) {
    if (slot < 0) slot = LocalSlotOf(c, id);
    if (slot >= 0) return c.slots[slot].Get(arr, val);
    if (c.extra) return c.extra->GetVar(id, arr, val);
    if (opt_uninitzero) {
        val.SetReal(0.0);
        return true;
    }
    return false;
}

void LocalSet(RContext& c, int slot, int32_t id, int32_t arr, const RValue& val) {
    if (slot < 0) slot = LocalSlotOf(c, id);
    if (slot >= 0) {
        c.slots[slot].Set(arr, val);
        return;
    }
    if (!c.extra) c.extra = std::make_unique<CVariableList>();
    c.extra->SetVar(id, arr, val);
}

bool GetBySelector(RContext& c, int32_t sel, int32_t id, int32_t arr, int slot, RValue& val) {
    switch (sel) {
    case kSelLocal:
        return LocalGet(c, slot, id, arr, val);
    case kSelNoone:
        return false;
    case kSelDefault:
        if (id >= kUserVarBase && Global_AnyDeclared() && Global_IsDeclared(id))
            return Global_GetVar(id, arr, val);
        return Instance_GetVar(c.self, id, arr, val);
    case kSelGlobal:
        return Global_GetVar(id, arr, val);
    case kSelOther:
        return Instance_GetVar(c.other, id, arr, val);
    case kSelSelf:
        return Instance_GetVar(c.self, id, arr, val);
    default:
        return Object_GetVar(sel, id, arr, val);
    }
}

bool SetBySelector(RContext& c, int32_t sel, int32_t id, int32_t arr, int slot, const RValue& val) {
    switch (sel) {
    case kSelLocal:
        LocalSet(c, slot, id, arr, val);
        return true;
    case kSelDefault:
        if (id >= kUserVarBase && Global_AnyDeclared() && Global_IsDeclared(id)) {
            Global_SetVar(id, arr, val);
            return true;
        }
        return Instance_SetVar(c.self, id, arr, val);
    case kSelGlobal:
        Global_SetVar(id, arr, val);
        return true;
    case kSelNoone:
        return false;
    case kSelOther:
        return Instance_SetVar(c.other, id, arr, val);
    case kSelSelf:
        return Instance_SetVar(c.self, id, arr, val);
    default:
        return Object_SetVar(sel, id, arr, val);
    }
}

// The variable list a fixed selector reaches for id: the instance's own list (ids above the
// built-in range) or the global list, or nullptr (a built-in variable, a local, or a selector
// that may pick several instances). The same choice GetBySelector and SetBySelector make.
inline CVariableList* ListOf(RContext& c, int32_t sel, int32_t id) {
    switch (sel) {
    case kSelDefault:
        if (id <= kLastBuiltinRangeId) return nullptr;
        return Global_AnyDeclared() && Global_IsDeclared(id) ? &Global_List() : &c.self->i_vars;
    case kSelSelf:
        return id > kLastBuiltinRangeId ? &c.self->i_vars : nullptr;
    case kSelOther:
        return id > kLastBuiltinRangeId ? &c.other->i_vars : nullptr;
    case kSelGlobal:
        return &Global_List();
    default:
        return nullptr;
    }
}

// The stored element of a variable node in a variable list, or nullptr.
inline RValue* ListElement(RContext& c, const RToken& n, int32_t sel, int32_t arr) {
    CVariableList* list = ListOf(c, sel, n.ind);
    return list ? list->ElementAt(n.ind, arr, n.Hint()) : nullptr;
}

// The instance whose built-in variable a fixed selector names, or nullptr.
inline CInstance* BuiltinOwner(const RContext& c, int32_t sel, int32_t id) {
    if (id > kLastBuiltinRangeId) return nullptr;
    if (sel == kSelDefault || sel == kSelSelf) return c.self;
    return sel == kSelOther ? c.other : nullptr;
}

bool UnknownVariable(RContext& c, int position, int32_t id, int32_t arr) {
    std::string m = "Unknown variable " + VarName_GetName(id);
    if (arr != 0) m += " or array index out of bounds";
    Error_SetCodeError(c.code, position, m);
    return false;
}

bool IndexValueSlow(RContext& c, const RToken& n, int32_t& out);

// An array index read in place when it needs no evaluation and is a whole number in range.
inline bool IndexValue(RContext& c, const RToken& n, int32_t& out) {
    if (const RValue* p = Peek(c, n)) {
        const double d = p->val;
        if (p->kind == RValue::kReal && d >= 0 && d < kArrayRowSize && double(int32_t(d)) == d) {
            out = int32_t(d);
            return true;
        }
    }
    return IndexValueSlow(c, n, out);
}

bool IndexValueSlow(RContext& c, const RToken& n, int32_t& out) {
    RValue v;
    const RValue* p = Peek(c, n);
    if (!p) {
        if (!Eval(c, n, v)) return false;
        p = &v;
    }
    if (p->IsString()) return Fail(c, n.position, "Wrong type of array index");
    const double d = p->val;
    // Whole indices in range need no rounding.
    if (d >= 0 && d < kArrayRowSize && double(int32_t(d)) == d) {
        out = int32_t(d);
        return true;
    }
    int64_t r = Operator_RoundInt64(d);
    if (r < 0) return Fail(c, n.position, "Negative array index");
    if (r >= kArrayRowSize) return Fail(c, n.position, "Array index >= 32000");
    out = int32_t(r);
    return true;
}

// A selector given by an expression.
[[gnu::noinline]] bool ComputedSelector(RContext& c, const RToken& s, int32_t& sel) {
    RValue v;
    if (!Eval(c, s, v)) return false;
    if (v.IsString()) return Fail(c, s.position, "Wrong type of variable index");
    sel = RoundSelector(v.val);
    return true;
}

// Selector and combined array index of a variable node.
inline bool Locate(RContext& c, const RToken& n, int32_t& sel, int32_t& arr) {
    arr = 0;
    if (n.kind == kNodeFixedVariable) {
        sel = n.Ind2();
        return true;
    }
    const RToken& s = n.items[0];
    if (s.kind == kNodeConstant && !s.value->IsString())
        sel = n.Ind2(); // rounded by the compiler
    else if (!ComputedSelector(c, s, sel))
        return false;
    if (n.itemnumb() > 1) {
        if (!IndexValue(c, n.items[1], arr)) return false;
        if (n.itemnumb() > 2) {
            int32_t j = 0;
            if (!IndexValue(c, n.items[2], j)) return false;
            arr = arr * kArrayRowSize + j;
        }
    }
    return true;
}

// A read that found nothing: real 0 when uninitialised variables read as 0, else the error.
bool MissingVariable(RContext& c, const RToken& n, int32_t arr, RValue& out) {
    if (opt_uninitzero) {
        out.SetReal(0.0);
        return true;
    }
    return UnknownVariable(c, n.position, n.ind, arr);
}

bool ReadVariable(RContext& c, const RToken& n, RValue& out) {
    int32_t sel = 0, arr = 0;
    if (!Locate(c, n, sel, arr)) return false;
    if (n.Slot() >= 0 && sel == kSelLocal) {
        if (const RValue* e = c.slots[n.Slot()].Element(arr)) {
            out = *e;
            return true;
        }
    } else if (const RValue* e = ListElement(c, n, sel, arr)) {
        out = *e;
        return true;
    }
    if (GetBySelector(c, sel, n.ind, arr, n.Slot(), out)) return true;
    return MissingVariable(c, n, arr, out);
}

int BinaryOfAssign(int sym) {
    switch (sym) {
    case kSymAddAssign:
        return kOpPlus;
    case kSymSubAssign:
        return kOpMinus;
    case kSymMulAssign:
        return kOpMultiply;
    case kSymDivAssign:
        return kOpDivide;
    case kSymOrAssign:
        return kOpBitOr;
    case kSymAndAssign:
        return kOpBitAnd;
    default:
        return kOpBitXor;
    }
}

// A compound assignment's new value: val becomes the variable's current value op val. kOutExit
// when the variable is missing and uninitialised variables read as 0 (nothing is assigned then).
[[gnu::noinline]] int CombineWithCurrent(RContext& c, const RToken& n, int32_t sel, int32_t arr,
                                         RValue& val) {
    const RToken& target = n.items[0];
    RValue cur;
    if (!GetBySelector(c, sel, target.ind, arr, target.Slot(), cur)) {
        if (opt_uninitzero) return kOutExit;
        UnknownVariable(c, n.position, target.ind, arr);
        return kOutError;
    }
    const int op = BinaryOfAssign(n.ind);
    if (!(cur.kind == RValue::kReal && val.kind == RValue::kReal && RealBinary(op, cur.val, val.val)) &&
        !Operator_Binary(c.code, n.position, op, val, cur))
        return kOutError;
    val = std::move(cur);
    return kOutNormal;
}

int AssignValue(RContext& c, const RToken& n, int32_t sel, int32_t arr, const RValue* vp, RValue& val,
                RValue& result);

[[gnu::noinline]] int ExecAssign(RContext& c, const RToken& n, RValue& result) {
    const RToken& target = n.items[0];
    int32_t sel = 0, arr = 0;
    if (!Locate(c, target, sel, arr)) return kOutError;
    // The value, read in place when it needs no evaluation.
    RValue val;
    const RValue* vp = Peek(c, n.items[1]);
    if (!vp) {
        if (!Eval(c, n.items[1], val)) return kOutError;
        vp = &val;
    }
    return AssignValue(c, n, sel, arr, vp, val, result);
}

// The rest of an assignment once the target is located and the value known: vp is the value,
// either val itself or a value read in place.
int AssignValue(RContext& c, const RToken& n, int32_t sel, int32_t arr, const RValue* vp, RValue& val,
                RValue& result) {
    const RToken& target = n.items[0];
    if (n.ind != kSymAssign) {
        // The stored variable or element (a local, or in an instance's or the global list).
        RValue* e = target.Slot() >= 0 && sel == kSelLocal ? c.slots[target.Slot()].Element(arr)
                                                           : ListElement(c, target, sel, arr);
        // Holding a real: updated in place.
        if (e && n.ind <= kSymDivAssign && e->kind == RValue::kReal && vp->kind == RValue::kReal &&
            RealBinary(BinaryOfAssign(n.ind), e->val, vp->val)) {
            result = *e;
            return kOutNormal;
        }
        // A string grown by += is appended to in place: the code result value, which may share
        // it from the last statement, lets go first so that no copy is needed.
        if (n.ind == kSymAddAssign && vp->kind == RValue::kString) {
            if (e && e->kind == RValue::kString) {
                if (vp->str.size() > kMaxStringBytes - e->str.size())
                    return FailOut(c, n.position, kStringTooLong);
                result.str = TRefString();
                e->str.Append(vp->str.view());
                result = *e;
                return kOutNormal;
            }
        }
    }
    if (vp != &val) val = *vp;
    if (n.ind != kSymAssign) {
        const int o = CombineWithCurrent(c, n, sel, arr, val);
        if (o == kOutExit) return kOutNormal; // a missing variable read as 0: nothing assigned
        if (o != kOutNormal) return o;
    }
    result = val;
    if (target.Slot() >= 0 && sel == kSelLocal) {
        c.slots[target.Slot()].Set(arr, val);
        return kOutNormal;
    }
    if (CVariableList* list = ListOf(c, sel, target.ind)) {
        list->SetVarAt(target.ind, arr, val, target.Hint());
        return kOutNormal;
    }
    if (CInstance* inst = BuiltinOwner(c, sel, target.ind)) {
        // A built-in variable straight through its setter.
        const TBuiltinSetter set = BuiltinVar_Setter(target.ind);
        if (set && set(inst, arr, val)) return kOutNormal;
        return FailOut(c, n.position, "Cannot assign to the variable");
    }
    if (!SetBySelector(c, sel, target.ind, arr, target.Slot(), val))
        return FailOut(c, n.position, "Cannot assign to the variable");
    return kOutNormal;
}

// ---- calls ----

// The evaluated arguments of one call: built-in handlers get all 16 slots, scripts only theirs.
class CArguments {
  public:
    explicit CArguments(int n) : m_n(n) {
        for (int k = 0; k < n; ++k) new (&Values()[k]) RValue();
    }
    ~CArguments() {
        for (int k = 0; k < m_n; ++k) Values()[k].~RValue();
    }
    RValue* Values() { return reinterpret_cast<RValue*>(m_bytes); }

  private:
    alignas(RValue) unsigned char m_bytes[kArgumentSlots * sizeof(RValue)];
    int m_n;
};

bool CallWith(RContext& c, const RToken& n, int argc, RValue* a, RValue& out);

bool EvalCall(RContext& c, const RToken& n, RValue& out) {
    const int argc = n.itemnumb() < kArgumentSlots ? n.itemnumb() : kArgumentSlots;
    const int id = n.ind;
    CArguments args(id < kScriptIdBase ? kArgumentSlots : argc);
    RValue* a = args.Values();
    for (int k = 0; k < argc; ++k)
        if (!Eval(c, n.items[size_t(k)], a[k])) return false;
    return CallWith(c, n, argc, a, out);
}

// Calls the function or script of a call node with its evaluated arguments.
bool CallWith(RContext& c, const RToken& n, int argc, RValue* a, RValue& out) {
    const int id = n.ind;
    if (id < kScriptIdBase) {
        Function_Call(id, c.self, c.other, argc, out, a);
        return true;
    }
    if (id < kExtensionIdBase) {
        if (Script_CallTaking(id - kScriptIdBase, c.self, c.other, out, a, argc)) return true;
        if (!Error_IsSet()) Fail(c, n.position, "Trying to execute non-existing script.");
        return false;
    }
    return Fail(c, n.position, "Extension functions are not available yet.");
}

// ---- expressions ----

// A binary operation whose operands are not both reals read in place; rp is the right
// operand when it needs no evaluation.
[[gnu::noinline]] bool EvalBinary(RContext& c, const RToken& n, const RValue* rp, RValue& out) {
    const RToken& left = n.items[0];
    const RToken& right = n.items[1];
    if (!Eval(c, left, out)) return false;
    RValue r;
    if (!rp) {
        if (!Eval(c, right, r)) return false;
        rp = &r;
    }
    if (out.kind == RValue::kReal && rp->kind == RValue::kReal && RealBinary(n.ind, out.val, rp->val))
        return true;
    return Operator_Binary(c.code, right.position, n.ind, *rp, out);
}

bool Eval(RContext& c, const RToken& n, RValue& out) {
    switch (n.kind) {
    case kNodeConstant:
        out = *n.value;
        return true;
    case kNodeCall:
        return EvalCall(c, n, out);
    case kNodeFixedVariable:
        if (n.Slot() >= 0) {
            const RLocalSlot& s = c.slots[n.Slot()];
            if (s.defined()) {
                out = s.simple;
                return true;
            }
        } else if (n.Slot() <= kArgumentSlotMark) {
            out = arg_slots[kArgumentSlotMark - n.Slot()];
            return true;
        } else if (const RValue* e = ListElement(c, n, n.Ind2(), 0)) {
            out = *e;
            return true;
        } else if (CInstance* inst = BuiltinOwner(c, n.Ind2(), n.ind)) {
            // A built-in variable straight through its getter.
            const TBuiltinGetter g = BuiltinVar_Getter(n.ind);
            if (g && g(inst, 0, out)) return true;
            return MissingVariable(c, n, 0, out);
        }
        return ReadVariable(c, n, out);
    case kNodeVariable:
        if (const RValue* e = PeekElement(c, n)) {
            out = *e;
            return true;
        }
        return ReadVariable(c, n, out);
    case kNodeUnary: {
        const RToken& operand = n.items[0];
        if (!Eval(c, operand, out)) return false;
        return Operator_Unary(c.code, operand.position, n.ind, out);
    }
    case kNodeBinary: {
        // Operands that need no evaluation are read in place.
        double l;
        if (QuickReal(c, n, l)) {
            out.SetReal(l);
            return true;
        }
        return EvalBinary(c, n, Peek(c, n.items[1]), out);
    }
    default:
        return Fail(c, n.position, "(Sub-)expression expected.");
    }
}

// ---- statements ----

int ExecBlock(RContext& c, const RToken& n, RValue& result) {
    for (const RToken& s : n.items) {
        int o = Statement(c, s, result);
        if (o != kOutNormal) return o;
    }
    return kOutNormal;
}

// Evaluates a condition; a string fails with message at the condition's position.
[[gnu::noinline]] bool ConditionSlow(RContext& c, const RToken& n, const char* message, bool& truth) {
    RValue v;
    if (!Eval(c, n, v)) return false;
    if (v.IsString()) return Fail(c, n.position, message);
    truth = v.IsTrue();
    return true;
}

inline bool Condition(RContext& c, const RToken& n, const char* message, bool& truth) {
    double d;
    if (QuickReal(c, n, d)) {
        truth = d >= 0.5;
        return true;
    }
    return ConditionSlow(c, n, message, truth);
}

int RunFor(RContext& c, CInstance* inst, const RToken& body, RValue& result) {
    CInstance* savedSelf = c.self;
    CInstance* savedOther = c.other;
    c.self = inst;
    c.other = savedSelf;
    int o = Exec(c, body, result);
    c.self = savedSelf;
    c.other = savedOther;
    return o;
}

[[gnu::noinline]] int ExecWith(RContext& c, const RToken& n, RValue& result) {
    const RToken& selector = n.items[0];
    const RToken& body = n.items[1];
    RValue v;
    if (!Eval(c, selector, v)) return kOutError;
    if (v.IsString()) return FailOut(c, selector.position, "Object id expected");
    const int64_t sel = Operator_RoundInt64(v.val);
    IRunWorld& w = World();
    if (sel == kSelLocal) return FailOut(c, n.position, "Cannot use local in with statement.");
    if (sel == kSelGlobal) return FailOut(c, n.position, "Cannot use global in with statement.");
    if (sel == kSelAll || (sel >= 0 && sel < kFirstInstanceId)) {
        const bool all = sel == kSelAll;
        const int object = int(sel);
        const int count = all ? w.InstanceCount() : w.ObjectInstanceCount(object);
        for (int k = 0; k < count; ++k) {
            CInstance* inst = all ? w.InstanceAt(k) : w.ObjectInstanceAt(object, k);
            if (!inst || inst->i_marked) continue;
            int o = RunFor(c, inst, body, result);
            if (o == kOutBreak) return kOutNormal;
            if (o == kOutExit || o == kOutError) return o;
        }
        return kOutNormal;
    }
    CInstance* target = nullptr;
    if (sel == kSelOther) {
        target = c.other;
    } else if (sel == kSelSelf || sel == kSelDefault) {
        target = c.self;
    } else if (sel >= kFirstInstanceId && sel <= INT32_MAX) {
        target = w.FindInstance(int(sel));
    }
    if (!target) return kOutNormal;
    int o = RunFor(c, target, body, result);
    return o == kOutContinue ? kOutNormal : o;
}

bool SameCase(const RValue& a, const RValue& b) {
    if (a.kind != b.kind) return false;
    return a.IsString() ? a.str.view() == b.str.view() : a.val == b.val;
}

[[gnu::noinline]] int ExecSwitch(RContext& c, const RToken& n, RValue& result) {
    RValue v;
    if (!Eval(c, n.items[0], v)) return kOutError;
    size_t start = n.items.size();
    for (size_t k = 1; k < n.items.size(); ++k) {
        const RToken& s = n.items[k];
        if (s.kind == kNodeDefault) {
            start = k + 1;
            break;
        }
        if (s.kind == kNodeCase) {
            RValue cv;
            if (!Eval(c, s.items[0], cv)) return kOutError;
            if (SameCase(v, cv)) {
                start = k + 1;
                break;
            }
        }
    }
    for (size_t k = start; k < n.items.size(); ++k) {
        const RToken& s = n.items[k];
        if (s.kind == kNodeCase || s.kind == kNodeDefault) continue;
        int o = Exec(c, s, result);
        if (o == kOutBreak) return kOutNormal;
        if (o != kOutNormal) return o;
    }
    return kOutNormal;
}

[[gnu::noinline]] int ExecFor(RContext& c, const RToken& n, RValue& result) {
    RValue temp;
    int o = Exec(c, n.items[0], temp);
    if (o != kOutNormal) return o;
    for (;;) {
        bool truth = false;
        if (!Condition(c, n.items[1], "Expression expected", truth)) return kOutError;
        if (!truth) return kOutNormal;
        o = Statement(c, n.items[3], result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
        o = Statement(c, n.items[2], temp);
        if (o != kOutNormal) return o;
    }
}

[[gnu::noinline]] int ExecRepeat(RContext& c, const RToken& n, RValue& result) {
    RValue v;
    const RToken& count = n.items[0];
    if (!Eval(c, count, v)) return kOutError;
    if (v.IsString()) return FailOut(c, count.position, "Repeat count must be a number");
    const int64_t times = Operator_RoundInt64(v.val);
    for (int64_t k = 0; k < times; ++k) {
        int o = Statement(c, n.items[1], result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
    }
    return kOutNormal;
}

int Exec(RContext& c, const RToken& n, RValue& result) {
    switch (n.kind) {
    case kNodeBlock:
        return ExecBlock(c, n, result);
    case kNodeCall:
        return EvalCall(c, n, result) ? kOutNormal : kOutError;
    case kNodeAssign:
        return ExecAssign(c, n, result);
    case kNodeIf: {
        bool truth = false;
        if (!Condition(c, n.items[0], "Expression expected", truth)) return kOutError;
        if (truth) return Exec(c, n.items[1], result);
        return n.itemnumb() > 2 ? Exec(c, n.items[2], result) : kOutNormal;
    }
    case kNodeWhile:
        for (;;) {
            bool truth = false;
            if (!Condition(c, n.items[0], "Boolean expression expected", truth)) return kOutError;
            if (!truth) return kOutNormal;
            int o = Statement(c, n.items[1], result);
            if (o == kOutBreak) return kOutNormal;
            if (o == kOutExit || o == kOutError) return o;
        }
    case kNodeDo:
        for (;;) {
            int o = Statement(c, n.items[0], result);
            if (o == kOutBreak) return kOutNormal;
            if (o == kOutExit || o == kOutError) return o;
            bool truth = false;
            if (!Condition(c, n.items[1], "Boolean expression expected", truth)) return kOutError;
            if (truth) return kOutNormal;
        }
    case kNodeFor:
        return ExecFor(c, n, result);
    case kNodeRepeat:
        return ExecRepeat(c, n, result);
    case kNodeExit:
        return kOutExit;
    case kNodeBreak:
        return kOutBreak;
    case kNodeContinue:
        return kOutContinue;
    case kNodeWith:
        return ExecWith(c, n, result);
    case kNodeReturn:
        return Eval(c, n.items[0], result) ? kOutExit : kOutError;
    case kNodeSwitch:
        return ExecSwitch(c, n, result);
    case kNodeCase:
        return FailOut(c, n.position, "Case statement only allowed inside switch statement.");
    case kNodeDefault:
        return FailOut(c, n.position, "Default statement only allowed inside switch statement.");
    case kNodeVar:
        return kOutNormal;
    case kNodeGlobalVar:
        for (const RToken& name : n.items) Global_Declare(name.ind);
        return kOutNormal;
    default:
        return FailOut(c, n.position, "Statement expected.");
    }
}

// ---- the lowered form ----
//
// Made once per code on its first run: every node of the tree becomes a compact node holding
// the handler that runs it, its children and what the handler needs to know (the local or
// argument slot an operand is read from). Handlers take the quick way where the operands allow
// and otherwise do exactly what the tree walker does, with the tree node at hand for positions.
// Kinds the lowered form has no handler for run their subtree through the tree walker.

struct LNode;
using LEvalFn = bool (*)(RContext& c, const LNode& n, RValue& out);
using LTestFn = bool (*)(RContext& c, const LNode& n, const char* message, bool& truth);
// A real computed without side effects or errors, or false (the node's eval then does the rest).
using LRealFn = bool (*)(RContext& c, const LNode& n, double& v);
// A script call into a remembered callee with its arguments in frame (RLoweredCode::call, one
// per argument count N of LScriptCall: 0, 1, 2 and any).
using LCallFn = bool (*)(RContext& c, const LNode& n, RValue& out, RArgumentFrame* frame, int argc);

// Where an operand can be read in place without evaluation.
enum : uint8_t { kPlaceNone, kPlaceConstant, kPlaceLocal, kPlaceArgument, kPlaceElement };
// Where a plain variable is read without the general paths (LNode::var): one of self's, other's
// or the global list (the variable id in the node's op, its selector in aw and the position where
// it was found last in pos) or a built-in variable of self (the getter and setter in the node, and the
// instance's field when the getter only reads one).
enum : uint8_t { kPlaceSelf = 5, kPlaceBuiltin = 6 };
// An operand computed by its own node's real function (LNode::real), and an element of a local
// array at one index read from a local (the commonest element): held by parents only.
enum : uint8_t { kPlaceComputed = 7, kPlaceElementAtLocal = 8 };
// An element of an array of self, of other or of the global list at one index read from a local
// (LNode::var; the index local in the node's aw).
enum : uint8_t { kPlaceVarElement = 9 };
// Held by assignments only: an element of a local array at two indices each read from a local
// (the first index local in the node's aw, the second in bw), and an operation on two locals
// (the node's aw, bw and op).
enum : uint8_t { kPlaceElementAtLocals = 10, kPlaceLocalPair = 11 };

// 112 bytes: fields that no node uses together share their place (if and for nodes' c and d
// with a built-in variable's getter and setter; the list's start in the pool, while lowering,
// and a built-in variable's field with the list; a variable's position with the slot).
struct LNode {
    union {
        LEvalFn eval = nullptr; // expressions
        LExecFn exec;           // statements
    };
    LTestFn test = nullptr; // expressions used as conditions
    LRealFn real = nullptr; // expressions whose real value can be read without side effects
    const RToken* t = nullptr;
    // Operands of a binary operation or an assignment's value read straight from the node: the
    // real constant, or the local or argument slot (kPlaceConstant only for real constants).
    double an = 0, bn = 0;
    // Script calls of one or two arguments: arguments computed in the call (kHeld*, see
    // HeldArgument) in ap/aw/an and bp/bw/bn.
    int32_t aw = 0, bw = 0;
    uint8_t ap = kPlaceNone, bp = kPlaceNone;
    uint8_t place = kPlaceNone;
    uint8_t var = kPlaceNone;
    union {
        int32_t where = 0;   // local slot or argument slot
        mutable int32_t pos; // kPlaceSelf: the variable's position in the list, tried first
    };
    const LNode* a = nullptr;
    const LNode* b = nullptr;
    union {
        const LNode* c = nullptr;
        TBuiltinGetter get;    // kPlaceBuiltin
        const CScript* script; // script calls: the callee remembered under generation gen
    };
    union {
        const LNode* d = nullptr;
        TBuiltinSetter set;         // kPlaceBuiltin
        int32_t* hint;              // kPlaceVarElement: the tree node's list position hint
        const RLoweredCode* callee; // script calls: the callee's lowered form (with script)
    };
    union {
        const LNode* const* list = nullptr; // block statements, call arguments
        uintptr_t listStart;                // while lowering: the list's start in the code's pool
        TBuiltinField field;                // kPlaceBuiltin: the field the getter reads, or nullptr
    };
    uint32_t count = 0;
    union {
        int32_t op = 0; // operator, assignment symbol
        uint32_t gen;   // script calls: g_callGeneration when script and callee were remembered
    };
};
static_assert(sizeof(LNode) == 112, "lowered nodes stay small");

} // namespace

struct RLoweredCode {
    CCode* code = nullptr;    // the code it was made from
    std::vector<LNode> nodes; // reserved for the whole tree up front: nodes never move
    std::vector<const LNode*> lists;
    const LNode* root = nullptr;
    const LNode* program = nullptr; // root when it is a program's block: script calls run it straight
    LExecFn body = nullptr;         // what runs program for a script call
    LCallFn call[4] = {};         // a remembered script call into this code (CallRun, body inlined) by N + 1
    const RToken* from = nullptr; // the root it was made from (a moved code makes it again)
    bool walk = false;            // too large to lower: the tree walker runs it
    // For script calls: the number of local slots, and the argument counts the code accepts
    // (n is accepted when unsigned(n - argsLow) <= argsSpan).
    uint32_t slots = 0;
    int32_t argsLow = 0;
    uint32_t argsSpan = 0;
};

void RLoweredDelete::operator()(RLoweredCode* p) const {
    ++g_callGeneration;
    delete p;
}

namespace {

// Item k of v, or nullptr when v is shorter (the bounds compared in bytes: no division).
template <class V>
[[gnu::always_inline]] inline typename V::value_type* ItemOf(V& v, size_t k) {
    const uintptr_t b = reinterpret_cast<uintptr_t>(v.data());
    const uintptr_t e = reinterpret_cast<uintptr_t>(std::to_address(v.end()));
    return k * sizeof(typename V::value_type) < e - b ? v.data() + k : nullptr;
}

// An existing element of a local array, or nullptr. One index i is element (0, i). (A local not
// written yet has no rows.)
[[gnu::always_inline]] inline RValue* LocalElement(RLocalSlot& s, int32_t i, int32_t j) {
    if ((i | j) == 0) return s.defined() ? &s.simple : nullptr;
    TRow* row = ItemOf(s.rows, size_t(i));
    return row ? ItemOf(*row, size_t(j)) : nullptr;
}

// LocalElement as a test: true with e at the element when it exists (the test compares the
// bounds only, no pointer).
[[gnu::always_inline]] inline bool FindLocalElement(RLocalSlot& s, int32_t i, int32_t j, RValue*& e) {
    if ((i | j) == 0) {
        e = &s.simple;
        return s.defined();
    }
    const uintptr_t rb = reinterpret_cast<uintptr_t>(s.rows.data());
    const uintptr_t re = reinterpret_cast<uintptr_t>(std::to_address(s.rows.end()));
    if (size_t(i) * sizeof(TRow) >= re - rb) return false;
    TRow& row = s.rows.data()[i];
    const uintptr_t b = reinterpret_cast<uintptr_t>(row.data());
    const uintptr_t end = reinterpret_cast<uintptr_t>(std::to_address(row.end()));
    if (size_t(j) * sizeof(RValue) >= end - b) return false;
    e = row.data() + j;
    return true;
}

// A real held by an existing element of a local array, or false.
[[gnu::always_inline]] inline bool LocalElementReal(RLocalSlot& s, int32_t i, int32_t j, double& v) {
    RValue* e;
    if (!FindLocalElement(s, i, j, e) || e->kind != RValue::kReal) return false;
    v = e->val;
    return true;
}

// The commonest operators of compound assignments and of operations on two locals (+ and *)
// tried before the others: l op r in place as RealBinary computes it.
[[gnu::always_inline]] inline bool RealArithmetic(int op, double& l, double r) {
    if (op == kOpPlus) {
        l += r;
        return true;
    }
    if (op == kOpMultiply) {
        l *= r;
        return true;
    }
    return RealBinary(op, l, r);
}

// A whole array index in range held by a real, or false.
[[gnu::always_inline]] inline bool WholeIndex(double d, int32_t& out) {
#if defined(__SSE2__)
    // Truncated by the processor: NaN and values past the 64-bit range give INT64_MIN.
    const int64_t k = _mm_cvttsd_si64(_mm_set_sd(d));
#else
    if (!(d >= 0 && d < kArrayRowSize)) return false;
    const int64_t k = int64_t(d);
#endif
    out = int32_t(k);
    return uint64_t(k) < uint64_t(kArrayRowSize) && double(k) == d;
}

inline const RValue* PlaceValue(const RContext& c, const LNode& n);
inline bool ElementReal(const RContext& c, const LNode& x, double& v);
template <bool AtLocal>
inline bool ElementIndicesOf(const RContext& c, const LNode& n, int32_t& i, int32_t& j);
inline bool LocalIndices(const RContext& c, const LNode& n, int32_t& i, int32_t& j);

// The list holding the plain variable of node x (kPlaceSelf: of self, other or the global list),
// or nullptr when a globalvar may shadow a variable of self (the general path decides then).
[[gnu::always_inline]] inline CVariableList* SelfList(const RContext& c, const LNode& x) {
    if (x.aw == kSelDefault) return Global_AnyDeclared() ? nullptr : &c.self->i_vars;
    if (x.aw == kSelSelf) return &c.self->i_vars;
    return x.aw == kSelOther ? &c.other->i_vars : &Global_List();
}

// The stored value of the plain variable of node x (kPlaceSelf), or nullptr when it does not exist
// or a globalvar may shadow it.
[[gnu::always_inline]] inline RValue* SelfValue(const RContext& c, const LNode& x) {
    CVariableList* list = SelfList(c, x);
    return list ? list->PlainAt(x.op, x.pos) : nullptr;
}

// A real held by the plain variable of operand node x (kPlaceSelf or kPlaceBuiltin), or false.
[[gnu::always_inline]] inline bool VarOperand(const RContext& c, uint8_t p, const LNode& x, double& v) {
    if (p == kPlaceSelf) {
        const RValue* e = SelfValue(c, x);
        if (!e || e->kind != RValue::kReal) return false;
        v = e->val;
        return true;
    }
    if (x.field) {
        v = c.self->*x.field;
        return true;
    }
    RValue r;
    if (!x.get(c.self, 0, r) || r.kind != RValue::kReal) return false;
    v = r.val;
    return true;
}

// The list holding the array of node x (kPlaceVarElement: self's, other's or the global list), or
// nullptr when a globalvar may shadow an array of self (the general path decides then).
[[gnu::always_inline]] inline CVariableList* ArrayList(const RContext& c, const LNode& x) {
    switch (x.where) {
    case kSelSelf:
        return &c.self->i_vars;
    case kSelOther:
        return &c.other->i_vars;
    case kSelGlobal:
        return &Global_List();
    default:
        return Global_AnyDeclared() ? nullptr : &c.self->i_vars;
    }
}

// The existing element of the array named by node x (kPlaceVarElement), or nullptr.
[[gnu::always_inline]] inline RValue* VarElement(const RContext& c, const LNode& x) {
    int32_t i, j;
    if (!ElementIndicesOf<true>(c, x, i, j)) return nullptr;
    CVariableList* list = ArrayList(c, x);
    return list ? list->ElementAt(x.op, j, *x.hint) : nullptr;
}

// A real operand held in the node (place p: the constant num, or local or argument slot w, or
// the self variable of operand node x), or false when it is not a real there.
[[gnu::always_inline]] inline bool RealOperand(const RContext& c, uint8_t p, int32_t w, double num, double& v,
                                               const LNode* x = nullptr) {
    switch (p) {
    case kPlaceSelf:
    case kPlaceBuiltin:
        return VarOperand(c, p, *x, v);
    case kPlaceElement:
        return ElementReal(c, *x, v);
    case kPlaceElementAtLocal: {
        int32_t i, j;
        return ElementIndicesOf<true>(c, *x, i, j) && LocalElementReal(c.slots[x->where], i, j, v);
    }
    case kPlaceComputed:
        return x->real(const_cast<RContext&>(c), *x, v);
    case kPlaceElementAtLocals: {
        int32_t i, j;
        return LocalIndices(c, *x, i, j) && LocalElementReal(c.slots[x->where], i, j, v);
    }
    case kPlaceLocalPair: {
        const RLocalSlot& l = c.slots[x->aw];
        const RLocalSlot& r = c.slots[x->bw];
        if (l.simple.kind != RValue::kReal || r.simple.kind != RValue::kReal) return false;
        v = l.simple.val;
        return RealArithmetic(x->op, v, r.simple.val);
    }
    case kPlaceVarElement: {
        const RValue* e = VarElement(c, *x);
        if (!e || e->kind != RValue::kReal) return false;
        v = e->val;
        return true;
    }
    case kPlaceConstant:
        v = num;
        return true;
    case kPlaceLocal: {
        const RLocalSlot& s = c.slots[w];
        if (s.simple.kind != RValue::kReal) return false;
        v = s.simple.val;
        return true;
    }
    case kPlaceArgument:
        if (arg_slots[w].kind != RValue::kReal) return false;
        v = arg_slots[w].val;
        return true;
    default:
        return false;
    }
}

// A whole index in range read from an operand held in the node, or false.
[[gnu::always_inline]] inline bool InlineIndex(const RContext& c, uint8_t p, int32_t w, double num,
                                               int32_t& out) {
    double d;
    switch (p) {
    case kPlaceConstant:
        d = num;
        break;
    case kPlaceLocal: {
        const RLocalSlot& s = c.slots[w];
        if (s.simple.kind != RValue::kReal) return false;
        d = s.simple.val;
        break;
    }
    case kPlaceArgument:
        if (arg_slots[w].kind != RValue::kReal) return false;
        d = arg_slots[w].val;
        break;
    default:
        return false;
    }
    return WholeIndex(d, out);
}

// The element indices of a local array node (a: first index, b: second or nullptr).
[[gnu::always_inline]] inline bool ElementIndices(const RContext& c, const LNode& n, int32_t& i, int32_t& j) {
    if (!n.b) {
        i = 0;
        return InlineIndex(c, n.ap, n.aw, n.an, j);
    }
    return InlineIndex(c, n.ap, n.aw, n.an, i) && InlineIndex(c, n.bp, n.bw, n.bn, j);
}

// ElementIndices, for a node known to have one index read from a local (AtLocal) or any node.
template <bool AtLocal>
[[gnu::always_inline]] inline bool ElementIndicesOf(const RContext& c, const LNode& n, int32_t& i,
                                                    int32_t& j) {
    if constexpr (AtLocal) {
        const RLocalSlot& s = c.slots[n.aw];
        i = 0;
        return s.simple.kind == RValue::kReal && WholeIndex(s.simple.val, j);
    } else {
        return ElementIndices(c, n, i, j);
    }
}

// A whole index in range read from a local.
[[gnu::always_inline]] inline bool LocalIndex(const RLocalSlot& s, int32_t& out) {
    return s.simple.kind == RValue::kReal && WholeIndex(s.simple.val, out);
}

// The indices of an element node at two indices read from locals (kPlaceElementAtLocals).
[[gnu::always_inline]] inline bool LocalIndices(const RContext& c, const LNode& n, int32_t& i, int32_t& j) {
    return LocalIndex(c.slots[n.aw], i) && LocalIndex(c.slots[n.bw], j);
}

// A real held by an existing element of a local array node x, or false.
[[gnu::always_inline]] inline bool ElementReal(const RContext& c, const LNode& x, double& v) {
    int32_t i = 0, j = 0;
    return ElementIndices(c, x, i, j) && LocalElementReal(c.slots[x.where], i, j, v);
}

[[gnu::always_inline]] inline const RValue* PlaceValue(const RContext& c, const LNode& n) {
    switch (n.place) {
    case kPlaceConstant:
        return n.t->value;
    case kPlaceLocal: {
        const RLocalSlot& s = c.slots[n.where];
        return s.defined() ? &s.simple : nullptr;
    }
    case kPlaceArgument:
        return &arg_slots[n.where];
    case kPlaceElement: {
        int32_t i = 0, j = 0;
        if (!ElementIndices(c, n, i, j)) return nullptr;
        return LocalElement(c.slots[n.where], i, j);
    }
    default:
        return nullptr;
    }
}

// ---- expressions ----

bool LTree(RContext& c, const LNode& n, RValue& out) {
    return Eval(c, *n.t, out);
}

bool LConstant(RContext&, const LNode& n, RValue& out) {
    out = *n.t->value;
    return true;
}

bool LRealConstant(RContext&, const LNode& n, RValue& out) {
    out.SetReal(n.t->value->val);
    return true;
}

bool LArgument(RContext&, const LNode& n, RValue& out) {
    out = arg_slots[n.where];
    return true;
}

bool LSelfVar(RContext& c, const LNode& n, RValue& out) {
    if (const RValue* e = SelfValue(c, n)) {
        out = *e;
        return true;
    }
    return Eval(c, *n.t, out);
}

bool LVarElement(RContext& c, const LNode& n, RValue& out) {
    if (const RValue* e = VarElement(c, n)) {
        out = *e;
        return true;
    }
    return Eval(c, *n.t, out);
}

bool LBuiltinVar(RContext& c, const LNode& n, RValue& out) {
    if (n.field) {
        out.SetReal(c.self->*n.field);
        return true;
    }
    if (n.get(c.self, 0, out)) return true;
    return Eval(c, *n.t, out);
}

bool LPlace(RContext& c, const LNode& n, RValue& out) {
    if (const RValue* p = PlaceValue(c, n)) {
        out = *p;
        return true;
    }
    return Eval(c, *n.t, out);
}

bool LUnary(RContext& c, const LNode& n, RValue& out) {
    if (!n.a->eval(c, *n.a, out)) return false;
    return Operator_Unary(c.code, n.a->t->position, n.op, out);
}

bool LBinary(RContext& c, const LNode& n, RValue& out) {
    const RValue* rp = PlaceValue(c, *n.b);
    if (rp && rp->kind == RValue::kReal) {
        if (const RValue* lp = PlaceValue(c, *n.a); lp && lp->kind == RValue::kReal) {
            double l = lp->val;
            if (RealBinary(n.op, l, rp->val)) {
                out.SetReal(l);
                return true;
            }
        }
    }
    if (!n.a->eval(c, *n.a, out)) return false;
    RValue r;
    if (!rp) {
        if (!n.b->eval(c, *n.b, r)) return false;
        rp = &r;
    }
    if (out.kind == RValue::kReal && rp->kind == RValue::kReal && RealBinary(n.op, out.val, rp->val))
        return true;
    return Operator_Binary(c.code, n.b->t->position, n.op, *rp, out);
}

// A binary operation whose operands both need evaluation (calls, say).
bool LBinaryEval(RContext& c, const LNode& n, RValue& out) {
    if (!n.a->eval(c, *n.a, out)) return false;
    RValue r;
    if (!n.b->eval(c, *n.b, r)) return false;
    if (out.kind == RValue::kReal && r.kind == RValue::kReal && RealBinary(n.op, out.val, r.val)) return true;
    return Operator_Binary(c.code, n.b->t->position, n.op, r, out);
}

// A binary operation on operands held in the node, both reals: computed straight away.
template <uint8_t A, uint8_t B>
bool LBinaryQuick(RContext& c, const LNode& n, RValue& out) {
    double l, r;
    if (RealOperand(c, A, n.aw, n.an, l, n.a) && RealOperand(c, B, n.bw, n.bn, r, n.b) &&
        RealBinary(n.op, l, r)) {
        out.SetReal(l);
        return true;
    }
    return LBinary(c, n, out);
}

// The real of a binary operation on operands held in the node, when all of it is real (Op as
// for RealOp).
template <uint8_t A, uint8_t B, int Op = kOpAny>
bool LRealQuick(RContext& c, const LNode& n, double& v) {
    double r;
    return RealOperand(c, A, n.aw, n.an, v, n.a) && RealOperand(c, B, n.bw, n.bn, r, n.b) &&
           RealOp<Op>(n.op, v, r);
}

// The real of a unary operation on an operand held in the node.
bool LRealUnary(RContext& c, const LNode& n, double& v) {
    if (!RealOperand(c, n.ap, n.aw, n.an, v, n.a)) return false;
    switch (n.op) {
    case kOpMinus:
        v = -v;
        return true;
    case kOpNot:
        v = v < 0.5 ? 1.0 : 0.0;
        return true;
    default: // kOpPlus
        return true;
    }
}

bool LUnaryQuick(RContext& c, const LNode& n, RValue& out) {
    double v;
    if (LRealUnary(c, n, v)) {
        out.SetReal(v);
        return true;
    }
    return LUnary(c, n, out);
}

bool LTestValue(RContext& c, const LNode& n, const char* message, bool& truth);

template <uint8_t A, uint8_t B, int Op = kOpAny>
bool LTestQuick(RContext& c, const LNode& n, const char* message, bool& truth) {
    double l, r;
    if (RealOperand(c, A, n.aw, n.an, l, n.a) && RealOperand(c, B, n.bw, n.bn, r, n.b) &&
        RealCondition<Op>(n.op, l, r, truth))
        return true;
    return LTestValue(c, n, message, truth);
}

// The quick handlers by operand places (none when an operand is not held in the node).
template <template <uint8_t, uint8_t> class H, uint8_t A>
auto QuickFor(uint8_t b) -> decltype(H<A, kPlaceLocal>::fn) {
    switch (b) {
    case kPlaceConstant:
        return H<A, kPlaceConstant>::fn;
    case kPlaceLocal:
        return H<A, kPlaceLocal>::fn;
    case kPlaceArgument:
        return H<A, kPlaceArgument>::fn;
    case kPlaceSelf:
        return H<A, kPlaceSelf>::fn;
    case kPlaceBuiltin:
        return H<A, kPlaceBuiltin>::fn;
    case kPlaceElement:
        return H<A, kPlaceElement>::fn;
    case kPlaceElementAtLocal:
        return H<A, kPlaceElementAtLocal>::fn;
    case kPlaceComputed:
        return H<A, kPlaceComputed>::fn;
    case kPlaceVarElement:
        return H<A, kPlaceVarElement>::fn;
    default:
        return nullptr;
    }
}
template <template <uint8_t, uint8_t> class H>
auto QuickFor(uint8_t a, uint8_t b) -> decltype(H<kPlaceLocal, kPlaceLocal>::fn) {
    switch (a) {
    case kPlaceConstant:
        return QuickFor<H, kPlaceConstant>(b);
    case kPlaceLocal:
        return QuickFor<H, kPlaceLocal>(b);
    case kPlaceArgument:
        return QuickFor<H, kPlaceArgument>(b);
    case kPlaceSelf:
        return QuickFor<H, kPlaceSelf>(b);
    case kPlaceBuiltin:
        return QuickFor<H, kPlaceBuiltin>(b);
    case kPlaceElement:
        return QuickFor<H, kPlaceElement>(b);
    case kPlaceElementAtLocal:
        return QuickFor<H, kPlaceElementAtLocal>(b);
    case kPlaceComputed:
        return QuickFor<H, kPlaceComputed>(b);
    case kPlaceVarElement:
        return QuickFor<H, kPlaceVarElement>(b);
    default:
        return nullptr;
    }
}
// QuickFor for the values of assignments, which may also be held at the places only assignments
// hold.
template <template <uint8_t, uint8_t> class H, uint8_t A>
auto AssignFor(uint8_t b) -> decltype(H<A, kPlaceLocal>::fn) {
    if (b == kPlaceElementAtLocals) return H<A, kPlaceElementAtLocals>::fn;
    if (b == kPlaceLocalPair) return H<A, kPlaceLocalPair>::fn;
    return QuickFor<H, A>(b);
}
template <uint8_t A, uint8_t B>
struct HBinary {
    static constexpr LEvalFn fn = LBinaryQuick<A, B>;
};
template <uint8_t A, uint8_t B>
struct HTest {
    static constexpr LTestFn fn = LTestQuick<A, B>;
};
template <uint8_t A, uint8_t B>
struct HReal {
    static constexpr LRealFn fn = LRealQuick<A, B>;
};

// Handlers fixed on their operator as well: comparisons whose left operand is at one of the
// common places and whose right operand is a real constant, a local or an argument, and && and ||
// of two computed operands; nullptr otherwise (the handler by places serves then).
template <template <uint8_t, uint8_t, int> class H, uint8_t A, uint8_t B>
auto ByOperator(int op) -> decltype(H<A, B, kOpLess>::fn) {
    switch (op) {
    case kOpLess:
        return H<A, B, kOpLess>::fn;
    case kOpLessEqual:
        return H<A, B, kOpLessEqual>::fn;
    case kOpAssignEqual:
    case kOpEqual:
        return H<A, B, kOpEqual>::fn;
    case kOpNotEqual:
        return H<A, B, kOpNotEqual>::fn;
    case kOpGreaterEqual:
        return H<A, B, kOpGreaterEqual>::fn;
    case kOpGreater:
        return H<A, B, kOpGreater>::fn;
    default:
        return nullptr;
    }
}
template <template <uint8_t, uint8_t, int> class H, uint8_t A>
auto ByOperator(uint8_t b, int op) -> decltype(H<A, kPlaceLocal, kOpLess>::fn) {
    switch (b) {
    case kPlaceConstant:
        return ByOperator<H, A, kPlaceConstant>(op);
    case kPlaceLocal:
        return ByOperator<H, A, kPlaceLocal>(op);
    case kPlaceArgument:
        return ByOperator<H, A, kPlaceArgument>(op);
    default:
        return nullptr;
    }
}
template <template <uint8_t, uint8_t, int> class H>
auto ByOperator(uint8_t a, uint8_t b, int op) -> decltype(H<kPlaceLocal, kPlaceLocal, kOpLess>::fn) {
    if (a == kPlaceComputed && b == kPlaceComputed) {
        if (op == kOpAnd) return H<kPlaceComputed, kPlaceComputed, kOpAnd>::fn;
        if (op == kOpOr) return H<kPlaceComputed, kPlaceComputed, kOpOr>::fn;
        return nullptr;
    }
    switch (a) {
    case kPlaceLocal:
        return ByOperator<H, kPlaceLocal>(b, op);
    case kPlaceArgument:
        return ByOperator<H, kPlaceArgument>(b, op);
    case kPlaceSelf:
        return ByOperator<H, kPlaceSelf>(b, op);
    case kPlaceBuiltin:
        return ByOperator<H, kPlaceBuiltin>(b, op);
    case kPlaceElementAtLocal:
        return ByOperator<H, kPlaceElementAtLocal>(b, op);
    case kPlaceComputed:
        return ByOperator<H, kPlaceComputed>(b, op);
    case kPlaceVarElement:
        return ByOperator<H, kPlaceVarElement>(b, op);
    default:
        return nullptr;
    }
}
// The handler fixed on the operator where there is one, else the one by places.
template <template <uint8_t, uint8_t, int> class H, template <uint8_t, uint8_t> class G>
auto QuickFor(uint8_t a, uint8_t b, int op) -> decltype(G<kPlaceLocal, kPlaceLocal>::fn) {
    if (auto f = ByOperator<H>(a, b, op)) return f;
    return QuickFor<G>(a, b);
}
template <uint8_t A, uint8_t B, int Op>
struct HTestOp {
    static constexpr LTestFn fn = LTestQuick<A, B, Op>;
};
template <uint8_t A, uint8_t B, int Op>
struct HRealOp {
    static constexpr LRealFn fn = LRealQuick<A, B, Op>;
};

// An argument of a script call evaluated into its slot of the callee's frame (real 0 until
// then): a real computed without side effects goes straight into the slot's value.
[[gnu::always_inline]] inline bool ArgumentInto(RContext& c, const LNode& e, RValue& slot) {
    double v;
    // The commonest argument of a recursive call, an argument with a constant (argument0 - 1),
    // computed here rather than through its handler.
    if (e.real == LRealQuick<kPlaceArgument, kPlaceConstant>) {
        const RValue& a = arg_slots[e.aw];
        if (a.kind == RValue::kReal) {
            v = a.val;
            if (e.op == kOpMinus) {
                slot.val = v - e.bn;
                return true;
            }
            if (RealBinary(e.op, v, e.bn)) {
                slot.val = v;
                return true;
            }
        }
        return e.eval(c, e, slot);
    }
    if (e.real && e.real(c, e, v)) {
        slot.val = v;
        return true;
    }
    return e.eval(c, e, slot);
}

[[gnu::noinline, gnu::cold]] bool ArgumentFailed(RArgumentFrame* frame, int evaluated) {
    ClearFrame(frame->slots, evaluated);
    g_argumentFrames.Pop(frame);
    return false;
}

[[gnu::noinline, gnu::cold]] bool NoSuchScript(RContext& c, const LNode& n, RArgumentFrame* frame, int argc) {
    ClearFrame(frame->slots, argc);
    g_argumentFrames.Pop(frame);
    if (!Error_IsSet()) Fail(c, n.t->position, "Trying to execute non-existing script.");
    return false;
}

// Remembers the callee of script call node n when it can be run straight (a script whose program
// is lowered and that accepts the call's argument count, while calls take the quick way), under
// the current generation. A call with a count its callee does not accept keeps the general way.
void RememberCallee(const LNode& n) {
    LNode& m = const_cast<LNode&>(n); // the nodes of a lowered code are not const: only handlers see them so
    const CScript* script = Script_Get(n.where);
    const CCode* code = script ? script->s_code.get() : nullptr;
    const RLoweredCode* made = code ? code->i_lowered.get() : nullptr;
    if (!made || !made->program || g_slowCalls || uint32_t(int(n.count) - made->argsLow) > made->argsSpan)
        return;
    m.script = script;
    m.callee = made;
    m.gen = g_callGeneration;
}

// A script call whose callee is not remembered (yet): found in the script table and run the
// general way, then remembered for the next call.
[[gnu::noinline]] bool ScriptCallGeneral(RContext& c, const LNode& n, RValue& out, RArgumentFrame* frame,
                                         int argc) {
    CScript* script = Script_Get(n.where);
    if (!script) [[unlikely]]
        return NoSuchScript(c, n, frame, argc);
    const bool ok = CallScriptIn<true>(script, c.self, c.other, out, frame, argc, true);
    g_argumentFrames.Pop(frame);
    // After the run: its first run lowers the callee, and the run may have changed the scripts.
    RememberCallee(n);
    if (ok) [[likely]]
        return true;
    if (!Error_IsSet()) Fail(c, n.t->position, "Trying to execute non-existing script.");
    return false;
}

// The call to the callee once the arguments are in frame: the remembered callee's call handler,
// or the general way when the node's generation is not current.
template <int N>
[[gnu::always_inline]] inline bool CallWithArguments(RContext& c, const LNode& n, RValue& out,
                                                     RArgumentFrame* frame, int argc) {
    if (n.gen != g_callGeneration) [[unlikely]]
        return ScriptCallGeneral(c, n, out, frame, argc);
    return n.callee->call[N + 1](c, n, out, frame, argc);
}

// A script call whose arguments are evaluated by their handlers (or the frame stack grows).
template <int N>
[[gnu::noinline]] bool ScriptCallEvaluating(RContext& c, const LNode& n, RValue& out) {
    const int argc = N >= 0 ? N : int(n.count);
    RArgumentFrame* frame = g_argumentFrames.Push();
    for (int k = 0; k < argc; ++k)
        if (!ArgumentInto(c, *n.list[k], frame->slots[k])) [[unlikely]]
            return ArgumentFailed(frame, argc);
    return CallWithArguments<N>(c, n, out, frame, argc);
}

// A real argument of a script call held in the call node (p, w, num: ap/aw/an or bp/bw/bn),
// computed without its handler, or false when it needs evaluation (it is not a real): argument w
// plus num, local w, or the real constant num. argument0 - 1 holds -1 (x - c is x + -c exactly),
// and a plain argument -0 (x + -0 is x for every x, -0 included, where x + 0 would make -0 +0).
enum : uint8_t { kHeldNone, kHeldArgumentPlus, kHeldLocal, kHeldConstant };
[[gnu::always_inline]] inline bool HeldArgument(const RContext& c, uint8_t p, int32_t w, double num,
                                                double& v) {
    if (p == kHeldArgumentPlus) [[likely]] {
        const RValue& a = arg_slots[w];
        if (a.kind != RValue::kReal) return false;
        v = a.val + num;
        return true;
    }
    if (p == kHeldLocal) {
        const RLocalSlot& s = c.slots[w];
        if (s.simple.kind != RValue::kReal) return false; // an unset local is no real either
        v = s.simple.val;
        return true;
    }
    v = num;
    return p == kHeldConstant;
}

// A script call: the arguments are evaluated straight into the callee's argument frame. N is
// the number of arguments when the handler is made for one count, else -1 (n.count). Arguments
// held in the node are computed here; other arguments are evaluated by ScriptCallEvaluating
// (held ones have no side effects, so it may compute them again). Every way on is a tail call,
// so that this handler keeps nothing on the stack.
template <int N>
bool LScriptCall(RContext& c, const LNode& n, RValue& out) {
    if constexpr (N == 1 || N == 2) {
        double a, b = 0;
        if (!HeldArgument(c, n.ap, n.aw, n.an, a) || (N == 2 && !HeldArgument(c, n.bp, n.bw, n.bn, b)))
            return ScriptCallEvaluating<N>(c, n, out);
        if (g_argumentFrames.Full()) [[unlikely]]
            return ScriptCallEvaluating<N>(c, n, out);
        RArgumentFrame* frame = g_argumentFrames.PushInChunk();
        frame->slots[0].val = a;
        if (N == 2) frame->slots[1].val = b;
        return CallWithArguments<N>(c, n, out, frame, N);
    } else {
        return ScriptCallEvaluating<N>(c, n, out);
    }
}

template <int N>
int LScriptCallStatement(RContext& c, const LNode& n, RValue& result) {
    return LScriptCall<N>(c, n, result) ? kOutNormal : kOutError;
}

bool LCall(RContext& c, const LNode& n, RValue& out) {
    const int argc = int(n.count);
    const int id = n.t->ind;
    CArguments args(id < kScriptIdBase ? kArgumentSlots : argc);
    RValue* a = args.Values();
    for (int k = 0; k < argc; ++k) {
        const LNode& e = *n.list[k];
        if (!e.eval(c, e, a[k])) return false;
    }
    return CallWith(c, *n.t, argc, a, out);
}

// ---- conditions ----

bool LTestValue(RContext& c, const LNode& n, const char* message, bool& truth) {
    RValue v;
    if (!n.eval(c, n, v)) return false;
    if (v.IsString()) return Fail(c, n.t->position, message);
    truth = v.IsTrue();
    return true;
}

bool LTestBinary(RContext& c, const LNode& n, const char* message, bool& truth) {
    const RValue* rp = PlaceValue(c, *n.b);
    if (rp && rp->kind == RValue::kReal) {
        if (const RValue* lp = PlaceValue(c, *n.a); lp && lp->kind == RValue::kReal) {
            double l = lp->val;
            if (RealBinary(n.op, l, rp->val)) {
                truth = l >= 0.5;
                return true;
            }
        }
    }
    return LTestValue(c, n, message, truth);
}

// ---- statements ----

int LTreeStatement(RContext& c, const LNode& n, RValue& result) {
    return Exec(c, *n.t, result);
}

int LOutcome(RContext&, const LNode& n, RValue&) {
    return n.op;
}

int LBlock(RContext& c, const LNode& n, RValue& result) {
    for (uint32_t k = 0; k < n.count; ++k) {
        const LNode& s = *n.list[k];
        const int o = s.exec(c, s, result);
        if (o != kOutNormal) return o;
    }
    return kOutNormal;
}

int LCallStatement(RContext& c, const LNode& n, RValue& result) {
    return LCall(c, n, result) ? kOutNormal : kOutError;
}

int LReturn(RContext& c, const LNode& n, RValue& result) {
    return n.a->eval(c, *n.a, result) ? kOutExit : kOutError;
}

// A return of a binary operation whose operands both need evaluation (the sum of two calls,
// say), computed straight into the result: what LBinaryEval does, without the call through it.
// Op is the operator when the handler is made for one, else -1 (the node's).
template <int Op>
int LReturnBinaryEval(RContext& c, const LNode& n, RValue& result) {
    const LNode& x = *n.a;
    if (!x.a->eval(c, *x.a, result)) return kOutError;
    RValue r;
    if (!x.b->eval(c, *x.b, r)) return kOutError;
    if (result.kind == RValue::kReal && r.kind == RValue::kReal &&
        RealBinary(Op >= 0 ? Op : x.op, result.val, r.val))
        return kOutExit;
    return Operator_Binary(c.code, x.b->t->position, x.op, r, result) ? kOutExit : kOutError;
}

int LIf(RContext& c, const LNode& n, RValue& result) {
    bool truth = false;
    if (!n.a->test(c, *n.a, "Expression expected", truth)) return kOutError;
    if (truth) return n.b->exec(c, *n.b, result);
    return n.c ? n.c->exec(c, *n.c, result) : kOutNormal;
}

// The condition of an if node that holds its compared operands (ap/aw/an, bp/bw/bn, op): computed
// inline when both are reals, else through the condition node's own test. False on an error.
template <uint8_t A, uint8_t B, int Op>
[[gnu::always_inline]] inline bool IfCondition(RContext& c, const LNode& n, bool& truth) {
    double l, r;
    if (RealOperand(c, A, n.aw, n.an, l, n.a->a) && RealOperand(c, B, n.bw, n.bn, r, n.a->b) &&
        RealCondition<Op>(n.op, l, r, truth))
        return true;
    return n.a->test(c, *n.a, "Expression expected", truth);
}

// An if whose condition compares operands held in its own node: a and b of the condition are
// copied into the if node (ap/aw/an, bp/bw/bn, op), its branches stay in b and c.
template <uint8_t A, uint8_t B, int Op = kOpAny>
int LIfQuick(RContext& c, const LNode& n, RValue& result) {
    bool truth;
    if (!IfCondition<A, B, Op>(c, n, truth)) return kOutError;
    if (truth) return n.b->exec(c, *n.b, result);
    return n.c ? n.c->exec(c, *n.c, result) : kOutNormal;
}
template <uint8_t A, uint8_t B>
struct HIf {
    static constexpr LExecFn fn = LIfQuick<A, B>;
};
template <uint8_t A, uint8_t B, int Op>
struct HIfOp {
    static constexpr LExecFn fn = LIfQuick<A, B, Op>;
};

// A return of a value read in place.
[[gnu::always_inline]] inline int LReturnPlace(RContext& c, const LNode& n, RValue& result) {
    if (const RValue* p = PlaceValue(c, *n.a)) {
        result = *p;
        return kOutExit;
    }
    return LReturn(c, n, result);
}

// An if without else whose condition compares operands held in its node (as LIfQuick) and whose
// branch returns a value read in place (n.b a LReturnPlace node).
template <uint8_t A, uint8_t B, int Op = kOpAny>
int LIfReturnQuick(RContext& c, const LNode& n, RValue& result) {
    bool truth;
    if (!IfCondition<A, B, Op>(c, n, truth)) return kOutError;
    if (!truth) return kOutNormal;
    return LReturnPlace(c, *n.b, result);
}
template <uint8_t A, uint8_t B>
struct HIfReturn {
    static constexpr LExecFn fn = LIfReturnQuick<A, B>;
};
template <uint8_t A, uint8_t B, int Op>
struct HIfReturnOp {
    static constexpr LExecFn fn = LIfReturnQuick<A, B, Op>;
};

// An if whose condition is two comparisons of one operand with real constants joined by || (Or)
// or && (a range test such as x < 0 || x > 640): the operand (node n.d, held at place X) is read
// once for both comparisons, the constants are in n.an and n.bn. Both comparisons are made, as
// the general path makes them; when the operand is no real there, the condition's own test runs.
template <uint8_t X, int Op1, int Op2, bool Or>
int LIfRange(RContext& c, const LNode& n, RValue& result) {
    double v;
    bool truth;
    if (RealOperand(c, X, 0, 0, v, n.d)) {
        const bool first = RealTruth<Op1>(v, n.an), second = RealTruth<Op2>(v, n.bn);
        truth = Or ? first || second : first && second;
    } else if (!n.a->test(c, *n.a, "Expression expected", truth)) {
        return kOutError;
    }
    if (truth) return n.b->exec(c, *n.b, result);
    return n.c ? n.c->exec(c, *n.c, result) : kOutNormal;
}

// The range test handlers by place and ordering operators (<, <=, >, >=), or nullptr.
template <uint8_t X, bool Or, int Op1>
LExecFn RangeFor(int op2) {
    switch (op2) {
    case kOpLess:
        return LIfRange<X, Op1, kOpLess, Or>;
    case kOpLessEqual:
        return LIfRange<X, Op1, kOpLessEqual, Or>;
    case kOpGreater:
        return LIfRange<X, Op1, kOpGreater, Or>;
    case kOpGreaterEqual:
        return LIfRange<X, Op1, kOpGreaterEqual, Or>;
    default:
        return nullptr;
    }
}
template <uint8_t X, bool Or>
LExecFn RangeFor(int op1, int op2) {
    switch (op1) {
    case kOpLess:
        return RangeFor<X, Or, kOpLess>(op2);
    case kOpLessEqual:
        return RangeFor<X, Or, kOpLessEqual>(op2);
    case kOpGreater:
        return RangeFor<X, Or, kOpGreater>(op2);
    case kOpGreaterEqual:
        return RangeFor<X, Or, kOpGreaterEqual>(op2);
    default:
        return nullptr;
    }
}
template <bool Or>
LExecFn RangeFor(uint8_t x, int op1, int op2) {
    switch (x) {
    case kPlaceElementAtLocal:
        return RangeFor<kPlaceElementAtLocal, Or>(op1, op2);
    case kPlaceSelf:
        return RangeFor<kPlaceSelf, Or>(op1, op2);
    case kPlaceBuiltin:
        return RangeFor<kPlaceBuiltin, Or>(op1, op2);
    case kPlaceVarElement:
        return RangeFor<kPlaceVarElement, Or>(op1, op2);
    default:
        return nullptr;
    }
}

int LWhile(RContext& c, const LNode& n, RValue& result) {
    for (;;) {
        bool truth = false;
        if (!n.a->test(c, *n.a, "Boolean expression expected", truth)) return kOutError;
        if (!truth) return kOutNormal;
        const int o = n.b->exec(c, *n.b, result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
    }
}

int LDo(RContext& c, const LNode& n, RValue& result) {
    for (;;) {
        const int o = n.a->exec(c, *n.a, result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
        bool truth = false;
        if (!n.b->test(c, *n.b, "Boolean expression expected", truth)) return kOutError;
        if (truth) return kOutNormal;
    }
}

int LAssignLocal(RContext& c, const LNode& n, RValue& result);

// A compound assignment to a local holding a real, of a real operand held in the node (place B).
template <uint8_t B>
int LAssignLocalQuick(RContext& c, const LNode& n, RValue& result) {
    RLocalSlot& s = c.slots[n.where];
    double r;
    if (s.simple.kind == RValue::kReal && RealOperand(c, B, n.bw, n.bn, r, n.b) &&
        RealArithmetic(n.aw, s.simple.val, r)) {
        result.SetReal(s.simple.val);
        return kOutNormal;
    }
    return LAssignLocal(c, n, result);
}
template <uint8_t A, uint8_t B>
struct HAssignLocal {
    static constexpr LExecFn fn = LAssignLocalQuick<B>;
};

// A for loop whose condition (node b) compares operands held in that node; a step that is a
// compound assignment to a local is called directly.
template <uint8_t A, uint8_t B, int Op = kOpAny>
int LForQuick(RContext& c, const LNode& n, RValue& result) {
    RValue temp;
    int o = n.a->exec(c, *n.a, temp);
    if (o != kOutNormal) return o;
    const LNode& cond = *n.b;
    const bool localStep = n.c->exec == LAssignLocalQuick<kPlaceConstant>;
    for (;;) {
        double l, r;
        bool truth;
        if (!(RealOperand(c, A, cond.aw, cond.an, l, cond.a) &&
              RealOperand(c, B, cond.bw, cond.bn, r, cond.b) && RealCondition<Op>(cond.op, l, r, truth)) &&
            !cond.test(c, cond, "Expression expected", truth))
            return kOutError;
        if (!truth) return kOutNormal;
        o = n.d->exec(c, *n.d, result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
        o = localStep ? LAssignLocalQuick<kPlaceConstant>(c, *n.c, temp) : n.c->exec(c, *n.c, temp);
        if (o != kOutNormal) return o;
    }
}
template <uint8_t A, uint8_t B>
struct HFor {
    static constexpr LExecFn fn = LForQuick<A, B>;
};
template <uint8_t A, uint8_t B, int Op>
struct HForOp {
    static constexpr LExecFn fn = LForQuick<A, B, Op>;
};

// A for condition through its own test: 1 or 0, or -1 after an error.
[[gnu::noinline]] int ForTest(RContext& c, const LNode& cond) {
    bool truth = false;
    if (!cond.test(c, cond, "Expression expected", truth)) return -1;
    return truth ? 1 : 0;
}

// A counted for loop: its condition compares a local (the counter, the condition's aw) with a
// bound held in the condition node (place B, operator Op), and its step adds a real constant to
// the counter (i += 1, or i -= 1 as the constant negated: n.an). While the counter holds a real
// the condition and the step are made here; anything else goes through their own handlers.
template <uint8_t B, int Op>
int LForCount(RContext& c, const LNode& n, RValue& result) {
    RValue temp;
    int o = n.a->exec(c, *n.a, temp);
    if (o != kOutNormal) return o;
    const LNode& cond = *n.b;
    const LNode& body = *n.d;
    RLocalSlot& s = c.slots[cond.aw];
    // Where the bound is held unless it is a constant (an argument's slot: the running call's frame
    // stays the same while the loop runs).
    const RValue& bound = B == kPlaceLocal      ? c.slots[cond.bw].simple
                          : B == kPlaceArgument ? arg_slots[cond.bw]
                                                : s.simple;
    const double step = n.an;
    // The condition: 1 true, 0 false, -1 after an error.
    auto test = [&]() -> int {
        if (s.simple.kind == RValue::kReal && (B == kPlaceConstant || bound.kind == RValue::kReal))
            return RealTruth<Op>(s.simple.val, B == kPlaceConstant ? cond.bn : bound.val);
        return ForTest(c, cond);
    };
    int t = test();
    while (t > 0) {
        o = body.exec(c, body, result);
        if (o != kOutNormal && o != kOutContinue) [[unlikely]]
            return o == kOutBreak ? kOutNormal : o;
        if (s.simple.kind == RValue::kReal) [[likely]] {
            // Stepped in place: the counter holds a real, only the bound needs its test.
            s.simple.val += step;
            if (B == kPlaceConstant || bound.kind == RValue::kReal) {
                if (!RealTruth<Op>(s.simple.val, B == kPlaceConstant ? cond.bn : bound.val))
                    return kOutNormal;
                continue;
            }
        } else if ((o = n.c->exec(c, *n.c, temp)) != kOutNormal) {
            return o;
        }
        t = test();
    }
    return t < 0 ? kOutError : kOutNormal;
}
template <uint8_t A, uint8_t B, int Op>
struct HForCount {
    static constexpr LExecFn fn = LForCount<B, Op>;
};

int LFor(RContext& c, const LNode& n, RValue& result) {
    RValue temp;
    int o = n.a->exec(c, *n.a, temp);
    if (o != kOutNormal) return o;
    for (;;) {
        bool truth = false;
        if (!n.b->test(c, *n.b, "Expression expected", truth)) return kOutError;
        if (!truth) return kOutNormal;
        o = n.d->exec(c, *n.d, result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
        o = n.c->exec(c, *n.c, temp);
        if (o != kOutNormal) return o;
    }
}

int LRepeat(RContext& c, const LNode& n, RValue& result) {
    RValue v;
    if (!n.a->eval(c, *n.a, v)) return kOutError;
    if (v.IsString()) return FailOut(c, n.a->t->position, "Repeat count must be a number");
    const int64_t times = Operator_RoundInt64(v.val);
    for (int64_t k = 0; k < times; ++k) {
        const int o = n.b->exec(c, *n.b, result);
        if (o == kOutBreak) return kOutNormal;
        if (o == kOutExit || o == kOutError) return o;
    }
    return kOutNormal;
}

// The value of an assignment: read in place, or evaluated into val.
inline const RValue* AssignedValue(RContext& c, const LNode& v, RValue& val) {
    if (const RValue* p = PlaceValue(c, v)) return p;
    return v.eval(c, v, val) ? &val : nullptr;
}

// Any assignment: the target located as the tree walker does, the value through the lowered form.
int LAssign(RContext& c, const LNode& n, RValue& result) {
    int32_t sel = 0, arr = 0;
    if (!Locate(c, n.t->items[0], sel, arr)) return kOutError;
    RValue val;
    const RValue* vp = AssignedValue(c, *n.b, val);
    if (!vp) return kOutError;
    return AssignValue(c, *n.t, sel, arr, vp, val, result);
}

// An assignment to a plain local.
int LAssignLocal(RContext& c, const LNode& n, RValue& result) {
    RValue val;
    const RValue* vp = AssignedValue(c, *n.b, val);
    if (!vp) return kOutError;
    RLocalSlot& s = c.slots[n.where];
    if (n.op == kSymAssign) {
        result = *vp;
        s.simple = *vp;
        return kOutNormal;
    }
    if (n.op <= kSymDivAssign && s.simple.kind == RValue::kReal && vp->kind == RValue::kReal &&
        RealBinary(BinaryOfAssign(n.op), s.simple.val, vp->val)) {
        result = s.simple;
        return kOutNormal;
    }
    return AssignValue(c, *n.t, kSelLocal, 0, vp, val, result);
}

// An assignment or compound assignment (n.aw its operator) to a plain variable of self, other or
// the global list (node a, kPlaceSelf) of a real operand held in the node at place B; anything
// else the general way.
template <uint8_t B>
int LAssignSelfQuick(RContext& c, const LNode& n, RValue& result) {
    const LNode& target = *n.a;
    double r;
    if (!RealOperand(c, B, n.bw, n.bn, r, n.b)) return LAssign(c, n, result);
    CVariableList* list = SelfList(c, target);
    if (!list) return LAssign(c, n, result);
    if (n.op == kSymAssign) {
        result.SetReal(r);
        list->SetVarAt(target.op, 0, result, target.pos);
        return kOutNormal;
    }
    RValue* e = list->PlainAt(target.op, target.pos);
    if (e && e->kind == RValue::kReal && RealBinary(n.aw, e->val, r)) {
        result.SetReal(e->val);
        return kOutNormal;
    }
    return LAssign(c, n, result);
}
template <uint8_t A, uint8_t B>
struct HAssignSelf {
    static constexpr LExecFn fn = LAssignSelfQuick<B>;
};

// The same to a built-in variable of self (node a, kPlaceBuiltin): its current value read from
// its field or through its getter, the new one written through its setter.
template <uint8_t B>
int LAssignBuiltinQuick(RContext& c, const LNode& n, RValue& result) {
    const LNode& target = *n.a;
    double r;
    if (!RealOperand(c, B, n.bw, n.bn, r, n.b) || !target.set) return LAssign(c, n, result);
    if (n.op != kSymAssign) {
        double cur;
        if (!VarOperand(c, kPlaceBuiltin, target, cur) || !RealBinary(n.aw, cur, r))
            return LAssign(c, n, result);
        r = cur;
    }
    result.SetReal(r);
    if (target.set(c.self, 0, result)) return kOutNormal;
    return FailOut(c, n.t->position, "Cannot assign to the variable");
}
template <uint8_t A, uint8_t B>
struct HAssignBuiltin {
    static constexpr LExecFn fn = LAssignBuiltinQuick<B>;
};

// An assignment to an element of a local array whose indices read in place.
int LAssignElement(RContext& c, const LNode& n, RValue& result) {
    const LNode& target = *n.a;
    int32_t i = 0, j = 0;
    if (!ElementIndices(c, target, i, j)) return LAssign(c, n, result);
    RValue val;
    const RValue* vp = AssignedValue(c, *n.b, val);
    if (!vp) return kOutError;
    RLocalSlot& s = c.slots[target.where];
    RValue* e = LocalElement(s, i, j);
    const int32_t arr = i * kArrayRowSize + j;
    if (n.op == kSymAssign) {
        result = *vp;
        if (e)
            *e = *vp;
        else
            s.Set(arr, *vp);
        return kOutNormal;
    }
    if (e && n.op <= kSymDivAssign && e->kind == RValue::kReal && vp->kind == RValue::kReal &&
        RealBinary(BinaryOfAssign(n.op), e->val, vp->val)) {
        result = *e;
        return kOutNormal;
    }
    return AssignValue(c, *n.t, kSelLocal, arr, vp, val, result);
}

// An assignment or compound assignment (n.aw its operator) of a real operand held in the node
// (place B) to an element of an array of self, other or the global list at one index read from a
// local; anything else, and a globalvar that may shadow an array of self, the general way.
template <uint8_t B>
int LAssignVarElementQuick(RContext& c, const LNode& n, RValue& result) {
    const LNode& target = *n.a;
    int32_t i, j;
    double r;
    CVariableList* list = ArrayList(c, target);
    if (!list || !ElementIndicesOf<true>(c, target, i, j)) return LAssign(c, n, result);
    bool real;
    if constexpr (B == kPlaceVarElement) {
        // a[k] op= b[k] on arrays of variable lists: the index read once for both.
        if (n.b->aw == target.aw) {
            CVariableList* from = ArrayList(c, *n.b);
            const RValue* v = from ? from->ElementAt(n.b->op, j, *n.b->hint) : nullptr;
            real = v && v->kind == RValue::kReal;
            if (real) r = v->val;
        } else {
            real = RealOperand(c, B, n.bw, n.bn, r, n.b);
        }
    } else {
        real = RealOperand(c, B, n.bw, n.bn, r, n.b);
    }
    if (real) {
        if (n.op == kSymAssign) {
            list->SetVarAt(target.op, j, RValue::Real(r), *target.hint);
            result.SetReal(r);
            return kOutNormal;
        }
        RValue* e = list->ElementAt(target.op, j, *target.hint);
        if (e && e->kind == RValue::kReal && RealBinary(n.aw, e->val, r)) {
            result.SetReal(e->val);
            return kOutNormal;
        }
    }
    return LAssign(c, n, result);
}
template <uint8_t A, uint8_t B>
struct HAssignVarElement {
    static constexpr LExecFn fn = LAssignVarElementQuick<B>;
};

// a[k] = -a[k] for an element of a local array at one index read from a local: negated in place
// when it holds a real, anything else the general way.
int LNegateElement(RContext& c, const LNode& n, RValue& result) {
    const LNode& target = *n.a;
    int32_t i = 0, j = 0;
    if (ElementIndicesOf<true>(c, target, i, j)) {
        RValue* e = LocalElement(c.slots[target.where], i, j);
        if (e && e->kind == RValue::kReal) {
            e->val = -e->val;
            result.SetReal(e->val);
            return kOutNormal;
        }
    }
    return LAssignElement(c, n, result);
}

// An assignment or compound assignment (n.aw its operator) of a real operand held in the node
// to an element of a local array whose indices read in place (A: kPlaceElementAtLocal, or
// kPlaceElementAtLocals, or kPlaceElement for any indices); anything else the general way.
template <uint8_t A, uint8_t B>
int LAssignElementQuick(RContext& c, const LNode& n, RValue& result) {
    constexpr bool AtLocal = A == kPlaceElementAtLocal;
    const LNode& target = *n.a;
    int32_t i = 0, j = 0;
    double r;
    if constexpr (A == kPlaceElementAtLocals) {
        if (!LocalIndices(c, target, i, j)) return LAssignElement(c, n, result);
    } else if (!ElementIndicesOf<AtLocal>(c, target, i, j)) {
        return LAssignElement(c, n, result);
    }
    bool real;
    if constexpr (AtLocal && B == kPlaceElementAtLocal) {
        // a[k] op= b[k]: the index read once for both.
        if (n.b->aw == target.aw) {
            real = LocalElementReal(c.slots[n.b->where], 0, j, r);
        } else {
            real = RealOperand(c, B, n.bw, n.bn, r, n.b);
        }
    } else {
        real = RealOperand(c, B, n.bw, n.bn, r, n.b);
    }
    if (real) {
        RLocalSlot& s = c.slots[target.where];
        RValue* e;
        const bool found = FindLocalElement(s, i, j, e);
        if (n.op == kSymAssign) {
            result.SetReal(r);
            if (!found) e = s.Make(size_t(i), size_t(j));
            e->SetReal(r);
            return kOutNormal;
        }
        if (found && e->kind == RValue::kReal && RealArithmetic(n.aw, e->val, r)) {
            result.SetReal(e->val);
            return kOutNormal;
        }
    }
    return LAssignElement(c, n, result);
}
template <uint8_t A, uint8_t B>
struct HAssignElement {
    static constexpr LExecFn fn = LAssignElementQuick<A, B>;
};

// ---- lowering ----

class CLowering {
  public:
    explicit CLowering(RLoweredCode& out) : m_out(out) {}

    const LNode* Expression(const RToken& t) {
        LNode& n = New(t);
        n.eval = LTree;
        n.test = LTestValue;
        switch (t.kind) {
        case kNodeConstant:
            n.place = kPlaceConstant;
            n.eval = t.value->IsString() ? LConstant : LRealConstant;
            break;
        case kNodeFixedVariable:
            if (t.Slot() >= 0 && t.Ind2() == kSelLocal) {
                n.place = kPlaceLocal;
                n.where = t.Slot();
                n.eval = LPlace;
            } else if (t.Slot() <= kArgumentSlotMark) {
                n.place = kPlaceArgument;
                n.where = kArgumentSlotMark - t.Slot();
                n.eval = LArgument;
            } else if (t.Slot() == -1 && (t.Ind2() == kSelOther || t.Ind2() == kSelGlobal)) {
                if (t.ind > kLastBuiltinRangeId) {
                    n.var = kPlaceSelf;
                    n.op = t.ind;
                    n.aw = t.Ind2();
                    n.pos = t.Hint();
                    n.eval = LSelfVar;
                }
            } else if (t.Slot() == -1 && (t.Ind2() == kSelDefault || t.Ind2() == kSelSelf)) {
                if (t.ind > kLastBuiltinRangeId) {
                    n.var = kPlaceSelf;
                    n.op = t.ind;
                    n.aw = t.Ind2();
                    n.pos = t.Hint();
                    n.eval = LSelfVar;
                } else if ((n.get = BuiltinVar_Getter(t.ind))) {
                    n.var = kPlaceBuiltin;
                    n.set = BuiltinVar_Setter(t.ind);
                    n.field = BuiltinVar_Field(t.ind);
                    n.eval = LBuiltinVar;
                }
            }
            break;
        case kNodeVariable:
            if (t.Slot() >= 0 && t.Ind2() == kSelLocal && (t.items.size() == 2 || t.items.size() == 3) &&
                t.items[0].kind == kNodeConstant && !t.items[0].value->IsString()) {
                n.place = kPlaceElement;
                n.where = t.Slot();
                n.a = Expression(t.items[1]);
                if (t.items.size() == 3) n.b = Expression(t.items[2]);
                Hold(*n.a, n.ap, n.aw, n.an);
                if (n.b) Hold(*n.b, n.bp, n.bw, n.bn);
                n.eval = LPlace;
            } else if (t.Slot() < 0 &&
                       (t.Ind2() == kSelDefault || t.Ind2() == kSelSelf || t.Ind2() == kSelOther ||
                        t.Ind2() == kSelGlobal) &&
                       t.ind > kLastBuiltinRangeId && t.items.size() == 2 &&
                       t.items[0].kind == kNodeConstant && !t.items[0].value->IsString() &&
                       t.items[1].kind == kNodeFixedVariable && t.items[1].Slot() >= 0 &&
                       t.items[1].Ind2() == kSelLocal) {
                // An element of an array of self, other or the global list at an index read from
                // a local.
                // The selector, the variable id and the hint are kept in the node (where, op, hint).
                n.var = kPlaceVarElement;
                n.a = Expression(t.items[1]);
                n.aw = n.a->where;
                n.where = t.Ind2();
                n.op = t.ind;
                n.hint = &t.Hint();
                n.eval = LVarElement;
            }
            break;
        case kNodeUnary:
            n.op = t.ind;
            n.a = Expression(t.items[0]);
            n.eval = LUnary;
            HoldVar(*n.a, n.ap, n.aw, n.an);
            if (Pure(*n.a, n.ap) && (n.op == kOpMinus || n.op == kOpPlus || n.op == kOpNot)) {
                n.eval = LUnaryQuick;
                n.real = LRealUnary;
            }
            break;
        case kNodeBinary:
            n.op = t.ind;
            n.a = Expression(t.items[0]);
            n.b = Expression(t.items[1]);
            n.eval = LBinary;
            n.test = LTestBinary;
            HoldVar(*n.a, n.ap, n.aw, n.an);
            HoldVar(*n.b, n.bp, n.bw, n.bn);
            if (LEvalFn f = QuickFor<HBinary>(n.ap, n.bp)) {
                n.eval = f;
                n.test = QuickFor<HTestOp, HTest>(n.ap, n.bp, n.op);
                if (Pure(*n.a, n.ap) && Pure(*n.b, n.bp)) n.real = QuickFor<HRealOp, HReal>(n.ap, n.bp, n.op);
            } else if (n.a->place == kPlaceNone && n.b->place == kPlaceNone)
                n.eval = LBinaryEval;
            break;
        case kNodeCall:
            List(n, t, t.items.size() < size_t(kArgumentSlots) ? t.items.size() : size_t(kArgumentSlots),
                 false);
            n.eval = LCall;
            if (t.ind >= kScriptIdBase && t.ind < kExtensionIdBase) {
                n.where = t.ind - kScriptIdBase;
                HoldArguments(n);
                n.eval = n.count == 0   ? LScriptCall<0>
                         : n.count == 1 ? LScriptCall<1>
                         : n.count == 2 ? LScriptCall<2>
                                        : LScriptCall<-1>;
            }
            break;
        default:
            break;
        }
        return &n;
    }

    const LNode* Statement(const RToken& t) {
        LNode& n = New(t);
        n.exec = LTreeStatement;
        switch (t.kind) {
        case kNodeBlock:
            n.exec = LBlock;
            List(n, t, t.items.size(), true);
            break;
        case kNodeCall:
            List(n, t, t.items.size() < size_t(kArgumentSlots) ? t.items.size() : size_t(kArgumentSlots),
                 false);
            n.exec = LCallStatement;
            if (t.ind >= kScriptIdBase && t.ind < kExtensionIdBase) {
                n.where = t.ind - kScriptIdBase;
                HoldArguments(n);
                n.exec = n.count == 0   ? LScriptCallStatement<0>
                         : n.count == 1 ? LScriptCallStatement<1>
                         : n.count == 2 ? LScriptCallStatement<2>
                                        : LScriptCallStatement<-1>;
            }
            break;
        case kNodeAssign: {
            const RToken& target = t.items[0];
            n.op = t.ind;
            n.a = Expression(target);
            n.b = Expression(t.items[1]);
            HoldVar(*n.b, n.bp, n.bw, n.bn);
            if (n.a->var == kPlaceVarElement && (n.op == kSymAssign || n.op <= kSymDivAssign) &&
                n.bp != kPlaceNone && n.bp != kPlaceBuiltin) {
                n.exec = QuickFor<HAssignVarElement, kPlaceNone>(n.bp);
                if (n.op != kSymAssign) n.aw = BinaryOfAssign(n.op);
                break;
            }
            if ((n.a->var == kPlaceSelf || n.a->var == kPlaceBuiltin) &&
                (n.op == kSymAssign || n.op <= kSymDivAssign) && n.bp != kPlaceNone) {
                n.exec = n.a->var == kPlaceSelf ? QuickFor<HAssignSelf, kPlaceNone>(n.bp)
                                                : QuickFor<HAssignBuiltin, kPlaceNone>(n.bp);
                if (n.op != kSymAssign) n.aw = BinaryOfAssign(n.op);
                break;
            }
            if (n.bp == kPlaceSelf || n.bp == kPlaceBuiltin || n.bp == kPlaceVarElement)
                n.bp = kPlaceNone; // held for the above only
            if (n.bp == kPlaceElement && ElementAtLocals(*n.b))
                n.bp = kPlaceElementAtLocals;
            else if (n.bp == kPlaceComputed && LocalPair(*n.b))
                n.bp = kPlaceLocalPair;
            if (Negation(n)) {
                n.exec = LNegateElement;
                break;
            }
            if (n.a->place == kPlaceLocal && n.op != kSymAssign && n.op <= kSymDivAssign &&
                n.bp != kPlaceNone) {
                n.exec = AssignFor<HAssignLocal, kPlaceNone>(n.bp);
                n.aw = BinaryOfAssign(n.op);
            } else if (n.a->place == kPlaceLocal)
                n.exec = LAssignLocal;
            else if (n.a->place == kPlaceElement && (n.op == kSymAssign || n.op <= kSymDivAssign) &&
                     n.bp != kPlaceNone) {
                n.exec = Element1(*n.a)          ? AssignFor<HAssignElement, kPlaceElementAtLocal>(n.bp)
                         : ElementAtLocals(*n.a) ? AssignFor<HAssignElement, kPlaceElementAtLocals>(n.bp)
                                                 : AssignFor<HAssignElement, kPlaceElement>(n.bp);
                if (n.op != kSymAssign) n.aw = BinaryOfAssign(n.op);
            } else if (n.a->place == kPlaceElement)
                n.exec = LAssignElement;
            else
                n.exec = LAssign;
            n.where = n.a->where;
            break;
        }
        case kNodeIf:
            n.a = Expression(t.items[0]);
            n.b = Statement(t.items[1]);
            if (t.items.size() > 2) n.c = Statement(t.items[2]);
            n.exec = LIf;
            if (n.a->t->kind == kNodeBinary && n.a->eval != LBinary && n.a->eval != LBinaryEval) {
                n.ap = n.a->ap, n.aw = n.a->aw, n.an = n.a->an;
                n.bp = n.a->bp, n.bw = n.a->bw, n.bn = n.a->bn;
                n.op = n.a->op;
                n.exec = QuickFor<HIfOp, HIf>(n.ap, n.bp, n.op);
                if (!n.c && n.b->exec == LReturnPlace)
                    n.exec = QuickFor<HIfReturnOp, HIfReturn>(n.ap, n.bp, n.op);
                RangeTest(n);
            }
            break;
        case kNodeWhile:
            n.a = Expression(t.items[0]);
            n.b = Statement(t.items[1]);
            n.exec = LWhile;
            break;
        case kNodeDo:
            n.a = Statement(t.items[0]);
            n.b = Expression(t.items[1]);
            n.exec = LDo;
            break;
        case kNodeFor:
            n.a = Statement(t.items[0]);
            n.b = Expression(t.items[1]);
            n.c = Statement(t.items[2]);
            n.d = Statement(t.items[3]);
            n.exec = LFor;
            if (n.b->t->kind == kNodeBinary && n.b->eval != LBinary && n.b->eval != LBinaryEval)
                n.exec = QuickFor<HForOp, HFor>(n.b->ap, n.b->bp, n.b->op);
            CountedFor(n);
            break;
        case kNodeRepeat:
            n.a = Expression(t.items[0]);
            n.b = Statement(t.items[1]);
            n.exec = LRepeat;
            break;
        case kNodeReturn:
            n.a = Expression(t.items[0]);
            n.exec = n.a->place != kPlaceNone ? LReturnPlace : LReturn;
            if (n.a->eval == LBinaryEval)
                n.exec = n.a->op == kOpPlus ? LReturnBinaryEval<kOpPlus> : LReturnBinaryEval<-1>;
            break;
        case kNodeExit:
        case kNodeBreak:
        case kNodeContinue:
        case kNodeVar:
            n.op = t.kind == kNodeExit       ? kOutExit
                   : t.kind == kNodeBreak    ? kOutBreak
                   : t.kind == kNodeContinue ? kOutContinue
                                             : kOutNormal;
            n.exec = LOutcome;
            break;
        default:
            break;
        }
        return &n;
    }

    // Points every list at its place in the pool once the pool no longer grows.
    void Finish() {
        for (LNode& n : m_out.nodes)
            if (n.count) n.list = m_out.lists.data() + n.listStart;
    }

  private:
    // The first two arguments of a script call that HeldArgument computes, held in the call node
    // (ap/aw/an, bp/bw/bn). The list is read from the pool, as lists are pointed at later.
    void HoldArguments(LNode& n) {
        for (uint32_t k = 0; k < n.count && k < 2; ++k) {
            const LNode& e = *m_out.lists[n.listStart + k];
            uint8_t& p = k ? n.bp : n.ap;
            int32_t& w = k ? n.bw : n.aw;
            double& num = k ? n.bn : n.an;
            if (e.real == LRealQuick<kPlaceArgument, kPlaceConstant> &&
                (e.op == kOpMinus || e.op == kOpPlus) && !std::isnan(e.bn)) {
                p = kHeldArgumentPlus;
                w = e.aw;
                num = e.op == kOpMinus ? -e.bn : e.bn;
            } else if (e.place == kPlaceArgument) {
                p = kHeldArgumentPlus;
                w = e.where;
                num = -0.0;
            } else if (e.place == kPlaceLocal) {
                p = kHeldLocal;
                w = e.where;
            } else if (e.place == kPlaceConstant && !e.t->value->IsString()) {
                p = kHeldConstant;
                num = e.t->value->val;
            }
        }
    }

    // Copies where an operand node reads from into the parent's fields for it.
    static void Hold(const LNode& x, uint8_t& p, int32_t& w, double& num) {
        if (x.place == kPlaceConstant && !x.t->value->IsString()) {
            p = kPlaceConstant;
            num = x.t->value->val;
        } else if (x.place == kPlaceLocal || x.place == kPlaceArgument) {
            p = x.place;
            w = x.where;
        }
    }

    // Hold, and also a plain variable of self (for the quick handlers of binary operations,
    // conditions and assignments to variables of self).
    static void HoldVar(const LNode& x, uint8_t& p, int32_t& w, double& num) {
        Hold(x, p, w, num);
        if (p == kPlaceNone) p = x.var;
        if (p == kPlaceNone && x.place == kPlaceElement)
            p = Element1(x) ? uint8_t(kPlaceElementAtLocal) : uint8_t(kPlaceElement);
        if (p == kPlaceNone && x.real) p = kPlaceComputed;
    }
    // A for loop whose condition compares a local with a bound held in the condition and whose
    // step adds a real constant to that local or takes it away gets the counted loop's handler.
    static void CountedFor(LNode& n) {
        const LNode& cond = *n.b;
        const LNode& step = *n.c;
        if (cond.t->kind != kNodeBinary || cond.ap != kPlaceLocal ||
            step.exec != LAssignLocalQuick<kPlaceConstant> || step.where != cond.aw ||
            (step.aw != kOpPlus && step.aw != kOpMinus) || std::isnan(step.bn))
            return; // (x - y is x + -y for every y but NaN, whose sign would change)
        if (const LExecFn f = ByOperator<HForCount, kPlaceLocal>(cond.bp, cond.op)) {
            n.exec = f;
            n.an = step.aw == kOpPlus ? step.bn : -step.bn;
        }
    }
    // An if whose condition compares one operand with two real constants, joined by || or &&,
    // gets the range test handler: the operand is held in n.d, the constants in n.an and n.bn.
    static void RangeTest(LNode& n) {
        const LNode& cond = *n.a;
        if ((cond.op != kOpOr && cond.op != kOpAnd) || cond.ap != kPlaceComputed || cond.bp != kPlaceComputed)
            return;
        const LNode& l = *cond.a;
        const LNode& r = *cond.b;
        if (l.t->kind != kNodeBinary || r.t->kind != kNodeBinary || l.bp != kPlaceConstant ||
            r.bp != kPlaceConstant || l.ap != r.ap || !SameOperand(*l.a, *r.a, l.ap))
            return;
        const LExecFn f =
            cond.op == kOpOr ? RangeFor<true>(l.ap, l.op, r.op) : RangeFor<false>(l.ap, l.op, r.op);
        if (!f) return;
        n.exec = f;
        n.d = l.a;
        n.an = l.bn;
        n.bn = r.bn;
    }
    // Two operand nodes read from the same place (an element at one index read from a local, a
    // plain variable of self or an element of an array of a variable list at one index read from
    // a local).
    static bool SameOperand(const LNode& x, const LNode& y, uint8_t place) {
        if (place == kPlaceElementAtLocal)
            return Element1(x) && Element1(y) && x.where == y.where && x.aw == y.aw;
        if (place == kPlaceBuiltin)
            return x.var == kPlaceBuiltin && y.var == kPlaceBuiltin && x.t->ind == y.t->ind;
        if (place == kPlaceSelf)
            return x.var == kPlaceSelf && y.var == kPlaceSelf && x.t->ind == y.t->ind &&
                   x.t->Ind2() == y.t->Ind2();
        if (place == kPlaceVarElement)
            return x.var == kPlaceVarElement && y.var == kPlaceVarElement && x.t->ind == y.t->ind &&
                   x.t->Ind2() == y.t->Ind2() && x.aw == y.aw;
        return false;
    }
    // a[k] = -a[k] for an element at one index read from a local.
    static bool Negation(const LNode& n) {
        const LNode& v = *n.b;
        return n.op == kSymAssign && Element1(*n.a) && v.t->kind == kNodeUnary && v.op == kOpMinus &&
               Element1(*v.a) && v.a->where == n.a->where && v.a->aw == n.a->aw;
    }
    // An element of a local array at one index read from a local.
    static bool Element1(const LNode& x) { return x.place == kPlaceElement && !x.b && x.ap == kPlaceLocal; }
    // An element of a local array at two indices read from locals.
    static bool ElementAtLocals(const LNode& x) {
        return x.place == kPlaceElement && x.b && x.ap == kPlaceLocal && x.bp == kPlaceLocal;
    }
    // An operation on two locals computed without side effects.
    static bool LocalPair(const LNode& x) {
        return x.t->kind == kNodeBinary && x.real && x.ap == kPlaceLocal && x.bp == kPlaceLocal;
    }
    // Operands read without side effects (built-in getters may have some; a built-in variable
    // read from its field has none).
    static bool Pure(const LNode& x, uint8_t p) { return p != kPlaceNone && (p != kPlaceBuiltin || x.field); }

    LNode& New(const RToken& t) {
        if (m_out.nodes.size() == m_out.nodes.capacity()) std::abort(); // the count was wrong
        LNode& n = m_out.nodes.emplace_back();
        n.t = &t;
        return n;
    }
    void List(LNode& n, const RToken& t, size_t count, bool statements) {
        std::vector<const LNode*> items;
        items.reserve(count);
        for (size_t k = 0; k < count; ++k)
            items.push_back(statements ? Statement(t.items[k]) : Expression(t.items[k]));
        if (count) n.listStart = m_out.lists.size();
        n.count = uint32_t(count);
        m_out.lists.insert(m_out.lists.end(), items.begin(), items.end());
    }

    RLoweredCode& m_out;
};

// The number of nodes of a tree, counted up to just past limit.
size_t TreeSize(const RToken& t, size_t limit) {
    size_t n = 1;
    for (const RToken& i : t.items) {
        if (n > limit) break;
        n += TreeSize(i, limit - n);
    }
    return n;
}

// Code larger than this runs through the tree walker: such code is generated straight-line code
// that runs once, where a second form would double the memory for little gain.
constexpr size_t kMaxLoweredNodes = 1u << 18;

// The handler running a program's block for a script call (RLoweredCode::body), which leaves the
// result real 0 unless a statement writes it: a script that returns nothing gives real 0.
int LProgram(RContext& c, const LNode& n, RValue& result) {
    ClearValue(result);
    return LBlock(c, n, result);
}

// result = v, for a result that a call is about to return.
[[gnu::always_inline]] inline void ReturnValue(RValue& result, const RValue& v) {
    if (v.str.empty() && result.str.empty()) [[likely]] {
        result.kind = v.kind;
        result.val = v.val;
    } else {
        result = v;
    }
}

// A program of a guard and a return whose guard compares an argument with a real constant and
// returns an argument or a real constant (`if argument0 < 2 return argument0; return f(..) +
// f(..)`), the shape of small recursive scripts, run by one handler: the guard's operands are
// copied into the program node (aw, an: the argument slot and the constant; bp, bw, bn: the
// place returned, an argument slot or a real constant; a: the guard, b: the return statement),
// and the return statement's handler is inlined. The result needs no clearing: each way through
// writes it (a return) or fails. Op is the guard's comparison, R the place it returns.
template <int Op, uint8_t R, LExecFn Return>
int LGuardReturn(RContext& c, const LNode& n, RValue& result) {
    bool truth;
    const RValue& x = arg_slots[n.aw];
    if (x.kind == RValue::kReal) [[likely]]
        truth = RealTruth<Op>(x.val, n.an);
    else if (!n.a->a->test(c, *n.a->a, "Expression expected", truth))
        return kOutError;
    if (!truth) return Return(c, *n.b, result);
    if constexpr (R == kPlaceArgument) {
        ReturnValue(result, arg_slots[n.bw]);
    } else {
        if (!result.str.empty()) [[unlikely]]
            result.str = TRefString();
        result.kind = RValue::kReal;
        result.val = n.bn;
    }
    return kOutExit;
}

// The handlers of guard-and-return programs (body, and calls of one and two arguments; other
// counts run the program the general way, as a guard on an argument is no use to them).
template <int Op, uint8_t R, LExecFn Return>
bool GuardReturnFor(LExecFn ret, LExecFn& body, LCallFn (&call)[4]) {
    if (ret != Return) return false;
    body = LGuardReturn<Op, R, Return>;
    call[2] = CallRun<LGuardReturn<Op, R, Return>, false, 1>;
    call[3] = CallRun<LGuardReturn<Op, R, Return>, false, 2>;
    return true;
}
template <int Op, uint8_t R>
bool GuardReturnFor(LExecFn ret, LExecFn& body, LCallFn (&call)[4]) {
    return GuardReturnFor<Op, R, LReturnBinaryEval<kOpPlus>>(ret, body, call) ||
           GuardReturnFor<Op, R, LReturnBinaryEval<-1>>(ret, body, call) ||
           GuardReturnFor<Op, R, LReturn>(ret, body, call) ||
           GuardReturnFor<Op, R, LReturnPlace>(ret, body, call);
}
template <int Op>
bool GuardReturnFor(uint8_t r, LExecFn ret, LExecFn& body, LCallFn (&call)[4]) {
    return r == kPlaceArgument ? GuardReturnFor<Op, kPlaceArgument>(ret, body, call)
                               : GuardReturnFor<Op, kPlaceConstant>(ret, body, call);
}
template <int... Op>
bool GuardReturnFor(LExecFn guard, uint8_t r, LExecFn ret, LExecFn& body, LCallFn (&call)[4],
                    std::integer_sequence<int, Op...>) {
    return ((guard == LIfReturnQuick<kPlaceArgument, kPlaceConstant, kOpLess + Op> &&
             GuardReturnFor<kOpLess + Op>(r, ret, body, call)) ||
            ...);
}

// The handler that runs a program's block for a script call, and the calls with it inlined.
void ProgramBody(RLoweredCode& made) {
    LNode& program = const_cast<LNode&>(*made.program);
    made.body = LProgram;
    made.call[0] = CallRun<LProgram, true, -1>;
    made.call[1] = CallRun<LProgram, true, 0>;
    made.call[2] = CallRun<LProgram, true, 1>;
    made.call[3] = CallRun<LProgram, true, 2>;
    if (made.slots != 0 || program.count != 2) return;
    const LNode& guard = *program.list[0];
    if (!guard.b || guard.b->exec != LReturnPlace) return;
    const LNode& place = *guard.b->a;
    uint8_t r = place.place;
    if (r == kPlaceConstant && place.t->value->IsString()) r = kPlaceNone;
    if (r != kPlaceArgument && r != kPlaceConstant) return;
    if (!GuardReturnFor(guard.exec, r, program.list[1]->exec, made.body, made.call,
                        std::make_integer_sequence<int, kOpGreater - kOpLess + 1>()))
        return;
    program.aw = guard.aw;
    program.an = guard.bn;
    program.bp = r;
    program.bw = place.where;
    program.bn = r == kPlaceConstant ? place.t->value->val : 0.0;
    program.a = &guard;
    program.b = program.list[1];
}

const RLoweredCode& Lowered(CCode& code) {
    if (!code.i_lowered || code.i_lowered->from != &code.Root()) {
        code.i_lowered.reset(new RLoweredCode);
        code.i_lowered->code = &code;
        code.i_lowered->from = &code.Root();
        const size_t size = TreeSize(code.Root(), kMaxLoweredNodes);
        if (size > kMaxLoweredNodes) {
            code.i_lowered->walk = true;
            return *code.i_lowered;
        }
        code.i_lowered->nodes.reserve(size);
        code.i_lowered->slots = uint32_t(code.i_localIds.size());
        code.i_lowered->argsLow = code.i_Args;
        code.i_lowered->argsSpan = code.i_ArgArray ? uint32_t(kArgumentSlots) : 0;
        CLowering lowering(*code.i_lowered);
        const RToken& root = code.Root();
        if (code.i_kind == CCode::kExpression)
            code.i_lowered->root = lowering.Expression(root);
        else if (root.kind == kNodeBlock)
            code.i_lowered->program = code.i_lowered->root = lowering.Statement(root);
        lowering.Finish();
        if (code.i_lowered->program) ProgramBody(*code.i_lowered);
    }
    return *code.i_lowered;
}

// ---- argument variables ----

template <int K>
bool GetArgument(CInstance*, int32_t, RValue& val) {
    val = arg_slots[K];
    return true;
}
template <int K>
bool SetArgument(CInstance*, int32_t, const RValue& val) {
    arg_slots[K] = val;
    if (arg_high <= K) arg_high = K + 1;
    return true;
}
template <int... K>
void AddArgumentSlots(std::integer_sequence<int, K...>) {
    (BuiltinVar_Add("argument" + std::to_string(K), GetArgument<K>, SetArgument<K>, true), ...);
}

bool GetArgumentArray(CInstance*, int32_t arr, RValue& val) {
    int i = arr >= 0 && arr < kArgumentSlots ? arr : 0;
    val = arg_slots[i];
    if (opt_checkargs && i >= arg_count) {
        Error_ShowInEvent("Illegal array index in script \"" + std::string(arg_scriptname) + "\".\r" +
                              "trying to access argument[" + std::to_string(i) + "], but only " +
                              std::to_string(arg_count) + " arguments have been supplied.",
                          false);
        return false;
    }
    return true;
}
bool SetArgumentArray(CInstance*, int32_t arr, const RValue& val) {
    const int k = arr >= 0 && arr < kArgumentSlots ? arr : 0;
    arg_slots[k] = val;
    if (arg_high <= k) arg_high = k + 1;
    return true;
}
bool GetArgumentCount(CInstance*, int32_t, RValue& val) {
    val.SetReal(arg_count);
    return true;
}

} // namespace

void Code_AddArgumentVariables() {
    if (BuiltinVar_Find("argument0") >= 0) return;
    AddArgumentSlots(std::make_integer_sequence<int, kArgumentSlots>());
    BuiltinVar_Add("argument", GetArgumentArray, SetArgumentArray, true);
    BuiltinVar_Add("argument_count", GetArgumentCount, nullptr, false);
}

namespace {

// Counts a run in, or fails with kMessageRunsTooDeep when runs nest too deeply. Nested is set
// when the run is known to start inside another (a call from running code).
template <bool Nested = false>
[[gnu::always_inline]] inline bool EnterRun(CCode* code) {
    // The stack grows down from where the outermost run started; nested runs must stay above
    // g_stackLimit (that start less the budget).
    const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (!Nested && g_runDepth == 0) [[unlikely]] {
        if (g_stackBudget == 0) g_stackBudget = StackBudget();
        g_stackLimit = here > g_stackBudget ? here - g_stackBudget : 0;
    } else if (g_runDepth >= kMaxRunNesting || here < g_stackLimit) [[unlikely]] {
        Error_SetCodeError(code, 0, kMessageRunsTooDeep);
        return false;
    }
    ++g_runDepth;
    return true;
}

// EnterRun for a run started from running code, with the stack position given (an address in
// the caller's frame), so that the caller needs no frame pointer.
[[gnu::always_inline]] inline bool EnterNestedRun(CCode* code, const void* here) {
    if (g_runDepth >= kMaxRunNesting || reinterpret_cast<uintptr_t>(here) < g_stackLimit) [[unlikely]] {
        Error_SetCodeError(code, 0, kMessageRunsTooDeep);
        return false;
    }
    ++g_runDepth;
    return true;
}

inline bool Run(CInstance* self, CInstance* other, CCode* code, RValue& result) {
    Error_ClearFlag();
    if (!code || !code->i_compiled) {
        Error_SetCodeError(code, 0, "Internal Error: Executing non-compiled code.");
        return false;
    }
    if (code->i_kind == CCode::kConstant) {
        result = code->i_value;
        return true;
    }
    if (!self || !other) {
        Error_SetCodeError(code, 0, "Internal Error: Executing code for nil instance.");
        return false;
    }

    if (!EnterRun(code)) return false;

    RContext c{self, other, code, nullptr, nullptr};
    const size_t nslots = code->i_localIds.size();
    size_t mark = 0;
    if (nslots) c.slots = g_locals.Push(nslots, mark);

    const RToken& root = code->Root();
    int o;
    const RLoweredCode* made = code->i_lowered.get();
    if (!g_treeWalker && (!made || made->from != &root)) made = &Lowered(*code);
    if (!g_treeWalker && !made->walk) {
        const LNode* lowered = made->root;
        if (code->i_kind == CCode::kExpression)
            o = lowered->eval(c, *lowered, result) ? kOutNormal : kOutError;
        else if (root.kind == kNodeEmptyProgram)
            o = kOutNormal;
        else if (lowered)
            o = lowered->exec(c, *lowered, result);
        else
            o = FailOut(c, root.position, "This is not a program.");
    } else if (code->i_kind == CCode::kExpression)
        o = Eval(c, root, result) ? kOutNormal : kOutError;
    else if (root.kind == kNodeEmptyProgram)
        o = kOutNormal;
    else if (root.kind == kNodeBlock)
        o = ExecBlock(c, root, result);
    else
        o = FailOut(c, root.position, "This is not a program.");

    if (nslots) g_locals.Pop(c.slots, nslots, mark);
    --g_runDepth;
    return o != kOutError;
}

[[gnu::noinline, gnu::cold]] void PrefixScriptError(const CScript* script) {
    Error_SetBuffer("In script " + script->s_name + ":\r" + Error_Buffer());
}

[[gnu::noinline, gnu::cold]] void ArgumentCountError(const CScript* script, const CCode* code, int n) {
    const bool atLeast = code->i_ArgArray;
    Error_SetBuffer("Illegal argument count calling script \"" + script->s_name + "\".\r" +
                    (atLeast ? "Script requires at least " : "Script requires ") +
                    std::to_string(code->i_Args) + " arguments, " + std::to_string(n) +
                    " have been supplied.");
}

[[gnu::noinline, gnu::cold]] bool NoCode(const CScript* script, RValue& result) {
    // A script is compiled before the game starts; one without code cannot run.
    Error_ClearFlag();
    Error_SetBuffer("Script " + script->s_name + " has no compiled code.");
    result = RValue::String("ERROR");
    return false;
}

// A program whose lowered form is at hand, run by body (a script's made.body, or LBlock for an
// event's code, whose result is left as it is unless a statement writes it): what Run does for
// it, without the checks that the lowered form already answers (a lowered program was compiled,
// and its tree never changes after compiling). Nested: called from running code.
template <bool Nested>
[[gnu::always_inline]] inline bool RunProgram(CInstance* self, CInstance* other, CCode* code,
                                              const RLoweredCode& made, RValue& result, LExecFn body) {
    if (Error_IsSet()) [[unlikely]]
        Error_ClearFlag();
    if (!EnterRun<Nested>(code)) [[unlikely]]
        return false;
    RContext c{self, other, code, nullptr, nullptr};
    const size_t nslots = made.slots;
    size_t mark = 0;
    if (nslots) c.slots = g_locals.Push(nslots, mark);
    const int o = body(c, *made.program, result);
    if (nslots) g_locals.Pop(c.slots, nslots, mark);
    --g_runDepth;
    return o != kOutError;
}

// A script's code run the general way: no code, the test runner, the tree walker, no lowered
// form yet. A failed run leaves "ERROR" as the result.
[[gnu::noinline]] bool RunScriptSlow(const CScript* script, CInstance* self, CInstance* other, CCode* code,
                                     RValue& result) {
    if (!code) return NoCode(script, result);
    if (g_testRunner) return g_testRunner(self, other, code, result);
    if (Run(self, other, code, result)) return true;
    result = RValue::String("ERROR");
    return false;
}

// A script call whose arguments are in frame: the frame, the count and the name are the callee's
// while it runs and the caller's again afterwards. Known is set when self and other are known to
// be instances (a call from running code).
template <bool Known>
[[gnu::always_inline]] inline bool CallScriptIn(CScript* script, CInstance* self, CInstance* other,
                                                RValue& result, RArgumentFrame* frame, int n, bool check) {
    frame->count = n;
    frame->high = n;
    frame->scriptname = script->s_name;
    RArgumentFrame* const saved = arg_slots.call;
    arg_slots.call = frame;

    ClearValue(result);
    CCode* code = script->s_code.get();
    const RLoweredCode* made = code ? code->i_lowered.get() : nullptr;
    bool ok, countOk;
    if (made && made->program && !g_slowCalls && (Known || (self && other))) [[likely]] {
        if (!(ok = RunProgram<Known>(self, other, code, *made, result, made->body))) [[unlikely]]
            result = RValue::String("ERROR");
        countOk = uint32_t(n - made->argsLow) <= made->argsSpan;
    } else {
        ok = RunScriptSlow(script, self, other, code, result);
        countOk = !code || (code->i_ArgArray ? n >= code->i_Args : n == code->i_Args);
    }
    if (!ok) [[unlikely]]
        PrefixScriptError(script);
    if (check && !countOk && opt_checkargs) [[unlikely]] {
        ArgumentCountError(script, code, n);
        ok = false;
    }

    // Mostly only the arguments were written (n is a constant where the call's count is known).
    if (frame->high == n) [[likely]]
        ClearFrame(frame->slots, n);
    else
        ClearFrame(frame->slots, frame->high);
    arg_slots.call = saved;
    return ok;
}

// What remains of a remembered call whose run failed, in the order of CallScriptIn and
// LScriptCall: the result and the prefix, the frame given back, the caller's frame current again.
[[gnu::noinline, gnu::cold]] bool RememberedCallFailed(RContext& c, const LNode& n, RValue& out,
                                                       RArgumentFrame* frame, RArgumentFrame* saved,
                                                       int argc) {
    out = RValue::String("ERROR");
    PrefixScriptError(n.script);
    ClearFrame(frame->slots, frame->high > argc ? frame->high : argc);
    arg_slots.call = saved;
    g_argumentFrames.Pop(frame);
    if (!Error_IsSet()) Fail(c, n.t->position, "Trying to execute non-existing script.");
    return false;
}

// A script call whose callee is remembered in the node (n.gen is current), with its arguments in
// frame: what CallScriptIn and RunProgram do for it, with the callee's script and lowered form at
// hand, its program run by Body (inlined; Locals: the program may have local slots) and the rare
// ways out in RememberedCallFailed.
template <LExecFn Body, bool Locals, int N>
[[gnu::flatten]] bool CallRun(RContext& c, const LNode& n, RValue& out, RArgumentFrame* frame, int argc) {
    if constexpr (N >= 0) argc = N;
    const RLoweredCode& made = *n.callee;
    frame->count = argc;
    frame->high = argc;
    frame->scriptname = n.script->s_name;
    RArgumentFrame* const saved = arg_slots.call;
    arg_slots.call = frame;
    if (Error_IsSet()) [[unlikely]]
        Error_ClearFlag();
    bool ran = false;
    RContext k{c.self, c.other, made.code, nullptr, nullptr};
    if (EnterNestedRun(made.code, &k)) [[likely]] {
        size_t mark = 0;
        if (Locals && made.slots) k.slots = g_locals.Push(made.slots, mark);
        ran = Body(k, *made.program, out) != kOutError;
        if (Locals && made.slots) g_locals.Pop(k.slots, made.slots, mark);
        --g_runDepth;
    }
    if (!ran) [[unlikely]]
        return RememberedCallFailed(c, n, out, frame, saved, argc);
    // Mostly only the arguments were written (argc is a constant where the call's count is known).
    if (frame->high == argc) [[likely]]
        ClearFrame(frame->slots, argc);
    else
        ClearFrame(frame->slots, frame->high);
    arg_slots.call = saved;
    g_argumentFrames.Pop(frame);
    return true;
}

} // namespace

RValue* Code_PushArguments() {
    return g_argumentFrames.Push()->slots;
}

void Code_PopArguments(RValue* frame) {
    g_argumentFrames.Pop(FrameOf(frame));
}

bool Code_CallScript(CScript* script, CInstance* self, CInstance* other, RValue& result, RValue* frame, int n,
                     bool check) {
    return CallScriptIn<false>(script, self, other, result, FrameOf(frame), n, check);
}

void Script_SetRunnerForTests(TScriptRunner runner) {
    g_testRunner = runner;
    g_slowCalls = g_testRunner || g_treeWalker;
    ++g_callGeneration;
}

void Code_SetTreeWalkerForTests(bool on) {
    g_treeWalker = on;
    g_slowCalls = g_testRunner || g_treeWalker;
    ++g_callGeneration;
}

bool Code_Execute(CInstance* self, CInstance* other, CCode* code, RValue& result) {
    return Run(self, other, code, result);
}

bool Code_ExecuteEvent(CInstance* self, CInstance* other, CCode* code, RValue& result) {
    // An event's program whose lowered form is at hand runs straight from its block (it was made
    // from this code's compiled tree, a program's block). Anything else goes the general way.
    const RLoweredCode* made = code ? code->i_lowered.get() : nullptr;
    if (!made || !made->program || g_treeWalker || !self || !other || made->from != &code->i_nodes.back())
        [[unlikely]]
        return Run(self, other, code, result);
    return RunProgram<false>(self, other, code, *made, result, LBlock);
}

bool Code_ExecuteReport(CInstance* self, CInstance* other, CCode* code, RValue& result) {
    if (Code_Execute(self, other, code, result)) return true;
    Error_ShowInEvent(Error_Buffer(), false);
    Error_ClearFlag();
    return false;
}

bool Code_ExecuteValue(CInstance* self, CInstance* other, CCode* code, RValue& result) {
    if (Run(self, other, code, result)) return true;
    result = RValue::String("ERROR");
    return false;
}

namespace {

// The constant evaluator of the constant table: the value text as an expression, run once
// with a temporary instance as self and other.
bool EvaluateConstant(const std::string& text, RValue& result) {
    CCode code(text, true);
    if (!code.Compile()) return false;
    CInstance temp;
    return Code_ExecuteValue(&temp, &temp, &code, result);
}

const bool g_evaluatorConnected = [] {
    Constant_SetEvaluator(EvaluateConstant);
    return true;
}();

} // namespace
