// Values and variable lists: the shared string, RValue's stream form, and CVariableList with its
// ragged arrays, hash index and stream form. Relies on CStream and the opt_uninitzero option.
#include "code/Variable_Class.h"

#include "data/Option_Main.h"
#include "support/Support_Stream.h"

#include <algorithm>
#include <new>

// ---- TRefString ----

TRefString::Rep* TRefString::NewRep(size_t cap) {
    auto* r = static_cast<Rep*>(::operator new(sizeof(Rep) + cap));
    r->refs = 1;
    r->ascii = kAsciiUnknown;
    r->size = 0;
    r->cap = cap;
    return r;
}

void TRefString::Assign(const char* s, size_t n) {
    Release();
    if (n == 0) return;
    Rep* r = NewRep(n);
    std::memcpy(r->bytes(), s, n);
    r->size = n;
    m_rep = r;
}

bool TRefString::AllAscii(std::string_view s) {
    const char* p = s.data();
    size_t n = s.size(), k = 0;
    uint64_t high = 0;
    for (; k + 32 <= n; k += 32) {
        uint64_t w[4];
        std::memcpy(w, p + k, 32);
        high |= w[0] | w[1] | w[2] | w[3];
        if (high & 0x8080808080808080ull) return false;
    }
    for (; k + 8 <= n; k += 8) {
        uint64_t w;
        std::memcpy(&w, p + k, 8);
        high |= w;
    }
    for (; k < n; ++k) high |= static_cast<unsigned char>(p[k]);
    return (high & 0x8080808080808080ull) == 0;
}

void TRefString::Append(std::string_view s) {
    if (s.empty()) return;
    size_t old = size();
    // What is known of the joined bytes: ASCII stays ASCII only with an ASCII tail.
    uint8_t ascii = m_rep ? m_rep->ascii : kAsciiYes;
    if (ascii != kAsciiNo && !AllAscii(s)) ascii = kAsciiNo;
    if (m_rep && m_rep->refs == 1 && m_rep->cap - old >= s.size()) {
        // The source may lie inside our own bytes, but never in the part being written.
        std::memcpy(m_rep->bytes() + old, s.data(), s.size());
        m_rep->size = old + s.size();
        m_rep->ascii = ascii;
        return;
    }
    // Doubling keeps repeated appends linear; the room never goes past the longest string the
    // language makes unless this string itself is longer.
    Rep* r = NewRep(std::max(old + s.size(), std::min(old * 2, kMaxStringBytes)));
    std::memcpy(r->bytes(), data(), old);
    std::memcpy(r->bytes() + old, s.data(), s.size());
    r->size = old + s.size();
    r->ascii = ascii;
    Release();
    m_rep = r;
}

void TRefString::AssignRepeated(std::string_view s, size_t n) {
    if (s.empty() || n == 0) {
        Release();
        return;
    }
    const size_t total = s.size() * n;
    Rep* r = NewRep(total);
    // One copy of s, then the filled part doubles: a few large copies instead of n small ones.
    std::memcpy(r->bytes(), s.data(), s.size());
    for (size_t done = s.size(); done < total;) {
        const size_t k = std::min(done, total - done);
        std::memcpy(r->bytes() + done, r->bytes(), k);
        done += k;
    }
    r->size = total;
    Release(); // after the copy: s may be our own bytes
    m_rep = r;
}

// ---- RValue ----

void RValue_Save(const RValue& v, CStream& s) {
    s.WriteInteger(v.kind);
    s.WriteReal(v.val);
    s.WriteInteger(int32_t(v.str.size()));
    s.Write(v.str.data(), v.str.size());
}

void RValue_Load(RValue& v, CStream& s) {
    v.kind = s.ReadInteger();
    v.val = s.ReadReal();
    std::string text = s.ReadString();
    if (text.size() > kMaxStringBytes) throw EStreamReadError(kStringTooLong);
    v.str = TRefString(text);
}

// ---- CVariableList ----

namespace {

constexpr size_t kIndexFrom = 4; // below this many variables a backward scan is as fast
constexpr int64_t kEmptySlot = 0;

inline int64_t PackSlot(int32_t id, int32_t pos) {
    return int64_t((uint64_t(uint32_t(id)) << 32) | uint64_t(uint32_t(pos + 1)));
}
inline int32_t SlotId(int64_t e) {
    return int32_t(uint32_t(uint64_t(e) >> 32));
}
inline int32_t SlotPos(int64_t e) {
    return int32_t(uint32_t(uint64_t(e))) - 1;
}
inline size_t HashId(int32_t id, size_t mask) {
    return size_t(uint32_t(id) * 2654435761u) & mask;
}

// Minimum stream bytes of one variable (ind, kind, val, empty str, rows) and of one value.
constexpr size_t kMinVarBytes = 4 + 4 + 8 + 4 + 4;
constexpr size_t kMinValueBytes = 4 + 8 + 4;

} // namespace

void CVariableList::Clear() {
    v_vars.clear();
    v_index.clear();
    v_twice = false;
}

void CVariableList::Assign(const CVariableList& val) {
    v_vars = val.v_vars;
    v_index = val.v_index;
    v_twice = val.v_twice;
}

int32_t CVariableList::FindPos(int32_t var_ind) const {
    if (v_index.empty()) {
        for (size_t k = v_vars.size(); k-- > 0;)
            if (v_vars[k].ind == var_ind) return int32_t(k);
        return -1;
    }
    size_t mask = v_index.size() - 1;
    for (size_t h = HashId(var_ind, mask);; h = (h + 1) & mask) {
        int64_t e = v_index[h];
        if (e == kEmptySlot) return -1;
        if (SlotId(e) == var_ind) return SlotPos(e);
    }
}

const RVariable* CVariableList::Find(int32_t var_ind) const {
    int32_t p = FindPos(var_ind);
    return p < 0 ? nullptr : &v_vars[size_t(p)];
}

void CVariableList::RebuildIndex() {
    v_index.clear();
    if (v_vars.size() < kIndexFrom) return;
    size_t cap = 16;
    while (cap < v_vars.size() * 2) cap *= 2;
    v_index.assign(cap, kEmptySlot);
    // In creation order, so that an id stored twice (possible only from a stream) maps to its
    // last variable, as a backward search would find it.
    for (size_t k = 0; k < v_vars.size(); ++k) IndexInsert(v_vars[k].ind, int32_t(k));
}

void CVariableList::IndexInsert(int32_t var_ind, int32_t pos) {
    if (v_index.empty()) {
        if (v_vars.size() >= kIndexFrom) RebuildIndex();
        return;
    }
    if (v_vars.size() * 2 > v_index.size()) {
        RebuildIndex();
        return;
    }
    size_t mask = v_index.size() - 1;
    for (size_t h = HashId(var_ind, mask);; h = (h + 1) & mask) {
        int64_t e = v_index[h];
        if (e == kEmptySlot || SlotId(e) == var_ind) {
            v_index[h] = PackSlot(var_ind, pos);
            return;
        }
    }
}

RVariable& CVariableList::Obtain(int32_t var_ind) {
    int32_t p = FindPos(var_ind);
    if (p >= 0) return v_vars[size_t(p)];
    v_vars.emplace_back();
    v_vars.back().ind = var_ind;
    IndexInsert(var_ind, int32_t(v_vars.size() - 1));
    return v_vars.back();
}

void CVariableList::SetVar(int32_t var_ind, int32_t arr_ind, const RValue& val) {
    Store(Obtain(var_ind), arr_ind, val);
}

void CVariableList::SetVarAt(int32_t var_ind, int32_t arr_ind, const RValue& val, int32_t& hint) {
    const size_t h = size_t(uint32_t(hint));
    if (h < v_vars.size() && v_vars[h].ind == var_ind && !v_twice) {
        Store(v_vars[h], arr_ind, val);
        return;
    }
    RVariable& v = Obtain(var_ind);
    hint = int32_t(&v - v_vars.data());
    Store(v, arr_ind, val);
}

RValue* CVariableList::ElementFind(int32_t var_ind, int32_t arr_ind, int32_t& hint) {
    const int32_t p = FindPos(var_ind);
    if (p < 0) return nullptr;
    hint = p;
    return ElementOf(v_vars[size_t(p)], arr_ind);
}

void CVariableList::Store(RVariable& v, int32_t arr_ind, const RValue& val) {
    if (arr_ind == 0) {
        v.simplevalue = val;
        return;
    }
    // Callers never pass a negative index; clamp anyway so a stray one cannot index below 0.
    if (arr_ind < 0) arr_ind = 0;
    size_t row = size_t(arr_ind / kArrayRowSize), col = size_t(arr_ind % kArrayRowSize);
    if (v.value.size() <= row) v.value.resize(row + 1);
    std::vector<RValue>& r = v.value[row];
    if (r.size() <= col) r.resize(col + 1);
    r[col] = val;
}

bool CVariableList::GetVar(int32_t var_ind, int32_t arr_ind, RValue& val) const {
    int32_t p = FindPos(var_ind);
    if (p >= 0) {
        const RVariable& v = v_vars[size_t(p)];
        if (arr_ind == 0) {
            val = v.simplevalue;
            return true;
        }
        int32_t row = arr_ind / kArrayRowSize, col = arr_ind % kArrayRowSize;
        if (row >= 0 && size_t(row) < v.value.size() && col >= 0 &&
            size_t(col) < v.value[size_t(row)].size()) {
            val = v.value[size_t(row)][size_t(col)];
            return true;
        }
    }
    if (opt_uninitzero) {
        val.SetReal(0.0);
        return true;
    }
    return false;
}

RValue* CVariableList::Element(int32_t var_ind, int32_t arr_ind) {
    int32_t p = FindPos(var_ind);
    if (p < 0) return nullptr;
    RVariable& v = v_vars[size_t(p)];
    if (arr_ind == 0) return &v.simplevalue;
    int32_t row = arr_ind / kArrayRowSize, col = arr_ind % kArrayRowSize;
    if (row >= 0 && size_t(row) < v.value.size() && col >= 0 && size_t(col) < v.value[size_t(row)].size())
        return &v.value[size_t(row)][size_t(col)];
    return nullptr;
}

void CVariableList::Init(int32_t var_ind) {
    Obtain(var_ind);
}

void CVariableList::SaveToStream(CStream& str) const {
    str.WriteInteger(440);
    str.WriteInteger(int32_t(v_vars.size()));
    for (const RVariable& v : v_vars) {
        str.WriteInteger(v.ind);
        RValue_Save(v.simplevalue, str);
        str.WriteInteger(int32_t(v.value.size()));
        for (const auto& row : v.value) {
            str.WriteInteger(int32_t(row.size()));
            for (const RValue& e : row) RValue_Save(e, str);
        }
    }
}

bool CVariableList::LoadFromStream(CStream& str) {
    Clear();
    try {
        if (str.ReadInteger() != 440) return false;
        int32_t count = str.ReadInteger();
        // Counts are checked against the bytes left, so a corrupt count cannot allocate more
        // than a small multiple of the stream's size.
        if (count < 0 || size_t(count) > str.Remaining() / kMinVarBytes) return false;
        std::vector<RVariable> vars(static_cast<size_t>(count));
        for (RVariable& v : vars) {
            v.ind = str.ReadInteger();
            RValue_Load(v.simplevalue, str);
            if (v.simplevalue.kind != RValue::kReal && v.simplevalue.kind != RValue::kString) return false;
            int32_t rows = str.ReadInteger();
            if (rows < 0 || size_t(rows) > str.Remaining() / 4) return false;
            v.value.resize(size_t(rows));
            for (auto& row : v.value) {
                int32_t n = str.ReadInteger();
                if (n < 0 || size_t(n) > str.Remaining() / kMinValueBytes) return false;
                row.resize(size_t(n));
                for (RValue& e : row) {
                    RValue_Load(e, str);
                    if (e.kind != RValue::kReal && e.kind != RValue::kString) return false;
                }
            }
        }
        std::vector<int32_t> ids;
        ids.reserve(vars.size());
        for (const RVariable& v : vars) ids.push_back(v.ind);
        std::sort(ids.begin(), ids.end());
        v_twice = std::adjacent_find(ids.begin(), ids.end()) != ids.end();
        v_vars = std::move(vars);
        RebuildIndex();
        return true;
    } catch (const EStreamReadError&) {
        return false;
    }
}
